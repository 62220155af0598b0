// A run's input parameters: a text as typed (checked, upper-cased and read
// into the memory) and the same bytes as a parameter file of one line per
// argument, pushed for a program that returns its arguments.
#include "FuzzSupport.h"

#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "interp/Interpreter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

// A program of three arguments that returns them joined, compiled once.
const TPCode& ThreeArguments() {
    static const TPCode code = [] {
        TPCode compiled;
        TError error;
        CompileMainFile(fuzz::WriteScratch("JOIN.ZK", "(F (A B C) (EXPR (EXPR A B) C))"), compiled,
                        false, error, {fuzz::ScratchEntry()});
        CompileLog.clear();
        fuzz::Require(error.Number == 0, "the parameter program compiles");
        return compiled;
    }();
    return code;
}

void RunWith(TInterpreter& run) {
    if (run.ErrorNumber() != 0) return;
    run.Run();
    if (run.ErrorNumber() == kErrorRunComplete) run.ResultText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TRunOptions options;
    options.StepLimit = fuzz::kStepBudget;
    options.StackLimit = fuzz::kStackBudget;

    TInterpreter typed(fuzz::kCellBudget, ThreeArguments(), options);
    const std::string upper = UpperCase1251(text);
    for (int i = 0; i < 3; ++i)
        typed.AddParam(upper);
    if (ParamSyntaxOk(upper))
        fuzz::Require(typed.ErrorNumber() == 0 || typed.ErrorNumber() == kErrorNoMemory,
                      "a parameter of good syntax is refused");
    RunWith(typed);

    TInterpreter fromFile(fuzz::kCellBudget, ThreeArguments(), options);
    fromFile.ReadParams(fuzz::WriteScratch("INPUT.TXT", text));
    RunWith(fromFile);
    return 0;
}
