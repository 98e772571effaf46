// The GL backend draws a column of letters as instances of one quad. These tests hold it to
// the letter-by-letter drawing: the same frame, pixel for pixel, as one GL draw per letter
// with its own world transform and ambient colour, and the same device state afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/Numeric.h"
#include "device/cDevice.h"
#include "device/cImage.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "rain/cRain.h"
#include "render/LetterRenderer.h"
#include "render/cCamera.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/HeadlessDevice.h"
#include "support/RunningRain.h"

namespace {

constexpr int32_t W = 1024, H = 768;

class ColumnPath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(testing_support::OpenHeadlessDevice(Context, Device, W, H), "");
        Device.Device->SetRenderState(D3DRS_CLIPPING, 1);
        Renderer.CreateBuffer(Device);
        ASSERT_EQ(Device.LoadTexture(GLYPHFALL_ATLAS_FILE, -1), 0);
        Gl = dynamic_cast<cGLDevice*>(Device.Device.get());
        ASSERT_NE(Gl, nullptr);

        for (const SettingDefault& key : SettingsKeys) Settings.SetDefault(key.Key, key.Default);
        Camera.Angle(mCore::ToSingle(6.283185 / 360 * 270));
        Clock.Ticks = 1000000;
    }
    void TearDown() override { testing_support::CloseHeadlessDevice(Device); }

    // The rain as the main loop runs it, a number of frames in.
    void RunRain(int frames) {
        testing_support::StartRain(Rain, Settings);
        for (int i = 0; i < frames; ++i) testing_support::StepRain(Rain, Camera, Clock);
    }

    // One frame of letters and leaders; letter by letter (one GL draw each) or by columns.
    cImage Frame(bool letterByLetter, const SceneTransform& scene = {}) {
        Gl->SetFlushEveryDraw(letterByLetter);
        EXPECT_TRUE(Device.BeginScene(Camera));
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, scene);
        Renderer.RenderLeaders(Device, Rain, scene);
        Device.EndScene();
        EXPECT_TRUE(Platform.Dialogs.Messages.empty());
        return Context.ReadPixels();
    }

    // Both ways, compared; returns how many pixels are lit so a test can see it drew something.
    int64_t ExpectSameBothWays(const SceneTransform& scene = {}) {
        const cImage reference = Frame(true, scene);
        const cGLFrameStats referenceStats = Gl->LastFrameStats();
        const cImage columns = Frame(false, scene);
        const cGLFrameStats columnStats = Gl->LastFrameStats();
        EXPECT_EQ(columnStats.DeviceDraws, referenceStats.DeviceDraws);
        EXPECT_EQ(columnStats.Primitives, referenceStats.Primitives);
        EXPECT_LE(columnStats.DrawCalls, 3u);
        int64_t lit = 0, differing = 0;
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                const uint32_t a = reference.At(x, y), b = columns.At(x, y);
                if ((a & 0xFFFFFF) != 0) ++lit;
                if (a != b && differing++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": letter by letter " << std::hex << a << ", by columns "
                                  << b;
            }
        }
        EXPECT_EQ(differing, 0);
        return lit;
    }

    mRain::Group& AddGroup(float x, float y, float z, int32_t n, bool vertical) {
        mRain::Group group;
        group.Active = true;
        group.X = x, group.Y = y, group.Z = z;
        group.Vertical = vertical;
        group.Alpha = 1;
        group.WordAlpha = 1;
        group.LetterMax = n;
        group.Letters.resize(n + 1);
        for (int32_t j = 0; j <= n; ++j)
            group.Letters[j] = {static_cast<int16_t>((j * 3) % 10), static_cast<int16_t>((j * 5) % 8), 0.37f * static_cast<float>(j), 0, 0};
        Rain.Groups.push_back(group);
        Rain.GroupMax = static_cast<int32_t>(Rain.Groups.size()) - 1;
        return Rain.Groups.back();
    }

    testing_support::ScopedFakePlatform Platform;
    cEGLContext Context;
    cDevice Device;
    cLetterRenderer Renderer;
    cGLDevice* Gl = nullptr;
    testing_support::FakeClock Clock;
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{2024};
    cRain Rain{Settings, Camera, Clock, Rnd};
};

TEST_F(ColumnPath, SeededRainFrameEqualsTheLetterByLetterFrame) {
    RunRain(300);
    const int64_t lit = ExpectSameBothWays();
    EXPECT_GT(lit, 20000);  // a real frame of rain, not an empty one
}

TEST_F(ColumnPath, HandMadeSceneEqualsTheLetterByLetterFrame) {
    Rain.LetterColor = {0.2f, 0.9f, 0.4f, 1};
    Rain.Distance = 16;  // the nearest groups fall inside the dimmed depth
    // Vertical and horizontal groups at several depths, drawn farthest first as the rain sorts them.
    mRain::Group& far = AddGroup(8.7f, -30.0f, 6.2f, 12, true);
    far.Leader = true;
    mRain::Group& across = AddGroup(9.5f, -25.5f, -3.3f, 17, false);
    across.Alpha = 0.6f;
    mRain::Group& word = AddGroup(-2.0f, -22.25f, 4.0f, 8, true);
    word.Leader = true;
    word.Arrived = true;
    word.WordAlpha = 0.8f;
    mRain::Group& faded = AddGroup(-6.4f, -18.0f, 7.9f, 10, true);
    faded.Leader = true;
    faded.Alpha = 0.3f;
    // A leaderless group's head (a = 0) and a tail letter at zero brightness are not drawn.
    mRain::Group& dark = AddGroup(3.2f, -15.0f, 2.5f, 9, true);
    dark.Letters[9].Phase = 4.0f;
    AddGroup(5.0f, -12.0f, -1.0f, 6, false).Active = false;
    Camera.SetPosition(0, 5.0f, 0);
    EXPECT_GT(ExpectSameBothWays(), 1000);
}

TEST_F(ColumnPath, RotatedAndOffsetSceneEqualsTheLetterByLetterFrame) {
    RunRain(120);
    SceneTransform scene;
    scene.Angle = 0.3f;
    scene.Offset = {1.25f, -0.5f, 0.75f};
    EXPECT_GT(ExpectSameBothWays(scene), 10000);
}

TEST_F(ColumnPath, LetterPassesWithOtherTurnsInOneFrameEqualTheLetterByLetterFrame) {
    // The device keeps a column's rotation and offset for the next column with the same
    // inputs; a pass under another turn or offset must not be drawn with the last one's.
    RunRain(120);
    auto twoPasses = [&](bool letterByLetter) {
        Gl->SetFlushEveryDraw(letterByLetter);
        EXPECT_TRUE(Device.BeginScene(Camera));
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{0.1f, {0.5f, 0, 0}});
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{1.5707964f, {0.5f, 0, 0}});
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{1.5707964f, {0.75f, 2.0f, -1.0f}});
        const D3DMATRIX world = Gl->State().World;
        Device.EndScene();
        return std::make_pair(Context.ReadPixels(), world);
    };
    const auto [reference, referenceWorld] = twoPasses(true);
    const auto [columns, columnWorld] = twoPasses(false);
    EXPECT_TRUE(columns.Pixels == reference.Pixels);
    EXPECT_TRUE(columnWorld == referenceWorld);
}

TEST_F(ColumnPath, LeavesTheDeviceAsTheLetterByLetterSequenceDoes) {
    Rain.LetterColor = {0, 1, 0, 1};
    AddGroup(1.5f, -20.0f, 3.5f, 7, true).Leader = true;
    mRain::Group& last = AddGroup(-1.5f, -18.0f, 2.5f, 5, false);
    last.Letters[5].Phase = 4.0f;  // the last letter is dark: the last drawn one sets the world
    const SceneTransform scene{0.2f, {0.5f, 0, -0.25f}};

    auto after = [&](bool letterByLetter) {
        Gl->SetFlushEveryDraw(letterByLetter);
        EXPECT_TRUE(Device.BeginScene(Camera));
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, scene);
        const cFixedFunction state = Gl->State();
        std::vector<uint8_t> bytes = Renderer.QuadBuffer->Bytes;
        Device.EndScene();
        return std::make_pair(state, bytes);
    };
    const auto [reference, referenceBytes] = after(true);
    const auto [columns, columnBytes] = after(false);
    EXPECT_EQ(columns.RenderState[D3DRS_AMBIENT], reference.RenderState[D3DRS_AMBIENT]);
    EXPECT_EQ(columns.RenderState[D3DRS_ZBIAS], reference.RenderState[D3DRS_ZBIAS]);
    EXPECT_TRUE(columns.World == reference.World);
    EXPECT_EQ(columns.Stream, reference.Stream);
    EXPECT_EQ(columns.Stride, reference.Stride);
    EXPECT_EQ(columnBytes, referenceBytes);
}

TEST_F(ColumnPath, ShadersBuiltForTheStageDrawTheSameFrameAsTheGeneralShader) {
    RunRain(200);
    const cImage specialised = Frame(false);
    Gl->SetSpecialisedShaders(false);
    const cImage general = Frame(false);
    EXPECT_TRUE(specialised.Pixels == general.Pixels);
    // A stage reading the texture's inverse colour must not be served the plain shader.
    Device.Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT);
    const cImage generalInverse = Frame(false);
    Gl->SetSpecialisedShaders(true);
    const cImage specialisedInverse = Frame(false);
    EXPECT_TRUE(specialisedInverse.Pixels == generalInverse.Pixels);
    EXPECT_FALSE(specialisedInverse.Pixels == specialised.Pixels);
}

TEST_F(ColumnPath, WholeRainIsAtMostThreeGLDrawsAtAnyCount) {
    Settings.Value("Count", 2000);
    RunRain(60);
    Frame(false);
    EXPECT_LE(Gl->LastFrameStats().DrawCalls, 3u);
    EXPECT_GT(Gl->LastFrameStats().DeviceDraws, 10000u);
}

TEST_F(ColumnPath, ColumnUnderAnEnabledLightIsDrawnLetterByLetter) {
    // The instanced letters only stand in where the ambient state alone gives the colour; with
    // a light on, the letters take the plain way and so keep its lighting.
    Rain.LetterColor = {1, 1, 1, 1};
    AddGroup(0.5f, -10.0f, 2.5f, 6, true).Leader = true;
    D3DLIGHT8 light;
    light.Diffuse = {0.5f, 0, 0, 0};
    light.Direction = {0, 1, 0};
    auto lit = [&](bool letterByLetter) {
        Gl->SetFlushEveryDraw(letterByLetter);
        EXPECT_TRUE(Device.BeginScene(Camera));
        Device.Device->SetLight(0, light);
        Device.Device->LightEnable(0, true);
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, {});
        Device.EndScene();
        return Context.ReadPixels();
    };
    const cImage reference = lit(true);
    const cImage columns = lit(false);
    EXPECT_EQ(Gl->LastFrameStats().DrawCalls, Gl->LastFrameStats().DeviceDraws > 0 ? 1u : 0u);
    EXPECT_TRUE(reference.Pixels == columns.Pixels);
}

}  // namespace
