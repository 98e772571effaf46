#pragma once
// The program's own double-dash switches and the usage text. The Windows-style run modes
// ("/s", "/p...", "/c...") are not read here: they go to the entry procedure as before.
#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class CommandAction {
    Run,      // the entry procedure decides from the argument text
    Render,   // frames to files; the renderer reads the rest of the arguments
    Help,     // print the usage, exit 0
    Version,  // print the version, exit 0
    Invalid,  // a switch the program does not know: one line and the hint, exit 2
};

struct CommandLine {
    CommandAction Action = CommandAction::Run;
    std::string Error;  // Invalid: what is wrong, in one line
};

// One switch as --help lists it. Switches marked ForRender only follow "--render DIR".
struct SwitchInfo {
    std::string_view Name, Value, Help;
    bool ForRender = false;
    std::string_view ShortName = {};
};
extern const std::vector<SwitchInfo> Switches;

// Reads the arguments after the program name. --help and --version win wherever they
// stand; "--render" must come first.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

// The --help text: the switches, the run modes, and where the settings file and the glyph
// atlas are looked for (with the places that apply to the program in appPath now).
std::string UsageText(std::string_view appPath);
std::string VersionText();  // "glyphfall 0.1"

// Prints the help, the version or the error on the standard streams; returns the exit status.
int AnswerCommandLine(const CommandLine& command);

}  // namespace app
