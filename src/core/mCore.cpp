#include "core/mCore.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace mCore {

int32_t Now = 0;
std::string AppPath;
std::string LastError;
intptr_t OldParent = 0;

namespace {
TerminateHandler CurrentTerminate = nullptr;
}

void Terminate(int exitCode) {
    if (CurrentTerminate) CurrentTerminate(exitCode);
    std::fflush(nullptr);
    ::_exit(exitCode);
}

void SetTerminateHandler(TerminateHandler handler) { CurrentTerminate = handler; }

}  // namespace mCore
