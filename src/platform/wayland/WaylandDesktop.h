#pragma once
// The globals of one Wayland connection that background surfaces need: the compositor, the
// layer shell, the scaling protocols where offered and the outputs (as they come and go); no
// seat. Everything lives on an event queue of its own, so it works on a connection of our own
// as well as on one a toolkit reads too (Qt's): the toolkit never sees our objects' events, and
// we run them only inside Dispatch, between two frames.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_compositor;
struct wl_output;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;

namespace platform::wayland {

class cWaylandDesktop;
class cBackgroundSurface;

// One output as the compositor describes it.
struct Output {
    uint32_t Global = 0;
    wl_output* Proxy = nullptr;
    std::string Name;   // "HEADLESS-1", "DP-2" (wl_output 4), else "output-" and its global's number
    int32_t Scale = 1;  // the integer scale the compositor draws it at
    bool Ready = false; // its first round of properties is complete
    cWaylandDesktop* Desktop = nullptr;
};

class cWaylandDesktop {
public:
    // Binds the globals on the connection (not owned). Nothing, with the reason, when the
    // connection does not answer.
    static std::unique_ptr<cWaylandDesktop> Open(wl_display* display, std::string& oError);
    ~cWaylandDesktop();
    cWaylandDesktop(const cWaylandDesktop&) = delete;
    cWaylandDesktop& operator=(const cWaylandDesktop&) = delete;

    wl_display* Display() const { return Display_; }
    int Fd() const;
    bool HasLayerShell() const { return LayerShell_ != nullptr; }

    // The outputs whose properties are known, in the order they came.
    std::vector<std::string> OutputNames() const;
    const Output* FindOutput(const std::string& name) const;
    // True once after outputs came, went or changed their scale.
    bool TakeOutputsChanged();

    // Sends what was asked, reads what the socket holds without waiting, and runs the handlers
    // of our objects. False once the connection is broken (the compositor went away).
    bool Dispatch();
    // Waits until the compositor has answered everything asked so far. False when broken.
    bool Roundtrip();
    bool Broken() const;

    // For the surfaces.
    wl_compositor* Compositor() const { return Compositor_; }
    zwlr_layer_shell_v1* LayerShell() const { return LayerShell_; }
    wp_viewporter* Viewporter() const { return Viewporter_; }
    wp_fractional_scale_manager_v1* FractionalScale() const { return FractionalScale_; }
    wl_event_queue* Queue() const { return Queue_; }
    // The background surfaces that follow their output's scale.
    void Track(cBackgroundSurface* surface, bool tracked);

    // The handlers' way in (C callbacks of the protocol listeners).
    struct Listeners;

private:
    cWaylandDesktop() = default;
    void OutputGone(uint32_t global);

    wl_display* Display_ = nullptr;
    wl_event_queue* Queue_ = nullptr;
    wl_display* Wrapper_ = nullptr;  // the display as a proxy on our queue
    wl_registry* Registry_ = nullptr;
    wl_compositor* Compositor_ = nullptr;
    zwlr_layer_shell_v1* LayerShell_ = nullptr;
    wp_viewporter* Viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* FractionalScale_ = nullptr;
    std::vector<std::unique_ptr<Output>> Outputs_;
    bool OutputsChanged_ = false;
    std::vector<cBackgroundSurface*> Surfaces_;
};

}  // namespace platform::wayland
