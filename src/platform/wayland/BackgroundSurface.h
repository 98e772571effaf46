#pragma once
// One output's desktop background: a layer surface anchored to all four edges (the compositor
// gives it the output's size), below every window, not moved by panels, without the keyboard.
// It gives the device its native window (a wl_egl_window at device pixels: the logical size
// times the output's integer scale through the buffer scale, or times the fractional scale
// where the compositor offers that and a viewport; the viewport, where there is one, gives the
// surface its logical size whatever the buffer), and says when a frame would be seen: not
// before the first configure, nor while the compositor has not answered the last frame's
// callback (it sends none for a surface nobody can see).
#include <string>

#include "device/gl/cEGLWindowContext.h"
#include "platform/wayland/WaylandDesktop.h"

struct wl_surface;
struct wl_callback;
struct wl_egl_window;
struct zwlr_layer_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

namespace platform::wayland {

// Where on the desktop the rain lies: below everything (the background layer), or just above
// a desktop shell that draws its own picture over that layer (KDE Plasma's).
enum class Layer { Background, Bottom };
// The layer for this desktop: Bottom under KDE Plasma, Background elsewhere.
Layer DesktopLayer();

class cBackgroundSurface final : public iEGLNativeWindow {
public:
    // takesInput: the surface takes the pointer (another surface above it may); otherwise
    // clicks go through it to whatever lies below.
    cBackgroundSurface(cWaylandDesktop& desktop, const Output& output, bool takesInput);
    ~cBackgroundSurface() override;
    cBackgroundSurface(const cBackgroundSurface&) = delete;
    cBackgroundSurface& operator=(const cBackgroundSurface&) = delete;

    const std::string& OutputName() const { return OutputName_; }
    bool Configured() const { return Width_ > 0 && Height_ > 0; }
    // The compositor took the surface away (its output went).
    bool Closed() const { return Closed_; }
    bool WantsFrame() const { return Configured() && !Closed_ && !Frame_; }
    // Device pixels per logical pixel, as the buffer is drawn now.
    double Scale() const;
    // Follows a changed output scale; the next frame's buffer has the new size.
    void FollowScale();

    void* NativeWindow() const override;
    int PixelWidth() const override;
    int PixelHeight() const override;
    void BeforeSwap() override;

    struct Listeners;

private:
    void ApplySize();

    cWaylandDesktop& Desktop_;
    std::string OutputName_;
    wl_surface* Surface_ = nullptr;
    zwlr_layer_surface_v1* Layer_ = nullptr;
    wp_viewport* Viewport_ = nullptr;
    wp_fractional_scale_v1* Fraction_ = nullptr;
    wl_egl_window* Window_ = nullptr;
    wl_callback* Frame_ = nullptr;
    int Width_ = 0, Height_ = 0;  // logical, from the last configure
    int IntegerScale_ = 1;
    int Scale120_ = 0;            // the fractional scale in 120ths; 0 when none was offered
    bool Closed_ = false;
};

// The same layer role for a surface the toolkit made without any (a clear window of Qt's made
// with no shell role): lying above the rain on the same layer, it takes the clicks, so the
// toolkit sees them as on any window of its own. It draws whatever the toolkit draws.
class cLayerRole {
public:
    // Waits for the first configure; false from Configured when the compositor gave none.
    cLayerRole(cWaylandDesktop& desktop, const Output& output, wl_surface* surface);
    ~cLayerRole();
    cLayerRole(const cLayerRole&) = delete;
    cLayerRole& operator=(const cLayerRole&) = delete;
    bool Configured() const { return Configured_; }

    struct Listeners;

private:
    cWaylandDesktop& Desktop_;
    zwlr_layer_surface_v1* Layer_ = nullptr;
    bool Configured_ = false;
};

}  // namespace platform::wayland
