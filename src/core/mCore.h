#pragma once
// Program-wide values shared by every module. The settings store, entry and shutdown are
// in app/Startup.h: they need the settings module, which itself builds on this one.
#include <cstdint>
#include <string>

#include "core/ErrorReport.h"
#include "core/Numeric.h"
#include "core/Platform.h"

namespace mCore {

extern std::string AppPath;    // the program's folder, ending in a separator

// Stops the process at once: no further handler runs. Tests install a replacement that
// throws instead, so that a test can observe the termination.
[[noreturn]] void Terminate(int exitCode);
using TerminateHandler = void (*)(int exitCode);
void SetTerminateHandler(TerminateHandler handler);  // nullptr restores the real one

}  // namespace mCore
