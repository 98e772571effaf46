// Sizing the table of ordinary groups from the "Count" setting.
#include <gtest/gtest.h>

#include "RainRig.h"

using rain_test::CountWords;
using rain_test::RainRig;

namespace {

// Marks every group so that a reset (which deals new letters) shows.
void Mark(cRain& rain) {
    for (mRain::Group& g : rain.Groups) g.Letters[0].Col = 99;
}

int CountMarked(const cRain& rain) {
    int n = 0;
    for (const mRain::Group& g : rain.Groups) n += g.Letters[0].Col == 99;
    return n;
}

void SetCount(RainRig& rig, const char* count) {
    rig.Settings.Value("Count", count);
    rig.Rain.SetupBackground();
}

}  // namespace

TEST(SetupBackground, FirstCallResetsEveryGroup) {
    RainRig rig;
    SetCount(rig, "150");
    EXPECT_EQ(rig.Rain.BaseGroupMax, 150);
    EXPECT_EQ(rig.Rain.GroupMax, 150);
    ASSERT_EQ(rig.Rain.Groups.size(), 151u);
    for (const mRain::Group& g : rig.Rain.Groups) {
        EXPECT_TRUE(g.Active);
        EXPECT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
    }
}

TEST(SetupBackground, GrowingResetsFromTheOldLastGroupOn) {
    RainRig rig;
    SetCount(rig, "150");
    Mark(rig.Rain);
    SetCount(rig, "200");
    ASSERT_EQ(rig.Rain.Groups.size(), 201u);
    for (int i = 0; i < 150; ++i) EXPECT_EQ(rig.Rain.Groups[i].Letters[0].Col, 99) << i;
    // Not only the 50 new ones: the old last group (150) restarts as well.
    EXPECT_EQ(CountMarked(rig.Rain), 150);
    for (int i = 150; i <= 200; ++i) EXPECT_TRUE(rig.Rain.Groups[i].Active);
}

TEST(SetupBackground, ShrinkingResetsNothingAndDropsTheWordLetters) {
    RainRig rig;
    SetCount(rig, "200");
    rig.Rain.SetupWord("gone");
    Mark(rig.Rain);
    SetCount(rig, "150");
    EXPECT_EQ(rig.Rain.GroupMax, 150);
    EXPECT_EQ(rig.Rain.Groups.size(), 151u);
    EXPECT_EQ(CountWords(rig.Rain), 0);
    EXPECT_EQ(CountMarked(rig.Rain), 151);
}

TEST(SetupBackground, SameCountAgainResetsNothingButDropsTheWordLetters) {
    RainRig rig;
    SetCount(rig, "20");
    rig.Rain.SetupWord("gone");
    Mark(rig.Rain);
    SetCount(rig, "20");
    EXPECT_EQ(CountWords(rig.Rain), 0);
    EXPECT_EQ(CountMarked(rig.Rain), 21);
}

TEST(SetupBackground, CountZeroKeepsOneGroupThatEveryCallRestarts) {
    RainRig rig;
    SetCount(rig, "0");
    ASSERT_EQ(rig.Rain.Groups.size(), 1u);
    Mark(rig.Rain);
    SetCount(rig, "0");
    EXPECT_EQ(rig.Rain.Groups.size(), 1u);
    EXPECT_EQ(CountMarked(rig.Rain), 0);
}

TEST(SetupBackground, FractionalCountRoundsHalfToEven) {
    RainRig rig;
    SetCount(rig, "10.5");
    EXPECT_EQ(rig.Rain.GroupMax, 10);
}

TEST(SetupBackground, NegativeCountIsReportedAndLeavesTheTableAlone) {
    RainRig rig;
    SetCount(rig, "30");
    Mark(rig.Rain);
    SetCount(rig, "-5");
    ASSERT_EQ(rig.Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(rig.Platform.Dialogs.Messages[0].Text.rfind("Error in frmMain.SetupBackground\r\n\r\n", 0), 0u);
    EXPECT_EQ(rig.Rain.BaseGroupMax, -5);  // taken before the resize failed
    EXPECT_EQ(rig.Rain.GroupMax, 30);
    EXPECT_EQ(CountMarked(rig.Rain), 31);
    // The next good count starts afresh.
    SetCount(rig, "30");
    EXPECT_EQ(CountMarked(rig.Rain), 0);
    EXPECT_EQ(rig.Rain.GroupMax, 30);
}

TEST(SetupBackground, CountThatIsNoNumberIsReported) {
    RainRig rig;
    SetCount(rig, "30");
    SetCount(rig, "many");
    ASSERT_EQ(rig.Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(rig.Rain.BaseGroupMax, 30);
    EXPECT_EQ(rig.Rain.GroupMax, 30);
}
