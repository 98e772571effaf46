// The frame step: trail shifts, fading at the field's edges and behind the camera.
#include <gtest/gtest.h>

#include <cmath>

#include "RainRig.h"

using rain_test::RainRig;

TEST(AnimationStep, TrailsShiftByTheWholeCellsTheHeadEntersAndGroupsLeavingTheFieldFade) {
    struct Case {
        const char* What;
        bool Vertical;
        float Speed, X, Z, LastCell, CameraY;
        int Frames, Shifts;  // -1: not counted
        bool Fading;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"half a cell a frame: every second frame", true, 0.5f, 0, 0, 0, 0, 12, 6, false},
             {"ten single-precision steps of 2.3 end just short of 23", true, 2.3f, 0, 0, 0, 0, 10, 22, false},
             {"standing still", true, 0, 0, 0, 0, 0, 20, 0, false},
             {"the tail, 30 letters back, past the bottom edge at 20", true, 0.01f, 0, 50.5f, 50, 0, 1, 0, true},
             {"in the field, but the flying camera has passed it", true, 0.01f, 0, 0, 0, -80, 1, 0, true},
             {"a sideways tail exactly on the edge is still inside", false, 0.5f, 109.5f, 0, 0, 0, 1, -1, false},
             {"a sideways tail past the edge", false, 0.5f, 109.5f, 0, 0, 0, 2, -1, true}}) {
        RainRig rig;
        rig.Background(1);
        // One group, its 31 letters numbered by PhaseStep (which only a trail shift moves),
        // no glyph change due, the head marked.
        mRain::Group& g = rig.Rain.Groups[0];
        g.Vertical = c.Vertical;
        g.Speed = c.Speed;
        g.X = c.X;
        g.Z = c.Z;
        g.LastCell = c.LastCell;
        g.Y = -70;
        g.Alpha = 1;
        g.LetterMax = 30;
        g.Letters.resize(31);
        for (int k = 0; k <= 30; ++k) g.Letters[k] = {static_cast<int16_t>(k == 0 ? 99 : 0), 0, 0, static_cast<float>(k), rig.Rain.Now + 1000000};
        rig.Camera.SetPosition(0, c.CameraY, 0);
        for (int frame = 0; frame < c.Frames; ++frame) rig.Frame();
        EXPECT_EQ(g.Fading, c.Fading) << c.What;
        if (c.Shifts < 0) continue;
        EXPECT_EQ(g.LetterMax - static_cast<int>(g.Letters.back().PhaseStep), c.Shifts) << c.What;
        EXPECT_EQ(g.Letters[c.Shifts].Col, 99) << c.What << ": the old head";
        EXPECT_EQ(g.Letters[0].PhaseStep, 0) << c.What << ": new cells in front copy the head's flicker";
    }
}

TEST(AnimationStep, SidewaysGroupsThatStartOutsideTheFieldRestartInsteadOfDriftingOnUnseen) {
    // Every new sideways group starts with its tail outside this narrow field, so it is marked
    // fading in the same frame it was reset, at Alpha exactly 0.
    RainRig rig;
    rig.Rain.HorizontalPercent = 100;
    rig.Rain.FieldHalfWidth = 1;
    rig.Rain.LengthMode = 2;
    rig.Background(40);
    for (int frame = 0; frame < 100; ++frame) rig.Frame();
    for (const mRain::Group& g : rig.Rain.Groups) EXPECT_LT(std::fabs(g.X), 4.0f);
}
