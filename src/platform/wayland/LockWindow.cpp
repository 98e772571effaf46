#include "platform/wayland/LockWindow.h"

#include <unistd.h>
#include <wayland-egl.h>

#include <cmath>
#include <cstdio>

#include "app/Startup.h"
#include "core/mCore.h"
#include "platform/wayland/Protocols.h"

namespace platform::wayland {

struct cLockSurface::Listeners {
    static void Configure(void* data, ext_session_lock_surface_v1* role, uint32_t serial, uint32_t width,
                          uint32_t height) {
        auto* surface = static_cast<cLockSurface*>(data);
        ext_session_lock_surface_v1_ack_configure(role, serial);
        surface->Width_ = static_cast<int>(width);
        surface->Height_ = static_cast<int>(height);
        surface->ApplySize();
    }
    static constexpr ext_session_lock_surface_v1_listener Role = {Configure};

    static void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
        auto* surface = static_cast<cLockSurface*>(data);
        surface->Scale120_ = static_cast<int>(scale);
        surface->ApplySize();
    }
    static constexpr wp_fractional_scale_v1_listener Fraction = {PreferredScale};

    static void FrameDone(void* data, wl_callback* callback, uint32_t) {
        auto* surface = static_cast<cLockSurface*>(data);
        wl_callback_destroy(callback);
        if (surface->Frame_ == callback) surface->Frame_ = nullptr;
    }
    static constexpr wl_callback_listener Frame = {FrameDone};
};

cLockSurface::cLockSurface(cLockSession& session, const cWaylandOutput& output)
    : Session_(session),
      Desktop_(session.Desktop()),
      OutputName_(output.Name()),
      OutputGlobal_(output.Global()),
      IntegerScale_(output.IntegerScale()) {
    Surface_ = wl_compositor_create_surface(Desktop_.Compositor());
    if (Desktop_.Viewporter()) Viewport_ = wp_viewporter_get_viewport(Desktop_.Viewporter(), Surface_);
    if (Viewport_ && Desktop_.FractionalScale()) {
        Fraction_ = wp_fractional_scale_manager_v1_get_fractional_scale(Desktop_.FractionalScale(), Surface_);
        wp_fractional_scale_v1_add_listener(Fraction_, &Listeners::Fraction, this);
    }
    Role_ = ext_session_lock_v1_get_lock_surface(session.Lock(), Surface_, output.Proxy());
    ext_session_lock_surface_v1_add_listener(Role_, &Listeners::Role, this);
    session.Track(this, true);
    wl_display_flush(Desktop_.Display());
}

cLockSurface::~cLockSurface() {
    Session_.Track(this, false);
    if (Desktop_.Broken()) return;
    if (Frame_) wl_callback_destroy(Frame_);
    if (Window_) wl_egl_window_destroy(Window_);
    if (Fraction_) wp_fractional_scale_v1_destroy(Fraction_);
    if (Viewport_) wp_viewport_destroy(Viewport_);
    ext_session_lock_surface_v1_destroy(Role_);
    wl_surface_destroy(Surface_);
    wl_display_flush(Desktop_.Display());
}

bool cLockSurface::OnItsOutput() const {
    const std::shared_ptr<cWaylandOutput> output = Desktop_.FindOutput(OutputName_);
    return output && output->Global() == OutputGlobal_;
}

int cLockSurface::PixelWidth() const { return static_cast<int>(std::lround(Width_ * Scale())); }
int cLockSurface::PixelHeight() const { return static_cast<int>(std::lround(Height_ * Scale())); }

// As for the background surfaces: at a fractional scale the buffer has the device pixels and
// the viewport alone gives the logical size.
void cLockSurface::ApplySize() {
    if (!Configured()) return;
    wl_surface_set_buffer_scale(Surface_, Scale120_ > 0 ? 1 : IntegerScale_);
    if (Viewport_) wp_viewport_set_destination(Viewport_, Width_, Height_);
    if (!Window_) {
        Window_ = wl_egl_window_create(Surface_, PixelWidth(), PixelHeight());
        return;
    }
    wl_egl_window_resize(Window_, PixelWidth(), PixelHeight(), 0, 0);
    if (Viewport_) wl_surface_commit(Surface_);
}

void cLockSurface::FollowScale() {
    const std::shared_ptr<cWaylandOutput> output = Desktop_.FindOutput(OutputName_);
    if (!output || output->IntegerScale() == IntegerScale_) return;
    IntegerScale_ = output->IntegerScale();
    ApplySize();
}

void cLockSurface::BeforeSwap() {
    if (Frame_) return;
    Frame_ = wl_surface_frame(Surface_);
    wl_callback_add_listener(Frame_, &Listeners::Frame, this);
}

cLockWindow::cLockWindow(cLockSession& session, app::cLockScreen& screen, const cEGLWindowContext& context,
                         const cWaylandOutput& output, LockRun* run)
    : Session_(session),
      Screen_(screen),
      Context_(context),
      Lock_(std::make_unique<cLockSurface>(session, output)),
      Drawing_(context, *Lock_),
      Run_(run) {}

cLockWindow::~cLockWindow() { Drawing_.Drop(); }

void cLockWindow::ShowFullScreen() {
    // The device needs the surface's size: the compositor configures a lock surface at once.
    Session_.Desktop().DispatchUntil([this] { return Lock_->Configured(); }, 2000);
}

bool cLockWindow::PumpEvents() {
    if (!Open_) return false;
    if (Run_ && !Ended_) Follow();
    return Open_;
}

// The main window's turn: the connection, the keys (through the session's handlers), the
// check's answer, the outputs.
void cLockWindow::Follow() {
    cWaylandDesktop& desktop = Session_.Desktop();
    const auto end = [&](int status, const char* why) {
        if (why) std::fprintf(stderr, "glyphfall: %s\n", why);
        Ended_ = true;
        Screen_.Wipe();
        // Without the controller listening yet the run ends unorderly, with status 1.
        if (Listener_) Listener_->EndWith(status);
        else Close();
    };
    // A broken connection leaves the session locked (the compositor keeps it so until a new
    // locker unlocks it).
    if (!desktop.Dispatch()) return end(1, "the Wayland compositor went away; the session stays locked");
    // The compositor ended a lock it had taken (status 0), or never took it (1: an idle daemon
    // waiting for the lock must not go on as if the session were locked).
    if (Session_.Now() == cLockSession::State::Finished)
        return Session_.WasLocked() ? end(0, "the compositor ended the lock")
                                    : end(1, "the compositor refused the lock (another locker holds the session)");
    if (Session_.TakeLocked()) Run_->Locked();
    Screen_.Poll();
    if (auto spelling = Screen_.TakeSpelling(); spelling && Listener_) Listener_->SpellText(*spelling);
    if (Screen_.Unlocked() && Session_.Now() == cLockSession::State::Locked) {
        Session_.Unlock();
        return end(0, nullptr);
    }
    if (!desktop.TakeOutputsChanged()) return;
    Session_.FollowScales();
    if (Listener_) Listener_->ScreensChanged();
}

void cLockWindow::Close() {
    if (!Open_) return;
    Open_ = false;
    Listener_ = nullptr;
    Drawing_.Drop();
}

std::vector<std::string> cLockWindow::OtherScreens() const {
    std::vector<std::string> names;
    if (!Run_) return names;
    // The main window's output once gone and back is an output like any other: the main
    // window's surface belongs to the one that went.
    for (const std::string& name : Session_.Desktop().OutputNames())
        if (name != Lock_->OutputName() || !Lock_->OnItsOutput()) names.push_back(name);
    return names;
}

std::unique_ptr<app::iWindow> cLockWindow::OpenOnScreen(std::string_view screen) {
    const std::shared_ptr<cWaylandOutput> output = Session_.Desktop().FindOutput(std::string(screen));
    if (!output) return nullptr;
    return std::make_unique<cLockWindow>(Session_, Screen_, Context_, *output, nullptr);
}

namespace {

mCore::RunEnd Refuse(const std::string& why) {
    std::fprintf(stderr, "glyphfall: %s\n", why.c_str());
    return {1, false};
}

constexpr const char* NoLockHere =
    "this session offers no session lock (ext-session-lock-v1: sway 1.8 and later, Hyprland, niri, river, labwc, "
    "COSMIC have it); here lock with XSecureLock or xscreensaver on X11, with Glyphfall as their saver";

void SayLocked(int notifyFd) {
    if (notifyFd < 0) return;
    const char locked = 'L';
    [[maybe_unused]] const ssize_t written = ::write(notifyFd, &locked, 1);
    ::close(notifyFd);
}

}  // namespace

mCore::RunEnd WaylandLockRun::Run(const app::ControllerRun& controller) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return Refuse(NoLockHere);
    std::string error;
    const std::unique_ptr<cWaylandDesktop> desktop = cWaylandDesktop::Open(display, error);
    if (!desktop) return Refuse(error);
    app::cLockScreen screen(Check_);
    if (!screen.MemoryLocked()) return Refuse("no memory could be locked for the password (ulimit -l)");
    cLockSession session(*desktop, screen);
    if (!session.Offered()) return Refuse(NoLockHere);
    const std::vector<std::string> outputs = desktop->OutputNames();
    if (outputs.empty()) return Refuse("the Wayland compositor has no output");
    app::HardenForLock();
    if (!session.Ask()) return Refuse("the compositor refused the lock (another locker holds the session)");
    cEGLWindowContext context;
    // Locked but nothing drawn: the compositor shows its own locked screen; a new --lock can
    // take over.
    if (!context.CreateForWayland(display, error)) return Refuse(error + "; the session stays locked");

    LockRun run{[this] { SayLocked(NotifyFd_); }};
    cLockWindow window(session, screen, context, *desktop->FindOutput(outputs.front()), &run);
    // Every output rains; nothing is spelled but the lock screen's texts.
    const std::vector<SettingOverride> held = {{"StayBack", "1"}, {"ScreenSaver", "0"}, {"ShowAds", "0"}};
    return controller(window, {mCore::Settings, mCore::Clock(), mCore::Rnd, held});
}

}  // namespace platform::wayland
