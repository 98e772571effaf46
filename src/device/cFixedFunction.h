#pragma once
// The fixed-function pipeline's state and its vertex half, shared by every backend: the
// render and stage states with Direct3D 8's defaults, the transforms, material and
// lights, and the expansion of a draw into world-space triangles with their lit colour.
// Doing the vertex work here is what lets the GL backend put many draws with different
// world transforms and colours into one GL draw, and the capture backend record exactly
// what reaches the rasteriser.
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "device/D3D8Types.h"
#include "device/iDirect3D.h"

// One vertex as the rasteriser gets it: world position, final vertex colour, texture
// coordinate. 36 bytes, the GL backend's vertex layout.
struct cBatchVertex {
    float X, Y, Z;
    float R, G, B, A;
    float U, V;
};
static_assert(sizeof(cBatchVertex) == 36);

// A vertex array that grows by doubling and never shrinks or clears its memory, so that
// appending the vertices of one draw costs no allocation in the steady state.
class cVertexArray {
public:
    cBatchVertex* Append(size_t count) {
        if (Size_ + count > Capacity_) Grow(Size_ + count);
        cBatchVertex* out = Data_.get() + Size_;
        Size_ += count;
        return out;
    }
    void Clear() { Size_ = 0; }
    size_t Size() const { return Size_; }
    const cBatchVertex* Data() const { return Data_.get(); }
    const cBatchVertex& operator[](size_t i) const { return Data_[i]; }

private:
    void Grow(size_t needed);
    std::unique_ptr<cBatchVertex[]> Data_;
    size_t Size_ = 0, Capacity_ = 0;
};

class cFixedFunction {
public:
    cFixedFunction() { ResetDefaults(true); }

    // Direct3D 8's documented defaults; the depth test is on when the device has an
    // automatic depth buffer.
    void ResetDefaults(bool iAutoDepthStencil);

    std::array<uint32_t, D3DRS_COUNT> RenderState{};
    std::array<std::array<uint32_t, D3DTSS_COUNT>, D3D_STAGE_COUNT> StageState{};
    D3DMATRIX World, View, Projection;
    D3DMATERIAL8 Material;
    std::vector<D3DLIGHT8> Lights;
    std::vector<uint32_t> EnabledLights;  // indices into Lights, in enabling order
    std::array<cTexture*, D3D_STAGE_COUNT> Textures{};
    uint32_t FVF = 0;
    cVertexBuffer* Stream = nullptr;
    uint32_t Stride = 0;

    // Whether a render state or a stage state is one the tables hold; the getters read 0
    // for any other, the backends refuse to set one.
    static bool IsRenderState(uint32_t iState) { return iState < D3DRS_COUNT; }
    static bool IsStageState(uint32_t iStage, uint32_t iType) { return iStage < D3D_STAGE_COUNT && iType < D3DTSS_COUNT; }
    uint32_t GetRenderState(uint32_t iState) const { return IsRenderState(iState) ? RenderState[iState] : 0; }
    uint32_t GetStageState(uint32_t iStage, uint32_t iType) const {
        return IsStageState(iStage, iType) ? StageState[iStage][iType] : 0;
    }

    HRESULT SetLight(uint32_t iIndex, const D3DLIGHT8& iLight);
    HRESULT LightEnable(uint32_t iIndex, bool iEnable);

    // Appends the triangles of a draw to oOut (strips and fans become lists with the
    // winding kept), each vertex transformed by World and coloured as the fixed-function
    // vertex pipeline would. D3DERR_INVALIDCALL for a draw the stream cannot feed.
    HRESULT ExpandDraw(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount,
                       cVertexArray& oOut) const;

    // The lit colour of one vertex (object-space normal, or none; the vertex's own
    // diffuse colour, or none).
    D3DCOLORVALUE VertexColor(const float* iNormal, const uint32_t* iDiffuse) const;

    // True for the render states that change how triangles are rasterised or blended
    // (a batch must end before they change); the others only change vertex colours,
    // which are already baked into the gathered vertices.
    static bool AffectsRasterisation(D3DRENDERSTATETYPE iState);

private:
    // One gathered vertex: the position transformed by World, the colour, the texture
    // coordinate (none: 0, 0).
    void WriteVertex(const uint8_t* iPosition, const uint8_t* iTexCoord, const D3DCOLORVALUE& iColor,
                     cBatchVertex& oVertex) const;
};
