#pragma once
// Turns the end signals (SIGTERM, SIGINT, SIGHUP; see core/EndSignals.h) into a call on the
// Qt event loop: the main loop's pump or the loop of a modal dialog or menu that is open at
// the time. Any mode that runs on Qt's loop and must end in order on a signal makes one,
// with the function that ends it.
#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform::qt {

class EndSignalWatch {
public:
    // Needs the Qt application. onEnd runs once per signal, on the event loop's thread.
    explicit EndSignalWatch(std::function<void()> onEnd);
    ~EndSignalWatch();
    EndSignalWatch(const EndSignalWatch&) = delete;
    EndSignalWatch& operator=(const EndSignalWatch&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform::qt
