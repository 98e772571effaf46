#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "core/mCore.h"
#include "platform/wayland/WaylandMainWindow.h"
#include "platform/x11/X11Desktop.h"

namespace platform::qt::QtRuntime {

namespace {
int Argc = 0;
char** Argv = nullptr;
char* NoArguments[] = {const_cast<char*>("glyphfall"), nullptr};
std::unique_ptr<QApplication> Application;
std::string Platform;
bool PlatformGiven = false;  // the user's own QT_QPA_PLATFORM

std::string NoDisplay;

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

std::string DisplayNamed(const char* kind, const char* variable, const char* unset) {
    const char* value = std::getenv(variable);
    return std::string(kind) + " display " + (value && *value ? "\"" + std::string(value) + "\"" : unset);
}

// Whether one of the window systems Qt will try ($QT_QPA_PLATFORM: "wayland;xcb"; X11 where it
// names none) answers. Qt aborts the process where none does, with a message that blames its
// own installation; this one names the displays instead. Platforms without a display server
// (offscreen, vnc) are Qt's own business.
bool SomeDisplayAnswers() {
    const char* list = std::getenv("QT_QPA_PLATFORM");
    std::string platforms = list && *list ? list : "xcb", tried;
    for (size_t at = 0; at <= platforms.size();) {
        const size_t end = std::min(platforms.find(';', at), platforms.size());
        const std::string name = platforms.substr(at, std::min(platforms.find(':', at), end) - at);
        at = end + 1;
        if (name == "xcb") {
            if (x11::DisplayReachable()) return true;
            tried += (tried.empty() ? "" : ", ") + DisplayNamed("X", "DISPLAY", "(DISPLAY is not set)");
        } else if (name.starts_with("wayland")) {
            if (wayland::DisplayReachable()) return true;
            tried += (tried.empty() ? "" : ", ") + DisplayNamed("Wayland", "WAYLAND_DISPLAY", "\"wayland-0\"");
        } else if (!name.empty()) {
            return true;
        }
    }
    NoDisplay = "no display can be reached: " + tried;
    return false;
}
}  // namespace

void Init(int argc, char** argv) {
    Argc = argc;
    Argv = argv;
}

bool DisplayAvailable() { return Named("DISPLAY") || Named("WAYLAND_DISPLAY") || Named("QT_QPA_PLATFORM"); }

bool EnsureApplication() {
    if (QApplication::instance()) return true;
    if (!NoDisplay.empty()) return false;  // asked once already
    // Qt aborts the process when it cannot reach a display, so ask the environment first.
    if (!DisplayAvailable()) {
        NoDisplay = "no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        return false;
    }
    if (!Argv) {
        Argc = 1;
        Argv = NoArguments;
    }
    // The window's GL context through GLX on X11 (Qt falls back to EGL where the server has
    // no GLX): Mesa's software GLX hands each frame to the X server in shared memory, while
    // its EGL copies all 8 MB of a 1920 x 1080 frame through the X socket, which costs the
    // program a third of its fixed CPU per frame. The device layer finds either context
    // current. A user's own choice stays.
    PlatformGiven = Named("QT_QPA_PLATFORM");
    if (!Named("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "xcb_glx");
    // In a Wayland session the window is a Wayland one (Qt's own choice would be XWayland
    // wherever the session type is not set, and always under GNOME), through XWayland only
    // where Qt's Wayland plugin is not installed. A window inside a screen saver's X window
    // needs X11; a user's own choice stays.
    if (Named("WAYLAND_DISPLAY") && !mCore::Hosted()) {
        if (!Named("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "wayland;xcb");
        // A window with this hint gets no shell role from Qt's Wayland plugin: the background's
        // click catcher takes the layer role instead (QtWayland).
        qputenv("QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT", "1");
    }
    // Mesa's software rasteriser draws a frame at the defaults in a fraction of the 50 ms the
    // loop gives it; a second rasteriser thread only adds the work of sharing the frame out
    // (a fifth more CPU time per second, measured). One thread, unless the user says otherwise;
    // other drivers ignore the setting.
    if (!Named("LP_NUM_THREADS")) qputenv("LP_NUM_THREADS", "1");
    if (!SomeDisplayAnswers()) return false;
    Application = std::make_unique<QApplication>(Argc, Argv);
    x11::LetGoOfProbe();  // Qt's own connection holds the server now
    // A program that returns from main without Release (a test) must not tear Qt down
    // among the static destructors, where parts of it are already gone: leave it to the
    // process's end instead.
    std::atexit([] { (void)Application.release(); });
    // No display name: Qt would append it to every window title ("Change count — Glyphfall"),
    // and the dialogs' titles are exactly their own.
    QApplication::setApplicationName("glyphfall");
    // Desktops (Wayland's app id, GNOME's window matching) find the menu entry and icon by it.
    QGuiApplication::setDesktopFileName(GLYPHFALL_APP_ID);
    // The main loop decides when the program ends; closing a dialog must never end it.
    QApplication::setQuitOnLastWindowClosed(false);
    Platform = QGuiApplication::platformName().toStdString();
    return true;
}

bool RestartThroughXWayland() {
    if (PlatformGiven || !Named("DISPLAY") || !Argv || wayland::CompositorOffersBackground()) return false;
    std::fprintf(stderr, "glyphfall: the compositor has no background layer; starting again through XWayland\n");
    // The settings are saved and the one-copy lock is let go (its descriptor closes on exec)
    // before the end gets here; the last switch wins, so --background holds over any before it.
    mCore::SetTerminateHandler([](int exitCode) {
        if (exitCode != 0) return;
        std::fflush(nullptr);
        std::vector<char*> arguments(Argv, Argv + Argc);
        arguments.push_back(const_cast<char*>("--background"));
        arguments.push_back(nullptr);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::execv("/proc/self/exe", arguments.data());
    });
    return true;
}

const std::string& NoDisplayReason() { return NoDisplay; }

void Release() { Application.reset(); }

const char* PlatformName() { return Platform.c_str(); }

}  // namespace platform::qt::QtRuntime
