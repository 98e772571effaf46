#pragma once
// Stand-ins for the platform seams: a clock the test moves by hand and dialogs that record
// what would have been shown and answer input boxes from a script.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/Platform.h"
#include "core/mCore.h"

namespace testing_support {

class FakeClock final : public mCore::iClock {
public:
    int32_t Ticks = 0;
    // Off: a millisecond clock, whose microsecond sleeps round up to whole milliseconds; on,
    // it counts the microseconds below the tick too (the frame pacer's own tests).
    bool Microsecond = false;
    int32_t TickCount() override { return Ticks; }
    void Sleep(int32_t ms) override { Ticks += ms; }
    int64_t Microseconds() override { return int64_t{Ticks} * 1000 + PastTick_; }
    void SleepMicroseconds(int64_t microseconds) override {
        if (!Microsecond) return iClock::SleepMicroseconds(microseconds);
        const int64_t now = Microseconds() + microseconds;
        Ticks = static_cast<int32_t>(now / 1000);
        PastTick_ = static_cast<int32_t>(now % 1000);
    }

private:
    int32_t PastTick_ = 0;
};

struct ShownMessage {
    std::string Text, Title;
    mCore::MessageIcon Icon;
};

class RecordingDialogs final : public mCore::iDialogs {
public:
    std::vector<ShownMessage> Messages;
    std::deque<std::optional<std::string>> Answers;  // nullopt: Cancel

    void MessageBox(std::string_view text, std::string_view title, mCore::MessageIcon icon) override {
        Messages.push_back({std::string(text), std::string(title), icon});
    }
    std::optional<std::string> InputBox(std::string_view, std::string_view, std::string_view) override {
        if (Answers.empty()) return std::nullopt;
        auto answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
};

// Installs the fakes for one test's lifetime and puts the real ones back afterwards.
class ScopedFakePlatform {
public:
    FakeClock Clock;
    RecordingDialogs Dialogs;
    ScopedFakePlatform() {
        mCore::SetClock(&Clock);
        mCore::SetDialogs(&Dialogs);
    }
    ~ScopedFakePlatform() {
        mCore::SetClock(nullptr);
        mCore::SetDialogs(nullptr);
    }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;
};

}  // namespace testing_support
