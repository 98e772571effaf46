#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>

using app::CommandAction;

namespace {
const std::string GlyphsNeed = "--glyphs needs UTF-8 text of 1 to 96 different characters that are not blanks or control characters";
// A hundred different characters, four more than there are cells for.
std::string HundredCharacters() {
    std::string text;
    for (char32_t c = 0x4E00; c < 0x4E00 + 100; ++c) {  // CJK ideographs: three bytes each
        text.push_back(static_cast<char>(0xE0 | (c >> 12)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return text;
}
std::string Colours(int count) {
    std::string list;
    while (count-- > 0) list += "#00FF41,";
    return list;
}
}  // namespace

TEST(CommandLine, SettingsSwitchesGiveTheValueTheStoreKeepsInEitherDashForm) {
    const struct {
        std::vector<std::string> Arguments;
        std::string Key, Value;
    } cases[] = {
        {{"--count", "300"}, "Count", "300"},           {{"-count", "300"}, "Count", "300"},
        {{"--length", "LONG"}, "Length", "2"},
        {{"--no-fly"}, "Fly", "0"},                     {{"--horizontal"}, "Horizontal", "50"},
        {{"--color", "Ice Blue"}, "Color", "#0088FF"},
        {{"--leaders", "0"}, "Leaders", "0"},           {{"--no-logos"}, "ShowAds", "0"},
        {{"--background"}, "StayBack", "1"},            {{"-no-background"}, "StayBack", "0"},
        // Each character once, blanks and control characters dropped, as the menu's box keeps them.
        {{"--glyphs", "\u16A0\u16A2 \u16A0\tЖ"}, "CustomGlyphs", "\u16A0\u16A2Ж"},
        {{"-font", " Noto Sans Runic "}, "GlyphFont", "Noto Sans Runic"},
        {{"/s"}, "ScreenSaver", "1"},                   {{"--smooth"}, "Smooth", "1"},
        {{"--fps", "144"}, "FrameRate", "144"},         {{"-fps", "60"}, "FrameRate", "60"},
        {{"-fps", "/s"}, "ScreenSaver", "1"},  // xscreensaver's -fps takes no value: ignored
        {{"--color-mode", "Rainbow"}, "ColorMode", "2"}, {{"--head-color", "golden"}, "HeadColor", "#FF8000"},
        {{"--palette", "#00ff41 #008F11"}, "Palette", "#00FF41, #008F11"},
        {{"--palette", "Fire"}, "Palette", "#FFD000, #FF7A00, #FF2A00, #FFF3B0"},
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments);
        ASSERT_EQ(command.Action, CommandAction::Run) << c.Arguments[0] << ": " << command.Error;
        ASSERT_EQ(command.Settings.size(), 1u) << c.Arguments[0];
        EXPECT_EQ(command.Settings[0].Key, c.Key) << c.Arguments[0];
        EXPECT_EQ(command.Settings[0].Value, c.Value) << c.Arguments[0];
        EXPECT_EQ(command.ScreenSaverRun, c.Key == "ScreenSaver") << c.Arguments[0];
    }
}

TEST(CommandLine, ValuesOutsideTheMenusRangeAreRefusedInOneLineNamingTheSwitchAndItsRange) {
    const struct {
        std::vector<std::string> Arguments;
        std::string Error;
    } cases[] = {
        {{"--count", "-1"}, "--count needs a whole number from 0 to 200000"},
        {{"--fall-speed", "11"}, "--fall-speed needs a number from 0 to 10"},
        {{"--leaders", "lots"}, "--leaders needs a whole number from 0 to 100"},
        {{"--length", "huge"}, "--length needs short, medium or long"},
        {{"--fps", "10"}, "--fps needs a whole number from 20 to 240"},
        {{"/s", "--fly-speed"}, "--fly-speed needs a value"},
        {{"-window-id", "0"}, "-window-id needs a window id, hexadecimal (0x1a00007) or decimal"},
        {{"--window-id", "0x"}, "--window-id needs a window id, hexadecimal (0x1a00007) or decimal"},
        {{"--glyphs", "\x01\x02 "}, GlyphsNeed},
        {{"--glyphs", "\xC3\x28"}, GlyphsNeed},  // no UTF-8
        {{"--glyphs", HundredCharacters()}, GlyphsNeed},
        {{"--font", " "}, "--font needs a font family or a font file's path"},
        {{"--font", std::string(65536, 'x')}, "--font takes at most 65535 bytes"},  // more than the file could keep
        // Only xscreensaver's -fps with no value after it is ignored.
        {{"--fps", "abc"}, "--fps needs a whole number from 20 to 240"},
        {{"-fps", "6O"}, "--fps needs a whole number from 20 to 240"},
        // An empty value is a bad value, and an empty argument is no switch (nor --version).
        {{""}, "an empty argument is neither a switch nor a run mode"},
        {{"/s", ""}, "an empty argument is neither a switch nor a run mode"},
        {{"--glyphs", ""}, GlyphsNeed},
        {{"--render", "out", "--frames", "2", "--glyphs", ""}, GlyphsNeed},
        {{"--font", ""}, "--font needs a font family or a font file's path"},
        {{"--count", ""}, "--count needs a whole number from 0 to 200000"},
        {{"--fps", ""}, "--fps needs a whole number from 20 to 240"},
        {{"--length", ""}, "--length needs short, medium or long"},
        {{"--window-id", ""}, "--window-id needs a window id, hexadecimal (0x1a00007) or decimal"},
        {{"--render", "out", "--frames", ""}, "--frames needs a whole number of at least 1"},
        {{"--color-mode", "plaid"}, "--color-mode needs one, gradient, rainbow, palette or desktop"},
        {{"--palette", "#00FF41"}, "--palette: A palette takes 2 to 16 colours"},
        {{"--palette", Colours(17)}, "--palette: A palette takes 2 to 16 colours"},
        {{"--palette", "#00FF41, lime"}, "--palette: \"lime\" is no colour (#RRGGBB)"},
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments);
        EXPECT_EQ(command.Action, CommandAction::Invalid) << c.Arguments[0] << " " << c.Arguments.back().substr(0, 9);
        EXPECT_EQ(command.Error, c.Error);
    }
    for (const std::string color : {"#12345", ""})
        EXPECT_TRUE(app::ReadCommandLine({"--color", color}).Error.starts_with("--color needs #RRGGBB or one of red, green,"));
}

TEST(CommandLine, RootDrawsIntoTheSaversWindowInHexOrDecimalAndAWindowIdWins) {
    const struct {
        std::vector<std::string> Arguments;
        std::string SaverWindow;
        std::optional<uint32_t> Host;
    } cases[] = {
        {{"-root"}, "", 0u},  // the root window
        {{"--root"}, "0x1a00007", 0x1a00007u},
        {{"-root"}, "27262983", 27262983u},
        {{"-root", "-window-id", "0x42"}, "0x99", 0x42u},
        {{"--window-id", "12"}, "", 12u},
        {{"/c"}, "0x99", std::nullopt},  // the variable alone draws nowhere
        // What daemons pass besides is accepted and changes nothing.
        {{"-root", "-fps", "-visual", "default", "-install", "--no-fps", "-mono", "-window", "-noinstall"}, "0x5", 5u},
        {{"-root", "-fps"}, "", 0u},
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments, c.SaverWindow);
        ASSERT_EQ(command.Action, CommandAction::Run) << c.Arguments[0] << " " << c.SaverWindow << ": " << command.Error;
        EXPECT_EQ(command.HostWindow, c.Host) << c.Arguments[0] << " " << c.SaverWindow;
        EXPECT_TRUE(command.Settings.empty());
    }
    EXPECT_EQ(app::ReadCommandLine({"-root"}, "junk").Action, CommandAction::Invalid);
}

TEST(CommandLine, RenderTakesItsOptionsAnywhereTheLastOfTwiceGivenWinsAndTheyGoWithNothingElse) {
    app::CommandLine command = app::ReadCommandLine({"--count", "5", "--render", "a", "--seed", "7", "--render", "b",
                                                     "--size", "320x200", "--frames", "3", "--frames", "4"});
    ASSERT_EQ(command.Action, CommandAction::Render) << command.Error;
    EXPECT_EQ(command.Render.Folder, "b");
    EXPECT_EQ(command.Render.Frames, 4);
    EXPECT_EQ(command.Render.Width * 1000 + command.Render.Height, 320200);
    EXPECT_EQ(command.Render.Seed, 7u);
    EXPECT_EQ(command.Settings.size(), 1u);
    const struct {
        std::vector<std::string> Arguments;
        std::string Error;
    } refused[] = {
        {{"--render"}, "--render needs the folder to write the frames to"},
        {{"--render", "--frames", "3"}, "--render needs the folder to write the frames to"},
        {{"--frames", "3"}, "--frames, --size and --seed are only used with --render DIR"},
        {{"--render", "a", "--size", "0x10"}, "--size needs WIDTHxHEIGHT, each from 1 to 16384"},
        {{"--render", "a", "--frames", "0"}, "--frames needs a whole number of at least 1"},
        {{"--render", "a", "--root"}, "--render draws into no window: --root and --window-id do not go with it"},
        {{"--render", "a", "/s"}, "unexpected argument '/s' with --render"},
    };
    for (const auto& c : refused) {
        command = app::ReadCommandLine(c.Arguments);
        EXPECT_EQ(command.Action, CommandAction::Invalid) << c.Arguments[0];
        EXPECT_EQ(command.Error, c.Error);
    }
}

TEST(CommandLine, LockTakesSettingsAndTheReturnOnceLockedSwitchAndNothingThatDrawsElsewhere) {
    const app::CommandLine lock = app::ReadCommandLine({"--lock", "--color", "red", "-f"});
    ASSERT_EQ(lock.Action, CommandAction::Lock) << lock.Error;
    EXPECT_TRUE(lock.ReturnOnceLocked);
    EXPECT_EQ(lock.Settings.size(), 1u);
    EXPECT_FALSE(app::ReadCommandLine({"--lock"}).ReturnOnceLocked);
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--daemonize"}, {"--lock", "--root"}, {"--lock", "--window-id", "12"},
          {"--lock", "--render", "out"}, {"--lock", "/s"}})
        EXPECT_EQ(app::ReadCommandLine(refused).Action, CommandAction::Invalid) << refused.back();
}
