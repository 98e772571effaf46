#pragma once
// The X11 side of "Stay in background": the EWMH hints that make a window the desktop's
// background (type DESKTOP; states BELOW, SKIP_TASKBAR, SKIP_PAGER) and take them away; and
// of drawing inside a window another program owns (a screen saver's).
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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

// A monitor's rectangle in the X server's pixels.
struct Area {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
// The monitors as the server's Xinerama extension lists them; none without it (or X11).
std::vector<Area> XineramaHeads();

// The root window of the default screen; 0 without X11.
uint32_t RootWindow();
// The window's size in pixels; false when there is no such window (or no X11).
bool WindowSize(uint32_t window, int& width, int& height);

// Follows a window of another program without changing anything about it: onResize gets
// its new size when it changes, onGone is called once when it is destroyed (or when
// `inside`, a window of ours within it, is destroyed with it). Only while the watch lives.
class WindowWatch {
public:
    virtual ~WindowWatch() = default;
};
std::unique_ptr<WindowWatch> WatchWindow(uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                                         std::function<void()> onGone);

}  // namespace app::X11Desktop
