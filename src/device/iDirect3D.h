#pragma once
// The device seam. cDevice and the drawing code talk to the graphics hardware only
// through these two interfaces, which offer the Direct3D 8 operations the program uses
// (root object: adapter queries and device creation; device: states, transforms,
// lights, textures, the frame cycle and drawing). The OpenGL backend draws; the capture
// backend records for tests.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/D3D8Types.h"

// A vertex buffer lives in plain memory on every backend: draws read from it when they
// are issued (the GL backend gathers them into its own batch), so filling it is one copy.
class cVertexBuffer {
public:
    cVertexBuffer(uint32_t length, uint32_t fvf) : Bytes(length), FVF(fvf) {}
    std::vector<uint8_t> Bytes;
    uint32_t FVF;
};

// A texture as a backend made it; the size is what callers ask about.
class cTexture {
public:
    virtual ~cTexture() = default;
    int32_t Width = 0, Height = 0;
};

class cImage;

// One letter of a column of the rain, as the letter renderer decided it.
struct cColumnLetter {
    float X, Y, Z;     // the letter cell's translation, before the scene's rotation and offset
    float U, V;        // top-left corner of its glyph cell in the atlas
    D3DCOLOR Ambient;  // its colour, reaching the screen through D3DRS_AMBIENT
    bool Drawn;        // a letter that is not drawn still sets its colour
};

// The letters of one column (or any run of letter quads, such as the frame's leader glows):
// each is the letter quad held in Vertices (six vertices of
// FVF 0x112, 32 bytes each: two triangles in the X-Z plane whose texture coordinates span
// one glyph cell, U to U + CellSize from -x to +x and V to V + CellSize from -z to +z),
// drawn from Buffer with its own world transform: translation by (X, Y, Z), then rotation
// about Y by SceneAngle, then translation by SceneOffset.
struct cLetterColumn {
    cVertexBuffer* Buffer = nullptr;
    float* Vertices = nullptr;  // the caller's copy of the six vertices; their cells are written here
    float CellSize = 0;
    float SceneAngle = 0;
    D3DVECTOR SceneOffset;
    const cColumnLetter* Letters = nullptr;
    uint32_t Count = 0;
};

// Writes the texture coordinates of one glyph cell into the six letter-quad vertices
// (FVF 0x112 floats): U + size where x > 0, V + size where z > 0.
void WriteLetterCell(float* ioVertices, float iU, float iV, float iSize);

class iDirect3DDevice {
public:
    virtual ~iDirect3DDevice() = default;

    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS& iParams) = 0;

    virtual HRESULT Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                          uint32_t iStencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Present(const void* iSourceRect, const void* iDestRect, intptr_t iOverrideWindow,
                            const void* iDirtyRegion) = 0;

    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) = 0;
    virtual uint32_t GetRenderState(D3DRENDERSTATETYPE iState) const = 0;
    virtual HRESULT SetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) = 0;
    virtual uint32_t GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) = 0;
    virtual HRESULT SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) = 0;
    virtual HRESULT LightEnable(uint32_t iIndex, bool iEnable) = 0;
    virtual HRESULT SetTexture(uint32_t iStage, cTexture* iTexture) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8& iMaterial) = 0;
    virtual HRESULT SetVertexShader(uint32_t iFVF) = 0;
    virtual HRESULT SetStreamSource(uint32_t iStream, cVertexBuffer* iBuffer, uint32_t iStride) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) = 0;

    // Draws a column of letters. Its meaning is exactly this sequence per letter, which is
    // what this default does (so a recording backend sees every call): write the letter's
    // cell into Vertices and copy them into Buffer, SetRenderState(D3DRS_AMBIENT), and for
    // a drawn letter SetTransform(D3DTS_WORLD) with identity x translation x rotation x
    // translation multiplied step by step, SetStreamSource(0, Buffer, 32) and
    // DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2). A backend may do the same work its own way
    // when the picture and the state left behind are the same. Stops at the first failure.
    virtual HRESULT DrawLetterColumn(const cLetterColumn& iColumn);

    virtual HRESULT CreateVertexBuffer(uint32_t iLength, uint32_t iUsage, uint32_t iFVF, D3DPOOL iPool,
                                       std::shared_ptr<cVertexBuffer>& oBuffer) {
        (void)iUsage;
        (void)iPool;
        oBuffer = std::make_shared<cVertexBuffer>(iLength, iFVF);
        return D3D_OK;
    }
    // Makes a texture of the decoded image (rows top first, A8R8G8B8 texels).
    virtual HRESULT CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) = 0;
};

// The IDirect3D8 root object's part: adapter 0 queries and device creation.
class iDirect3D {
public:
    virtual ~iDirect3D() = default;
    virtual HRESULT GetAdapterDisplayMode(uint32_t iAdapter, D3DDISPLAYMODE& oMode) = 0;
    virtual HRESULT GetDeviceCaps(uint32_t iAdapter, D3DDEVTYPE iType, D3DCAPS8& oCaps) = 0;
    virtual HRESULT CheckDeviceMultiSampleType(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iSurfaceFormat,
                                               bool iWindowed, D3DMULTISAMPLE_TYPE iSamples) = 0;
    virtual HRESULT CheckDeviceFormat(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iAdapterFormat,
                                      uint32_t iUsage, D3DRESOURCETYPE iResourceType, D3DFORMAT iCheckFormat) = 0;
    virtual HRESULT CreateDevice(uint32_t iAdapter, D3DDEVTYPE iType, intptr_t iFocusWindow, uint32_t iFlags,
                                 D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) = 0;
    // Why the last failing call failed, in words (the backend's own detail), or empty.
    virtual std::string LastFailureDetail() const { return {}; }
};
