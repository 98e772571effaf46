#pragma once
// The one seam between the program's life and a window system. The entry (src/main) picks a
// platform and hands it the controller's run; the platform makes its window(s), runs the
// controller on the main one until the controller's end is asked for (or the window is gone)
// and returns how the run ended; the entry then ends the process once (mCore::Main, which goes
// on through mCore::ShutDown). No handler ends the process: the unload asks for the end and
// returns to the loop, and the loop returns here.
#include <functional>
#include <vector>

#include "app/Startup.h"
#include "app/WindowPlatform.h"
#include "core/Platform.h"
#include "settings/SettingsKeys.h"

class cValues;

namespace app {

// What the controller runs with: the settings it reads and stores its last values into, its
// clock and its random source. A window's platform gives the program's own (mCore::Settings,
// mCore::Clock(), mCore::Rnd); the headless renderer a copy of the settings that is never
// written, its frame clock and the seed asked for.
// Held: settings the platform itself gives for its run, after the run's own switches.
struct ControllerPlace {
    cValues& Settings;
    mCore::iClock& Clock;
    mCore::cRandom& Rnd;
    std::vector<SettingOverride> Held = {};
};

// The controller's run on the platform's main window (RunController, with this run's switches).
using ControllerRun = std::function<mCore::RunEnd(iWindow& window, const ControllerPlace& place)>;

class iPlatformRun {
public:
    virtual ~iPlatformRun() = default;
    // Makes the window(s), runs the controller on the main one and returns how the run ended.
    // A platform that cannot start (no display, no compositor, no OpenGL context) says why and
    // returns {1, false} without running it.
    virtual mCore::RunEnd Run(const ControllerRun& controller) = 0;
};

// Builds the controller on the window, runs its load and main loop, then pumps the window
// until the controller's end is asked for or the window is gone: after a reported failure the
// window stays, without rain, its keys and menu working until it is closed. overrides: the
// settings given for this run only. A run that ends without the controller's end failed
// (status 1).
mCore::RunEnd RunController(iWindow& window, const ControllerPlace& place, const std::vector<SettingOverride>& overrides);

// For an end the window system forces (its connection broke: Qt then ends the process itself,
// and the main thread may be stuck in a swap): stores and writes the running controller's last
// settings once, whichever thread comes first, and says so on standard error. Nothing when no
// controller runs, its own end is under way, or it runs inside another program's window.
void SaveSettingsAtForcedEnd();

}  // namespace app
