#include "core/Platform.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace mCore {

namespace {
const auto ProgramStart = std::chrono::steady_clock::now();
SystemClock TheSystemClock;
ConsoleDialogs TheConsoleDialogs;
iClock* CurrentClock = &TheSystemClock;
iDialogs* CurrentDialogs = &TheConsoleDialogs;
}  // namespace

cRandom Rnd;

uint64_t StartupSeed(int32_t tickCount) {
    const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<uint64_t>(sinceBoot) ^ static_cast<uint32_t>(tickCount);
}

int32_t SystemClock::TickCount() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - ProgramStart);
    // Wraps after 24.8 days, as the platform tick does; every user of it takes differences.
    return static_cast<int32_t>(static_cast<uint32_t>(elapsed.count()));
}

void SystemClock::Sleep(int32_t milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t SystemClock::Microseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - ProgramStart).count();
}

void SystemClock::SleepMicroseconds(int64_t microseconds) {
    if (microseconds > 0) std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

void ConsoleDialogs::MessageBox(std::string_view text, std::string_view title, MessageIcon) {
    // The texts break their lines the Windows way (CR LF); a terminal or a log wants LF alone.
    std::string lines;
    for (char c : text)
        if (c != '\r') lines += c;
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(title.size()), title.data(), lines.c_str());
}

std::optional<std::string> ConsoleDialogs::InputBox(std::string_view, std::string_view, std::string_view) {
    return std::nullopt;
}

iDialogs& Dialogs() { return *CurrentDialogs; }
void SetDialogs(iDialogs* dialogs) { CurrentDialogs = dialogs ? dialogs : &TheConsoleDialogs; }
iClock& Clock() { return *CurrentClock; }
void SetClock(iClock* clock) { CurrentClock = clock ? clock : &TheSystemClock; }

}  // namespace mCore
