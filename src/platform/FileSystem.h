// The file layer of the system: every file the language system, zk and the
// environment read or write goes through here. Opening never waits (a FIFO
// without a writer cannot block a reader), reads are bounded, and a file is
// replaced in one step: the new contents go into a fresh file beside it,
// which then takes its name, so a failure at any point leaves the old file.
// Paths are the system's bytes. Failures are TFileError exceptions that name
// the file and say what went wrong, as a kind the caller can word itself.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace zk {

// What went wrong with a file, apart from the system's wording of it.
enum class TFileFault : uint8_t {
    Other,
    NotFound,     // no such file
    PathNotFound, // a directory of the path is missing or is not one
    NoAccess,
    NoSpace, // the disk or the user's quota is full
    TooLarge,
    ReadOnly, // a file system mounted read-only
    IsDirectory,
    NotRegular, // a FIFO, a device, a socket
    NameTooLong,
    Busy,
    InputOutput,
    Damaged, // a file of the system's own formats that does not hold one
};

class TFileError : public std::runtime_error {
public:
    // `reason` is UTF-8 (the system's text or ours); the message is the
    // path's bytes, ": ", the reason.
    TFileError(std::string path, const std::string& reason, TFileFault fault = TFileFault::Other);
    const std::string& Path() const { return Path_; }
    TFileFault Fault() const { return Fault_; }
    const std::string& Reason() const { return Reason_; }

private:
    std::string Path_;
    std::string Reason_;
    TFileFault Fault_;
};

// The fault of a system error number.
TFileFault FaultOfErrno(int error);
// A TFileError for `path` from the error number, with the system's text.
[[noreturn]] void ThrowSystemError(std::string_view path, int error);
// The fault in Russian, as the environment shows it (UTF-8): "Нет места на
// диске", "Нет доступа", "Файл не найден"...
std::string_view FaultText(TFileFault fault);

// Which file it is and which version of it: a file replaced or rewritten has
// another stamp. Two stamps of the same file compare equal only while it has
// stayed as it was.
struct TFileStamp {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNs = 0; // the modification time in nanoseconds

    bool SameFile(const TFileStamp& other) const {
        return Device == other.Device && Inode == other.Inode;
    }
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The stamp of the regular file at `path`, through symbolic links; nothing
// when there is none (or the path names something else).
std::optional<TFileStamp> RegularFileStamp(std::string_view path);
// The same without following a symbolic link at the end of the path.
std::optional<TFileStamp> EntryStamp(std::string_view path);

// Reads a regular file whole. Anything else (a directory, a FIFO, a device)
// and a file larger than `limit` are refused before a byte is read. `stamp`,
// when given, receives the stamp of the file that was read.
std::string ReadRegularFile(std::string_view path, uint64_t limit, TFileStamp* stamp = nullptr);
// At most the first `count` bytes of a regular file.
std::string ReadRegularFileStart(std::string_view path, std::size_t count);

// How a write treats the file it is given.
enum class TWriteRule : uint8_t {
    // A user's file: only a regular file is replaced (or made); anything else
    // there is refused. The new contents reach the disk before the rename.
    UserFile,
    // As UserFile, without waiting for the disk: copies the system can make
    // again, such as the files of a build.
    ScratchFile,
    // zk's outputs: a regular file is replaced as a UserFile, while a device
    // or a FIFO the user names (/dev/stdout, a pipe) is written through.
    AnyFile,
};

// A file written piece by piece into a fresh file beside `path`, which takes
// the place of `path` at Commit. Dropped without Commit, it leaves no trace
// and the old file as it was. Written through, for a device under AnyFile.
// Every failure is a TFileError naming `path`.
class TFileReplacement {
public:
    TFileReplacement(std::string_view path, TWriteRule rule);
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    void Write(std::string_view data);
    // The stamp the file will have under its name once committed (a rename
    // keeps it). Nothing when written through.
    std::optional<TFileStamp> Stamp() const;
    void Commit();

private:
    [[noreturn]] void Fail(int error) const;
    void Discard();

    std::string Path_;   // as the caller named it
    std::string Target_; // the file that is replaced: the end of any symbolic links
    std::string Fresh_;  // the new file beside it; empty when written through
    TWriteRule Rule_;
    int Fd_ = -1;
};

// TFileReplacement with the whole contents.
void ReplaceFile(std::string_view path, std::string_view data, TWriteRule rule);
// Appends to a regular file, made when missing; anything else is refused.
void AppendToFile(std::string_view path, std::string_view data);
// Makes an empty regular file; false when something of that name is there.
bool CreateEmptyFile(std::string_view path);
// Removes a directory entry; false when there was none. Never follows a link.
bool RemoveEntry(std::string_view path);

// A lock held on a file for the life of the object, by this process alone;
// the system lets it go when the process ends, however it ends.
class TFileLock {
public:
    // The lock of the file at `path`, made when missing; nothing when another
    // process holds it or the file cannot be made.
    static std::optional<TFileLock> TryLock(std::string_view path);
    TFileLock(TFileLock&& other) noexcept : Fd_(other.Fd_) { other.Fd_ = -1; }
    TFileLock& operator=(TFileLock&& other) noexcept {
        std::swap(Fd_, other.Fd_);
        return *this;
    }
    ~TFileLock();

private:
    explicit TFileLock(int fd) : Fd_(fd) {}
    int Fd_;
};

} // namespace zk
