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

void WritePngFile(const std::string& path, int w = 2, int h = 2, uint32_t fill = 0xFF00FF00u) {
    std::string error;
    ASSERT_TRUE(mImage::WritePng(path, cImage(w, h, fill), error)) << error;
}

}  // namespace

using DeviceSetUp = CaptureDeviceTest;

TEST_F(DeviceSetUp, InitializeSetsTheFixedStatesInOrderAndEndsWithLightingOn) {
    ASSERT_TRUE(Create());
    std::vector<std::pair<uint32_t, uint32_t>> states;
    for (const auto& c : Dev().Calls)
        if (c.Op == "SetRenderState") states.emplace_back(c.A, c.B);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {D3DRS_FILLMODE, D3DFILL_SOLID},   {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_LIGHTING, 0},
        {D3DRS_SPECULARENABLE, 0},         {D3DRS_ZENABLE, D3DZB_TRUE},         {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_CLIPPING, 1},               {D3DRS_MULTISAMPLEANTIALIAS, 0},     {D3DRS_ALPHABLENDENABLE, 0},
        {D3DRS_ALPHATESTENABLE, 0},        {D3DRS_ALPHAREF, 8},                 {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
        {D3DRS_LIGHTING, 1}};
    EXPECT_EQ(states, expected);
    EXPECT_EQ(Dev().GetTextureStageState(0, D3DTSS_MINFILTER), D3DTEXF_LINEAR);
    EXPECT_EQ(Dev().GetTextureStageState(1, D3DTSS_MAGFILTER), D3DTEXF_LINEAR);
    EXPECT_EQ(Wrapper.StageTexture()[0], -1);
    EXPECT_EQ(Wrapper.StageTexture()[1], -1);
    EXPECT_EQ(Wrapper.StageTexture()[2], 0);
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
}

TEST_F(DeviceSetUp, PresentParametersDescribeAWindowedDeviceWithDepthBuffer) {
    ASSERT_TRUE(Create(800, 600));
    const auto& p = Dev().Params;
    EXPECT_EQ(p.BackBufferWidth, 800u);
    EXPECT_EQ(p.BackBufferHeight, 600u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(p.Windowed);
    EXPECT_TRUE(p.EnableAutoDepthStencil);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY_VSYNC);
    EXPECT_EQ(p.hDeviceWindow, 42);
    EXPECT_EQ(Wrapper.ResX, 800);
    EXPECT_EQ(Wrapper.ResY, 600);
}

TEST_F(DeviceSetUp, ProjectionAspectIsHeightOverWidthUnlessTheShapeIsKeptWhichChangesNothingAt4By3) {
    Wrapper.SetKeepShape(true);
    ASSERT_TRUE(Create(1024, 768));
    D3DMATRIX expected;
    mDXGraphics::TransformPerspectiveFovLH(expected, 0.7853982f, 0.75f, 0.1f, 800.0f);
    EXPECT_EQ(Wrapper.Projection(), expected);
    Wrapper.SetKeepShape(false);
    EXPECT_EQ(Dev().State.Projection, expected);
}

TEST_F(DeviceSetUp, WithoutGreaterEqualAlphaCompareNoAlphaReferenceIsSet) {
    Root->Caps.AlphaCmpCaps = D3DPCMPCAPS_ALWAYS | D3DPCMPCAPS_LESS;
    ASSERT_TRUE(Create());
    EXPECT_TRUE(Dev().RenderStateValues(D3DRS_ALPHAREF).empty());
    EXPECT_TRUE(Dev().RenderStateValues(D3DRS_ALPHAFUNC).empty());
}

TEST_F(DeviceSetUp, DepthFormatZeroCreatesNoDeviceAndReportsWithoutDescription) {
    EXPECT_FALSE(Create(1024, 768, D3DFMT_UNKNOWN));
    EXPECT_EQ(Root->LastDevice, nullptr);
    EXPECT_EQ(Wrapper.Device, nullptr);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text, "Error in cDevice.Initialize\r\n\r\n");
    EXPECT_EQ(Platform.Dialogs.Messages[0].Title, "Glyphfall");
}

TEST_F(DeviceSetUp, FailedCreationLeavesAReadableLastError) {
    Root->CreateResult = D3DERR_NOTAVAILABLE;
    Root->FailureDetail = "no OpenGL 3.3 context";
    mCore::LastError.clear();
    EXPECT_FALSE(Create());
    EXPECT_NE(mCore::LastError.find("not available"), std::string::npos) << mCore::LastError;
    EXPECT_NE(mCore::LastError.find("no OpenGL 3.3 context"), std::string::npos) << mCore::LastError;
}

TEST_F(DeviceSetUp, FindBestMultiSampleTypeTakesTheHighestSupported) {
    EXPECT_EQ(Wrapper.FindBest_MultiSampleType(), D3DMULTISAMPLE_NONE);
    Root->SupportedMultiSamples = {2, 4};
    EXPECT_EQ(Wrapper.FindBest_MultiSampleType(), D3DMULTISAMPLE_4_SAMPLES);
    Root->SupportedDepthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D15S1};
    EXPECT_EQ(Wrapper.FindBest_DepthBufferFormat(), D3DFMT_D24X8);
    Root->SupportedDepthFormats = {};
    EXPECT_EQ(Wrapper.FindBest_DepthBufferFormat(), D3DFMT_UNKNOWN);
}

using Renderer = CaptureDeviceTest;

TEST_F(Renderer, FirstSetupSetsAlphaAndBlendRowsButNotColorVertex) {
    ASSERT_TRUE(Create());
    Dev().ClearRecords();
    Wrapper.SetupRenderer(2, 2, false);
    std::vector<std::string> ops;
    for (const auto& c : Dev().Calls) ops.push_back(c.Op + " " + std::to_string(c.A) + " " + std::to_string(c.B));
    const std::vector<std::string> expected = {
        "SetTextureStageState 0 5",  // ALPHAARG1 on stage 0
        "SetTextureStageState 0 4",  // ALPHAOP
        "SetRenderState 27 1",       // ALPHABLENDENABLE
        "SetRenderState 15 1",       // ALPHATESTENABLE
        "SetRenderState 19 2",       // SRCBLEND one
        "SetRenderState 20 2"};      // DESTBLEND one
    EXPECT_EQ(ops, expected);
    EXPECT_EQ(Dev().GetTextureStageState(0, D3DTSS_ALPHAARG1), D3DTA_TFACTOR);
    EXPECT_EQ(Dev().GetTextureStageState(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG1);
}

TEST_F(Renderer, RememberedValuesSetNothingAndAnUnknownModeIsRememberedSoTheKnownOneIsSetAgain) {
    ASSERT_TRUE(Create());
    Dev().ClearRecords();
    Wrapper.SetupRenderer(0, 0, false);  // what a fresh instance remembers
    EXPECT_TRUE(Dev().Calls.empty());
    Wrapper.SetupRenderer(2, 2, false);
    Dev().ClearRecords();
    Wrapper.SetupRenderer(3, 2, false);
    EXPECT_TRUE(Dev().Calls.empty());
    EXPECT_EQ(Wrapper.LastAlphaMode(), 3);
    Wrapper.SetupRenderer(2, 2, false);
    EXPECT_EQ(Dev().CountOf("SetTextureStageState"), 2u);
    EXPECT_EQ(Dev().CountOf("SetRenderState"), 2u);
}

class Textures : public CaptureDeviceTest {
protected:
    TempDir Dir;
};

TEST_F(Textures, SameNameInOtherCaseReturnsTheSameIndexAndLoadsOnce) {
    ASSERT_TRUE(Create());
    WritePngFile(Dir.File("tex.png"));
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 0);
    // The folder part must keep its case to exist on a case-sensitive disk; only the
    // comparison ignores case, so use a second file whose name differs in case only.
    WritePngFile(Dir.File("TEX.PNG"));
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("TEX.PNG"), -1), 0);
    EXPECT_EQ(Dev().TexturesCreated, 1);
    EXPECT_EQ(Wrapper.TextureCount(), 0);
}

TEST_F(Textures, ColorKeyRulesFollowTheNameAndTheKey) {
    ASSERT_TRUE(Create());
    WritePngFile(Dir.File("a.PNG"));
    WritePngFile(Dir.File("b.bmp"));  // PNG bytes: the decoder goes by content, the flag by name
    WritePngFile(Dir.File("c.bmp"));
    const int32_t a = Wrapper.LoadTexture(Dir.File("a.PNG"), -1);
    const int32_t b = Wrapper.LoadTexture(Dir.File("b.bmp"), -1);
    const int32_t c = Wrapper.LoadTexture(Dir.File("c.bmp"), 0);
    EXPECT_TRUE(Wrapper.TextureColorKey(a));
    EXPECT_FALSE(Wrapper.TextureColorKey(b));
    EXPECT_TRUE(Wrapper.TextureColorKey(c));
    EXPECT_EQ(Wrapper.Textures()[c].ColorKey, 0u);
    EXPECT_FALSE(Wrapper.TextureColorKey(-1));
}

TEST_F(Textures, ColorKeyTexelsOfExactlyThatArgbBecomeTransparentBlack) {
    ASSERT_TRUE(Create());
    cImage image(3, 1, 0xFF00FF00u);
    image.At(1, 0) = 0x00FF00FFu;  // the key
    image.At(2, 0) = 0xFFFF00FFu;  // same colour, other alpha: not the key
    std::string error;
    ASSERT_TRUE(mImage::WritePng(Dir.File("k.png"), image, error)) << error;
    const int32_t index = Wrapper.LoadTexture(Dir.File("k.png"), 0x00FF00FF);
    auto* texture = dynamic_cast<cCaptureTexture*>(Wrapper.Textures()[index].Texture.get());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Image.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(texture->Image.At(1, 0), 0u);
    EXPECT_EQ(texture->Image.At(2, 0), 0xFFFF00FFu);
}

TEST_F(Textures, MissingFileReturnsZeroAndLeavesTheTableAlone) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("none.png"), -1), 0);
    EXPECT_EQ(Wrapper.TextureCount(), -1);
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
}

TEST_F(Textures, UnreadableImageReportsKeepsTheEntryAndDoesNotReload) {
    ASSERT_TRUE(Create());
    std::ofstream(Dir.File("bad.png")) << "not an image";
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("bad.png"), -1), -1);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("Error in cDevice.LoadTexture\r\n\r\n", 0), 0u);
    EXPECT_EQ(Wrapper.TextureCount(), 0);
    EXPECT_EQ(Wrapper.Textures()[0].Texture, nullptr);
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("bad.png"), -1), 0);
    EXPECT_EQ(Platform.Dialogs.Messages.size(), 1u);
}

TEST_F(Textures, ReleaseDropsTexturesButKeepsTheirNames) {
    ASSERT_TRUE(Create());
    WritePngFile(Dir.File("tex.png"));
    ASSERT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 0);
    Wrapper.Release();
    EXPECT_EQ(Wrapper.TextureCount(), 0);
    EXPECT_EQ(Wrapper.Textures()[0].SourceFile, Dir.File("tex.png"));
    EXPECT_EQ(Wrapper.Textures()[0].Texture, nullptr);
    EXPECT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 0);
}

TEST_F(Textures, StageCacheBindsOncePerFrame) {
    ASSERT_TRUE(Create());
    WritePngFile(Dir.File("tex.png"));
    ASSERT_EQ(Wrapper.LoadTexture(Dir.File("tex.png"), -1), 0);
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    Dev().ClearRecords();
    Wrapper.SetTexture(0, 0);
    Wrapper.SetTexture(0, 0);
    EXPECT_EQ(Dev().CountOf("SetTexture"), 1u);
    EXPECT_EQ(Wrapper.StageTexture()[0], 0);
    Wrapper.EndScene();
    EXPECT_EQ(Wrapper.StageTexture()[0], -1);
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    Dev().ClearRecords();
    Wrapper.SetTexture(0, 0);
    EXPECT_EQ(Dev().CountOf("SetTexture"), 1u);
}

TEST_F(Textures, NegativeOrUnknownIndicesNeverBind) {
    ASSERT_TRUE(Create());
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        WritePngFile(Dir.File(name));
        Wrapper.LoadTexture(Dir.File(name), -1);
    }
    Wrapper.SetTexture(0, 1);
    Dev().ClearRecords();
    Wrapper.SetTexture(0, -1);
    Wrapper.SetTexture(0, 5);
    EXPECT_EQ(Dev().CountOf("SetTexture"), 0u);
    EXPECT_EQ(Wrapper.StageTexture()[0], 1);
}

TEST_F(Textures, WithAnEmptyTableNothingBinds) {
    ASSERT_TRUE(Create());
    Dev().ClearRecords();
    Wrapper.SetTexture(2, 0);  // stage 2 starts at 0, which equals the request
    Wrapper.SetTexture(0, 0);  // index above the (empty) table
    EXPECT_EQ(Dev().CountOf("SetTexture"), 0u);
}

using Frames = CaptureDeviceTest;

TEST_F(Frames, BeginSceneClearsTargetThenDepthSetsTheViewAndBegins) {
    ASSERT_TRUE(Create());
    Dev().ClearRecords();
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    std::vector<std::string> ops;
    for (const auto& c : Dev().Calls) ops.push_back(c.Op);
    EXPECT_EQ(ops, (std::vector<std::string>{"TestCooperativeLevel", "LightEnable", "Clear", "Clear", "SetTransform",
                                             "BeginScene"}));
    EXPECT_EQ(Dev().Calls[2].B, D3DCLEAR_TARGET);
    EXPECT_EQ(Dev().Calls[2].C, 0u);
    EXPECT_EQ(Dev().Calls[3].B, D3DCLEAR_ZBUFFER);
    EXPECT_EQ(Dev().State.View, View{}.GetProjection());
    EXPECT_EQ(Wrapper.LightCount(), -1);
}

TEST_F(Frames, DeviceNotResetIsResetAndNoSceneBegins) {
    ASSERT_TRUE(Create());
    Dev().CooperativeLevel = D3DERR_DEVICENOTRESET;
    Dev().ClearRecords();
    EXPECT_FALSE(Wrapper.BeginScene(View{}));
    EXPECT_EQ(Dev().Resets, 1);
    EXPECT_EQ(Dev().Clears, 0);
    EXPECT_EQ(Dev().Scenes, 0);
    EXPECT_EQ(Dev().Calls.size(), 2u);  // the question and the reset, nothing else
    EXPECT_TRUE(Wrapper.BeginScene(View{}));
}

TEST_F(Frames, ALostDeviceStillBeginsTheScene) {
    ASSERT_TRUE(Create());
    Dev().CooperativeLevel = D3DERR_DEVICELOST;
    EXPECT_TRUE(Wrapper.BeginScene(View{}));
    EXPECT_EQ(Dev().Resets, 0);
}

TEST_F(Frames, LightsLastOneFrame) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    D3DLIGHT8 light;
    Wrapper.AddLight(light);
    Wrapper.AddLight(light);
    EXPECT_EQ(Wrapper.LightCount(), 1);
    EXPECT_EQ(Dev().State.EnabledLights.size(), 2u);
    Wrapper.EndScene();
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    EXPECT_TRUE(Dev().State.EnabledLights.empty());
    EXPECT_EQ(Wrapper.LightCount(), -1);
}

TEST_F(Frames, EndSceneUnbindsPresentsAndCounts) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(Wrapper.BeginScene(View{}));
    Wrapper.EndScene();
    EXPECT_EQ(Dev().Presents, 1);
    EXPECT_EQ(Wrapper.FrameCount(), 1);
    EXPECT_EQ(Dev().State.Textures[0], nullptr);
}

TEST_F(Frames, AFailedEndSceneIsReportedAndNotCounted) {
    ASSERT_TRUE(Create());
    Wrapper.EndScene();  // no scene open: the device refuses
    EXPECT_EQ(Wrapper.FrameCount(), 0);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("Error in cDevice.EndScene\r\n\r\nD3DERR_INVALIDCALL", 0), 0u)
        << Platform.Dialogs.Messages[0].Text;
}

TEST_F(Frames, BeginSceneWithoutADeviceReportsUnderItsName) {
    EXPECT_FALSE(Wrapper.BeginScene(View{}));
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("Error in cDevice.BeginScene", 0), 0u);
}

TEST_F(Frames, GetFpsIsFramesOverSecondsSinceTheLastCall) {
    ASSERT_TRUE(Create());
    Platform.Clock.Ticks = 1000;
    Wrapper.GetFPS();
    for (int i = 0; i < 120; ++i) {
        ASSERT_TRUE(Wrapper.BeginScene(View{}));
        Wrapper.EndScene();
    }
    Platform.Clock.Ticks = 3000;
    EXPECT_FLOAT_EQ(Wrapper.GetFPS(), 60.0f);
    EXPECT_EQ(Wrapper.FrameCount(), 0);
}

TEST_F(Frames, GetFpsSurvivesTheTickCounterWrap) {
    ASSERT_TRUE(Create());
    Platform.Clock.Ticks = 2147483000;
    Wrapper.GetFPS();
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(Wrapper.BeginScene(View{}));
        Wrapper.EndScene();
    }
    Platform.Clock.Ticks = static_cast<int32_t>(2147483000u + 1000u);  // wrapped to negative
    EXPECT_FLOAT_EQ(Wrapper.GetFPS(), 30.0f);
}
