#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "core/EndSignals.h"
#include "core/Process.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

TEST(SingleInstance, WithoutARuntimeFolderTheLockIsPrivateAndAKilledCopyNeverBlocksTheNext) {
    testing_support::TempDir temporary, home;
    testing_support::ScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", "/nonexistent/run");
    env.Set("TMPDIR", temporary.Path.c_str());
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
    env.Set("HOME", home.Path.c_str());
    env.Set("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(mCore::SingleInstanceLockPath(), home.File(".cache/glyphfall-" + std::to_string(::getuid()) + "/glyphfall.lock"));
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

namespace {
// The status the command (the split's parent) ends with when the work does what is given.
int CommandStatus(void (*work)(int readyFd)) {
    const pid_t command = fork();
    if (command == 0) {
        int readyFd = -1;
        mCore::SplitUntilReady(readyFd);
        work(readyFd);
        _exit(0);
    }
    int status = 0;
    waitpid(command, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(SplitUntilReady, TheCommandEndsWithZeroOnlyOnceTheWorkSaysItIsReady) {
    EXPECT_EQ(CommandStatus([](int fd) {
                  [[maybe_unused]] const ssize_t n = write(fd, "L", 1);
                  _exit(5);  // what the work does afterwards is no longer the command's
              }),
              0);
    EXPECT_EQ(CommandStatus([](int) { _exit(0); }), 1) << "ended without saying so";
    EXPECT_EQ(CommandStatus([](int) { _exit(3); }), 3);
    EXPECT_EQ(CommandStatus([](int) { raise(SIGKILL); }), 1);
}
