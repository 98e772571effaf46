#include "platform/wayland/BackgroundSurface.h"

#include <wayland-egl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/wayland/Protocols.h"

namespace platform::wayland {

Layer DesktopLayer() {
    // Plasma's desktop (its wallpaper and icons) is a window of the shell's that KWin keeps
    // above the background layer, so rain there would never be seen; the bottom layer lies
    // above that desktop and below every window and panel. Elsewhere panels and docks may use
    // the bottom layer themselves, and the background layer is the one meant for wallpapers.
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop && std::strstr(desktop, "KDE") ? Layer::Bottom : Layer::Background;
}

struct cBackgroundSurface::Listeners {
    static void Configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                          uint32_t height) {
        auto* surface = static_cast<cBackgroundSurface*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        surface->Width_ = static_cast<int>(width);
        surface->Height_ = static_cast<int>(height);
        surface->ApplySize();
    }
    static void Closed(void* data, zwlr_layer_surface_v1*) { static_cast<cBackgroundSurface*>(data)->Closed_ = true; }
    static constexpr zwlr_layer_surface_v1_listener Layer = {Configure, Closed};

    static void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
        auto* surface = static_cast<cBackgroundSurface*>(data);
        surface->Scale120_ = static_cast<int>(scale);
        surface->ApplySize();
    }
    static constexpr wp_fractional_scale_v1_listener Fraction = {PreferredScale};

    static void FrameDone(void* data, wl_callback* callback, uint32_t) {
        auto* surface = static_cast<cBackgroundSurface*>(data);
        wl_callback_destroy(callback);
        if (surface->Frame_ == callback) surface->Frame_ = nullptr;
    }
    static constexpr wl_callback_listener Frame = {FrameDone};
};

namespace {
// A layer surface over the whole output, below every window, not moved by panels, without the
// keyboard.
zwlr_layer_surface_v1* MakeLayer(cWaylandDesktop& desktop, const Output& output, wl_surface* surface) {
    const uint32_t layer = DesktopLayer() == Layer::Bottom ? ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM
                                                           : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
    zwlr_layer_surface_v1* made =
        zwlr_layer_shell_v1_get_layer_surface(desktop.LayerShell(), surface, output.Proxy, layer, "glyphfall");
    zwlr_layer_surface_v1_set_anchor(made, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(made, 0, 0);          // the output's whole size
    zwlr_layer_surface_v1_set_exclusive_zone(made, -1);  // under panels, not moved aside by them
    zwlr_layer_surface_v1_set_keyboard_interactivity(made, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    return made;
}
}  // namespace

cBackgroundSurface::cBackgroundSurface(cWaylandDesktop& desktop, const Output& output, bool takesInput)
    : Desktop_(desktop), OutputName_(output.Name), IntegerScale_(output.Scale) {
    Surface_ = wl_compositor_create_surface(desktop.Compositor());
    if (desktop.Viewporter()) Viewport_ = wp_viewporter_get_viewport(desktop.Viewporter(), Surface_);
    if (Viewport_ && desktop.FractionalScale()) {
        Fraction_ = wp_fractional_scale_manager_v1_get_fractional_scale(desktop.FractionalScale(), Surface_);
        wp_fractional_scale_v1_add_listener(Fraction_, &Listeners::Fraction, this);
    }
    Layer_ = MakeLayer(desktop, output, Surface_);
    zwlr_layer_surface_v1_add_listener(Layer_, &Listeners::Layer, this);
    if (!takesInput) {
        // Clicks go to whoever lies below, or to the host.
        wl_region* none = wl_compositor_create_region(desktop.Compositor());
        wl_surface_set_input_region(Surface_, none);
        wl_region_destroy(none);
    }
    desktop.Track(this, true);
    wl_surface_commit(Surface_);
    wl_display_flush(desktop.Display());
}

cBackgroundSurface::~cBackgroundSurface() {
    Desktop_.Track(this, false);
    if (Desktop_.Broken()) return;  // the proxies die with the connection
    if (Frame_) wl_callback_destroy(Frame_);
    if (Window_) wl_egl_window_destroy(Window_);
    if (Fraction_) wp_fractional_scale_v1_destroy(Fraction_);
    if (Viewport_) wp_viewport_destroy(Viewport_);
    zwlr_layer_surface_v1_destroy(Layer_);
    wl_surface_destroy(Surface_);
    wl_display_flush(Desktop_.Display());
}

double cBackgroundSurface::Scale() const { return Scale120_ > 0 ? Scale120_ / 120.0 : IntegerScale_; }

int cBackgroundSurface::PixelWidth() const {
    return Scale120_ > 0 ? static_cast<int>(std::lround(Width_ * Scale())) : Width_ * IntegerScale_;
}

int cBackgroundSurface::PixelHeight() const {
    return Scale120_ > 0 ? static_cast<int>(std::lround(Height_ * Scale())) : Height_ * IntegerScale_;
}

void* cBackgroundSurface::NativeWindow() const { return Window_; }

void cBackgroundSurface::FollowScale() {
    const Output* output = Desktop_.FindOutput(OutputName_);
    if (!output || output->Scale == IntegerScale_) return;
    IntegerScale_ = output->Scale;
    ApplySize();
}

// The next frame's buffer has the new size (the swap commits it). Where there is a viewport the
// surface takes the configured size at once: the last frame is stretched over an output that
// grew until a frame comes at the new size (a menu or dialog that is open holds the frames back).
void cBackgroundSurface::ApplySize() {
    if (!Configured()) return;
    // At a fractional scale the buffer has the device pixels and the viewport alone gives the
    // logical size: nothing is stretched then.
    wl_surface_set_buffer_scale(Surface_, Scale120_ > 0 ? 1 : IntegerScale_);
    if (Viewport_) wp_viewport_set_destination(Viewport_, Width_, Height_);
    if (!Window_) {
        Window_ = wl_egl_window_create(Surface_, PixelWidth(), PixelHeight());
        return;
    }
    wl_egl_window_resize(Window_, PixelWidth(), PixelHeight(), 0, 0);
    if (Viewport_) wl_surface_commit(Surface_);
}

void cBackgroundSurface::BeforeSwap() {
    if (Frame_) return;
    Frame_ = wl_surface_frame(Surface_);
    wl_callback_add_listener(Frame_, &Listeners::Frame, this);
}

struct cLayerRole::Listeners {
    static void Configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        static_cast<cLayerRole*>(data)->Configured_ = true;
    }
    static void Closed(void*, zwlr_layer_surface_v1*) {}
    static constexpr zwlr_layer_surface_v1_listener Layer = {Configure, Closed};
};

cLayerRole::cLayerRole(cWaylandDesktop& desktop, const Output& output, wl_surface* surface) : Desktop_(desktop) {
    Layer_ = MakeLayer(desktop, output, surface);
    zwlr_layer_surface_v1_add_listener(Layer_, &Listeners::Layer, this);
    wl_surface_commit(surface);
    // The toolkit must not commit its first picture before the compositor's configure.
    for (int tries = 0; tries < 20 && !Configured_; ++tries)
        if (!desktop.Roundtrip()) break;
}

cLayerRole::~cLayerRole() {
    if (Desktop_.Broken()) return;
    zwlr_layer_surface_v1_destroy(Layer_);
    wl_display_flush(Desktop_.Display());
}

}  // namespace platform::wayland
