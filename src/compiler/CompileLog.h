// The compile log: the lines that one compilation produces, in order. The
// command that starts a compilation empties it and adds the first line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zk {

extern std::vector<std::string> CompileLog; // Windows-1251 lines

// Appends `utf8Prefix` (a text of the system, written in UTF-8 in the source)
// converted to Windows-1251, followed by `tail` (already Windows-1251).
void AddLogLine(std::string_view utf8Prefix, std::string_view tail = {});

} // namespace zk
