#include "render/LetterRenderer.h"

#include <gtest/gtest.h>

TEST(LetterBrightnessRule, FadesInFromTheHeadOutOverTheLastQuarterDimsWithDepthAndIsBrightBehindALeader) {
    const float bright = 0.7853982f, dark = 0.0f;  // flicker 1 (clamped) and 0.8
    struct Case {
        int32_t J;
        float Phase;
        bool Leader;
        float Alpha, Depth, Expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             {10, bright, false, 1, 0, 1},          // in the field: full brightness
             {10, bright, false, 1, -0.0001f, 0.5f}, // just beyond the viewing distance: half
             {10, bright, false, 1, -3, 0.75f},     // and back to full six cells on
             {10, bright, false, 1, -6, 1},
             {10, bright, false, 1, -60, 1},
             {0, bright, false, 1, 0, 0},           // a plain head is never drawn
             {5, bright, false, 1, 0, 1},           // exactly a quarter: still the first quarter
             {15, bright, false, 1, 0, 1},          // exactly three quarters: not yet the tail
             {20, bright, false, 1, 0, 0},
             {18, bright, false, 0.5f, 0, 0.2f},
             {1, dark, true, 1, 0, 0.8f * 0.2f + 0.8f},
             {1, dark, false, 1, 0, 0.2f * 0.8f}})
        EXPECT_NEAR(LetterBrightness(c.J, 20, c.Phase, c.Leader, c.Alpha, c.Depth), c.Expected, 1e-4)
            << "letter " << c.J << " at depth " << c.Depth;
}
