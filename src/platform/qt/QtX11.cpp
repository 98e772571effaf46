#include "platform/qt/QtX11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif

namespace platform::qt {

xcb_connection_t* X11Connection() {
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
#else
    return nullptr;
#endif
}

namespace {

class NativeWindowWatch final : public X11WindowWatch, public QAbstractNativeEventFilter {
public:
    NativeWindowWatch(uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                          std::function<void()> onGone)
        : watch_(X11Connection(), window, inside, std::move(onResize), std::move(onGone)) {
        qGuiApp->installNativeEventFilter(this);
    }
    ~NativeWindowWatch() override {
        if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type == "xcb_generic_event_t") watch_.Handle(message);
        return false;  // Qt still sees everything
    }

private:
    x11::WindowWatch watch_;
};

}  // namespace

std::unique_ptr<X11WindowWatch> X11WindowWatch::Start(uint32_t window, uint32_t inside,
                                                        std::function<void(int, int)> onResize,
                                                        std::function<void()> onGone) {
    if (!X11Connection()) return nullptr;
    return std::make_unique<NativeWindowWatch>(window, inside, std::move(onResize), std::move(onGone));
}

}  // namespace platform::qt
