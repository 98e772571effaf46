#pragma once
// The seat's keyboard and pointer while the screen saver covers the outputs (its surfaces take
// the keyboard exclusively): what the controller needs to end the saver, a key pressed and
// where the pointer is, kept until the main window hands it on between two frames. The pointer
// is hidden over the rain. Its objects live on the desktop's event queue, so the desktop's
// Dispatch runs their handlers.
#include <cstdint>
#include <vector>

#include "app/WindowPlatform.h"
#include "platform/wayland/WaylandDesktop.h"

struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;

namespace platform::wayland {

class cSaverInput {
public:
    // Binds the seat and takes its keyboard and pointer as the seat offers them.
    explicit cSaverInput(cWaylandDesktop& desktop);
    ~cSaverInput();
    cSaverInput(const cSaverInput&) = delete;
    cSaverInput& operator=(const cSaverInput&) = delete;

    // Hands what came since the last call to the listener, in the order it came.
    void HandOn(app::iWindowEvents& listener);

    struct Listeners;

private:
    // A key pressed (which one does not matter: any key ends the saver), or the pointer's
    // position on the surface it is over, in logical pixels.
    struct Event {
        bool Key = false;
        float X = 0, Y = 0;
    };
    void SeatOffers(uint32_t capabilities);

    cWaylandDesktop& Desktop_;
    wl_display* Wrapper_ = nullptr;
    wl_registry* Registry_ = nullptr;
    wl_seat* Seat_ = nullptr;
    wl_keyboard* Keyboard_ = nullptr;
    wl_pointer* Pointer_ = nullptr;
    std::vector<Event> Events_;
};

}  // namespace platform::wayland
