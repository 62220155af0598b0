// The file layer on Windows. Paths are UTF-8 and become wide at each call.
// Files are opened in binary mode through the C runtime's descriptors, so
// that a line end is written as the system gives it; the kind of a file
// (a disk file, a device such as CON or NUL, a pipe) and its identity come
// from its handle, and a replacing write ends with MoveFileExW.
#include "platform/FileSystem.h"
#include "platform/FreshName.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// The system's own ReplaceFile is a macro that would rename ours.
#undef ReplaceFile

namespace zk {

namespace {

constexpr const char* kNotRegular = "is not a regular file";
constexpr const char* kDirectory = "is a directory";
constexpr unsigned kMaxChunk = 1u << 30;

// What a path names, looked at without opening it for reading or writing.
enum class TEntryKind { Missing, DiskFile, Directory, Other };

struct TEntry {
    TEntryKind Kind = TEntryKind::Missing;
    TFileStamp Stamp;
};

int64_t NanosecondsOf(const FILETIME& time) {
    const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<int64_t>(ticks) * 100; // ticks of 100 ns since 1601
}

TEntry EntryOfHandle(HANDLE handle) {
    TEntry entry;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
        entry.Kind = TEntryKind::Other;
        return entry;
    }
    entry.Kind = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? TEntryKind::Directory
                                                                  : TEntryKind::DiskFile;
    entry.Stamp = {info.dwVolumeSerialNumber,
                   (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                   static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow),
                   NanosecondsOf(info.ftLastWriteTime)};
    return entry;
}

TEntry EntryAt(std::string_view path, bool followLink) {
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = CreateFileW(WideOfUtf8(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    const TEntry entry = EntryOfHandle(handle);
    CloseHandle(handle);
    return entry;
}

TEntry EntryOfDescriptor(int fd) {
    return EntryOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

[[noreturn]] void ThrowKind(std::string_view path, TEntryKind kind) {
    if (kind == TEntryKind::Directory)
        throw TFileError(std::string(path), kDirectory, TFileFault::IsDirectory);
    throw TFileError(std::string(path), kNotRegular, TFileFault::NotRegular);
}

// The errno of a failed Windows call that the C runtime does not translate.
int ErrnoOfWindowsError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_PATH_NOT_FOUND: return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
    }
}

int OpenDescriptor(std::string_view path, int flags) {
    return _wopen(WideOfUtf8(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// A descriptor closed with the object.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : Fd_(fd) {}
    ~TDescriptor() {
        if (Fd_ >= 0) _close(Fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Fd_; }

private:
    int Fd_;
};

// A disk file opened for reading; anything else is refused before a byte is
// read. Opening a device or a pipe by its name does not wait on Windows.
class TReadHandle {
public:
    explicit TReadHandle(std::string_view path) : Path_(path), Fd_(Open(path)) {
        const TEntry entry = EntryOfDescriptor(Fd_.Get());
        if (entry.Kind != TEntryKind::DiskFile) ThrowKind(Path_, entry.Kind);
        Stamp_ = entry.Stamp;
    }

    const TFileStamp& Stamp() const { return Stamp_; }

    // Up to `count` bytes; fewer only at the end of the file.
    std::size_t Read(char* buffer, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            const unsigned chunk =
                static_cast<unsigned>(std::min<std::size_t>(count - done, kMaxChunk));
            const int got = _read(Fd_.Get(), buffer + done, chunk);
            if (got == 0) break;
            if (got < 0) ThrowSystemError(Path_, errno);
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
        // A directory cannot be opened as a file at all; say what it is.
        if (const TEntry entry = EntryAt(path, true); entry.Kind == TEntryKind::Directory)
            ThrowKind(path, entry.Kind);
        const int fd = OpenDescriptor(path, _O_RDONLY);
        if (fd < 0) ThrowSystemError(path, errno);
        return fd;
    }

    std::string Path_;
    TDescriptor Fd_;
    TFileStamp Stamp_;
};

bool WriteAll(int fd, std::string_view data, int& error) {
    while (!data.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(data.size(), kMaxChunk));
        const int written = _write(fd, data.data(), chunk);
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::optional<TFileStamp> RegularFileStamp(std::string_view path) {
    const TEntry entry = EntryAt(path, true);
    if (entry.Kind != TEntryKind::DiskFile) return {};
    return entry.Stamp;
}

std::optional<TFileStamp> EntryStamp(std::string_view path) {
    const TEntry entry = EntryAt(path, false);
    if (entry.Kind != TEntryKind::DiskFile) return {};
    return entry.Stamp;
}

std::string ReadRegularFile(std::string_view path, uint64_t limit, TFileStamp* stamp) {
    TReadHandle file(path);
    if (static_cast<uint64_t>(file.Stamp().Size) > limit) file.TooLarge(limit);
    std::string data(static_cast<std::size_t>(file.Stamp().Size), '\0');
    data.resize(file.Read(data.data(), data.size()));
    // A file that grew since it was measured is read on to its end.
    std::string more(1 << 16, '\0');
    for (std::size_t got = 0; (got = file.Read(more.data(), more.size())) > 0;) {
        if (data.size() + got > limit) file.TooLarge(limit);
        data.append(more.data(), got);
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
    : Path_(path), Target_(path), Rule_(rule) {
    const TEntry old = EntryAt(Target_, true);
    if (old.Kind == TEntryKind::Directory ||
        (old.Kind == TEntryKind::Other && rule != TWriteRule::AnyFile))
        ThrowKind(Path_, old.Kind);
    if (old.Kind == TEntryKind::Other) { // a device or a pipe the user names
        Fd_ = OpenDescriptor(Target_, _O_WRONLY);
        if (Fd_ < 0) Fail(errno);
        return;
    }
    std::random_device seed;
    std::mt19937_64 draw((uint64_t{seed()} << 32) ^ seed());
    for (int attempt = 0; Fd_ < 0; ++attempt) {
        Fresh_ = FreshName(Target_, draw(), "/\\");
        Fd_ = OpenDescriptor(Fresh_, _O_WRONLY | _O_CREAT | _O_EXCL);
        if (Fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            Fresh_.clear();
            Fail(error);
        }
    }
}

TFileReplacement::~TFileReplacement() {
    Discard();
}

void TFileReplacement::Discard() {
    if (Fd_ >= 0) _close(Fd_);
    Fd_ = -1;
    if (!Fresh_.empty()) _wunlink(WideOfUtf8(Fresh_).c_str());
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
    if (Fresh_.empty() || Fd_ < 0) return {};
    const TEntry entry = EntryOfDescriptor(Fd_);
    if (entry.Kind != TEntryKind::DiskFile) return {};
    return entry.Stamp;
}

void TFileReplacement::Commit() {
    if (Fd_ < 0) ThrowSystemError(Path_, EBADF);
    if (!Fresh_.empty() && Rule_ != TWriteRule::ScratchFile && _commit(Fd_) != 0) Fail(errno);
    const int closed = _close(Fd_);
    Fd_ = -1;
    if (closed != 0) Fail(errno);
    if (Fresh_.empty()) return; // written through
    const DWORD flags =
        MOVEFILE_REPLACE_EXISTING | (Rule_ != TWriteRule::ScratchFile ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExW(WideOfUtf8(Fresh_).c_str(), WideOfUtf8(Target_).c_str(), flags))
        Fail(ErrnoOfWindowsError(GetLastError()));
    Fresh_.clear();
}

void ReplaceFile(std::string_view path, std::string_view data, TWriteRule rule) {
    TFileReplacement file(path, rule);
    file.Write(data);
    file.Commit();
}

void AppendToFile(std::string_view path, std::string_view data) {
    if (const TEntry entry = EntryAt(path, true);
        entry.Kind == TEntryKind::Directory || entry.Kind == TEntryKind::Other)
        ThrowKind(path, entry.Kind);
    const TDescriptor fd(OpenDescriptor(path, _O_WRONLY | _O_APPEND | _O_CREAT));
    if (fd.Get() < 0) ThrowSystemError(path, errno);
    // Something else may have taken the name between the look and the open.
    if (const TEntry entry = EntryOfDescriptor(fd.Get()); entry.Kind != TEntryKind::DiskFile)
        ThrowKind(path, entry.Kind);
    int error = 0;
    if (!WriteAll(fd.Get(), data, error)) ThrowSystemError(path, error);
    if (_commit(fd.Get()) != 0) ThrowSystemError(path, errno);
}

bool CreateEmptyFile(std::string_view path) {
    const int fd = OpenDescriptor(path, _O_WRONLY | _O_CREAT | _O_EXCL);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        ThrowSystemError(path, errno);
    }
    _close(fd);
    return true;
}

std::optional<TFileLock> TFileLock::TryLock(std::string_view path) {
    // A file opened without sharing is this process's until it ends.
    int fd = -1;
    if (_wsopen_s(&fd, WideOfUtf8(path).c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                  _SH_DENYRW, _S_IREAD | _S_IWRITE) != 0)
        return std::nullopt;
    if (EntryOfDescriptor(fd).Kind != TEntryKind::DiskFile) {
        _close(fd);
        return std::nullopt;
    }
    return TFileLock(fd);
}

TFileLock::~TFileLock() {
    if (Fd_ >= 0) _close(Fd_);
}

bool RemoveEntry(std::string_view path) {
    if (_wunlink(WideOfUtf8(path).c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    ThrowSystemError(path, errno);
}

} // namespace zk
