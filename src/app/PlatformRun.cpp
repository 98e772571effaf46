#include "app/PlatformRun.h"

#include <cstdio>
#include <mutex>

#include "app/frmMain.h"
#include "settings/cValues.h"

namespace app {

namespace {
// The controller while it runs, for an end the window system forces.
frmMain* Running = nullptr;

std::recursive_mutex SavingAtForcedEnd;
bool SavedAtForcedEnd = false;
}  // namespace

mCore::RunEnd RunController(iWindow& window, const ControllerPlace& place, const std::vector<SettingOverride>& overrides) {
    frmMain form(window, place.Settings, place.Clock, place.Rnd);
    form.Overrides = overrides;
    form.Overrides.insert(form.Overrides.end(), place.Held.begin(), place.Held.end());
    Running = &form;
    form.Load();
    while (!form.EndAsked() && window.PumpEvents()) place.Clock.Sleep(20);
    Running = nullptr;
    return {form.EndAsked() ? form.ExitCode : 1, form.EndAsked()};
}

void SaveSettingsAtForcedEnd() {
    // Another thread may be here at the same time (the lost-display watch; Qt's Wayland event
    // thread and its main thread both report a broken connection, and each then ends the
    // process): it waits until the first has saved, as its end would cut the save short.
    const std::lock_guard lock(SavingAtForcedEnd);
    if (SavedAtForcedEnd) return;
    SavedAtForcedEnd = true;
    if (Running && Running->SaveSettingsWithoutWindow())
        std::fprintf(stderr, "glyphfall: the window system ended the program; the settings were saved\n");
    else if (Running && !mCore::Settings.SaveFailure().empty())
        mCore::ReportUnsavedSettings(mCore::Settings);
}

}  // namespace app
