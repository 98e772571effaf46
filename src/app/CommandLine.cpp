#include "app/CommandLine.h"

#include <algorithm>
#include <cstdio>

#include "core/Locations.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"

#ifndef GLYPHFALL_VERSION
#define GLYPHFALL_VERSION "unknown"
#endif

namespace app {

const std::vector<SwitchInfo> Switches = {
    {"--help", "", "print this help and exit", false, "-h"},
    {"--version", "", "print the version and exit"},
    {"--render", "DIR", "render frames to DIR/frame-0001.png and on, with no window or display, and exit"},
    {"--frames", "N", "with --render: how many frames (default 100)", true},
    {"--size", "WxH", "with --render: the frame size (default 1024x768)", true},
    {"--seed", "S", "with --render: the same seed gives the same frames", true},
};

namespace {

constexpr std::string_view HelpHint = "Try 'glyphfall --help' for more information.";

const SwitchInfo* FindSwitch(std::string_view name) {
    const auto found = std::find_if(Switches.begin(), Switches.end(),
                                    [&](const SwitchInfo& s) { return s.Name == name || s.ShortName == name; });
    return found == Switches.end() ? nullptr : &*found;
}

CommandLine Invalid(std::string error) { return {CommandAction::Invalid, std::move(error)}; }

std::string SwitchLines() {
    std::string text;
    for (const SwitchInfo& s : Switches) {
        std::string left = s.ShortName.empty() ? "      " : "  " + std::string(s.ShortName) + ", ";
        left += s.Name;
        if (!s.Value.empty()) left += " " + std::string(s.Value);
        left.resize(std::max<size_t>(left.size() + 2, 20), ' ');
        text += left + std::string(s.Help) + "\n";
    }
    return text;
}

std::string OrNone(const std::string& path) { return path.empty() ? "(none)" : path; }

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        const SwitchInfo* known = FindSwitch(argument);
        if (known && known->Name == "--help") return {CommandAction::Help, {}};
        if (known && known->Name == "--version") return {CommandAction::Version, {}};
    }
    if (!arguments.empty() && arguments.front() == "--render") return {CommandAction::Render, {}};
    for (const std::string& argument : arguments) {
        if (!argument.starts_with("--")) continue;  // a run mode, or text the entry procedure ignores
        const SwitchInfo* known = FindSwitch(argument);
        if (!known) return Invalid("unrecognized option '" + argument + "'");
        if (known->Name == "--render") return Invalid("--render must be the first argument");
        if (known->ForRender) return Invalid(argument + " is only used after --render DIR");
    }
    return {};
}

std::string UsageText(std::string_view appPath) {
    const mLocations::InstalledData installed = mLocations::InstalledData::Configured();
    const mLocations::SettingsFiles settings = mLocations::SettingsLocations(appPath);
    const std::string atlas = mLocations::FirstReadable(mLocations::AtlasSearchPath(appPath));
    return "Usage: glyphfall [OPTION]... [/s | /p | /c]\n"
           "       glyphfall --render DIR [--frames N] [--size WxH] [--seed S]\n"
           "A full-screen digital rain: columns of glyphs falling through a 3-D field.\n"
           "Right-click the rain for its menu of settings; F1 and F2 change the speed; Escape ends it.\n"
           "\n"
           "Options:\n" +
           SwitchLines() +
           "\n"
           "Run modes (as screen-saver hosts pass them; anything else runs the animation):\n"
           "  (none), /s        run the animation in a full-screen window\n"
           "  /p...             the screen-saver preview: not supported, ends at once\n"
           "  /c...             show how to configure it, then end\n"
           "\n"
           "Settings file glyphfall.ini: read from the first of these that exists, written to the first:\n"
           "  beside the program, when its folder holds tex.png or glyphfall.ini and can be written\n"
           "  $XDG_CONFIG_HOME/glyphfall/glyphfall.ini (~/.config/glyphfall/glyphfall.ini when unset)\n"
           "  beside the program, when its folder cannot be written (read only)\n"
           "  $XDG_CONFIG_DIRS/glyphfall/glyphfall.ini (/etc/xdg/glyphfall/glyphfall.ini when unset; read only)\n"
           "\n"
           "Glyph atlas tex.png: the first found of\n"
           "  beside the program\n"
           "  " + installed.FromProgram + "/tex.png from the program's folder, then " + installed.Absolute + "/tex.png\n"
           "  $XDG_DATA_HOME/glyphfall/tex.png (~/.local/share when unset)\n"
           "  $XDG_DATA_DIRS/glyphfall/tex.png (/usr/local/share:/usr/share when unset)\n"
           "\n"
           "Here: settings kept in " + OrNone(settings.WriteTo) + "; atlas " + OrNone(atlas) + "\n";
}

std::string VersionText() { return std::string("glyphfall ") + GLYPHFALL_VERSION; }

int AnswerCommandLine(const CommandLine& command) {
    switch (command.Action) {
        case CommandAction::Help:
            mFileSystem::GetAppPath();
            std::fputs(UsageText(mCore::AppPath).c_str(), stdout);
            return 0;
        case CommandAction::Version:
            std::printf("%s\n", VersionText().c_str());
            return 0;
        case CommandAction::Invalid:
            std::fprintf(stderr, "glyphfall: %s\n%s\n", command.Error.c_str(), std::string(HelpHint).c_str());
            return 2;
        default:
            return 0;
    }
}

}  // namespace app
