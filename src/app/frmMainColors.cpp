// The main window's colour modes: the "Colour mode" submenu's handlers, and the desktop's
// colours followed while the rain runs.
#include "app/frmMain.h"

#include "settings/SettingsModel.h"

using namespace app::MenuNames;

namespace {

constexpr std::string_view PalettePrompt = "Enter 2 to 16 colours like #00FF41, #008F11, #003B00";
constexpr std::string_view PaletteTitle = "User defined palette";
constexpr std::string_view HeadColorTitle = "Head colour";

}  // namespace

// The stored choice, and the desktop looked at at once when it is the one.
void frmMain::StartColorMode() {
    ColorModes_.Read(Values());
    ColorModes_.Follow(Rain.Now);
}

void frmMain::ShowColorMode() {
    Menu.CheckOnly(mnuColorModes, static_cast<int>(ColorModes_.Mode()));
    Menu.Item(mnuColorModes, static_cast<int>(mRain::ColorMode::Desktop)).Caption = ColorModes_.DesktopCaption();
}

void frmMain::StoreColorMode(mRain::ColorMode mode) {
    Model_.Set(&SettingsValues::ColorMode, static_cast<int32_t>(mode));
    StartColorMode();
    ShowColorMode();
    ForEachView([&](cRainView& v) { v.Rain.SetColorScheme(ColorModes_.Scheme()); });
}

void frmMain::FollowDesktopColors() {
    if (!ColorModes_.Follow(Rain.Now)) return;
    ShowColorMode();
    ForEachView([&](cRainView& v) { v.Rain.SetColorScheme(ColorModes_.Scheme()); });
}

void frmMain::SelectColorMode(const app::MenuCommand& command) {
    if (command.Index >= 0 && command.Index < static_cast<int>(mRain::ColorModeNames.size()))
        StoreColorMode(static_cast<mRain::ColorMode>(command.Index));
}

void frmMain::SelectPalette(const app::MenuCommand& command) {
    if (command.Index < 0 || command.Index >= static_cast<int>(mRain::PalettePresets.size())) return;
    Model_.Set(&SettingsValues::Palette, std::string(mRain::PalettePresets[static_cast<size_t>(command.Index)].Colors));
    StoreColorMode(mRain::ColorMode::Palette);
}

void frmMain::AskUserPalette(const app::MenuCommand&) {
    const mRain::PaletteAnswer stored = mRain::PaletteOf(Values().Palette);
    const std::string shown = stored.Colors.empty() ? std::string(mRain::PalettePresets[0].Colors) : mRain::PaletteText(stored.Colors);
    const auto answer = mCore::Dialogs().InputBox(PalettePrompt, PaletteTitle, shown);
    if (!answer || answer->find_first_not_of(" \t") == std::string::npos) return;
    const mRain::PaletteAnswer palette = mRain::ParsePalette(*answer);
    if (!palette.Error.empty())
        return mCore::Dialogs().MessageBox(palette.Error, UserColorInvalidTitle, mCore::MessageIcon::Critical);
    Model_.Set(&SettingsValues::Palette, mRain::PaletteText(palette.Colors));
    StoreColorMode(mRain::ColorMode::Palette);
}

void frmMain::AskHeadColor(const app::MenuCommand&) {
    const auto head = mRain::ColorFromText(Values().HeadColor.Text);
    const auto answer = mCore::Dialogs().InputBox(UserColorPrompt, HeadColorTitle, mRain::ColorText(head.value_or(mRain::Color{1, 1, 1, 1})));
    if (!answer || answer->find_first_not_of(" \t") == std::string::npos) return;
    const auto color = mRain::ColorFromText(*answer);
    if (!color)
        return mCore::Dialogs().MessageBox(UserColorInvalidText, UserColorInvalidTitle, mCore::MessageIcon::Critical);
    const std::string text = mRain::ColorText(*color);
    Model_.Set(&SettingsValues::HeadColor, ColorSetting{text, ReadColorText(text)});
    StoreColorMode(mRain::ColorMode::Gradient);
}
