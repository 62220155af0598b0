// zk run: a source compiled as a program, or a program file, run from its
// parameters to its result or its error code.
#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>

namespace zk::cli {

int RunRunCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

} // namespace zk::cli
