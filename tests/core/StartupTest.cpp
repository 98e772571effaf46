#include "core/Startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "core/EndSignals.h"

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
    mCore::SetStartupHooks({{}, {}, [&] { shown = true; return 0; }});
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
                            [&] { calls.push_back("window"); return 1; }});
    mCore::SetTerminateHandler(ThrowOnTerminate);
    EXPECT_EQ(mCore::Main("/s"), 1) << "the window's end decides the exit status";
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

TEST(SingleInstance, WithoutARuntimeFolderTheLockIsPrivateAndAKilledCopyNeverBlocksTheNext) {
    testing_support::TempDir temporary, home;
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent/run", 1);
    ::setenv("TMPDIR", temporary.Path.c_str(), 1);
    const std::string own = temporary.File("glyphfall-" + std::to_string(::getuid()));
    EXPECT_EQ(mCore::SingleInstanceLockPath(), own + "/glyphfall.lock");
    struct stat info {};
    ASSERT_EQ(::stat(own.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    auto copy = [] {  // a copy that takes the lock and runs until it is killed
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (!mCore::AcquireSingleInstance()) ::_exit(1);
            ::alarm(30);  // never outlives a broken test
            for (;;) ::pause();
        }
        return pid;
    };
    const pid_t first = copy();
    ::usleep(200000);
    const pid_t refused = copy();
    int status = 0;
    ::waitpid(refused, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "a second copy ran beside the first";
    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    const pid_t next = copy();
    ::usleep(200000);
    EXPECT_EQ(::waitpid(next, &status, WNOHANG), 0) << "the killed copy's lock file blocked the next one";
    ::kill(next, SIGKILL);
    ::waitpid(next, nullptr, 0);

    // A folder of that name open to others is not private: the cache folder is used instead.
    ::chmod(own.c_str(), 0755);
    ::setenv("HOME", home.Path.c_str(), 1);
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(mCore::SingleInstanceLockPath(), home.File(".cache/glyphfall-" + std::to_string(::getuid()) + "/glyphfall.lock"));
    ::unsetenv("TMPDIR");
    ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(EndSignals, TheFirstAsksForAnOrderlyEndAndASecondOnceItIsUnderWayEndsAtOnce) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int descriptor = mCore::CatchEndSignals();
        ::raise(SIGTERM);
        ::raise(SIGTERM);  // the same request twice at once, as timeout(1) sends it
        char byte = 0;
        if (mCore::EndSignalReceived() != SIGTERM || ::read(descriptor, &byte, 1) != 1) ::_exit(2);
        mCore::AcknowledgeEndSignal();  // the orderly end begins
        ::raise(SIGINT);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}
