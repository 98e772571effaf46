#include "app/MainWindow.h"

#include <cstdio>

#include "app/QtRuntime.h"
#include "app/QtWindowPlatform.h"

namespace app {

int ShowMainWindow() {
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
        return 1;
    }
    QtWindowPlatform window;
    return RunMainWindow(window);
}

}  // namespace app
