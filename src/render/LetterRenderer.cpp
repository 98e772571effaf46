#include "render/LetterRenderer.h"

#include <cmath>

#include "core/ErrorReport.h"
#include "core/Numeric.h"
#include "device/cDevice.h"
#include "device/mDXGraphics.h"
#include "rain/cRain.h"
#include "render/cCamera.h"

using mCore::Floor;

// The names the error report gives the two passes: the main window's, where they have always
// lived, and what a user reads in a report.
namespace ProcName {
constexpr char RenderLetters[] = "frmMain.RenderLetters";
constexpr char RenderLeaders[] = "frmMain.RenderLeaders";
}  // namespace ProcName

namespace {

constexpr float CellSize = 1.0f / 16;
// The leader's glow: the 4 x 4 cells in the atlas's bottom-left corner.
constexpr float LeaderU = 0, LeaderV = 0.75f, LeaderSize = 0.25f;

using mDXGraphics::Check;

D3DMATERIAL8 WhiteMaterial() {
    D3DMATERIAL8 material;
    material.Diffuse = {1, 1, 1, 0};
    material.Ambient = {1, 1, 1, 0};
    return material;
}

D3DCOLOR Grey(float c) { return mDXGraphics::ColorFromFloats(c, c, c, 1); }
D3DCOLOR Scaled(const mRain::Color& color, float c) {
    return mDXGraphics::ColorFromFloats(c * color.r, c * color.g, c * color.b, 1);
}

// iShare of the way from iFrom to iTo.
mRain::Color Mix(const mRain::Color& iFrom, const mRain::Color& iTo, float iShare) {
    return {iFrom.r + (iTo.r - iFrom.r) * iShare, iFrom.g + (iTo.g - iFrom.g) * iShare,
            iFrom.b + (iTo.b - iFrom.b) * iShare, 1};
}

// The gradient's head colour, or none where the scheme has no gradient.
const mRain::Color* GradientHead(const cRain& iRain) {
    const mRain::ColorScheme& scheme = iRain.ColorScheme();
    return scheme.Mode == mRain::ColorMode::Gradient ? &scheme.Head : nullptr;
}

// Groups just beyond the viewing distance are drawn at half brightness, back to full 6 cells farther.
double DepthDimming(float depthFromView) {
    double dim = depthFromView < 0 ? (-static_cast<double>(depthFromView) / 6) * 0.5 + 0.5 : 1;
    if (dim < 0) dim = 0;
    if (dim > 1) dim = 1;
    return dim;
}

}  // namespace

namespace {

// sin and cos of i pi/32, i = 0..63: the first quadrant's sixteen from the library, the
// rest by the quadrant symmetries (exact sign and place swaps).
struct SinCosTable {
    double Sin[64], Cos[64];
    SinCosTable() {
        constexpr double Step = 3.14159265358979323846 / 32;
        for (int i = 0; i < 64; ++i) {
            const double a = (i % 16) * Step, s = std::sin(a), c = std::cos(a);
            const double sinOf[4] = {s, c, -s, -c}, cosOf[4] = {c, -s, -c, s};
            Sin[i] = sinOf[i / 16];
            Cos[i] = cosOf[i / 16];
        }
    }
};
const SinCosTable Table;

// sin(x) and cos(x) for |x| < 65536, each within a few units in the last place of a double,
// with no branch on x: x = k pi/32 + d with |d| <= pi/64 (k pi/32 in two parts, the first
// exact for such k), the table's values at k pi/32 and short series for d.
inline void NearSinCos(double x, double& oSin, double& oCos) {
    constexpr double InvStep = 10.185916357881301489;               // 32 / pi
    constexpr double StepHigh = 1.57079632673412561417e+00 / 16;    // pi/32: its first 33 bits
    constexpr double StepLow = 6.07710050650619224932e-11 / 16;     // and the rest
    // Any whole k near x / (pi/32) will do; truncation is one instruction, nearbyint a call.
    const int64_t k = static_cast<int64_t>(x * InvStep + (x < 0 ? -0.5 : 0.5));
    const double kd = static_cast<double>(k);
    const double d = (x - kd * StepHigh) - kd * StepLow;
    const double z = d * d;
    const double sinD = d + d * z * (-1.0 / 6 + z * (1.0 / 120 + z * (-1.0 / 5040)));
    const double cosD = 1.0 - 0.5 * z + z * z * (1.0 / 24 + z * (-1.0 / 720 + z * (1.0 / 40320)));
    const size_t i = static_cast<size_t>(k & 63);
    oSin = Table.Sin[i] * cosD + Table.Cos[i] * sinD;
    oCos = Table.Cos[i] * cosD - Table.Sin[i] * sinD;
}

float ExactFlicker(double p) { return mCore::Clamp01(static_cast<float>((std::sin(2 * p) * std::sin(p) + 0.5) * 1.2 + 0.2)); }

}  // namespace

float LetterFlicker(float phase) {
    // The flicker is computed in double and kept as a float. Two library sines per letter
    // would be most of the cost of a frame's letters, so a close sine and cosine come first:
    // their error (a few units in the last place of a double: below 1e-14 in the result,
    // with a wide margin) is far below the float's rounding step, and where the float could
    // still round either way the library's sines decide, so the result is always the
    // library's. Nothing on the common path branches on the phase: the flicker's values are
    // random, and a guessed branch would be guessed wrong a third of the time.
    const double p = phase;
    if (!(std::fabs(p) < 65536.0)) [[unlikely]]
        return ExactFlicker(p);
    double sinP, cosP;
    NearSinCos(p, sinP, cosP);
    const double near = ((2 * sinP * cosP) * sinP + 0.5) * 1.2 + 0.2;  // sin 2p = 2 sin p cos p
    constexpr double Margin = 1e-14;
    const float low = mCore::Clamp01(static_cast<float>(near - Margin));
    const float high = mCore::Clamp01(static_cast<float>(near + Margin));
    if (low != high) [[unlikely]]
        return ExactFlicker(p);
    return low;
}

cLetterRenderer::FadeStep cLetterRenderer::Fade(double j, int32_t n) {
    if (j > n * 0.75) return {FadeStep::Out, (j - n * 0.75) / (n * 0.25)};  // the trail fades out over its last quarter
    if (j > n * 0.25) return {FadeStep::Full, 0};
    return {FadeStep::In, j / (n * 0.25)};  // the first quarter, head included
}

float cLetterRenderer::Brightness(const FadeStep& iFade, float f, bool leader, double dim, float alpha) {
    double a;
    switch (iFade.Kind) {
        case FadeStep::Out: a = (1 - iFade.Quotient) * f; break;
        case FadeStep::Full: a = f; break;
        default:
            // Bright right behind a leader, easing down to the flicker; without one, fading in from nothing.
            a = leader ? (1 - iFade.Quotient) * (1 - f) + f : iFade.Quotient * f;
            break;
    }
    return static_cast<float>(a * dim * alpha);
}

const cLetterRenderer::FadeStep* cLetterRenderer::FadeFor(int32_t n) {
    // Columns have a handful of lengths; each length's quotients are worked out once.
    const size_t length = static_cast<size_t>(n) + 1;
    if (FadeByLength_.size() <= length) FadeByLength_.resize(length + 1);
    std::vector<FadeStep>& steps = FadeByLength_[length];
    if (steps.empty()) {
        steps.resize(length);
        for (int32_t j = 0; j <= n; ++j) steps[static_cast<size_t>(j)] = Fade(j, n);
    }
    return steps.data();
}

const float* cLetterRenderer::HeadSharesFor(int32_t n) {
    const size_t length = static_cast<size_t>(n) + 1;
    if (HeadShareByLength_.size() <= length) HeadShareByLength_.resize(length + 1);
    std::vector<float>& shares = HeadShareByLength_[length];
    if (shares.empty()) {
        shares.resize(length);
        for (int32_t j = 0; j <= n; ++j) shares[static_cast<size_t>(j)] = mRain::HeadShare(j, n);
    }
    return shares.data();
}

float LetterBrightness(int32_t j, int32_t n, float phase, bool leader, float alpha, float depthFromView) {
    return cLetterRenderer::Brightness(cLetterRenderer::Fade(j, n), LetterFlicker(phase), leader,
                                       DepthDimming(depthFromView), alpha);
}

void cLetterRenderer::CreateBuffer(cDevice& iDevice) {
    Check(iDevice.Device->CreateVertexBuffer(sizeof QuadVertices, 0, D3DFVF_QUADVERTEX, D3DPOOL_DEFAULT, QuadBuffer));
}

void cLetterRenderer::WriteQuadCorners() {
    static constexpr float Corners[6][2] = {{-0.5f, -0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f},
                                            {-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
    for (int v = 0; v < 6; ++v) {
        QuadVertices[v].x = Corners[v][0];
        QuadVertices[v].z = Corners[v][1];
        QuadVertices[v].nx = 0;
        QuadVertices[v].ny = -1;
        QuadVertices[v].nz = 0;
    }
}

void cLetterRenderer::WriteCell(float iU, float iV, float iSize) { WriteQuadCell(&QuadVertices[0].x, iU, iV, iSize); }

void cLetterRenderer::UploadQuad() {
    Check(mDXGraphics::VertexBufferSetData(*QuadBuffer, 0, sizeof QuadVertices, 0, QuadVertices));
}

cQuadInstances cLetterRenderer::NewQuads(float iCellSize, const SceneTransform& iScene) {
    cQuadInstances quads;
    quads.Buffer = QuadBuffer.get();
    quads.Vertices = &QuadVertices[0].x;
    quads.CellSize = iCellSize;
    quads.Angle = iScene.Angle;
    quads.Offset = iScene.Offset;
    return quads;
}

namespace {

// Letter j lies j whole cells behind the head along the group's axis (the head itself on
// the floor of its place), on the floor of its place across it.
[[gnu::always_inline]] inline cQuadStrip ColumnStrip(const mRain::Group& group) {
    const float head = static_cast<float>(Floor(group.Vertical ? group.Z : group.X));
    const float across = static_cast<float>(Floor(group.Vertical ? group.X : group.Z));
    cQuadStrip column;
    column.Position = group.Vertical ? D3DVECTOR{across, group.Y, head} : D3DVECTOR{head, group.Y, across};
    column.Step = group.Vertical ? D3DVECTOR{0, 0, -1} : D3DVECTOR{-1, 0, 0};
    column.Count = static_cast<uint32_t>(group.LetterMax) + 1;
    return column;
}

// True when every line of sight of the view runs toward more negative Y: the rain's order
// (farthest first) then meets each line of sight far to near. The lines of sight are
// z + a x + b y in the view's axes with |a| and |b| up to the projection's half extents, and
// the scene's own turn is about Y, so it changes no Y.
bool FarthestFirstOnEveryLine(const mRender::Transform& iView, const D3DMATRIX& iProjection) {
    const double halfWidth = 1.0 / iProjection.m[0][0], halfHeight = 1.0 / iProjection.m[1][1];
    const double steepest = iView.m[1][2] + halfWidth * std::fabs(iView.m[1][0]) + halfHeight * std::fabs(iView.m[1][1]);
    return steepest < -1e-3;
}

// The eye in the scene's own coordinates: the view's translation taken back through its axes,
// then the scene's offset and turn undone.
D3DVECTOR SceneEye(const mRender::Transform& iView, const SceneTransform& iScene) {
    const auto& m = iView.m;
    float row[4] = {0, 0, 0, 1};
    for (int axis = 0; axis < 3; ++axis)
        for (int c = 0; c < 3; ++c) row[c] -= m[3][axis] * m[c][axis];
    row[0] -= iScene.Offset.x;
    row[1] -= iScene.Offset.y;
    row[2] -= iScene.Offset.z;
    D3DMATRIX unturn;
    mDXGraphics::TransformRotationY(unturn, -iScene.Angle);
    mDXGraphics::TransformRow(row, unturn);
    return {row[0], row[1], row[2]};
}

}  // namespace

// Each letter's texture cell, colour and whether it shows, into Cells_. Inline: once per
// group in the frame's busiest loop.
template <bool Gradient, class FadeOf>
[[gnu::always_inline]] inline void cLetterRenderer::FillColumnCells(const mRain::Group& group, const mRain::Color& color,
                                                                    const mRain::Color* head, double dim, FadeOf fadeOf) {
    const float* headShare = Gradient ? HeadSharesFor(group.LetterMax) : nullptr;
    const int32_t n = group.LetterMax;
    if (Cells_.size() < static_cast<size_t>(n) + 1) Cells_.resize(static_cast<size_t>(n) + 1);
    if (Flicker_.size() < static_cast<size_t>(n) + 1) Flicker_.resize(static_cast<size_t>(n) + 1);
    // The flickers first, in a loop of their own: each is a chain of dependent arithmetic,
    // and with nothing else in the loop the processor overlaps letters.
    const mRain::Letter* letters = group.Letters.data();
    float* flicker = Flicker_.data();
    for (int32_t j = 0; j <= n; ++j) flicker[j] = LetterFlicker(letters[j].Phase);
    cQuadCell* cells = Cells_.data();
    for (int32_t j = 0; j <= n; ++j) {
        const mRain::Letter& letter = letters[j];
        cQuadCell& out = cells[j];
        out.U = CellSize * letter.Col;
        out.V = CellSize * letter.Row;
        const float a = Brightness(fadeOf(j), flicker[j], group.Leader, dim, group.Alpha);
        if (Gradient && headShare[j] > 0) {
            // The head colour's share falls along the trail (to nothing halfway).
            const mRain::Color mixed = Mix(color, *head, headShare[j]);
            out.Ambient = mDXGraphics::ColorFromFloats(a * mixed.r, a * mixed.g, a * mixed.b, 1);
        } else {
            out.Ambient = mDXGraphics::ColorFromFloats(a * color.r, a * color.g, a * color.b, 1);
        }
        out.Drawn = a > 0;
    }
    if (group.Leader) {
        // A leader's head is grey-white (or the gradient's head colour) at the group's fade,
        // never dimmed or flickering.
        const float c = group.Arrived ? group.WordAlpha : group.Alpha;
        cells[0].Ambient = head ? Scaled(*head, c) : Grey(c);
        cells[0].Drawn = true;
    }
}

template <bool Between>
void cLetterRenderer::DrawColumns(iDirect3DDevice& device, const cRain& iRain, float cameraY, const SceneTransform& iScene,
                                  bool farToNear, float iBetween) {
    const mRain::Color shown = Between ? iRain.ShownColor(iBetween) : iRain.LetterColor;
    const bool perColumn = iRain.ColorScheme().PerColumn();
    const mRain::Color* head = GradientHead(iRain);
    cQuadInstances quads = NewQuads(CellSize, iScene);
    cQuadStrip column;
    quads.Strips = &column;
    quads.StripCount = 1;
    const int32_t groupMax = iRain.GroupMax();
    for (int32_t i = 0; i <= groupMax; ++i) {
        const mRain::Group& group = iRain.Groups[i];
        if (i + 2 <= groupMax) mRain::PrefetchLetters(iRain.Groups[i + 2]);
        if (!group.Active) continue;
        Check(device.SetRenderState(D3DRS_ZBIAS, 0));  // the leaders leave a bias of 1
        // The depth dimming is the group's; the fade's quotients are the column length's.
        const float depthFromView = static_cast<float>(static_cast<double>(group.Y) + iRain.Distance - cameraY);
        const double dim = DepthDimming(depthFromView);
        const FadeStep* fade = FadeFor(group.LetterMax);
        // Between two steps a moving column's letters stand that part of its next step
        // farther from its head, still in their cells.
        const double moved = Between ? iBetween * static_cast<double>(mRain::HeadCellsAtNextStep(group)) : 0;
        const mRain::Color& color = perColumn ? group.Tint : shown;
        const auto fadeBetween = [&](int32_t j) { return Fade(j + moved, group.LetterMax); };
        const auto fadeAtStep = [fade](int32_t j) -> const FadeStep& { return fade[j]; };
        if (Between && moved != 0) {
            if (head) FillColumnCells<true>(group, color, head, dim, fadeBetween);
            else FillColumnCells<false>(group, color, head, dim, fadeBetween);
        } else {
            if (head) FillColumnCells<true>(group, color, head, dim, fadeAtStep);
            else FillColumnCells<false>(group, color, head, dim, fadeAtStep);
        }
        column = ColumnStrip(group);
        quads.Cells = Cells_.data();
        quads.CellCount = column.Count;
        Check(device.DrawQuadInstances(quads));
        if (farToNear) Glows_.AddColumn(group, column, Cells_.data());
    }
}

void cLetterRenderer::RenderLetters(cDevice& iDevice, const cRain& iRain, const cCamera& iCamera,
                                    const SceneTransform& iScene, float iBetween) {
    mCore::Guarded(ProcName::RenderLetters, [&] {
        iDirect3DDevice& device = *iDevice.Device;
        Check(device.SetVertexShader(D3DFVF_QUADVERTEX));
        Check(device.SetRenderState(D3DRS_AMBIENT, Grey(1)));
        Check(device.SetMaterial(WhiteMaterial()));
        WriteQuadCorners();
        const float cameraY = iCamera.GetY();
        const mRender::Transform view = iCamera.GetProjection();
        const bool farToNear = !DepthTestEveryLetter && FarthestFirstOnEveryLine(view, iDevice.Projection()) &&
                               Glows_.Begin(iRain, SceneEye(view, iScene), iBetween);
        GlowsCut_ = farToNear;
        Check(device.SetRenderState(D3DRS_ZENABLE, farToNear ? D3DZB_FALSE : D3DZB_TRUE));
        // Chosen once a frame: the frames at a step take the plain loop.
        if (iBetween == 0) DrawColumns<false>(device, iRain, cameraY, iScene, farToNear, 0);
        else DrawColumns<true>(device, iRain, cameraY, iScene, farToNear, iBetween);
        iDevice.SetTexture(0, 0);
    });
}

// A glow's part over the group's head letter, showing cell iCell (the glow's, in its colour).
void cLetterRenderer::AddLeader(const mRain::Group& iGroup, const cCellPart& iPart, uint32_t iCell, float iBetween,
                                const mRain::Color* iHead) {
    cQuadStrip& leader = Leaders_.emplace_back();
    leader.Position = GlowPlace(iGroup, iBetween);
    leader.First = iCell;
    leader.Count = 1;
    leader.Part = iPart;
    if (Cells_.size() <= iCell) Cells_.resize(iCell + 1);
    Cells_[iCell] = {LeaderU, LeaderV, iHead ? Scaled(*iHead, iGroup.Alpha) : Grey(iGroup.Alpha), 1};
}

void cLetterRenderer::RenderLeaders(cDevice& iDevice, const cRain& iRain, const SceneTransform& iScene, float iBetween) {
    mCore::Guarded(ProcName::RenderLeaders, [&] {
        iDirect3DDevice& device = *iDevice.Device;
        Check(device.SetVertexShader(D3DFVF_QUADVERTEX));
        // The only place lighting is switched on; the letters of later frames rely on it.
        Check(device.SetRenderState(D3DRS_LIGHTING, 1));
        // The glow lies exactly on the head letter: the bias lifts it over that letter.
        Check(device.SetRenderState(D3DRS_ZBIAS, 1));
        Check(device.SetMaterial(WhiteMaterial()));
        WriteCell(LeaderU, LeaderV, LeaderSize);
        UploadQuad();
        // Every leader is the glow's quad over its head letter's cell, in the group order: one
        // instance of one cell each, all with the glow's cell. Cut glows are an instance per
        // part left, without the depth test.
        Check(device.SetRenderState(D3DRS_ZENABLE, GlowsCut_ ? D3DZB_FALSE : D3DZB_TRUE));
        Leaders_.clear();
        uint32_t count = 0;
        const mRain::Color* head = GradientHead(iRain);
        if (GlowsCut_) {
            for (size_t g = 0; g < Glows_.Count(); ++g) {
                const std::vector<cCellPart>& parts = Glows_.Parts(g);
                if (parts.empty()) continue;  // hidden whole
                for (const cCellPart& part : parts) AddLeader(iRain.Groups[Glows_.GroupOf(g)], part, count, iBetween, head);
                ++count;
            }
        } else {
            for (int32_t i = 0; i <= iRain.GroupMax(); ++i) {
                const mRain::Group& group = iRain.Groups[i];
                if (group.Active && group.Leader && !group.Arrived) AddLeader(group, {}, count++, iBetween, head);
            }
        }
        cQuadInstances leaders = NewQuads(LeaderSize, iScene);
        leaders.Strips = Leaders_.data();
        leaders.StripCount = static_cast<uint32_t>(Leaders_.size());
        leaders.Cells = Cells_.data();
        leaders.CellCount = count;
        Check(device.DrawQuadInstances(leaders));
        iDevice.SetTexture(0, 0);
    });
}
