#pragma once
// The one Qt application object, made only when something needs the display: the
// screen-saver preview and a second copy end without ever connecting to it.
#include <string>

namespace platform::qt::QtRuntime {

// Keeps the command line for the application object (Qt holds on to argc and argv).
void Init(int argc, char** argv);
// Whether a window system is named in the environment (X11, Wayland or a forced Qt platform).
bool DisplayAvailable();
// Creates the application object on first use. False when there is no display to use, or
// none that answers (NoDisplayReason says which).
bool EnsureApplication();
// Why EnsureApplication found no display: "no display is available (...)"; empty before.
const std::string& NoDisplayReason();
// Ends the application object while the program is still whole: Qt must not be torn
// down among the static destructors.
void Release();
// Where a Wayland compositor has no background layer and XWayland is there (and the user
// named no Qt platform): arranges that the program's end starts it again at once through
// XWayland, with --background, and returns true; false where that road is closed.
bool RestartThroughXWayland();
// Name of the Qt platform in use ("xcb", "wayland", ...), empty before EnsureApplication.
const char* PlatformName();

}  // namespace platform::qt::QtRuntime
