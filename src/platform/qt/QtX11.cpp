#include "platform/qt/QtX11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include "platform/x11/X11Sight.h"

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

// Hands every event Qt reads from its X connection to an X11 watch first, while it lives.
template <class Watch>
class FilteredEvents final : public QAbstractNativeEventFilter {
public:
    template <class... Arguments>
    explicit FilteredEvents(Arguments&&... arguments) : Of(X11Connection(), std::forward<Arguments>(arguments)...) {
        qGuiApp->installNativeEventFilter(this);
    }
    ~FilteredEvents() override {
        if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
    }
    FilteredEvents(const FilteredEvents&) = delete;
    FilteredEvents& operator=(const FilteredEvents&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type == "xcb_generic_event_t") Of.Handle(message);
        return false;  // Qt still sees everything
    }

    Watch Of;
};

class NativeWindowWatch final : public X11WindowWatch {
public:
    NativeWindowWatch(uint32_t window, uint32_t inside, std::function<void(int, int)> onResize,
                      std::function<void()> onGone)
        : events_(window, inside, std::move(onResize), std::move(onGone)) {}
    bool Mapped() const override { return events_.Of.Mapped(); }

private:
    FilteredEvents<x11::WindowWatch> events_;
};

class NativeWindowSight final : public X11WindowSight {
public:
    explicit NativeWindowSight(uint32_t window) : events_(window), power_(X11Connection()) {}
    bool Seen() override { return events_.Of.Seen() && !power_.Off(); }

private:
    FilteredEvents<x11::WindowSight> events_;
    x11::MonitorPower power_;
};

}  // namespace

std::unique_ptr<X11WindowWatch> X11WindowWatch::Start(uint32_t window, uint32_t inside,
                                                        std::function<void(int, int)> onResize,
                                                        std::function<void()> onGone) {
    if (!X11Connection()) return nullptr;
    return std::make_unique<NativeWindowWatch>(window, inside, std::move(onResize), std::move(onGone));
}

std::unique_ptr<X11WindowSight> X11WindowSight::Start(uint32_t window) {
    if (!X11Connection()) return nullptr;
    return std::make_unique<NativeWindowSight>(window);
}

}  // namespace platform::qt
