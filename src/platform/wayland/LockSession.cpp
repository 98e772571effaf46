#include "platform/wayland/LockSession.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/wayland/LockWindow.h"
#include "platform/wayland/Protocols.h"

namespace platform::wayland {

struct cLockSession::Listeners {
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* session = static_cast<cLockSession*>(data);
        if (std::strcmp(interface, ext_session_lock_manager_v1_interface.name) == 0)
            session->Manager_ = static_cast<ext_session_lock_manager_v1*>(
                wl_registry_bind(registry, name, &ext_session_lock_manager_v1_interface, 1));
        else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !session->Seat_) {
            session->Seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
            wl_seat_add_listener(session->Seat_, &Seat, session);
        }
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener Registry = {Global, GlobalRemove};

    static void Capabilities(void* data, wl_seat* seat, uint32_t capabilities) {
        auto* session = static_cast<cLockSession*>(data);
        const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
        if (keyboard && !session->Keyboard_) {
            session->Keyboard_ = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(session->Keyboard_, &Keyboard, session);
        } else if (!keyboard && session->Keyboard_) {
            wl_keyboard_release(session->Keyboard_);
            session->Keyboard_ = nullptr;
        }
    }
    static void SeatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener Seat = {Capabilities, SeatName};

    static void Keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) static_cast<cLockSession*>(data)->KeymapArrived(fd, size);
        ::close(fd);
    }
    static void Enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void Leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void Key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<cLockSession*>(data)->KeyPressed(key);
    }
    static void Modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                          uint32_t group) {
        auto* session = static_cast<cLockSession*>(data);
        if (!session->Keys_) return;
        session->Keys_->Modifiers(depressed, latched, locked, group);
        session->Screen_.SetCapsLock(session->Keys_->CapsLock());
    }
    // Holding a key types it once: repeats would only add to what must be wiped.
    static void RepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
    static constexpr wl_keyboard_listener Keyboard = {Keymap, Enter, Leave, Key, Modifiers, RepeatInfo};

    static void Locked(void* data, ext_session_lock_v1*) {
        auto* session = static_cast<cLockSession*>(data);
        session->State_ = State::Locked;
        session->LockedNews_ = true;
        session->WasLocked_ = true;
    }
    static void Finished(void* data, ext_session_lock_v1*) {
        static_cast<cLockSession*>(data)->State_ = State::Finished;
    }
    static constexpr ext_session_lock_v1_listener Lock = {Locked, Finished};
};

cLockSession::cLockSession(cWaylandDesktop& desktop, app::cLockScreen& screen) : Desktop_(desktop), Screen_(screen) {
    Wrapper_ = static_cast<wl_display*>(wl_proxy_create_wrapper(desktop.Display()));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(Wrapper_), desktop.Queue());
    Registry_ = wl_display_get_registry(Wrapper_);
    wl_registry_add_listener(Registry_, &Listeners::Registry, this);
    desktop.Roundtrip();  // the globals
    desktop.Roundtrip();  // the seat's capabilities, the keyboard's keymap
}

cLockSession::~cLockSession() {
    if (Desktop_.Broken()) return;
    // A lock still held stays held: destroying it without the unlock request is a protocol
    // error, which ends the connection and leaves the session locked, as a crash would.
    if (Keyboard_) wl_keyboard_release(Keyboard_);
    if (Seat_) wl_seat_release(Seat_);
    if (Lock_ && State_ == State::Finished) ext_session_lock_v1_destroy(Lock_);
    if (Manager_) ext_session_lock_manager_v1_destroy(Manager_);
    wl_registry_destroy(Registry_);
    wl_proxy_wrapper_destroy(Wrapper_);
    wl_display_flush(Desktop_.Display());
}

bool cLockSession::Ask() {
    Lock_ = ext_session_lock_manager_v1_lock(Manager_);
    ext_session_lock_v1_add_listener(Lock_, &Listeners::Lock, this);
    return Desktop_.Roundtrip() && State_ != State::Finished;
}

bool cLockSession::TakeLocked() {
    const bool news = LockedNews_;
    LockedNews_ = false;
    return news;
}

void cLockSession::Unlock() {
    if (State_ != State::Locked) return;
    ext_session_lock_v1_unlock_and_destroy(Lock_);
    Lock_ = nullptr;
    State_ = State::Unlocked;
    Desktop_.Roundtrip();
}

void cLockSession::Track(cLockSurface* surface, bool tracked) {
    std::erase(Surfaces_, surface);
    if (tracked) Surfaces_.push_back(surface);
}

void cLockSession::FollowScales() {
    for (cLockSurface* surface : Surfaces_) surface->FollowScale();
}

void cLockSession::KeymapArrived(int fd, uint32_t size) {
    void* text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED) return;
    Keys_ = cLockKeys::FromKeymapText(std::string_view(static_cast<const char*>(text), size));
    ::munmap(text, size);
}

void cLockSession::KeyPressed(uint32_t key) {
    if (!Keys_) return;
    char text[cLockKeys::MaxText];
    size_t length = 0;
    const app::LockKey pressed = Keys_->Press(key, text, length);
    Screen_.Press(pressed, std::string_view(text, length));
    explicit_bzero(text, sizeof text);
}

}  // namespace platform::wayland
