#pragma once
// The program's window life on Qt: the start-up hook makes the window and hands it to the
// controller for its whole life.
#include <cstdint>
#include <optional>
#include <vector>

#include "app/WindowPlatform.h"
#include "settings/SettingsKeys.h"

namespace platform::qt {

// The ShowMainWindow start-up hook: makes the Qt application and the window (full-screen, or
// inside the host window when one is given: 0 is the root window) and runs RunMainWindow on
// it with the settings given for this run. Without a display or the host it says so and
// returns 1.
int ShowMainWindow(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings);

// The controller's whole life on the window: load, main loop, unload, with the end signals
// taken on Qt's event loop. Normally the unload ends the process through mCore::ShutDown; it
// returns (with the exit status 1) only when the window went without that.
int RunMainWindow(app::iWindow& window, const std::vector<SettingOverride>& settings = {});

}  // namespace platform::qt
