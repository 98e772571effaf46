// Sizing the table of ordinary groups from the "Count" setting.
#include <gtest/gtest.h>

#include "RainRig.h"

using rain_test::RainRig;

namespace {

// Marks every group; a reset deals new letters and so clears the mark.
void Mark(cRain& rain) {
    for (mRain::Group& g : rain.Groups) g.Letters[0].Col = 99;
}
int Marked(const cRain& rain, int from = 0) {
    int n = 0;
    for (size_t i = static_cast<size_t>(from); i < rain.Groups.size(); ++i) n += rain.Groups[i].Letters[0].Col == 99;
    return n;
}
void SetCount(RainRig& rig, const char* count) {
    rig.Settings.Value("Count", count);
    rig.Rain.SetupBackground();
}

}  // namespace

TEST(SetupBackground, GrowingResetsFromTheOldLastGroupOnShrinkingResetsNothingAndDropsTheWordLetters) {
    RainRig rig;
    SetCount(rig, "150");
    Mark(rig.Rain);
    SetCount(rig, "200");
    ASSERT_EQ(rig.Rain.Groups.size(), 201u);
    EXPECT_EQ(Marked(rig.Rain), 150);  // 0..149 go on; 150 restarts with the new ones
    EXPECT_EQ(Marked(rig.Rain, 150), 0);
    for (const char* count : {"150", "150"}) {  // smaller, then the same
        rig.Rain.SetupWord("gone");
        Mark(rig.Rain);
        SetCount(rig, count);
        EXPECT_EQ(rig.Rain.GroupMax(), 150);
        EXPECT_EQ(rig.Words(), 0);
        EXPECT_EQ(Marked(rig.Rain), 151);
    }
    SetCount(rig, "0");  // count zero keeps one group that every call restarts
    Mark(rig.Rain);
    SetCount(rig, "0");
    EXPECT_EQ(rig.Rain.Groups.size(), 1u);
    EXPECT_EQ(Marked(rig.Rain), 0);
}

TEST(SetupBackground, NegativeCountIsReportedAndLeavesTheTableAsItWas) {
    RainRig rig;
    SetCount(rig, "30");
    Mark(rig.Rain);
    SetCount(rig, "-5");
    ASSERT_EQ(rig.Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(rig.Platform.Dialogs.Messages[0].Text.rfind("Error in frmMain.SetupBackground\r\n\r\n", 0), 0u);
    EXPECT_EQ(rig.Rain.BaseGroupMax, -5);  // taken before the table could not be sized
    EXPECT_EQ(rig.Rain.GroupMax(), 30);
    EXPECT_EQ(Marked(rig.Rain), 31);
    SetCount(rig, "30");  // and the next good count starts afresh
    EXPECT_EQ(Marked(rig.Rain), 0);
}
