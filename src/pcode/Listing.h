// The text listing of an image ("PCode.txt"): used modules, atoms, functions
// with their attributes and every instruction with all its fields, in
// Windows-1251 with CR LF line ends.
#pragma once

#include "pcode/PCode.h"

#include <functional>
#include <string>
#include <string_view>

namespace zk {

// Takes the listing piece by piece, each piece a run of whole lines, so that
// the listing of a large image is never held whole.
using TListingSink = std::function<void(std::string_view)>;
void StreamListing(const TPCode& image, const TListingSink& sink);

std::string ListingText(const TPCode& image);
// Creates or replaces the file; throws TFileError.
void WriteListing(const TPCode& image, std::string_view path,
                  TWriteRule rule = TWriteRule::AnyFile);

} // namespace zk
