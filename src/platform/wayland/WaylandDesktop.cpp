#include "platform/wayland/WaylandDesktop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/wayland/Protocols.h"
#include "platform/wayland/WaylandOutput.h"

namespace platform::wayland {

namespace {
template <class T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}
}  // namespace

// The registry's C callbacks, with the desktop as their data.
struct cWaylandDesktop::Listeners {
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void GlobalRemove(void* data, wl_registry*, uint32_t name) {
        static_cast<cWaylandDesktop*>(data)->OutputGone(name);
    }
    static constexpr wl_registry_listener Registry = {Global, GlobalRemove};

};

void cWaylandDesktop::Listeners::Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                                        uint32_t version) {
    auto* desktop = static_cast<cWaylandDesktop*>(data);
    const auto is = [interface](const wl_interface& known) { return std::strcmp(interface, known.name) == 0; };
    if (is(wl_compositor_interface)) {
        desktop->Compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (is(zwlr_layer_shell_v1_interface)) {
        desktop->LayerShell_ = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 3);
    } else if (is(wp_viewporter_interface)) {
        desktop->Viewporter_ = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (is(wp_fractional_scale_manager_v1_interface)) {
        desktop->FractionalScale_ = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is(wl_output_interface)) {
        desktop->Outputs_.push_back(std::make_shared<cWaylandOutput>(*desktop, registry, name, version));
    }
}

std::unique_ptr<cWaylandDesktop> cWaylandDesktop::Open(wl_display* display, std::string& oError) {
    std::unique_ptr<cWaylandDesktop> desktop(new cWaylandDesktop());
    cWaylandDesktop& d = *desktop;
    d.Display_ = display;
    d.Queue_ = wl_display_create_queue(display);
    d.Wrapper_ = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(d.Wrapper_), d.Queue_);
    d.Registry_ = wl_display_get_registry(d.Wrapper_);
    wl_registry_add_listener(d.Registry_, &Listeners::Registry, &d);
    // The globals, then each output's first properties.
    if (!d.Roundtrip() || !d.Roundtrip()) {
        oError = "the Wayland compositor does not answer";
        return nullptr;
    }
    if (!d.Compositor_) {
        oError = "the Wayland compositor offers no wl_compositor";
        return nullptr;
    }
    return desktop;
}

cWaylandDesktop::~cWaylandDesktop() {
    Outputs_.clear();  // the windows on them went before
    if (Broken()) return;  // the proxies die with the connection
    if (FractionalScale_) wp_fractional_scale_manager_v1_destroy(FractionalScale_);
    if (Viewporter_) wp_viewporter_destroy(Viewporter_);
    if (LayerShell_) zwlr_layer_shell_v1_destroy(LayerShell_);
    if (Compositor_) wl_compositor_destroy(Compositor_);
    wl_registry_destroy(Registry_);
    wl_proxy_wrapper_destroy(Wrapper_);
    wl_display_flush(Display_);
    wl_event_queue_destroy(Queue_);
}

int cWaylandDesktop::Fd() const { return wl_display_get_fd(Display_); }

bool cWaylandDesktop::Broken() const { return wl_display_get_error(Display_) != 0; }

std::vector<std::string> cWaylandDesktop::OutputNames() const {
    std::vector<std::string> names;
    for (const auto& output : Outputs_)
        if (output->Ready()) names.push_back(output->Name());
    return names;
}

std::shared_ptr<cWaylandOutput> cWaylandDesktop::FindOutput(const std::string& name) const {
    for (const auto& output : Outputs_)
        if (output->Ready() && output->Name() == name) return output;
    return nullptr;
}

bool cWaylandDesktop::TakeOutputsChanged() {
    const bool changed = OutputsChanged_;
    OutputsChanged_ = false;
    return changed;
}

void cWaylandDesktop::OutputGone(uint32_t global) {
    const auto gone =
        std::find_if(Outputs_.begin(), Outputs_.end(), [&](const auto& o) { return o->Global() == global; });
    if (gone == Outputs_.end()) return;
    (*gone)->MarkGone();
    Outputs_.erase(gone);
    OutputsChanged_ = true;
}

bool cWaylandDesktop::Dispatch() {
    if (Broken()) return false;
    // Someone else may be reading the socket too (the toolkit): the read is shared by protocol.
    while (wl_display_prepare_read_queue(Display_, Queue_) != 0) wl_display_dispatch_queue_pending(Display_, Queue_);
    wl_display_flush(Display_);
    pollfd socket{Fd(), POLLIN, 0};
    if (::poll(&socket, 1, 0) > 0 && (socket.revents & POLLIN))
        wl_display_read_events(Display_);
    else
        wl_display_cancel_read(Display_);
    wl_display_dispatch_queue_pending(Display_, Queue_);
    wl_display_flush(Display_);
    return !Broken();
}

bool cWaylandDesktop::Roundtrip() { return wl_display_roundtrip_queue(Display_, Queue_) >= 0 && !Broken(); }

bool cWaylandDesktop::DispatchUntil(const std::function<bool()>& done, int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (!Dispatch()) return false;
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        // Until the socket has something (the events may also be read by the toolkit's thread,
        // onto our queue: the wait is short enough to look at the queue again soon).
        pollfd socket{Fd(), POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(std::min<long long>(left, 10)));
    }
}

}  // namespace platform::wayland
