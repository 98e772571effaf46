#include <gtest/gtest.h>

#include <cmath>

#include "device/cCaptureDirect3D.h"
#include "device/mDXGraphics.h"

using namespace mDXGraphics;

namespace {

struct QuadVertex {
    float x, y, z, nx, ny, nz, tu, tv;
};

class Pipeline : public ::testing::Test {
protected:
    Pipeline() : Device(MakeParams()) {
        Device.CreateVertexBuffer(sizeof Quad, 0, D3DFVF_QUADVERTEX, D3DPOOL_DEFAULT, Buffer);
        VertexBufferSetData(*Buffer, 0, sizeof Quad, 0, Quad);
        Device.SetVertexShader(D3DFVF_QUADVERTEX);
        Device.SetStreamSource(0, Buffer.get(), sizeof(QuadVertex));
        Device.BeginScene();
    }
    static D3DPRESENT_PARAMETERS MakeParams() {
        D3DPRESENT_PARAMETERS p;
        p.EnableAutoDepthStencil = true;
        return p;
    }
    const cCapturedDraw& DrawQuad() {
        EXPECT_EQ(Device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        return Device.Draws.back();
    }

    // The letter quad: a unit square in the X-Z plane, normal toward -Y.
    QuadVertex Quad[6] = {{-0.5f, 0, -0.5f, 0, -1, 0, 0, 0}, {0.5f, 0, 0.5f, 0, -1, 0, 1, 1},
                          {0.5f, 0, -0.5f, 0, -1, 0, 1, 0},  {-0.5f, 0, -0.5f, 0, -1, 0, 0, 0},
                          {-0.5f, 0, 0.5f, 0, -1, 0, 0, 1},  {0.5f, 0, 0.5f, 0, -1, 0, 1, 1}};
    cCaptureDevice Device;
    std::shared_ptr<cVertexBuffer> Buffer;
};

D3DMATERIAL8 WhiteMaterial() {
    D3DMATERIAL8 m;
    m.Diffuse = {1, 1, 1, 0};
    m.Ambient = {1, 1, 1, 0};
    return m;
}

}  // namespace

TEST_F(Pipeline, LitColourIsAmbientStateTimesMaterialAmbientPlusEmissive) {
    D3DMATERIAL8 material = WhiteMaterial();
    material.Ambient = {0.5f, 1, 1, 0};
    material.Emissive = {0, 0, 0.25f, 0};
    Device.SetMaterial(material);
    Device.SetRenderState(D3DRS_LIGHTING, 1);
    Device.SetRenderState(D3DRS_COLORVERTEX, 0);
    Device.SetRenderState(D3DRS_AMBIENT, ColorFromFloats(0.4f, 0.6f, 0.2f, 1));
    const cCapturedDraw& draw = DrawQuad();
    EXPECT_NEAR(draw.Color.r, 0.2f, 0.003f);
    EXPECT_NEAR(draw.Color.g, 0.6f, 0.003f);
    EXPECT_NEAR(draw.Color.b, 0.45f, 0.003f);
    EXPECT_EQ(draw.Color.a, 0.0f);  // the material's diffuse alpha
    for (const auto& v : draw.Vertices) EXPECT_EQ(v.R, draw.Color.r);
    Device.SetRenderState(D3DRS_LIGHTING, 0);  // unlit vertices without colour are opaque white
    EXPECT_EQ(DrawQuad().Color.r, 1.0f);
    EXPECT_EQ(Device.Draws.back().Color.a, 1.0f);
}

TEST_F(Pipeline, DrawRecordsWorldSpaceCornersTextureCoordinatesAndBias) {
    D3DMATRIX world, turn;
    TransformTranslation(world, 3, 10, -2);
    TransformRotationY(turn, static_cast<float>(M_PI));
    TransformMultiply(world, world, turn);
    Device.SetTransform(D3DTS_WORLD, world);
    Device.SetRenderState(D3DRS_ZBIAS, 1);
    const cCapturedDraw& draw = DrawQuad();
    ASSERT_EQ(draw.Vertices.size(), 6u);
    // Corner 0 (-0.5, 0, -0.5) moved to (2.5, 10, -2.5), then half a turn about Y.
    EXPECT_NEAR(draw.Vertices[0].X, -2.5f, 1e-5f);
    EXPECT_NEAR(draw.Vertices[0].Y, 10.0f, 1e-5f);
    EXPECT_NEAR(draw.Vertices[0].Z, 2.5f, 1e-5f);
    EXPECT_EQ(draw.Vertices[1].U, 1.0f);
    EXPECT_EQ(draw.Vertices[1].V, 1.0f);
    EXPECT_EQ(draw.ZBias, 1u);
}

TEST_F(Pipeline, DrawsTheStreamCannotFeedAreRefused) {
    EXPECT_EQ(Device.DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(Device.DrawPrimitive(D3DPT_LINELIST, 0, 1), D3DERR_INVALIDCALL);
    Device.SetStreamSource(0, nullptr, 32);
    EXPECT_EQ(Device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_TRUE(Device.Draws.empty()) << "drawing what the stream cannot feed";
}

TEST_F(Pipeline, QuadInstancesReachingPastTheirCellsAreRefusedBeforeAnythingIsDrawn) {
    const cQuadCell cells[2] = {{0, 0, 0xFFFFFFFFu, 1}, {0.5f, 0, 0xFF808080u, 1}};
    cQuadStrip strips[2];
    strips[0].Count = 2;
    strips[1].First = 1;
    strips[1].Count = 2;  // one cell too many
    cQuadInstances quads;
    quads.Buffer = Buffer.get();
    quads.Vertices = &Quad[0].x;
    quads.CellSize = 0.5f;
    quads.Strips = strips;
    quads.StripCount = 2;
    quads.Cells = cells;
    quads.CellCount = 2;
    Device.ClearRecords();
    EXPECT_EQ(Device.DrawQuadInstances(quads), D3DERR_INVALIDCALL);
    strips[1].First = 0xFFFFFFFFu;  // a count that would wrap around
    EXPECT_EQ(Device.DrawQuadInstances(quads), D3DERR_INVALIDCALL);
    EXPECT_TRUE(Device.Calls.empty());
    strips[1].First = 1;
    strips[1].Count = 1;
    EXPECT_EQ(Device.DrawQuadInstances(quads), D3D_OK);
    EXPECT_EQ(Device.Draws.size(), 3u);
}
