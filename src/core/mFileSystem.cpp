#include "core/mFileSystem.h"

#include <fcntl.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/mCore.h"

namespace mFileSystem {

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// "*" stands for any run of characters and "?" for any one, a leading point included (hidden
// files are found too); every other character stands for itself.
bool MatchesWildcards(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
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
    // Blanks around a drive or share path are typing slips; in an absolute POSIX path they
    // are part of a folder's name ("/home/me/rain "), and the folder must be found.
    const bool literal = iPath.starts_with('/');
    const auto first = literal ? 0 : iPath.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = literal ? iPath.size() - 1 : iPath.find_last_not_of(' ');
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
    const std::string path(iFileName);
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find_first_of("*?") == std::string::npos) return IsPlainFile(path.c_str());
    // Only the file name holds wildcards; the folder is taken literally, brackets and all.
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return false;
    bool any = false;
    while (const dirent* entry = ::readdir(listing)) {
        if (MatchesWildcards(name, entry->d_name) && IsPlainFile((folder + entry->d_name).c_str())) {
            any = true;
            break;
        }
    }
    ::closedir(listing);
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

namespace {

std::string NotAFileWhy(mode_t mode) {
    const char* what = S_ISDIR(mode) ? "a folder" : S_ISFIFO(mode) ? "a FIFO" : S_ISCHR(mode) ? "a character device"
                     : S_ISBLK(mode) ? "a block device" : S_ISSOCK(mode) ? "a socket" : "something";
    return std::string(what) + ", not a regular file";
}

}  // namespace

ReadOutcome OutcomeOfError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:  // a file where a folder of the path should be: nothing is there
            return {ReadOutcome::Kind::Missing, "missing"};
        case ENXIO:  // a socket, or a device without its driver
            return {ReadOutcome::Kind::NotAFile, "not a regular file"};
        case ELOOP:
            return {ReadOutcome::Kind::NotAFile, "a loop of links, not a regular file"};
        default:
            return {ReadOutcome::Kind::Unreadable, std::string("unreadable (") + std::strerror(error) + ")"};
    }
}

FileHandle OpenRegularFile(std::string_view fileName, ReadOutcome& oOutcome) {
    const std::string name(fileName);
    // O_NONBLOCK: opening a FIFO does not wait for a writer; a regular file reads as always.
    FileHandle file(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file) {
        oOutcome = OutcomeOfError(errno);
    } else if (::fstat(file.Descriptor(), &info) != 0) {
        oOutcome = OutcomeOfError(errno);
        file.Close();
    } else if (!S_ISREG(info.st_mode)) {
        oOutcome = {ReadOutcome::Kind::NotAFile, NotAFileWhy(info.st_mode)};
        file.Close();
    } else {
        oOutcome = {};
    }
    return file;
}

bool ReadUpTo(const FileHandle& file, size_t count, std::string& contents) {
    char buffer[65536];
    while (count > 0) {
        const ssize_t got = ::read(file.Descriptor(), buffer, std::min(sizeof buffer, count));
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        contents.append(buffer, static_cast<size_t>(got));
        count -= static_cast<size_t>(got);
    }
    return true;
}

std::string SizeInWords(size_t bytes) {
    constexpr size_t MB = 1 << 20;
    return bytes % MB == 0 ? std::to_string(bytes / MB) + " MB" : std::to_string(bytes) + " bytes";
}

ReadOutcome ReadRegularFile(std::string_view fileName, size_t maxBytes, std::string& contents) {
    contents.clear();
    ReadOutcome outcome;
    const FileHandle file = OpenRegularFile(fileName, outcome);
    if (!file) return outcome;
    if (!ReadUpTo(file, maxBytes + 1, contents)) outcome = OutcomeOfError(errno);
    else if (contents.size() > maxBytes) outcome = {ReadOutcome::Kind::TooLarge, "larger than " + SizeInWords(maxBytes)};
    if (!outcome) contents.clear();
    return outcome;
}

std::string FileBehindLinks(std::string_view fileName) {
    namespace fs = std::filesystem;
    const fs::path path(fileName);
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return std::string(fileName);
    const fs::path target = fs::canonical(path, error);
    if (error || !fs::is_regular_file(fs::status(target, error))) return std::string(fileName);
    return target.string();
}

namespace {

bool WriteAll(int fd, std::string_view contents) {
    for (size_t written = 0; written < contents.size();) {
        const ssize_t put = ::write(fd, contents.data() + written, contents.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<size_t>(put);
    }
    return ::fsync(fd) == 0;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr const char* UnnamedMark = ".new-";

// The contents in a file of their own that has no name yet: should the process die before
// the rename, the kernel drops the file and nothing is left behind. It gets its name (oName)
// just before the rename. False when the file system has no unnamed files or /proc is
// missing: the caller then names a temporary itself. oError: errno of a failed write.
bool WriteUnnamed(const std::string& target, std::string_view contents, std::string& oName, int& oError) {
    FileHandle file(::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644));
    if (!file) return false;
    ::fchmod(file.Descriptor(), 0644);
    if (!WriteAll(file.Descriptor(), contents)) {
        oError = errno;
        return true;
    }
    static unsigned counter = 0;
    const std::string name = target + UnnamedMark + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const std::string self = "/proc/self/fd/" + std::to_string(file.Descriptor());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
    oName = name;
    if (!file.Close()) oError = errno;
    return true;
}

// A copy killed between naming its file and the rename leaves the named file behind; the
// name carries the copy's process number, so the next save can tell it from a save under way.
void RemoveLeftovers(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + UnnamedMark;
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix)) continue;
        const long pid = std::strtol(entry->d_name + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink((folder + "/" + std::string(name)).c_str());
    }
    ::closedir(listing);
}

void WriteNamed(const std::string& target, std::string_view contents, std::string& oName, int& oError) {
    std::string name = target + ".XXXXXX";
    FileHandle file(::mkstemp(name.data()));
    if (!file) {
        oError = errno;
        return;
    }
    oName = name;
    ::fchmod(file.Descriptor(), 0644);
    if (!WriteAll(file.Descriptor(), contents)) oError = errno;
    if (!file.Close() && oError == 0) oError = errno;
}

}  // namespace

bool ReplaceFileContents(std::string_view fileName, std::string_view contents) {
    const std::string target(fileName);
    std::string temporary;
    int error = 0;
    if (!WriteUnnamed(target, contents, temporary, error)) WriteNamed(target, contents, temporary, error);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        if (!temporary.empty()) ::unlink(temporary.c_str());
        errno = error;  // why it failed, for the caller's message
        return false;
    }
    // The rename itself reaches the disk with the folder.
    FileHandle folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.Descriptor());
    RemoveLeftovers(target);
    return true;
}

}  // namespace mFileSystem
