#include "render/LetterRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "device/cCaptureDirect3D.h"
#include "device/cDevice.h"
#include "device/mDXGraphics.h"
#include "rain/cRain.h"
#include "render/cCamera.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/Groups.h"

namespace {

// A capture device, a camera at the start-up view and a rain model whose groups the test sets by hand.
class LetterRendering : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([this] { return Root; });
        ASSERT_TRUE(mDXGraphics::Initialize());
        ASSERT_TRUE(Device.Initialize(1, 1024, 768, D3DFMT_D16, D3DMULTISAMPLE_NONE));
        Camera.Angle(4.712389f);
        Rain.LetterColor = {0, 0.5f, 0, 1};
        Renderer.CreateBuffer(Device);
    }
    void TearDown() override {
        Device.Release();
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
    }
    mRain::Group& OneGroup(float x, float y, float z, int32_t n, bool leader) {
        return testing_support::AddGroup(Rain, x, y, z, n, true, leader);
    }
    void Draw() {
        ASSERT_TRUE(Device.BeginScene(Camera));
        Dev().ClearRecords();
        Renderer.RenderLetters(Device, Rain, Camera, Scene);
        Renderer.RenderLeaders(Device, Rain, Scene);
        Device.EndScene();
        EXPECT_TRUE(Platform.Dialogs.Messages.empty());
    }
    cCaptureDevice& Dev() { return *Root->LastDevice; }
    static uint32_t Green(D3DCOLOR c) { return (c >> 8) & 0xFF; }
    static uint32_t Red(D3DCOLOR c) { return (c >> 16) & 0xFF; }

    testing_support::ScopedFakePlatform Platform;
    std::shared_ptr<cCaptureDirect3D> Root;
    cDevice Device;
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{1};
    cRain Rain{Settings, Camera, Platform.Clock, Rnd};
    cLetterRenderer Renderer;
    SceneTransform Scene;
};

}  // namespace

TEST(LetterBrightnessRule, FadesInFromTheHeadOutOverTheLastQuarterDimsWithDepthAndIsBrightBehindALeader) {
    const float bright = 0.7853982f, dark = 0.0f;  // flicker 1 (clamped) and 0.8
    struct Case {
        int32_t J;
        float Phase;
        bool Leader;
        float Alpha, Depth, Expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             {10, bright, false, 1, 0, 1},          // in the field: full brightness
             {10, bright, false, 1, -0.0001f, 0.5f}, // just beyond the viewing distance: half
             {10, bright, false, 1, -3, 0.75f},     // and back to full six cells on
             {10, bright, false, 1, -6, 1},
             {10, bright, false, 1, -60, 1},
             {0, bright, false, 1, 0, 0},           // a plain head is never drawn
             {5, bright, false, 1, 0, 1},           // exactly a quarter: still the first quarter
             {15, bright, false, 1, 0, 1},          // exactly three quarters: not yet the tail
             {20, bright, false, 1, 0, 0},
             {18, bright, false, 0.5f, 0, 0.2f},
             {1, dark, true, 1, 0, 0.8f * 0.2f + 0.8f},
             {1, dark, false, 1, 0, 0.2f * 0.8f}})
        EXPECT_NEAR(LetterBrightness(c.J, 20, c.Phase, c.Leader, c.Alpha, c.Depth), c.Expected, 1e-4)
            << "letter " << c.J << " at depth " << c.Depth;
}

TEST_F(LetterRendering, PlainGroupSkipsItsHeadAndPlacesLettersOnWholeCellsDownOrSideways) {
    OneGroup(3.7f, -50, 2.2f, 8, false);
    Draw();
    ASSERT_EQ(Dev().Draws.size(), 7u);  // 9 letters: the head and the last fade to brightness 0
    for (size_t k = 0; k < Dev().Draws.size(); ++k) {
        const D3DMATRIX& world = Dev().Draws[k].World;
        const int32_t j = static_cast<int32_t>(k) + 1;
        EXPECT_EQ(world.m[3][0], 3);
        EXPECT_EQ(world.m[3][1], -50);
        EXPECT_EQ(world.m[3][2], std::floor(2.2 - j));
        EXPECT_EQ(Red(Dev().Draws[k].Ambient), 0u);
    }
    EXPECT_EQ(Dev().CountOf("DrawPrimitive"), 7u);
    // Sideways, the trail runs toward smaller X on the head's row.
    Rain.Groups[0].Vertical = false;
    Draw();
    ASSERT_EQ(Dev().Draws.size(), 7u);
    for (int j = 1; j <= 7; ++j) {
        EXPECT_EQ(Dev().Draws[j - 1].World.m[3][0], 3 - j);
        EXPECT_EQ(Dev().Draws[j - 1].World.m[3][2], 2);
    }
}

TEST_F(LetterRendering, LeaderHeadIsGreyAtAlphaOrWordAlphaWhateverTheColour) {
    mRain::Group& group = OneGroup(0, -50, 0, 4, true);
    group.Alpha = 0.4f;
    for (auto& letter : group.Letters) letter.Phase = 0;
    Draw();
    ASSERT_FALSE(Dev().Draws.empty());
    const D3DCOLOR head = Dev().Draws[0].Ambient;
    EXPECT_EQ(Red(head), Green(head));
    EXPECT_NEAR(Green(head), 102, 1);
    Rain.Groups[0].Arrived = true;
    Rain.Groups[0].WordAlpha = 0;
    Draw();
    EXPECT_EQ(Dev().Draws[0].Ambient & 0xFFFFFF, 0u);  // drawn even at grey 0
}

TEST_F(LetterRendering, LeadersGlowOverTheHeadWithBiasAndNotOnArrivedWordLetters) {
    OneGroup(2.5f, -60, 7.5f, 4, true);
    OneGroup(-5, -55, 1, 4, true).Arrived = true;
    OneGroup(-9, -50, 1, 4, false);
    Draw();
    const auto leaderDraws = [&] {
        std::vector<cCapturedDraw> leaders;
        for (const cCapturedDraw& d : Dev().Draws)
            if (d.ZBias == 1) leaders.push_back(d);
        return leaders;
    }();
    ASSERT_EQ(leaderDraws.size(), 1u);
    EXPECT_EQ(leaderDraws[0].World.m[3][0], 2);
    EXPECT_EQ(leaderDraws[0].World.m[3][2], 7);
    EXPECT_TRUE(leaderDraws[0].Lighting);
    EXPECT_EQ(Dev().RenderStateValues(D3DRS_LIGHTING).back(), 1u);
}

TEST_F(LetterRendering, SceneRotationAndOffsetApplyAfterTheLetterCell) {
    OneGroup(4, -30, 6, 1, true);
    Scene.Angle = 1.5707964f;
    Scene.Offset = {1, 2, 3};
    Draw();
    ASSERT_FALSE(Dev().Draws.empty());
    const D3DMATRIX& world = Dev().Draws[0].World;
    // (4, -30, 6) turned a quarter about Y: x' = x cos + z sin = 6, z' = -x sin + z cos = -4; then offset.
    EXPECT_NEAR(world.m[3][0], 6 + 1, 1e-5);
    EXPECT_NEAR(world.m[3][1], -30 + 2, 1e-5);
    EXPECT_NEAR(world.m[3][2], -4 + 3, 1e-5);
}

TEST_F(LetterRendering, InactiveGroupsDrawNothingButTheLeaderPassStillSwitchesLightingOnAndSetsTheBias) {
    OneGroup(0, -50, 0, 5, true).Active = false;
    Draw();
    EXPECT_TRUE(Dev().Draws.empty());
    EXPECT_EQ(Dev().RenderStateValues(D3DRS_ZBIAS), std::vector<uint32_t>{1});  // no group reset it to 0
    EXPECT_EQ(Dev().RenderStateValues(D3DRS_LIGHTING), std::vector<uint32_t>{1});
}
