// Whole-file reading and writing through the file layer, and the reading of
// text lines.
#include "frontend/FileIO.h"

#include "frontend/Cp1251.h"
#include "platform/System.h"

#include <algorithm>
#include <system_error>

namespace zk {

std::filesystem::path NativePath(std::string_view path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string SystemPath(const std::filesystem::path& path) {
    const std::u8string name = path.generic_u8string();
    return std::string(name.begin(), name.end());
}

std::string PathText(std::string_view path) {
    return Utf8ToCp1251(path);
}

bool FileExists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

uint64_t ReadableFileSize(uint64_t bytesPerByte) {
    const uint64_t memory = PhysicalMemoryBytes();
    if (memory == 0 || bytesPerByte == 0) return kMaxFileSize;
    return std::min(kMaxFileSize, memory / bytesPerByte);
}

std::string ReadWholeFile(std::string_view path, uint64_t limit) {
    return ReadRegularFile(path, limit);
}

std::string ReadFileStart(std::string_view path, std::size_t count) {
    return ReadRegularFileStart(path, count);
}

void WriteWholeFile(std::string_view path, std::string_view data, TWriteRule rule) {
    ReplaceFile(path, data, rule);
}

std::string_view NextLine(std::string_view text, std::size_t& pos) {
    // A plain loop: find_first_of asks memchr about every character, which
    // takes most of the time of reading a large file.
    std::size_t end = std::min(pos, text.size());
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    const std::string_view line = text.substr(pos, end - pos);
    const bool crlf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
    pos = end < text.size() ? end + (crlf ? 2 : 1) : end;
    return line;
}

} // namespace zk
