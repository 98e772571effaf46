#include "core/mCore.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define GLYPHFALL_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLYPHFALL_LEAK_CHECK 1
#endif
#endif
#if GLYPHFALL_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace mCore {

std::string AppPath;

namespace {
TerminateHandler CurrentTerminate = nullptr;
}

void Terminate(int exitCode) {
    if (CurrentTerminate) CurrentTerminate(exitCode);
    std::fflush(nullptr);
#if GLYPHFALL_LEAK_CHECK
    // _exit skips the leak check that a sanitizer build makes at a normal exit; make it here,
    // so that the program's own ends are checked as used (it ends the process if it reports).
    __lsan_do_leak_check();
#endif
    ::_exit(exitCode);
}

void SetTerminateHandler(TerminateHandler handler) { CurrentTerminate = handler; }

}  // namespace mCore
