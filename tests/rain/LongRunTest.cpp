// Hours of rain at the defaults with texts spelled all the while: the ordinary columns keep
// their number, every value stays finite, a frame allocates nothing and memory stops growing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RainRig.h"
#include "support/AllocationCounter.h"

using rain_test::RainRig;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr int Frames = 20000;  // the sanitizer builds cover a shorter stretch
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr int Frames = 20000;
#else
constexpr int Frames = 100000;
#endif
#else
constexpr int Frames = 100000;
#endif

bool Finite(const mRain::Group& g) {
    bool finite = std::isfinite(g.X) && std::isfinite(g.Y) && std::isfinite(g.Z) && std::isfinite(g.Speed) &&
                  std::isfinite(g.Alpha) && std::isfinite(g.WordAlpha) && std::isfinite(g.LastCell);
    for (const mRain::Letter& letter : g.Letters) finite = finite && std::isfinite(letter.Phase);
    return finite;
}

size_t Footprint(const cRain& rain) {
    size_t bytes = rain.Groups.capacity() * sizeof(mRain::Group);
    for (const mRain::Group& g : rain.Groups) bytes += g.Letters.capacity() * sizeof(mRain::Letter);
    return bytes;
}

}  // namespace

TEST(LongRun, DefaultRainWithTextsStaysBoundedAndFinite) {
    RainRig rig;
    rig.Rain.FlyStep = 1;  // flying, as by default
    rig.Background(151, /*firstFillOver=*/false);
    rig.Rain.SetupLogo(true);
    std::vector<std::string_view> texts{"hello", "abc<br>def<br>ghi", "x", ""};
    texts.insert(texts.end(), mRain::LogoTexts.begin(), mRain::LogoTexts.end());

    size_t settled = 0;
    int64_t allocationsInAnimate = 0;
    for (int frame = 1; frame <= Frames; ++frame) {
        rig.Platform.Clock.Ticks += 50;
        if (frame % 200 == 0) rig.Rain.SetupWord(texts[(frame / 200) % texts.size()]);
        rig.Rain.SetupLogo(true);
        const int64_t before = testing_support::AllocationCount();
        rig.Rain.Animate();
        allocationsInAnimate += testing_support::AllocationCount() - before;
        rig.Camera.AddPosition(0, -rig.Rain.FlyStep, 0);

        if (frame % 1000 == 0) {
            ASSERT_EQ(rig.Ordinary(), 151) << frame;
            ASSERT_EQ(rig.Rain.GroupMax + 1, static_cast<int>(rig.Rain.Groups.size()));
            for (const mRain::Group& g : rig.Rain.Groups) {
                ASSERT_TRUE(Finite(g)) << frame;
                ASSERT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
                ASSERT_TRUE(g.Active || g.IsWord);
            }
        }
        // Memory follows the text on screen; every text has been spelled by frame 2000.
        if (frame % 200 == 1 && frame < 2000) settled = std::max(settled, Footprint(rig.Rain));
        if (frame % 200 == 1 && frame > 2000) {
            ASSERT_LE(Footprint(rig.Rain), settled) << frame;
        }
    }
    EXPECT_EQ(allocationsInAnimate, 0);
    EXPECT_TRUE(rig.Platform.Dialogs.Messages.empty());
}
