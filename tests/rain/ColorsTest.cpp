// The colour dialog's default text: the colour shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "RainRig.h"

using rain_test::RainRig;

TEST(UserColorDialog, OffersTheShownColourInWholeNumbers) {
    RainRig rig;
    rig.Rain.SetColor(*ReadColorText("#00A000"));
    rig.Rain.LetterColor = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Rain.UserColorDefault(), "0,160,0");
    rig.Rain.LetterColor = {0.999f, 0.5f, 0.0039f, 1};
    EXPECT_EQ(rig.Rain.UserColorDefault(), "254,127,0");
}


TEST(TypedPalette, TakesTwoToSixteenColoursAndRefusesAnythingElseWithAReason) {
    const mRain::PaletteAnswer three = mRain::ParsePalette("#00FF41, #008F11,#003B00");
    ASSERT_EQ(three.Error, "");
    ASSERT_EQ(three.Colors.size(), 3u);
    EXPECT_EQ(mRain::PaletteText(three.Colors), "#00FF41, #008F11, #003B00");
    std::string sixteen, seventeen;
    for (int i = 0; i < 16; ++i) sixteen += "#102030 ";
    seventeen = sixteen + "#405060";
    EXPECT_EQ(mRain::ParsePalette(sixteen).Colors.size(), 16u);
    for (const std::string& bad : {std::string("#00FF41"), seventeen, std::string(""), std::string("#00FF41, green"),
                                   std::string("#00FF41, #00FG41"), std::string("#00FF41, #00FF4"), std::string(100000, '#')}) {
        const mRain::PaletteAnswer answer = mRain::ParsePalette(bad);
        EXPECT_TRUE(answer.Colors.empty()) << bad.substr(0, 40);
        EXPECT_NE(answer.Error, "") << bad.substr(0, 40);
        EXPECT_LT(answer.Error.size(), 80u);
    }
    // Single colours as the dialog takes them; anything shaped like one but not one is refused.
    EXPECT_TRUE(mRain::ColorFromText("255,128,0").has_value());
    EXPECT_FALSE(mRain::ColorFromText("#GGGGGG").has_value());
    EXPECT_EQ(mRain::ColorText(*mRain::ColorFromText(" #ff8000 ")), "#FF8000");
}

TEST(ColumnColours, SettleOnTheirPaletteColourAndRandomColoursMoveThemOnOneEasingStepAtATime) {
    RainRig rig;
    rig.Background(30);
    mRain::ColorScheme scheme;
    scheme.Mode = mRain::ColorMode::Palette;
    scheme.Palette = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    rig.Rain.SetColorScheme(scheme);
    auto frame = [&] {
        rig.Platform.Clock.Ticks += 50;
        rig.Rain.SampleNow();
        rig.Rain.RandomColorStep();
        rig.Rain.FadeLetterColor();
        rig.Rain.Animate();
    };
    for (int i = 0; i < 100; ++i) frame();
    for (const mRain::Group& g : rig.Rain.Groups)
        EXPECT_EQ(g.Tint.r + g.Tint.g + g.Tint.b, 1) << g.Tint.r << " " << g.Tint.g << " " << g.Tint.b;
    rig.Rain.StartColorTimer();
    int moved = 0;
    for (int i = 0; i < 300; ++i) {
        // The depth sort moves columns about; each keeps its letters.
        std::map<const mRain::Letter*, mRain::Color> before;
        for (const mRain::Group& g : rig.Rain.Groups) before[g.Letters.data()] = g.Tint;
        frame();
        for (const mRain::Group& g : rig.Rain.Groups) {
            const auto found = before.find(g.Letters.data());
            if (g.Alpha == 0 || found == before.end()) continue;  // a column that just restarted, unseen
            const mRain::Color& was = found->second;
            const float step =
                std::max({std::abs(g.Tint.r - was.r), std::abs(g.Tint.g - was.g), std::abs(g.Tint.b - was.b)});
            EXPECT_LE(step, 0.11f);
            moved += step > 0;
        }
    }
    EXPECT_GT(moved, 30);
}
