#include <gtest/gtest.h>

#include <cmath>

#include "device/cCaptureDirect3D.h"
#include "device/mDXGraphics.h"

using namespace mDXGraphics;

TEST(QuadInstances, ThoseReachingPastTheirCellsAreRefusedBeforeAnythingIsDrawn) {
    D3DPRESENT_PARAMETERS params;
    params.EnableAutoDepthStencil = true;
    cCaptureDevice device(nullptr, params);
    // The letter quad: a unit square in the X-Z plane, normal toward -Y.
    float quad[6][8] = {{-0.5f, 0, -0.5f, 0, -1, 0, 0, 0}, {0.5f, 0, 0.5f, 0, -1, 0, 1, 1},
                        {0.5f, 0, -0.5f, 0, -1, 0, 1, 0},  {-0.5f, 0, -0.5f, 0, -1, 0, 0, 0},
                        {-0.5f, 0, 0.5f, 0, -1, 0, 0, 1},  {0.5f, 0, 0.5f, 0, -1, 0, 1, 1}};
    std::shared_ptr<cVertexBuffer> buffer;
    device.CreateVertexBuffer(sizeof quad, 0, D3DFVF_QUADVERTEX, D3DPOOL_DEFAULT, buffer);
    VertexBufferSetData(*buffer, 0, sizeof quad, 0, quad);
    device.SetVertexShader(D3DFVF_QUADVERTEX);
    device.SetStreamSource(0, buffer.get(), sizeof quad[0]);
    device.BeginScene();
    const cQuadCell cells[2] = {{0, 0, 0xFFFFFFFFu, 1}, {0.5f, 0, 0xFF808080u, 1}};
    cQuadStrip strips[2];
    strips[0].Count = 2;
    strips[1].First = 1;
    strips[1].Count = 2;  // one cell too many
    cQuadInstances quads;
    quads.Buffer = buffer.get();
    quads.Vertices = &quad[0][0];
    quads.CellSize = 0.5f;
    quads.Strips = strips;
    quads.StripCount = 2;
    quads.Cells = cells;
    quads.CellCount = 2;
    device.ClearRecords();
    EXPECT_EQ(device.DrawQuadInstances(quads), D3DERR_INVALIDCALL);
    strips[1].First = 0xFFFFFFFFu;  // a count that would wrap around
    EXPECT_EQ(device.DrawQuadInstances(quads), D3DERR_INVALIDCALL);
    EXPECT_TRUE(device.Calls.empty());
    strips[1].First = 1;
    strips[1].Count = 1;
    EXPECT_EQ(device.DrawQuadInstances(quads), D3D_OK);
    EXPECT_EQ(device.Draws.size(), 3u);
}

TEST(DeviceCalls, ThoseDirect3DRefusesNeverReachTheBackend) {
    D3DPRESENT_PARAMETERS params;
    cCaptureDevice device(nullptr, params);
    cVertexBuffer buffer(192, D3DFVF_QUADVERTEX);
    EXPECT_EQ(device.EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);  // outside a scene
    EXPECT_EQ(device.SetRenderState(static_cast<D3DRENDERSTATETYPE>(D3DRS_COUNT), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetTextureStageState(D3D_STAGE_COUNT, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(D3DTSS_COUNT), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), IdentityTransform), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetTexture(D3D_STAGE_COUNT, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetStreamSource(1, &buffer, 32), D3DERR_INVALIDCALL);
    EXPECT_TRUE(device.Calls.empty());
    EXPECT_EQ(device.BeginScene(), D3D_OK);
    EXPECT_EQ(device.BeginScene(), D3DERR_INVALIDCALL);  // twice
    EXPECT_EQ(device.EndScene(), D3D_OK);
    EXPECT_EQ(device.Calls.size(), 2u);
}

TEST(VertexUpload, SetDataCopiesIntoRangeAndRefusesOverruns) {
    cVertexBuffer buffer(192, D3DFVF_QUADVERTEX);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(VertexBufferSetData(buffer, 188, 4, 0, bytes), D3D_OK);
    EXPECT_EQ(buffer.Bytes[191], 4);
    EXPECT_EQ(VertexBufferSetData(buffer, 189, 4, 0, bytes), D3DERR_INVALIDCALL);
}

TEST(Colors, ColorFromFloatsPacksArgbScaledBy255AndClamps) {
    EXPECT_EQ(ColorFromFloats(0, 0, 1, 0.5f), 0x800000FFu);
    EXPECT_EQ(ColorFromFloats(0.2f, 0.4f, 0.6f, 1), 0xFF336699u);
    EXPECT_EQ(ColorFromFloats(2, -1, NAN, 1.5f), 0xFFFF0000u);
}
