#include "platform/qt/QtWayland.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <QtGui/qopenglcontext_platform.h>
#include <qpa/qplatformnativeinterface.h>

#include <cstdio>
#include <utility>

namespace platform::qt {

namespace {

// Qt's connection, with our objects on a queue of their own; made on first use. It is never
// destroyed: Qt closes the connection at its own end, and the proxies go with it.
wayland::cWaylandDesktop* Desktop() {
    static wayland::cWaylandDesktop* desktop = nullptr;
    static bool tried = false;
    if (tried) return desktop;
    tried = true;
    // Qt 6.4 has no public Wayland interface yet; the platform's native interface gives the
    // display (the resource Qt's later QWaylandApplication interface hands out).
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
    std::string error;
    if (display) desktop = wayland::cWaylandDesktop::Open(display, error).release();
    if (!desktop && !error.empty()) std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
    // Our events run between frames (QtBackground::Dispatch); while a menu or dialog holds the
    // frames back, this timer runs them, so that the surfaces follow outputs that change.
    if (desktop) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, [] { QtBackground::Dispatch(); });
        timer->start(50);
    }
    return desktop;
}

// The output of that name; Qt names outputs as the compositor does, but where the compositor
// gives no names, the outputs come in the same order as Qt's screens.
std::shared_ptr<wayland::cWaylandOutput> OutputFor(const wayland::cWaylandDesktop& desktop, const QString& screenName) {
    if (auto output = desktop.FindOutput(screenName.toStdString())) return output;
    const std::vector<std::string> names = desktop.OutputNames();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size() && i < static_cast<qsizetype>(names.size()); ++i)
        if (screens[i]->name() == screenName) return desktop.FindOutput(names[static_cast<size_t>(i)]);
    return nullptr;
}

QScreen* ScreenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name) return screen;
    return nullptr;
}

// The last press on a background: the screen's name and the point.
std::pair<QString, QPointF> LastPressed;

}  // namespace

// A clear window that passes the pointer's events to the window it stands for.
class ClickCatcher final : public QRasterWindow {
public:
    ClickCatcher(QWindow& target, QString screenName) : Target(target), ScreenName(std::move(screenName)) {
        QSurfaceFormat format;
        format.setAlphaBufferSize(8);
        setFormat(format);
        // No shell role (QtRuntime asks Qt to honour the hint on Wayland): the layer role is ours.
        setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
    }
    QWindow& Target;
    const QString ScreenName;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(QPoint(), size()), Qt::transparent);
    }
    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                LastPressed = {ScreenName, static_cast<QMouseEvent*>(event)->position()};
                [[fallthrough]];
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove:
                return QCoreApplication::sendEvent(&Target, event);
            default:
                return QRasterWindow::event(event);
        }
    }
};

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

QtBackground::QtBackground() = default;

std::unique_ptr<QtBackground> QtBackground::Open(QOpenGLContext& context, QWindow& window, const QString& screenName,
                                                 std::string& oError) {
    wayland::cWaylandDesktop* desktop = OnWayland() ? Desktop() : nullptr;
    auto* egl = context.nativeInterface<QNativeInterface::QEGLContext>();
    if (!desktop || !desktop->HasLayerShell() || !egl) {
        oError = "this Wayland compositor offers no background layer (zwlr_layer_shell_v1)";
        return nullptr;
    }
    std::shared_ptr<wayland::cWaylandOutput> output = OutputFor(*desktop, screenName);
    // Qt may have heard of a new output before our queue did.
    if (!output && desktop->Roundtrip()) output = OutputFor(*desktop, screenName);
    QScreen* screen = ScreenNamed(screenName);
    if (!output || !screen) {
        oError = "there is no Wayland output " + screenName.toStdString();
        return nullptr;
    }
    if (!output->ShowBackground(false)) {
        oError = "the Wayland output " + screenName.toStdString() + " has rain already";
        return nullptr;
    }
    std::unique_ptr<QtBackground> background(new QtBackground());
    QtBackground& b = *background;
    b.Context_.Adopt(egl->display(), egl->nativeContext(), egl->config());
    b.Output_ = std::move(output);
    b.Drawing_ = std::make_unique<cEGLWindowSurface>(b.Context_, *b.Output_);
    b.Catcher_ = std::make_unique<ClickCatcher>(window, screenName);
    b.Catcher_->setScreen(screen);
    b.Catcher_->setGeometry(screen->geometry());
    // Clicks are caught over the whole output when it grows (the layer role gives it the new size).
    QObject::connect(screen, &QScreen::geometryChanged, b.Catcher_.get(),
                     [catcher = b.Catcher_.get()](const QRect& area) { catcher->setGeometry(area); });
    b.Catcher_->show();  // Qt paints it from the event loop, after the role below is configured
    auto* surface = static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", b.Catcher_.get()));
    if (surface) b.Output_->CatchClicksWith(surface);
    // The device needs the size, and Qt must not commit the catcher's first picture before its
    // configure.
    b.Output_->WaitForConfigure();
    return background;
}

QtBackground::~QtBackground() {
    if (Drawing_) Drawing_->Drop();
    if (Output_) Output_->HideBackground();
    Catcher_.reset();
}

QtBackground::Press QtBackground::LastPress() { return {ScreenNamed(LastPressed.first), LastPressed.second}; }

bool QtBackground::Dispatch() {
    wayland::cWaylandDesktop* desktop = OnWayland() ? Desktop() : nullptr;
    return !desktop || desktop->Dispatch();
}

}  // namespace platform::qt
