// Hours of rain at the defaults: the table keeps its size, every value stays finite, memory
// stops growing after the first minutes, and a frame allocates nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "AllocationCounter.h"
#include "RainRig.h"

using rain_test::CountOrdinary;
using rain_test::RainRig;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int Frames = 20000;  // sanitizer builds run the same checks over a shorter stretch
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int Frames = 20000;
#else
constexpr int Frames = 100000;
#endif
#else
constexpr int Frames = 100000;
#endif

bool Finite(const mRain::Group& g) {
    if (!std::isfinite(g.X) || !std::isfinite(g.Y) || !std::isfinite(g.Z) || !std::isfinite(g.Speed) ||
        !std::isfinite(g.Alpha) || !std::isfinite(g.WordAlpha) || !std::isfinite(g.LastCell))
        return false;
    for (const mRain::Letter& letter : g.Letters)
        if (!std::isfinite(letter.Phase) || !std::isfinite(letter.PhaseStep)) return false;
    return true;
}

size_t Footprint(const cRain& rain) {
    size_t bytes = rain.Groups.capacity() * sizeof(mRain::Group);
    for (const mRain::Group& g : rain.Groups) bytes += g.Letters.capacity() * sizeof(mRain::Letter);
    return bytes;
}

}  // namespace

TEST(LongRun, DefaultRainWithWordsStaysBoundedAndFinite) {
    RainRig rig;
    rig.Rain.FlyStep = 1;  // "Fly" is on by default, at "FlySpeed" 1
    rig.Background(151, /*firstFillOver=*/false);
    rig.Rain.SetupLogo(true);

    // Typed words and every logo text, so that the largest text has come by the time the
    // footprint is taken.
    std::vector<std::string_view> words{"hello", "abc<br>def<br>ghi", "x", ""};
    words.insert(words.end(), mRain::LogoTexts.begin(), mRain::LogoTexts.end());
    size_t settledFootprint = 0;
    int64_t allocationsInAnimate = 0;
    for (int frame = 1; frame <= Frames; ++frame) {
        rig.Platform.Clock.Ticks += 50;
        if (frame % 200 == 0) rig.Rain.SetupWord(words[(frame / 200) % words.size()]);
        rig.Rain.SetupLogo(true);
        const int64_t before = rain_test::AllocationCount();
        rig.Rain.Animate();
        allocationsInAnimate += rain_test::AllocationCount() - before;
        rig.Camera.AddPosition(0, -rig.Rain.FlyStep, 0);

        if (frame % 1000 == 0) {
            ASSERT_EQ(CountOrdinary(rig.Rain), 151) << "frame " << frame;
            ASSERT_EQ(rig.Rain.GroupMax + 1, static_cast<int>(rig.Rain.Groups.size()));
            for (const mRain::Group& g : rig.Rain.Groups) {
                ASSERT_TRUE(Finite(g)) << "frame " << frame;
                ASSERT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
                if (!g.IsWord) {
                    ASSERT_TRUE(g.Active);
                }
            }
        }
        // The footprint follows the text on screen; by frame 2000 every text has been spelled,
        // so the largest it ever needs has been seen.
        if (frame % 200 == 1) {
            const size_t footprint = Footprint(rig.Rain);
            if (frame < 2000) {
                settledFootprint = std::max(settledFootprint, footprint);
            } else {
                ASSERT_LE(footprint, settledFootprint) << "frame " << frame;
            }
        }
    }
    EXPECT_EQ(allocationsInAnimate, 0);
    EXPECT_TRUE(rig.Platform.Dialogs.Messages.empty());
}
