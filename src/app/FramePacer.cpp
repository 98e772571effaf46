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

void cFramePacer::RestartSchedule(int64_t now) {
    ScheduleStart_ = now;
    ScheduleFrames_ = 0;
    Scheduled_ = true;
}

bool cFramePacer::BeginFrame() {
    const int64_t now = Clock_.Microseconds();
    // The rain's time passes as the clock's, but by one step at most between two frames.
    const int64_t passed = std::clamp<int64_t>(now - LastFrame_, 0, StepMicroseconds);
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

void cFramePacer::WaitForNextFrame() {
    const int64_t now = Clock_.Microseconds();
    // Counted from the schedule's start, so that frames of 16,667 microseconds never drift.
    ++ScheduleFrames_;
    const int64_t due = ScheduleStart_ + (ScheduleFrames_ * 1000000 + Rate_ / 2) / Rate_;
    const int64_t period = 1000000 / Rate_;
    if (now >= due + period) return RestartSchedule(now);
    if (now < due) Clock_.SleepMicroseconds(due - now);
}

}  // namespace app
