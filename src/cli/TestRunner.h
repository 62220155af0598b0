// The checking of one submission against a test file: the submission found
// (a source, or the one source of a folder), compiled once, and every test
// run on an interpreter of its own, with its own memory and limits, so that a
// test that fails, loops or runs out of memory leaves the others alone. Free
// of Qt and of processes: zk test calls it in a child process per
// submission, the environment on a thread of its own.
#pragma once

#include "cli/TestFile.h"
#include "interp/Canvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace zk::cli {

struct TSubmission {
    std::string Name;     // as the user gave it (the system's bytes), without a final '/'
    std::string MainFile; // the source to compile
    std::string Problem;  // Windows-1251: why it cannot be compiled; empty when it can
};

// `path` is a source or a folder holding one. `mainName` (which may leave
// off ".zk") picks the source of a folder holding several: an exact name
// first, else the first whose name is equal ignoring letter case. A folder
// with none, or with several and no `mainName`, is the submission's problem.
TSubmission FindSubmission(const std::string& path, const std::string& mainName = {});

enum class TTestStatus : uint8_t { Pass, Fail, Error };

// How a test's run ended. Error: the compilation or the run ended with an
// error number. NotRun: there was no run: no source to compile, a file that
// cannot be read, parameters the program does not take, memory the machine
// refused, a stop request, a checking process that died.
enum class TRunEnd : uint8_t { Result, Error, StepLimit, TimeLimit, NotRun };

// What is kept of what a test gives.
constexpr std::size_t kMaxGotChars = 500;

struct TTestOutcome {
    TTestStatus Status = TTestStatus::Error;
    TRunEnd End = TRunEnd::NotRun;
    int32_t ErrorNumber = 0; // End == Error: the number the compilation or the run ended with
    // Windows-1251, cut to kMaxGotChars characters: what zk run would print
    // (the result, an error's line), what the picture is, or why there is none.
    std::string Got;
    int64_t Steps = 0;  // instructions executed
    double Seconds = 0; // the run's wall-clock time
};

struct TCheckOptions {
    std::vector<std::string> IncludeDirs; // searched after the main file's own directory
    bool Classic = false;                 // when the test file does not choose
    int32_t MemoryMB = 4;                 // when a test does not say
    bool SymbolError = true;              // when a test does not say
    int32_t GraphicsMode = 0;
    // The nodes the stacks of one run may hold; 0 keeps the interpreter's
    // own limit, an eighth of the machine's memory.
    int64_t StackLimit = 0;
    // The canvas a picture test draws on; without it such tests end in error.
    std::function<std::unique_ptr<TCanvas>(int32_t width, int32_t height)> MakeCanvas;
};

using TTestCallback = std::function<void(std::size_t index, const TTestOutcome&)>;

// Compiles the submission once and runs the tests from index `first` on, in
// order, calling `onTest` after each; returns their outcomes. A compile error
// is every test's error, except that it passes a test that expects its
// number. A stop request ends the running test as not run and the check with
// it. Compiles on the calling thread: the front end's language flag and log
// allow one compilation at a time in a process; the flag is given back as
// it was, the log keeps this compilation's lines. Files of the submission that
// cannot be read fail its tests; nothing is thrown for them.
std::vector<TTestOutcome> RunSubmissionTests(const TTestFile& tests, const TSubmission& submission,
                                             const TCheckOptions& options,
                                             const TTestCallback& onTest = {},
                                             std::stop_token stop = {}, std::size_t first = 0);

// The points of the passed tests among `outcomes` (outcome i is of test i),
// and of all tests.
int64_t Score(const TTestFile& tests, const std::vector<TTestOutcome>& outcomes);
int64_t MaxScore(const TTestFile& tests);

// What a test expects, in words (Windows-1251): the result text, the error's
// text, the picture's file and size.
std::string ExpectedText(const TTestCase& test);

} // namespace zk::cli
