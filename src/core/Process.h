#pragma once
// Process-level services of the entry procedure: the run mode from the command line,
// the one-instance lock and the lowered priority.
#include <string>
#include <string_view>

namespace mCore {

enum class RunMode { Run, Preview, Configure };

// "/p..." is the screen-saver preview, "/c..." the configuration request (both
// case-sensitive); anything else, "/s" and no argument included, runs the animation.
RunMode RunModeOf(std::string_view argumentText);

// The argument text: the arguments after the program path, joined by single spaces.
std::string ArgumentText(int argc, const char* const* argv);

// Holds an advisory lock in the user's runtime folder for the life of the process (without
// a usable one, in a private folder of the user's). The kernel drops the lock when the process
// ends, however it ends, so a killed copy never leaves a stale lock behind.
bool AcquireSingleInstance();
// Where the lock lives; empty when there is no place for it (the program then runs unlocked).
std::string SingleInstanceLockPath();

// Splits the process so that the command returns once the work is under way (a locker for an
// idle daemon: once the session is locked). The child goes on with, in oReadyFd, the pipe it
// writes a byte to when it is ready. The parent never returns from here: it ends with 0 when
// that byte comes, else with the child's status, or 1 where that is 0 or a signal ended it.
// Without fork the process goes on alone (oReadyFd -1).
void SplitUntilReady(int& oReadyFd);

// Lowers the calling thread to the lowest normal priority (nice 10).
void LowerThreadPriority();

}  // namespace mCore
