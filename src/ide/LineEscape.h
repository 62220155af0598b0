// Any bytes on one line of a list file: '%', control bytes and line ends are
// written as %XX, so a name with a line break stays one entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zk::ide {

std::string EscapeLine(std::string_view bytes);
// Nothing for a text that EscapeLine cannot have made.
std::optional<std::string> UnescapeLine(std::string_view line);

} // namespace zk::ide
