// Adding Glyphfall to the programs: list of ~/.xscreensaver: every other line stays, the new
// entry goes last (so "selected:" keeps its saver), and a list that has it is left alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/CommandLine.h"
#include "app/XScreenSaverList.h"
#include "core/mFileSystem.h"
#include "support/TempDir.h"

namespace {

const std::string Entry = app::ProgramsEntry("glyphfall");
const std::string NewLine = "  GL: \"Glyphfall\" glyphfall --root \\n\n";

// As xscreensaver writes the file: other resources around a list over continued lines.
const std::string UserFile =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:10:00\n"
    "mode:\t\tone\n"
    "selected:\t1\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
    "- \t\t\t\tqix -root\t\t\t\t    \\n\n"
    "\n"
    "pointerHysteresis:\t10\n";

const std::string AppDefaults =
    "! the system's defaults\n"
    "*timeout:\t\t0:10:00\n"
    "*programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\n"
    "*pointerHysteresis:\t10\n";

TEST(XScreenSaverListTest, AFileWithOtherProgramsKeepsEveryLineAndGetsGlyphfallAsTheLastEntry) {
    const app::ListEdit edit = app::AddToProgramsList(UserFile, AppDefaults, Entry);
    ASSERT_EQ(edit.Outcome, app::ListOutcome::Added);
    const std::string lastEntry = "- \t\t\t\tqix -root\t\t\t\t    \\n";
    const size_t at = UserFile.find(lastEntry) + lastEntry.size();
    EXPECT_EQ(edit.Text, UserFile.substr(0, at) + "\\\n" + NewLine + UserFile.substr(at + 1));
    EXPECT_EQ(app::AddToProgramsList(edit.Text, AppDefaults, Entry).Outcome, app::ListOutcome::AlreadyListed);
}

TEST(XScreenSaverListTest, NoFileAtAllStartsFromTheSystemListSoThatNoOtherSaverIsLost) {
    const app::ListEdit edit = app::AddToProgramsList("", AppDefaults, Entry);
    EXPECT_EQ(edit.Text,
              "programs:\t\t\t\t\t\t\t\t      \\\n"
              "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
              "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n" + NewLine);
    EXPECT_EQ(app::AddToProgramsList("", "", Entry).Text, "programs:\\\n" + NewLine) << "no system list either";
}

TEST(XScreenSaverListTest, AFileWithoutAListKeepsItsLinesAndGetsTheSystemListWithGlyphfall) {
    const app::ListEdit edit = app::AddToProgramsList("mode:\t\trandom\nlock:\t\tFalse", AppDefaults, Entry);
    EXPECT_EQ(edit.Text.rfind("mode:\t\trandom\nlock:\t\tFalse\nprograms:", 0), 0u) << edit.Text;
    EXPECT_TRUE(edit.Text.ends_with("superquadrics -root\t\t\t    \\n\\\n" + NewLine)) << edit.Text;
}

TEST(XScreenSaverListTest, AListThatAlreadyRunsGlyphfallIsLeftAsItWas) {
    for (const char* entry : {"GL: \"Glyphfall\" glyphfall --root", "/usr/local/bin/glyphfall -root", "glyphfall"}) {
        const std::string file = "programs: \\\n  maze -root \\n\\\n  " + std::string(entry) + " \\n\\\n  qix -root\n";
        const app::ListEdit edit = app::AddToProgramsList(file, AppDefaults, Entry);
        EXPECT_EQ(edit.Outcome, app::ListOutcome::AlreadyListed) << entry;
        EXPECT_EQ(edit.Text, file);
    }
    const std::string off = "programs: \\\n  maze -root \\n\\\n- GL: \"Glyphfall\" glyphfall --root \\n\n";
    EXPECT_EQ(app::AddToProgramsList(off, AppDefaults, Entry).Outcome, app::ListOutcome::ListedDisabled);
    EXPECT_EQ(app::AddToProgramsList("programs: glyphfall-like -root\n", "", Entry).Outcome, app::ListOutcome::Added);
}

TEST(XScreenSaverListTest, AListOnOneLineOrWithoutTheFinalMarkStillEndsEachEntry) {
    EXPECT_EQ(app::AddToProgramsList("programs: qix -root\n", "", Entry).Text, "programs: qix -root \\n\\\n" + NewLine);
    EXPECT_EQ(app::AddToProgramsList("programs:\n", "", Entry).Text, "programs:\\\n" + NewLine);
    // A comment that looks like a list, and an earlier list the later one replaces.
    const std::string file = "! programs: old \\n\nprograms: a \\n\nprograms: b \\n\n";
    EXPECT_EQ(app::AddToProgramsList(file, "", Entry).Text, "! programs: old \\n\nprograms: a \\n\nprograms: b \\n\\\n" + NewLine);
}

TEST(XScreenSaverListTest, TheSwitchWritesTheUsersFileThroughItsLinkAndASecondRunChangesNothing) {
    testing_support::TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string kept = oldHome ? oldHome : "";
    ::setenv("HOME", home.Path.c_str(), 1);
    ASSERT_TRUE(mFileSystem::ReplaceFileContents(home.File("dotfiles-xscreensaver"), UserFile));
    ASSERT_EQ(::symlink("dotfiles-xscreensaver", home.File(".xscreensaver").c_str()), 0);
    EXPECT_EQ(app::AddToXScreenSaver(), 0);
    std::string first, second;
    ASSERT_TRUE(mFileSystem::ReadWholeFile(home.File("dotfiles-xscreensaver"), first));
    EXPECT_EQ(app::AddToXScreenSaver(), 0);
    ASSERT_TRUE(mFileSystem::ReadWholeFile(home.File(".xscreensaver"), second));
    if (oldHome) ::setenv("HOME", kept.c_str(), 1);
    else ::unsetenv("HOME");
    EXPECT_NE(first.find(" --root \\n\n\npointerHysteresis:"), std::string::npos) << first;
    EXPECT_EQ(second, first);
}

TEST(XScreenSaverListTest, TheSwitchAnswersWhereverItStandsAndHelpStillWins) {
    EXPECT_EQ(app::ReadCommandLine({"/s", "-add-to-xscreensaver"}).Action, app::CommandAction::AddToXScreenSaver);
    EXPECT_EQ(app::ReadCommandLine({"--add-to-xscreensaver", "--help"}).Action, app::CommandAction::Help);
}

}  // namespace
