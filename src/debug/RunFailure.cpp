// The failure's description reads the run's stacks as TDebugCode's frames do.
#include "debug/RunFailure.h"

#include "debug/DebugCode.h"

namespace zk {

namespace {

TFormPlace PlaceOf(const TFormMap& forms, int32_t form) {
    if (form < 0) return {};
    return {form, forms.Forms[static_cast<std::size_t>(form)].File, forms.PlaceOf(form)};
}

std::vector<std::string> ArgsOf(const TInterpreter& run, const TFrame& frame,
                                const TValueCut& cut) {
    std::vector<std::string> args;
    if (frame.ArgsIn != TValueSource::ArgStack) return args;
    const TTreeStack& stack = run.Memory().ArgStack();
    // The first argument is the top of the call's arguments.
    for (int32_t j = 0; j < frame.Arity; ++j)
        args.push_back(
            ShownArgument(run.Memory(), *stack.At(frame.ArgsDepth + j), run.Atoms(), cut));
    return args;
}

} // namespace

std::optional<TRunFailure> DescribeFailure(const TInterpreter& run, const TFormMap& forms,
                                           const TValueCut& cut, std::size_t maxCalls) {
    const int32_t code = run.ErrorNumber();
    if (code == 0 || code == kErrorRunComplete || code == kErrorStopped) return std::nullopt;
    if (run.FailedAt() < 0 || forms.FormOfInstr.size() != run.Code().Code.size())
        return std::nullopt;
    const TDebugCode image(run.Code(), forms);
    TRunFailure failure;
    failure.ErrorNumber = code;
    failure.Form = PlaceOf(forms, image.FormOf(run.FailedAt()));
    const std::vector<TFrame> frames = image.Frames(run, run.FailedAt());
    for (std::size_t k = 0; k + 1 < frames.size() && failure.Calls.size() < maxCalls; ++k) {
        const TFrame& frame = frames[k];
        failure.Calls.push_back({frame.Function, image.FunctionName(frame.Function),
                                 ArgsOf(run, frame, cut), PlaceOf(forms, frame.CallForm)});
    }
    return failure;
}

} // namespace zk
