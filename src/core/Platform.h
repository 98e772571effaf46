#pragma once
// Seams between the program and its platform: the tick count, the random source
// and the modal dialogs. Tests replace each with a scripted or seeded stand-in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mCore {

// The millisecond tick count and sleeping.
class iClock {
public:
    virtual ~iClock() = default;
    // Signed 32-bit milliseconds from a monotonic clock; wraps like the platform tick.
    virtual int32_t TickCount() = 0;
    virtual void Sleep(int32_t milliseconds) = 0;
    // Microseconds of the same clock, for pacing frames finer than milliseconds allow. A
    // clock that counts only milliseconds gives those (and wraps with them).
    virtual int64_t Microseconds() { return static_cast<int64_t>(TickCount()) * 1000; }
    // Sleeps at least that long (a millisecond clock rounds up).
    virtual void SleepMicroseconds(int64_t microseconds) {
        if (microseconds > 0) Sleep(static_cast<int32_t>((microseconds + 999) / 1000));
    }
};

// The real clock: counts from the first reading's epoch (program start), never goes back.
class SystemClock final : public iClock {
public:
    int32_t TickCount() override;
    void Sleep(int32_t milliseconds) override;
    int64_t Microseconds() override;
    void SleepMicroseconds(int64_t microseconds) override;
};

// A uniform single-precision generator in [0, 1). Concrete and inline on purpose:
// the rain draws several values per letter every frame.
class cRandom {
public:
    explicit cRandom(uint64_t seed = 1) { Seed(seed); }

    void Seed(uint64_t seed) {
        // splitmix64 spreads any seed (a tick count is small) over the whole state.
        uint64_t z = seed + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        state_ = (z ^ (z >> 31)) | 1u;
        script_.clear();
        scriptPos_ = 0;
    }

    // Values to return before the generator's own, in order (tests pin exact draws).
    void Script(std::vector<float> values) {
        script_ = std::move(values);
        scriptPos_ = 0;
    }

    float Next() {
        if (scriptPos_ < script_.size()) [[unlikely]]
            return script_[scriptPos_++];
        // xorshift64*: fast, and its top 24 bits are well mixed.
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const uint64_t out = state_ * 0x2545F4914F6CDD1Dull;
        return static_cast<float>(out >> 40) * (1.0f / 16777216.0f);
    }

    float operator()() { return Next(); }

private:
    uint64_t state_ = 1;
    std::vector<float> script_;
    size_t scriptPos_ = 0;
};

enum class MessageIcon { None, Information, Critical, Exclamation };

// Modal message and input boxes.
class iDialogs {
public:
    virtual ~iDialogs() = default;
    virtual void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) = 0;
    // The typed answer, or nothing when cancelled.
    virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultText) = 0;
};

// Without a window the messages go to standard error and every input box is cancelled.
class ConsoleDialogs final : public iDialogs {
public:
    void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;
};

// The program-wide dialogs, clock and random source; a test may swap them.
iDialogs& Dialogs();
void SetDialogs(iDialogs* dialogs);  // nullptr restores the console dialogs
iClock& Clock();
void SetClock(iClock* clock);  // nullptr restores the system clock
extern cRandom Rnd;
// A seed that differs from run to run: the tick count counts from program start, so it is
// mixed with the system's monotonic clock (time since boot).
uint64_t StartupSeed(int32_t tickCount);
inline float rnd() { return Rnd.Next(); }

}  // namespace mCore
