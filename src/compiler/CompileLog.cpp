// The compile log.
#include "compiler/CompileLog.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zk {

std::vector<std::string> CompileLog;

void AddLogLine(std::string_view utf8Prefix, std::string_view tail) {
    std::string line = Utf8ToCp1251(utf8Prefix);
    line += tail;
    CompileLog.push_back(std::move(line));
}

std::string CompileLogText() {
    std::string text;
    for (const std::string& line : CompileLog)
        text += line + "\r\n";
    return text;
}

void WriteCompileLog(std::string_view path) {
    WriteWholeFile(path, CompileLogText());
}

void AppendCompileLog(std::string_view path, std::optional<int64_t> limitBytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(NativePath(path), ec);
    if (!ec && limitBytes && static_cast<int64_t>(size) > *limitBytes) WriteWholeFile(path, {});
    const std::string text = std::string(46, '=') + "\r\n" + CompileLogText();
    errno = 0;
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::app);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.close();
    if (!out)
        throw TFileError(std::string(path),
                         errno != 0 ? std::strerror(errno) : "input/output error");
}

} // namespace zk
