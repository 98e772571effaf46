// Glyph sets and glyph proportions as they reach the screen: the rain, the renderer, the
// device and an atlas made for the test, on the headless GL context.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/RainScene.h"
#include "support/RunningRain.h"

namespace {

// The bounding box of the lit pixels of a frame.
struct LitBox {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1, Pixels = 0;
    explicit LitBox(const cImage& frame) {
        for (int y = 0; y < frame.Height; ++y)
            for (int x = 0; x < frame.Width; ++x)
                if (ChannelG(frame.At(x, y)) > 0) {
                    Left = std::min(Left, x), Right = std::max(Right, x);
                    Top = std::min(Top, y), Bottom = std::max(Bottom, y);
                    ++Pixels;
                }
    }
    double Width() const { return Right - Left + 1; }
    double Height() const { return Bottom - Top + 1; }
    double CellShape(int cells) const { return Width() / cells / Height(); }
};

class Looks : public ::testing::Test, protected testing_support::RainScene {
protected:
    // A w x h frame, the rain at the defaults (with the changes given) and the atlas given.
    void Open(int32_t w, int32_t h, const cImage& atlas, std::string_view count = "150", std::string_view distance = "70") {
        ASSERT_EQ(OpenScene(w, h), "");
        ASSERT_TRUE(LoadAtlasImage(atlas));
        Settings.Value("Count", count);
        Settings.Value("Distance", distance);
        Platform.Clock.Ticks = 100000;
        testing_support::StartRain(Rain, Settings);
        Rain.FlyStep = 0;
    }
    void Frames(int count) {
        while (count-- > 0) testing_support::StepRain(Rain, Camera, Platform.Clock);
    }
    cImage Render(bool leaders) {
        Device.BeginScene(Camera);
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, {});
        if (leaders) Renderer.RenderLeaders(Device, Rain, {});
        Device.EndScene();
        return Context.ReadPixels();
    }
};

}  // namespace

TEST_F(Looks, KatakanaRainShowsTheKatakanaRowsOfTheAtlas) {
    cImage atlas(256, 256, 0xFF000000u);  // 16 texels a cell, lit only in rows 8 to 11, clear of their edges
    for (int y = 8 * 16; y < 12 * 16; ++y)
        for (int x = 0; x < 256; ++x)
            if (x % 16 > 1 && x % 16 < 14 && y % 16 > 1 && y % 16 < 14) atlas.At(x, y) = 0xFFFFFFFFu;
    Open(320, 240, atlas);
    Frames(30);
    EXPECT_EQ(LitBox(Render(true)).Pixels, 0);
    Rain.SelectGlyphs(1);
    Frames(100);
    EXPECT_GT(LitBox(Render(true)).Pixels, 2000);
}

TEST_F(Looks, KeptShapeShowsGlyphCellsAsOn4By3AndTheLogoNarrowerOnAWideScreen) {
    Open(1920, 1080, cImage(64, 64, 0xFFFFFFFFu), "0", "20");
    Rain.Groups[0].Active = false;  // only the logo
    Rain.LengthMode = 9;            // its letters keep a fresh slot's single cell: no trails
    Rain.SetupWord(mRain::LogoTexts[0]);  // "www.glyphfall.dev": 17 cells in a row
    Frames(90);
    for (const mRain::Group& g : Rain.Groups) ASSERT_TRUE(!g.IsWord || g.Arrived);
    const LitBox plain(Render(false));  // the glow would blur the cells' edges
    Device.SetKeepShape(true);
    const LitBox kept(Render(false));
    EXPECT_NEAR(plain.CellShape(17), 3.16, 0.1);
    EXPECT_NEAR(kept.CellShape(17), 1.78, 0.06);
    EXPECT_LT(kept.Width(), plain.Width() * 0.6);  // and the logo fits the screen with room to spare
    EXPECT_LT(plain.Width(), 1920);
}
