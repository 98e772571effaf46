// The frame step: trail shifts, fading and recycling, and the fall speed.
#include <gtest/gtest.h>

#include <cmath>

#include "RainRig.h"

using rain_test::RainRig;

namespace {

// One ordinary group well inside the field, its 31 letters numbered by PhaseStep (which only
// a trail shift moves), no glyph change due.
mRain::Group& LoneGroup(RainRig& rig, bool vertical, float speed) {
    rig.Background(1);
    mRain::Group& g = rig.Rain.Groups[0];
    g.Vertical = vertical;
    g.Speed = speed;
    g.X = g.Z = g.LastCell = 0;
    g.Y = -70;
    g.LetterMax = 30;
    g.Letters.resize(31);
    for (int k = 0; k <= 30; ++k) g.Letters[k] = {0, 0, 0, static_cast<float>(k), rig.Rain.Now + 1000000};
    return g;
}

int ShiftsSoFar(const mRain::Group& g) { return g.LetterMax - static_cast<int>(g.Letters.back().PhaseStep); }

}  // namespace

TEST(TrailShift, FollowsTheWholeCellsTheHeadEnters) {
    RainRig slow;
    mRain::Group& half = LoneGroup(slow, true, 0.5f);
    for (int frame = 1; frame <= 12; ++frame) {
        slow.Frame();
        ASSERT_EQ(ShiftsSoFar(half), frame / 2) << "every second frame, frame " << frame;
    }
    RainRig fast;
    mRain::Group& quick = LoneGroup(fast, true, 2.3f);
    quick.Letters[0].Col = 99;
    for (int frame = 1, before = 0; frame <= 10; before = ShiftsSoFar(quick), ++frame) {
        fast.Frame();
        ASSERT_GE(ShiftsSoFar(quick) - before, 2) << frame;
        ASSERT_LE(ShiftsSoFar(quick) - before, 3) << frame;
    }
    EXPECT_EQ(ShiftsSoFar(quick), 22);  // ten single-precision steps of 2.3 end just short of 23
    EXPECT_EQ(quick.Letters[22].Col, 99);  // the old head, 22 places back
    EXPECT_EQ(quick.Letters[0].PhaseStep, 0);  // new cells in front copy the head's flicker
}

TEST(Flicker, EachLetterAdvancesItsOwnStepOnAboutHalfOfTheFrames) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0);  // standing still: no shift moves the letters
    for (mRain::Letter& letter : g.Letters) letter.PhaseStep = 0.0625f;  // sums stay exact
    for (int frame = 0; frame < 400; ++frame) rig.Frame();
    double total = 0;
    for (const mRain::Letter& letter : g.Letters) {
        const double advances = letter.Phase / 0.0625;
        ASSERT_EQ(advances, std::floor(advances));
        EXPECT_NEAR(advances, 200, 45);
        total += advances;
    }
    EXPECT_NEAR(total / g.Letters.size(), 200, 10);
}

TEST(Fading, GroupsLeavingTheFieldOrBehindTheCameraFadeOutAndRestart) {
    RainRig rig;
    mRain::Group& g = LoneGroup(rig, true, 0.01f);
    g.Alpha = 1;
    g.Z = 50.5f;  // the tail, 30 letters back, is past the bottom edge at 20
    g.LastCell = 50;
    g.Letters.back().Col = 99;
    rig.Frame();
    EXPECT_TRUE(g.Fading);
    int frames = 0;
    for (; g.Letters.back().Col == 99 && frames < 20; ++frames) rig.Frame();
    EXPECT_GE(frames, 10);  // restarted on the frame Alpha drops below 0
    EXPECT_LE(frames, 11);

    g.Vertical = true;  // back in the field, but the flying camera has passed it
    g.Fading = false;
    g.Z = 0;
    g.Y = -10;
    rig.Camera.SetPosition(0, -20, 0);
    rig.Frame();
    EXPECT_TRUE(g.Fading);

    RainRig across;  // a sideways tail exactly on the edge is still inside
    mRain::Group& h = LoneGroup(across, false, 0.5f);
    h.X = 109.5f;
    across.Frame();
    EXPECT_EQ(h.X - h.LetterMax, 80.0f);
    EXPECT_FALSE(h.Fading);
    across.Frame();
    EXPECT_TRUE(h.Fading);
}

TEST(Fading, SidewaysGroupsThatStartOutsideTheFieldRestartInsteadOfDriftingOnUnseen) {
    // Every new sideways group starts with its tail outside this narrow field, so it is marked
    // fading in the same frame it was reset, at Alpha exactly 0.
    RainRig rig;
    rig.Settings.Value("Horizontal", 100);
    rig.Rain.FieldHalfWidth = 1;
    rig.Rain.LengthMode = 2;
    rig.Background(40);
    for (int frame = 0; frame < 100; ++frame) rig.Frame();
    for (const mRain::Group& g : rig.Rain.Groups) EXPECT_LT(std::fabs(g.X), 4.0f);
}

TEST(ChangeSpeed, ClampsStoresAndShiftsEveryGroupKeepingAHundredthAtLeast) {
    RainRig rig;
    rig.Background(2);
    rig.Rain.Groups[0].Speed = 0.3f;
    rig.Rain.Groups[1].Speed = 0.05f;
    rig.Rain.ChangeSpeed(0.6f);  // from 0.5
    EXPECT_NEAR(rig.Rain.Groups[0].Speed, 0.4f, 1e-6);
    rig.Rain.ChangeSpeed(0.3f);
    EXPECT_NEAR(rig.Rain.Groups[0].Speed, 0.1f, 1e-6);
    EXPECT_EQ(rig.Rain.Groups[1].Speed, 0.01f);
    rig.Rain.ChangeSpeed(25);
    EXPECT_EQ(rig.Rain.MaxSpeed, 10.0f);
    EXPECT_EQ(rig.Rain.MinSpeed, 2.0f);
    EXPECT_EQ(rig.Settings.Value("FallSpeed").Text(), "10");
    rig.Rain.ChangeSpeed(-3);
    EXPECT_EQ(rig.Rain.MaxSpeed, 0.01f);
    EXPECT_EQ(rig.Settings.Value("FallSpeed").Text(), "0.01");
}
