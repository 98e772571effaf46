#pragma once
// The OpenGL 3.3 core backend: what it offers. It draws on the context of the surface each
// device is made on (a window's, or a headless EGL one) and reproduces the fixed-function
// results the program relies on with a small shader pair. The device's state lives with its
// implementation (GLDevice.h, private to this folder).
//
// Draws are gathered: the vertex work (world transform, lighting) is done on the CPU by
// the shared fixed-function code, the resulting vertices go into one growing array, and
// the array becomes one GL draw when a state that changes rasterisation changes, or at
// the end of the scene. GL rasterises the triangles of one draw in submission order,
// with depth tested against the earlier triangles of the same draw, so the picture is
// the same as with one GL draw per device draw.
//
// Use: with the surface's context current on this thread,
//     mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
//     mDXGraphics::Initialize();
//     MainDevice.Initialize(surface, D3DFMT_D16, D3DMULTISAMPLE_NONE);
// The device draws into that surface's framebuffer and presents to it. The context must
// stay current while the device and its textures are used and released.
#include <cstdint>
#include <memory>
#include <string>

#include "device/iDirect3D.h"

// GL work of one frame, for tests and benchmarks.
struct cGLFrameStats {
    uint32_t DrawCalls = 0;   // GL draw calls (counted when a batch closes, issued at the flush)
    uint32_t Primitives = 0;  // triangles sent to GL
    uint32_t DeviceDraws = 0;  // DrawPrimitive calls gathered into them
};

class cGLDirect3D final : public iDirect3D {
public:
    HRESULT GetAdapterDisplayMode(uint32_t iAdapter, D3DDISPLAYMODE& oMode) override;
    HRESULT GetDeviceCaps(uint32_t iAdapter, D3DDEVTYPE iType, D3DCAPS8& oCaps) override;
    HRESULT CheckDeviceMultiSampleType(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iSurfaceFormat, bool iWindowed,
                                       D3DMULTISAMPLE_TYPE iSamples) override;
    HRESULT CheckDeviceFormat(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iAdapterFormat, uint32_t iUsage,
                              D3DRESOURCETYPE iResourceType, D3DFORMAT iCheckFormat) override;
    // Needs the surface, with its OpenGL 3.3 (or later) core or compatible context current;
    // otherwise D3DERR_NOTAVAILABLE with the reason in LastFailureDetail.
    HRESULT CreateDevice(uint32_t iAdapter, D3DDEVTYPE iType, iDrawingSurface* iSurface, uint32_t iFlags,
                         D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) override;
    std::string LastFailureDetail() const override { return Detail_; }

private:
    std::string Detail_;
};

// True when this thread has a current GL context (EGL or GLX); safe to call without one.
bool GLContextIsCurrent();

// What tests and benchmarks may ask of a device this backend made.
class iGLDevice : public iDirect3DDevice {
public:
    // The reference mode for tests: every draw becomes its own GL draw.
    virtual void SetFlushEveryDraw(bool iOn) = 0;
    // Fragment shaders made for the texture stage's current operations (the default), or
    // the one general shader that reads them as uniforms: the same arithmetic either way.
    virtual void SetSpecialisedShaders(bool iOn) = 0;
    virtual const cGLFrameStats& LastFrameStats() const = 0;
    virtual const cGLFrameStats& CurrentFrameStats() const = 0;
};
