#include "app/MainWindow.h"

#include <cstdio>

#include "app/QtRuntime.h"
#include "app/QtWindowPlatform.h"

namespace app {

void ShowMainWindow() {
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
        return;
    }
    QtWindowPlatform window;
    RunMainWindow(window);
}

}  // namespace app
