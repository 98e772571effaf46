#include "platform/qt/QtWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "app/MenuModel.h"
#include "platform/qt/KeyTranslation.h"
#include "platform/qt/QtAccentColor.h"
#include "platform/qt/QtPopupMenu.h"
#include "platform/qt/QtWayland.h"
#include "platform/qt/QtRuntime.h"
#include "platform/qt/QtX11.h"

namespace platform::qt {

namespace {

using app::iWindowEvents;
namespace MouseButton = app::MouseButton;

int ShiftOf(Qt::KeyboardModifiers modifiers) {
    return ShiftMaskFor(modifiers & Qt::ShiftModifier, modifiers & Qt::ControlModifier, modifiers & Qt::AltModifier);
}

int ButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return MouseButton::Left;
        case Qt::RightButton: return MouseButton::Right;
        case Qt::MiddleButton: return MouseButton::Middle;
        default: return 0;
    }
}

int ButtonsOf(Qt::MouseButtons buttons) {
    return ButtonMaskFor(buttons & Qt::LeftButton, buttons & Qt::RightButton, buttons & Qt::MiddleButton);
}

// The window itself: it draws nothing on its own (the device layer draws through the GL
// context) and hands input to the controller's listener.
class GLWindow final : public QWindow {
public:
    iWindowEvents* Listener = nullptr;
    bool Open = true;
    bool Hosted = false;  // inside another program's window: input is that program's

    GLWindow() {
        setSurfaceType(QSurface::OpenGLSurface);
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        // No depth buffer: most frames use none (the device draws the few that do in a
        // framebuffer of its own), and without one Mesa's software rasteriser neither clears
        // it nor rasterises the screen-aligned quads of the rain as two triangles.
        format.setDepthBufferSize(0);
        format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
        format.setSwapInterval(0);  // the main loop paces the frames; waiting for vsync would add to it
        setFormat(format);
        setTitle("Glyphfall");
        setFlags(Qt::Window | Qt::FramelessWindowHint);
    }

    QPointF Pixels(QPointF logical) const { return logical * devicePixelRatio(); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int code = KeyCodeFor(event->key(), event->text().toStdString(),
                                    event->modifiers() & Qt::KeypadModifier);
        const int shift = ShiftOf(event->modifiers());
        Hand([code, shift](iWindowEvents& listener) { listener.KeyDown(code, shift); });
    }

    void mousePressEvent(QMouseEvent* event) override {
        const int button = ButtonOf(event->button());
        if (button == 0) return;
        const QPointF at = Pixels(event->position());
        const int shift = ShiftOf(event->modifiers());
        Hand([button, shift, at](iWindowEvents& listener) {
            listener.MouseDown(button, shift, static_cast<float>(at.x()), static_cast<float>(at.y()));
        });
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const QPointF at = Pixels(event->position());
        const int buttons = ButtonsOf(event->buttons()), shift = ShiftOf(event->modifiers());
        Hand([buttons, shift, at](iWindowEvents& listener) {
            listener.MouseMove(buttons, shift, static_cast<float>(at.x()), static_cast<float>(at.y()));
        });
    }

    void closeEvent(QCloseEvent* event) override {
        // Closing is the controller's decision (its unload saves the settings first).
        if (Listener) {
            event->ignore();
            Listener->CloseRequested();
        } else {
            Open = false;
            event->accept();
        }
    }

private:
    // Input reaches the controller from the event loop, not from inside this window's own
    // event delivery: a handler may open the menu or a dialog and wait there while monitors
    // go, and with them this window (or the click catcher that handed it the click). Nothing
    // of theirs is on the stack then. Input to a window that went meanwhile is dropped.
    template <class Handler>
    void Hand(Handler handler) {
        if (!Listener || Hosted) return;
        QMetaObject::invokeMethod(
            qApp, [window = QPointer<GLWindow>(this), handler] {
                if (window && window->Listener && !window->Hosted) handler(*window->Listener);
            },
            Qt::QueuedConnection);
    }
};

// One monitor: a name that stays while it is there, and its rectangle in Qt's coordinates
// and in the window system's pixels.
struct Monitor {
    QString Name;
    QRect Geometry, Native;
};

QRect LogicalRect(int x, int y, int width, int height) {
    const qreal ratio = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1;
    return QRectF(QPointF(x, y) / ratio, QSizeF(width, height) / ratio).toAlignedRect();
}

// Every monitor: Qt's screens, or the X server's Xinerama heads where those are more (a
// server that joins its screens with Xinerama reports them to RandR as one). A lone monitor
// is the whole X screen, at the root window's size: when the screen grows (a monitor's
// resolution raised, a resized nested server) Qt may keep the size it had at the start.
std::vector<Monitor> Monitors() {
    std::vector<Monitor> monitors;
    for (QScreen* screen : QGuiApplication::screens())
        monitors.push_back({screen->name(), screen->geometry(), screen->handle()->geometry()});
    xcb_connection_t* x11 = X11Connection();
    const std::vector<x11::Area> heads = x11::XineramaHeads(x11);
    int width = 0, height = 0;
    // (Xinerama's single head may be as stale; the root window is the screen.)
    if (monitors.size() == 1 && heads.size() <= 1 && x11 && x11::WindowSize(x11, x11::RootWindow(x11), width, height))
        monitors[0] = {monitors[0].Name, LogicalRect(0, 0, width, height), QRect(0, 0, width, height)};
    if (heads.size() <= monitors.size()) return monitors;
    monitors.clear();
    for (const x11::Area& head : heads) {
        const QString name = QStringLiteral("%1x%2+%3+%4").arg(head.Width).arg(head.Height).arg(head.X).arg(head.Y);
        monitors.push_back({name, LogicalRect(head.X, head.Y, head.Width, head.Height),
                            QRect(head.X, head.Y, head.Width, head.Height)});
    }
    return monitors;
}

std::optional<Monitor> FindMonitor(const QString& name) {
    for (const Monitor& monitor : Monitors())
        if (monitor.Name == name) return monitor;
    return std::nullopt;
}

std::optional<Monitor> MonitorUnderPointer() {
    const std::vector<Monitor> monitors = Monitors();
    for (const Monitor& monitor : monitors)
        if (monitor.Geometry.contains(QCursor::pos())) return monitor;
    if (monitors.empty()) return std::nullopt;
    return monitors.front();
}

// Covers the monitor exactly. Qt keeps a window's rectangle in logical pixels, and at a
// fractional scale (1.1, as MATE's settings give Qt) a monitor 1600 pixels wide is no whole
// number of them: the rounded size would overhang by one. An X11 window gets the monitor's own
// pixels (a window manager sizes a full-screen one so itself, but not a desktop window).
void CoverMonitor(QWindow& window, const Monitor& monitor) {
    window.setGeometry(monitor.Geometry);
    if (QPlatformWindow* native = window.handle(); native && X11Connection()) native->setGeometry(monitor.Native);
}

QScreen* ScreenHolding(const QRect& area) {
    QScreen* screen = QGuiApplication::screenAt(area.center());
    return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

struct QtWindow::Impl {
    // The other program's window this one is drawn inside. Declared before Window, so that
    // Window, its child, goes first.
    std::unique_ptr<QWindow> Host;
    GLWindow Window;
    QOpenGLContext Context;
    bool ContextReady = false;
    intptr_t BoundTarget = 0;  // what the context was last made current on (Target())
    std::string GLError;
    bool Attached = false;
    // The monitor the window covers, by name: a further monitor's window is opened for one;
    // the main window takes the one under the pointer when it is shown.
    QString MonitorName;
    bool Further = false;
    std::unique_ptr<X11WindowWatch> HostWatch;
    std::unique_ptr<X11WindowWatch> RootWatch;  // the X screen's size, which Qt may not follow
    // On Wayland, while attached: the background layer the window's context draws on instead.
    std::unique_ptr<QtBackground> Background;
    bool ShowPending = false;  // on Wayland the window appears at the first frame, unless attached by then
    QSize HostSize;
    bool HostGone = false;
    // What the X server and the window manager say about whether the window can be seen, on
    // the native window Qt has now (it makes a new one when some hints change).
    std::unique_ptr<X11WindowSight> Sight;
    WId SightOf = 0;
    QMetaObject::Connection ScreenGeometry, ScreenRate;
    std::vector<QMetaObject::Connection> Connections;

    ~Impl() {
        for (const auto& connection : Connections) QObject::disconnect(connection);
        QObject::disconnect(ScreenGeometry);
        QObject::disconnect(ScreenRate);
    }

    void WatchSight() {
        if (!X11Connection()) return;
        Sight.reset();  // its event filter goes before the next one comes
        SightOf = Window.winId();
        Sight = X11WindowSight::Start(static_cast<uint32_t>(SightOf));
    }
    // The controller hears when the window's monitor refreshes at another rate, and when the
    // window moves to another monitor.
    void FollowRefreshRate(QScreen* screen) {
        QObject::disconnect(ScreenRate);
        if (screen)
            ScreenRate = QObject::connect(screen, &QScreen::refreshRateChanged,
                                          [this] { Tell(&iWindowEvents::DisplayRateChanged); });
        Tell(&iWindowEvents::DisplayRateChanged);
    }

    // Fills the host window, in device pixels (rounded up, so no column is left bare).
    void FitToHost() {
        const qreal ratio = Window.devicePixelRatio();
        Window.setGeometry(0, 0, static_cast<int>(std::ceil(HostSize.width() / ratio)),
                           static_cast<int>(std::ceil(HostSize.height() / ratio)));
    }

    // A shown window keeps covering its monitor when the monitor changes its mode, or when the
    // window moves to another one (its own went away).
    void FollowScreen(QScreen* screen) {
        QObject::disconnect(ScreenGeometry);
        if (!screen) return;
        // A further monitor's window whose monitor went is closed by the controller.
        if (Background) return Further ? void() : MoveBackground(screen);
        ScreenGeometry = QObject::connect(screen, &QScreen::geometryChanged, [this, screen] { Refit(screen); });
        Refit(screen);
    }
    void Refit(QScreen* screen) {
        if (!Window.isVisible() || !screen) return;
        const std::optional<Monitor> monitor = FindMonitor(MonitorName);
        if (monitor) return CoverMonitor(Window, *monitor);
        Window.setGeometry(screen->geometry());
    }
    // The X screen changed its size: every window covers its monitor's new rectangle, and the
    // main window tells the controller, as monitors may have come or gone with it.
    void WatchRootWindow() {
        xcb_connection_t* x11 = X11Connection();
        if (!x11) return;
        RootWatch = X11WindowWatch::Start(x11::RootWindow(x11), 0, [this](int, int) {
            Refit(Window.screen());
            if (!Further) Tell(&iWindowEvents::ScreensChanged);
        }, [] {});
    }

    // The window's screen went (Qt moved the window to another): so does its background.
    void MoveBackground(QScreen* screen) {
        if (screen->name() == MonitorName) return;
        MonitorName = screen->name();
        std::string error;
        Background.reset();
        Background = QtBackground::Open(Context, Window, MonitorName, error);
        if (!Background) std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
    }

    // What the frames go to: the background layer's native window, or the Qt window's.
    intptr_t Target() const {
        return Background ? Background->Surface().NativeHandle() : static_cast<intptr_t>(Window.winId());
    }
    void ShowNow() {
        if (!ShowPending || Background) return;
        ShowPending = false;
        Window.showFullScreen();
        Window.requestActivate();
    }

    // Runs the listener's handler from the event loop, outside the code that noticed the change.
    void Tell(void (iWindowEvents::*handler)()) {
        QMetaObject::invokeMethod(
            &Window, [this, handler] {
                if (Window.Listener) (Window.Listener->*handler)();
            },
            Qt::QueuedConnection);
    }
};

QtWindow::QtWindow() : QtWindow(std::make_unique<Impl>()) {}

QtWindow::QtWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
    Impl& i = *impl_;
    if (i.Further)
        if (const std::optional<Monitor> monitor = FindMonitor(i.MonitorName))
            i.Window.setScreen(ScreenHolding(monitor->Geometry));
    i.Window.create();
    impl_->Context.setFormat(impl_->Window.requestedFormat());
    if (!impl_->Context.create()) {
        impl_->GLError = "No OpenGL context could be created.";
    } else if (impl_->Context.format().version() < qMakePair(3, 3)) {
        impl_->GLError = "OpenGL 3.3 is not available (got " +
                         std::to_string(impl_->Context.format().majorVersion()) + "." +
                         std::to_string(impl_->Context.format().minorVersion()) + ").";
    } else {
        impl_->ContextReady = true;
    }
    i.WatchSight();
    if (!i.Further) {
        i.Connections.push_back(
            QObject::connect(&i.Window, &QWindow::screenChanged, [&i](QScreen* s) { i.FollowRefreshRate(s); }));
        i.FollowRefreshRate(i.Window.screen());
    }
    if (i.Host) return;
    i.Connections.push_back(QObject::connect(&i.Window, &QWindow::screenChanged, [&i](QScreen* s) { i.FollowScreen(s); }));
    i.WatchRootWindow();
    if (i.Further) return;
    // The main window tells the controller when monitors come and go (Xinerama heads change
    // with the whole desktop's size).
    for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved})
        i.Connections.push_back(QObject::connect(qGuiApp, signal, [&i] { i.Tell(&iWindowEvents::ScreensChanged); }));
    if (QScreen* primary = QGuiApplication::primaryScreen())
        i.Connections.push_back(QObject::connect(primary, &QScreen::virtualGeometryChanged,
                                                 [&i] { i.Tell(&iWindowEvents::ScreensChanged); }));
}

QtWindow::~QtWindow() {
    if (impl_->ContextReady) impl_->Context.doneCurrent();
}

std::unique_ptr<QtWindow> QtWindow::Inside(uint32_t host, std::string& oError) {
    xcb_connection_t* x11 = X11Connection();
    if (!x11) {
        oError = "drawing into another program's window needs an X11 display";
        return nullptr;
    }
    if (host == 0) host = x11::RootWindow(x11);
    int width = 0, height = 0;
    if (!x11::WindowSize(x11, host, width, height)) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%x", host);
        oError = std::string("there is no window ") + id;
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->Host.reset(QWindow::fromWinId(host));
    impl->HostSize = QSize(width, height);
    impl->Window.Hosted = true;
    // Input goes through to the host; bypassing the window manager matters for a child of the root.
    impl->Window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint);
    impl->Window.setParent(impl->Host.get());
    std::unique_ptr<QtWindow> window(new QtWindow(std::move(impl)));
    Impl& i = *window->impl_;
    i.FitToHost();
    i.HostWatch = X11WindowWatch::Start(
        host, static_cast<uint32_t>(i.Window.winId()),
        [&i](int w, int h) {
            i.HostSize = QSize(w, h);
            i.FitToHost();
        },
        [&i] {
            i.HostGone = true;
            if (!i.Window.Listener) i.Window.Open = false;
            i.Tell(&iWindowEvents::CloseRequested);
        });
    return window;
}

void QtWindow::SetListener(iWindowEvents* listener) {
    impl_->Window.Listener = listener;
}

app::iAccentColorSource* QtWindow::AccentColors() {
    if (!Accent_) Accent_ = std::make_unique<cQtAccentColor>();
    return Accent_.get();
}

app::iUserServices* QtWindow::Services() {
    return impl_->Host ? nullptr : this;  // inside a host's window the host's user is not ours
}

void QtWindow::ShowFullScreen() {
    GLWindow& window = impl_->Window;
    if (impl_->Host) {
        impl_->FitToHost();
        window.show();  // our own window inside the host's: the host stays as it is
        return;
    }
    const std::optional<Monitor> monitor = impl_->Further ? FindMonitor(impl_->MonitorName) : MonitorUnderPointer();
    if (monitor) {
        impl_->MonitorName = monitor->Name;
        window.setScreen(ScreenHolding(monitor->Geometry));
        // Without a window manager the full-screen state alone would not size the window.
        CoverMonitor(window, *monitor);
    }
    if (OnWayland()) {
        // Shown at the first frame: a window that goes to the background at once never appears.
        impl_->ShowPending = !impl_->Attached;
        return;
    }
    if (impl_->Attached) {
        window.show();
        if (monitor) CoverMonitor(window, *monitor);
        x11::SetBackgroundStates(X11Connection(), static_cast<uint32_t>(window.winId()), true);
        return;
    }
    window.showFullScreen();
    window.requestActivate();
}

int QtWindow::Width() const {
    if (impl_->Background) return impl_->Background->Surface().Width();
    return qRound(impl_->Window.width() * impl_->Window.devicePixelRatio());
}

int QtWindow::Height() const {
    if (impl_->Background) return impl_->Background->Surface().Height();
    return qRound(impl_->Window.height() * impl_->Window.devicePixelRatio());
}

intptr_t QtWindow::NativeHandle() const { return impl_->Window.Open ? impl_->Target() : 0; }

bool QtWindow::MakeCurrent() {
    if (!impl_->ContextReady || !impl_->Window.Open) return false;
    impl_->ShowNow();
    if (impl_->Background) {
        if (!impl_->Background->Surface().MakeCurrent()) {
            impl_->GLError = impl_->Background->Surface().LastGLError();
            return false;
        }
    } else if (!impl_->Context.makeCurrent(&impl_->Window)) {
        impl_->GLError = "The OpenGL context could not be made current.";
        return false;
    }
    impl_->BoundTarget = impl_->Target();
    return true;
}

bool QtWindow::SurfaceLost() const {
    // Qt re-creates the X11 window when a stays-on-bottom or stays-on-top hint changes, and
    // the context stays bound to the old window's surface; swapping the new one would fail.
    // On Wayland the context moves between the window and its background layer.
    return impl_->ContextReady && impl_->Window.Open && impl_->BoundTarget != impl_->Target();
}

void QtWindow::SwapBuffers() {
    if (!impl_->ContextReady || !impl_->Window.Open || SurfaceLost()) return;
    if (impl_->Background) return impl_->Background->Surface().SwapBuffers();
    if (impl_->Window.isExposed() && !impl_->HostGone && !x11::ConnectionBroken(X11Connection()))
        impl_->Context.swapBuffers(&impl_->Window);
}

std::string QtWindow::LastGLError() const { return impl_->GLError; }

uint32_t QtWindow::DefaultFramebuffer() const {
    if (impl_->Background) return impl_->Background->Surface().DefaultFramebuffer();
    return impl_->ContextReady ? impl_->Context.defaultFramebufferObject() : 0;
}

bool QtWindow::PumpEvents() {
    if (!impl_->Window.Open) return false;
    impl_->ShowNow();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Every window's background hears its events here; the main window is the one pumped.
    // (Qt itself ends the program when its connection breaks.)
    if (!impl_->Further) QtBackground::Dispatch();
    return impl_->Window.Open;
}

void QtWindow::Close() {
    if (!impl_->Window.Open) return;
    impl_->Window.Open = false;
    impl_->Window.Listener = nullptr;
    impl_->Background.reset();
    if (!impl_->HostGone) impl_->Window.hide();  // a destroyed host took our window with it
}

bool QtWindow::IsOpen() const { return impl_->Window.Open; }

void QtWindow::AskToClose() {
    if (impl_->Window.Listener)
        impl_->Window.Listener->CloseRequested();
    else
        Close();
}

bool QtWindow::WantsFrame() const {
    Impl& i = *impl_;
    // A Wayland background is seen when its compositor asks for the next frame.
    if (i.Background) return i.Window.Open && i.Background->WantsFrame();
    // Qt follows the mapping: a window hidden, minimised or on another workspace (which window
    // managers without a compositor unmap) is not exposed.
    if (!i.Window.Open || i.HostGone || !i.Window.isExposed()) return false;
    if (i.HostWatch && !i.HostWatch->Mapped()) return false;  // nothing inside an unmapped host is seen
    if (i.Sight && i.SightOf != i.Window.winId()) i.WatchSight();
    return !i.Sight || i.Sight->Seen();
}

bool QtWindow::SwapMayWaitForRefresh() const {
    // An X11 window shows each swap at the monitor's next refresh where the driver waits for it.
    return X11Connection() != nullptr;
}

int32_t QtWindow::RefreshRate() const {
    const QScreen* screen = impl_->Window.screen();
    return screen ? static_cast<int32_t>(std::lround(screen->refreshRate())) : 0;
}

std::optional<app::MenuCommand> QtWindow::PopupMenu(const app::MenuModel& model) {
    if (!impl_->Window.Open) return std::nullopt;
    if (impl_->Background) {
        // At the click, on the output it was on (any monitor's background may have had it).
        const QtBackground::Press press = QtBackground::LastPress();
        if (!press.Screen) return ShowPopupMenuOver(model, impl_->Window.screen(), 0, 0);  // its output went meanwhile
        return ShowPopupMenuOver(model, press.Screen, press.At.x(), press.At.y());
    }
    return ShowPopupMenu(model);
}

void QtWindow::SetPointer(app::PointerKind kind) {
    if (impl_->Host) return;  // the pointer over the host is the host's business
    if (kind == app::PointerKind::Invisible)
        impl_->Window.setCursor(Qt::BlankCursor);
    else
        impl_->Window.unsetCursor();
}

bool QtWindow::AttachToDesktop(bool attach) {
    if (attach == impl_->Attached || !impl_->Window.Open || impl_->Host) return impl_->Attached;
    if (OnWayland()) return AttachOnWayland(attach);
    GLWindow& window = impl_->Window;
    xcb_connection_t* x11 = X11Connection();
    if (!x11) return impl_->Attached;  // Wayland and others: no such place

    const QRect geometry = window.geometry();
    const bool wasVisible = window.isVisible();
    // Window managers read a window's type only when it is mapped, so the window is taken
    // off the screen, retyped and put back.
    window.hide();
    // Qt's X11 window rewrites _NET_WM_WINDOW_TYPE whenever its flags are set or it is shown;
    // this property of its own is the type it then writes (2 = desktop, 0 = from the flags).
    window.setProperty("_q_xcb_wm_window_type", attach ? 0x2 : 0x0);
    if (attach) {
        // No keyboard for the background (WM_HINTS input false): window managers otherwise
        // focus a desktop window that is clicked, and a key meant for nothing would reach it.
        window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                        Qt::WindowDoesNotAcceptFocus);
        window.setWindowStates(Qt::WindowNoState);
    } else {
        window.setFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setWindowStates(Qt::WindowFullScreen);
    }
    window.setGeometry(geometry);
    x11::SetWindowType(x11, static_cast<uint32_t>(window.winId()), attach);  // for Qt versions without the property
    impl_->WatchSight();  // setting the flags resets the native window's events, or makes a new one
    if (wasVisible) {
        window.show();
        // Shown, the window asks for the size Qt rounded; the monitor's own comes after.
        if (const std::optional<Monitor> monitor = FindMonitor(impl_->MonitorName)) CoverMonitor(window, *monitor);
        x11::SetBackgroundStates(x11, static_cast<uint32_t>(window.winId()), attach);
        if (!attach) window.requestActivate();
    }
    impl_->Attached = attach;
    return impl_->Attached;
}

// Wayland has no desktop window type: the rain goes to a background layer surface of the
// window's output, drawn with the window's own context, and the window is hidden meanwhile.
bool QtWindow::AttachOnWayland(bool attach) {
    Impl& i = *impl_;
    if (!attach) {
        i.Background.reset();
        i.Attached = false;
        i.ShowPending = true;  // the full-screen window is back at the next frame
        return false;
    }
    const QString screen = i.MonitorName.isEmpty() && i.Window.screen() ? i.Window.screen()->name() : i.MonitorName;
    std::string error;
    i.Background = i.ContextReady ? QtBackground::Open(i.Context, i.Window, screen, error) : nullptr;
    if (!i.Background) {
        // The end saves the choice just made, and the program comes back as an X11 background.
        if (!i.Further && QtRuntime::RestartThroughXWayland()) {
            i.Tell(&iWindowEvents::CloseRequested);
            return false;
        }
        static bool said = false;  // once, not once for each monitor's window
        if (!said) std::fprintf(stderr, "glyphfall: %s; the window stays as it is\n", error.c_str());
        said = true;
        return false;
    }
    i.ShowPending = false;
    i.Window.hide();
    i.Attached = true;
    return true;
}

bool QtWindow::AttachedToDesktop() const { return impl_->Attached; }

void QtWindow::OpenWebPage(std::string_view url) {
    // The desktop's URL handler, never a shell: the address cannot run anything.
    QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

std::vector<std::string> QtWindow::OtherScreens() const {
    std::vector<std::string> names;
    if (impl_->Host || impl_->Further) return names;
    for (const Monitor& monitor : Monitors())
        if (monitor.Name != impl_->MonitorName) names.push_back(monitor.Name.toStdString());
    return names;
}

std::unique_ptr<app::iWindow> QtWindow::OpenOnScreen(std::string_view name) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (!FindMonitor(wanted)) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->MonitorName = wanted;
    impl->Further = true;
    return std::unique_ptr<app::iWindow>(new QtWindow(std::move(impl)));
}

}  // namespace platform::qt
