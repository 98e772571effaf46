// libFuzzer target for the command line: the input, split at zero bytes, is the argument
// list (its first entry also stands for $XSCREENSAVER_WINDOW). The run mode and every switch
// (the window's, the host's, --render and its options) must come out of any list without a
// crash, a refusal must say why, and an accepted --render must describe a render that can be
// done; custom glyphs and a glyph font that pass must be what the menu's boxes would take, and
// the settings file could keep; only --version asks for the version.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "core/Process.h"
#include "fonts/GlyphText.h"
#include "rain/cRain.h"

namespace {

void CheckTextSettings(const std::vector<SettingOverride>& settings) {
    for (const SettingOverride& s : settings) {
        if (s.Key == "CustomGlyphs") {
            const mFonts::GlyphText read = mFonts::ReadGlyphText(s.Value, mRain::MaxCustomGlyphs);
            if (read.What != mFonts::GlyphText::Kind::Glyphs || mFonts::EncodeUtf8(read.Chars) != s.Value) __builtin_trap();
        }
        if (s.Key == "GlyphFont" && (s.Value.empty() || s.Value.size() > 0xFFFF)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) arguments.emplace_back();
        else arguments.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<const char*> argv{"glyphfall"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    mCore::RunModeOf(mCore::ArgumentText(static_cast<int>(argv.size()), argv.data()));

    const app::CommandLine command = app::ReadCommandLine(arguments, arguments.front());
    if (command.Action == app::CommandAction::Invalid && command.Error.empty()) __builtin_trap();
    // Only the switch itself asks for the version, never an empty or other argument.
    bool versionAsked = false;
    for (const std::string& argument : arguments) {
        const app::SwitchInfo* known = app::FindSwitch(argument);
        versionAsked = versionAsked || (known && known->Name == "--version");
    }
    if (command.Action == app::CommandAction::Version && !versionAsked) __builtin_trap();
    CheckTextSettings(command.Settings);
    const app::RenderOptions& render = command.Render;
    if (command.Action == app::CommandAction::Render &&
        (render.Folder.empty() || render.Frames < 1 || render.Width < 1 || render.Height < 1 ||
         render.Width > app::MaxRenderSide || render.Height > app::MaxRenderSide || command.HostWindow))
        __builtin_trap();
    return 0;
}
