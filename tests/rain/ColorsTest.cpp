// The rain colour: colour texts, the colour dialog's answers, easing and random colours.
#include <gtest/gtest.h>

#include "RainRig.h"

using mRain::UserColorAnswer;
using rain_test::RainRig;

namespace {

UserColorAnswer::Kind KindOf(std::string_view answer) { return mRain::ParseUserColor(answer).What; }
std::string ColorOf(std::string_view answer) {
    const UserColorAnswer parsed = mRain::ParseUserColor(answer);
    return parsed.What == UserColorAnswer::Kind::Color ? parsed.Text : "(" + std::string(answer) + " refused)";
}

}  // namespace

// ---- Colour texts ----

TEST(SetHexColor, ReadsEitherLetterCaseAndStoresTheTextAsTyped) {
    RainRig rig;
    rig.Rain.SetHexColor("#00a0ff");
    const mRain::Color lower = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00a0ff");
    rig.Rain.SetHexColor("#00A0FF");
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00A0FF");
    EXPECT_EQ(rig.Rain.TargetColor.r, lower.r);
    EXPECT_EQ(rig.Rain.TargetColor.g, lower.g);
    EXPECT_EQ(rig.Rain.TargetColor.b, lower.b);
    EXPECT_FLOAT_EQ(lower.g, 160 / 255.0f);
    EXPECT_EQ(lower.b, 1.0f);
    EXPECT_EQ(rig.Rain.TargetColor.a, 1.0f);
}

TEST(SetHexColor, IgnoresTextsOfTheWrongShapeSilently) {
    RainRig rig;
    for (const char* bad : {"00A0FF", "#00A0F", "#00A0FF0", "", "x00A0FF"}) {
        rig.Rain.SetHexColor(bad);
        EXPECT_EQ(rig.Rain.TargetColor.a, 0.0f) << bad;
    }
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00A000");
    EXPECT_TRUE(rig.Platform.Dialogs.Messages.empty());
}

TEST(SetHexColor, ReadsTheLongestHexadecimalPrefixOfEachPair) {
    RainRig rig;
    rig.Rain.SetHexColor("#1GGG0f");
    EXPECT_FLOAT_EQ(rig.Rain.TargetColor.r, 1 / 255.0f);
    EXPECT_EQ(rig.Rain.TargetColor.g, 0.0f);
    EXPECT_FLOAT_EQ(rig.Rain.TargetColor.b, 15 / 255.0f);
    rig.Rain.SetHexColor("#\u00E900000");  // seven characters, one of them two bytes long
    EXPECT_EQ(rig.Rain.TargetColor.r, 0.0f);
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#\u00E900000");
}

TEST(ColorPresets, EveryItemButTheSeparatorIsAColourText) {
    RainRig rig;
    ASSERT_EQ(mRain::ColorPresets.size(), 9u);
    EXPECT_EQ(mRain::ColorPresets[1].Color, "#00A000");
    for (const mRain::ColorPreset& preset : mRain::ColorPresets)
        EXPECT_EQ(mRain::IsColorText(preset.Color), preset.Label != "-") << preset.Label;
    rig.Rain.SetHexColor(mRain::ColorPresets[3].Color);  // the separator changes nothing
    EXPECT_EQ(rig.Rain.TargetColor.a, 0.0f);
}

// ---- The colour dialog ----

TEST(UserColorDialog, AcceptsHexTextsAndThreeNumbers) {
    EXPECT_EQ(ColorOf("0,128,255"), "#0080FF");
    EXPECT_EQ(ColorOf("10,11,12"), "#0A0B0C");
    EXPECT_EQ(ColorOf("255 , 0 , 0"), "#FF0000");
    EXPECT_EQ(ColorOf("1,2,3,4"), "#010203");
    EXPECT_EQ(ColorOf("  #00a0ff "), "#00a0ff");
    EXPECT_EQ(ColorOf("127.5,0.4,254.5"), "#8000FE");  // nearest, halves to even
}

TEST(UserColorDialog, EmptyOrCancelledChangesNothing) {
    EXPECT_EQ(KindOf(""), UserColorAnswer::Kind::Nothing);
    EXPECT_EQ(KindOf("    "), UserColorAnswer::Kind::Nothing);
}

TEST(UserColorDialog, RefusesWhatIsNoColourOutLoud) {
    for (const char* bad : {"red", "00A0FF", "#00A0F", "#00A0FF0", "300,0,0", "-1,0,0", "0,256,0", "a,b,c",
                            "1,,2,3", "1, ,2", ",1,2", "1,2,", "1,2", "1e10,0,0"})
        EXPECT_EQ(KindOf(bad), UserColorAnswer::Kind::Invalid) << bad;
}

TEST(UserColorDialog, DefaultTextIsTheShownColourInWholeNumbers) {
    RainRig rig;
    rig.Rain.SetHexColor("#00A000");
    rig.Rain.LetterColor = rig.Rain.TargetColor;
    EXPECT_EQ(rig.Rain.UserColorDefault(), "0,160,0");
    rig.Rain.LetterColor = {0.999f, 0.5f, 0.0039f, 1};
    EXPECT_EQ(rig.Rain.UserColorDefault(), "254,127,0");
}

// ---- Easing ----

TEST(FadeTo, FullSwingStartsAtATenthAndLandsExactlyWithoutOvershoot) {
    float current = 0;
    mRain::FadeTo(current, 1);
    EXPECT_FLOAT_EQ(current, 0.1f);
    int frames = 1;
    float last = current;
    while (current != 1.0f && frames < 200) {
        mRain::FadeTo(current, 1);
        ASSERT_GT(current, last);
        ASSERT_LE(current, 1.0f);
        last = current;
        ++frames;
    }
    EXPECT_EQ(current, 1.0f);
    EXPECT_GT(frames, 10);  // a few dozen frames, not a jump
    EXPECT_LT(frames, 40);
}

TEST(FadeTo, ApproachesFromAboveAndStaysOnTarget) {
    float current = 0.9f;
    for (int frame = 0; frame < 100; ++frame) {
        mRain::FadeTo(current, 0.3f);
        ASSERT_GE(current, 0.3f);
    }
    EXPECT_EQ(current, 0.3f);
    float small = 0.305f;
    mRain::FadeTo(small, 0.3f);  // the last hundredth: no step past the target
    EXPECT_EQ(small, 0.3f);
}

TEST(FadeTo, KeepsTheShownColourWithinZeroToOne) {
    float current = 1.5f;
    mRain::FadeTo(current, 2.0f);
    EXPECT_EQ(current, 1.0f);
    current = -0.5f;
    mRain::FadeTo(current, -1.0f);
    EXPECT_EQ(current, 0.0f);
}

TEST(FadeLetterColor, EasesRedGreenAndBlueButNotAlpha) {
    RainRig rig;
    rig.Rain.LetterColor = {0, 1, 0.5f, 0.25f};
    rig.Rain.TargetColor = {1, 0, 0.5f, 1};
    rig.Rain.FadeLetterColor();
    EXPECT_FLOAT_EQ(rig.Rain.LetterColor.r, 0.1f);
    EXPECT_FLOAT_EQ(rig.Rain.LetterColor.g, 0.9f);
    EXPECT_EQ(rig.Rain.LetterColor.b, 0.5f);
    EXPECT_EQ(rig.Rain.LetterColor.a, 0.25f);
}

// ---- Random colours ----

TEST(RandomColors, FirstChangeComesOnTheFirstFrameAfterTheStart) {
    RainRig rig;
    rig.Rain.StartColorTimer();
    const int32_t start = rig.Rain.NextColorTime;
    rig.Rain.SampleNow();
    rig.Rain.RandomColorStep();
    EXPECT_EQ(rig.Rain.TargetColor.a, 0.0f);  // not later than the start yet
    rig.Platform.Clock.Ticks += 1;
    rig.Rain.SampleNow();
    rig.Rain.RandomColorStep();
    EXPECT_EQ(rig.Rain.TargetColor.a, 1.0f);
    EXPECT_GE(rig.Rain.NextColorTime, start + 2000);
    EXPECT_LE(rig.Rain.NextColorTime, start + 7000);
    EXPECT_EQ(rig.Settings.Value("Color").Text(), "#00A000");
}

TEST(RandomColors, TimerCatchesUpOneFrameAtATimeAfterAPause) {
    RainRig rig;
    rig.Rain.StartColorTimer();
    rig.Platform.Clock.Ticks += 60000;  // random colours were off for a minute
    int changes = 0;
    for (int frame = 0; frame < 100; ++frame) {
        rig.Platform.Clock.Ticks += 50;
        rig.Rain.SampleNow();
        const int32_t before = rig.Rain.NextColorTime;
        rig.Rain.RandomColorStep();
        if (rig.Rain.NextColorTime == before) continue;
        ++changes;
        EXPECT_GE(rig.Rain.NextColorTime - before, 2000);
        EXPECT_LE(rig.Rain.NextColorTime - before, 7000);
    }
    // About 60 s / 4.5 s of back-to-back changes, then one every 2 to 7 s.
    EXPECT_GE(changes, 9);
    EXPECT_LE(changes, 31);
    EXPECT_GE(rig.Rain.NextColorTime, rig.Rain.Now);
}
