#pragma once
// The program's life under a Wayland host (--root where the connection is Wayland's: a
// locker's plugin, a saver started in a Wayland session): the rain on the background layer of
// every output, or of the one $SWAYLOCK_PLUGIN_OUTPUT_NAME names, on a connection of our own
// (wl_display_connect honours $WAYLAND_SOCKET, the descriptor a locker hands its plugin). No
// toolkit, no seat, no window shell: no input, menu or dialogs; messages on standard error.
#include "app/PlatformRun.h"

namespace platform::wayland {

// Whether --root means a Wayland host here: a locker's socket ($WAYLAND_SOCKET), or a Wayland
// display without an X11 one. A screen saver's X window ($XSCREENSAVER_WINDOW) means X11.
bool HostedOnWayland();

// Whether a compositor answers at $WAYLAND_DISPLAY (a connection of our own, closed at once):
// the toolkit aborts the process where it finds none, so its start asks first. A descriptor
// handed over in $WAYLAND_SOCKET serves one connection only: it counts as reachable, untouched.
bool DisplayReachable();

// The platform for that case. Its run ends in order (status 0) when the host ends it: a signal,
// our surface closed, the compositor gone; it returns {1, false} when the start failed (no
// connection, no layer shell, no OpenGL 3.3), having said why. Every output the host shows
// rains, whatever the settings file says about the background: the controller's run is given
// the background switch (SettingKey::StayBack) on.
class WaylandHostedRun final : public app::iPlatformRun {
public:
    mCore::RunEnd Run(const app::ControllerRun& controller) override;
};

// The screen saver ("/s") in a Wayland session whose compositor has the layer shell: the rain on
// the overlay layer of every output, above panels and full-screen windows and in no window
// list, the keyboard taken; outputs that come while it runs rain too. A key, or the pointer
// moved more than five pixels, ends it (the controller's rules, as on X11). It returns
// {1, false} when the start failed, having said why.
class WaylandSaverRun final : public app::iPlatformRun {
public:
    mCore::RunEnd Run(const app::ControllerRun& controller) override;
};

// Whether "/s" runs as WaylandSaverRun here: the toolkit's window would be a Wayland one
// ($WAYLAND_DISPLAY, and $QT_QPA_PLATFORM names no other first) and the compositor offers the
// layer shell. Elsewhere the toolkit's full-screen window stays.
bool SaverCoversOutputs();

// Whether the compositor $WAYLAND_DISPLAY names offers windows a background layer
// (wlr-layer-shell); false where it cannot be asked. A locker's socket is never touched.
bool CompositorOffersBackground();

}  // namespace platform::wayland
