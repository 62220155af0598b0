// The text listing of an image ("PCode.txt"): used modules, atoms, functions
// with their attributes and every instruction with all its fields, in
// Windows-1251 with CR LF line ends.
#pragma once

#include "pcode/PCode.h"

#include <string>
#include <string_view>

namespace zk {

std::string ListingText(const TPCode& image);
// Creates or replaces the file; throws TFileError.
void WriteListing(const TPCode& image, std::string_view path);

} // namespace zk
