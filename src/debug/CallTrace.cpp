// The trace's traps: a traced function's entry holds before its LoadArgs,
// with the arguments still on the value stack, and its Ret before it returns,
// with the value on top.
#include "debug/CallTrace.h"

#include "debug/DebugCode.h"
#include "debug/FormMap.h"
#include "frontend/Cp1251.h"

#include <algorithm>

namespace zk {

namespace {

bool Traced(const TTraceOptions& options, const std::string& name) {
    if (options.Functions.empty()) return true;
    return std::any_of(options.Functions.begin(), options.Functions.end(),
                       [&name](const std::string& wanted) { return SameText1251(wanted, name); });
}

std::vector<TTrap> TrapsOf(const TDebugCode& image, const TTraceOptions& options) {
    std::vector<TTrap> traps;
    for (int32_t f = 0; f < image.Code().FunctionCount(); ++f) {
        if (!Traced(options, image.FunctionName(f)) || image.RetOf(f) < 0) continue;
        traps.push_back({image.Code().Functions[static_cast<std::size_t>(f)].Entry});
        traps.push_back({image.RetOf(f)});
    }
    return traps;
}

std::string Indent(std::size_t depth) {
    return std::string(2 * depth, ' ');
}

// The line of the trap the run stands at.
std::string TraceLine(const TDebugCode& image, const TInterpreter& run,
                      const TTraceOptions& options) {
    const TZKMemory& memory = run.Memory();
    const TTreeStack& values = memory.ValueStack();
    const std::size_t depth = run.ReturnStack().size();
    const int32_t function = image.FunctionOf(run.PC());
    const std::string& name = image.FunctionName(function);
    if (image.IsRet(run.PC())) {
        const TTreeRef result = values.IsEmpty() ? kEmptyTree : *values.At(0);
        return Indent(depth) + name + " = " +
               ShownArgument(memory, result, run.Atoms(), options.Cut);
    }
    // Before LoadArgs the last argument is on top.
    const int32_t arity = image.Arity(function);
    std::vector<std::string> args;
    for (int32_t j = 0; j < arity; ++j) {
        const TTreeRef* arg = values.At(arity - 1 - j);
        args.push_back(ShownArgument(memory, arg ? *arg : kEmptyTree, run.Atoms(), options.Cut));
    }
    return Indent(depth) + CallText(name, args);
}

} // namespace

void RunTraced(TInterpreter& run, const TTraceOptions& options,
               const std::function<void(const std::string&)>& line) {
    const TFormMap noForms;
    const TDebugCode image(run.Code(), noForms);
    int64_t told = 0;
    if (options.LineLimit > 0) run.SetTraps(TrapsOf(image, options));
    while (run.ErrorNumber() == 0) {
        run.ExecuteSteps(run.StepLimit() - run.ExecCount());
        if (!run.Trapped()) break;
        line(TraceLine(image, run, options));
        if (++told == options.LineLimit) run.SetTraps({});
        run.ExecStep();
    }
    // Only a run that used up its steps ends without an error number.
    if (run.ErrorNumber() == 0) run.Run();
}

} // namespace zk
