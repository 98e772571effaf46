#include "core/Process.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

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

std::string SingleInstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/glyphfall.lock";
    return "/tmp/glyphfall-" + std::to_string(::getuid()) + ".lock";
}

bool AcquireSingleInstance() {
    static int held = -1;
    if (held >= 0) return true;
    const std::string path = SingleInstanceLockPath();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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

}  // namespace mCore
