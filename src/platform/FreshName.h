// The name of the fresh file that a replacing write fills beside its target,
// shared by the file layers of the platforms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

// A name beside `target` that no file has: ".NAME.XXXXXXXX~" from the draw,
// the name cut short when the whole would be too long for the file system.
// `separators` are the characters that end a directory in a path.
std::string FreshName(const std::string& target, uint64_t draw, std::string_view separators);

} // namespace zk
