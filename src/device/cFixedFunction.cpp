#include "device/cFixedFunction.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/Numeric.h"
#include "device/mDXGraphics.h"

void cVertexArray::Grow(size_t needed) {
    size_t capacity = std::max<size_t>(Capacity_ ? Capacity_ * 2 : 6 * 1024, needed);
    auto data = std::make_unique_for_overwrite<cBatchVertex[]>(capacity);
    if (Size_) std::memcpy(data.get(), Data_.get(), Size_ * sizeof(cBatchVertex));
    Data_ = std::move(data);
    Capacity_ = capacity;
}

namespace {

struct StateValue {
    uint32_t State;
    uint32_t Value;
};

// Direct3D's render state defaults, less the depth test, which follows the presentation
// parameters; every state not listed starts at 0.
constexpr StateValue DefaultRenderStates[] = {
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_ZWRITEENABLE, D3DTRUE},
    {D3DRS_ALPHATESTENABLE, D3DFALSE},
    {D3DRS_LASTPIXEL, D3DTRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_ALPHABLENDENABLE, D3DFALSE},
    {D3DRS_FOGENABLE, D3DFALSE},
    {D3DRS_SPECULARENABLE, D3DFALSE},
    {D3DRS_ZBIAS, 0},
    {D3DRS_STENCILENABLE, D3DFALSE},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILMASK, 0xFFFFFFFFu},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu},
    {D3DRS_CLIPPING, D3DTRUE},
    {D3DRS_LIGHTING, D3DTRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_COLORVERTEX, D3DTRUE},
    {D3DRS_LOCALVIEWER, D3DTRUE},
    {D3DRS_NORMALIZENORMALS, D3DFALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_POINTSIZE, std::bit_cast<uint32_t>(1.0f)},
    {D3DRS_MULTISAMPLEANTIALIAS, D3DTRUE},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu},
    {D3DRS_COLORWRITEENABLE, 0xF},
    {D3DRS_BLENDOP, 1},  // add
};

// The texture stages' defaults; stage 0 modulates and takes the texture's alpha, the
// later stages are off, and each reads its own texture coordinates.
constexpr StateValue DefaultStageStates[] = {
    {D3DTSS_COLORARG1, D3DTA_TEXTURE},      {D3DTSS_COLORARG2, D3DTA_CURRENT},
    {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},      {D3DTSS_ALPHAARG2, D3DTA_CURRENT},
    {D3DTSS_ADDRESSU, D3DTADDRESS_WRAP},    {D3DTSS_ADDRESSV, D3DTADDRESS_WRAP},
    {D3DTSS_MAGFILTER, D3DTEXF_POINT},      {D3DTSS_MINFILTER, D3DTEXF_POINT},
    {D3DTSS_MIPFILTER, D3DTEXF_NONE},
};

}  // namespace

void cFixedFunction::ResetDefaults(bool iAutoDepthStencil) {
    RenderState.fill(0);
    for (const StateValue& entry : DefaultRenderStates) RenderState[entry.State] = entry.Value;
    RenderState[D3DRS_ZENABLE] = iAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    for (uint32_t stage = 0; stage < D3D_STAGE_COUNT; ++stage) {
        auto& ts = StageState[stage];
        ts.fill(0);
        for (const StateValue& entry : DefaultStageStates) ts[entry.State] = entry.Value;
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
    }
    World = View = Projection = mDXGraphics::IdentityTransform;
    Material = D3DMATERIAL8{};
    Lights.clear();
    EnabledLights.clear();
    Textures.fill(nullptr);
    FVF = 0;
    Stream = nullptr;
    Stride = 0;
}

HRESULT cFixedFunction::SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) {
    if (iIndex > 4096) return D3DERR_INVALIDCALL;
    if (Lights.size() <= iIndex) Lights.resize(iIndex + 1);
    Lights[iIndex] = iLight;
    return D3D_OK;
}

HRESULT cFixedFunction::LightEnable(uint32_t iIndex, bool iEnable) {
    if (iIndex > 4096) return D3DERR_INVALIDCALL;
    // Enabling a light that was never set gives it Direct3D's default light.
    if (Lights.size() <= iIndex) {
        Lights.resize(iIndex + 1);
        Lights[iIndex].Diffuse = {1, 1, 1, 0};
        Lights[iIndex].Direction = {0, 0, 1};
    }
    auto at = std::find(EnabledLights.begin(), EnabledLights.end(), iIndex);
    if (iEnable && at == EnabledLights.end()) EnabledLights.push_back(iIndex);
    if (!iEnable && at != EnabledLights.end()) EnabledLights.erase(at);
    return D3D_OK;
}

bool cFixedFunction::AffectsRasterisation(D3DRENDERSTATETYPE iState) {
    switch (iState) {
        case D3DRS_AMBIENT:
        case D3DRS_LIGHTING:
        case D3DRS_COLORVERTEX:
        case D3DRS_SPECULARENABLE:
        case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
        case D3DRS_CLIPPING:  // GL always clips
        case D3DRS_SHADEMODE:
        case D3DRS_MULTISAMPLEANTIALIAS:
        case D3DRS_LASTPIXEL:
        case D3DRS_DITHERENABLE:
            return false;
        default:
            return true;
    }
}

namespace {

D3DCOLORVALUE FromColor(uint32_t c) { return mDXGraphics::ColorToValue(c); }


}  // namespace

D3DCOLORVALUE cFixedFunction::VertexColor(const float* iNormal, const uint32_t* iDiffuse) const {
    if (!RenderState[D3DRS_LIGHTING]) {
        // Unlit: the vertex's own colour, opaque white when the format has none.
        return iDiffuse ? FromColor(*iDiffuse) : D3DCOLORVALUE{1, 1, 1, 1};
    }
    const bool useVertex = RenderState[D3DRS_COLORVERTEX] && iDiffuse;
    auto source = [&](uint32_t state, const D3DCOLORVALUE& material) {
        return useVertex && RenderState[state] == D3DMCS_COLOR1 ? FromColor(*iDiffuse) : material;
    };
    const D3DCOLORVALUE diffuse = source(D3DRS_DIFFUSEMATERIALSOURCE, Material.Diffuse);
    const D3DCOLORVALUE ambient = source(D3DRS_AMBIENTMATERIALSOURCE, Material.Ambient);
    const D3DCOLORVALUE emissive = source(D3DRS_EMISSIVEMATERIALSOURCE, Material.Emissive);
    const D3DCOLORVALUE global = FromColor(RenderState[D3DRS_AMBIENT]);

    float r = emissive.r + global.r * ambient.r;
    float g = emissive.g + global.g * ambient.g;
    float b = emissive.b + global.b * ambient.b;
    if (!EnabledLights.empty()) {
        // Normals follow the world transform's rotation part (the program's worlds are
        // translations and rotations, whose inverse transpose is the matrix itself).
        float n[3] = {0, 0, 0};
        if (iNormal) {
            for (int c = 0; c < 3; ++c)
                n[c] = iNormal[0] * World.m[0][c] + iNormal[1] * World.m[1][c] + iNormal[2] * World.m[2][c];
            if (RenderState[D3DRS_NORMALIZENORMALS]) {
                const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                if (length > 0) n[0] /= length, n[1] /= length, n[2] /= length;
            }
        }
        for (uint32_t index : EnabledLights) {
            const D3DLIGHT8& light = Lights[index];
            r += ambient.r * light.Ambient.r;
            g += ambient.g * light.Ambient.g;
            b += ambient.b * light.Ambient.b;
            if (light.Type != D3DLIGHT_DIRECTIONAL) continue;  // the program uses directional lights only
            D3DVECTOR d = light.Direction;
            const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            if (length == 0) continue;
            const float lambert = -(n[0] * d.x + n[1] * d.y + n[2] * d.z) / length;
            if (lambert <= 0) continue;
            r += diffuse.r * light.Diffuse.r * lambert;
            g += diffuse.g * light.Diffuse.g * lambert;
            b += diffuse.b * light.Diffuse.b * lambert;
        }
    }
    return {mCore::Clamp01(r), mCore::Clamp01(g), mCore::Clamp01(b), mCore::Clamp01(diffuse.a)};
}

namespace {

// Where the fields of a vertex format sit; 0 for a field the format lacks (the position
// always comes first).
struct VertexLayout {
    uint32_t Normal = 0, Diffuse = 0, TexCoord = 0;
    bool HasTexCoord = false;
    uint32_t End = 0;  // bytes the fields need
};

VertexLayout LayoutOf(uint32_t iFVF) {
    VertexLayout layout;
    uint32_t offset = 12;
    if (iFVF & D3DFVF_NORMAL) layout.Normal = offset, offset += 12;
    if (iFVF & D3DFVF_DIFFUSE) layout.Diffuse = offset, offset += 4;
    if (iFVF & D3DFVF_SPECULAR) offset += 4;
    layout.HasTexCoord = ((iFVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 0;
    layout.TexCoord = offset;
    layout.End = offset + (layout.HasTexCoord ? 8u : 0u);
    return layout;
}

// The source vertex of corner k of the triangle list a draw expands to.
inline uint32_t SourceVertex(D3DPRIMITIVETYPE iType, uint32_t k) {
    const uint32_t tri = k / 3, corner = k % 3;
    if (iType == D3DPT_TRIANGLELIST) return k;
    if (iType == D3DPT_TRIANGLESTRIP) {
        // Odd triangles of a strip swap their first two corners to keep the winding.
        static constexpr uint32_t even[3] = {0, 1, 2}, odd[3] = {1, 0, 2};
        return tri + ((tri & 1) ? odd[corner] : even[corner]);
    }
    return corner == 0 ? 0 : tri + corner;  // a fan
}

}  // namespace

HRESULT cFixedFunction::ExpandDraw(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount,
                                   cVertexArray& oOut) const {
    if (!Stream || !(FVF & D3DFVF_XYZ) || Stride == 0) return D3DERR_INVALIDCALL;
    uint32_t vertexCount;
    switch (iType) {
        case D3DPT_TRIANGLELIST: vertexCount = iPrimitiveCount * 3; break;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: vertexCount = iPrimitiveCount + 2; break;
        default: return D3DERR_INVALIDCALL;  // the program draws triangles only
    }
    if (iPrimitiveCount == 0) return D3D_OK;
    const uint64_t end = (static_cast<uint64_t>(iStartVertex) + vertexCount) * Stride;
    if (end > Stream->Bytes.size()) return D3DERR_INVALIDCALL;
    const VertexLayout layout = LayoutOf(FVF);
    if (layout.End > Stride) return D3DERR_INVALIDCALL;

    const uint8_t* base = Stream->Bytes.data() + static_cast<size_t>(iStartVertex) * Stride;
    // Without vertex colours and lights, every vertex of the draw has the same colour.
    const bool uniformColor = !layout.Diffuse && (!RenderState[D3DRS_LIGHTING] || EnabledLights.empty());
    const D3DCOLORVALUE drawColor = uniformColor ? VertexColor(nullptr, nullptr) : D3DCOLORVALUE{};
    const uint32_t outCount = iPrimitiveCount * 3;
    cBatchVertex* out = oOut.Append(outCount);
    for (uint32_t k = 0; k < outCount; ++k) {
        const uint8_t* v = base + static_cast<size_t>(SourceVertex(iType, k)) * Stride;
        D3DCOLORVALUE c = drawColor;
        if (!uniformColor) {
            float normal[3];
            uint32_t diffuse;
            if (layout.Normal) std::memcpy(normal, v + layout.Normal, 12);
            if (layout.Diffuse) std::memcpy(&diffuse, v + layout.Diffuse, 4);
            c = VertexColor(layout.Normal ? normal : nullptr, layout.Diffuse ? &diffuse : nullptr);
        }
        WriteVertex(v, layout.HasTexCoord ? v + layout.TexCoord : nullptr, c, out[k]);
    }
    return D3D_OK;
}

void cFixedFunction::WriteVertex(const uint8_t* iPosition, const uint8_t* iTexCoord, const D3DCOLORVALUE& iColor,
                                 cBatchVertex& oVertex) const {
    const auto& m = World.m;
    float p[3];
    std::memcpy(p, iPosition, 12);
    oVertex.X = p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0];
    oVertex.Y = p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1];
    oVertex.Z = p[0] * m[0][2] + p[1] * m[1][2] + p[2] * m[2][2] + m[3][2];
    oVertex.R = iColor.r;
    oVertex.G = iColor.g;
    oVertex.B = iColor.b;
    oVertex.A = iColor.a;
    if (iTexCoord) {
        std::memcpy(&oVertex.U, iTexCoord, 4);
        std::memcpy(&oVertex.V, iTexCoord + 4, 4);
    } else {
        oVertex.U = oVertex.V = 0;
    }
}
