// UTF-8 to and from the UTF-16 of the Windows calls: paths are UTF-8 inside
// the system and become wide only at the call; and the quoting of a wide
// command line.
#pragma once

#include <string>
#include <string_view>

namespace zk {

std::wstring WideOfUtf8(std::string_view text);
std::string Utf8OfWide(std::wstring_view text);
// One argument of a command line, quoted as CommandLineToArgvW reads it back.
std::wstring QuotedArgument(const std::wstring& argument);

} // namespace zk
