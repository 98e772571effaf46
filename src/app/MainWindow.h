#pragma once
// Where the program's window life begins: the start-up hook shows the window and hands it
// to the controller.
#include "app/WindowPlatform.h"

namespace app {

// The ShowMainWindow start-up hook: makes the Qt application and the full-screen window
// and runs RunMainWindow on it. Without a display it says so and returns.
void ShowMainWindow();

// The controller's whole life on the window: load, main loop, unload. Returns when the
// window is gone (normally it ends the process through mCore::ShutDown first).
void RunMainWindow(iWindowPlatform& window);

// Makes the graphics root objects draw on the main window's OpenGL context.
void InstallWindowGraphics();

}  // namespace app
