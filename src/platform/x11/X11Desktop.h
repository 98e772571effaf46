#pragma once
// The X11 side of the desktop, spoken in xcb on a connection the window's toolkit hands over:
// the EWMH hints that make a window the desktop's background (type DESKTOP; states BELOW,
// SKIP_TASKBAR, SKIP_PAGER) and take them away; the monitors as Xinerama lists them; the
// windows of a program that hands out a window to draw in (a screen saver's host); and the
// watch that notices a connection that has broken. Nothing here knows the toolkit: every
// function takes the connection, and a connection of nullptr (no X11) does nothing.
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

struct xcb_connection_t;

namespace platform::x11 {

// Whether an X server answers at $DISPLAY. The toolkit aborts the process where it finds
// none, so its start asks first. The connection is held until LetGoOfProbe: a server started
// without -noreset resets when its last client leaves, and would refuse the toolkit's own
// connection while it does.
bool DisplayReachable();
void LetGoOfProbe();

// True when the connection to the X11 server has broken (the server went away). The toolkit
// ends the program at its next event pump; until then nothing may be sent over it (the software
// renderer's swap loops for ever on a broken connection). Safe to ask from any thread.
bool ConnectionBroken(xcb_connection_t* c);

// Sets _NET_WM_WINDOW_TYPE to DESKTOP, or back to NORMAL. Takes effect when the window is
// next mapped, so call it while the window is hidden.
void SetWindowType(xcb_connection_t* c, uint32_t window, bool desktop);
// Adds or removes the background states, both on the window's own property (read at map
// time and by tools) and through the window manager's protocol for a mapped window.
void SetBackgroundStates(xcb_connection_t* c, uint32_t window, bool on);

// A monitor's rectangle in the X server's pixels.
struct Area {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
// The monitors as the server's Xinerama extension lists them; none without it.
std::vector<Area> XineramaHeads(xcb_connection_t* c);

// The root window of the screen DISPLAY names; 0 without X11.
uint32_t RootWindow(xcb_connection_t* c);
// The window's size in pixels; false when there is no such window (or no X11).
bool WindowSize(xcb_connection_t* c, uint32_t window, int& width, int& height);

// Follows a window of another program without changing anything about it: onResize gets
// its new size when it changes, onGone is called once when it is destroyed (or when
// `inside`, a window of ours within it, is destroyed with it). The toolkit hands it every
// event it reads from the connection (Handle); only while the watch lives.
class WindowWatch {
public:
    WindowWatch(xcb_connection_t* c, uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                std::function<void()> onGone);
    // One event as xcb delivered it (an xcb_generic_event_t).
    void Handle(const void* event);
    // Whether the window is mapped (its owner may unmap it while it keeps it, as a screen
    // saver's host does between its turns); a window of ours inside it is then not seen.
    bool Mapped() const { return mapped_; }

private:
    uint32_t window_, inside_;
    std::function<void(int, int)> onResize_;
    std::function<void()> onGone_;
    int width_ = 0, height_ = 0;
    bool gone_ = false, mapped_ = true;
};

// The software renderer's swap never returns once the connection is gone (it loops on a
// request length of 0), so the toolkit's own notice of the break may never come. This watch
// asks every 100 ms from a thread of its own, and when the connection has been broken for two
// seconds it calls onLost there (which ends the program).
class LostDisplayWatch {
public:
    LostDisplayWatch(xcb_connection_t* c, std::function<void()> onLost);
    ~LostDisplayWatch();
    LostDisplayWatch(const LostDisplayWatch&) = delete;
    LostDisplayWatch& operator=(const LostDisplayWatch&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace platform::x11
