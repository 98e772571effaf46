#pragma once
// The rain as the session's lock screen (--lock): a lock surface on every output, each a
// window of the controller's, the main one on the first output reading the connection and the
// keys for all of them. The compositor shows nothing but these surfaces while the session is
// locked; the run ends only when the lock screen's rules accept the password (the session is
// given back, status 0) or the compositor ends the lock. End signals change nothing.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/PasswordCheck.h"
#include "app/PlatformRun.h"
#include "app/WindowPlatform.h"
#include "device/gl/cEGLWindowContext.h"
#include "platform/wayland/LockSession.h"
#include "platform/wayland/WaylandOutput.h"
#include "settings/SettingsKeys.h"

struct wl_surface;
struct wl_callback;
struct wl_egl_window;
struct ext_session_lock_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

namespace platform::wayland {

// One output's lock surface: its size is the output's, given by the compositor's configure.
class cLockSurface final : public iEGLNativeWindow {
public:
    cLockSurface(cLockSession& session, const cWaylandOutput& output);
    ~cLockSurface() override;
    cLockSurface(const cLockSurface&) = delete;
    cLockSurface& operator=(const cLockSurface&) = delete;

    const std::string& OutputName() const { return OutputName_; }
    // Whether its output is still the one it was made for (not gone, nor gone and back).
    bool OnItsOutput() const;
    bool Configured() const { return Width_ > 0 && Height_ > 0; }
    bool WantsFrame() const { return Configured() && !Frame_; }
    // Follows a changed integer scale of its output; the next frame's buffer has the new size.
    void FollowScale();

    void* NativeWindow() const override { return Window_; }
    int PixelWidth() const override;
    int PixelHeight() const override;
    void BeforeSwap() override;

    struct Listeners;

private:
    double Scale() const { return Scale120_ > 0 ? Scale120_ / 120.0 : IntegerScale_; }
    void ApplySize();

    cLockSession& Session_;
    cWaylandDesktop& Desktop_;
    std::string OutputName_;
    uint32_t OutputGlobal_;
    wl_surface* Surface_ = nullptr;
    ext_session_lock_surface_v1* Role_ = nullptr;
    wp_viewport* Viewport_ = nullptr;
    wp_fractional_scale_v1* Fraction_ = nullptr;
    wl_egl_window* Window_ = nullptr;
    wl_callback* Frame_ = nullptr;
    int Width_ = 0, Height_ = 0;
    int IntegerScale_ = 1;
    int Scale120_ = 0;
};

// What the main lock window does for the run besides the rain: tell whoever waits that the
// session is locked.
struct LockRun {
    std::function<void()> Locked;
};

class cLockWindow final : public app::iWindow, public app::iWindowShell {
public:
    cLockWindow(cLockSession& session, app::cLockScreen& screen, const cEGLWindowContext& context,
                const cWaylandOutput& output, LockRun* run);
    ~cLockWindow() override;

    void SetListener(app::iWindowEvents* listener) override { Listener_ = listener; }
    bool PumpEvents() override;
    void Close() override;
    bool IsOpen() const override { return Open_; }
    iDrawingSurface& Surface() override { return Drawing_; }
    bool WantsFrame() const override { return Open_ && Lock_->WantsFrame(); }
    app::iWindowShell* Shell() override { return this; }

    void ShowFullScreen() override;
    void SetPointer(app::PointerKind) override {}
    bool AttachToDesktop(bool) override { return true; }
    bool AttachedToDesktop() const override { return true; }
    std::vector<std::string> OtherScreens() const override;
    std::unique_ptr<app::iWindow> OpenOnScreen(std::string_view screen) override;

private:
    void Follow();

    cLockSession& Session_;
    app::cLockScreen& Screen_;
    const cEGLWindowContext& Context_;
    std::unique_ptr<cLockSurface> Lock_;
    cEGLWindowSurface Drawing_;
    LockRun* Run_;  // the main window's; nullptr for the others
    app::iWindowEvents* Listener_ = nullptr;
    bool Open_ = true;
    bool Ended_ = false;
};

// The --lock run: locks the session and runs the controller on a lock surface of every output
// until the right password unlocks it (status 0) or the compositor ends the lock. Where the
// session cannot be locked (no compositor, no session lock protocol, the compositor refused)
// it says why in one line and ends with 1. notifyFd: written to once the session is locked
// (-1: none).
class WaylandLockRun final : public app::iPlatformRun {
public:
    WaylandLockRun(app::iPasswordCheck& check, int notifyFd) : Check_(check), NotifyFd_(notifyFd) {}
    mCore::RunEnd Run(const app::ControllerRun& controller) override;

private:
    app::iPasswordCheck& Check_;
    int NotifyFd_;
};

}  // namespace platform::wayland
