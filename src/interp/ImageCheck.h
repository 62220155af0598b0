// The check a program image passes before it runs. An image compiled and
// linked here always passes; a program file comes from disk and may be
// damaged, and the interpreter trusts what this check has established: the
// properties of compiled code that the verifier checks (pcode/CodeVerifier.h).
#pragma once

#include "pcode/PCode.h"

#include <string>
#include <string_view>

namespace zk {

// Empty when the image can run, otherwise what is wrong with it.
std::string RunnableImageFault(const TPCode& code);
// Whether the one instruction at `index` can be carried out on its own: an
// operation with a meaning, a jump inside the code, an atom in the table.
std::string InstructionFault(const TPCode& code, int32_t index);

// Throws TFileError naming `path` ("damaged p-code file: ...") when the image
// read from that file cannot run.
void RefuseUnrunnable(const TPCode& code, std::string_view path);
// A program file read to be run: TFileError when it cannot be read, is
// damaged, or cannot run.
TPCode LoadRunnableProgram(std::string_view path);

} // namespace zk
