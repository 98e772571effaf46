// Hours of rain at the defaults with texts spelled all the while: the ordinary columns keep
// their number, every value stays finite, and a frame of the model allocates nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "RainRig.h"
#include "support/AllocationCounter.h"

using rain_test::RainRig;

TEST(LongRun, DefaultRainWithTextsKeepsItsColumnsStaysFiniteAndAllocatesNothingPerFrame) {
#ifdef GLYPHFALL_SHORT_RUNS
    constexpr int Frames = 20000;  // the sanitizer builds cover a shorter stretch
#else
    constexpr int Frames = 100000;
#endif
    RainRig rig;
    rig.Rain.FlyStep = 1;  // flying, as by default
    rig.Background(151, /*firstFillOver=*/false);
    std::vector<std::string_view> texts{"hello", "abc<br>def<br>ghi", "x", ""};
    texts.insert(texts.end(), mRain::LogoTexts.begin(), mRain::LogoTexts.end());
    int64_t allocations = 0;
    for (int frame = 1; frame <= Frames; ++frame) {
        rig.Platform.Clock.Ticks += 50;
        if (frame % 200 == 0) rig.Rain.SetupWord(texts[(frame / 200) % texts.size()]);
        rig.Rain.SetupLogo(true);
        const int64_t before = testing_support::AllocationCount();
        rig.Rain.Animate();
        allocations += testing_support::AllocationCount() - before;
        rig.Camera.AddPosition(0, -rig.Rain.FlyStep, 0);
        if (frame % 1000 != 0) continue;
        ASSERT_EQ(rig.Ordinary(), 151) << frame;
        for (const mRain::Group& g : rig.Rain.Groups) {
            ASSERT_TRUE(std::isfinite(g.X + g.Y + g.Z + g.Speed + g.Alpha + g.WordAlpha + g.LastCell)) << frame;
            ASSERT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
            for (const mRain::Letter& letter : g.Letters) ASSERT_TRUE(std::isfinite(letter.Phase)) << frame;
        }
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(rig.Platform.Dialogs.Messages.empty());
}
