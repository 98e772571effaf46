#include "app/MainWindow.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/QtRuntime.h"
#include "app/QtWindowPlatform.h"

namespace app {

int ShowMainWindow(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings) {
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
        return 1;
    }
    if (!host) {
        QtWindowPlatform window;
        return RunMainWindow(window, settings);
    }
    std::string error;
    const std::unique_ptr<QtWindowPlatform> window = QtWindowPlatform::Inside(*host, error);
    if (!window) {
        std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
        return 1;
    }
    return RunMainWindow(*window, settings);
}

}  // namespace app
