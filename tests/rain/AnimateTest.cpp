// The per-frame step: fading, glyph changes, movement, trail shifts, recycling, fall speed.
#include <gtest/gtest.h>

#include <cmath>

#include "RainRig.h"

using rain_test::RainRig;

namespace {

// A single ordinary group, far from every edge, with a trail whose letters are numbered by
// PhaseStep (which only a trail shift moves) and whose glyph changes are far away.
mRain::Group& LoneGroup(RainRig& rig, bool vertical, float speed) {
    rig.Background(1);
    mRain::Group& g = rig.Rain.Groups[0];
    g.Vertical = vertical;
    g.Speed = speed;
    g.X = g.Z = g.LastCell = 0;
    g.Y = -70;
    g.LetterMax = 30;
    g.Letters.resize(31);
    for (int k = 0; k <= 30; ++k) {
        g.Letters[k].PhaseStep = static_cast<float>(k);
        g.Letters[k].ChangeTime = rig.Rain.Now + 1000000;
    }
    return g;
}

// Trail shifts so far: the last letter shows which original letter it now holds.
int ShiftsSoFar(const mRain::Group& g) { return g.LetterMax - static_cast<int>(g.Letters.back().PhaseStep); }

}  // namespace

// ---- Movement and the trail ----

TEST(TrailShift, SpeedOneHalfShiftsOnEverySecondFrame) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.5f);
    for (int frame = 1; frame <= 12; ++frame) {
        rig.Frame();
        EXPECT_EQ(ShiftsSoFar(g), frame / 2) << "frame " << frame;
    }
    EXPECT_EQ(g.Z, 6.0f);
}

TEST(TrailShift, SpeedTwoPointThreeShiftsTwoOrThreeCellsAFrame) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 2.3f);
    int before = 0;
    for (int frame = 1; frame <= 10; ++frame) {
        rig.Frame();
        const int now = ShiftsSoFar(g);
        EXPECT_GE(now - before, 2) << "frame " << frame;
        EXPECT_LE(now - before, 3) << "frame " << frame;
        EXPECT_EQ(now, static_cast<int>(std::floor(g.Z)));
        before = now;
    }
}

TEST(TrailShift, NewCellsInFrontCopyTheHeadsFlickerWithNewGlyphs) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, false, 2.0f);
    g.Letters[0].Phase = 42;
    g.Letters[0].Col = 99;
    rig.Frame();
    ASSERT_EQ(ShiftsSoFar(g), 2);
    EXPECT_EQ(g.Letters[2].Col, 99);  // the old head, two places back
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(g.Letters[j].PhaseStep, 0);  // the head's own values
        EXPECT_LE(g.Letters[j].Col, 9);
        EXPECT_GE(g.Letters[j].Phase, 42.0f);
    }
}

TEST(TrailShift, AFarJumpLeavesOnlyCopiesOfTheHead) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.5f);
    g.LastCell = -500;  // a stale cell from an earlier use of the slot
    rig.Frame();
    for (const mRain::Letter& letter : g.Letters) EXPECT_EQ(letter.PhaseStep, 0);
    EXPECT_EQ(g.LastCell, 0);
}

// ---- Fading and recycling ----

TEST(Fading, NewGroupFadesInOverTenFrames) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.1f);
    g.Alpha = 0;
    for (int frame = 1; frame <= 9; ++frame) {
        rig.Frame();
        EXPECT_LT(g.Alpha, 1.0f);
    }
    rig.Frame();
    rig.Frame();
    EXPECT_EQ(g.Alpha, 1.0f);
}

TEST(Fading, GroupBelowTheFieldFadesOutOverTenFramesAndRestarts) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.01f);
    g.Alpha = 1;
    g.Z = 50.5f;  // the tail (30 letters back) is past the bottom edge at 20
    g.LastCell = 50;
    for (mRain::Letter& letter : g.Letters) letter.Col = 99;
    rig.Frame();
    EXPECT_TRUE(g.Fading);
    int fadingFrames = 0;
    while (g.Letters.back().Col == 99 && fadingFrames < 20) {
        rig.Frame();
        ++fadingFrames;
    }
    // Ten steps of 0.1 bring Alpha to about 0; it restarts on the frame it drops below.
    EXPECT_GE(fadingFrames, 10);
    EXPECT_LE(fadingFrames, 11);
    EXPECT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
}

TEST(Fading, GroupTheCameraFlewPastFades) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.1f);
    g.Alpha = 1;
    rig.Camera.SetPosition(0, -80, 0);
    rig.Frame();
    EXPECT_TRUE(g.Fading);
}

TEST(Fading, GroupFadingAtExactlyZeroIsRecycledRatherThanLeftInvisible) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, false, 0.1f);
    g.Fading = true;
    g.Alpha = 0;
    g.Letters[0].Col = 99;
    rig.Frame();
    EXPECT_LE(g.Letters[0].Col, 9);
    EXPECT_EQ(g.LetterMax + 1, static_cast<int>(g.Letters.size()));
}

TEST(Fading, SidewaysGroupsStartingOutsideANarrowFieldNeverDriftAway) {
    // Every new horizontal group starts with its tail outside this field, so it is marked
    // fading in the very frame it was reset. It must restart at once, not run on invisibly.
    RainRig rig;
    rig.Settings.Value("Horizontal", 100);
    rig.Rain.FieldHalfWidth = 1;
    rig.Rain.LengthMode = 2;
    rig.Background(40);
    for (int frame = 0; frame < 100; ++frame) rig.Frame();
    for (const mRain::Group& g : rig.Rain.Groups) {
        ASSERT_FALSE(g.Vertical);
        EXPECT_LT(std::fabs(g.X), 4.0f);
    }
}

TEST(Fading, SidewaysGroupWithItsTailExactlyOnTheEdgeIsStillInside) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, false, 0.5f);
    g.X = 80.0f + 30 - 0.5f;
    rig.Frame();
    EXPECT_EQ(g.X - g.LetterMax, 80.0f);
    EXPECT_FALSE(g.Fading);
    rig.Frame();
    EXPECT_TRUE(g.Fading);
}

// ---- Glyph changes ----

TEST(GlyphChange, DueLettersGetANewGlyphAndTheirNextChangeHalfToThreeSecondsOn) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.01f);
    for (mRain::Letter& letter : g.Letters) {
        letter.ChangeTime = rig.Rain.Now + 10;
        letter.Col = 99;
    }
    rig.Frame(11);
    for (const mRain::Letter& letter : g.Letters) {
        EXPECT_LE(letter.Col, 9);
        EXPECT_GE(letter.ChangeTime, rig.Rain.Now + 500);
        EXPECT_LE(letter.ChangeTime, rig.Rain.Now + 3000);
    }
}

TEST(GlyphChange, FlickerAdvancesOnAboutHalfOfTheFrames) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0);  // standing still: no shift moves the letter
    g.Letters[5].Phase = 0;
    g.Letters[5].PhaseStep = 0.0625f;
    for (int frame = 0; frame < 400; ++frame) rig.Frame();
    const double advances = g.Letters[5].Phase / 0.0625;
    EXPECT_EQ(advances, std::floor(advances));
    EXPECT_NEAR(advances, 200, 40);
}

// ---- Fall speed ----

TEST(ChangeSpeed, ClampsToTheRangeAndStoresTheSetting) {
    RainRig rig;
    rig.Background(10);
    rig.Rain.ChangeSpeed(25);
    EXPECT_EQ(rig.Rain.MaxSpeed, 10.0f);
    EXPECT_EQ(rig.Rain.MinSpeed, 2.0f);
    EXPECT_EQ(rig.Settings.Value("FallSpeed").Text(), "10");
    rig.Rain.ChangeSpeed(-3);
    EXPECT_EQ(rig.Rain.MaxSpeed, 0.01f);
    EXPECT_EQ(rig.Settings.Value("FallSpeed").Text(), "0.01");
    for (const mRain::Group& g : rig.Rain.Groups) EXPECT_GE(g.Speed, 0.01f);
}

TEST(ChangeSpeed, ShiftsEveryGroupByTheSameAmountAndFloorsAtOneHundredth) {
    RainRig rig;
    rig.Background(3);
    rig.Rain.Groups[0].Speed = 0.3f;
    rig.Rain.Groups[1].Speed = 0.05f;
    rig.Rain.Groups[2].Speed = 1.0f;
    rig.Rain.ChangeSpeed(0.6f);  // from 0.5: one tenth faster
    EXPECT_NEAR(rig.Rain.Groups[0].Speed, 0.4f, 1e-6);
    EXPECT_NEAR(rig.Rain.Groups[2].Speed, 1.1f, 1e-6);
    rig.Rain.ChangeSpeed(0.3f);
    EXPECT_NEAR(rig.Rain.Groups[0].Speed, 0.1f, 1e-6);
    EXPECT_EQ(rig.Rain.Groups[1].Speed, 0.01f);
}
