// The colour modes as they reach the screen: the seeded rain on the headless GL context with
// the program's atlas, once per mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/RainScene.h"
#include "support/RunningRain.h"

namespace {

class ColorModes : public ::testing::Test, protected testing_support::RainScene {
protected:
    void SetUp() override {
        ASSERT_EQ(OpenScene(320, 240), "");
        ASSERT_EQ(Device.LoadTexture(GLYPHFALL_ATLAS_FILE, -1), 0);
        Platform.Clock.Ticks = 100000;
        Settings.Value("Color", "#00FF00");
    }
    void Start(mRain::ColorScheme scheme, std::string_view count = "150") {
        Settings.Value("Count", count);
        testing_support::StartRain(Rain, Settings);
        Rain.FlyStep = 0;
        Rain.SetColorScheme(std::move(scheme));
    }
    void Frames(int count) {
        while (count-- > 0) testing_support::StepRain(Rain, Camera, Platform.Clock);
    }
    cImage Render() {
        Device.BeginScene(Camera);
        Device.SetTexture(0, 0);
        Renderer.RenderLetters(Device, Rain, Camera, {});
        Renderer.RenderLeaders(Device, Rain, {});
        Device.EndScene();
        EXPECT_TRUE(Platform.Dialogs.Messages.empty());
        return Context.ReadPixels();
    }
    // Only ordinary columns without leaders: their pixels are the mode's colours alone.
    void DropLeaders() {
        for (mRain::Group& g : Rain.Groups) g.Leader = false;
    }
    // One falling column without a leader across the middle of the picture, head near the bottom.
    void OneColumn() {
        mRain::Group& g = Rain.Groups[0];
        g.Vertical = true, g.Leader = false, g.Alpha = 1;
        g.X = 0, g.Z = 8, g.Y = Camera.GetY() - 40;
        for (mRain::Letter& letter : g.Letters) letter.Phase = 0.7853982f;  // full flicker
    }
};

mRain::ColorScheme Scheme(mRain::ColorMode mode, std::vector<mRain::Color> palette = {}) {
    mRain::ColorScheme scheme;
    scheme.Mode = mode;
    scheme.Palette = std::move(palette);
    return scheme;
}

// The hue of a pixel in twelfths of the circle.
int HueSector(uint32_t p) {
    const int r = ChannelR(p), g = ChannelG(p), b = ChannelB(p);
    const int high = std::max({r, g, b}), low = std::min({r, g, b});
    if (high - low < 40) return -1;  // greyish: no hue to speak of
    double h;
    if (high == r) h = (g - b) / double(high - low);
    else if (high == g) h = 2 + (b - r) / double(high - low);
    else h = 4 + (r - g) / double(high - low);
    return (static_cast<int>((h < 0 ? h + 6 : h) * 2)) % 12;
}

// Red over green summed over the lit pixels of rows [top, bottom).
double RedShare(const cImage& frame, int top, int bottom) {
    double red = 0, green = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < frame.Width; ++x) red += ChannelR(frame.At(x, y)), green += ChannelG(frame.At(x, y));
    return green > 0 ? red / green : 0;
}

}  // namespace

TEST_F(ColorModes, OneColourIsTheClassicFrameAndAGradientWhitensEachColumnTowardItsHead) {
    Start({}, "0");
    Frames(5);
    OneColumn();
    const cImage classic = Render();
    Rain.SetColorScheme(Scheme(mRain::ColorMode::One));
    EXPECT_EQ(Render().Pixels, classic.Pixels);
    int top = classic.Height, bottom = 0;
    for (int y = 0; y < classic.Height; ++y)
        for (int x = 0; x < classic.Width; ++x)
            if (ChannelG(classic.At(x, y)) > 0) top = std::min(top, y), bottom = std::max(bottom, y + 1);
    ASSERT_GT(bottom - top, 60) << "the column is in the picture";
    EXPECT_EQ(RedShare(classic, 0, classic.Height), 0);

    Rain.SetColorScheme(Scheme(mRain::ColorMode::Gradient));  // white head into the green
    const cImage gradient = Render();
    const int third = (bottom - top) / 3;
    const double trail = RedShare(gradient, top, top + third), head = RedShare(gradient, bottom - third, bottom);
    EXPECT_LT(trail, 0.05);
    EXPECT_GT(head, 0.4);
}

TEST_F(ColorModes, RainbowColumnsDifferInHueAcrossThePictureAndDriftSlowly) {
    Start(Scheme(mRain::ColorMode::Rainbow));
    Frames(40);
    DropLeaders();
    std::set<int> hues;
    for (uint32_t p : Render().Pixels)
        if (HueSector(p) >= 0) hues.insert(HueSector(p));
    EXPECT_GE(hues.size(), 8u);
    // A second later a column's colour has moved, but not far.
    const mRain::Group& g = Rain.Groups[Rain.GroupMax() / 2];
    const mRain::Color before = g.Tint;
    Frames(20);
    const double moved = std::abs(g.Tint.r - before.r) + std::abs(g.Tint.g - before.g) + std::abs(g.Tint.b - before.b);
    EXPECT_GT(moved, 0);
    EXPECT_LT(moved, 0.3);
}

TEST_F(ColorModes, PaletteColumnsShowOnlyThePalettesColoursAndEaseIntoThemFromTheRainColour) {
    const std::vector<mRain::Color> palette = {{1, 0, 0, 1}, {0, 0, 1, 1}};
    Start({}, "40");
    Frames(20);
    Rain.SetColorScheme(Scheme(mRain::ColorMode::Palette, palette));
    // Colours never jump: every column starts from the green and moves a step a frame.
    Frames(1);
    for (const mRain::Group& g : Rain.Groups) {
        if (!g.Active) continue;
        EXPECT_GT(g.Tint.g, 0.8f);
    }
    Frames(60);
    DropLeaders();
    int lit = 0, inPalette = 0, red = 0, blue = 0;
    for (uint32_t p : Render().Pixels) {
        const uint32_t r = ChannelR(p), g = ChannelG(p), b = ChannelB(p);
        if (std::max({r, g, b}) < 30) continue;
        ++lit;
        red += r > 30 && g < 8 && b < 8;
        blue += b > 30 && g < 8 && r < 8;
    }
    inPalette = red + blue;
    ASSERT_GT(lit, 300);
    EXPECT_GT(inPalette, lit * 0.9);  // the rest: a red and a blue letter on one pixel
    EXPECT_GT(red, lit / 10);
    EXPECT_GT(blue, lit / 10);
}
