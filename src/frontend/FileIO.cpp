// Whole-file reading and writing with errors that name the file, and the
// reading of text lines. Reading goes through POSIX calls: only they can tell
// a regular file from a FIFO before anything waits on it.
#include "frontend/FileIO.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

std::string LastSystemReason() {
    return errno != 0 ? std::strerror(errno) : "input/output error";
}

// A file opened for reading, closed with the object.
class TReadHandle {
public:
    // Refuses anything but a regular file. The file is opened without waiting,
    // so that a FIFO without a writer cannot block, and then read normally.
    explicit TReadHandle(std::string_view path) : Path_(path) {
        errno = 0;
        Fd_ = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (Fd_ < 0) Fail(LastSystemReason());
        struct stat status {};
        if (fstat(Fd_, &status) != 0) Fail(LastSystemReason());
        if (S_ISDIR(status.st_mode)) Fail("is a directory");
        if (!S_ISREG(status.st_mode)) Fail("is not a regular file");
        const int flags = fcntl(Fd_, F_GETFL);
        if (flags == -1 || fcntl(Fd_, F_SETFL, flags & ~O_NONBLOCK) == -1) Fail(LastSystemReason());
        Size_ = static_cast<uint64_t>(status.st_size);
    }
    TReadHandle(const TReadHandle&) = delete;
    TReadHandle& operator=(const TReadHandle&) = delete;
    ~TReadHandle() {
        if (Fd_ >= 0) close(Fd_);
    }

    uint64_t Size() const { return Size_; }

    // Reads up to `count` bytes into `buffer`; fewer only at the end of the file.
    std::size_t Read(char* buffer, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = read(Fd_, buffer + done, count - done);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                Fail(LastSystemReason());
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    [[noreturn]] void Fail(const std::string& reason) const { throw TFileError(Path_, reason); }

private:
    std::string Path_;
    int Fd_ = -1;
    uint64_t Size_ = 0;
};

std::string TooLarge(uint64_t limit) {
    return "file larger than " + std::to_string(limit) + " bytes, the most that can be read here";
}

} // namespace

TFileError::TFileError(std::string path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), Path_(std::move(path)) {}

std::filesystem::path NativePath(std::string_view path) {
    return std::filesystem::path(std::string(path));
}

std::string SystemPath(const std::filesystem::path& path) {
    return path.string();
}

std::string PathText(std::string_view path) {
    return Utf8ToCp1251(path);
}

bool FileExists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

uint64_t ReadableFileSize(uint64_t bytesPerByte) {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0 || bytesPerByte == 0) return kMaxFileSize;
    const uint64_t memory = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    return std::min(kMaxFileSize, memory / bytesPerByte);
}

std::string ReadWholeFile(std::string_view path, uint64_t limit) {
    TReadHandle file(path);
    if (file.Size() > limit) file.Fail(TooLarge(limit));
    std::string data(static_cast<std::size_t>(file.Size()), '\0');
    data.resize(file.Read(data.data(), data.size()));
    // A file that grew since it was measured is read on to its end.
    char more[1 << 16];
    for (std::size_t got = 0; (got = file.Read(more, sizeof more)) > 0;) {
        if (data.size() + got > limit) file.Fail(TooLarge(limit));
        data.append(more, got);
    }
    return data;
}

std::string ReadFileStart(std::string_view path, std::size_t count) {
    TReadHandle file(path);
    std::string data(count, '\0');
    data.resize(file.Read(data.data(), count));
    return data;
}

void WriteWholeFile(std::string_view path, std::string_view data) {
    TFileWriter out(path);
    out.Write(data);
    out.Close();
}

TFileWriter::TFileWriter(std::string_view path) : Path_(path) {
    errno = 0;
    Out_.open(NativePath(path), std::ios::binary | std::ios::trunc);
    if (!Out_) Fail();
}

void TFileWriter::Write(std::string_view data) {
    Out_.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!Out_) Fail();
}

void TFileWriter::Close() {
    Out_.close();
    if (!Out_) Fail();
}

void TFileWriter::Fail() const {
    throw TFileError(Path_, LastSystemReason());
}

std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    const std::string_view line = text.substr(pos, end - pos);
    const bool crlf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
    pos = end < text.size() ? end + (crlf ? 2 : 1) : end;
    return line;
}

} // namespace zk
