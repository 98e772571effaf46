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

// What reading a file came to, with the reason in words that follow "the file is" in a
// message: "missing", "unreadable (Permission denied)", "a FIFO, not a regular file",
// "larger than 1 MB".
struct ReadOutcome {
    // Unusable: read, but what it holds is not what the reader needs (its own check says why).
    enum class Kind { Read, Missing, Unreadable, NotAFile, TooLarge, Unusable };
    Kind What = Kind::Read;
    std::string Why;  // empty when read
    explicit operator bool() const { return What == Kind::Read; }
};

// What an error number of opening or reading a file means for the reader.
ReadOutcome OutcomeOfError(int error);

// Opens a regular file for reading (through its links) without ever waiting: a FIFO or a
// device never holds the program, and what the file is comes from the opened file itself,
// not from an earlier look at its name. Anything else gives an empty handle and the reason.
FileHandle OpenRegularFile(std::string_view fileName, ReadOutcome& oOutcome);
// Appends up to count more bytes of the open file (fewer at its end); false on a read error.
bool ReadUpTo(const FileHandle& file, size_t count, std::string& contents);
// A whole regular file of at most maxBytes; a longer one is TooLarge and not read.
ReadOutcome ReadRegularFile(std::string_view fileName, size_t maxBytes, std::string& contents);
// Says a file size in words: "1 MB", "300 bytes".
std::string SizeInWords(size_t bytes);

// The regular file the links from fileName end at, so that a save replaces the file a
// linked dotfile names and the link stays. fileName itself when it is no link, or when its
// links end at anything else (a device, a FIFO, a folder, nothing): that link is replaced,
// never written through.
std::string FileBehindLinks(std::string_view fileName);

// Writes contents to a temporary file beside fileName and renames it over fileName, so the
// old file stays whole until the new one is complete, whenever the process is killed. A
// read-only old file is replaced too. On failure errno says why.
bool ReplaceFileContents(std::string_view fileName, std::string_view contents);

}  // namespace mFileSystem
