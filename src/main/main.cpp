// The program's entry: reads the command line and picks the platform. --help and --version
// answer on the terminal; "--render DIR ..." renders frames to files without any window system;
// --root under a Wayland host runs on Wayland alone, without Qt, and so does --lock (the lock
// screen); everything else decides from the command line whether to run, then shows the Qt
// window: full-screen (natively on Wayland where Qt's Wayland plugin is installed), or inside
// the window a screen saver hands out (--root, --window-id).
// Qt connects to the display only when a dialog or the window needs it, so the
// screen-saver preview ("/p") and a second copy end without touching it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HeadlessRender.h"
#include "app/Startup.h"
#include "core/Process.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "platform/pam/PamCheck.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtRuntime.h"
#include "platform/wayland/LockWindow.h"
#include "platform/wayland/WaylandMainWindow.h"

namespace {

mCore::StartupHooks GraphicsHooks() {
    mCore::StartupHooks hooks;
    hooks.InitializeGraphics = [] {
        // Each window's device draws on that window's own surface.
        mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
        return mDXGraphics::Initialize();
    };
    hooks.ReleaseGraphics = [] { mDXGraphics::Release(); };
    return hooks;
}

// --lock: the rain as the session's lock screen on Wayland, the password checked with PAM.
int Lock(const app::CommandLine& command) {
    mCore::SetHosted(true);  // the settings file is read, never written
    int lockedFd = -1;
    if (command.ReturnOnceLocked) mCore::SplitUntilReady(lockedFd);
    platform::pam::cPamCheck check(platform::pam::CurrentUserName());
    mCore::StartupHooks hooks = GraphicsHooks();
    hooks.ShowMainWindow = [&] { return platform::wayland::RunLockOnWayland(command.Settings, check, lockedFd); };
    mCore::SetStartupHooks(std::move(hooks));
    return mCore::Main("");
}

}  // namespace

int main(int argc, char** argv) {
    const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
    const app::CommandLine command =
        app::ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc), saverWindow ? saverWindow : "");
    if (command.Action == app::CommandAction::Render) return app::RenderHeadless({command.Render, true, command.Settings});
    if (command.Action == app::CommandAction::Lock) return Lock(command);
    if (command.Action != app::CommandAction::Run) return app::AnswerCommandLine(command);

    const bool hosted = command.HostWindow.has_value();
    mCore::SetHosted(hosted);
    if (hosted && *command.HostWindow == 0 && platform::wayland::HostedOnWayland()) {
        mCore::StartupHooks hooks = GraphicsHooks();
        hooks.ShowMainWindow = [&command] { return platform::wayland::RunHostedOnWayland(command.Settings); };
        mCore::SetStartupHooks(std::move(hooks));
        return mCore::Main(command.RunModeText);
    }
    namespace qt = platform::qt;
    qt::QtRuntime::Init(argc, argv);
    static qt::QtDialogs dialogs;
    // Inside another program's window nobody could answer a dialog: messages go to standard error.
    if (qt::QtRuntime::DisplayAvailable() && !hosted) mCore::SetDialogs(&dialogs);

    mCore::StartupHooks hooks = GraphicsHooks();
    hooks.ShowMainWindow = [&command] { return qt::ShowMainWindow(command.HostWindow, command.Settings); };
    mCore::SetStartupHooks(std::move(hooks));

    const int exitCode = mCore::Main(command.RunModeText);
    mCore::SetDialogs(nullptr);
    qt::QtRuntime::Release();
    return exitCode;
}
