// The program's entry: reads the command line and picks the platform, then owns the program's
// life: the settings are read, the controller is built once and run on the platform's window,
// and the process ends once, with the status the run came to (mCore::Main). --help and
// --version answer on the terminal; "--render DIR ..." renders frames to files without any
// window system; --root under a Wayland host runs on Wayland alone, without Qt, and so does
// --lock (the lock screen), and so does "/s" where the compositor has the layer shell (the saver
// above everything); everything else decides from the command line whether to run, then
// shows the Qt window: full-screen (natively on Wayland where Qt's Wayland plugin is
// installed), or inside the window a screen saver hands out (--root, --window-id).
// Qt connects to the display only when a dialog or the window needs it, so the
// screen-saver preview ("/p") and a second copy end without touching it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/PlatformRun.h"
#include "app/Startup.h"
#include "core/Process.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "platform/headless/HeadlessRender.h"
#include "platform/pam/PamCheck.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtRuntime.h"
#include "platform/wayland/LockWindow.h"
#include "platform/wayland/WaylandMainWindow.h"

namespace {

// The controller's run with this run's switches: the one place the controller is built.
app::ControllerRun TheController(const app::CommandLine& command) {
    return [&command](app::iWindow& window, const app::ControllerPlace& place) {
        return app::RunController(window, place, command.Settings);
    };
}

// The window's life on the platform, between the start-up that reads the settings and the end
// that writes them (both in mCore::Main).
int RunOn(app::iPlatformRun& platform, const app::CommandLine& command) {
    mCore::StartupHooks hooks;
    hooks.InitializeGraphics = [] {
        // Each window's device draws on that window's own surface.
        mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
        return mDXGraphics::Initialize();
    };
    hooks.ReleaseGraphics = [] { mDXGraphics::Release(); };
    hooks.ShowMainWindow = [&] { return platform.Run(TheController(command)); };
    mCore::SetStartupHooks(std::move(hooks));
    return mCore::Main(command.RunModeText);
}

// --lock: the rain as the session's lock screen on Wayland, the password checked with PAM.
int Lock(const app::CommandLine& command) {
    mCore::SetHosted(true);  // the settings file is read, never written
    int lockedFd = -1;
    if (command.ReturnOnceLocked) mCore::SplitUntilReady(lockedFd);
    platform::pam::cPamCheck check(platform::pam::CurrentUserName());
    platform::wayland::WaylandLockRun lock(check, lockedFd);
    return RunOn(lock, command);
}

}  // namespace

int main(int argc, char** argv) {
    const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
    const app::CommandLine command =
        app::ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc), saverWindow ? saverWindow : "");
    if (command.Action == app::CommandAction::Render) {
        const platform::headless::HeadlessOptions options{command.Render, true};
        return platform::headless::HeadlessRun(options).Run(TheController(command)).ExitCode;
    }
    if (command.Action == app::CommandAction::Lock) return Lock(command);
    if (command.Action != app::CommandAction::Run) return app::AnswerCommandLine(command);

    const bool hosted = command.HostWindow.has_value();
    mCore::SetHosted(hosted);
    if (hosted && *command.HostWindow == 0 && platform::wayland::HostedOnWayland()) {
        platform::wayland::WaylandHostedRun wayland;
        return RunOn(wayland, command);
    }
    if (command.ScreenSaverRun && platform::wayland::SaverCoversOutputs()) {
        platform::wayland::WaylandSaverRun saver;
        return RunOn(saver, command);
    }
    namespace qt = platform::qt;
    qt::QtRuntime::Init(argc, argv);
    static qt::QtDialogs dialogs;
    // Inside another program's window nobody could answer a dialog: messages go to standard error.
    if (qt::QtRuntime::DisplayAvailable() && !hosted) mCore::SetDialogs(&dialogs);

    qt::QtPlatformRun window(command.HostWindow, command.Settings);
    const int exitCode = RunOn(window, command);
    mCore::SetDialogs(nullptr);
    qt::QtRuntime::Release();
    return exitCode;
}
