#include "core/Startup.h"

#include <string>

#include "core/Process.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"
#include "settings/SettingsKeys.h"

namespace mCore {

cValues Settings;
const char* const ConfigureHint = "To configure don't move your mouse and press right-click while running.";

namespace {
StartupHooks Hooks;
}

void SetStartupHooks(StartupHooks hooks) { Hooks = std::move(hooks); }

int Main(std::string_view argumentText) {
    bool run = false;
    Guarded("mCore.Main", [&] {
        if (!AcquireSingleInstance()) return;
        switch (RunModeOf(argumentText)) {
            case RunMode::Preview:
                return;  // the preview is not supported and shows nothing
            case RunMode::Configure:
                Dialogs().MessageBox(ConfigureHint, ProgramTitle, MessageIcon::Information);
                return;
            case RunMode::Run:
                break;
        }
        LowerThreadPriority();
        run = true;
    });
    if (!run) return 0;
    Initialize();
    return Hooks.ShowMainWindow ? Hooks.ShowMainWindow() : 0;
}

void Initialize() {
    Guarded("mCore.Initialize", [] {
        Now = Clock().TickCount();
        Rnd.Seed(StartupSeed(Now));
        mFileSystem::GetAppPath();
        Settings.Reset();
        Settings.LoadData(AppPath + std::string(SettingsFileName));  // a missing file just leaves it empty
        if (Hooks.InitializeGraphics) Hooks.InitializeGraphics();
    });
}

void ShutDown(int exitCode) {
    if (Hooks.ReleaseGraphics) Hooks.ReleaseGraphics();
    Settings.SaveData();
    Settings.Reset();
    Terminate(exitCode);
}

}  // namespace mCore
