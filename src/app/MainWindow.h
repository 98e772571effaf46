#pragma once
// Where the program's window life begins: the start-up hook shows the window and hands it
// to the controller.
#include <cstdint>
#include <optional>
#include <vector>

#include "app/WindowPlatform.h"
#include "settings/SettingsKeys.h"

namespace app {

// The ShowMainWindow start-up hook: makes the Qt application and the window (full-screen, or
// inside the host window when one is given: 0 is the root window) and runs RunMainWindow on
// it with the settings given for this run. Without a display or the host it says so and
// returns 1.
int ShowMainWindow(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings);

// The controller's whole life on the window: load, main loop, unload. Normally the unload
// ends the process through mCore::ShutDown; it returns (with the exit status 1) only when the
// window went without that.
int RunMainWindow(iWindowPlatform& window, const std::vector<SettingOverride>& settings = {});

// Makes the graphics root objects draw on the main window's OpenGL context.
void InstallWindowGraphics();

}  // namespace app
