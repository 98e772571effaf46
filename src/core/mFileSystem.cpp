#include "core/mFileSystem.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "core/mCore.h"

namespace mFileSystem {

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool IsPlainFile(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

void GetAppPath() {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string folder = error ? std::filesystem::current_path().string() : exe.parent_path().string();
    mCore::AppPath = NormalizePath(folder, false);
}

std::string NormalizePath(std::string_view iPath, bool iCreate) {
    const auto first = iPath.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = iPath.find_last_not_of(' ');
    std::string p(iPath.substr(first, last - first + 1));

    if (p.find(':') == 1) {  // a drive path: letter, colon, folders
        p = ReplaceAll(p, "/", "\\");
        if (iCreate) {
            // Not used by the program; a drive path means nothing to a POSIX file system.
        }
        if (p.back() != '\\') p += '\\';
    } else if (p.starts_with("\\\\")) {  // a network share
        p = ReplaceAll(p, "\\", "/");
        p = ReplaceAll(p, ":", "");
        if (p.back() != '/') p += '/';
    } else {
        // A POSIX folder: the program appends file names to it, so it needs its separator.
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        if (iCreate) {
            std::error_code ignored;
            std::filesystem::create_directories(p, ignored);
        }
        if (p.back() != '/') p += '/';
        return p;
    }
    // One pass, left to right: every doubled backslash becomes one.
    return ReplaceAll(p, "\\\\", "\\");
}

bool FileExists(std::string_view iFileName) {
    if (iFileName.empty()) return false;
    const std::string pattern(iFileName);
    glob_t found{};
    // GLOB_PERIOD lets wildcards match hidden files, as a search for hidden files would.
    const int result = ::glob(pattern.c_str(), GLOB_PERIOD | GLOB_NOSORT, nullptr, &found);
    bool any = false;
    if (result == 0) {
        for (size_t i = 0; i < found.gl_pathc && !any; ++i) any = IsPlainFile(found.gl_pathv[i]);
    }
    ::globfree(&found);
    return any;
}

bool DeleteFile(std::string_view iFileName) {
    const std::string name(iFileName);
    if (!FileExists(name)) return true;
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return false;
    if (::chmod(name.c_str(), info.st_mode | S_IWUSR) != 0) return false;
    return ::unlink(name.c_str()) == 0;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileHandle::Close() {
    if (fd_ < 0) return true;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

FileHandle OpenFile(std::string_view iFileName, bool /*iBinary: POSIX files are all binary*/, bool iCreate) {
    const std::string name(iFileName);
    if (iCreate) {
        if (FileExists(name)) DeleteFile(name);
        if (FileExists(name)) return {};
    } else if (!FileExists(name)) {
        return {};
    }
    const int flags = O_RDWR | O_CLOEXEC | (iCreate ? O_CREAT | O_TRUNC : 0);
    int fd = ::open(name.c_str(), flags, 0644);
    if (fd < 0 && !iCreate) fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);  // reading needs no write access
    return FileHandle(fd);
}

bool ReadWholeFile(std::string_view fileName, std::string& contents) {
    FileHandle file = OpenFile(fileName, true, false);
    if (!file) return false;
    contents.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Descriptor(), buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        contents.append(buffer, static_cast<size_t>(got));
    }
}

bool ReplaceFileContents(std::string_view fileName, std::string_view contents) {
    const std::string target(fileName);
    std::string temporary = target + ".XXXXXX";
    FileHandle file(::mkstemp(temporary.data()));
    if (!file) return false;
    ::fchmod(file.Descriptor(), 0644);
    bool ok = true;
    for (size_t written = 0; ok && written < contents.size();) {
        const ssize_t put = ::write(file.Descriptor(), contents.data() + written, contents.size() - written);
        if (put < 0 && errno == EINTR) continue;
        ok = put > 0;
        if (ok) written += static_cast<size_t>(put);
    }
    ok = ok && ::fsync(file.Descriptor()) == 0;
    ok = file.Close() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace mFileSystem
