#pragma once
// The desktop's accent colour from the settings portal (org.freedesktop.appearance
// accent-color), over the session bus.
#include <QDBusPendingCall>
#include <memory>
#include <optional>

#include "app/DesktopColors.h"

class cQtAccentColor final : public app::iAccentColorSource {
public:
    // Answers from what the portal last said. The first question waits a fraction of a second
    // for the answer; a portal that keeps silent then is not asked again. Later questions go
    // out without waiting, and their answers count once they have come.
    std::optional<mRain::Color> AccentColor() override;

private:
    bool Silent_ = false;
    bool Asked_ = false;
    std::unique_ptr<QDBusPendingCall> Pending_;
    std::optional<mRain::Color> Last_;
};
