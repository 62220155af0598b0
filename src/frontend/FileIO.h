// Whole-file reading and writing for the language system. Paths are system
// texts (Windows-1251) and become UTF-8 only at the operating-system call.
// Failures are TFileError exceptions naming the file; the command that started
// the work reports them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zk {

class TFileError : public std::runtime_error {
public:
    // `reason` is UTF-8 (it comes from the operating system or from us).
    TFileError(std::string path, const std::string& reason);
    const std::string& Path() const { return Path_; } // Windows-1251

private:
    std::string Path_;
};

std::filesystem::path NativePath(std::string_view path);
std::string SystemPath(const std::filesystem::path& path);

bool FileExists(std::string_view path);

// No file of the system is larger: its texts and formats count in 32 bits.
constexpr uint64_t kMaxFileSize = INT32_MAX;
// The largest file that a reader needing `bytesPerByte` bytes of memory for
// each byte it reads may take on this machine, at most kMaxFileSize.
uint64_t ReadableFileSize(uint64_t bytesPerByte);

// Reads a regular file whole. Anything else (a directory, a FIFO, a device)
// and a file larger than `limit` are refused with a TFileError before a byte
// is read; opening never waits for a writer.
std::string ReadWholeFile(std::string_view path, uint64_t limit = ReadableFileSize(2));
// The first `count` bytes of a regular file, fewer when it is shorter.
std::string ReadFileStart(std::string_view path, std::size_t count);
void WriteWholeFile(std::string_view path, std::string_view data);

// The line of a text that starts at `pos`, which moves past its end: CR LF,
// LF or CR. A text ended by a line end has no empty line after it; the caller
// stops when `pos` reaches the end of the text.
std::string_view NextLine(std::string_view text, std::size_t& pos);

} // namespace zk
