#include "platform/wayland/SaverInput.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/wayland/Protocols.h"

namespace platform::wayland {

struct cSaverInput::Listeners {
    static cSaverInput& Of(void* data) { return *static_cast<cSaverInput*>(data); }

    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        cSaverInput& input = Of(data);
        if (std::strcmp(interface, wl_seat_interface.name) != 0 || input.Seat_) return;
        input.Seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(input.Seat_, &Seat, data);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener Registry = {Global, GlobalRemove};

    static void Capabilities(void* data, wl_seat*, uint32_t capabilities) { Of(data).SeatOffers(capabilities); }
    static void SeatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener Seat = {Capabilities, SeatName};

    static void Keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { ::close(fd); }
    // The keys already down when the saver came (the Enter that started it) are no new press.
    static void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void Key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Of(data).Events_.push_back({true});
    }
    static void Modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void RepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
    static constexpr wl_keyboard_listener Keyboard = {Keymap, KeyboardEnter, KeyboardLeave, Key, Modifiers, RepeatInfo};

    static void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no pointer over the saver
        Motion(data, pointer, 0, x, y);
    }
    static void PointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
    static void Motion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        Of(data).Events_.push_back({false, static_cast<float>(wl_fixed_to_double(x)),
                                    static_cast<float>(wl_fixed_to_double(y))});
    }
    static void Button(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void Axis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
    static void Frame(void*, wl_pointer*) {}
    static void AxisSource(void*, wl_pointer*, uint32_t) {}
    static void AxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
    static void AxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
    // The seat is bound at version 5: later events (whose handlers newer libwayland lists) never come.
    static wl_pointer_listener MakePointer() {
        wl_pointer_listener pointer{};
        pointer.enter = PointerEnter;
        pointer.leave = PointerLeave;
        pointer.motion = Motion;
        pointer.button = Button;
        pointer.axis = Axis;
        pointer.frame = Frame;
        pointer.axis_source = AxisSource;
        pointer.axis_stop = AxisStop;
        pointer.axis_discrete = AxisDiscrete;
        return pointer;
    }
    static inline const wl_pointer_listener Pointer = MakePointer();
};

cSaverInput::cSaverInput(cWaylandDesktop& desktop) : Desktop_(desktop) {
    Wrapper_ = static_cast<wl_display*>(wl_proxy_create_wrapper(desktop.Display()));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(Wrapper_), desktop.Queue());
    Registry_ = wl_display_get_registry(Wrapper_);
    wl_registry_add_listener(Registry_, &Listeners::Registry, this);
    desktop.Roundtrip();  // the globals
    desktop.Roundtrip();  // the seat's capabilities
}

cSaverInput::~cSaverInput() {
    if (Desktop_.Broken()) return;  // the proxies die with the connection
    if (Keyboard_) wl_keyboard_release(Keyboard_);
    if (Pointer_) wl_pointer_release(Pointer_);
    if (Seat_) wl_seat_release(Seat_);
    wl_registry_destroy(Registry_);
    wl_proxy_wrapper_destroy(Wrapper_);
    wl_display_flush(Desktop_.Display());
}

void cSaverInput::SeatOffers(uint32_t capabilities) {
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (keyboard && !Keyboard_) {
        Keyboard_ = wl_seat_get_keyboard(Seat_);
        wl_keyboard_add_listener(Keyboard_, &Listeners::Keyboard, this);
    } else if (!keyboard && Keyboard_) {
        wl_keyboard_release(Keyboard_);
        Keyboard_ = nullptr;
    }
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (pointer && !Pointer_) {
        Pointer_ = wl_seat_get_pointer(Seat_);
        wl_pointer_add_listener(Pointer_, &Listeners::Pointer, this);
    } else if (!pointer && Pointer_) {
        wl_pointer_release(Pointer_);
        Pointer_ = nullptr;
    }
}

void cSaverInput::HandOn(app::iWindowEvents& listener) {
    const std::vector<Event> events = std::move(Events_);
    Events_.clear();
    for (const Event& event : events) {
        if (event.Key)
            listener.KeyDown(app::KeyCode::None, 0);
        else
            listener.MouseMove(0, 0, event.X, event.Y);
    }
}

}  // namespace platform::wayland
