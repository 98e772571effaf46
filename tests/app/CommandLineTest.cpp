#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>

using app::CommandAction;

TEST(CommandLine, SettingsSwitchesGiveTheValueTheStoreKeepsInEitherDashForm) {
    const struct {
        std::vector<std::string> Arguments;
        std::string Key, Value;
    } cases[] = {
        {{"--count", "300"}, "Count", "300"},           {{"-count", "300"}, "Count", "300"},
        {{"--length", "LONG"}, "Length", "2"},          {{"--fall-speed", "1.5"}, "FallSpeed", "1.5"},
        {{"--no-fly"}, "Fly", "0"},                     {{"--horizontal"}, "Horizontal", "50"},
        {{"--color", "Ice Blue"}, "Color", "#0088FF"},  {{"--color", "#12abEF"}, "Color", "#12abEF"},
        {{"--leaders", "0"}, "Leaders", "0"},           {{"--no-logos"}, "ShowAds", "0"},
        {{"--background"}, "StayBack", "1"},            {{"-no-background"}, "StayBack", "0"},
        {{"/s"}, "ScreenSaver", "1"},
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments);
        ASSERT_EQ(command.Action, CommandAction::Run) << c.Arguments[0] << ": " << command.Error;
        ASSERT_EQ(command.Settings.size(), 1u) << c.Arguments[0];
        EXPECT_EQ(command.Settings[0].Key, c.Key) << c.Arguments[0];
        EXPECT_EQ(command.Settings[0].Value, c.Value) << c.Arguments[0];
    }
}

TEST(CommandLine, ValuesOutsideTheMenusRangeAreRefusedInOneLineNamingTheSwitchAndItsRange) {
    const struct {
        std::vector<std::string> Arguments;
        std::string Error;
    } cases[] = {
        {{"--count", "-1"}, "--count needs a whole number from 0 to 200000"},
        {{"--count", "1.5"}, "--count needs a whole number from 0 to 200000"},
        {{"--fall-speed", "11"}, "--fall-speed needs a number from 0 to 10"},
        {{"--leaders", "lots"}, "--leaders needs a whole number from 0 to 100"},
        {{"--fly-speed", "nan"}, "--fly-speed needs a number from 0 to 5"},
        {{"--length", "huge"}, "--length needs short, medium or long"},
        {{"/s", "--fly-speed"}, "--fly-speed needs a value"},
        {{"-window-id", "0"}, "-window-id needs a window id, hexadecimal (0x1a00007) or decimal"},
        {{"--window-id", "0x"}, "--window-id needs a window id, hexadecimal (0x1a00007) or decimal"},
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments);
        EXPECT_EQ(command.Action, CommandAction::Invalid) << c.Arguments[0];
        EXPECT_EQ(command.Error, c.Error);
    }
    EXPECT_TRUE(app::ReadCommandLine({"--color", "#12345"}).Error.starts_with("--color needs #RRGGBB or one of red, green,"));
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
    };
    for (const auto& c : cases) {
        const app::CommandLine command = app::ReadCommandLine(c.Arguments, c.SaverWindow);
        ASSERT_EQ(command.Action, CommandAction::Run) << c.Arguments[0] << " " << c.SaverWindow << ": " << command.Error;
        EXPECT_EQ(command.HostWindow, c.Host) << c.Arguments[0] << " " << c.SaverWindow;
        EXPECT_TRUE(command.Settings.empty());
    }
    EXPECT_EQ(app::ReadCommandLine({"-root"}, "junk").Action, CommandAction::Invalid);
}
