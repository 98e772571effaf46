#pragma once
// The X11 side of "Stay in background": the EWMH hints that make a window the desktop's
// background (type DESKTOP; states BELOW, SKIP_TASKBAR, SKIP_PAGER) and take them away.
#include <cstdint>
#include <functional>

namespace app::X11Desktop {

// True when the program talks to an X11 server (not Wayland or an off-screen platform).
bool Available();
// True when the connection to the X11 server has broken (the server went away). Qt ends
// the program at its next event pump; until then nothing may be sent over it (the software
// renderer's swap loops for ever on a broken connection).
bool ConnectionBroken();
// The same question, asked from any thread; empty when the program does not use X11.
std::function<bool()> ConnectionProbe();
// Sets _NET_WM_WINDOW_TYPE to DESKTOP, or back to NORMAL. Takes effect when the window is
// next mapped, so call it while the window is hidden.
void SetWindowType(uintptr_t window, bool desktop);
// Adds or removes the background states, both on the window's own property (read at map
// time and by tools) and through the window manager's protocol for a mapped window.
void SetBackgroundStates(uintptr_t window, bool on);

}  // namespace app::X11Desktop
