#pragma once
// The program's window life on Qt: the platform makes the Qt application and the window and
// runs the controller on it, with the end signals taken on Qt's event loop and the ends Qt
// forces (a broken display connection) saving the settings first.
#include <cstdint>
#include <optional>
#include <vector>

#include "app/PlatformRun.h"
#include "settings/SettingsKeys.h"

namespace platform::qt {

class QtPlatformRun final : public app::iPlatformRun {
public:
    // host: the window to draw inside (0: the root window); none: the full-screen window.
    // settings: this run's switches, read for the choice of Qt's own platform plugin.
    QtPlatformRun(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings)
        : Host_(host), Settings_(settings) {}
    // Without a display or the host it says so and returns {1, false}.
    mCore::RunEnd Run(const app::ControllerRun& controller) override;

private:
    std::optional<uint32_t> Host_;
    const std::vector<SettingOverride>& Settings_;
};

}  // namespace platform::qt
