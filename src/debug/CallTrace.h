// A run that tells each call of a user function with its arguments and each
// return with its value, indented by depth, like a Lisp trace: "(FACT 3)",
// "  (FACT 2)", ..., "  FACT = 2", "FACT = 6". It runs the interpreter's own
// loop with traps at the traced functions' entries and returns only; a run
// without a trace has none.
#pragma once

#include "debug/ValueText.h"
#include "interp/Interpreter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zk {

struct TTraceOptions {
    // The functions traced, by name ignoring letter case, Windows-1251; all
    // of them when empty.
    std::vector<std::string> Functions;
    int64_t LineLimit = 1000; // the lines told; the run goes on after them
    TValueCut Cut;
};

// Runs `run` to its end as Run does, on the calling thread, and gives each
// line (Windows-1251, without a line end) to `line`. A self call in tail
// position replaces the call it is made from: it is told at the same depth,
// and the calls it replaced return with it, told once.
void RunTraced(TInterpreter& run, const TTraceOptions& options,
               const std::function<void(const std::string&)>& line);

} // namespace zk
