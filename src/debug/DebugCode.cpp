// The image's shapes the debugger relies on: a function runs from its entry
// to its only Ret; a call is SavePos, Goto; a tail self call FreeArgs, Goto
// to the entry; an IF's then part ends with a Goto over the else part. Every
// term leaves one value, so the values a call has on the stack before an
// instruction follow from the code alone, one pass over each function.
#include "debug/DebugCode.h"

#include <algorithm>
#include <limits>

namespace zk {

namespace {

constexpr int32_t kUnknownDepth = std::numeric_limits<int32_t>::min();

// What an instruction that falls through to the next does to the values.
int32_t StackEffect(int32_t opCode) {
    switch (opCode) {
    case opPushConst:
    case opPushNum:
    case opParam:
    case opParamCopy: return 1;
    case opExpr:
    case opEqual:
    case opGreater:
    case opAdd:
    case opSubtr:
    case opMul:
    case opDiv:
    case opMod:
    case opIf: return -1;
    default: return 0;
    }
}

bool Within(int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

} // namespace

TDebugCode::TDebugCode(const TPCode& code, const TFormMap& forms) : Code_(code), Forms_(forms) {
    IndexFunctions();
    IndexForms();
}

void TDebugCode::IndexFunctions() {
    const std::size_t size = Code_.Code.size();
    FunctionOf_.assign(size, -1);
    FunctionAt_.assign(size, -1);
    Rets_.assign(Code_.Functions.size(), -1);
    Depths_.assign(size, kUnknownDepth);
    for (std::size_t f = 0; f < Code_.Functions.size(); ++f) {
        const int32_t entry = Code_.Functions[f].Entry;
        if (!Within(entry, size) || FunctionAt_[static_cast<std::size_t>(entry)] != -1) continue;
        FunctionAt_[static_cast<std::size_t>(entry)] = static_cast<int32_t>(f);
        for (auto at = static_cast<std::size_t>(entry); at < size && FunctionOf_[at] == -1; ++at) {
            FunctionOf_[at] = static_cast<int32_t>(f);
            if (Code_.Code[at].OpCode != opRet) continue;
            Rets_[f] = static_cast<int32_t>(at);
            break;
        }
    }
    for (std::size_t f = 0; f < Code_.Functions.size(); ++f)
        if (Rets_[f] != -1) FindStackDepths(static_cast<int32_t>(f));
}

// Forward over the function in code order: an else part is reached by its
// If's jump and the end of an IF by its Goto before the code gets there.
void TDebugCode::FindStackDepths(int32_t function) {
    const int32_t entry = Code_.Functions[static_cast<std::size_t>(function)].Entry;
    const int32_t ret = Rets_[static_cast<std::size_t>(function)];
    const auto reach = [&](int32_t at, int32_t depth) {
        if (at >= entry && at <= ret && Depths_[static_cast<std::size_t>(at)] == kUnknownDepth)
            Depths_[static_cast<std::size_t>(at)] = depth;
    };
    const int32_t arity = Arity(function);
    reach(entry, Code_.Code[static_cast<std::size_t>(entry)].OpCode == opLoadArgs ? arity : 0);
    for (int32_t at = entry; at < ret; ++at) {
        const int32_t depth = Depths_[static_cast<std::size_t>(at)];
        if (depth == kUnknownDepth) continue;
        const TPInstr& instr = Code_.Code[static_cast<std::size_t>(at)];
        if (instr.OpCode == opLoadArgs) {
            reach(at + 1, depth - (instr.Arg1 & 0xFF));
        } else if (instr.OpCode == opIf) {
            reach(at + 1, depth - 1);
            reach(instr.Arg1, depth - 1);
        } else if (instr.OpCode != opGoto) {
            reach(at + 1, depth + StackEffect(instr.OpCode));
        } else if (IsCall(at) || IsTailCall(at)) {
            // A tail call never comes back; what follows it is reached as
            // if it had been a call, which is what it was written as.
            const int32_t callee = Callee(at);
            reach(at + 1, depth - (callee < 0 ? 0 : Arity(callee)) + 1);
        } else {
            reach(instr.Arg1, depth);
        }
    }
}

void TDebugCode::IndexForms() {
    const std::size_t count = Forms_.Forms.size();
    Levels_.assign(count, 1);
    First_.assign(count, std::numeric_limits<int32_t>::max());
    Last_.assign(count, -1);
    Children_.assign(count, {});
    Bodies_.assign(Code_.Functions.size(), -1);
    for (std::size_t f = 0; f < count; ++f) {
        const TFormInfo& form = Forms_.Forms[f];
        if (form.Parent >= 0) {
            Levels_[f] = Levels_[static_cast<std::size_t>(form.Parent)] + 1;
            Children_[static_cast<std::size_t>(form.Parent)].push_back(static_cast<int32_t>(f));
        } else if (Within(form.Function, Bodies_.size())) {
            Bodies_[static_cast<std::size_t>(form.Function)] = static_cast<int32_t>(f);
        }
    }
    for (int32_t i = 0; i < InstrCount(); ++i) {
        const int32_t form = FormOf(i);
        if (form < 0) continue;
        First_[static_cast<std::size_t>(form)] =
            std::min(First_[static_cast<std::size_t>(form)], i);
        Last_[static_cast<std::size_t>(form)] = std::max(Last_[static_cast<std::size_t>(form)], i);
    }
    // Children come after their parents, so one backward pass spreads each
    // range to every form around it.
    for (std::size_t f = count; f-- > 0;) {
        const int32_t parent = Forms_.Forms[f].Parent;
        if (parent < 0 || Last_[f] < 0) continue;
        const auto at = static_cast<std::size_t>(parent);
        First_[at] = std::min(First_[at], First_[f]);
        Last_[at] = std::max(Last_[at], Last_[f]);
    }
}

int32_t TDebugCode::FormOf(int32_t instr) const {
    if (!Within(instr, Forms_.FormOfInstr.size()) || !Within(instr, Code_.Code.size())) return -1;
    return Forms_.FormOfInstr[static_cast<std::size_t>(instr)];
}

int32_t TDebugCode::FunctionOf(int32_t instr) const {
    return Within(instr, FunctionOf_.size()) ? FunctionOf_[static_cast<std::size_t>(instr)] : -1;
}

int32_t TDebugCode::FunctionAt(int32_t instr) const {
    return Within(instr, FunctionAt_.size()) ? FunctionAt_[static_cast<std::size_t>(instr)] : -1;
}

int32_t TDebugCode::Arity(int32_t function) const {
    if (!Within(function, Code_.Functions.size())) return 0;
    return static_cast<int32_t>(Code_.Functions[static_cast<std::size_t>(function)].Args.size());
}

int32_t TDebugCode::RetOf(int32_t function) const {
    return Within(function, Rets_.size()) ? Rets_[static_cast<std::size_t>(function)] : -1;
}

const std::string& TDebugCode::FunctionName(int32_t function) const {
    static const std::string kNoName = "?";
    if (!Within(function, Code_.Functions.size())) return kNoName;
    return Code_.Functions[static_cast<std::size_t>(function)].Name;
}

bool TDebugCode::IsCall(int32_t instr) const {
    return Within(instr, Code_.Code.size()) && instr > 0 &&
           Code_.Code[static_cast<std::size_t>(instr)].OpCode == opGoto &&
           Code_.Code[static_cast<std::size_t>(instr) - 1].OpCode == opSavePos;
}

bool TDebugCode::IsTailCall(int32_t instr) const {
    if (!Within(instr, Code_.Code.size()) || instr == 0) return false;
    const TPInstr& jump = Code_.Code[static_cast<std::size_t>(instr)];
    return jump.OpCode == opGoto &&
           Code_.Code[static_cast<std::size_t>(instr) - 1].OpCode == opFreeArgs &&
           FunctionAt(jump.Arg1) >= 0;
}

bool TDebugCode::IsRet(int32_t instr) const {
    return Within(instr, Code_.Code.size()) &&
           Code_.Code[static_cast<std::size_t>(instr)].OpCode == opRet;
}

int32_t TDebugCode::Callee(int32_t instr) const {
    if (!Within(instr, Code_.Code.size())) return -1;
    return FunctionAt(Code_.Code[static_cast<std::size_t>(instr)].Arg1);
}

int32_t TDebugCode::StackDepth(int32_t instr) const {
    if (!Within(instr, Depths_.size())) return 0;
    const int32_t depth = Depths_[static_cast<std::size_t>(instr)];
    return depth == kUnknownDepth ? 0 : depth;
}

bool TDebugCode::IsFoldedConstant(int32_t instr) const {
    if (!Within(instr + 1, Code_.Code.size()) || instr < 0) return false;
    return Code_.Code[static_cast<std::size_t>(instr)].OpCode == opNop &&
           Code_.Code[static_cast<std::size_t>(instr) + 1].OpCode == opAtomEqual;
}

std::string TDebugCode::FoldedConstant(int32_t instr) const {
    const TPInstr& test = Code_.Code[static_cast<std::size_t>(instr) + 1];
    if (test.Arg2 == 1) return std::to_string(test.Arg1);
    if (test.Arg1 <= 0 || test.Arg1 >= Code_.Atoms.Count()) return {};
    return Code_.Atoms[test.Arg1];
}

std::vector<int32_t> TDebugCode::OwnInstrs(int32_t form) const {
    std::vector<int32_t> own;
    for (int32_t i = FirstInstr(form); i <= LastInstr(form); ++i)
        if (FormOf(i) == form) own.push_back(i);
    return own;
}

int32_t TDebugCode::BodyOf(int32_t function) const {
    return Within(function, Bodies_.size()) ? Bodies_[static_cast<std::size_t>(function)] : -1;
}

std::vector<int32_t> TDebugCode::Chain(int32_t form) const {
    std::vector<int32_t> chain;
    for (; form >= 0; form = Forms_.Forms[static_cast<std::size_t>(form)].Parent)
        chain.push_back(form);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// A SavePos just executed has pushed its return place while its Goto waits:
// that call has not begun yet.
std::vector<TFrame> TDebugCode::Frames(const TInterpreter& run, int32_t pc) const {
    std::span<const int32_t> returns = run.ReturnStack();
    if (!returns.empty() && pc == returns.back() + 1) returns = returns.first(returns.size() - 1);
    std::vector<TFrame> frames;
    frames.reserve(returns.size() + 1);
    for (std::size_t k = returns.size() + 1; k-- > 0;) {
        TFrame frame;
        frame.Pc = k == returns.size() ? pc : returns[k];
        frame.Function = FunctionOf(frame.Pc);
        frame.CallForm = k == 0 ? -1 : FormOf(returns[k - 1]);
        frame.Arity = Arity(frame.Function);
        frame.ArgsIn = TValueSource::ArgStack;
        frames.push_back(frame);
    }
    // The newest call's arguments are loaded only between its LoadArgs and
    // its FreeArgs; every older call is inside its body, making a call.
    TFrame& newest = frames.front();
    const int32_t entry =
        newest.Function < 0 ? -1 : Code_.Functions[static_cast<std::size_t>(newest.Function)].Entry;
    if (newest.Arity > 0 && pc == entry) {
        newest.ArgsIn = TValueSource::ValueStack;
    } else if (newest.Arity > 0 && (IsRet(pc) || IsTailCall(pc))) {
        newest.ArgsIn = TValueSource::None;
    }
    const auto args = static_cast<int32_t>(run.Memory().ArgStack().Count());
    int32_t above = 0;
    for (TFrame& frame : frames) {
        if (frame.ArgsIn != TValueSource::ArgStack) continue;
        if (above + frame.Arity > args) {
            frame.ArgsIn = TValueSource::None;
            continue;
        }
        frame.ArgsDepth = above;
        above += frame.Arity;
    }
    return frames;
}

} // namespace zk
