// Pixel checks of whole rain pictures on the headless GL context: the renderer, the device
// and the atlas together, seen as the user sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "device/cDevice.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "support/Groups.h"
#include "support/RainScene.h"

namespace {

class RainPicture : public ::testing::Test, protected testing_support::RainScene {
protected:
    static constexpr int32_t W = 320, H = 240;

    void SetUp() override {
        ASSERT_EQ(OpenScene(W, H), "");
        Rain.ReadSettings();
        Rain.SetupChars();
        Rain.LetterColor = {0, 160.0f / 255, 0, 1};
    }

    void LoadAtlas(const std::string& file) { ASSERT_EQ(Device.LoadTexture(file, -1), 0); }
    // An atlas whose every texel is white: each drawn cell then shows its letter's colour.
    void LoadWhiteAtlas() { ASSERT_TRUE(LoadAtlasImage(cImage(256, 256, 0xFFFFFFFFu))); }

    mRain::Group& AddGroup(float x, float y, float z, int32_t n, bool leader) {
        return testing_support::AddGroup(Rain, x, y, z, n, true, leader, 0.7853982f, 0, 0, 0);
    }

    cImage Render(bool leaders = true) {
        Device.BeginScene(Camera);
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, Scene);
        if (leaders) Renderer.RenderLeaders(Device, Rain, Scene);
        Device.EndScene();
        return Context.ReadPixels();
    }

    // The pixel at the centre of the world cell (x, y, z) (a letter's quad spans +-0.5 around it).
    uint32_t PixelAt(const cImage& frame, float x, float y, float z) {
        D3DMATRIX view = Camera.GetProjection(), viewProjection;
        mDXGraphics::TransformMultiply(viewProjection, view, Device.Projection());
        float c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = x * viewProjection.m[0][k] + y * viewProjection.m[1][k] + z * viewProjection.m[2][k] +
                   viewProjection.m[3][k];
        const int px = static_cast<int>((c[0] / c[3] + 1) * 0.5f * W);
        const int py = static_cast<int>((1 - c[1] / c[3]) * 0.5f * H);
        return frame.At(px, py);
    }

    SceneTransform Scene;
};

}  // namespace

TEST_F(RainPicture, AVerticalGroupLightsItsCellsInTheRainColourAtTheirBrightness) {
    LoadWhiteAtlas();
    const int32_t n = 8;
    const mRain::Group& group = AddGroup(0.3f, -30, 4.6f, n, false);
    const cImage frame = Render();
    for (int32_t j = 0; j <= n; ++j) {
        const float a = LetterBrightness(j, n, group.Letters[j].Phase, false, 1, group.Y + Rain.Distance);
        const uint32_t pixel = PixelAt(frame, 0, -30, std::floor(4.6f - j));
        EXPECT_EQ(ChannelR(pixel), 0u) << j;
        EXPECT_NEAR(ChannelG(pixel), a > 0 ? std::round(a * 160) : 0, 1) << "letter " << j;
    }
    EXPECT_EQ(ChannelG(PixelAt(frame, 1, -30, 3)), 0u);  // the next column over stays dark
}

TEST_F(RainPicture, TheLeaderGlowsGreyOverItsHead) {
    LoadAtlas(GLYPHFALL_ATLAS_FILE);
    AddGroup(0, -20, 0, 6, true);
    const cImage withoutGlow = Render(false);
    const cImage withGlow = Render(true);
    const uint32_t head = PixelAt(withGlow, 0, -20, 0);
    EXPECT_EQ(ChannelR(head), ChannelG(head));  // grey, not the rain colour
    int brighter = 0;
    for (int32_t i = 0; i < W * H; ++i) brighter += ChannelR(withGlow.Pixels[i]) > ChannelR(withoutGlow.Pixels[i]);
    EXPECT_GT(brighter, 20);
    EXPECT_GT(ChannelR(head), ChannelR(PixelAt(withoutGlow, 0, -20, 0)));
}

TEST_F(RainPicture, GroupsBeyondTheViewingDistanceAreDimmedAndOverlappingColumnsAddUp) {
    LoadWhiteAtlas();
    AddGroup(-3, -70.5f, 0, 8, false);  // half a cell past the distance: dim = 0.5417
    AddGroup(3, -20, 0, 8, false);
    const cImage frame = Render();
    const float near = static_cast<float>(ChannelG(PixelAt(frame, 3, -20, -4)));
    const float far = static_cast<float>(ChannelG(PixelAt(frame, -3, -70.5f, -4)));
    EXPECT_NEAR(far / near, 0.5 + 0.5 / 6 * 0.5, 0.02);
    // A nearer column whose cell covers the farther one's centre: both colours add.
    AddGroup(-3, -66, 0, 8, false);
    EXPECT_GT(ChannelG(PixelAt(Render(), -3, -70.5f, -4)), ChannelG(PixelAt(frame, -3, -70.5f, -4)));
}
