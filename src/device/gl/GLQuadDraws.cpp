// The instanced-quad draws: runs of drawn cells become instances of one quad whose
// fragments find their cell in a buffer, instead of six transformed vertices per cell.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "core/Numeric.h"
#include "device/TextureInk.h"
#include "device/cImage.h"
#include "device/gl/GLDevice.h"
#include "device/mDXGraphics.h"

// The quads reproduce the fixed-function vertex work only where every vertex of the draw
// gets the same colour from the ambient state (no lights, no vertex colour), and only for
// the quad vertex format; otherwise the instances go the plain way.
bool cGLDevice::QuadPathApplies() const {
    if (FlushEveryDraw_ || !InScene() || State_.FVF != D3DFVF_QUADVERTEX) return false;
    return !State_.RenderState[D3DRS_LIGHTING] || State_.EnabledLights.empty();
}

// Whether a fragment whose texel is black leaves the frame as it was: it writes no depth or
// stencil, its colour is the texel's times something, the blend adds it to the frame's
// colour, and the frame keeps no alpha it could add to. Then every such fragment may be left
// out, which is how the quads skip the blank margins of their cells.
bool cGLDevice::BlankTexelsAddNothing() const {
    const auto& rs = State_.RenderState;
    const auto& stage = State_.StageState[0];
    if ((rs[D3DRS_ZENABLE] && rs[D3DRS_ZWRITEENABLE]) || rs[D3DRS_STENCILENABLE] || rs[D3DRS_FOGENABLE] ||
        rs[D3DRS_SPECULARENABLE])
        return false;
    if (!rs[D3DRS_ALPHABLENDENABLE] || rs[D3DRS_DESTBLEND] != D3DBLEND_ONE) return false;
    const bool noAlpha = Params_.BackBufferFormat == D3DFMT_X8R8G8B8 || Params_.BackBufferFormat == D3DFMT_R5G6B5 ||
                         !(rs[D3DRS_COLORWRITEENABLE] & 8);
    if (!noAlpha) return false;
    const uint32_t op = stage[D3DTSS_COLOROP], arg1 = stage[D3DTSS_COLORARG1], arg2 = stage[D3DTSS_COLORARG2];
    switch (op) {
        case D3DTOP_MODULATE:
        case D3DTOP_MODULATE2X:
        case D3DTOP_MODULATE4X: return arg1 == D3DTA_TEXTURE || arg2 == D3DTA_TEXTURE;
        case D3DTOP_SELECTARG1: return arg1 == D3DTA_TEXTURE;
        case D3DTOP_SELECTARG2: return arg2 == D3DTA_TEXTURE;
        default: return false;
    }
}

// The rotation and offset of the world transform and the quad's corners after the rotation
// part: worked out again only when the inputs differ from the last call's, which in a
// frame they never do.
void cGLDevice::PrepareQuadShape(const cQuadInstances& iQuads) {
    ShapeKey key;
    key.Angle = iQuads.Angle;
    key.Offset = iQuads.Offset;
    key.CellSize = iQuads.CellSize;
    for (uint32_t v = 0; v < QuadVertexCount; ++v)
        std::memcpy(key.Vertex[v], iQuads.Vertices + v * QuadVertexFloats, sizeof key.Vertex[v]);
    if (ShapeReady_ && std::memcmp(&key, &ShapeKey_, sizeof key) == 0) return;
    ShapeKey_ = key;
    ShapeReady_ = true;

    // The world transforms differ only in their translation row: the rotation part (rows 0
    // to 2) comes from the same step-by-step product.
    D3DMATRIX step;
    RotationWorld_ = mDXGraphics::IdentityTransform;
    mDXGraphics::TransformRotationY(Rotation_, iQuads.Angle);
    mDXGraphics::TransformTranslation(OffsetTransform_, iQuads.Offset.x, iQuads.Offset.y, iQuads.Offset.z);
    mDXGraphics::TransformTranslation(step, 0, 0, 0);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, step);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, Rotation_);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, OffsetTransform_);
    const auto& m = RotationWorld_.m;

    QuadShape& shape = ReadyShape_;
    shape = {};
    ShapeTiles_ = true;
    const float* vertices = iQuads.Vertices;
    for (uint32_t v = 0; v < QuadVertexCount; ++v) {
        const float* p = vertices + v * QuadVertexFloats;
        // As the vertex transform adds them: the corner's three products first, the
        // translation row last (that last addition is the shader's).
        for (int c = 0; c < 3; ++c) shape.Corner[v][c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c];
        shape.Local[v][0] = p[0];
        shape.Local[v][1] = p[2];
        shape.FarEdge[v][0] = p[0] > 0 ? 1.0f : 0.0f;
        shape.FarEdge[v][1] = p[2] > 0 ? 1.0f : 0.0f;
        ShapeTiles_ = ShapeTiles_ && std::fabs(p[0]) == 0.5f && std::fabs(p[2]) == 0.5f && p[1] == 0;
        // A corner equal to an earlier one is shared, so GL transforms it once.
        shape.Index[v] = static_cast<uint16_t>(v);
        for (uint32_t w = 0; w < v; ++w) {
            if (std::memcmp(vertices + w * QuadVertexFloats, p, sizeof key.Vertex[w]) == 0) {
                shape.Index[v] = shape.Index[w];
                break;
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        shape.AxisX[c] = m[0][c];
        shape.AxisZ[c] = m[2][c];
    }
    shape.CellSize = iQuads.CellSize;
}

void cGLDevice::PrepareCellColors() {
    if (ChannelColorReady_ && std::memcmp(&ChannelMaterial_, &State_.Material, sizeof ChannelMaterial_) == 0) return;
    const D3DCOLORVALUE& e = State_.Material.Emissive;
    const D3DCOLORVALUE& a = State_.Material.Ambient;
    auto byte = [](float x) { return static_cast<uint32_t>(mCore::Clamp01(x) * 255.0f + 0.5f); };
    for (uint32_t value = 0; value < 256; ++value) {
        const D3DCOLORVALUE ambient = mDXGraphics::ColorToValue(value * 0x010101u);
        ChannelColor_[0][value] = byte(e.r + ambient.r * a.r) << 16;
        ChannelColor_[1][value] = byte(e.g + ambient.g * a.g) << 8;
        ChannelColor_[2][value] = byte(e.b + ambient.b * a.b);
    }
    ChannelMaterial_ = State_.Material;
    ChannelColorReady_ = true;
}

void cGLDevice::ReserveQuadArrays(size_t iRuns, size_t iCells) {
    auto reserve = [](auto& array, size_t count, size_t& capacity, size_t more) {
        if (count + more <= capacity) return;
        using Element = std::remove_reference_t<decltype(array[0])>;
        const size_t grown = std::max<size_t>({capacity * 2, count + more, 4096});
        auto bigger = std::make_unique_for_overwrite<Element[]>(grown);
        if (count) std::memcpy(bigger.get(), array.get(), count * sizeof(Element));
        array = std::move(bigger);
        capacity = grown;
    };
    reserve(Runs_, RunCount_, RunCapacity_, iRuns);
    reserve(Cells_, CellCount_, CellCapacity_, iCells);
}

namespace {

// A step of one unit along the quad's x or z edge, as the shader's (x, z) step.
bool UnitEdgeStep(const D3DVECTOR& iStep, float& oX, float& oZ) {
    const bool alongX = std::fabs(iStep.x) == 1.0f && iStep.y == 0 && iStep.z == 0;
    const bool alongZ = std::fabs(iStep.z) == 1.0f && iStep.y == 0 && iStep.x == 0;
    oX = alongX ? iStep.x : 0.0f;
    oZ = alongZ ? iStep.z : 0.0f;
    return alongX || alongZ;
}

// A texture cell's corner in 16-bit fractions of the texture (u low, v high), when it is one.
[[gnu::always_inline]] inline bool PackCorner(float iU, float iV, uint32_t& oCorner) {
    const float u = iU * 65536.0f, v = iV * 65536.0f;  // exact: a power of two
    if (!(u >= 0.0f && u < 65536.0f && v >= 0.0f && v < 65536.0f)) return false;
    const auto wholeU = static_cast<uint32_t>(u), wholeV = static_cast<uint32_t>(v);
    oCorner = wholeU | wholeV << 16;
    return static_cast<float>(wholeU) == u && static_cast<float>(wholeV) == v;
}

// The part of a run's rectangle to draw: across the run, the union of its cells' boxes;
// along it, the first cell's box at the near end and the last cell's at the far end.
struct RunTrim {
    cTextureInk::Box First = cTextureInk::Whole, Last = cTextureInk::Whole;
    uint8_t XLo = 255, XHi = 0, ZLo = 255, ZHi = 0;  // the union; empty so far
    bool Any = false;
    void Add(const cTextureInk::Box& iBox) {
        if (!Any) First = iBox;
        Any = true;
        Last = iBox;
        if (iBox.Empty()) return;
        XLo = std::min(XLo, iBox.XLo), XHi = std::max(XHi, iBox.XHi);
        ZLo = std::min(ZLo, iBox.ZLo), ZHi = std::max(ZHi, iBox.ZHi);
    }
    // oTrim as the vertex shader reads it. A run of cells along x has its ends on x, one
    // along z on z, a single cell both; the step's sign says which end is the first cell's.
    void Write(uint8_t (&oTrim)[4], float iStepX, float iStepZ) const {
        if (!Any) {
            std::memcpy(oTrim, &cTextureInk::Whole, sizeof oTrim);
            return;
        }
        if (XLo > XHi) {  // nothing but black: an empty rectangle
            std::memset(oTrim, 0, sizeof oTrim);
            return;
        }
        uint8_t out[4] = {XLo, XHi, ZLo, ZHi};
        auto endsOn = [&](int axis, float step) {
            const cTextureInk::Box& low = step < 0 ? Last : First;   // the cell at the axis's low end
            const cTextureInk::Box& high = step < 0 ? First : Last;  // and at its high end
            const uint8_t lowLo = axis == 0 ? low.XLo : low.ZLo, highHi = axis == 0 ? high.XHi : high.ZHi;
            out[2 * axis] = low.Empty() ? 0 : lowLo;
            out[2 * axis + 1] = high.Empty() ? 255 : highHi;
        };
        if (iStepX != 0) endsOn(0, iStepX);
        if (iStepZ != 0) endsOn(1, iStepZ);
        std::memcpy(oTrim, out, sizeof oTrim);
    }
};

D3DVECTOR CellPlace(const cQuadStrip& iStrip, uint32_t iCell) {
    const float k = static_cast<float>(iCell);
    return {iStrip.Position.x + k * iStrip.Step.x, iStrip.Position.y + k * iStrip.Step.y,
            iStrip.Position.z + k * iStrip.Step.z};
}

}  // namespace

HRESULT cGLDevice::DrawCheckedQuadInstances(const cQuadInstances& iQuads) {
    if (!QuadPathApplies()) return iDirect3DDevice::DrawCheckedQuadInstances(iQuads);
    size_t cellCount = 0;
    const cQuadStrip* lastStrip = nullptr;  // the last strip with cells
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        cellCount += iQuads.Strips[s].Count;
        if (iQuads.Strips[s].Count) lastStrip = &iQuads.Strips[s];
    }
    if (cellCount == 0) return D3D_OK;

    PrepareQuadShape(iQuads);
    QuadShape shape = ReadyShape_;
    const bool lit = State_.RenderState[D3DRS_LIGHTING] != 0;
    if (lit) PrepareCellColors();
    shape.Alpha = lit ? mCore::Clamp01(State_.Material.Diffuse.a) : 1.0f;
    if (Batch_.Size() > BatchBegin_) CloseBatch();
    if (RunCount_ > RunBegin_ && std::memcmp(&shape, &Shape_, sizeof shape) != 0) CloseBatch();
    Shape_ = shape;
    ReserveQuadArrays(cellCount, cellCount);

    const size_t firstRun = RunCount_, firstCell = CellCount_;
    LastDrawnCell lastDrawn;
    GlyphBoxes glyphs;
    if (cTextureInk* ink = ShapeTiles_ && BlankTexelsAddNothing() ? InkOf(State_.Textures[0]) : nullptr)
        glyphs.Boxes = ink->Boxes(iQuads.CellSize, glyphs.Columns);
    if (!AppendRuns(iQuads, lit, glyphs, lastDrawn)) [[unlikely]] {
        RunCount_ = firstRun;
        CellCount_ = firstCell;
        return iDirect3DDevice::DrawCheckedQuadInstances(iQuads);
    }
    LeaveQuadState(iQuads, *lastStrip, lastDrawn.Strip, lastDrawn.Cell);
    return D3D_OK;
}

// The translation row of identity x translation(iPlace) x rotation x offset: the products
// with the rotation's zeros and ones drop out without changing any value.
D3DVECTOR cGLDevice::ScenePlace(const D3DVECTOR& iPlace, const D3DVECTOR& iOffset) const {
    const auto& r = Rotation_.m;
    return {(iPlace.x * r[0][0] + iPlace.z * r[2][0]) + iOffset.x, iPlace.y + iOffset.y,
            (iPlace.x * r[0][2] + iPlace.z * r[2][2]) + iOffset.z};
}

// A cell's colour as the cell buffer holds it: lit through the material, or white.
uint32_t cGLDevice::CellColor(D3DCOLOR iAmbient, bool iLit) const {
    return iLit ? ChannelColor_[0][ChannelR(iAmbient)] | ChannelColor_[1][ChannelG(iAmbient)] |
                      ChannelColor_[2][ChannelB(iAmbient)]
                : 0xFFFFFFu;
}

// Whether the strip's cells cover enough pixels on screen that drawing each as its own
// quad, cut to its glyph, saves more fragments than the extra quads cost.
bool cGLDevice::CellsAreLarge(const cQuadInstances& iQuads, const cQuadStrip& iStrip) const {
    const auto& v = State_.View.m;
    const auto& p = State_.Projection.m;
    const D3DVECTOR at = ScenePlace(iStrip.Position, iQuads.Offset);
    const float depth = at.x * v[0][2] + at.y * v[1][2] + at.z * v[2][2] + v[3][2];
    if (!(depth > 0)) return false;
    const float scale = static_cast<float>(Params_.BackBufferWidth) * static_cast<float>(Params_.BackBufferHeight) / 4;
    // A cell's area in pixels; from about 12 x 12 on, the software rasteriser is fastest with
    // the cell alone (measured on the 151-column frame: 64 to 144 square pixels best, a
    // fifth below whole runs).
    constexpr float LargeCell = 144;
    return std::fabs(p[0][0] * p[1][1]) * scale / (depth * depth) >= LargeCell;
}

// One run per stretch of drawn cells that tile; false, having changed nothing the draw
// keeps, when a cell's texture corner cannot be packed.
bool cGLDevice::AppendRuns(const cQuadInstances& iQuads, bool iLit, const GlyphBoxes& iGlyphs, LastDrawnCell& oLast) {
    RunInstance* run = Runs_.get() + RunCount_;
    CellTexel* const texels = Cells_.get();
    CellTexel* texel = texels + CellCount_;
    uint32_t blank = 0;  // drawn cells left out whole, black in every read
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        const cQuadStrip& strip = iQuads.Strips[s];
        float stepX, stepZ;
        const bool tiles = UnitEdgeStep(strip.Step, stepX, stepZ) && ShapeTiles_;
        const bool cut = !strip.Part.Whole();
        // A cut cell is a trimmed quad of its own, which needs the unit square's corners.
        if (cut && !ShapeTiles_) [[unlikely]]
            return false;
        if (cut || (tiles && iGlyphs.Boxes && CellsAreLarge(iQuads, strip))) {
            if (!AppendSingleCells(iQuads, strip, iLit, iGlyphs, run, texel, blank, oLast)) [[unlikely]]
                return false;
            continue;
        }
        const cQuadCell* cells = iQuads.Cells + strip.First;
        for (uint32_t k = 0; k < strip.Count;) {
            if (!cells[k].Drawn) {
                ++k;
                continue;
            }
            const D3DVECTOR place = ScenePlace(CellPlace(strip, k), iQuads.Offset);
            run->X = place.x;
            run->Y = place.y;
            run->Z = place.z;
            run->StepX = tiles ? stepX : 0.0f;
            run->StepZ = tiles ? stepZ : 0.0f;
            run->First = static_cast<int32_t>(texel - texels);
            RunTrim trim;
            // A run goes on while the cells are drawn and tile.
            do {
                const cQuadCell& cell = cells[k];
                if (!PackCorner(cell.U, cell.V, texel->Corner)) [[unlikely]]
                    return false;
                texel->Color = CellColor(cell.Ambient, iLit);
                if (iGlyphs.Boxes)
                    trim.Add(cTextureInk::BoxOf(iGlyphs.Boxes, iGlyphs.Columns, texel->Corner & 0xFFFF, texel->Corner >> 16));
                ++texel;
                ++k;
            } while (tiles && k < strip.Count && cells[k].Drawn);
            run->Last = static_cast<int32_t>(texel - texels) - 1;
            trim.Write(run->Trim, run->StepX, run->StepZ);
            ++run;
            oLast = {&strip, k - 1};
        }
    }
    const size_t drawn = static_cast<size_t>(texel - texels) - CellCount_;
    CellCount_ += drawn;
    RunCount_ = static_cast<size_t>(run - Runs_.get());
    Frame_.DeviceDraws += static_cast<uint32_t>(drawn) + blank;
    return true;
}

namespace {

// A cell's part in the 1/255 steps of a trimmed quad, rounded to the nearest step.
cTextureInk::Box PartBox(const cCellPart& iPart) {
    auto step = [](float f) { return static_cast<uint8_t>(f * 255.0f + 0.5f); };
    return {step(iPart.X0), step(iPart.X1), step(iPart.Z0), step(iPart.Z1)};
}

// What two boxes share; empty (as Box::Empty sees it) when they share no area.
cTextureInk::Box Shared(const cTextureInk::Box& a, const cTextureInk::Box& b) {
    const cTextureInk::Box both{std::max(a.XLo, b.XLo), std::min(a.XHi, b.XHi), std::max(a.ZLo, b.ZLo),
                                std::min(a.ZHi, b.ZHi)};
    if (both.XLo >= both.XHi || both.ZLo >= both.ZHi) return {255, 0, 255, 0};
    return both;
}

}  // namespace

// A strip of cells large on screen, or cut to a part: each drawn cell its own quad, cut to
// its part and its glyph's box; a cell whose every read is black is left out whole.
bool cGLDevice::AppendSingleCells(const cQuadInstances& iQuads, const cQuadStrip& iStrip, bool iLit,
                                  const GlyphBoxes& iGlyphs, RunInstance*& ioRun, CellTexel*& ioTexel, uint32_t& ioBlank,
                                  LastDrawnCell& oLast) {
    const cQuadCell* cells = iQuads.Cells + iStrip.First;
    CellTexel* const texels = Cells_.get();
    const cTextureInk::Box part = PartBox(iStrip.Part);
    for (uint32_t k = 0; k < iStrip.Count; ++k) {
        const cQuadCell& cell = cells[k];
        if (!cell.Drawn) continue;
        oLast = {&iStrip, k};
        if (!PackCorner(cell.U, cell.V, ioTexel->Corner)) [[unlikely]]
            return false;
        const cTextureInk::Box glyph =
            iGlyphs.Boxes ? cTextureInk::BoxOf(iGlyphs.Boxes, iGlyphs.Columns, ioTexel->Corner & 0xFFFF, ioTexel->Corner >> 16)
                          : cTextureInk::Whole;
        const cTextureInk::Box box = Shared(part, glyph);
        if (box.Empty()) {
            ++ioBlank;
            continue;
        }
        ioTexel->Color = CellColor(cell.Ambient, iLit);
        const D3DVECTOR place = ScenePlace(CellPlace(iStrip, k), iQuads.Offset);
        RunInstance& run = *ioRun++;
        run.X = place.x;
        run.Y = place.y;
        run.Z = place.z;
        run.StepX = run.StepZ = 0;
        run.First = run.Last = static_cast<int32_t>(ioTexel - texels);
        std::memcpy(run.Trim, &box, sizeof run.Trim);
        ++ioTexel;
    }
    return true;
}

// Leaves the state the call sequence leaves: the last cell's texture cell in the buffer and
// its colour, the last drawn cell's world transform and the stream.
void cGLDevice::LeaveQuadState(const cQuadInstances& iQuads, const cQuadStrip& iLastStrip,
                               const cQuadStrip* iLastDrawnStrip, uint32_t iLastDrawnCell) {
    const cQuadCell& last = iQuads.Cells[iLastStrip.First + iLastStrip.Count - 1];
    WriteQuadCell(iQuads.Vertices, last.U, last.V, iQuads.CellSize);
    if (iLastStrip.Part.Whole()) {
        std::memcpy(iQuads.Buffer->Bytes.data(), iQuads.Vertices, QuadVertexBytes);
    } else {
        float cut[QuadVertexCount * QuadVertexFloats];
        CutQuadToPart(iQuads.Vertices, iLastStrip.Part, cut);
        std::memcpy(iQuads.Buffer->Bytes.data(), cut, QuadVertexBytes);
    }
    State_.RenderState[D3DRS_AMBIENT] = last.Ambient;
    if (!iLastDrawnStrip) return;
    // identity x translation x rotation x offset: rows 0 to 2 are the shape's; the
    // translation row is the identity's last row carried through the same products.
    const D3DVECTOR place = CellPlace(*iLastDrawnStrip, iLastDrawnCell);
    D3DMATRIX step;
    mDXGraphics::TransformTranslation(step, place.x, place.y, place.z);
    State_.World = RotationWorld_;
    float(&row)[4] = State_.World.m[3];
    row[0] = row[1] = row[2] = 0;
    row[3] = 1;
    mDXGraphics::TransformRow(row, step);
    mDXGraphics::TransformRow(row, Rotation_);
    mDXGraphics::TransformRow(row, OffsetTransform_);
    State_.Stream = iQuads.Buffer;
    State_.Stride = QuadVertexStride;
}

