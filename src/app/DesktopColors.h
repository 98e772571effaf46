#pragma once
// The desktop's own colours, for the rain's "Desktop colours" mode: the accent colour the
// desktop publishes through its settings portal, a wal-style colors.json in the cache folder
// (as pywal and its successors write it), or KDE's selection colour in kdeglobals; the first
// found. Looked at again every few seconds, so the rain follows a theme that changes.
//
// Everything read here comes from outside: files are read bounded and without waiting (a
// FIFO, a device, a huge file are refused), the portal answers within a fraction of a second
// or counts as silent. What goes wrong is said once on standard error, never as a dialog.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rain/ColorScheme.h"

namespace app {

// The desktop's accent colour, where its settings portal publishes one. A platform that can
// reach the portal implements it; it answers at once from what it last heard.
class iAccentColorSource {
public:
    virtual ~iAccentColorSource() = default;
    virtual std::optional<mRain::Color> AccentColor() = 0;
};

// What one file gave: its colours, or why it gave none.
struct FoundColors {
    std::vector<mRain::Color> Colors;
    std::string Problem;  // empty when it gave colours, or when there is no such file
};

// The accent colours of a wal colour file: "color1" to "color6" of its "colors" object.
FoundColors ReadWalColors(const std::string& iFile);
// KDE's selection colour: BackgroundNormal of the [Colors:Selection] group.
FoundColors ReadKdeSelectionColor(const std::string& iFile);

struct DesktopColorFiles {
    std::string Wal;  // $XDG_CACHE_HOME/wal/colors.json
    std::string Kde;  // $XDG_CONFIG_HOME/kdeglobals
    // The places in the user's home, from the environment.
    static DesktopColorFiles OfUser();
};

class cDesktopColors {
public:
    // iAccent may be null (no portal); iSay gets each message line (standard error by default).
    cDesktopColors(iAccentColorSource* iAccent, DesktopColorFiles iFiles,
                   std::function<void(const std::string&)> iSay = {});

    // Looks at the sources on the first call and then once LookEveryMs have passed since the
    // last look; true when the colours found are not the ones found before.
    bool Look(int32_t iNow);
    static constexpr int32_t LookEveryMs = 3000;

    // The colours found (empty: none) and where they came from ("" when none).
    const std::vector<mRain::Color>& Colors() const { return Colors_; }
    const std::string& Source() const { return Source_; }

private:
    void Take(std::vector<mRain::Color> iColors, std::string iSource);
    void SayOnce(const std::string& iLine);

    iAccentColorSource* Accent_;
    DesktopColorFiles Files_;
    std::function<void(const std::string&)> Say_;
    std::optional<int32_t> LastLook_;
    std::vector<mRain::Color> Colors_;
    std::string Source_;
    std::string LastSaid_;
};

}  // namespace app
