// The file layer on POSIX. Only these calls can tell a regular file from a
// FIFO before anything waits on it, and only a rename replaces a file in one
// step; the C++ streams can do neither.
#include "platform/FileSystem.h"
#include "platform/FreshName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

constexpr const char* kNotRegular = "is not a regular file";
constexpr const char* kDirectory = "is a directory";

TFileStamp StampOfStatus(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

[[noreturn]] void ThrowKind(std::string_view path, const struct stat& status) {
    if (S_ISDIR(status.st_mode))
        throw TFileError(std::string(path), kDirectory, TFileFault::IsDirectory);
    throw TFileError(std::string(path), kNotRegular, TFileFault::NotRegular);
}

// A descriptor closed with the object.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : Fd_(fd) {}
    ~TDescriptor() {
        if (Fd_ >= 0) close(Fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Fd_; }

private:
    int Fd_;
};

// A regular file opened for reading. It is opened without waiting, so that a
// FIFO without a writer cannot block, and then read normally.
class TReadHandle {
public:
    explicit TReadHandle(std::string_view path) : Path_(path), Fd_(Open(path)) {
        struct stat status {};
        if (fstat(Fd_.Get(), &status) != 0) ThrowSystemError(Path_, errno);
        if (!S_ISREG(status.st_mode)) ThrowKind(Path_, status);
        const int flags = fcntl(Fd_.Get(), F_GETFL);
        if (flags == -1 || fcntl(Fd_.Get(), F_SETFL, flags & ~O_NONBLOCK) == -1)
            ThrowSystemError(Path_, errno);
        Stamp_ = StampOfStatus(status);
    }

    const TFileStamp& Stamp() const { return Stamp_; }

    // Up to `count` bytes; fewer only at the end of the file.
    std::size_t Read(char* buffer, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = read(Fd_.Get(), buffer + done, count - done);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                ThrowSystemError(Path_, errno);
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    [[noreturn]] void TooLarge(uint64_t limit) const {
        throw TFileError(Path_,
                         "file larger than " + std::to_string(limit) +
                             " bytes, the most that can be read here",
                         TFileFault::TooLarge);
    }

private:
    static int Open(std::string_view path) {
        const int fd = open(std::string(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) ThrowSystemError(path, errno);
        return fd;
    }

    std::string Path_;
    TDescriptor Fd_;
    TFileStamp Stamp_;
};

bool WriteAll(int fd, std::string_view data, int& error) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file that a write to `path` replaces: a symbolic link is followed to
// the file it names, so that the link stays a link. A dangling one is
// replaced itself.
std::string ReplacedFile(std::string_view path) {
    const std::string name(path);
    struct stat status {};
    if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
    char* resolved = realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return name;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Another user's file in a directory we may write becomes ours when its owner
// cannot be kept; that is no reason to refuse the write.
void KeepOwner(int fd, const struct stat& old) {
    if (old.st_uid == geteuid() && old.st_gid == getegid()) return;
    [[maybe_unused]] const int kept = fchown(fd, old.st_uid, old.st_gid);
}

void SyncDirectory(const std::string& dir) {
    const TDescriptor fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) fsync(fd.Get()); // a rename not yet on the disk is only late
}

} // namespace

std::optional<TFileStamp> RegularFileStamp(std::string_view path) {
    struct stat status {};
    if (stat(std::string(path).c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    return StampOfStatus(status);
}

std::optional<TFileStamp> EntryStamp(std::string_view path) {
    struct stat status {};
    if (lstat(std::string(path).c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    return StampOfStatus(status);
}

std::string ReadRegularFile(std::string_view path, uint64_t limit, TFileStamp* stamp) {
    TReadHandle file(path);
    if (static_cast<uint64_t>(file.Stamp().Size) > limit) file.TooLarge(limit);
    std::string data(static_cast<std::size_t>(file.Stamp().Size), '\0');
    data.resize(file.Read(data.data(), data.size()));
    // A file that grew since it was measured is read on to its end.
    char more[1 << 16];
    for (std::size_t got = 0; (got = file.Read(more, sizeof more)) > 0;) {
        if (data.size() + got > limit) file.TooLarge(limit);
        data.append(more, got);
    }
    if (stamp) *stamp = file.Stamp();
    return data;
}

std::string ReadRegularFileStart(std::string_view path, std::size_t count) {
    TReadHandle file(path);
    std::string data(count, '\0');
    data.resize(file.Read(data.data(), count));
    return data;
}

TFileReplacement::TFileReplacement(std::string_view path, TWriteRule rule)
    : Path_(path), Target_(ReplacedFile(path)), Rule_(rule) {
    struct stat old {};
    const bool exists = stat(Target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (rule != TWriteRule::AnyFile || S_ISDIR(old.st_mode)) ThrowKind(Path_, old);
        Fd_ = open(Target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (Fd_ < 0) Fail(errno);
        return;
    }
    std::random_device seed;
    std::mt19937_64 draw((uint64_t{seed()} << 32) ^ seed());
    for (int attempt = 0; Fd_ < 0; ++attempt) {
        Fresh_ = FreshName(Target_, draw(), "/");
        // 0666 as for any new file: the process's umask decides the rest.
        Fd_ = open(Fresh_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            Fresh_.clear();
            Fail(error);
        }
    }
    if (exists) { // the new file keeps the old one's permissions, and its owner where allowed
        if (fchmod(Fd_, old.st_mode & 07777) != 0) Fail(errno);
        KeepOwner(Fd_, old);
    }
}

TFileReplacement::~TFileReplacement() {
    Discard();
}

void TFileReplacement::Discard() {
    if (Fd_ >= 0) close(Fd_);
    Fd_ = -1;
    if (!Fresh_.empty()) unlink(Fresh_.c_str());
    Fresh_.clear();
}

void TFileReplacement::Fail(int error) const {
    const_cast<TFileReplacement*>(this)->Discard();
    ThrowSystemError(Path_, error);
}

void TFileReplacement::Write(std::string_view data) {
    if (Fd_ < 0) ThrowSystemError(Path_, EBADF);
    int error = 0;
    if (!WriteAll(Fd_, data, error)) Fail(error);
}

std::optional<TFileStamp> TFileReplacement::Stamp() const {
    struct stat status {};
    if (Fresh_.empty() || Fd_ < 0 || fstat(Fd_, &status) != 0) return {};
    return StampOfStatus(status);
}

void TFileReplacement::Commit() {
    if (Fd_ < 0) ThrowSystemError(Path_, EBADF);
    if (!Fresh_.empty() && Rule_ != TWriteRule::ScratchFile && fsync(Fd_) != 0) Fail(errno);
    // A file system may report a failed write only when the file is closed.
    const int closed = close(Fd_);
    Fd_ = -1;
    if (closed != 0) Fail(errno);
    if (Fresh_.empty()) return; // written through
    if (rename(Fresh_.c_str(), Target_.c_str()) != 0) Fail(errno);
    Fresh_.clear();
    if (Rule_ != TWriteRule::ScratchFile) SyncDirectory(DirectoryOf(Target_));
}

void ReplaceFile(std::string_view path, std::string_view data, TWriteRule rule) {
    TFileReplacement file(path, rule);
    file.Write(data);
    file.Commit();
}

void AppendToFile(std::string_view path, std::string_view data) {
    const std::string name(path);
    struct stat status {};
    if (stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) ThrowKind(path, status);
    const TDescriptor fd(
        open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    if (fd.Get() < 0) ThrowSystemError(path, errno);
    // Something else may have taken the name between the look and the open.
    if (fstat(fd.Get(), &status) != 0) ThrowSystemError(path, errno);
    if (!S_ISREG(status.st_mode)) ThrowKind(path, status);
    int error = 0;
    if (!WriteAll(fd.Get(), data, error)) ThrowSystemError(path, error);
    if (fsync(fd.Get()) != 0) ThrowSystemError(path, errno);
}

bool CreateEmptyFile(std::string_view path) {
    const int fd =
        open(std::string(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        ThrowSystemError(path, errno);
    }
    close(fd);
    return true;
}

std::optional<TFileLock> TFileLock::TryLock(std::string_view path) {
    const int fd = open(std::string(path).c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return std::nullopt;
    }
    return TFileLock(fd);
}

TFileLock::~TFileLock() {
    if (Fd_ >= 0) close(Fd_);
}

bool RemoveEntry(std::string_view path) {
    if (unlink(std::string(path).c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    ThrowSystemError(path, errno);
}

} // namespace zk
