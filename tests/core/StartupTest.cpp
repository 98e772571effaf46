#include "core/Startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Process.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"

using testing_support::ScopedFakePlatform;

namespace {
struct Terminated {
    int Code;
};
[[noreturn]] void ThrowOnTerminate(int code) { throw Terminated{code}; }

// Main takes the one-instance lock: keep it away from a real running copy.
struct ScopedRuntimeDir {
    testing_support::TempDir Dir;
    ScopedRuntimeDir() { ::setenv("XDG_RUNTIME_DIR", Dir.Path.c_str(), 1); }
    ~ScopedRuntimeDir() { ::unsetenv("XDG_RUNTIME_DIR"); }
};
}  // namespace

TEST(RunMode, SwitchesAreCaseSensitivePrefixes) {
    EXPECT_EQ(mCore::RunModeOf("/P 1234"), mCore::RunMode::Run);
    EXPECT_EQ(mCore::RunModeOf("/s"), mCore::RunMode::Run);
    const char* argv[] = {"glyphfall", "/c", "1234"};
    EXPECT_EQ(mCore::RunModeOf(mCore::ArgumentText(3, argv)), mCore::RunMode::Configure);
}

TEST(Main, ConfigureShowsTheHintAndNeverOpensTheWindow) {
    ScopedRuntimeDir runtime;
    ScopedFakePlatform platform;
    bool shown = false;
    mCore::SetStartupHooks({{}, {}, [&] { shown = true; }});
    EXPECT_EQ(mCore::Main("/c:99"), 0);
    EXPECT_FALSE(shown);
    ASSERT_EQ(platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(platform.Dialogs.Messages[0].Text, mCore::ConfigureHint);
    EXPECT_EQ(platform.Dialogs.Messages[0].Title, "Glyphfall");
    EXPECT_EQ(platform.Dialogs.Messages[0].Icon, mCore::MessageIcon::Information);
    EXPECT_FALSE(mCore::Main("/p 1"));
    EXPECT_FALSE(shown);
    mCore::SetStartupHooks({});
}

TEST(Main, RunReadsTheFirstSettingsFileAndShutDownWritesTheUsersOwn) {
    ScopedRuntimeDir runtime;
    ScopedFakePlatform platform;
    testing_support::TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.File("home/config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", dir.File("etc").c_str(), 1);
    ::mkdir(dir.File("etc").c_str(), 0755);
    ::mkdir(dir.File("etc/glyphfall").c_str(), 0755);
    const std::string systemFile = dir.File("etc/glyphfall/glyphfall.ini"), own = dir.File("home/config/glyphfall/glyphfall.ini");
    cValues system;
    system.Value("Count", 7);
    ASSERT_TRUE(system.SaveData(systemFile));
    platform.Clock.Ticks = 1234;
    std::vector<std::string> calls;
    mCore::SetStartupHooks({[&] { calls.push_back("graphics"); return true; }, [&] { calls.push_back("release"); },
                            [&] { calls.push_back("window"); }});
    mCore::SetTerminateHandler(ThrowOnTerminate);

    mCore::Main("/s");
    EXPECT_EQ(calls, (std::vector<std::string>{"graphics", "window"}));
    EXPECT_EQ(mCore::Now, 1234);
    EXPECT_EQ(mCore::Settings.Value("Count").Long(), 7);  // the system-wide default
    EXPECT_EQ(mCore::Settings.FileName(), own);
    mCore::Settings.Value("Count", 8);
    try {
        mCore::ShutDown();
        FAIL() << "ShutDown returned";
    } catch (const Terminated& t) {
        EXPECT_EQ(t.Code, 0);
    }
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
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_CONFIG_DIRS");
    mCore::SetTerminateHandler(nullptr);
    mCore::SetStartupHooks({});
}

TEST(SingleInstance, ASecondProcessIsRefusedUntilTheFirstEnds) {
    testing_support::TempDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.Path.c_str(), 1);
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t first = ::fork();
    if (first == 0) {
        const char ok = mCore::AcquireSingleInstance() ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    auto secondTry = [] {
        const pid_t second = ::fork();
        if (second == 0) ::_exit(mCore::AcquireSingleInstance() ? 0 : 1);
        int status = 0;
        ::waitpid(second, &status, 0);
        return WEXITSTATUS(status) == 0;
    };
    EXPECT_FALSE(secondTry());
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(first, &status, 0);
    EXPECT_TRUE(secondTry());  // the lock went with the first process
    ::unsetenv("XDG_RUNTIME_DIR");
}
