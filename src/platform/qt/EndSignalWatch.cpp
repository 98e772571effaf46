#include "platform/qt/EndSignalWatch.h"

#include <QSocketNotifier>

#include "core/EndSignals.h"

namespace platform::qt {

EndSignalWatch::EndSignalWatch(std::function<void()> onEnd) {
    const int descriptor = mCore::CatchEndSignals();
    if (descriptor < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [onEnd = std::move(onEnd)] {
        mCore::AcknowledgeEndSignal();
        onEnd();
    });
}

EndSignalWatch::~EndSignalWatch() = default;

}  // namespace platform::qt
