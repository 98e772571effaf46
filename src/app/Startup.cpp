#include "app/Startup.h"

#include <string>

#include "core/Locations.h"
#include "core/Process.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"

namespace mCore {

cValues Settings;
const char* const ConfigureHint = "To configure don't move your mouse and press right-click while running.";

namespace {
StartupHooks Hooks;
bool HostedRun = false;

// Reads the first settings file there is, and remembers the user's own file as the one to
// write: a system-wide default is read, never written.
void LoadSettings() {
    const mLocations::SettingsFiles files = mLocations::SettingsLocations(AppPath);
    const std::string from = mLocations::FirstReadable(files.ReadOrder);
    Settings.LoadData(files.WriteTo);  // a missing file just leaves the store empty
    std::string bytes;
    if (from != files.WriteTo && mFileSystem::ReadWholeFile(from, bytes)) Settings.ReadData(bytes);
}
}  // namespace

void SetStartupHooks(StartupHooks hooks) { Hooks = std::move(hooks); }

void SetHosted(bool hosted) { HostedRun = hosted; }
bool Hosted() { return HostedRun; }

int Main(std::string_view argumentText) {
    bool run = false;
    Guarded("mCore.Main", [&] {
        if (!HostedRun && !AcquireSingleInstance()) return;
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
        Rnd.Seed(StartupSeed(Clock().TickCount()));
        mFileSystem::GetAppPath();
        Settings.Reset();
        LoadSettings();
        if (Hooks.InitializeGraphics) Hooks.InitializeGraphics();
    });
}

void ShutDown(int exitCode) {
    if (Hooks.ReleaseGraphics) Hooks.ReleaseGraphics();
    if (!HostedRun) {
        mLocations::MakeFolderFor(Settings.FileName());  // the user's folder appears on the first save
        Settings.SaveData();
    }
    Settings.Reset();
    Terminate(exitCode);
}

}  // namespace mCore
