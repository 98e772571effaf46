#include "render/LetterRenderer.h"

#include <cmath>

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

}  // namespace

float LetterBrightness(int32_t j, int32_t n, float phase, bool leader, float alpha, float depthFromView) {
    // Groups just beyond the viewing distance are drawn at half brightness, back to full 6 cells farther.
    double dim = depthFromView < 0 ? (-static_cast<double>(depthFromView) / 6) * 0.5 + 0.5 : 1;
    const double p = phase;
    float f = static_cast<float>((std::sin(2 * p) * std::sin(p) + 0.5) * 1.2 + 0.2);
    if (f > 1) f = 1;
    if (f < 0) f = 0;
    double a;
    if (j > n * 0.75) {
        a = (1 - (j - n * 0.75) / (n * 0.25)) * f;  // the trail fades out over its last quarter
    } else if (j > n * 0.25) {
        a = f;
    } else if (leader) {
        a = (1 - j / (n * 0.25)) * (1 - f) + f;  // bright right behind the leader
    } else {
        a = (j / (n * 0.25)) * f;  // fades in from nothing at the head
    }
    if (dim < 0) dim = 0;
    if (dim > 1) dim = 1;
    return static_cast<float>(a * dim * alpha);
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

void cLetterRenderer::SetWorld(iDirect3DDevice& iDevice, float iX, float iY, float iZ, const SceneTransform& iScene) {
    WorldTransform = mDXGraphics::IdentityTransform;
    mDXGraphics::TransformTranslation(StepTransform, iX, iY, iZ);
    mDXGraphics::TransformMultiply(WorldTransform, WorldTransform, StepTransform);
    mDXGraphics::TransformRotationY(StepTransform, iScene.Angle);
    mDXGraphics::TransformMultiply(WorldTransform, WorldTransform, StepTransform);
    mDXGraphics::TransformTranslation(StepTransform, iScene.Offset.x, iScene.Offset.y, iScene.Offset.z);
    mDXGraphics::TransformMultiply(WorldTransform, WorldTransform, StepTransform);
    Check(iDevice.SetTransform(D3DTS_WORLD, WorldTransform));
}

void cLetterRenderer::DrawQuad(iDirect3DDevice& iDevice) {
    Check(iDevice.SetStreamSource(0, QuadBuffer.get(), sizeof(QuadVertex)));
    Check(iDevice.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
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
        cLetterColumn column;
        column.Buffer = QuadBuffer.get();
        column.Vertices = &QuadVertices[0].x;
        column.CellSize = CellSize;
        column.SceneAngle = iScene.Angle;
        column.SceneOffset = iScene.Offset;
        const int32_t groupMax = iRain.GroupMax;
        for (int32_t i = 0; i <= groupMax; ++i) {
            const mRain::Group& group = iRain.Groups[i];
            if (!group.Active) continue;
            Check(device.SetRenderState(D3DRS_ZBIAS, 0));  // the leaders leave a bias of 1
            const int32_t n = group.LetterMax;
            if (Column_.size() < static_cast<size_t>(n) + 1) Column_.resize(static_cast<size_t>(n) + 1);
            const float depthFromView = static_cast<float>(static_cast<double>(group.Y) + iRain.Distance - cameraY);
            // The cell of letter j lies j cells behind the head along the group's axis.
            const double head = group.Vertical ? group.Z : group.X;
            const float across = static_cast<float>(std::floor(group.Vertical ? group.X : group.Z));
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
                    const float a = LetterBrightness(j, n, letter.Phase, group.Leader, group.Alpha, depthFromView);
                    out.Ambient = mDXGraphics::ColorFromFloats(a * color.r, a * color.g, a * color.b, 1);
                    out.Drawn = a > 0;
                }
                const float along = static_cast<float>(std::floor(head - j));
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
        const int32_t groupMax = iRain.GroupMax;
        for (int32_t i = 0; i <= groupMax; ++i) {
            const mRain::Group& group = iRain.Groups[i];
            if (!group.Active || !group.Leader || group.Arrived) continue;
            Check(device.SetRenderState(D3DRS_AMBIENT, Grey(group.Alpha)));
            SetWorld(device, static_cast<float>(std::floor(group.X)), group.Y, static_cast<float>(std::floor(group.Z)),
                     iScene);
            DrawQuad(device);
        }
        iDevice.SetTexture(0, 0);
    });
}
