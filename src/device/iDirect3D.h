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
#include "device/DrawingSurface.h"

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

// One cell of a strip of quads: the texture cell it shows, its colour, and whether it is drawn.
struct cQuadCell {
    float U, V;        // top-left corner of its texture cell
    D3DCOLOR Ambient;  // its colour, reaching the screen through D3DRS_AMBIENT
    uint32_t Drawn;    // 0: not drawn (it still sets its colour)
};
static_assert(sizeof(cQuadCell) == 16);

// The part of a cell that is drawn, as fractions of the way across the quad from its low x
// and low z edges, its texture coordinates cut with it; all of it by default.
struct cCellPart {
    float X0 = 0, X1 = 1, Z0 = 0, Z1 = 1;
    bool Whole() const { return X0 == 0 && X1 == 1 && Z0 == 0 && Z1 == 1; }
};

// One instance: a strip of Count cells, cell k translated by Position + k x Step, each cut
// to Part.
struct cQuadStrip {
    D3DVECTOR Position;
    D3DVECTOR Step;
    uint32_t First = 0, Count = 0;  // its cells: Cells[First] to Cells[First + Count - 1]
    cCellPart Part;
};

// The instanced quad's vertices: six of FVF 0x112, eight floats each (x y z, nx ny nz, tu tv).
inline constexpr uint32_t QuadVertexCount = 6;
inline constexpr uint32_t QuadVertexFloats = 8;
inline constexpr uint32_t QuadVertexStride = QuadVertexFloats * sizeof(float);
inline constexpr uint32_t QuadVertexBytes = QuadVertexCount * QuadVertexStride;

// Instances of one textured quad: its QuadVertexCount vertices in Vertices,
// whose texture coordinates span one cell as WriteQuadCell lays them out, drawn from
// Buffer. Each cell of each strip is the quad with its own texture cell and colour, and
// the world transform: translation to the cell's place, rotation about Y by Angle, then
// translation by Offset.
struct cQuadInstances {
    cVertexBuffer* Buffer = nullptr;
    float* Vertices = nullptr;  // the caller's copy of the six vertices; their cells are written here
    float CellSize = 0;
    float Angle = 0;
    D3DVECTOR Offset;
    const cQuadStrip* Strips = nullptr;
    uint32_t StripCount = 0;
    const cQuadCell* Cells = nullptr;
    uint32_t CellCount = 0;
};

// Writes the texture coordinates of one cell into the six quad vertices (FVF 0x112
// floats): U + size where x > 0, V + size where z > 0.
void WriteQuadCell(float* ioVertices, float iU, float iV, float iSize);

// The six quad vertices iVertices cut to iPart, into oCut: a corner on the quad's low x edge
// moves iPart.X0 of the way across to the high edge, one on the high edge to iPart.X1 of the
// way (likewise along z), and its texture coordinates move with it.
void CutQuadToPart(const float* iVertices, const cCellPart& iPart, float* oCut);

class iDirect3DDevice {
public:
    virtual ~iDirect3DDevice() = default;

    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS& iParams) = 0;

    virtual HRESULT Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                          uint32_t iStencil) = 0;
    virtual HRESULT Present(const void* iSourceRect, const void* iDestRect, intptr_t iOverrideWindow,
                            const void* iDirtyRegion) = 0;

    // The calls below check their arguments here, once for every backend, as Direct3D 8 does
    // (D3DERR_INVALIDCALL: a scene begun twice or ended without one, a draw outside a scene, an
    // unknown state, stage or stream), and hand the backend only calls it can trust.
    HRESULT BeginScene();
    HRESULT EndScene();
    bool InScene() const { return InScene_; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue);
    virtual uint32_t GetRenderState(D3DRENDERSTATETYPE iState) const = 0;
    HRESULT SetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue);
    virtual uint32_t GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const = 0;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix);
    virtual HRESULT SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) = 0;
    virtual HRESULT LightEnable(uint32_t iIndex, bool iEnable) = 0;
    HRESULT SetTexture(uint32_t iStage, cTexture* iTexture);
    virtual HRESULT SetMaterial(const D3DMATERIAL8& iMaterial) = 0;
    virtual HRESULT SetVertexShader(uint32_t iFVF) = 0;
    HRESULT SetStreamSource(uint32_t iStream, cVertexBuffer* iBuffer, uint32_t iStride);
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount);

    // Draws instances of one quad. Its meaning is exactly this sequence per cell, strip
    // after strip, which is what the default does (so a recording backend sees every call):
    // write the cell into Vertices and copy them (cut to the strip's part) into Buffer,
    // SetRenderState(D3DRS_AMBIENT),
    // and for a drawn cell SetTransform(D3DTS_WORLD) with identity x translation x rotation
    // x translation multiplied step by step, SetStreamSource(0, Buffer, 32) and
    // DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2). A backend may do the work its own way when the
    // picture matches to the last bits of texture filtering and a pixel row at a cell
    // boundary, and the state left behind is the same. Checks the arguments first;
    // stops at the first failure.
    HRESULT DrawQuadInstances(const cQuadInstances& iQuads);

    virtual HRESULT CreateVertexBuffer(uint32_t iLength, uint32_t iUsage, uint32_t iFVF, D3DPOOL iPool,
                                       std::shared_ptr<cVertexBuffer>& oBuffer) {
        (void)iUsage;
        (void)iPool;
        oBuffer = std::make_shared<cVertexBuffer>(iLength, iFVF);
        return D3D_OK;
    }
    // Makes a texture of the decoded image (rows top first, A8R8G8B8 texels).
    virtual HRESULT CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) = 0;

protected:
    // The checked calls' own work: each is called only with arguments the public call accepted.
    // BeginCheckedScene and EndCheckedScene run before the scene is marked begun or ended.
    virtual HRESULT BeginCheckedScene() { return D3D_OK; }
    virtual HRESULT EndCheckedScene() { return D3D_OK; }
    virtual HRESULT SetCheckedRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) = 0;
    virtual HRESULT SetCheckedTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) = 0;
    virtual HRESULT SetCheckedTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) = 0;
    virtual HRESULT SetCheckedTexture(uint32_t iStage, cTexture* iTexture) = 0;
    virtual HRESULT SetCheckedStreamSource(cVertexBuffer* iBuffer, uint32_t iStride) = 0;  // stream 0, the only one
    virtual HRESULT DrawCheckedPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) = 0;
    // DrawQuadInstances with its arguments checked: the call sequence above.
    virtual HRESULT DrawCheckedQuadInstances(const cQuadInstances& iQuads);

private:
    bool InScene_ = false;
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
    // Makes a device that draws on iSurface (its window handle is in iParams.hDeviceWindow) and
    // keeps drawing there until it is released: each window has a device of its own.
    virtual HRESULT CreateDevice(uint32_t iAdapter, D3DDEVTYPE iType, iDrawingSurface* iSurface, uint32_t iFlags,
                                 D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) = 0;
    // Why the last failing call failed, in words (the backend's own detail), or empty.
    virtual std::string LastFailureDetail() const { return {}; }
};
