#include "platform/wayland/WaylandMainWindow.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/Startup.h"
#include "core/EndSignals.h"
#include "core/mCore.h"
#include "device/gl/cEGLWindowContext.h"
#include "platform/wayland/BackgroundWindow.h"
#include "platform/wayland/SaverInput.h"
#include "platform/wayland/WaylandDesktop.h"

namespace platform::wayland {

namespace {

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

mCore::RunEnd Refuse(const std::string& why) {
    std::fprintf(stderr, "glyphfall: %s\n", why.c_str());
    return {1, false};
}

// The output the main window rains on: the one the host names, else the first.
std::shared_ptr<cWaylandOutput> MainOutput(const cWaylandDesktop& desktop, const std::string& only) {
    if (!only.empty()) return desktop.FindOutput(only);
    const std::vector<std::string> names = desktop.OutputNames();
    return names.empty() ? nullptr : desktop.FindOutput(names.front());
}

}  // namespace

bool HostedOnWayland() {
    if (Named("XSCREENSAVER_WINDOW")) return false;
    return Named("WAYLAND_SOCKET") || (!Named("DISPLAY") && Named("WAYLAND_DISPLAY"));
}

bool DisplayReachable() {
    if (Named("WAYLAND_SOCKET")) return true;
    wl_display* display = wl_display_connect(nullptr);
    if (display) wl_display_disconnect(display);
    return display != nullptr;
}

namespace {

// The rain on every output's layer surfaces, the main window on the first output (or the one
// only names). saver: on the overlay layer with the seat's input, else on the background.
mCore::RunEnd RunOnOutputs(const app::ControllerRun& controller, const std::string& only, bool saver) {
    mCore::CatchEndSignals();  // before anything that could take long: the host may end us at once
    // One rasteriser thread, as for the Qt window (QtRuntime says why); a user's choice stays.
    setenv("LP_NUM_THREADS", "1", 0);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return Refuse("no Wayland compositor to connect to (WAYLAND_SOCKET, WAYLAND_DISPLAY)");
    std::string error;
    const std::unique_ptr<cWaylandDesktop> desktop = cWaylandDesktop::Open(display, error);
    if (!desktop) return Refuse(error);
    if (!desktop->HasLayerShell())
        return Refuse("the Wayland compositor offers no background layer (zwlr_layer_shell_v1)");
    const std::shared_ptr<cWaylandOutput> output = MainOutput(*desktop, only);
    if (!output) return Refuse(only.empty() ? "the Wayland compositor has no output" : "there is no output " + only);
    cEGLWindowContext context;
    if (!context.CreateForWayland(display, error)) return Refuse(error);

    if (saver) {
        cSaverInput input(*desktop);
        output->ShowBackground(true, Layer::Overlay);
        cBackgroundWindow window(*desktop, context, output, true, only, &input);
        return controller(window, {mCore::Settings, mCore::Clock(), mCore::Rnd});
    }
    output->ShowBackground(false);
    cBackgroundWindow window(*desktop, context, output, true, only);
    // Every output the host shows rains, whatever the settings file says about the background.
    return controller(window, {mCore::Settings, mCore::Clock(), mCore::Rnd, {{std::string(SettingKey::StayBack), "1"}}});
}

}  // namespace

mCore::RunEnd WaylandHostedRun::Run(const app::ControllerRun& controller) {
    const char* only = std::getenv("SWAYLOCK_PLUGIN_OUTPUT_NAME");
    return RunOnOutputs(controller, only ? only : "", false);
}

mCore::RunEnd WaylandSaverRun::Run(const app::ControllerRun& controller) { return RunOnOutputs(controller, "", true); }

bool SaverCoversOutputs() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && !std::string_view(platform).starts_with("wayland")) return false;
    return Named("WAYLAND_DISPLAY") && !Named("WAYLAND_SOCKET") && CompositorOffersBackground();
}

bool CompositorOffersBackground() {
    if (Named("WAYLAND_SOCKET")) return true;  // a locker's one connection is not ours to spend
    if (!Named("WAYLAND_DISPLAY")) return false;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    std::string error;
    const bool offers = [&] {
        const std::unique_ptr<cWaylandDesktop> desktop = cWaylandDesktop::Open(display, error);
        return desktop && desktop->HasLayerShell();
    }();
    wl_display_disconnect(display);
    return offers;
}

}  // namespace platform::wayland
