#pragma once
// The X11 side of "Stay in background": the EWMH hints that make a window the desktop's
// background (type DESKTOP; states BELOW, SKIP_TASKBAR, SKIP_PAGER) and take them away.
#include <cstdint>

namespace app::X11Desktop {

// True when the program talks to an X11 server (not Wayland or an off-screen platform).
bool Available();
// Sets _NET_WM_WINDOW_TYPE to DESKTOP, or back to NORMAL. Takes effect when the window is
// next mapped, so call it while the window is hidden.
void SetWindowType(uintptr_t window, bool desktop);
// Adds or removes the background states, both on the window's own property (read at map
// time and by tools) and through the window manager's protocol for a mapped window.
void SetBackgroundStates(uintptr_t window, bool on);

}  // namespace app::X11Desktop
