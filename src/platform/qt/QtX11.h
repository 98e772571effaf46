#pragma once
// Where the Qt window meets the X11 code: Qt's own connection to the X server, and the
// events Qt reads from it, handed to the X11 code's watches of a host window and of whether a
// window of ours can be seen.
#include <memory>

#include "platform/x11/X11Desktop.h"

namespace platform::qt {

// Qt's connection to the X server; nullptr when Qt runs on another platform (Wayland, offscreen).
xcb_connection_t* X11Connection();

// Watches a window of another program or the server's (a host's window, the root window: see
// x11::WindowWatch) on Qt's connection: every event Qt reads goes to the watch first. Nothing,
// without X11.
class X11WindowWatch {
public:
    virtual ~X11WindowWatch() = default;
    static std::unique_ptr<X11WindowWatch> Start(uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                                                  std::function<void()> onGone);
    virtual bool Mapped() const = 0;
};

// Whether a window of ours can be seen, beyond its mapping (which Qt follows): not while it is
// covered, hidden by the window manager or on another workspace (x11::WindowSight), nor while
// the monitors are off (x11::MonitorPower). Watches Qt's connection for it; nothing without X11.
class X11WindowSight {
public:
    virtual ~X11WindowSight() = default;
    static std::unique_ptr<X11WindowSight> Start(uint32_t window);
    virtual bool Seen() = 0;
};

}  // namespace platform::qt
