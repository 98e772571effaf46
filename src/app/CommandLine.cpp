#include "app/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/MenuModel.h"
#include "app/XScreenSaverList.h"
#include "core/Locations.h"
#include "core/NumberText.h"
#include "core/Text.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"
#include "fonts/GlyphText.h"
#include "rain/cRain.h"
#include "settings/SettingsModel.h"
#include "settings/cValues.h"

#ifndef GLYPHFALL_VERSION
#define GLYPHFALL_VERSION "unknown"
#endif

namespace app {

using Role = SwitchRole;

const std::vector<SwitchInfo> Switches = {
    {"--help", "", "print this help and exit", Role::Answer, "-h"},
    {"--version", "", "print the version and exit"},
    {"--add-to-xscreensaver", "", "add Glyphfall to the screen savers in ~/.xscreensaver, keeping the rest, and exit"},
    {"--render", "DIR", "render frames to DIR/frame-0001.png and on, with no window or display, and exit",
     Role::Render},
    {"--frames", "N", "with --render: how many frames (default 100)", Role::RenderOption},
    {"--size", "WxH", "with --render: the frame size (default 1024x768)", Role::RenderOption},
    {"--seed", "S", "with --render: the same seed gives the same frames", Role::RenderOption},

    {"--root", "", "draw into the window $XSCREENSAVER_WINDOW names (hex or decimal), else the root window",
     Role::Host},
    {"--window-id", "ID", "draw into that window (hex 0x... or decimal); wins over --root", Role::Host},
    {"--lock", "", "lock the Wayland session (ext-session-lock-v1) with the rain; the user's password unlocks it",
     Role::Lock},
    {"--daemonize", "", "with --lock: return once the session is locked (as an idle daemon's before-sleep wants)",
     Role::Lock, "-f"},
    {"--no-fps", "", "", Role::Ignored},
    {"--install", "", "", Role::Ignored},
    {"--noinstall", "", "", Role::Ignored},
    {"--visual", "V", "", Role::Ignored},
    {"--mono", "", "", Role::Ignored},
    {"--window", "", "", Role::Ignored},

    {"--count", "N", "columns of rain", Role::Setting, {}, "Count", {}, true},
    {"--length", "L", "trail length: short, medium or long", Role::Setting, {}, "Length"},
    {"--fall-speed", "X", "how fast the rain falls", Role::Setting, {}, "FallSpeed"},
    {"--fly", "", "fly through the rain", Role::Setting, {}, "Fly", "1"},
    {"--no-fly", "", "stand still", Role::Setting, {}, "Fly", "0"},
    {"--fly-speed", "X", "how fast to fly", Role::Setting, {}, "FlySpeed"},
    {"--leaders", "P", "percentage of columns with a glowing leader", Role::Setting, {}, "Leaders", {}, true},
    {"--horizontal", "", "some columns run sideways", Role::Setting, {}, "Horizontal", "50"},
    {"--no-horizontal", "", "every column falls", Role::Setting, {}, "Horizontal", "0"},
    {"--color", "C", "the colour: #RRGGBB or", Role::Setting, {}, "Color"},
    {"--random-colors", "", "change the colour at random", Role::Setting, {}, "RandomColors", "1"},
    {"--color-mode", "MODE", "one (the default), gradient, rainbow, palette or desktop (the theme's colours)",
     Role::Setting, {}, "ColorMode"},
    {"--palette", "LIST", "the palette: 2 to 16 colours \"#00FF41,#008F11\", or greens, ocean, fire, neon",
     Role::Setting, {}, "Palette"},
    {"--head-color", "C", "the gradient's head colour, as --color takes it (default white)", Role::Setting, {},
     "HeadColor"},
    {"--random-move", "", "random turns and jumps while flying", Role::Setting, {}, "RandomMove", "1"},
    {"--no-logos", "", "spell no logo texts into the rain", Role::Setting, {}, "ShowAds", "0"},
    {"--glyphs", "TEXT", "rain these characters (up to 96 different ones) instead of a built-in set", Role::Setting,
     {}, "CustomGlyphs"},
    {"--font", "FONT", "draw them from this font: a family as fontconfig names it, or a font file", Role::Setting, {},
     "GlyphFont"},
    {"--smooth", "", "smooth motion: frames at the display's rate, the rain drawn between its steps", Role::Setting, {},
     "Smooth", "1"},
    {"--fps", "N", "smooth motion, N frames for each second of the rain", Role::Setting, {},
     "FrameRate", {}, true, true},
    {"--background", "", "the rain as the desktop background (\"Stay in background\")", Role::Setting, {}, "StayBack", "1"},
    {"--no-background", "", "an ordinary full-screen window", Role::Setting, {}, "StayBack", "0"},
};

namespace {

constexpr std::string_view HelpHint = "Try 'glyphfall --help' for more information.";

CommandLine Answer(CommandAction action) {
    CommandLine command;
    command.Action = action;
    return command;
}

CommandLine Invalid(std::string error, bool hint = true) {
    CommandLine command = Answer(CommandAction::Invalid);
    command.Error = std::move(error);
    command.Hint = hint;
    return command;
}

bool TakesNumber(const SwitchInfo& info) {
    if (info.Role != Role::Setting || !info.Fixed.empty()) return false;
    const SettingDefault& key = *FindSettingKey(info.Key);
    return key.Names.empty() && key.Kind != SettingKind::Text;
}

// --glyphs and --font: what the menu's boxes would take.
std::optional<SettingOverride> ReadTextSwitch(const SwitchInfo& info, std::string_view value, std::string& oError) {
    const std::string key(info.Key), name(info.Name);
    if (info.Key == SettingKey::GlyphFont) {
        const std::string_view font = mCore::Trim(value);
        // The settings' length fields bound what a run can hold as well.
        if (font.size() > cValues::MaxFieldLength)
            oError = name + " takes at most " + mCore::FormatNumber(static_cast<long long>(cValues::MaxFieldLength)) + " bytes";
        else if (font.empty())
            oError = name + " needs a font family or a font file's path";
        else
            return SettingOverride{key, std::string(font)};
        return std::nullopt;
    }
    const mFonts::GlyphText read = mFonts::ReadGlyphText(value, mRain::MaxCustomGlyphs);
    if (read.What == mFonts::GlyphText::Kind::Glyphs) return SettingOverride{key, mFonts::EncodeUtf8(read.Chars)};
    oError = name + " needs UTF-8 text of 1 to " + std::to_string(mRain::MaxCustomGlyphs) +
             " different characters that are not blanks or control characters";
    return std::nullopt;
}

std::string SwitchLines(Role role) {
    std::string text;
    for (const SwitchInfo& s : Switches) {
        if (s.Role != role && !(role == Role::Answer && (s.Role == Role::Render || s.Role == Role::RenderOption)))
            continue;
        std::string left = s.ShortName.empty() ? "      " : "  " + std::string(s.ShortName) + ", ";
        left += s.Name;
        if (!s.Value.empty()) left += " " + std::string(s.Value);
        left.resize(std::max<size_t>(left.size() + 2, 24), ' ');
        std::string help(s.Help);
        if (TakesNumber(s)) help += " (" + RangeText(*FindSettingKey(s.Key)) + ")";
        if (s.Key == SettingKey::Color) help += " " + ColorPresetNames();
        text += left + help + "\n";
    }
    return text;
}

std::string IgnoredSwitches() {
    std::string names;
    for (const SwitchInfo& s : Switches)
        if (s.ValueIfNumber)
            names += (names.empty() ? "" : ", ") + std::string(s.Name.substr(1)) + " (no value after it)";
        else if (s.Role == Role::Ignored)
            names += (names.empty() ? "" : ", ") + std::string(s.Name.substr(1)) + (s.Value.empty() ? "" : " ") +
                     std::string(s.Value);
    return names;
}

std::string OrNone(const std::string& path) { return path.empty() ? "(none)" : path; }

}  // namespace

const SwitchInfo* FindSwitch(std::string_view name) {
    if (name.empty()) return nullptr;  // no switch is nameless, whatever lacks a short name
    // Screen-saver hosts write their switches with one dash or two.
    const std::string doubled = name.starts_with("-") && !name.starts_with("--") ? "-" + std::string(name) : "";
    const auto found = std::find_if(Switches.begin(), Switches.end(), [&](const SwitchInfo& s) {
        return s.Name == name || s.ShortName == name || (!doubled.empty() && s.Name == doubled);
    });
    return found == Switches.end() ? nullptr : &*found;
}

bool TakesValue(const SwitchInfo& info, const std::string* next) {
    if (info.Value.empty()) return false;
    if (!info.ValueIfNumber) return true;
    if (!next) return false;
    // xscreensaver's -fps is followed by its next switch or nothing; anything else is a value,
    // to be read (and refused when it is no number in range) like any other.
    return mCore::ParseNumber(*next) || !(next->starts_with("-") || next->starts_with("/"));
}

std::optional<uint32_t> ParseWindowId(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    uint32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id == 0) return std::nullopt;
    return id;
}

std::optional<SettingOverride> ReadSettingSwitch(const SwitchInfo& info, std::string_view value, std::string& oError) {
    const std::string key(info.Key), name(info.Name);
    if (!info.Fixed.empty()) return SettingOverride{key, std::string(info.Fixed)};
    if (info.Key == SettingKey::CustomGlyphs || info.Key == SettingKey::GlyphFont) return ReadTextSwitch(info, value, oError);
    if (info.Key == SettingKey::Palette) {
        const mRain::PaletteAnswer palette = mRain::PaletteOf(value);
        if (palette.Error.empty()) return SettingOverride{key, mRain::PaletteText(palette.Colors)};
        oError = name + ": " + palette.Error;
        return std::nullopt;
    }
    const SettingDefault& setting = *FindSettingKey(info.Key);
    if (std::optional<std::string> stored = ReadSwitchValue(setting, value, info.Whole))
        return SettingOverride{key, std::move(*stored)};
    oError = name + " needs " + SwitchValueNeeds(setting, info.Whole);
    return std::nullopt;
}

namespace {

template <class Number>
bool ReadWhole(std::string_view text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// One of --render's options into the request; false with the reason in oError.
bool ReadRenderOption(std::string_view name, std::string_view value, RenderOptions& ioRender, std::string& oError) {
    if (name == "--frames") {
        if (ReadWhole(value, ioRender.Frames) && ioRender.Frames >= 1) return true;
        oError = "--frames needs a whole number of at least 1";
    } else if (name == "--size") {
        const auto x = value.find('x');
        const auto inRange = [](int32_t side) { return side >= 1 && side <= MaxRenderSide; };
        if (x != std::string_view::npos && ReadWhole(value.substr(0, x), ioRender.Width) &&
            ReadWhole(value.substr(x + 1), ioRender.Height) && inRange(ioRender.Width) && inRange(ioRender.Height))
            return true;
        oError = "--size needs WIDTHxHEIGHT, each from 1 to " + std::to_string(MaxRenderSide);
    } else {
        uint64_t seed = 0;
        if (ReadWhole(value, seed)) {
            ioRender.Seed = seed;
            return true;
        }
        oError = "--seed needs a whole number";
    }
    return false;
}

// What the whole list comes to once every switch has been read: --root's window, the
// switches that only go with --render (or not with it), "/s".
CommandLine Conclude(CommandLine command, bool root, bool renderOptions, std::string_view saverWindow) {
    if (command.Action == CommandAction::Render) {
        if (root || command.HostWindow) return Invalid("--render draws into no window: --root and --window-id do not go with it");
        if (!command.RunModeText.empty()) return Invalid("unexpected argument '" + command.RunModeText + "' with --render");
        return command;
    }
    if (renderOptions) return Invalid("--frames, --size and --seed are only used with --render DIR");
    if (root && !command.HostWindow) {
        command.HostWindow = 0;
        if (!saverWindow.empty() && !(command.HostWindow = ParseWindowId(saverWindow)))
            return Invalid("XSCREENSAVER_WINDOW holds no window id: '" + std::string(saverWindow) + "'", false);
    }
    // Idle daemons start the screen saver as "/s": it takes every monitor and ends on input,
    // whatever the menu's "Screen saver mode" says, and leaves that mark as it was.
    command.ScreenSaverRun =
        !command.HostWindow && (command.RunModeText.starts_with("/s") || command.RunModeText.starts_with("/S"));
    if (command.ScreenSaverRun) command.Settings.insert(command.Settings.begin(), SettingOverride{"ScreenSaver", "1"});
    return command;
}

// --lock draws into no host's window, renders nothing and has no run mode.
CommandLine ConcludeLock(CommandLine command, bool lock, bool returnOnceLocked, bool elsewhere) {
    if (!lock) return returnOnceLocked ? Invalid("--daemonize goes with --lock") : command;
    if (elsewhere || command.Action != CommandAction::Run || !command.RunModeText.empty())
        return Invalid("--lock takes settings switches only: no --root, --window-id, --render or run mode");
    command.Action = CommandAction::Lock;
    command.ReturnOnceLocked = returnOnceLocked;
    return command;
}

// A switch's value: the next argument. --render's folder must not look like a switch.
std::optional<std::string> ValueAfter(const std::vector<std::string>& arguments, size_t& i, const SwitchInfo& known,
                                      std::string& oError) {
    const std::string& name = arguments[i];
    if (i + 1 < arguments.size() && !(known.Role == Role::Render && (arguments[i + 1].empty() || arguments[i + 1].starts_with("--"))))
        return arguments[++i];
    oError = known.Role == Role::Render ? "--render needs the folder to write the frames to" : name + " needs a value";
    return std::nullopt;
}

// --help and --version anywhere win over everything else, then --add-to-xscreensaver.
std::optional<CommandLine> EarlyAnswer(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        const SwitchInfo* known = FindSwitch(argument);
        if (known && known->Name == "--help") return Answer(CommandAction::Help);
        if (known && known->Name == "--version") return Answer(CommandAction::Version);
    }
    for (const std::string& argument : arguments)
        if (const SwitchInfo* known = FindSwitch(argument); known && known->Name == "--add-to-xscreensaver")
            return Answer(CommandAction::AddToXScreenSaver);
    return std::nullopt;
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments, std::string_view saverWindow) {
    if (std::optional<CommandLine> early = EarlyAnswer(arguments)) return std::move(*early);
    CommandLine command;
    bool root = false, renderOptions = false, lock = false, returnOnceLocked = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const SwitchInfo* known = FindSwitch(argument);
        if (!known) {
            if (argument.starts_with("--")) return Invalid("unrecognized option '" + argument + "'");
            if (argument.empty()) return Invalid("an empty argument is neither a switch nor a run mode");
            // A run mode, or text the entry procedure ignores.
            command.RunModeText += (command.RunModeText.empty() ? "" : " ") + argument;
            continue;
        }
        std::string value, error;
        const bool takesValue = TakesValue(*known, i + 1 < arguments.size() ? &arguments[i + 1] : nullptr);
        if (known->ValueIfNumber && !takesValue) continue;  // xscreensaver's -fps, standing alone
        if (takesValue) {
            const auto given = ValueAfter(arguments, i, *known, error);
            if (!given) return Invalid(error);
            value = *given;
        }
        switch (known->Role) {
            case Role::Render:
                command.Action = CommandAction::Render;
                command.Render.Folder = value;
                break;
            case Role::RenderOption:
                renderOptions = true;
                if (!ReadRenderOption(known->Name, value, command.Render, error)) return Invalid(error, false);
                break;
            case Role::Host:
                if (known->Name == "--root") {
                    root = true;
                } else if (const auto id = ParseWindowId(value)) {
                    command.HostWindow = *id;
                } else {
                    return Invalid(argument + " needs a window id, hexadecimal (0x1a00007) or decimal", false);
                }
                break;
            case Role::Lock:
                (known->Name == "--lock" ? lock : returnOnceLocked) = true;
                break;
            case Role::Setting: {
                auto setting = ReadSettingSwitch(*known, value, error);
                if (!setting) return Invalid(error, false);
                command.Settings.push_back(std::move(*setting));
                break;
            }
            default:
                break;
        }
    }
    const bool elsewhere = root || renderOptions || command.HostWindow.has_value();
    command = ConcludeLock(std::move(command), lock, returnOnceLocked, elsewhere);
    if (command.Action == CommandAction::Lock || command.Action == CommandAction::Invalid) return command;
    return Conclude(std::move(command), root, renderOptions, saverWindow);
}

std::string UsageText(std::string_view appPath) {
    const mLocations::InstalledData installed = mLocations::InstalledData::Configured();
    const mLocations::SettingsFiles settings = mLocations::SettingsLocations(appPath);
    const std::string atlas = mLocations::FirstReadable(mLocations::AtlasSearchPath(appPath));
    return "Usage: glyphfall [OPTION]... [/s | /p | /c]\n"
           "       glyphfall --root | --window-id ID [OPTION]...\n"
           "       glyphfall --render DIR [--frames N] [--size WxH] [--seed S] [--fps N] [OPTION]...\n"
           "       glyphfall --lock [--daemonize] [OPTION]...\n"
           "A full-screen digital rain: columns of glyphs falling through a 3-D field.\n"
           "Right-click the rain for its menu of settings; F1 and F2 change the speed; Escape ends it.\n"
           "\n"
           "Options:\n" +
           SwitchLines(Role::Answer) +
           "\n"
           "Settings for this run only, in every mode (glyphfall.ini never keeps them):\n" +
           SwitchLines(Role::Setting) +
           "\n"
           "Inside a screen saver's window (the host ends the program with a signal; the settings\n"
           "file is read, never written; no menu, keys or mouse):\n" +
           SwitchLines(Role::Host) + "  A single dash works as well as two. Accepted and ignored: " + IgnoredSwitches() +
           "\n"
           "  Under a Wayland host ($WAYLAND_SOCKET, or $WAYLAND_DISPLAY without $DISPLAY) --root draws on\n"
           "  the background layer of every output, or of the one $SWAYLOCK_PLUGIN_OUTPUT_NAME names.\n"
           "\n"
           "Locking a Wayland session (the settings file is read, never written):\n" +
           SwitchLines(Role::Lock) +
           "  Type the password and press Enter; Backspace takes a character back, Escape clears them all.\n"
           "  Where the compositor offers no session lock, lock with XSecureLock or xscreensaver on X11.\n"
           "\n"
           "Run modes (as screen-saver hosts pass them; anything else runs the animation):\n"
           "  (none)            run the animation in a full-screen window\n"
           "  /s                as a screen saver: every monitor, ends on a key or a mouse movement\n"
           "  /p...             the Windows screen-saver preview: not supported, ends at once\n"
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
        case CommandAction::AddToXScreenSaver:
            return AddToXScreenSaver();
        case CommandAction::Invalid:
            std::fprintf(stderr, "glyphfall: %s\n", command.Error.c_str());
            if (command.Hint) std::fprintf(stderr, "%s\n", std::string(HelpHint).c_str());
            return 2;
        default:
            return 0;
    }
}

}  // namespace app
