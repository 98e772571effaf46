#include "app/ColorModeChoice.h"

#include <algorithm>

#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

namespace app {

cColorModeChoice::cColorModeChoice(iAccentColorSource* iAccent, DesktopColorFiles iFiles)
    : Desktop_(iAccent, std::move(iFiles)) {}

void cColorModeChoice::Read(const SettingsValues& iSettings) {
    // Start-up has put right a number out of range; a missing one reads as 0, one colour.
    Mode_ = static_cast<mRain::ColorMode>(std::clamp<int32_t>(iSettings.ColorMode, 0, 4));
    const mRain::PaletteAnswer palette = mRain::PaletteOf(iSettings.Palette);
    Palette_ = palette.Colors.empty() ? mRain::ParsePalette(mRain::PalettePresets[0].Colors).Colors : palette.Colors;
    Head_ = mRain::ColorFromText(iSettings.HeadColor.Text).value_or(mRain::Color{1, 1, 1, 1});
}

mRain::ColorScheme cColorModeChoice::Scheme() const {
    mRain::ColorScheme scheme;
    scheme.Mode = Mode_;
    scheme.Head = Head_;
    if (Mode_ == mRain::ColorMode::Palette) scheme.Palette = Palette_;
    if (Mode_ == mRain::ColorMode::Desktop) scheme.Palette = Desktop_.Colors();
    return scheme;
}

bool cColorModeChoice::Follow(int32_t iNow) {
    if (Mode_ != mRain::ColorMode::Desktop) return false;
    Looked_ = true;
    return Desktop_.Look(iNow);
}

std::string cColorModeChoice::DesktopCaption() const {
    if (!Looked_) return "Desktop colours";
    return "Desktop colours (" + (Desktop_.Source().empty() ? std::string("none found") : Desktop_.Source()) + ")";
}

}  // namespace app
