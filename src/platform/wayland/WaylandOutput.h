#pragma once
// One Wayland output and everything the program keeps on it, made and destroyed together: the
// wl_output (its name and integer scale), and while a window rains there, its background: a
// layer surface anchored to all four edges (the compositor gives it the output's size), below
// every window (or, for the screen saver, above everything with the keyboard), not moved by
// panels, with its viewport and fractional scale where the compositor offers them, the EGL
// window the device draws into and the frame callback in flight. A scale the output announces reaches its own surface directly.
//
// The device's native window is a wl_egl_window at device pixels: the logical size times the
// output's integer scale through the buffer scale, or times the fractional scale where the
// compositor offers that and a viewport (the viewport, where there is one, gives the surface
// its logical size whatever the buffer). A frame would be seen neither before the first
// configure nor while the compositor has not answered the last frame's callback (it sends none
// for a surface nobody can see).
#include <cstdint>
#include <memory>
#include <string>

#include "device/gl/cEGLWindowContext.h"

struct wl_registry;
struct wl_output;
struct wl_surface;
struct wl_callback;
struct wl_egl_window;
struct zwlr_layer_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

namespace platform::wayland {

class cWaylandDesktop;

// Where on the desktop the rain lies: below everything (the background layer), just above a
// desktop shell that draws its own picture over that layer (KDE Plasma's), or above every
// window and panel with the keyboard taken (the screen saver).
enum class Layer { Background, Bottom, Overlay };
// The layer for this desktop: Bottom under KDE Plasma, Background elsewhere.
Layer DesktopLayer();

class cWaylandOutput final : public iEGLNativeWindow {
public:
    // Binds the output the registry announced as global.
    cWaylandOutput(cWaylandDesktop& desktop, wl_registry* registry, uint32_t global, uint32_t version);
    ~cWaylandOutput() override;
    cWaylandOutput(const cWaylandOutput&) = delete;
    cWaylandOutput& operator=(const cWaylandOutput&) = delete;

    uint32_t Global() const { return Global_; }
    wl_output* Proxy() const { return Proxy_; }
    int32_t IntegerScale() const { return IntegerScale_; }
    // "HEADLESS-1", "DP-2" (wl_output 4), else "output-" and its global's number.
    const std::string& Name() const { return Name_; }
    bool Ready() const { return Ready_; }  // its first round of properties is complete
    // The compositor took the output's global away; what is on it stays until its window goes.
    bool Gone() const { return Gone_; }
    void MarkGone() { Gone_ = true; }

    // The background surface for a window; false where the output has one already (one window
    // rains on an output) or the compositor offers no layer shell. takesInput: the surface takes
    // the pointer (another surface above it may); otherwise clicks go through it. On the
    // overlay layer the surface covers everything and takes the keyboard and the pointer.
    bool ShowBackground(bool takesInput, Layer layer = DesktopLayer());
    // Whether this surface is one of ours (the seat names the surface its input goes to).
    bool Shows(const wl_surface* surface) const { return Background_ && Background_->Surface == surface; }
    // The same layer role, above the rain, for a clear surface the toolkit made without any
    // role: it takes the clicks, so the toolkit sees them as on any window of its own. It goes
    // with the background.
    void CatchClicksWith(wl_surface* surface);
    // Waits for the compositor's first configure of what was just made (two seconds at most: a
    // host that does not answer gets no rain on this output). False where none came.
    bool WaitForConfigure();
    // Lets the background go (the device has let go of its EGL window).
    void HideBackground();

    bool Configured() const { return Background_ && Background_->Width > 0 && Background_->Height > 0; }
    // The compositor took the background away (its output went).
    bool Closed() const { return Background_ && Background_->Closed; }
    bool WantsFrame() const { return Configured() && !Background_->Closed && !Background_->Frame; }
    // Device pixels per logical pixel, as the buffer is drawn now.
    double Scale() const;

    void* NativeWindow() const override;
    int PixelWidth() const override;
    int PixelHeight() const override;
    void BeforeSwap() override;

    struct Listeners;

private:
    struct Role {
        zwlr_layer_surface_v1* Layer = nullptr;
        bool Configured = false;
    };
    struct Background {
        wl_surface* Surface = nullptr;
        Role Rain, Catcher;
        wp_viewport* Viewport = nullptr;
        wp_fractional_scale_v1* Fraction = nullptr;
        wl_egl_window* Window = nullptr;
        wl_callback* Frame = nullptr;
        int Width = 0, Height = 0;  // logical, from the last configure
        int Scale120 = 0;           // the fractional scale in 120ths; 0 when none was offered
        Layer Place = Layer::Background;
        bool Closed = false;
    };
    void ApplySize();
    void Destroy(Background& background);
    zwlr_layer_surface_v1* MakeRole(wl_surface* surface, Role& role);

    cWaylandDesktop& Desktop_;
    uint32_t Global_;
    wl_output* Proxy_ = nullptr;
    std::string Name_;
    int32_t IntegerScale_ = 1;  // the integer scale the compositor draws the output at
    int32_t AnnouncedScale_ = 1;  // the one it announced, taken at the end of the round
    bool Ready_ = false, Gone_ = false;
    std::unique_ptr<Background> Background_;
};

}  // namespace platform::wayland
