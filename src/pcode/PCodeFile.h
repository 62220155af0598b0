// The three p-code file layouts ("ZKP" program, "ZKU" unit, "ZKExt" full
// image) as bytes in memory. TPCode::SaveToFile and LoadFromFile wrap these
// with one whole-file write or read; tests and fuzzing use them directly.
#pragma once

#include "pcode/PCode.h"

#include <string>
#include <string_view>

namespace zk {

// The file contents for `kind`. Throws TFileError naming `path` when the image
// cannot be represented: a text over 65535 bytes, an arity over 255, or a
// program without function 0.
std::string EncodePCodeFile(const TPCode& code, TPCodeFileKind kind, std::string_view path);

// Replaces `code` by the image that `bytes` hold. A truncated or impossible
// file throws TFileError ("damaged p-code file: ...", naming `path`) and
// leaves `code` empty, without atoms.
void DecodePCodeFile(TPCode& code, std::string_view bytes, std::string_view path);

} // namespace zk
