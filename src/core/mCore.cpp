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

// The sanitized build's defaults. Not a fault of ours: clang 14's runtime, on glibc 2.36, can
// take a dynamic TLS block's bounds from a stale entry, and its leak check's tracer then
// crashes at the end of the run (status 1 after a run that went well). Dynamic TLS blocks are
// left out of the leak check's roots instead; nothing of ours is kept only there.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
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
