#include "app/FramePacer.h"

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

// A clock that moves only when slept on, to the microsecond.
testing_support::FakeClock MicroClock() {
    testing_support::FakeClock clock;
    clock.Microsecond = true;
    clock.Ticks = 7000000;
    return clock;
}

}  // namespace

TEST(FramePacer, AtSixtyFramesASecondTheRainStepsEveryThirdFrameAndTheFramesBetweenStandAThirdAndTwoThirdsOfTheWay) {
    auto clock = MicroClock();
    app::cFramePacer pacer(clock);
    pacer.Start();
    pacer.SetRate(60);
    const int32_t start = pacer.TickCount();
    const int64_t began = clock.Microseconds();
    for (int frame = 0; frame < 30; ++frame) {
        EXPECT_EQ(pacer.BeginFrame(), frame % 3 == 0) << frame;
        EXPECT_NEAR(pacer.Between(), (frame % 3) / 3.0, 1e-4) << frame;
        EXPECT_EQ(pacer.TickCount(), start + 50 * (frame / 3)) << frame;
        pacer.WaitForNextFrame();
    }
    EXPECT_EQ(clock.Microseconds() - began, 500000);  // thirty frames of 1/60 s, no drift
}

TEST(FramePacer, AfterAStallTheRainTakesOneStepAndGoesOnWhereItWasWithoutCatchingUp) {
    auto clock = MicroClock();
    app::cFramePacer pacer(clock);
    pacer.Start();
    pacer.SetRate(60);
    const int32_t start = pacer.TickCount();
    for (int frame = 0; frame < 5; ++frame) {
        pacer.BeginFrame();
        pacer.WaitForNextFrame();
    }
    clock.SleepMicroseconds(10000000);  // ten seconds in a dialog
    EXPECT_TRUE(pacer.BeginFrame());  // one step on from a third of the way: a third of the way again
    EXPECT_NEAR(pacer.Between(), 1 / 3.0, 1e-4);
    EXPECT_EQ(pacer.TickCount(), start + 100);
    const int64_t late = clock.Microseconds();
    pacer.WaitForNextFrame();  // the schedule starts again: the next frame 1/60 s on
    EXPECT_EQ(clock.Microseconds(), late + 16667);
    EXPECT_FALSE(pacer.BeginFrame());
    EXPECT_NEAR(pacer.Between(), 2 / 3.0, 1e-4);

    // Classic motion: a step at every frame, 50 ms of the rain's time whatever the clock did.
    pacer.SetRate(app::cFramePacer::ClassicRate);
    EXPECT_TRUE(pacer.BeginFrame());
    EXPECT_EQ(pacer.Between(), 0);
    pacer.WaitForNextFrame();
    EXPECT_TRUE(pacer.BeginFrame());
    clock.SleepMicroseconds(130000);  // a frame that takes too long
    const int64_t slow = clock.Microseconds();
    pacer.WaitForNextFrame();
    EXPECT_EQ(clock.Microseconds(), slow);  // the next frame at once, then 50 ms apart again
    pacer.BeginFrame();
    pacer.WaitForNextFrame();
    EXPECT_EQ(clock.Microseconds(), slow + 50000);
    EXPECT_EQ(pacer.TickCount(), start + 250);
}

// Where the swap waits for the display's refresh it paces the frames, and the pacer must not
// wait as well; swaps that come back at once (a driver that ignores the interval) soon hand
// the pacing back to the timer.
TEST(FramePacer, WhereTheSwapWaitsForTheRefreshThePacerLeavesTheWaitingToItUntilSwapsStopWaiting) {
    auto clock = MicroClock();
    app::cFramePacer pacer(clock);
    pacer.Start();
    pacer.SetRate(60);
    pacer.SetSwapWaits(true);
    const int32_t start = pacer.TickCount();
    for (int frame = 0; frame < 30; ++frame) {
        EXPECT_EQ(pacer.BeginFrame(), frame % 3 == 0) << frame;
        clock.SleepMicroseconds(16667);  // the swap returns at the next refresh
        const int64_t swapped = clock.Microseconds();
        pacer.WaitForNextFrame(true);
        EXPECT_EQ(clock.Microseconds(), swapped) << frame;
    }
    EXPECT_EQ(pacer.TickCount(), start + 450);
    pacer.BeginFrame();
    const int64_t unsynced = clock.Microseconds();
    pacer.WaitForNextFrame(false);  // a frame the waiting swap did not present: timed
    EXPECT_EQ(clock.Microseconds(), unsynced + 16667);

    int untimed = 0;
    for (int frame = 0; frame < 12; ++frame) {  // swaps that do not wait
        pacer.BeginFrame();
        const int64_t before = clock.Microseconds();
        pacer.WaitForNextFrame(true);
        untimed += clock.Microseconds() == before;
    }
    EXPECT_FALSE(pacer.SwapWaits());
    EXPECT_EQ(untimed, 8);
}
