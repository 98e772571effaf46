#include "app/Startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/mFileSystem.h"
#include "support/FakePlatform.h"
#include "support/ProgramState.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

using testing_support::ScopedFakePlatform;

using testing_support::ScopedProgramState;

namespace {
// Main takes the one-instance lock: keep it away from a real running copy.
struct ScopedRuntimeDir : testing_support::ScopedEnv {
    testing_support::TempDir Dir;
    ScopedRuntimeDir() { Set("XDG_RUNTIME_DIR", Dir.Path.c_str()); }
};
}  // namespace

TEST(Main, ConfigureShowsTheHintAsInformationAndNeverOpensTheWindow) {
    ScopedRuntimeDir runtime;
    ScopedFakePlatform platform;
    bool shown = false;
    ScopedProgramState program({{}, {}, [&] { shown = true; return mCore::RunEnd{0, false}; }});
    EXPECT_EQ(mCore::Main("/c:99"), 0);
    EXPECT_FALSE(shown);
    ASSERT_EQ(platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(platform.Dialogs.Messages[0].Icon, mCore::MessageIcon::Information);
}

TEST(Main, RunReadsTheFirstSettingsFileAndOnlyAnOrderlyEndWritesTheUsersOwn) {
    ScopedRuntimeDir runtime;
    ScopedFakePlatform platform;
    testing_support::TempDir dir;
    runtime.Set("XDG_CONFIG_HOME", dir.File("home/config").c_str());
    runtime.Set("XDG_CONFIG_DIRS", dir.File("etc").c_str());
    ::mkdir(dir.File("etc").c_str(), 0755);
    ::mkdir(dir.File("etc/glyphfall").c_str(), 0755);
    const std::string systemFile = dir.File("etc/glyphfall/glyphfall.ini"), own = dir.File("home/config/glyphfall/glyphfall.ini");
    cValues system;
    system.Value("Count", 7);
    ASSERT_TRUE(system.SaveData(systemFile));
    platform.Clock.Ticks = 1234;
    std::vector<std::string> calls;
    mCore::RunEnd end{1, false};
    ScopedProgramState program({[&] { calls.push_back("graphics"); return true; }, [&] { calls.push_back("release"); },
                                [&] {
                                    calls.push_back("window");
                                    EXPECT_EQ(mCore::Settings.Value("Count").Long(), 7);  // the system-wide default
                                    mCore::Settings.Value("Count", 8);
                                    return end;
                                }});
    EXPECT_EQ(mCore::Main("/s"), 1) << "a failed run ends with its status, unsaved";
    EXPECT_EQ(calls, (std::vector<std::string>{"graphics", "window"}));
    EXPECT_EQ(mCore::Settings.FileName(), own);
    EXPECT_FALSE(mFileSystem::FileExists(own));
    end = {0, true};
    EXPECT_EQ(ScopedProgramState::ExitCodeOf([] { mCore::Main("/s"); }), 0) << "an orderly end goes on through ShutDown";
    EXPECT_EQ(calls.back(), "release");
    EXPECT_EQ(mCore::Settings.LastIndex(), -1);
    cValues reread;
    ASSERT_TRUE(reread.LoadData(own));  // written with the folders above it, private to the user
    EXPECT_EQ(reread.Value("count").Long(), 8);
    struct stat folder {};
    ASSERT_EQ(::stat(dir.File("home/config/glyphfall").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    ASSERT_TRUE(reread.LoadData(systemFile));
    EXPECT_EQ(reread.Value("count").Long(), 7);  // never written
}

TEST(Main, ASaveThatFailsNamesTheFileAndTheRealReasonOnStandardError) {
    ScopedRuntimeDir runtime;
    ScopedFakePlatform platform;
    testing_support::TempDir dir;
    std::ofstream(dir.File("a-file")) << "x";
    // A folder nobody may write in: the system's own for root, whom no permission bits stop.
    const std::string closed = ::geteuid() == 0 ? "/sys" : dir.File("closed");
    ::mkdir(closed.c_str(), 0500);
    const struct {
        std::string ConfigHome, Folder;
        int Errno;
    } cases[] = {
        {dir.File("a-file"), dir.File("a-file/glyphfall"), ENOTDIR},  // a file where the folder should be
        {closed + "/config", closed + "/config", ::geteuid() == 0 ? EPERM : EACCES},
    };
    for (const auto& c : cases) {
        runtime.Set("XDG_CONFIG_HOME", c.ConfigHome.c_str());
        runtime.Set("XDG_CONFIG_DIRS", dir.File("etc").c_str());
        ScopedProgramState program({[] { return true; }, {}, [] { return mCore::RunEnd{0, true}; }});
        testing::internal::CaptureStderr();
        EXPECT_EQ(ScopedProgramState::ExitCodeOf([] { mCore::Main(""); }), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "glyphfall: the settings were not saved to " + c.ConfigHome +
                                                              "/glyphfall/glyphfall.ini: the folder " + c.Folder +
                                                              " could not be made: " + std::strerror(c.Errno) + "\n");
    }
}
