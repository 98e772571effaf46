#pragma once
// The globals of one Wayland connection that background surfaces need: the compositor, the
// layer shell, the scaling protocols where offered and the outputs (as they come and go, each
// one object: WaylandOutput.h); no seat. Everything lives on an event queue of its own, so it
// works on a connection of our own as well as on one a toolkit reads too (Qt's): the toolkit
// never sees our objects' events, and we run them only inside Dispatch (or DispatchUntil).
#include <cstdint>
#include <functional>
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

class cWaylandOutput;

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
    // The output of that name, shared with the window that rains on it (which keeps it, and
    // what is on it, until the window goes, even where the output went before).
    std::shared_ptr<cWaylandOutput> FindOutput(const std::string& name) const;
    // True once after outputs came, went or changed their scale.
    bool TakeOutputsChanged();

    // Sends what was asked, reads what the socket holds without waiting, and runs the handlers
    // of our objects. False once the connection is broken (the compositor went away).
    bool Dispatch();
    // Waits until the compositor has answered everything asked so far. False when broken.
    bool Roundtrip();
    // Sends what was asked and runs the handlers of what comes until done() holds, waiting
    // for the compositor at most that long. False when it did not (or the connection broke).
    bool DispatchUntil(const std::function<bool()>& done, int milliseconds);
    bool Broken() const;

    // For the surfaces, and for objects of other protocols made on our event queue.
    wl_compositor* Compositor() const { return Compositor_; }
    wl_event_queue* Queue() const { return Queue_; }
    zwlr_layer_shell_v1* LayerShell() const { return LayerShell_; }
    wp_viewporter* Viewporter() const { return Viewporter_; }
    wp_fractional_scale_manager_v1* FractionalScale() const { return FractionalScale_; }
    // An output came or changed its scale.
    void NoteOutputsChanged() { OutputsChanged_ = true; }

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
    std::vector<std::shared_ptr<cWaylandOutput>> Outputs_;
    bool OutputsChanged_ = false;
};

}  // namespace platform::wayland
