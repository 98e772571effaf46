#pragma once
// A backend that draws nothing and records everything: every device call in order, and
// for every draw the triangles as they would reach the rasteriser (world-space corners,
// final vertex colour, texture coordinates) with the states that decide how they land.
// Its root object answers adapter queries from settable fields, so tests can play any
// hardware, a failing device creation, or a device that asks to be reset.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/cFixedFunction.h"
#include "device/cImage.h"
#include "device/iDirect3D.h"

class cCaptureTexture final : public cTexture {
public:
    cImage Image;  // the texels as loaded (colour key applied)
    int32_t Serial = 0;  // creation order on the device, from 0
};

// One recorded device call: its name and up to three numeric arguments.
struct cCapturedCall {
    std::string Op;
    uint32_t A = 0, B = 0, C = 0;
};

struct cCapturedDraw {
    std::vector<cBatchVertex> Vertices;  // three per triangle, world space
    D3DCOLORVALUE Color;                 // the colour of the first vertex
    D3DMATRIX World;
    uint32_t ZBias = 0;
    bool Lighting = false;
    D3DCOLOR Ambient = 0;
    uint32_t SrcBlend = 0, DestBlend = 0;
    bool AlphaBlend = false, AlphaTest = false;
    const cCaptureTexture* Texture = nullptr;  // on stage 0
    uint32_t FVF = 0;
    D3DPRIMITIVETYPE Type = D3DPT_TRIANGLELIST;
    uint32_t PrimitiveCount = 0;
};

class cCaptureDevice final : public iDirect3DDevice {
public:
    cCaptureDevice(iDrawingSurface* iSurface, const D3DPRESENT_PARAMETERS& iParams);

    iDrawingSurface* Surface;  // the surface it was made on; nothing is drawn there
    cFixedFunction State;
    D3DPRESENT_PARAMETERS Params;
    std::vector<cCapturedCall> Calls;
    std::vector<cCapturedDraw> Draws;
    // What TestCooperativeLevel answers; D3DERR_DEVICENOTRESET turns to D3D_OK on Reset.
    HRESULT CooperativeLevel = D3D_OK;
    int32_t Resets = 0, Scenes = 0, Presents = 0, Clears = 0;
    int32_t TexturesCreated = 0;

    // Tests' helpers.
    size_t CountOf(const std::string& iOp) const;
    // The values given to one render state, in call order.
    std::vector<uint32_t> RenderStateValues(D3DRENDERSTATETYPE iState) const;
    void ClearRecords() {
        Calls.clear();
        Draws.clear();
    }

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS& iParams) override;
    HRESULT Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                  uint32_t iStencil) override;
    HRESULT Present(const void*, const void*, intptr_t, const void*) override;
    uint32_t GetRenderState(D3DRENDERSTATETYPE iState) const override;
    uint32_t GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const override;
    HRESULT SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) override;
    HRESULT LightEnable(uint32_t iIndex, bool iEnable) override;
    HRESULT SetMaterial(const D3DMATERIAL8& iMaterial) override;
    HRESULT SetVertexShader(uint32_t iFVF) override;
    HRESULT CreateVertexBuffer(uint32_t iLength, uint32_t iUsage, uint32_t iFVF, D3DPOOL iPool,
                               std::shared_ptr<cVertexBuffer>& oBuffer) override;
    HRESULT CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) override;

protected:
    // Only calls the device layer accepted are recorded.
    HRESULT BeginCheckedScene() override;
    HRESULT EndCheckedScene() override;
    HRESULT SetCheckedRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) override;
    HRESULT SetCheckedTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) override;
    HRESULT SetCheckedTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) override;
    HRESULT SetCheckedTexture(uint32_t iStage, cTexture* iTexture) override;
    HRESULT SetCheckedStreamSource(cVertexBuffer* iBuffer, uint32_t iStride) override;
    HRESULT DrawCheckedPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) override;

private:
    void Record(const char* iOp, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0) { Calls.push_back({iOp, a, b, c}); }
    cVertexArray Scratch_;
};

class cCaptureDirect3D final : public iDirect3D {
public:
    cCaptureDirect3D();

    D3DDISPLAYMODE DisplayMode;
    D3DCAPS8 Caps;
    std::set<uint32_t> SupportedMultiSamples;  // sample counts CheckDeviceMultiSampleType accepts
    std::set<uint32_t> SupportedDepthFormats;  // D3DFORMATs CheckDeviceFormat accepts
    HRESULT CreateResult = D3D_OK;             // a failure here makes CreateDevice give no device
    std::string FailureDetail;
    std::shared_ptr<cCaptureDevice> LastDevice;  // the device most recently created
    std::vector<cCapturedCall> Calls;             // root-object calls

    HRESULT GetAdapterDisplayMode(uint32_t iAdapter, D3DDISPLAYMODE& oMode) override;
    HRESULT GetDeviceCaps(uint32_t iAdapter, D3DDEVTYPE iType, D3DCAPS8& oCaps) override;
    HRESULT CheckDeviceMultiSampleType(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iSurfaceFormat, bool iWindowed,
                                       D3DMULTISAMPLE_TYPE iSamples) override;
    HRESULT CheckDeviceFormat(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iAdapterFormat, uint32_t iUsage,
                              D3DRESOURCETYPE iResourceType, D3DFORMAT iCheckFormat) override;
    HRESULT CreateDevice(uint32_t iAdapter, D3DDEVTYPE iType, iDrawingSurface* iSurface, uint32_t iFlags,
                         D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) override;
    std::string LastFailureDetail() const override { return FailureDetail; }
};
