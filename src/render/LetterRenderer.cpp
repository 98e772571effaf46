#include "render/LetterRenderer.h"

#include <cmath>
#include <limits>

#include "core/ErrorReport.h"
#include "device/cDevice.h"
#include "device/mDXGraphics.h"
#include "rain/cRain.h"
#include "render/cCamera.h"

namespace {

constexpr float CellSize = 1.0f / 16;
// The leader's glow: the 4 x 4 cells in the atlas's bottom-left corner.
constexpr float LeaderU = 0, LeaderV = 0.75f, LeaderSize = 0.25f;

void Check(HRESULT hr) {
    if (Failed(hr)) throw mCore::Failure(mDXGraphics::ErrorText(hr));
}

D3DMATERIAL8 WhiteMaterial() {
    D3DMATERIAL8 material;
    material.Diffuse = {1, 1, 1, 0};
    material.Ambient = {1, 1, 1, 0};
    return material;
}

D3DCOLOR Grey(float c) { return mDXGraphics::ColorFromFloats(c, c, c, 1); }

// floor for the rain's coordinates, without the library call a plain build makes for it.
double Floor(double x) {
    if (!(std::fabs(x) < 4.0e15)) return std::floor(x);
    const double t = static_cast<double>(static_cast<int64_t>(x));
    return t > x ? t - 1 : (t == 0 ? std::copysign(0.0, x) : t);
}

}  // namespace

namespace {

// sin(x) and cos(x) for |x| below about a million, each within an ulp or two of the exact
// value: reduction by pi/2 in two parts (the first exact for the quadrants used here) and
// the classic minimax polynomials on [-pi/4, pi/4]. False where x is out of that range.
bool NearSinCos(double x, double& oSin, double& oCos) {
    if (!(std::fabs(x) < 1.0e6)) return false;
    constexpr double InvPio2 = 6.36619772367581382433e-01;
    constexpr double Pio2High = 1.57079632673412561417e+00;  // the first 33 bits of pi/2
    constexpr double Pio2Low = 6.07710050650619224932e-11;   // the rest
    // Any whole k near x / (pi/2) will do; truncation is one instruction, nearbyint a call.
    const int64_t quadrant = static_cast<int64_t>(x * InvPio2 + (x < 0 ? -0.5 : 0.5));
    const double k = static_cast<double>(quadrant);
    const double r = (x - k * Pio2High) - k * Pio2Low;
    const double z = r * r;
    constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                     S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                     S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
    const double sinPoly = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
    const double s = r + z * r * (S1 + z * sinPoly);
    constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                     C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                     C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
    const double cosPoly = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
    const double half = 0.5 * z, w = 1.0 - half;
    const double c = w + (((1.0 - w) - half) + z * cosPoly);
    switch (quadrant & 3) {
        case 0: oSin = s, oCos = c; break;
        case 1: oSin = c, oCos = -s; break;
        case 2: oSin = -s, oCos = -c; break;
        default: oSin = -c, oCos = s; break;
    }
    return true;
}

float ExactFlicker(double p) {
    float f = static_cast<float>((std::sin(2 * p) * std::sin(p) + 0.5) * 1.2 + 0.2);
    if (f > 1) f = 1;
    if (f < 0) f = 0;
    return f;
}

}  // namespace

float LetterFlicker(float phase) {
    // The flicker is computed in double and kept as a float. Two library sines per letter are
    // most of the cost of a frame's letters, so a close sine and cosine come first: their
    // error (a few units in the last place of a double; 1e-14 here, with a wide margin) is far
    // below the float's rounding step, and where the float could still round either way the
    // library's sines decide, so the result is always the library's.
    const double p = phase;
    double sinP, cosP;
    if (!NearSinCos(p, sinP, cosP)) return ExactFlicker(p);
    const double near = ((2 * sinP * cosP) * sinP + 0.5) * 1.2 + 0.2;  // sin 2p = 2 sin p cos p
    constexpr double Margin = 1e-14;
    if (near - Margin > 1) return 1;
    if (near + Margin < -1e-30) return 0;
    const float low = static_cast<float>(near - Margin), high = static_cast<float>(near + Margin);
    if (low == high) return low > 1 ? 1 : (low < 0 ? 0 : low);
    return ExactFlicker(p);
}

cLetterRenderer::FadeStep cLetterRenderer::Fade(int32_t j, int32_t n) {
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

float LetterBrightness(int32_t j, int32_t n, float phase, bool leader, float alpha, float depthFromView) {
    // Groups just beyond the viewing distance are drawn at half brightness, back to full 6 cells farther.
    double dim = depthFromView < 0 ? (-static_cast<double>(depthFromView) / 6) * 0.5 + 0.5 : 1;
    if (dim < 0) dim = 0;
    if (dim > 1) dim = 1;
    return cLetterRenderer::Brightness(cLetterRenderer::Fade(j, n), LetterFlicker(phase), leader, dim, alpha);
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

void cLetterRenderer::WriteCell(float iU, float iV, float iSize) { WriteLetterCell(&QuadVertices[0].x, iU, iV, iSize); }

void cLetterRenderer::UploadQuad() {
    Check(mDXGraphics::VertexBufferSetData(*QuadBuffer, 0, sizeof QuadVertices, 0, QuadVertices));
}

cLetterColumn cLetterRenderer::NewColumn(float iCellSize, const SceneTransform& iScene) {
    cLetterColumn column;
    column.Buffer = QuadBuffer.get();
    column.Vertices = &QuadVertices[0].x;
    column.CellSize = iCellSize;
    column.SceneAngle = iScene.Angle;
    column.SceneOffset = iScene.Offset;
    return column;
}

void cLetterRenderer::RenderLetters(cDevice& iDevice, const cRain& iRain, const cCamera& iCamera,
                                    const SceneTransform& iScene) {
    mCore::Guarded("frmMain.RenderLetters", [&] {
        iDirect3DDevice& device = *iDevice.Device;
        Check(device.SetVertexShader(D3DFVF_QUADVERTEX));
        Check(device.SetRenderState(D3DRS_AMBIENT, Grey(1)));
        Check(device.SetMaterial(WhiteMaterial()));
        WriteQuadCorners();
        const mRain::Color& color = iRain.LetterColor;
        const float cameraY = iCamera.GetY();
        cLetterColumn column = NewColumn(CellSize, iScene);
        const int32_t groupMax = iRain.GroupMax;
        for (int32_t i = 0; i <= groupMax; ++i) {
            const mRain::Group& group = iRain.Groups[i];
            if (!group.Active) continue;
            Check(device.SetRenderState(D3DRS_ZBIAS, 0));  // the leaders leave a bias of 1
            const int32_t n = group.LetterMax;
            if (Column_.size() < static_cast<size_t>(n) + 1) Column_.resize(static_cast<size_t>(n) + 1);
            const float depthFromView = static_cast<float>(static_cast<double>(group.Y) + iRain.Distance - cameraY);
            // The depth dimming is the group's; the fade's quotients are the column length's.
            double dim = depthFromView < 0 ? (-static_cast<double>(depthFromView) / 6) * 0.5 + 0.5 : 1;
            if (dim < 0) dim = 0;
            if (dim > 1) dim = 1;
            const FadeStep* fade = FadeFor(n);
            // The cell of letter j lies j cells behind the head along the group's axis.
            const double head = group.Vertical ? group.Z : group.X;
            const float across = static_cast<float>(Floor(group.Vertical ? group.X : group.Z));
            for (int32_t j = 0; j <= n; ++j) {
                const mRain::Letter& letter = group.Letters[j];
                cColumnLetter& out = Column_[static_cast<size_t>(j)];
                out.U = CellSize * letter.Col;
                out.V = CellSize * letter.Row;
                if (group.Leader && j == 0) {
                    // A leader's head is grey-white at the group's fade, never dimmed or flickering.
                    out.Ambient = Grey(group.Arrived ? group.WordAlpha : group.Alpha);
                    out.Drawn = true;
                } else {
                    const float a = Brightness(fade[j], LetterFlicker(letter.Phase), group.Leader, dim, group.Alpha);
                    out.Ambient = mDXGraphics::ColorFromFloats(a * color.r, a * color.g, a * color.b, 1);
                    out.Drawn = a > 0;
                }
                const float along = static_cast<float>(Floor(head - j));
                out.X = group.Vertical ? across : along;
                out.Y = group.Y;
                out.Z = group.Vertical ? along : across;
            }
            column.Letters = Column_.data();
            column.Count = static_cast<uint32_t>(n) + 1;
            Check(device.DrawLetterColumn(column));
        }
        iDevice.SetTexture(0, 0);
    });
}

void cLetterRenderer::RenderLeaders(cDevice& iDevice, const cRain& iRain, const SceneTransform& iScene) {
    mCore::Guarded("frmMain.RenderLeaders", [&] {
        iDirect3DDevice& device = *iDevice.Device;
        Check(device.SetVertexShader(D3DFVF_QUADVERTEX));
        // The only place lighting is switched on; the letters of later frames rely on it.
        Check(device.SetRenderState(D3DRS_LIGHTING, 1));
        // The glow lies exactly on the head letter: the bias lifts it over that letter.
        Check(device.SetRenderState(D3DRS_ZBIAS, 1));
        Check(device.SetMaterial(WhiteMaterial()));
        WriteCell(LeaderU, LeaderV, LeaderSize);
        UploadQuad();
        // Every leader is the glow's quad over its head letter's cell, in the group order:
        // one run of quads for the device, all with the glow's cell.
        const int32_t groupMax = iRain.GroupMax;
        if (Column_.size() < static_cast<size_t>(groupMax) + 1) Column_.resize(static_cast<size_t>(groupMax) + 1);
        uint32_t count = 0;
        for (int32_t i = 0; i <= groupMax; ++i) {
            const mRain::Group& group = iRain.Groups[i];
            if (!group.Active || !group.Leader || group.Arrived) continue;
            cColumnLetter& leader = Column_[count++];
            leader.X = static_cast<float>(Floor(group.X));
            leader.Y = group.Y;
            leader.Z = static_cast<float>(Floor(group.Z));
            leader.U = LeaderU;
            leader.V = LeaderV;
            leader.Ambient = Grey(group.Alpha);
            leader.Drawn = true;
        }
        cLetterColumn leaders = NewColumn(LeaderSize, iScene);
        leaders.Letters = Column_.data();
        leaders.Count = count;
        Check(device.DrawLetterColumn(leaders));
        iDevice.SetTexture(0, 0);
    });
}
