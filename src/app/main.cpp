// The program's entry: decides from the command line whether to run, then shows the
// window. Qt connects to the display only when a dialog or the window needs it, so the
// screen-saver preview ("/p") and a second copy end without touching it.
#include "app/MainWindow.h"
#include "app/QtDialogs.h"
#include "app/QtRuntime.h"
#include "core/Process.h"
#include "core/Startup.h"

int main(int argc, char** argv) {
    app::QtRuntime::Init(argc, argv);
    static app::QtDialogs dialogs;
    if (app::QtRuntime::DisplayAvailable()) mCore::SetDialogs(&dialogs);

    mCore::StartupHooks hooks;
    // The graphics root objects join here once the device layer offers them
    // (hooks.InitializeGraphics / hooks.ReleaseGraphics).
    hooks.ShowMainWindow = [] { app::ShowMainWindow(); };
    mCore::SetStartupHooks(std::move(hooks));

    const int exitCode = mCore::Main(mCore::ArgumentText(argc, argv));
    mCore::SetDialogs(nullptr);
    app::QtRuntime::Release();
    return exitCode;
}
