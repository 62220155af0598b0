// Whole-file reading and writing with errors that name the file, and the
// reading of text lines.
#include "frontend/FileIO.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace zk {

namespace {

std::string LastSystemReason() {
    return errno != 0 ? std::strerror(errno) : "input/output error";
}

} // namespace

TFileError::TFileError(std::string path, const std::string& reason)
    : std::runtime_error(Cp1251ToUtf8(path) + ": " + reason), Path_(std::move(path)) {}

std::filesystem::path NativePath(std::string_view path) {
    return std::filesystem::path(Cp1251ToUtf8(path));
}

std::string SystemPath(const std::filesystem::path& path) {
    return Utf8ToCp1251(path.string());
}

bool FileExists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

std::string ReadWholeFile(std::string_view path) {
    const std::filesystem::path native = NativePath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(native, ec))
        throw TFileError(std::string(path), "is a directory");
    errno = 0;
    std::ifstream in(native, std::ios::binary);
    if (!in) throw TFileError(std::string(path), LastSystemReason());
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw TFileError(std::string(path), LastSystemReason());
    return data;
}

void WriteWholeFile(std::string_view path, std::string_view data) {
    errno = 0;
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    if (!out) throw TFileError(std::string(path), LastSystemReason());
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) throw TFileError(std::string(path), LastSystemReason());
}

std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    const std::string_view line = text.substr(pos, end - pos);
    const bool crlf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
    pos = end < text.size() ? end + (crlf ? 2 : 1) : end;
    return line;
}

} // namespace zk
