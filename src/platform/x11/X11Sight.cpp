#include "platform/x11/X11Sight.h"

#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace platform::x11 {

namespace {

std::vector<xcb_atom_t> Atoms(xcb_connection_t* c, const std::vector<std::string>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const std::string& name : names)
        cookies.push_back(xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()));
    std::vector<xcb_atom_t> atoms;
    for (const xcb_intern_atom_cookie_t& cookie : cookies) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
        atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
        std::free(reply);
    }
    return atoms;
}

// The 32-bit values of a property of the given type; none when the window has no such property.
std::vector<uint32_t> Values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    std::vector<uint32_t> values;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 64), nullptr);
    if (reply && reply->format == 32 && reply->type == type) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

std::optional<uint32_t> Cardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    const std::vector<uint32_t> values = Values(c, window, property, XCB_ATOM_CARDINAL);
    if (values.empty()) return std::nullopt;
    return values.front();
}

// Adds to what this connection already asks of the window: the mask is this client's own, and
// the toolkit's events must keep coming.
void AddEvents(xcb_connection_t* c, xcb_window_t window, uint32_t events) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | events;
    std::free(attributes);
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
}

// The number of the screen whose root window this is, as _NET_WM_CM_S<n> names it.
int ScreenNumber(xcb_connection_t* c, xcb_window_t root) {
    int number = 0;
    for (xcb_screen_iterator_t s = xcb_setup_roots_iterator(xcb_get_setup(c)); s.rem; xcb_screen_next(&s), ++number)
        if (s.data->root == root) return number;
    return 0;
}

constexpr uint32_t AllWorkspaces = 0xFFFFFFFF;

}  // namespace

WindowSight::WindowSight(xcb_connection_t* c, uint32_t window) : c_(c), window_(window) {
    if (!c_) return;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window_), nullptr);
    root_ = geometry ? geometry->root : 0;
    std::free(geometry);
    const std::vector<xcb_atom_t> atoms =
        Atoms(c_, {"_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_DESKTOP", "_NET_CURRENT_DESKTOP",
                   "_NET_WM_CM_S" + std::to_string(ScreenNumber(c_, root_))});
    netWmState_ = atoms[0];
    netWmStateHidden_ = atoms[1];
    netWmDesktop_ = atoms[2];
    netCurrentDesktop_ = atoms[3];
    compositor_ = atoms[4];
    AddEvents(c_, window_, XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (root_) AddEvents(c_, root_, XCB_EVENT_MASK_PROPERTY_CHANGE);
    xcb_flush(c_);
    ReadHidden();
    ReadWorkspace();
}

bool WindowSight::Composited() const {
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, compositor_), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

void WindowSight::ReadHidden() {
    const std::vector<uint32_t> states = Values(c_, window_, netWmState_, XCB_ATOM_ATOM);
    hidden_ = std::find(states.begin(), states.end(), netWmStateHidden_) != states.end();
}

void WindowSight::ReadWorkspace() {
    const std::optional<uint32_t> workspace = Cardinal(c_, window_, netWmDesktop_);
    const std::optional<uint32_t> current = root_ ? Cardinal(c_, root_, netCurrentDesktop_) : std::nullopt;
    elsewhere_ = workspace && current && *workspace != AllWorkspaces && *workspace != *current;
}

void WindowSight::Handle(const void* message) {
    if (!c_) return;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_VISIBILITY_NOTIFY: {
            const auto* visibility = static_cast<const xcb_visibility_notify_event_t*>(message);
            // The server says again when the window becomes viewable after an unmapping.
            if (visibility->window == window_)
                covered_ = visibility->state == XCB_VISIBILITY_FULLY_OBSCURED && !Composited();
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
            if (property->window == window_ && property->atom == netWmState_) ReadHidden();
            if ((property->window == window_ && property->atom == netWmDesktop_) ||
                (property->window == root_ && property->atom == netCurrentDesktop_))
                ReadWorkspace();
            break;
        }
        default:
            break;
    }
}

MonitorPower::MonitorPower(xcb_connection_t* c) : c_(c) {
    if (!c_) return;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c_, &xcb_dpms_id);
    present_ = extension && extension->present;
}

bool MonitorPower::Off() {
    if (!present_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return off_;
    xcb_dpms_info_reply_t* info = xcb_dpms_info_reply(c_, xcb_dpms_info(c_), nullptr);
    // The power level means something only while DPMS is enabled.
    off_ = info && info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
    std::free(info);
    next_ = now + (off_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(1000));
    return off_;
}

}  // namespace platform::x11
