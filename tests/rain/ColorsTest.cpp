// The rain colour: colour texts, the colour dialog's answers, easing and random colours.
#include <gtest/gtest.h>

#include "RainRig.h"

using Kind = mRain::UserColorAnswer::Kind;
using rain_test::RainRig;

TEST(SetHexColor, TakesOnlyColourTextsAndStoresThemAsTyped) {
    RainRig rig;
    for (const char* bad : {"00A0FF", "#00A0F", "#00A0FF0", ""}) rig.Rain.SetHexColor(bad);
    EXPECT_EQ(rig.Rain.TargetColor.a, 0.0f);
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00A000");

    rig.Rain.SetHexColor("#00a0ff");
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00a0ff");
    const mRain::Color lower = rig.Rain.TargetColor;
    rig.Rain.SetHexColor("#00A0FF");
    EXPECT_EQ(rig.Rain.TargetColor.g, lower.g);
    EXPECT_FLOAT_EQ(lower.g, 160 / 255.0f);
    EXPECT_EQ(lower.b, 1.0f);
    EXPECT_EQ(lower.a, 1.0f);
    rig.Rain.SetHexColor("#1GGG0f");  // each pair reads its longest hexadecimal prefix
    EXPECT_FLOAT_EQ(rig.Rain.TargetColor.r, 1 / 255.0f);
    EXPECT_EQ(rig.Rain.TargetColor.g, 0.0f);
    EXPECT_FLOAT_EQ(rig.Rain.TargetColor.b, 15 / 255.0f);
}

TEST(UserColorDialog, OffersTheShownColourAndTurnsAnswersIntoColourTextsOrRefusesThem) {
    auto color = [](std::string_view answer) {
        const mRain::UserColorAnswer parsed = mRain::ParseUserColor(answer);
        return parsed.What == Kind::Color ? parsed.Text : "refused";
    };
    for (auto [typed, text] : {std::pair{"0,128,255", "#0080FF"}, {"10,11,12", "#0A0B0C"}, {"255 , 0 , 0", "#FF0000"},
                               {"1,2,3,4", "#010203"}, {"127.5,0.4,254.5", "#8000FE"}, {"  #00a0ff ", "#00a0ff"}})
        EXPECT_EQ(color(typed), text) << typed;  // nearest, halves to even
    EXPECT_EQ(mRain::ParseUserColor("   ").What, Kind::Nothing);
    for (const char* bad : {"red", "00A0FF", "#00A0F", "#00A0FF0", "300,0,0", "-1,0,0", "a,b,c", "1,,2,3", ",1,2",
                            "1,2,", "1e10,0,0"})
        EXPECT_EQ(mRain::ParseUserColor(bad).What, Kind::Invalid) << bad;
    // It offers the colour shown, in whole numbers.
    RainRig rig;
    rig.Rain.SetHexColor("#00A000");
    rig.Rain.LetterColor = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Rain.UserColorDefault(), "0,160,0");
    rig.Rain.LetterColor = {0.999f, 0.5f, 0.0039f, 1};
    EXPECT_EQ(rig.Rain.UserColorDefault(), "254,127,0");
}

TEST(FadeTo, EasesWithoutOvershootAndLandsExactly) {
    float current = 0;
    mRain::FadeTo(current, 1);
    EXPECT_FLOAT_EQ(current, 0.1f);
    int frames = 1;
    for (float last = current; current != 1.0f && frames < 100; last = current, ++frames) {
        mRain::FadeTo(current, 1);
        ASSERT_TRUE(current > last && current <= 1.0f);
    }
    EXPECT_TRUE(frames > 10 && frames < 40) << frames;
    float near = 0.305f;
    mRain::FadeTo(near, 0.3f);  // the last hundredth stops on the target
    EXPECT_EQ(near, 0.3f);
    float outside = 1.5f;
    mRain::FadeTo(outside, 2.0f);
    EXPECT_EQ(outside, 1.0f);
}

TEST(RandomColors, ChangeAfterTheStartAndCatchUpOneFrameAtATimeAfterAPause) {
    RainRig rig;
    rig.Rain.StartColorTimer();
    rig.Rain.RandomColorStep();
    EXPECT_EQ(rig.Rain.TargetColor.a, 0.0f);  // not later than the start yet
    rig.Platform.Clock.Ticks += 60000;  // a minute with random colours off
    int changes = 0;
    for (int frame = 0; frame < 100; ++frame) {
        rig.Platform.Clock.Ticks += 50;
        rig.Rain.SampleNow();
        const int32_t before = rig.Rain.NextColorTime;
        rig.Rain.RandomColorStep();
        if (rig.Rain.NextColorTime == before) continue;
        ++changes;
        ASSERT_TRUE(rig.Rain.NextColorTime - before >= 2000 && rig.Rain.NextColorTime - before <= 7000);
    }
    EXPECT_TRUE(changes >= 9 && changes <= 31) << changes;  // back to back while behind
    EXPECT_EQ(rig.Rain.TargetColor.a, 1.0f);
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00A000");
}
