#pragma once
// Whether anything of one of our windows can be seen, as far as the X server and the window
// manager tell, in xcb on the connection the toolkit hands over. The toolkit already follows
// the window's mapping (a minimised window, or one on another workspace, is unmapped by most
// window managers); this adds what it does not follow. Nothing here knows the toolkit.
#include <chrono>
#include <cstdint>

struct xcb_connection_t;

namespace platform::x11 {

// One of our windows: fully covered by other windows (the server's visibility events, which
// count only where no compositing manager runs: it draws every window off screen, so the
// server's idea of what covers what says nothing), hidden by the window manager while it stays
// mapped (_NET_WM_STATE_HIDDEN: minimised under a compositing manager), or on a workspace
// other than the current one (_NET_WM_DESKTOP against the root's _NET_CURRENT_DESKTOP). The
// toolkit hands it every event it reads from the connection (Handle).
class WindowSight {
public:
    // Adds the events it needs to what the connection already asks of the window and of the
    // root window, and reads the window manager's properties as they are now.
    WindowSight(xcb_connection_t* c, uint32_t window);
    // One event as xcb delivered it (an xcb_generic_event_t).
    void Handle(const void* event);
    bool Seen() const { return !covered_ && !hidden_ && !elsewhere_; }

private:
    bool Composited() const;
    void ReadHidden();
    void ReadWorkspace();

    xcb_connection_t* c_;
    uint32_t window_, root_ = 0;
    uint32_t netWmState_ = 0, netWmStateHidden_ = 0, netWmDesktop_ = 0, netCurrentDesktop_ = 0, compositor_ = 0;
    bool covered_ = false, hidden_ = false, elsewhere_ = false;
};

// Whether the monitors are switched off (DPMS standby, suspend or off). The server sends no
// event when they are, so this asks it, at most once a second while they are on and four times
// a second while they are off (so the rain comes back soon after them); never where the server
// has no DPMS (Xvfb, Xephyr).
class MonitorPower {
public:
    explicit MonitorPower(xcb_connection_t* c);
    bool Off();

private:
    xcb_connection_t* c_;
    bool present_ = false, off_ = false;
    std::chrono::steady_clock::time_point next_{};
};

}  // namespace platform::x11
