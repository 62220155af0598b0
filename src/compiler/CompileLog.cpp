// The compile log.
#include "compiler/CompileLog.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

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

void WriteCompileLog(std::string_view path, TWriteRule rule) {
    WriteWholeFile(path, CompileLogText(), rule);
}

void AppendCompileLog(std::string_view path, std::optional<int64_t> limitBytes) {
    const std::string text = std::string(46, '=') + "\r\n" + CompileLogText();
    const std::optional<TFileStamp> log = RegularFileStamp(path);
    if (log && limitBytes && log->Size > *limitBytes)
        ReplaceFile(path, text, TWriteRule::UserFile);
    else
        AppendToFile(path, text);
}

} // namespace zk
