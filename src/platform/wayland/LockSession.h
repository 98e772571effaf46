#pragma once
// The session lock (ext-session-lock-v1) on a connection of our own: asking the compositor to
// lock, the lock surfaces' factory, the seat's keyboard fed into the lock screen's rules, and
// the unlock once the rules say so. Its objects live on the desktop's event queue, so the
// desktop's Dispatch runs their handlers too.
#include <cstdint>
#include <memory>
#include <vector>

#include "app/LockScreen.h"
#include "platform/wayland/LockKeys.h"
#include "platform/wayland/WaylandDesktop.h"

struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct ext_session_lock_manager_v1;
struct ext_session_lock_v1;

namespace platform::wayland {

class cLockSurface;

class cLockSession {
public:
    enum class State { Asked, Locked, Finished, Unlocked };

    // Binds the lock manager and the seat; Offered() says whether there is a manager.
    cLockSession(cWaylandDesktop& desktop, app::cLockScreen& screen);
    ~cLockSession();
    cLockSession(const cLockSession&) = delete;
    cLockSession& operator=(const cLockSession&) = delete;

    bool Offered() const { return Manager_ != nullptr; }
    // Asks for the lock and waits for the compositor's first answer to the request; false
    // when it refused at once (another locker holds the session).
    bool Ask();
    State Now() const { return State_; }
    // True once, when the compositor said the session is locked.
    bool TakeLocked();
    // Whether the compositor ever said so.
    bool WasLocked() const { return WasLocked_; }
    // Gives the session back (the password was right) and waits until the compositor took it.
    void Unlock();

    ext_session_lock_v1* Lock() const { return Lock_; }
    // The lock surfaces, which follow their output's integer scale when the outputs change.
    void Track(cLockSurface* surface, bool tracked);
    void FollowScales();
    cWaylandDesktop& Desktop() const { return Desktop_; }

    struct Listeners;

private:
    void KeymapArrived(int fd, uint32_t size);
    void KeyPressed(uint32_t key);

    cWaylandDesktop& Desktop_;
    app::cLockScreen& Screen_;
    wl_display* Wrapper_ = nullptr;
    wl_registry* Registry_ = nullptr;
    ext_session_lock_manager_v1* Manager_ = nullptr;
    ext_session_lock_v1* Lock_ = nullptr;
    wl_seat* Seat_ = nullptr;
    wl_keyboard* Keyboard_ = nullptr;
    std::unique_ptr<cLockKeys> Keys_;
    std::vector<cLockSurface*> Surfaces_;
    State State_ = State::Asked;
    bool LockedNews_ = false;
    bool WasLocked_ = false;
};

}  // namespace platform::wayland
