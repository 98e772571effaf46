// The program's entry. --help and --version answer on the terminal; "--render DIR ..."
// renders frames to files without any window; everything else decides from the command
// line whether to run, then shows the window: full-screen, or inside the window a screen
// saver hands out (--root, --window-id).
// Qt connects to the display only when a dialog or the window needs it, so the
// screen-saver preview ("/p") and a second copy end without touching it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HeadlessRender.h"
#include "app/MainWindow.h"
#include "app/QtDialogs.h"
#include "app/QtRuntime.h"
#include "core/Process.h"
#include "app/Startup.h"
#include "device/mDXGraphics.h"

namespace {

int RenderToFiles(int argc, char** argv) {
    std::string error;
    const auto options = app::ParseHeadlessArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "glyphfall: %s\n%s\n", error.c_str(), app::HeadlessUsage);
        return 2;
    }
    return app::RenderHeadless(*options);
}

}  // namespace

int main(int argc, char** argv) {
    const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
    const app::CommandLine command =
        app::ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc), saverWindow ? saverWindow : "");
    if (command.Action == app::CommandAction::Render) return RenderToFiles(argc, argv);
    if (command.Action != app::CommandAction::Run) return app::AnswerCommandLine(command);

    const bool hosted = command.HostWindow.has_value();
    mCore::SetHosted(hosted);
    app::QtRuntime::Init(argc, argv);
    static app::QtDialogs dialogs;
    // Inside another program's window nobody could answer a dialog: messages go to standard error.
    if (app::QtRuntime::DisplayAvailable() && !hosted) mCore::SetDialogs(&dialogs);

    mCore::StartupHooks hooks;
    hooks.InitializeGraphics = [] {
        app::InstallWindowGraphics();
        return mDXGraphics::Initialize();
    };
    hooks.ReleaseGraphics = [] { mDXGraphics::Release(); };
    hooks.ShowMainWindow = [&command] { return app::ShowMainWindow(command.HostWindow, command.Settings); };
    mCore::SetStartupHooks(std::move(hooks));

    const int exitCode = mCore::Main(command.RunModeText);
    mCore::SetDialogs(nullptr);
    app::QtRuntime::Release();
    return exitCode;
}
