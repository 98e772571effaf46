#pragma once
// The program's folder and the few file services the settings store and the texture check use.
#include <string>
#include <string_view>

namespace mFileSystem {

// Sets mCore::AppPath to the folder of the running executable, with one trailing "/".
void GetAppPath();

// Drive paths ("C:/x" or "C:\x") become backslash paths with one trailing "\", network
// shares ("\\host\share") become forward-slash paths with one trailing "/". Any other
// path gets exactly one trailing "/", so that appending a file name names a file inside it.
std::string NormalizePath(std::string_view iPath, bool iCreate);

// True when at least one plain file (hidden ones included, folders excluded) matches the
// name. Only "*" and "?" in the file name are wildcards; the rest of the path, brackets and
// backslashes included, is taken literally.
bool FileExists(std::string_view iFileName);

// Makes an existing file writable and deletes it. True unless a failure stopped it.
bool DeleteFile(std::string_view iFileName);

// An open file descriptor that closes itself. Empty (false) when the file could not be opened.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    explicit operator bool() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    bool Close();  // false when closing reported an error (data may not have reached the disk)

private:
    int fd_ = -1;
};

// iCreate: an existing file is deleted first (read-only ones too) and a new one made;
// otherwise a missing file gives an empty handle and nothing is created.
FileHandle OpenFile(std::string_view iFileName, bool iBinary, bool iCreate);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(std::string_view fileName, std::string& contents);

// Writes contents to a temporary file beside fileName and renames it over fileName, so the
// old file stays whole until the new one is complete, whenever the process is killed. A
// read-only old file is replaced too. On failure errno says why.
bool ReplaceFileContents(std::string_view fileName, std::string_view contents);

}  // namespace mFileSystem
