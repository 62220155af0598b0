// Runs the zk executable as a child process with given arguments, standard
// input and working directory, and collects its output and exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zk::test {

struct TProcessResult {
    int Status = -1; // exit status, or -1 when killed by a signal
    std::string Out;
    std::string Err;
};

TProcessResult RunZk(const std::vector<std::string>& args, const std::string& input = "",
                     const std::filesystem::path& workDir = {});

// Runs zk with its standard output written to the file `stdoutPath` (such as
// /dev/full) instead of collected.
TProcessResult RunZkWithStdout(const std::vector<std::string>& args,
                               const std::filesystem::path& workDir, const std::string& stdoutPath);

// Runs zk without input and sends it SIGINT, as Ctrl+C does, after `delayMs`.
TProcessResult RunZkInterrupted(const std::vector<std::string>& args,
                                const std::filesystem::path& workDir, int delayMs);

// The exit status of a command run by std::system, -1 when it did not exit.
int ShellStatus(int raw);

} // namespace zk::test
