// The compile log: the lines that one compilation produces, in order. The
// command that starts a compilation empties it and adds the first line.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

extern std::vector<std::string> CompileLog; // Windows-1251 lines

// Appends `utf8Prefix` (a text of the system, written in UTF-8 in the source)
// converted to Windows-1251, followed by `tail` (already Windows-1251).
void AddLogLine(std::string_view utf8Prefix, std::string_view tail = {});

// The log as its file holds it: every line ended by CR LF.
std::string CompileLogText();
// Creates or replaces the file with the log. Throws TFileError.
void WriteCompileLog(std::string_view path, TWriteRule rule = TWriteRule::AnyFile);
// Adds a separator line of 46 "=" and the log to the end of the regular file,
// which is created when missing. A file already larger than `limitBytes`,
// when a limit is given, is replaced by the separator and the log. Throws
// TFileError.
void AppendCompileLog(std::string_view path, std::optional<int64_t> limitBytes);

} // namespace zk
