// Whole-file reading and writing for the language system, on the file layer.
// Paths are the system's own bytes, passed unchanged from the command line or
// a file dialog to the system call; only where a path appears inside a
// Windows-1251 text (a message, a log line, an error's file name) does
// PathText convert it. Failures are TFileError exceptions naming the file;
// the command that started the work reports them.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zk {

std::filesystem::path NativePath(std::string_view path);
std::string SystemPath(const std::filesystem::path& path);
// The path as a Windows-1251 text, for a message or a log: what is not a
// character of the code page shows as '?'.
std::string PathText(std::string_view path);

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
// Replaces the file at `path` with `data` in one step (see TWriteRule).
void WriteWholeFile(std::string_view path, std::string_view data,
                    TWriteRule rule = TWriteRule::AnyFile);

// A file created or replaced and written piece by piece, for texts too large
// to be held whole; it takes its name at Close. Every failure throws a
// TFileError naming the file.
class TFileWriter {
public:
    explicit TFileWriter(std::string_view path, TWriteRule rule = TWriteRule::AnyFile)
        : File_(path, rule) {}
    void Write(std::string_view data) { File_.Write(data); }
    void Close() { File_.Commit(); }

private:
    TFileReplacement File_;
};

// The line of a text that starts at `pos`, which moves past its end: CR LF,
// LF or CR. A text ended by a line end has no empty line after it; the caller
// stops when `pos` reaches the end of the text.
std::string_view NextLine(std::string_view text, std::size_t& pos);

} // namespace zk
