#pragma once
// The colour mode as the settings keep it and the menu shows it: the mode, the palette, the
// gradient's head colour, and in the desktop mode the desktop's colours, followed while the
// rain runs.
#include <cstdint>
#include <memory>
#include <string>

#include "app/DesktopColors.h"
#include "rain/ColorScheme.h"

struct SettingsValues;

namespace app {

class cColorModeChoice {
public:
    // iAccent: the desktop's accent colour where the platform reaches it (may be null).
    explicit cColorModeChoice(iAccentColorSource* iAccent = nullptr,
                              DesktopColorFiles iFiles = DesktopColorFiles::OfUser());

    // Takes the colour mode, the palette and the head colour; a palette or head colour that
    // is no palette or colour gives the default one (the first preset, white).
    void Read(const SettingsValues& iSettings);

    // What the rain is coloured by now. Desktop colours: the colours found; none found, the
    // rain's chosen colour.
    mRain::ColorScheme Scheme() const;
    mRain::ColorMode Mode() const { return Mode_; }

    // In the desktop mode, looks at the desktop when it is due; true when the colours found
    // changed (the rain then takes Scheme() again).
    bool Follow(int32_t iNow);

    // The desktop item's caption, naming where the colours come from once looked at.
    std::string DesktopCaption() const;

private:
    mRain::ColorMode Mode_ = mRain::ColorMode::One;
    std::vector<mRain::Color> Palette_;
    mRain::Color Head_{1, 1, 1, 1};
    cDesktopColors Desktop_;
    bool Looked_ = false;
};

}  // namespace app
