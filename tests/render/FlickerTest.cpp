// The letter flicker takes a faster sine than the C library's, but must give the very same
// float: the picture may not change by a single step of brightness.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "render/LetterRenderer.h"

namespace {

float LibraryFlicker(float phase) {
    const double p = phase;
    float f = static_cast<float>((std::sin(2 * p) * std::sin(p) + 0.5) * 1.2 + 0.2);
    if (f > 1) f = 1;
    if (f < 0) f = 0;
    return f;
}

void ExpectSameBits(float phase) {
    const float fast = LetterFlicker(phase), library = LibraryFlicker(phase);
    EXPECT_EQ(std::signbit(fast), std::signbit(library)) << "phase " << phase;
    EXPECT_EQ(fast, library) << "phase " << phase;
}

TEST(Flicker, EqualsTheLibrarySineOverMillionsOfPhasesLargeNegativeAndSpecialOnesIncluded) {
    // Phases start near 3 to 40 and grow by up to 0.1 a frame for as long as the program runs.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> start(0.0f, 40.0f), step(0.0f, 0.1f), wide(-2.0e6f, 2.0e6f);
    std::vector<float> phases;
    for (int letter = 0; letter < 2000; ++letter)
        for (float phase = start(random), frame = 0; frame < 1000; ++frame) phases.push_back(phase += step(random));
    for (int i = 0; i < 200000; ++i) phases.push_back(wide(random));
    // Quadrant edges, the clamps at both ends, and values far outside the close sine's range.
    for (float phase : {0.0f, -0.0f, 0.7853982f, 1.5707964f, 3.1415927f, 4.712389f, 6.2831855f, -1.5707964f, 1.0e6f,
                        3.0e7f, -5.0e9f, 1.0e30f, 1.0e-30f})
        phases.push_back(phase);
    for (float phase : phases)
        if (LetterFlicker(phase) != LibraryFlicker(phase) || std::signbit(LetterFlicker(phase))) return ExpectSameBits(phase);
    EXPECT_EQ(LetterFlicker(0.0f), 0.8f);  // sin 0 = 0: (0 + 0.5) x 1.2 + 0.2
}

}  // namespace
