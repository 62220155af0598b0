// zk test's checking in child processes: each submission is checked in a
// process of its own (forked from zk, or zk started again where the system
// cannot fork), a few at a time, which sends each test's outcome back
// through a pipe as it has it. A child that crashes, is
// killed or stops answering fails the test it was running; the rest of that
// submission's tests go on in a new child. The calling process stays
// single-threaded, so that forking it is safe.
#pragma once

#include "cli/TestFile.h"
#include "cli/TestRunner.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zk::cli {

// Called with the submission's index, the test's index and its outcome; the
// tests of one submission arrive in their order.
using TOutcomeSink =
    std::function<void(std::size_t submission, std::size_t test, const TTestOutcome& outcome)>;

// Checks every submission, at most `jobs` at a time, until each test of each
// has its outcome. An exception from `sink` ends the children and passes on.
// `testFile` is the file `tests` came from, which a child started afresh
// loads again.
void CheckInProcesses(const TTestFile& tests, const std::string& testFile,
                      const std::vector<TSubmission>& submissions, const TCheckOptions& options,
                      std::size_t jobs, const TOutcomeSink& sink);

// The argument that starts zk afresh as a checking child, and what such a
// child does: reads its job from `in` and sends each outcome to its parent.
// Its status is kExitChildFailed when the job cannot be done.
constexpr std::string_view kCheckChildArgument = "--check-child";
constexpr int kExitChildFailed = 2;
int RunCheckChild(std::istream& in);

// How a test's outcome travels from a child: one line of JSON.
std::string OutcomeMessage(std::size_t test, const TTestOutcome& outcome);
// False when the line is no such message.
bool ReadOutcomeMessage(std::string_view line, std::size_t& test, TTestOutcome& outcome);

} // namespace zk::cli
