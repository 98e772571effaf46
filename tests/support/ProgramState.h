#pragma once
// The program-wide values a test of the start-up or the controller sets, for one test: the
// process's end throws Terminated instead of ending the test program, the start-up hooks are
// the test's, and the one settings store starts and ends empty.
#include <utility>

#include "app/Startup.h"
#include "core/mCore.h"

namespace testing_support {

struct Terminated {
    int Code;
};
[[noreturn]] inline void ThrowOnTerminate(int code) { throw Terminated{code}; }

class ScopedProgramState {
public:
    explicit ScopedProgramState(mCore::StartupHooks hooks = {}) {
        mCore::SetTerminateHandler(ThrowOnTerminate);
        mCore::SetStartupHooks(std::move(hooks));
        mCore::Settings.Reset();
    }
    ~ScopedProgramState() {
        mCore::SetTerminateHandler(nullptr);
        mCore::SetStartupHooks({});
        mCore::Settings.Reset();
    }
    ScopedProgramState(const ScopedProgramState&) = delete;
    ScopedProgramState& operator=(const ScopedProgramState&) = delete;

    // The status the process ends with when `end` ends it (-1: it did not end).
    template <class Action>
    static int ExitCodeOf(Action end) {
        try {
            end();
        } catch (const Terminated& t) {
            return t.Code;
        }
        return -1;
    }
};

}  // namespace testing_support
