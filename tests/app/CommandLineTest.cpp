#include "app/CommandLine.h"

#include <gtest/gtest.h>

using app::CommandAction;

namespace {
CommandAction ActionOf(std::vector<std::string> arguments) { return app::ReadCommandLine(arguments).Action; }
}  // namespace

TEST(CommandLine, RunModesAndSingleDashTextStillRunTheAnimation) {
    for (const char* mode : {"/s", "/p 1234", "/c:99", "/S", "-root", "anything"})
        EXPECT_EQ(ActionOf({mode}), CommandAction::Run) << mode;
    EXPECT_EQ(ActionOf({}), CommandAction::Run);
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStandAndRenderMustComeFirst) {
    EXPECT_EQ(ActionOf({"/s", "--bogus", "-h"}), CommandAction::Help);
    EXPECT_EQ(ActionOf({"--render", "out", "--version"}), CommandAction::Version);
    EXPECT_EQ(ActionOf({"--render", "out", "--frames", "3"}), CommandAction::Render);
    const app::CommandLine late = app::ReadCommandLine({"/s", "--render", "out"});
    EXPECT_EQ(late.Action, CommandAction::Invalid);
    EXPECT_EQ(late.Error, "--render must be the first argument");
    EXPECT_EQ(app::ReadCommandLine({"--frames", "3"}).Action, CommandAction::Invalid);
    EXPECT_EQ(app::ReadCommandLine({"/s", "--bogus"}).Error, "unrecognized option '--bogus'");
}
