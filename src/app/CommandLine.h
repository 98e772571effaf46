#pragma once
// The program's switches and the usage text: one parser for every mode (the window's
// switches, the screen-saver host's, --render and its options), so a switch means the same
// wherever it stands. The Windows-style run modes ("/s", "/p...", "/c...") are not switches:
// they go to the entry procedure as before.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsKeys.h"

namespace app {

enum class CommandAction {
    Run,      // the entry procedure decides from the run-mode text
    Render,   // frames to files, as Render says
    Help,     // print the usage, exit 0
    Version,  // print the version, exit 0
    AddToXScreenSaver,  // add the program to the user's xscreensaver list
    Lock,     // lock the session with the rain as the lock screen
    Invalid,  // a switch the program does not know, or a value it cannot use: exit 2
};

// What --render DIR and its options ask for.
struct RenderOptions {
    std::string Folder;  // where frame-0001.png ... go
    int32_t Frames = 100;
    int32_t Width = 1024, Height = 768;
    std::optional<uint64_t> Seed;  // the same seed renders the same frames
};
inline constexpr int32_t MaxRenderSide = 16384;

struct CommandLine {
    CommandAction Action = CommandAction::Run;
    std::string Error;  // Invalid: what is wrong, in one line
    bool Hint = true;   // Invalid: follow the error with the pointer to --help
    // The arguments that are no switch ("/s", "/p 1234"), joined by single blanks.
    std::string RunModeText;
    // The window to draw into (--root, --window-id): 0 stands for the root window.
    std::optional<uint32_t> HostWindow;
    // The settings switches, in the order given; "/s" adds screen-saver mode.
    std::vector<SettingOverride> Settings;
    bool ScreenSaverRun = false;  // "/s" outside any host's window: the saver an idle daemon starts
    RenderOptions Render;  // Render: the frames to write
    bool ReturnOnceLocked = false;  // Lock: the command returns once the session is locked
};

enum class SwitchRole {
    Answer,        // answers on the terminal and ends
    Render,        // --render DIR: frames to files instead of a window
    RenderOption,  // only with --render DIR
    Host,          // the window to draw into
    Lock,          // --lock and what goes with it
    Setting,       // overrides a setting for this run
    Ignored,       // screen-saver hosts pass it; it changes nothing here
};

// One switch as --help lists it. A single dash works as well as two, as screen-saver hosts
// expect (-root, -window-id).
struct SwitchInfo {
    std::string_view Name, Value, Help;
    SwitchRole Role = SwitchRole::Answer;
    std::string_view ShortName = {};
    std::string_view Key = {};    // Setting: the settings key it overrides
    std::string_view Fixed = {};  // Setting without a value: the value it stands for
    bool Whole = false;           // Setting with a number: only whole numbers
    // With nothing after it, or a switch or run mode ("-root", "/s") that is no number, the
    // switch is xscreensaver's of the same name (-fps: its frame-rate display), and is ignored;
    // anything else after it is its value.
    bool ValueIfNumber = false;
};
extern const std::vector<SwitchInfo> Switches;

// Whether the switch takes the argument after it (nullptr: none) as its value.
bool TakesValue(const SwitchInfo& info, const std::string* next);

// Reads the arguments after the program name. --help and --version win wherever they
// stand; a switch given twice takes its last value. saverWindow is $XSCREENSAVER_WINDOW, which
// --root draws into when it is set.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments, std::string_view saverWindow = {});

// A settings switch with its value (empty for one without): the override, or nothing with
// the reason, which names the switch and the values it takes, in oError.
std::optional<SettingOverride> ReadSettingSwitch(const SwitchInfo& info, std::string_view value, std::string& oError);
// The switch of that name (either dash form), or nullptr.
const SwitchInfo* FindSwitch(std::string_view name);

// An X window id as hosts write it: hexadecimal "0x1a00007" or decimal; nothing for 0 or
// anything else.
std::optional<uint32_t> ParseWindowId(std::string_view text);

// The --help text: the switches, the run modes, and where the settings file and the glyph
// atlas are looked for (with the places that apply to the program in appPath now).
std::string UsageText(std::string_view appPath);
std::string VersionText();  // "glyphfall 0.2"

// Prints the help, the version or the error on the standard streams; returns the exit status.
int AnswerCommandLine(const CommandLine& command);

}  // namespace app
