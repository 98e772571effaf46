// Group reset, letters, the depth sort and the glyph table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RainRig.h"

using rain_test::RainRig;

// ---- Group reset ----

TEST(FirstFill, IgnoresTheHorizontalAndLeaderSettingsAndCapsSpeed) {
    RainRig rig;
    rig.Settings.Value("Horizontal", 100);
    rig.Settings.Value("Leaders", 0);
    rig.Rain.ReadSettings();
    rig.Rain.MaxSpeed = 5;
    rig.Rain.MinSpeed = 1;
    rig.Background(2000, /*firstFillOver=*/false);

    int leaders = 0;
    for (const mRain::Group& g : rig.Rain.Groups) {
        ASSERT_TRUE(g.Vertical);
        EXPECT_EQ(g.Z, -30.0f);  // every column starts at the same height
        EXPECT_EQ(g.LastCell, -30.0f);
        EXPECT_LE(g.Speed, 1.5f);
        leaders += g.Leader;
    }
    EXPECT_NEAR(leaders / 2000.0, 0.6, 0.05);
}

TEST(GroupReset, LaterGroupsFollowTheLeaderSetting) {
    RainRig rig;
    rig.Background(300);
    rig.Rain.LeaderPercent = 0;
    for (int i = 0; i < 300; ++i) rig.Rain.ResetGroup(i);
    for (const mRain::Group& g : rig.Rain.Groups) ASSERT_FALSE(g.Leader);
    rig.Rain.LeaderPercent = 100;
    for (int i = 0; i < 300; ++i) rig.Rain.ResetGroup(i);
    for (const mRain::Group& g : rig.Rain.Groups) ASSERT_TRUE(g.Leader);
}

TEST(GroupReset, LaterVerticalGroupsEnterAtScatteredHeights) {
    RainRig rig;
    rig.Settings.Value("Horizontal", 0);
    rig.Background(500);
    for (int i = 0; i < 500; ++i) rig.Rain.ResetGroup(i);
    float lowest = 0, highest = -40;
    for (const mRain::Group& g : rig.Rain.Groups) {
        ASSERT_TRUE(g.Vertical);
        ASSERT_GE(g.Z, -40.0f);
        ASSERT_LE(g.Z, 0.0f);
        EXPECT_EQ(g.LastCell, g.Z);
        lowest = std::min(lowest, g.Z);
        highest = std::max(highest, g.Z);
    }
    EXPECT_LT(lowest, -35);
    EXPECT_GT(highest, -5);
}

TEST(GroupReset, HorizontalSettingIsReadAtEachReset) {
    RainRig rig;
    rig.Background(400);
    rig.Settings.Value("Horizontal", 50);
    for (int i = 0; i < 400; ++i) rig.Rain.ResetGroup(i);
    int sideways = 0;
    for (const mRain::Group& g : rig.Rain.Groups) {
        if (g.Vertical) continue;
        ++sideways;
        EXPECT_EQ(g.LastCell, g.X);
        EXPECT_GE(g.Z, -40.0f);
        EXPECT_LE(g.Z, 40.0f);
    }
    EXPECT_NEAR(sideways / 400.0, 0.5, 0.1);
}

TEST(GroupReset, HorizontalZeroTurnsAGroupSidewaysOnlyOnAnExactZeroDraw) {
    RainRig rig;
    rig.Settings.Value("Horizontal", 0);
    rig.Background(1);
    rig.Rain.LengthMode = 9;  // no draw for the length; the slot keeps its single letter
    rig.Rain.Groups[0].LetterMax = 0;
    rig.Rnd.Script({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, /*direction*/ 0.0f});
    rig.Rain.ResetGroup(0);
    EXPECT_FALSE(rig.Rain.Groups[0].Vertical);
    rig.Rnd.Script({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, /*direction*/ 1e-7f});
    rig.Rain.ResetGroup(0);
    EXPECT_TRUE(rig.Rain.Groups[0].Vertical);
}

TEST(GroupReset, TrailLengthFollowsTheLengthMode) {
    struct Range {
        int mode, low, high;
    };
    for (Range range : {Range{0, 5, 20}, Range{1, 10, 50}, Range{2, 20, 80}}) {
        RainRig rig;
        rig.Rain.LengthMode = range.mode;
        rig.Background(2000);
        int lowest = 1000, highest = -1;
        for (const mRain::Group& g : rig.Rain.Groups) {
            ASSERT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
            lowest = std::min(lowest, g.LetterMax);
            highest = std::max(highest, g.LetterMax);
        }
        EXPECT_EQ(lowest, range.low) << "mode " << range.mode;
        EXPECT_EQ(highest, range.high) << "mode " << range.mode;
    }
}

TEST(GroupReset, UnknownLengthModeKeepsTheTrailLengthButRebuildsTheLetters) {
    RainRig rig;
    rig.Background(3);
    mRain::Group& g = rig.Rain.Groups[1];
    const int32_t length = g.LetterMax;
    for (mRain::Letter& letter : g.Letters) letter.Col = 99;
    rig.Rain.LengthMode = 3;
    rig.Rain.ResetGroup(1);
    EXPECT_EQ(g.LetterMax, length);
    ASSERT_EQ(g.Letters.size(), static_cast<size_t>(length) + 1);
    for (const mRain::Letter& letter : g.Letters) EXPECT_LE(letter.Col, 9);
}

TEST(GroupReset, FallSpeedZeroGivesEveryGroupATenthOfACell) {
    RainRig rig;
    rig.Rain.MaxSpeed = 0;
    rig.Rain.MinSpeed = 0;
    rig.Rain.LeaderPercent = 50;
    rig.Background(300);
    for (int i = 0; i < 300; ++i) rig.Rain.ResetGroup(i);
    bool sawLeader = false;
    for (const mRain::Group& g : rig.Rain.Groups) {
        EXPECT_EQ(g.Speed, 0.1f);
        EXPECT_TRUE(std::isfinite(g.Y));
        sawLeader |= g.Leader;
    }
    EXPECT_TRUE(sawLeader);
}

TEST(GroupReset, SpeedsAndDepthsDependOnTheLeaderFlag) {
    RainRig rig;
    rig.Rain.FlyStep = 1;
    rig.Camera.SetPosition(0, -500, 0);
    rig.Background(2000);
    for (int i = 0; i < 2000; ++i) rig.Rain.ResetGroup(i);
    for (const mRain::Group& g : rig.Rain.Groups) {
        // y0 is 0 for leaders and in (-1, 0] otherwise; the lead ahead of the flying camera
        // is (FlyStep / Speed) * 40.
        const double y0 = g.Y - (-70.0 - 500.0 - (1.0 / g.Speed) * 40.0);
        if (g.Leader) {
            EXPECT_NEAR(y0, 0, 1e-3);
            EXPECT_GE(g.Speed, 0.2f);
            EXPECT_LE(g.Speed, 0.92f * 1.5f + 1e-6f);
        } else {
            EXPECT_LE(y0, 1e-3);
            EXPECT_GT(y0, -1 - 1e-3);
            EXPECT_GE(g.Speed, 0.1f);
            EXPECT_LE(g.Speed, 0.75f + 1e-6f);
        }
        EXPECT_EQ(g.Alpha, 0);
        EXPECT_FALSE(g.Fading);
        EXPECT_EQ(g.WordAlpha, 1.0f);
        EXPECT_LE(std::fabs(g.X), 60.0f);
    }
}

TEST(NewLetter, PhaseStartsHalfARadianPerPlaceAfterTheHead) {
    RainRig rig;
    for (int n = 0; n < 2000; ++n) {
        const mRain::Letter head = rig.Rain.NewLetter(0);
        ASSERT_GE(head.Phase, 3.141f);
        ASSERT_LT(head.Phase, 5.141f);
        const mRain::Letter tenth = rig.Rain.NewLetter(10);
        ASSERT_GE(tenth.Phase, 8.141f);
        ASSERT_LT(tenth.Phase, 10.141f);
        ASSERT_GE(head.ChangeTime, rig.Rain.Now);
        ASSERT_LE(head.ChangeTime, rig.Rain.Now + 2000);
        ASSERT_LT(head.PhaseStep, 0.1f);
    }
}

TEST(NewLetter, GlyphsCoverTheWholeRandomBlock) {
    RainRig rig;
    bool col[10] = {}, row[8] = {};
    for (int n = 0; n < 5000; ++n) {
        const mRain::Letter letter = rig.Rain.NewLetter(0);
        ASSERT_GE(letter.Col, 0);
        ASSERT_LE(letter.Col, 9);
        ASSERT_GE(letter.Row, 0);
        ASSERT_LE(letter.Row, 7);
        col[letter.Col] = row[letter.Row] = true;
    }
    EXPECT_TRUE(std::all_of(std::begin(col), std::end(col), [](bool b) { return b; }));
    EXPECT_TRUE(std::all_of(std::begin(row), std::end(row), [](bool b) { return b; }));
}

// ---- Depth sort ----

namespace {

// The sort the drawing order is defined by: bubble passes until one swaps nothing.
void ReferenceBubbleSort(std::vector<std::pair<float, int>>& items) {
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 1; i < items.size(); ++i)
            if (items[i].first < items[i - 1].first) {
                std::swap(items[i], items[i - 1]);
                swapped = true;
            }
    }
}

}  // namespace

TEST(SortGroups, GivesExactlyTheBubbleSortOrder) {
    RainRig rig;
    mCore::cRandom shapes(7);
    for (int round = 0; round < 300; ++round) {
        const int count = static_cast<int>(shapes.Next() * 120);
        // Few distinct depths in some rounds, so equal keys are common.
        const int distinct = round % 3 == 0 ? 4 : 1000;
        std::vector<std::pair<float, int>> expected;
        rig.Rain.Groups.assign(static_cast<size_t>(count), {});
        for (int i = 0; i < count; ++i) {
            const float y = static_cast<float>(static_cast<int>(shapes.Next() * distinct)) - distinct / 2;
            rig.Rain.Groups[i].Y = y;
            rig.Rain.Groups[i].LetterMax = i;  // identifies the record
            expected.emplace_back(y, i);
        }
        rig.Rain.GroupMax = count - 1;
        rig.Rain.SortGroups();
        ReferenceBubbleSort(expected);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(rig.Rain.Groups[i].LetterMax, expected[i].second) << "round " << round << ", index " << i;
            ASSERT_EQ(rig.Rain.Groups[i].Y, expected[i].first);
        }
    }
}

TEST(SortGroups, MovesTheLetterBuffersWithTheirGroupsWithoutCopyingThem) {
    RainRig rig;
    rig.Background(50);
    for (int i = 0; i < 50; ++i) rig.Rain.Groups[i].Y = static_cast<float>(50 - i);
    std::vector<const mRain::Letter*> buffers;
    for (const mRain::Group& g : rig.Rain.Groups) buffers.push_back(g.Letters.data());
    rig.Rain.SortGroups();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(rig.Rain.Groups[i].Y, static_cast<float>(i + 1));
        EXPECT_EQ(rig.Rain.Groups[i].Letters.data(), buffers[49 - i]);
    }
}

// ---- Glyph table ----

TEST(GlyphTable, FindsLowerCaseEntriesOnly) {
    RainRig rig;
    EXPECT_EQ(rig.Rain.FindChar("a"), 0);
    EXPECT_EQ(rig.Rain.FindChar("A"), -1);
    EXPECT_EQ(rig.Rain.FindChar(" "), -1);
    EXPECT_EQ(rig.Rain.FindChar("\u00A5"), 55);
    EXPECT_EQ(rig.Rain.FindChar("\u00A9"), 52);
    EXPECT_EQ(rig.Rain.FindChar(""), -1);
    EXPECT_EQ(rig.Rain.FindChar("ab"), -1);
}

TEST(GlyphTable, CellsRunMirroredFromColumnSixDown) {
    RainRig rig;
    ASSERT_EQ(rig.Rain.CharMax, 55);
    auto cell = [&](std::string_view c) {
        const mRain::CharCell& e = rig.Rain.Chars[rig.Rain.FindChar(c)];
        return std::pair{e.Col, e.Row};
    };
    EXPECT_EQ(cell("a"), std::pair(6, 0));
    EXPECT_EQ(cell("g"), std::pair(0, 0));
    EXPECT_EQ(cell("h"), std::pair(6, 1));
    EXPECT_EQ(cell("0"), std::pair(1, 3));
    EXPECT_EQ(cell("9"), std::pair(6, 5));
    EXPECT_EQ(cell("\\"), std::pair(0, 5));
    EXPECT_EQ(cell("\""), std::pair(5, 6));
    EXPECT_EQ(cell("\u00A5"), std::pair(0, 7));
    for (int i = 0; i <= rig.Rain.CharMax; ++i) EXPECT_EQ(i, rig.Rain.Chars[i].Row * 7 + (6 - rig.Rain.Chars[i].Col));
}

TEST(GlyphTable, EmptyTableFindsNothingAndRebuildingGivesTheSameTable) {
    RainRig rig;
    rig.Rain.Chars.clear();
    rig.Rain.CharMax = -1;
    EXPECT_EQ(rig.Rain.FindChar("a"), -1);
    rig.Rain.SetupChars();
    rig.Rain.SetupChars();
    EXPECT_EQ(rig.Rain.CharMax, 55);
    rig.Rain.AddChar("\u00DF", 8, 1);
    EXPECT_EQ(rig.Rain.FindChar("\u00DF"), 56);
}
