#pragma once
// Where the program's window life begins: the start-up hook shows the window and hands it
// to the controller.
#include "app/WindowPlatform.h"

namespace app {

// The ShowMainWindow start-up hook: makes the Qt application and the full-screen window
// and runs RunMainWindow on it. Without a display it says so and returns 1.
int ShowMainWindow();

// The controller's whole life on the window: load, main loop, unload. Normally the unload
// ends the process through mCore::ShutDown; it returns (with the exit status 1) only when the
// window went without that.
int RunMainWindow(iWindowPlatform& window);

// Makes the graphics root objects draw on the main window's OpenGL context.
void InstallWindowGraphics();

}  // namespace app
