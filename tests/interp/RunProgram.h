// Helpers of the interpreter tests: a program text compiled and linked the way
// a build does it, and run from its parameters to its end. Every run is made
// twice, from the compiled image and from that image saved as a program file
// and loaded back, and the two runs must agree in everything.
#pragma once

#include "TestFiles.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/Source.h"
#include "interp/ImageCheck.h"
#include "interp/Interpreter.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zk::test {

inline TPCode CompiledProgram(std::string_view text) {
    TTempDir dir;
    TSource source = TSource::CreateFromFile(dir.Write("MAIN.ZK", text));
    TError error;
    TPCode code;
    Compile(source, code, false, error, {dir.Entry()});
    CompileLog.clear();
    EXPECT_EQ(error.Number, 0) << "the program does not compile: " << text;
    return code;
}

// The image as `zk run` finds it in the program file that `zk build` wrote.
inline TPCode ReloadedProgram(const TPCode& code) {
    TTempDir dir;
    const std::string path = (dir.Path() / "MAIN.ZKP").string();
    code.SaveToFile(path, pfProgram);
    TPCode loaded = TPCode::FromFile(path);
    EXPECT_EQ(RunnableImageFault(loaded), "");
    return loaded;
}

// Everything a run leaves that a test may look at.
struct TRunOutcome {
    int32_t Error = 0;
    std::string Result; // the plain rendering after code 70, else empty
    int64_t ExecCount = 0;
    int32_t Depth = 0;
    int32_t MaxDepth = 0;
    int32_t PC = 0;
    int64_t AllocCount = 0;
    int32_t CellsInUse = 0;
    int32_t AtomCount = 0; // the run's table, with the atoms that parameters added
    uint32_t RandomState = 0;

    friend bool operator==(const TRunOutcome&, const TRunOutcome&) = default;
};

inline void PrintTo(const TRunOutcome& o, std::ostream* out) {
    *out << "{code " << o.Error << ", result \"" << o.Result << "\", steps " << o.ExecCount
         << ", depth " << o.Depth << "/" << o.MaxDepth << ", pc " << o.PC << ", allocations "
         << o.AllocCount << ", cells " << o.CellsInUse << ", atoms " << o.AtomCount << ", random "
         << o.RandomState << "}";
}

// Hands the parameters to a run before it starts.
using TFeed = std::function<void(TInterpreter&)>;

// Each through AddParam, upper-cased as the run commands do it, until one fails.
inline TFeed Params(std::vector<std::string> params) {
    return [params = std::move(params)](TInterpreter& run) {
        for (const std::string& param : params) {
            if (run.ErrorNumber() != 0) break;
            run.AddParam(UpperCase1251(param));
        }
    };
}

// Everything a run shows when it has ended.
inline TRunOutcome OutcomeOf(TInterpreter& run) {
    TRunOutcome outcome{.Error = run.ErrorNumber(),
                        .Result = {},
                        .ExecCount = run.ExecCount(),
                        .Depth = run.Depth(),
                        .MaxDepth = run.MaxDepth(),
                        .PC = run.PC(),
                        .AllocCount = run.AllocCount(),
                        .CellsInUse = run.CellsInUse(),
                        .AtomCount = run.Atoms().Count(),
                        .RandomState = run.RandomState()};
    if (outcome.Error == kErrorRunComplete) outcome.Result = run.ResultText();
    return outcome;
}

// The run from the parameters on; no run takes place when they fail.
inline TRunOutcome RunImage(TPCode image, const TFeed& feed, const TRunOptions& options,
                            int32_t cells) {
    TInterpreter run(cells, std::move(image), options);
    feed(run);
    if (run.ErrorNumber() == 0) run.Run();
    return OutcomeOf(run);
}

// The outcome of the compiled image, after the program file's run agreed.
inline TRunOutcome RunBothWays(const TPCode& code, const TFeed& feed, const TRunOptions& options,
                               int32_t cells) {
    const TRunOutcome compiled = RunImage(code, feed, options, cells);
    const TRunOutcome loaded = RunImage(ReloadedProgram(code), feed, options, cells);
    EXPECT_EQ(loaded, compiled) << "the program file runs differently";
    return compiled;
}

inline TRunOutcome RunFed(std::string_view text, const TFeed& feed, const TRunOptions& options = {},
                          int32_t cells = 4 * kCellsPerMegabyte) {
    SCOPED_TRACE(text);
    return RunBothWays(CompiledProgram(text), feed, options, cells);
}

inline TRunOutcome RunProgram(std::string_view text, const std::vector<std::string>& params = {},
                              const TRunOptions& options = {},
                              int32_t cells = 4 * kCellsPerMegabyte) {
    return RunFed(text, Params(params), options, cells);
}

// The result text of a program that must end normally.
inline std::string ResultOf(std::string_view text, const std::vector<std::string>& params = {}) {
    const TRunOutcome outcome = RunProgram(text, params);
    EXPECT_EQ(outcome.Error, kErrorRunComplete) << text;
    return outcome.Result;
}

inline int32_t CodeOf(std::string_view text, const std::vector<std::string>& params = {},
                      const TRunOptions& options = {}) {
    return RunProgram(text, params, options).Error;
}

} // namespace zk::test
