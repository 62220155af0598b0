// Dispatch of the `zk` commands and the boundary where file-system exceptions
// become messages and exit codes.
#include "cli/Cli.h"

#include "cli/CommandLine.h"
#include "cli/CompileCommands.h"
#include "cli/LspServer.h"
#include "cli/RunCommand.h"
#include "cli/Settings.h"
#include "cli/TestCommand.h"
#include "cli/TestProcesses.h"
#include "cli/Usage.h"
#include "frontend/FileIO.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <ostream>

namespace zk::cli {

namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << "zk: " << message << "\nTry 'zk --help'.\n";
    return kExitUsage;
}

int Dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return UsageError(err, "no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << UsageText();
        return kExitOk;
    }
    if (command == "--version") {
        out << VersionText();
        return kExitOk;
    }
    // zk test takes several files and options of its own.
    if (command == "test") return RunTestCommand(args, out, err);
    if (command == kCheckChildArgument) return RunCheckChild(std::cin);
    // zk lsp reads its messages from standard input.
    if (command == "lsp") return RunLspCommand(args, std::cin, out, err);
    const TParseResult parsed = ParseCommandLine(args);
    if (!parsed.Line) return UsageError(err, parsed.Error);
    TCommandLine line = *parsed.Line;
    ApplySettingsFile(line, kSettingsFile);
    if (line.Command == "check") return RunCheck(line, out, err);
    if (line.Command == "build" || line.Command == "unit") return RunBuild(line, out, err);
    if (line.Command == "listing") return RunListing(line, out, err);
    return RunRunCommand(line, out, err);
}

} // namespace

namespace {

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return Dispatch(args, out, err);
    } catch (const TFileError& e) {
        err << "zk: " << e.what() << "\n";
        return kExitFileError;
    } catch (const std::bad_alloc&) {
        err << "zk: out of memory\n";
        return kExitRunError;
    }
}

} // namespace

// What was written to `out` is only delivered once it has been flushed: a
// result that could not be written (a full disk, a closed pipe) is a failure.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const int status = Run(args, out, err);
    errno = 0;
    out.flush();
    // A command that streams its output has already named the failed write.
    if (out || status == kExitFileError) return status;
    err << "zk: standard output: " << (errno != 0 ? std::strerror(errno) : "write error") << "\n";
    return kExitFileError;
}

} // namespace zk::cli
