// The GL backend draws each column as one quad whose fragments find their letter. These
// tests hold it to the letter-by-letter drawing (one GL draw per letter with its own world
// transform and ambient colour): a person must not see the difference, the number of lit
// pixels stays, and the device is left in the same state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "support/RainScene.h"
#include "support/RunningRain.h"

namespace {

struct Size {
    int32_t W, H;
};

class ColumnPath : public ::testing::TestWithParam<Size>, protected testing_support::RainScene {
protected:
    void SetUp() override {
        W = GetParam().W, H = GetParam().H;
        ASSERT_EQ(OpenScene(W, H), "");
        ASSERT_EQ(Device.LoadTexture(GLYPHFALL_ATLAS_FILE, -1), 0);
        Gl = dynamic_cast<iGLDevice*>(Device.Device.get());
        ASSERT_NE(Gl, nullptr);
        Platform.Clock.Ticks = 1000000;
    }

    // The rain as the main loop runs it, a number of frames in.
    void RunRain(int frames) {
        testing_support::StartRain(Rain, Settings);
        StepRain(frames);
    }
    void StepRain(int frames) {
        for (int i = 0; i < frames; ++i) testing_support::StepRain(Rain, Camera, Platform.Clock);
    }

    // The renderer's two passes under one scene transform.
    std::function<void()> Passes(const SceneTransform& scene = {}) {
        return [this, scene] {
            Renderer.RenderLetters(Device, Rain, Camera, scene);
            Renderer.RenderLeaders(Device, Rain, scene);
        };
    }
    // One frame drawn by the given passes; letter by letter (one GL draw each) or by columns.
    cImage Frame(bool letterByLetter, const std::function<void()>& passes) {
        Gl->SetFlushEveryDraw(letterByLetter);
        EXPECT_TRUE(Device.BeginScene(Camera));
        Device.SetTexture(0, 0);
        passes();
        Device.EndScene();
        EXPECT_TRUE(Platform.Dialogs.Messages.empty());
        return Context.ReadPixels();
    }

    // Both ways, held to what a person cannot tell apart: at least 99.5 % of the pixels within
    // 2/255 in every channel, a mean difference of at most 0.5/255, and the same number of lit
    // pixels within 0.5 %. Returns the lit pixels of the letter-by-letter frame, so a test can
    // see that it drew something.
    int64_t ExpectAlikeBothWays(const std::function<void()>& passes, uint32_t maxDraws = 3) {
        const cImage reference = Frame(true, passes);
        const cImage columns = Frame(false, passes);
        EXPECT_LE(Gl->LastFrameStats().DrawCalls, maxDraws);
        return ExpectAlike(reference, columns);
    }
    // The renderer's far-to-near letters held the same way to every letter depth-tested.
    int64_t ExpectFarToNearAlike(const std::function<void()>& passes) {
        Renderer.DepthTestEveryLetter = true;
        const cImage tested = Frame(false, passes);
        Renderer.DepthTestEveryLetter = false;
        return ExpectAlike(tested, Frame(false, passes));
    }
    int64_t ExpectAlike(const cImage& reference, const cImage& columns) {
        int64_t litReference = 0, litColumns = 0, close = 0, sum = 0;
        for (size_t i = 0; i < reference.Pixels.size(); ++i) {
            const uint32_t a = reference.Pixels[i], b = columns.Pixels[i];
            litReference += (a & 0xFFFFFF) != 0;
            litColumns += (b & 0xFFFFFF) != 0;
            int worst = 0;
            for (int shift : {0, 8, 16}) {
                const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
                worst = std::max(worst, d);
                sum += d;
            }
            close += worst <= 2;
        }
        const double pixels = static_cast<double>(reference.Pixels.size());
        EXPECT_GE(close / pixels, 0.995);
        EXPECT_LE(static_cast<double>(sum) / (pixels * 3), 0.5);
        EXPECT_LE(std::abs(litColumns - litReference), litReference / 200);
        return litReference;
    }
    // An active, fully visible group at (x, y, z) with n + 1 letters; letter j shows the cell
    // (3j mod 10, 5j mod 8) at the flicker phase 0.37 j.
    mRain::Group& AddGroup(float x, float y, float z, int32_t n, bool vertical) {
        mRain::Group& group = Rain.Groups.emplace_back();
        group.Active = true;
        group.X = x, group.Y = y, group.Z = z;
        group.Vertical = vertical;
        group.Alpha = group.WordAlpha = 1;
        group.LetterMax = n;
        group.Letters.resize(n + 1);
        for (int16_t j = 0; j <= n; ++j)
            group.Letters[j] = {static_cast<int16_t>(j * 3 % 10), static_cast<int16_t>(j * 5 % 8), 0.37f * j, 0, 0};
        return group;
    }

    int32_t W = 0, H = 0;
    iGLDevice* Gl = nullptr;
};

TEST_P(ColumnPath, SeededRainAtTheDefaultsStraightTurnedAndOffsetLooksTheSameAsLetterByLetter) {
    RunRain(300);
    // Each a real frame of rain, not an empty one.
    EXPECT_GT(ExpectAlikeBothWays(Passes()), W * H / 40);
    EXPECT_GT(ExpectAlikeBothWays(Passes(SceneTransform{0.3f, {1.25f, -0.5f, 0.75f}})), W * H / 40);
    EXPECT_GT(ExpectAlikeBothWays(Passes(SceneTransform{1.5707964f, {0, 0, 0}})), W * H / 40);
    // Passes under different turns in one frame: the device keeps the last turn's rotation
    // for the next pass with the same inputs, and must not draw another turn with it.
    ExpectAlikeBothWays([&] {
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{0.1f, {0.5f, 0, 0}});
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{1.5707964f, {0.5f, 0, 0}});
        Renderer.RenderLetters(Device, Rain, Camera, SceneTransform{1.5707964f, {0.75f, 2.0f, -1.0f}});
    }, 6);
}

TEST_P(ColumnPath, HorizontalGroupsAndASpelledTextLookTheSameAsLetterByLetter) {
    Settings.Value("Horizontal", 50);
    RunRain(1);
    Rain.LogoCount = 1;  // past the first fill, recycled groups may run sideways
    StepRain(250);
    Rain.SetupWord("glyphfall<br>rain");
    StepRain(60);
    int horizontal = 0, words = 0;
    for (const mRain::Group& group : Rain.Groups) {
        horizontal += group.Active && !group.Vertical;
        words += group.Active && group.Arrived;
    }
    ASSERT_GT(horizontal, 10);
    ASSERT_GT(words, 5);
    EXPECT_GT(ExpectAlikeBothWays(Passes()), W * H / 40);
}

TEST_P(ColumnPath, LeadersGlowsDimmingAndUndrawnLettersLookTheSameAsLetterByLetter) {
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
    // A leaderless group's head (a = 0) and letters at zero brightness inside and at the end
    // of the trail are not drawn: they split the column into runs.
    mRain::Group& dark = AddGroup(3.2f, -15.0f, 2.5f, 9, true);
    dark.Letters[4].Phase = 4.0f;
    dark.Letters[9].Phase = 4.0f;
    AddGroup(5.0f, -12.0f, -1.0f, 6, false).Active = false;
    Camera.SetPosition(0, 5.0f, 0);
    EXPECT_GT(ExpectAlikeBothWays(Passes()), 500);
}

// Letters drawn farthest first skip the depth test; only the cells in front of a glow still
// reach the depth buffer, and the glow must stay hidden behind the whole cell, blank margin
// included, as when every letter was depth-tested.
TEST_P(ColumnPath, FarToNearLettersLookTheSameAsDepthTestingEveryLetter) {
    RunRain(300);
    EXPECT_GT(ExpectFarToNearAlike(Passes()), W * H / 40);
    EXPECT_GT(ExpectFarToNearAlike(Passes(SceneTransform{0.3f, {1.25f, -0.5f, 0.75f}})), W * H / 40);
    EXPECT_GT(ExpectFarToNearAlike(Passes(SceneTransform{1.5707964f, {0, 0, 0}})), W * H / 40);

    Rain.Groups.clear();
    for (int i = 0; i < 3; ++i) AddGroup(0.3f + i, -30.0f + i * 0.5f, 0.4f, 6, true).Leader = true;
    AddGroup(0.6f, -20.0f, 4.0f, 9, true);            // straight in front of the glows
    AddGroup(-4.0f, -18.0f, 0.7f, 12, false);         // across them, nearer still
    Camera.SetPosition(0, 5.0f, 0);
    EXPECT_GT(ExpectFarToNearAlike(Passes()), 500);
    EXPECT_GT(ExpectFarToNearAlike(Passes(SceneTransform{0.7f, {0.2f, 0.3f, -0.4f}})), 500);
    // The glows' cut parts, letter by letter as by columns.
    EXPECT_GT(ExpectAlikeBothWays(Passes(SceneTransform{0.7f, {0.2f, 0.3f, -0.4f}})), 500);
}

std::string SizeName(const ::testing::TestParamInfo<Size>& info) {
    return std::to_string(info.param.W) + "x" + std::to_string(info.param.H);
}

INSTANTIATE_TEST_SUITE_P(FourByThreeAndSixteenByNine, ColumnPath, ::testing::Values(Size{800, 600}, Size{1024, 576}),
                         SizeName);

class ColumnPathState : public ColumnPath {};

TEST_P(ColumnPathState, ShadersBuiltForTheStageDrawTheSameFrameAsTheGeneralShader) {
    RunRain(200);
    const cImage specialised = Frame(false, Passes());
    Gl->SetSpecialisedShaders(false);
    const cImage general = Frame(false, Passes());
    EXPECT_TRUE(specialised.Pixels == general.Pixels);
    // A stage reading the texture's inverse colour must not be served the plain shader.
    Device.Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT);
    const cImage generalInverse = Frame(false, Passes());
    Gl->SetSpecialisedShaders(true);
    const cImage specialisedInverse = Frame(false, Passes());
    EXPECT_TRUE(specialisedInverse.Pixels == generalInverse.Pixels);
    EXPECT_FALSE(specialisedInverse.Pixels == specialised.Pixels);
}

INSTANTIATE_TEST_SUITE_P(OneSize, ColumnPathState, ::testing::Values(Size{640, 480}), SizeName);

}  // namespace
