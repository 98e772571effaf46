#pragma once
// When the frames come and when the rain steps. The rain steps 20 times a second of its own
// time; the frames come at their rate: 20 a second in classic motion, each of them a step, or
// faster, the frames between two steps showing the rain part of the way to the next one.
//
// The pacer is also the rain's clock: the rain's tick is its last step's, and each step moves
// it on exactly 50 ms. A frame that comes late (a stall, a dialog, a hidden window) moves the
// rain on by one step at most, so after a pause the rain goes on where it was, with every
// schedule kept in its ticks (logo texts, glyph changes, held letters) as it was: no burst of
// catch-up steps, no jump.
//
// Where the presents wait for the display's refresh (the swap synchronised to it), the swap
// paces the frames and the pacer sleeps no more: waiting for both would miss refreshes. It
// checks that the swaps do wait, and paces the frames itself again when they do not.
#include <cstdint>

#include "core/Platform.h"

namespace app {

class cFramePacer final : public mCore::iClock {
public:
    static constexpr int32_t StepMilliseconds = 50;
    static constexpr int32_t ClassicRate = 1000 / StepMilliseconds;
    static constexpr int32_t MinRate = ClassicRate, MaxRate = 240;

    // Reads time from the given clock (the system's, a test's or the headless renderer's).
    explicit cFramePacer(mCore::iClock& clock) : Clock_(clock) {}

    // The rain's time starts at the clock's tick, before its first step (once: later calls
    // change nothing). Until then the rain's clock is the clock itself.
    void Start();
    // Frames a second from the next frame on, MinRate to MaxRate (ClassicRate: every frame a step).
    void SetRate(int32_t framesPerSecond);
    int32_t Rate() const { return Rate_; }

    // A frame begins: true when the rain takes a step in it (every frame at ClassicRate, the
    // first frame at any rate, and the first frame at or past each 50 ms of the rain's time).
    bool BeginFrame();
    // How far the frame stands from the last step toward the next: 0 at a step, below 1.
    float Between() const { return static_cast<float>(static_cast<double>(Phase_) / StepMicroseconds); }
    // The frames' presents wait for the display's refresh (true) or are timed here (false).
    void SetSwapWaits(bool waits);
    bool SwapWaits() const { return SwapWaits_; }
    // Sleeps until the next frame is due. After a late frame the schedule starts again from
    // it, so the frames never come in a burst to catch up. presentedWaiting: the frame was
    // presented by a swap that waits for the refresh, which has paced it already; unless the
    // frames came much faster than the rate many times in a row, when the swap turns out not
    // to wait (a driver that ignores the interval) and the pacer times the frames again.
    void WaitForNextFrame(bool presentedWaiting = false);

    // The rain's clock: the tick of its last step (of the start, before the first).
    int32_t TickCount() override { return Started_ ? StepTick_ : Clock_.TickCount(); }
    void Sleep(int32_t milliseconds) override { Clock_.Sleep(milliseconds); }

private:
    static constexpr int64_t StepMicroseconds = StepMilliseconds * 1000;
    static constexpr int QuickSwapLimit = 8;  // past the frames a driver lets run ahead
    void RestartSchedule(int64_t now);
    int64_t Due() const;  // when frame ScheduleFrames_ of the schedule is due

    mCore::iClock& Clock_;
    int32_t Rate_ = ClassicRate;
    int32_t StepTick_ = 0;
    int64_t Steps_ = 0;
    int64_t Phase_ = 0;          // microseconds of the rain's time since the last step
    int64_t LastFrame_ = 0;      // when the last frame began (the clock's microseconds)
    int64_t FrameInterval_ = 0;  // from the frame before it to it
    int64_t ScheduleStart_ = 0;  // frame 0 of the schedule
    int64_t ScheduleFrames_ = 0; // frames since then
    bool Scheduled_ = false;     // false until the first frame, and after a change of rate
    bool Started_ = false;
    bool SwapWaits_ = false;
    int QuickSwaps_ = 0;  // frames in a row that came under 7/8 of a frame after the last
};

}  // namespace app
