// zk test: a teacher's test file run against each submission, the report on
// stdout in the order the submissions were given, and, when asked, a report
// file per submission kept up to date after every test and a CSV summary.
#pragma once

#include "cli/TestReports.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zk::cli {

struct TTestCommandLine {
    std::string TestFile;
    std::vector<std::string> Submissions;
    std::vector<std::string> IncludeDirs;
    std::string MainName;
    std::size_t Jobs = 0; // 0: one per core
    TReportFormat Format = TReportFormat::Text;
    std::optional<std::string> OutDir;
    std::optional<std::string> SummaryFile;
};

struct TTestCommandParse {
    std::optional<TTestCommandLine> Line;
    std::string Error; // the usage error when Line is empty
};

// `args` without the program name; args[0] is "test".
TTestCommandParse ParseTestCommandLine(const std::vector<std::string>& args);

// Returns the exit status: 0 when every test of every submission passed, 1
// when one did not, 64 for a bad command line or test file.
int RunTestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zk::cli
