#include "core/Process.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace mCore {

RunMode RunModeOf(std::string_view argumentText) {
    if (argumentText.starts_with("/p")) return RunMode::Preview;
    if (argumentText.starts_with("/c")) return RunMode::Configure;
    return RunMode::Run;
}

std::string ArgumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

namespace {

bool UsableFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

// A folder that only this user can enter: made with mode 0700 if missing, refused when it is
// a link, someone else's or open to others (then another user could hold or plant the lock).
bool PrivateFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

}  // namespace

std::string SingleInstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && UsableFolder(runtime)) return std::string(runtime) + "/glyphfall.lock";
    // No runtime folder (a bare X session, su, cron): a private folder in the temporary one,
    // else in the user's cache folder.
    const std::string user = "glyphfall-" + std::to_string(::getuid());
    std::error_code error;
    const std::string temporary = std::filesystem::temp_directory_path(error).string();
    if (!error && PrivateFolder(temporary + "/" + user)) return temporary + "/" + user + "/glyphfall.lock";
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = cache && *cache ? cache : home && *home ? std::string(home) + "/.cache" : "";
    if (base.empty()) return {};
    std::filesystem::create_directories(base, error);
    if (!PrivateFolder(base + "/" + user)) return {};
    return base + "/" + user + "/glyphfall.lock";
}

bool AcquireSingleInstance() {
    static int held = -1;
    if (held >= 0) return true;
    const std::string path = SingleInstanceLockPath();
    // O_NOFOLLOW: the lock is never taken through a link planted in its place.
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;  // no lock file possible: better to run than to refuse silently
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    held = fd;  // kept open (and locked) until the process ends
    return true;
}

void LowerThreadPriority() {
    // On Linux the nice value belongs to the thread; 10 is the usual "lowest normal" level.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, 10);
}

void SplitUntilReady(int& oReadyFd) {
    oReadyFd = -1;
    int ends[2];
    if (::pipe(ends) != 0) return;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    if (child == 0) {
        ::close(ends[0]);
        oReadyFd = ends[1];
        return;
    }
    ::close(ends[1]);
    char ready = 0;
    ssize_t got;
    do got = ::read(ends[0], &ready, 1);
    while (got < 0 && errno == EINTR);
    if (got == 1) std::_Exit(0);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Never 0 without the byte: whoever waits must not take the work for done.
    std::_Exit(WIFEXITED(status) && WEXITSTATUS(status) != 0 ? WEXITSTATUS(status) : 1);
}

}  // namespace mCore
