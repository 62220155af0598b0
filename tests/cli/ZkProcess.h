// Runs the zk executable as a child process with given arguments, standard
// input and working directory, and collects its output and exit status.
#pragma once

#include <string>
#include <vector>

namespace zk::test {

struct TProcessResult {
    int Status = -1; // exit status, or -1 when killed by a signal
    std::string Out;
    std::string Err;
};

TProcessResult RunZk(const std::vector<std::string>& args, const std::string& input = "",
                     const std::string& workDir = "");

// Runs zk with its standard output written to the file `stdoutPath` (such as
// /dev/full) instead of collected.
TProcessResult RunZkWithStdout(const std::vector<std::string>& args, const std::string& workDir,
                               const std::string& stdoutPath);

// Runs zk without input and sends it SIGINT, as Ctrl+C does, after `delayMs`.
TProcessResult RunZkInterrupted(const std::vector<std::string>& args, const std::string& workDir,
                                int delayMs);

} // namespace zk::test
