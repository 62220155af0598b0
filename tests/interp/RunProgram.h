// Helpers of the interpreter tests: a program text compiled and linked the way
// a build does it, and run from its parameters to its end.
#pragma once

#include "TestFiles.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/Source.h"
#include "interp/Interpreter.h"

#include <gtest/gtest.h>

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

struct TRunOutcome {
    int32_t Error = 0;
    std::string Result; // the plain rendering after code 70, else empty
    int64_t ExecCount = 0;
    int32_t Depth = 0;
    int32_t MaxDepth = 0;
};

// Parameters go through AddParam, upper-cased as the run commands do it.
inline TRunOutcome RunProgram(std::string_view text, const std::vector<std::string>& params = {},
                              const TRunOptions& options = {},
                              int32_t cells = 4 * kCellsPerMegabyte) {
    TInterpreter run(cells, CompiledProgram(text), options);
    for (const std::string& param : params) {
        if (run.ErrorNumber() != 0) break;
        run.AddParam(UpperCase1251(param));
    }
    if (run.ErrorNumber() == 0) run.Run();
    TRunOutcome outcome{run.ErrorNumber(), {}, run.ExecCount(), run.Depth(), run.MaxDepth()};
    if (outcome.Error == kErrorRunComplete) outcome.Result = run.ResultText();
    return outcome;
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
