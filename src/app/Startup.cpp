#include "app/Startup.h"

#include <cstdio>
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

// Names a settings file that is there but cannot be used; a missing one is the usual case.
void SayWhyNotRead(const std::string& file, const mFileSystem::ReadOutcome& read, bool own) {
    using Kind = mFileSystem::ReadOutcome::Kind;
    if (read || read.What == Kind::Missing) return;
    const bool kept = own && (read.What == Kind::Unreadable || read.What == Kind::TooLarge);
    std::fprintf(stderr, "glyphfall: the settings file %s is %s: it is not read%s\n", file.c_str(), read.Why.c_str(),
                 kept ? ", and it will not be replaced" : "");
}
}  // namespace

void LoadSettings(cValues& store) {
    const mLocations::SettingsFiles files = mLocations::SettingsLocations(AppPath);
    mFileSystem::ReadOutcome read = store.LoadData(files.WriteTo);  // remembered as the file to write
    SayWhyNotRead(files.WriteTo, read, true);
    for (const std::string& file : files.ReadOrder) {
        if (read) return;
        if (file == files.WriteTo) continue;
        std::string bytes;
        read = mFileSystem::ReadRegularFile(file, cValues::MaxFileBytes, bytes);
        SayWhyNotRead(file, read, false);
        if (read) store.ReadData(bytes);
    }
}

bool SaveSettings(cValues& store) {
    if (store.SaveData()) return true;
    ReportUnsavedSettings(store);
    return false;
}

void ReportUnsavedSettings(const cValues& store) {
    const std::string where = store.FileName().empty() ? "" : " to " + store.FileName();
    std::fprintf(stderr, "glyphfall: the settings were not saved%s: %s\n", where.c_str(), store.SaveFailure().c_str());
}

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
    if (!Hooks.ShowMainWindow) return 0;
    const RunEnd end = Hooks.ShowMainWindow();
    if (end.Orderly) ShutDown(end.ExitCode);
    return end.ExitCode;
}

void Initialize() {
    Guarded("mCore.Initialize", [] {
        Rnd.Seed(StartupSeed(Clock().TickCount()));
        mFileSystem::GetAppPath();
        Settings.Reset();
        LoadSettings(Settings);
        if (Hooks.InitializeGraphics) Hooks.InitializeGraphics();
    });
}

void ShutDown(int exitCode) {
    if (Hooks.ReleaseGraphics) Hooks.ReleaseGraphics();
    if (!HostedRun) SaveSettings(Settings);
    Settings.Reset();
    Terminate(exitCode);
}

}  // namespace mCore
