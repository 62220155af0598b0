// The check of what the compiler guarantees of every image it makes, for an
// image that comes from a file: a program file before it runs, a unit file
// before it is linked. The interpreter's loop and the linker rely on these
// properties; an image that has them can fail at run time only with the
// codes of the language, never with an instruction that cannot be carried out.
#pragma once

#include "pcode/PCode.h"

#include <string>
#include <string_view>

namespace zk {

enum class TCodeKind {
    Program, // linked: every call bound, function 0 the main function at 0
    Unit,    // compiled alone: calls into used modules may be unbound
};

// Empty when `code` has every property below, otherwise the first fault found,
// in words ("instruction 7: ...").
//
// - Atoms 0, 1 and 2 are "", "TRUE" and "FALSE", and no text is listed twice.
// - Every operation has a meaning and its operands fit: atom numbers inside
//   the table, AtomEqual of kind 0 or 1.
// - The code is a sequence of functions, each ending with its only Ret. A
//   function of n arguments (1..255) begins with LoadArgs n and ends with
//   FreeArgs n, Ret; no other LoadArgs occurs, every FreeArgs frees n. Each
//   function record's entry is the start of a function of its arity.
// - A call is SavePos, Goto, and lands on the start of a function; any other
//   jump stays inside its own function and never lands between a SavePos and
//   its Goto.
// - Along every path through a function the stacks agree: a function starts
//   with its arguments on the value stack, no instruction takes more values
//   or arguments than the path has left it, every path that reaches the same
//   instruction reaches it with the same depths, and Ret finds exactly the
//   result on the value stack and no argument.
std::string CodeFault(const TPCode& code, TCodeKind kind);

// Throws TFileError naming `path` ("damaged p-code file: ...") when the image
// read from that file has a fault.
void RefuseDamagedCode(const TPCode& code, TCodeKind kind, std::string_view path);

} // namespace zk
