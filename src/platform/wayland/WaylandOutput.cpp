#include "platform/wayland/WaylandOutput.h"

#include <wayland-egl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/wayland/Protocols.h"
#include "platform/wayland/WaylandDesktop.h"

namespace platform::wayland {

Layer DesktopLayer() {
    // Plasma's desktop (its wallpaper and icons) is a window of the shell's that KWin keeps
    // above the background layer, so rain there would never be seen; the bottom layer lies
    // above that desktop and below every window and panel. Elsewhere panels and docks may use
    // the bottom layer themselves, and the background layer is the one meant for wallpapers.
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop && std::strstr(desktop, "KDE") ? Layer::Bottom : Layer::Background;
}

// The protocol's C callbacks, with the output as their data.
struct cWaylandOutput::Listeners {
    static cWaylandOutput& Of(void* data) { return *static_cast<cWaylandOutput*>(data); }

    static void Geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                         int32_t) {}
    static void Mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
    static void Done(void* data, wl_output*) {
        cWaylandOutput& output = Of(data);
        output.Ready_ = true;
        output.Desktop_.NoteOutputsChanged();  // a new one, or a new scale
        if (output.AnnouncedScale_ == output.IntegerScale_) return;
        output.IntegerScale_ = output.AnnouncedScale_;
        output.ApplySize();
    }
    static void Scale(void* data, wl_output*, int32_t factor) { Of(data).AnnouncedScale_ = factor; }
    static void Name(void* data, wl_output*, const char* name) { Of(data).Name_ = name; }
    static void Description(void*, wl_output*, const char*) {}
    static constexpr wl_output_listener Output = {Geometry, Mode, Done, Scale, Name, Description};

    static void RainConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                              uint32_t height) {
        Background& background = *Of(data).Background_;
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        background.Rain.Configured = true;
        background.Width = static_cast<int>(width);
        background.Height = static_cast<int>(height);
        Of(data).ApplySize();
    }
    static void RainClosed(void* data, zwlr_layer_surface_v1*) { Of(data).Background_->Closed = true; }
    static constexpr zwlr_layer_surface_v1_listener Rain = {RainConfigure, RainClosed};

    static void CatcherConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        Of(data).Background_->Catcher.Configured = true;
    }
    static void CatcherClosed(void*, zwlr_layer_surface_v1*) {}
    static constexpr zwlr_layer_surface_v1_listener Catcher = {CatcherConfigure, CatcherClosed};

    static void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
        Of(data).Background_->Scale120 = static_cast<int>(scale);
        Of(data).ApplySize();
    }
    static constexpr wp_fractional_scale_v1_listener Fraction = {PreferredScale};

    static void FrameDone(void* data, wl_callback* callback, uint32_t) {
        Background& background = *Of(data).Background_;
        wl_callback_destroy(callback);
        if (background.Frame == callback) background.Frame = nullptr;
    }
    static constexpr wl_callback_listener Frame = {FrameDone};
};

cWaylandOutput::cWaylandOutput(cWaylandDesktop& desktop, wl_registry* registry, uint32_t global, uint32_t version)
    : Desktop_(desktop), Global_(global), Name_("output-" + std::to_string(global)) {
    Proxy_ = static_cast<wl_output*>(wl_registry_bind(registry, global, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(Proxy_, &Listeners::Output, this);
}

cWaylandOutput::~cWaylandOutput() {
    if (Desktop_.Broken()) return;  // the proxies die with the connection
    HideBackground();
    wl_output_destroy(Proxy_);
    wl_display_flush(Desktop_.Display());
}

// A layer surface over the whole output, not moved by panels: below every window without the
// keyboard, or above everything with the keyboard taken.
zwlr_layer_surface_v1* cWaylandOutput::MakeRole(wl_surface* surface, Role& role) {
    const Layer place = Background_->Place;
    const uint32_t layer = place == Layer::Overlay  ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY
                           : place == Layer::Bottom ? ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM
                                                    : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
    role.Layer = zwlr_layer_shell_v1_get_layer_surface(Desktop_.LayerShell(), surface, Proxy_, layer, "glyphfall");
    zwlr_layer_surface_v1_set_anchor(role.Layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(role.Layer, 0, 0);          // the output's whole size
    zwlr_layer_surface_v1_set_exclusive_zone(role.Layer, -1);  // under panels, not moved aside by them
    zwlr_layer_surface_v1_set_keyboard_interactivity(role.Layer, place == Layer::Overlay
                                                                     ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                                                     : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    return role.Layer;
}

bool cWaylandOutput::ShowBackground(bool takesInput, Layer layer) {
    if (Background_ || !Desktop_.LayerShell()) return false;
    Background_ = std::make_unique<Background>();
    Background& b = *Background_;
    b.Place = layer;
    b.Surface = wl_compositor_create_surface(Desktop_.Compositor());
    if (Desktop_.Viewporter()) b.Viewport = wp_viewporter_get_viewport(Desktop_.Viewporter(), b.Surface);
    if (b.Viewport && Desktop_.FractionalScale()) {
        b.Fraction = wp_fractional_scale_manager_v1_get_fractional_scale(Desktop_.FractionalScale(), b.Surface);
        wp_fractional_scale_v1_add_listener(b.Fraction, &Listeners::Fraction, this);
    }
    zwlr_layer_surface_v1_add_listener(MakeRole(b.Surface, b.Rain), &Listeners::Rain, this);
    if (!takesInput) {
        // Clicks go to whoever lies below, or to the host.
        wl_region* none = wl_compositor_create_region(Desktop_.Compositor());
        wl_surface_set_input_region(b.Surface, none);
        wl_region_destroy(none);
    }
    wl_surface_commit(b.Surface);
    wl_display_flush(Desktop_.Display());
    return true;
}

void cWaylandOutput::CatchClicksWith(wl_surface* surface) {
    if (!Background_ || Background_->Catcher.Layer) return;
    zwlr_layer_surface_v1_add_listener(MakeRole(surface, Background_->Catcher), &Listeners::Catcher, this);
    wl_surface_commit(surface);  // the toolkit commits its first picture after the configure
    wl_display_flush(Desktop_.Display());
}

bool cWaylandOutput::WaitForConfigure() {
    if (!Background_) return false;
    const Background& b = *Background_;
    const auto configured = [&b] {
        return b.Closed || ((b.Rain.Configured && b.Width > 0 && b.Height > 0) &&
                            (!b.Catcher.Layer || b.Catcher.Configured));
    };
    return Desktop_.DispatchUntil(configured, 2000) && Configured();
}

void cWaylandOutput::HideBackground() {
    if (!Background_) return;
    if (!Desktop_.Broken()) Destroy(*Background_);
    Background_.reset();
}

void cWaylandOutput::Destroy(Background& b) {
    if (b.Frame) wl_callback_destroy(b.Frame);
    if (b.Window) wl_egl_window_destroy(b.Window);
    if (b.Fraction) wp_fractional_scale_v1_destroy(b.Fraction);
    if (b.Viewport) wp_viewport_destroy(b.Viewport);
    if (b.Catcher.Layer) zwlr_layer_surface_v1_destroy(b.Catcher.Layer);
    zwlr_layer_surface_v1_destroy(b.Rain.Layer);
    wl_surface_destroy(b.Surface);
    wl_display_flush(Desktop_.Display());
}

double cWaylandOutput::Scale() const {
    return Background_ && Background_->Scale120 > 0 ? Background_->Scale120 / 120.0 : IntegerScale_;
}

int cWaylandOutput::PixelWidth() const {
    if (!Background_) return 0;
    return Background_->Scale120 > 0 ? static_cast<int>(std::lround(Background_->Width * Scale()))
                                     : Background_->Width * IntegerScale_;
}

int cWaylandOutput::PixelHeight() const {
    if (!Background_) return 0;
    return Background_->Scale120 > 0 ? static_cast<int>(std::lround(Background_->Height * Scale()))
                                     : Background_->Height * IntegerScale_;
}

void* cWaylandOutput::NativeWindow() const { return Background_ ? Background_->Window : nullptr; }

// The next frame's buffer has the new size (the swap commits it). Where there is a viewport the
// surface takes the configured size at once: the last frame is stretched over an output that
// grew until a frame comes at the new size (a menu or dialog that is open holds the frames back).
void cWaylandOutput::ApplySize() {
    if (!Configured()) return;
    Background& b = *Background_;
    // At a fractional scale the buffer has the device pixels and the viewport alone gives the
    // logical size: nothing is stretched then.
    wl_surface_set_buffer_scale(b.Surface, b.Scale120 > 0 ? 1 : IntegerScale_);
    if (b.Viewport) wp_viewport_set_destination(b.Viewport, b.Width, b.Height);
    if (!b.Window) {
        b.Window = wl_egl_window_create(b.Surface, PixelWidth(), PixelHeight());
        return;
    }
    wl_egl_window_resize(b.Window, PixelWidth(), PixelHeight(), 0, 0);
    if (b.Viewport) wl_surface_commit(b.Surface);
}

void cWaylandOutput::BeforeSwap() {
    if (!Background_ || Background_->Frame) return;
    Background_->Frame = wl_surface_frame(Background_->Surface);
    wl_callback_add_listener(Background_->Frame, &Listeners::Frame, this);
}

}  // namespace platform::wayland
