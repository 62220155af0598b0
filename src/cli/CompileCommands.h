// zk check, build, unit and listing: compile a source (or load a p-code file)
// and report as the command-line contract says.
#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>

namespace zk::cli {

int RunCheck(const TCommandLine& line, std::ostream& out, std::ostream& err);
int RunBuild(const TCommandLine& line, std::ostream& out, std::ostream& err);
int RunListing(const TCommandLine& line, std::ostream& out, std::ostream& err);

} // namespace zk::cli
