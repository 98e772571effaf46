#include <gtest/gtest.h>

#include <fstream>

#include "DeviceFixture.h"
#include "core/mCore.h"
#include "device/cImage.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

struct View {
    D3DMATRIX GetProjection() const {
        D3DMATRIX m;
        mDXGraphics::TransformTranslation(m, 0, 0, 7);
        return m;
    }
};

void WritePngFile(const std::string& path, const cImage& image = cImage(2, 2, 0xFF00FF00u)) {
    std::string error;
    ASSERT_TRUE(mImage::WritePng(path, image, error)) << error;
}

}  // namespace

using DeviceSetUp = CaptureDeviceTest;

TEST_F(DeviceSetUp, AlphaReferenceOnlyWhereTheCardComparesGreaterEqualAndAspectIsHeightOverWidth) {
    Wrapper.SetKeepShape(true);
    ASSERT_TRUE(Create(1024, 768));
    EXPECT_EQ(Dev().RenderStateValues(D3DRS_ALPHAREF), std::vector<uint32_t>{8});
    EXPECT_EQ(Dev().RenderStateValues(D3DRS_LIGHTING).back(), 1u);  // the first frame's letters are lit
    // The aspect given is height over width: x scale = y scale / 0.75. At 4:3 keeping the
    // shape changes nothing.
    EXPECT_FLOAT_EQ(Wrapper.Projection().m[0][0] * 3, Wrapper.Projection().m[1][1] * 4);
    const D3DMATRIX kept = Wrapper.Projection();
    Wrapper.SetKeepShape(false);
    EXPECT_EQ(Dev().State.Projection, kept);

    Root->Caps.AlphaCmpCaps = D3DPCMPCAPS_ALWAYS | D3DPCMPCAPS_LESS;
    ASSERT_TRUE(Create());
    EXPECT_TRUE(Dev().RenderStateValues(D3DRS_ALPHAREF).empty());
    EXPECT_TRUE(Dev().RenderStateValues(D3DRS_ALPHAFUNC).empty());
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
}

TEST_F(DeviceSetUp, FailuresCreateNoDeviceAndLeaveAReadableReason) {
    EXPECT_FALSE(Create(1024, 768, D3DFMT_UNKNOWN));  // no depth format
    EXPECT_EQ(Root->LastDevice, nullptr);
    EXPECT_EQ(Wrapper.Device, nullptr);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text, "Error in cDevice.Initialize\r\n\r\n");

    Root->CreateResult = D3DERR_NOTAVAILABLE;
    Root->FailureDetail = "no OpenGL 3.3 context";
    mCore::LastError.clear();
    EXPECT_FALSE(Create());
    EXPECT_NE(mCore::LastError.find("not available"), std::string::npos) << mCore::LastError;
    EXPECT_NE(mCore::LastError.find("no OpenGL 3.3 context"), std::string::npos) << mCore::LastError;
}

TEST_F(DeviceSetUp, RendererModesSetOnlyWhatChangedAndAnUnknownModeIsRemembered) {
    ASSERT_TRUE(Create());
    Dev().ClearRecords();
    Wrapper.SetupRenderer(0, 0, false);  // what a fresh instance remembers
    EXPECT_TRUE(Dev().Calls.empty());
    Wrapper.SetupRenderer(2, 2, false);
    EXPECT_EQ(Dev().GetTextureStageState(0, D3DTSS_ALPHAARG1), D3DTA_TFACTOR);
    EXPECT_EQ(Dev().GetRenderState(D3DRS_SRCBLEND), D3DBLEND_ONE);
    EXPECT_EQ(Dev().GetRenderState(D3DRS_DESTBLEND), D3DBLEND_ONE);
    Dev().ClearRecords();
    Wrapper.SetupRenderer(2, 2, false);
    Wrapper.SetupRenderer(3, 2, false);
    EXPECT_TRUE(Dev().Calls.empty());
    EXPECT_EQ(Wrapper.LastAlphaMode(), 3);
    Wrapper.SetupRenderer(2, 2, false);  // so the known one is set again
    EXPECT_EQ(Dev().CountOf("SetTextureStageState"), 2u);
}

class Textures : public CaptureDeviceTest {
protected:
    void SetUp() override {
        CaptureDeviceTest::SetUp();
        ASSERT_TRUE(Create());
    }
    TempDir Dir;
};

TEST_F(Textures, MissingFilesGiveZeroUnreadableOnesAreReportedOnceAndReleaseKeepsTheNames) {
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("none.png"), -1), 0);
    EXPECT_EQ(Wrapper.TextureCount(), -1);
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
    std::ofstream(Dir.File("bad.png")) << "not an image";
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("bad.png"), -1), -1);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("Error in cDevice.LoadTexture\r\n\r\n", 0), 0u);
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("bad.png"), -1), 0);  // the entry stays: no second try
    EXPECT_EQ(Platform.Dialogs.Messages.size(), 1u);

    WritePngFile(Dir.File("tex.png"));
    ASSERT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 1);
    Wrapper.Release();
    EXPECT_EQ(Wrapper.Textures()[1].SourceFile, Dir.File("tex.png"));
    EXPECT_EQ(Wrapper.Textures()[1].Texture, nullptr);
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 1);
}

TEST_F(Textures, EachStageBindsOncePerFrameAndNeverAnUnknownIndex) {
    Dev().ClearRecords();
    Wrapper.SetTexture(2, 0);  // stage 2 starts at 0, which equals the request
    Wrapper.SetTexture(0, 0);  // index above the (empty) table
    EXPECT_EQ(Dev().CountOf("SetTexture"), 0u);
    for (const char* name : {"a.png", "b.png"}) {
        WritePngFile(Dir.File(name));
        Wrapper.LoadTexture(Dir.File(name), -1);
    }
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Wrapper.BeginScene(View{}));
        Dev().ClearRecords();
        Wrapper.SetTexture(0, 1);
        Wrapper.SetTexture(0, 1);
        Wrapper.SetTexture(0, -1);
        Wrapper.SetTexture(0, 5);
        EXPECT_EQ(Dev().CountOf("SetTexture"), 1u) << "frame " << frame;
        EXPECT_EQ(Wrapper.StageTexture()[0], 1);
        Wrapper.EndScene();
        EXPECT_EQ(Wrapper.StageTexture()[0], -1);
    }
}

using Frames = CaptureDeviceTest;

TEST_F(Frames, AFrameSetsTheViewPresentsUnbindsAndCounts) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    EXPECT_EQ(Dev().State.View, View{}.GetProjection());
    Wrapper.EndScene();
    EXPECT_EQ(Dev().Presents, 1);
    EXPECT_EQ(Wrapper.FrameCount(), 1);
    EXPECT_EQ(Dev().State.Textures[0], nullptr);
}

TEST_F(Frames, ADeviceThatNeedsAResetIsResetWithoutAFrameAndALostOneStillDraws) {
    ASSERT_TRUE(Create());
    Dev().CooperativeLevel = D3DERR_DEVICENOTRESET;
    Dev().ClearRecords();
    EXPECT_FALSE(Wrapper.BeginScene(View{}));
    EXPECT_EQ(Dev().Resets, 1);
    EXPECT_EQ(Dev().Calls.size(), 2u);  // the question and the reset, nothing else
    EXPECT_TRUE(Wrapper.BeginScene(View{}));
    Wrapper.EndScene();
    Dev().CooperativeLevel = D3DERR_DEVICELOST;
    EXPECT_TRUE(Wrapper.BeginScene(View{}));
    EXPECT_EQ(Dev().Resets, 1);
}

TEST_F(Frames, FailuresAreReportedUnderTheirProcedureAndNotCounted) {
    EXPECT_FALSE(Wrapper.BeginScene(View{}));  // no device yet
    ASSERT_TRUE(Create());
    Wrapper.EndScene();  // no scene open: the device refuses
    EXPECT_EQ(Wrapper.FrameCount(), 0);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("Error in cDevice.BeginScene", 0), 0u);
    EXPECT_EQ(Platform.Dialogs.Messages[1].Text.rfind("Error in cDevice.EndScene\r\n\r\nD3DERR_INVALIDCALL", 0), 0u)
        << Platform.Dialogs.Messages[1].Text;
}
