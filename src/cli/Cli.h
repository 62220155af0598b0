// The `zk` command line: parses the words and runs one command. Returns the
// process exit status; prints UTF-8 to the given streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zk::cli {

enum TExitCode : int {
    kExitOk = 0,
    kExitCompileError = 1,
    kExitInputError = 2,
    kExitRunError = 3,
    kExitPictureError = 4,
    kExitUsage = 64,
    kExitFileError = 66,
};

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zk::cli
