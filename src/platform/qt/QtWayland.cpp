#include "platform/qt/QtWayland.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QScreen>
#include <QtGui/qopenglcontext_platform.h>
#include <qpa/qplatformnativeinterface.h>

#include <cstdio>

#include "core/Platform.h"

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
    if (display) desktop = wayland::cWaylandDesktop::Open(display, true, error).release();
    if (!desktop && !error.empty()) std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
    return desktop;
}

// The output of that name; Qt names outputs as the compositor does, but where the compositor
// gives no names, the outputs come in the same order as Qt's screens.
const wayland::Output* OutputFor(const wayland::cWaylandDesktop& desktop, const QString& screenName) {
    if (const wayland::Output* output = desktop.FindOutput(screenName.toStdString())) return output;
    const std::vector<std::string> names = desktop.OutputNames();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size() && i < static_cast<qsizetype>(names.size()); ++i)
        if (screens[i]->name() == screenName) return desktop.FindOutput(names[static_cast<size_t>(i)]);
    return nullptr;
}

}  // namespace

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

std::unique_ptr<QtBackground> QtBackground::Open(QOpenGLContext& context, const QString& screenName,
                                                 std::string& oError) {
    wayland::cWaylandDesktop* desktop = OnWayland() ? Desktop() : nullptr;
    auto* egl = context.nativeInterface<QNativeInterface::QEGLContext>();
    if (!desktop || !desktop->HasLayerShell() || !egl) {
        oError = "this Wayland compositor offers no background layer (zwlr_layer_shell_v1)";
        return nullptr;
    }
    const wayland::Output* output = OutputFor(*desktop, screenName);
    if (!output) {
        oError = "there is no Wayland output " + screenName.toStdString();
        return nullptr;
    }
    std::unique_ptr<QtBackground> background(new QtBackground());
    background->Context_.Adopt(egl->display(), egl->nativeContext(), egl->config());
    background->Surface_ = std::make_unique<wayland::cBackgroundSurface>(*desktop, *output, background.get());
    background->Drawing_ = std::make_unique<cEGLWindowSurface>(background->Context_, *background->Surface_);
    // The device needs the size: wait for the first configure (two seconds at most).
    const int32_t deadline = mCore::Clock().TickCount() + 2000;
    while (!background->Surface_->Configured() && !background->Surface_->Closed() &&
           mCore::Clock().TickCount() < deadline)
        if (!desktop->Roundtrip()) break;
    return background;
}

QtBackground::~QtBackground() {
    if (Drawing_) Drawing_->Drop();
}

bool QtBackground::Dispatch() {
    wayland::cWaylandDesktop* desktop = OnWayland() ? Desktop() : nullptr;
    return !desktop || desktop->Dispatch();
}

void QtBackground::PointerMoved(double x, double y, int buttons) {
    const double scale = Surface_->Scale();
    if (Listener)
        Listener->MouseMove(buttons, 0, static_cast<float>(x * scale), static_cast<float>(y * scale));
}

void QtBackground::PointerPressed(int button, double x, double y) {
    PressX = x;
    PressY = y;
    const double scale = Surface_->Scale();
    if (Listener) Listener->MouseDown(button, 0, static_cast<float>(x * scale), static_cast<float>(y * scale));
}

}  // namespace platform::qt
