// The check a program image passes before it runs. An image compiled and
// linked here always passes; a program file comes from disk and may be
// damaged, and the interpreter trusts what this check has established:
// operations with a meaning, jumps and entries inside the code, atom numbers
// inside the table, a main function.
#pragma once

#include "pcode/PCode.h"

#include <string>

namespace zk {

// Empty when the image can run, otherwise what is wrong with it.
std::string RunnableImageFault(const TPCode& code);
// The same for the one instruction at `index`.
std::string InstructionFault(const TPCode& code, int32_t index);

} // namespace zk
