#include "platform/x11/X11Desktop.h"

#include <xcb/xcb.h>
#ifdef GLYPHFALL_HAVE_XINERAMA
#include <xcb/xinerama.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::x11 {

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t window) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    const xcb_window_t root = tree ? tree->root : xcb_window_t{XCB_WINDOW_NONE};
    std::free(tree);
    return root;
}

std::vector<xcb_atom_t> States(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmState) {
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, netWmState, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return states;
}

}  // namespace

namespace {
xcb_connection_t* Probe = nullptr;
}

bool DisplayReachable() {
    LetGoOfProbe();
    Probe = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(Probe) == 0) return true;
    LetGoOfProbe();  // also frees a connection that failed
    return false;
}

void LetGoOfProbe() {
    if (Probe) xcb_disconnect(Probe);
    Probe = nullptr;
}

bool ConnectionBroken(xcb_connection_t* c) { return c && xcb_connection_has_error(c) != 0; }

void SetWindowType(xcb_connection_t* c, uint32_t window, bool desktop) {
    if (!c) return;
    const xcb_atom_t type = Atom(c, desktop ? "_NET_WM_WINDOW_TYPE_DESKTOP" : "_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &type);
    xcb_flush(c);
}

void SetBackgroundStates(xcb_connection_t* c, uint32_t window, bool on) {
    if (!c) return;
    const xcb_atom_t netWmState = Atom(c, "_NET_WM_STATE");
    const xcb_atom_t below = Atom(c, "_NET_WM_STATE_BELOW");
    const xcb_atom_t skipTaskbar = Atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = Atom(c, "_NET_WM_STATE_SKIP_PAGER");

    std::vector<xcb_atom_t> states = States(c, window, netWmState);
    for (xcb_atom_t state : {below, skipTaskbar, skipPager}) {
        const bool present = std::find(states.begin(), states.end(), state) != states.end();
        if (on && !present) states.push_back(state);
        if (!on && present) states.erase(std::remove(states.begin(), states.end(), state), states.end());
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());

    // A running window manager owns the state of a mapped window; ask it as EWMH says.
    const xcb_window_t root = RootOf(c, window);
    if (root != XCB_WINDOW_NONE) {
        const xcb_atom_t pairs[][2] = {{below, XCB_ATOM_NONE}, {skipTaskbar, skipPager}};
        for (const auto& pair : pairs) {
            xcb_client_message_event_t event;
            std::memset(&event, 0, sizeof event);
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window;
            event.type = netWmState;
            event.data.data32[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
            event.data.data32[1] = pair[0];
            event.data.data32[2] = pair[1];
            event.data.data32[3] = 1;  // the request comes from a normal application
            xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                           reinterpret_cast<const char*>(&event));
        }
    }
    xcb_flush(c);
}

std::vector<Area> XineramaHeads(xcb_connection_t* c) {
    std::vector<Area> heads;
#ifdef GLYPHFALL_HAVE_XINERAMA
    if (!c) return heads;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xinerama_id);
    if (!extension || !extension->present) return heads;
    xcb_xinerama_is_active_reply_t* active = xcb_xinerama_is_active_reply(c, xcb_xinerama_is_active(c), nullptr);
    const bool on = active && active->state;
    std::free(active);
    if (!on) return heads;
    xcb_xinerama_query_screens_reply_t* screens =
        xcb_xinerama_query_screens_reply(c, xcb_xinerama_query_screens(c), nullptr);
    if (!screens) return heads;
    const xcb_xinerama_screen_info_t* info = xcb_xinerama_query_screens_screen_info(screens);
    for (int i = 0; i < xcb_xinerama_query_screens_screen_info_length(screens); ++i)
        heads.push_back({info[i].x_org, info[i].y_org, info[i].width, info[i].height});
    std::free(screens);
#endif
    return heads;
}

uint32_t RootWindow(xcb_connection_t* c) {
    if (!c) return 0;
    // The screen DISPLAY names (":0.1" is screen 1); the first one when it names none.
    char* host = nullptr;
    int display = 0, wanted = 0;
    if (xcb_parse_display(nullptr, &host, &display, &wanted)) std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < wanted && screens.rem > 1; ++i) xcb_screen_next(&screens);
    return screens.rem ? screens.data->root : 0;
}

bool WindowSize(xcb_connection_t* c, uint32_t window, int& width, int& height) {
    if (!c) return false;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry) return false;
    width = geometry->width;
    height = geometry->height;
    std::free(geometry);
    return true;
}

WindowWatch::WindowWatch(xcb_connection_t* c, uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                         std::function<void()> onGone)
    : window_(window), inside_(inside), onResize_(std::move(onResize)), onGone_(std::move(onGone)) {
    if (!c) return;
    // Structure events of a window go to every client that asks for them; the mask is this
    // program's own and changes nothing for the window's owner. It is added to what the
    // connection already asks of the window (the toolkit watches the root window's properties).
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window_), nullptr);
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    // Mapped, not viewable: a host inside an unmapped window of its own gets no event when that
    // one is mapped again.
    if (attributes) mapped_ = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(attributes);
    xcb_change_window_attributes(c, window_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    WindowSize(c, window_, width_, height_);
}

void WindowWatch::Handle(const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = static_cast<const xcb_configure_notify_event_t*>(message);
            if (configure->window != window_ || (configure->width == width_ && configure->height == height_)) break;
            width_ = configure->width;
            height_ = configure->height;
            if (!gone_) onResize_(width_, height_);
            break;
        }
        case XCB_MAP_NOTIFY:
            if (static_cast<const xcb_map_notify_event_t*>(message)->window == window_) mapped_ = true;
            break;
        case XCB_UNMAP_NOTIFY:
            if (static_cast<const xcb_unmap_notify_event_t*>(message)->window == window_) mapped_ = false;
            break;
        case XCB_DESTROY_NOTIFY: {
            const auto* destroy = static_cast<const xcb_destroy_notify_event_t*>(message);
            if ((destroy->window == window_ || destroy->window == inside_) && !gone_) {
                gone_ = true;
                onGone_();
            }
            break;
        }
        default:
            break;
    }
}

LostDisplayWatch::LostDisplayWatch(xcb_connection_t* c, std::function<void()> onLost) {
    if (!c) return;
    thread_ = std::thread([this, c, onLost = std::move(onLost)] {
        for (int brokenFor = 0; !stop_; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            brokenFor = ConnectionBroken(c) ? brokenFor + 1 : 0;  // xcb is safe to ask from any thread
            if (brokenFor >= 20) return onLost();
        }
    });
}

LostDisplayWatch::~LostDisplayWatch() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

}  // namespace platform::x11
