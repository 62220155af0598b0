// UTF-8 to and from the UTF-16 of the Windows calls: paths are UTF-8 inside
// the system and become wide only at the call.
#pragma once

#include <string>
#include <string_view>

namespace zk {

std::wstring WideOfUtf8(std::string_view text);
std::string Utf8OfWide(std::wstring_view text);

} // namespace zk
