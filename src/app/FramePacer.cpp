#include "app/FramePacer.h"

#include <algorithm>

namespace app {

void cFramePacer::Start() {
    if (Started_) return;
    Started_ = true;
    StepTick_ = Clock_.TickCount();
    Steps_ = 0;
    Phase_ = 0;
    Scheduled_ = false;
}

void cFramePacer::SetRate(int32_t framesPerSecond) {
    if (framesPerSecond == Rate_) return;
    Rate_ = framesPerSecond;
    Scheduled_ = false;
}

void cFramePacer::SetSwapWaits(bool waits) {
    SwapWaits_ = waits;
    QuickSwaps_ = 0;
    Scheduled_ = false;
}

void cFramePacer::RestartSchedule(int64_t now) {
    ScheduleStart_ = now;
    ScheduleFrames_ = 0;
    Scheduled_ = true;
}

bool cFramePacer::BeginFrame() {
    const int64_t now = Clock_.Microseconds();
    // The rain's time passes as the clock's, but by one step at most between two frames.
    FrameInterval_ = now - LastFrame_;
    const int64_t passed = std::clamp<int64_t>(FrameInterval_, 0, StepMicroseconds);
    LastFrame_ = now;
    if (!Scheduled_) RestartSchedule(now);
    bool step = true;
    if (Rate_ == ClassicRate || Steps_ == 0) {
        Phase_ = 0;
    } else {
        Phase_ += passed;
        step = Phase_ >= StepMicroseconds;
        if (step) Phase_ -= StepMicroseconds;
    }
    if (step && Steps_++ > 0) StepTick_ += StepMilliseconds;
    return step;
}

int64_t cFramePacer::Due() const {
    // Counted from the schedule's start, so that frames of 16,666.7 microseconds never drift.
    return ScheduleStart_ + (ScheduleFrames_ * 1000000 + Rate_ / 2) / Rate_;
}

void cFramePacer::WaitForNextFrame(bool presentedWaiting) {
    if (SwapWaits_ && presentedWaiting) {
        QuickSwaps_ = FrameInterval_ * Rate_ < 875000 ? QuickSwaps_ + 1 : 0;
        SwapWaits_ = QuickSwaps_ < QuickSwapLimit;
        // The next frame that the swap does not pace starts the schedule afresh.
        Scheduled_ = false;
        if (SwapWaits_) return;
    }
    const int64_t now = Clock_.Microseconds();
    ++ScheduleFrames_;
    if (now >= Due()) {
        // Late: the schedule starts again from the frame that just began, so the next frame
        // comes a frame after it (at once if that has passed) and never two in a row.
        RestartSchedule(LastFrame_);
        ScheduleFrames_ = 1;
    }
    if (now < Due()) Clock_.SleepMicroseconds(Due() - now);
}

}  // namespace app
