// What the debugger reads once from an image and its form map: the function
// and form of each instruction, the calls and tail calls, each form's level
// and instructions, how many values the current call has on the value stack
// before each instruction, and the frames of the calls active in a run.
#pragma once

#include "debug/DebugRun.h"
#include "debug/FormMap.h"
#include "interp/Interpreter.h"
#include "pcode/PCode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zk {

// One active call as the run's stacks hold it.
struct TFrame {
    int32_t Function = -1;
    int32_t CallForm = -1;
    // The instruction the call stands at: the next one of the newest call,
    // the SavePos of its own call for the others.
    int32_t Pc = -1;
    int32_t Arity = 0;
    // Where its arguments lie: on the argument stack once loaded, on the
    // value stack while its entry's LoadArgs waits, nowhere once freed.
    TValueSource ArgsIn = TValueSource::None;
    int32_t ArgsDepth = 0; // entries above the frame's first argument
};

class TDebugCode {
public:
    // `forms` may be empty (a program file): every instruction is then
    // without a form.
    TDebugCode(const TPCode& code, const TFormMap& forms);

    const TPCode& Code() const { return Code_; }
    const TFormMap& Forms() const { return Forms_; }
    int32_t InstrCount() const { return Code_.InstrCount(); }

    int32_t FormOf(int32_t instr) const;
    // -1 outside every function record, as in a unit's helper.
    int32_t FunctionOf(int32_t instr) const;
    // The function entered at `instr`, or -1.
    int32_t FunctionAt(int32_t instr) const;
    int32_t Arity(int32_t function) const;
    int32_t RetOf(int32_t function) const;
    const std::string& FunctionName(int32_t function) const;

    // The Goto of a call, after its SavePos.
    bool IsCall(int32_t instr) const;
    // The Goto of a tail self call, which re-enters its function.
    bool IsTailCall(int32_t instr) const;
    bool IsRet(int32_t instr) const;
    // The function a call or a tail call at `instr` enters, or -1.
    int32_t Callee(int32_t instr) const;
    // The values the current call has pushed before `instr` runs; below its
    // first argument while its entry waits. Unknown code gives 0.
    int32_t StackDepth(int32_t instr) const;
    // A NOP that stands for a constant compared by the AtomEqual after it,
    // and that constant as ZK text.
    bool IsFoldedConstant(int32_t instr) const;
    std::string FoldedConstant(int32_t instr) const;

    const TFormInfo& Form(int32_t form) const {
        return Forms_.Forms[static_cast<std::size_t>(form)];
    }
    int32_t Level(int32_t form) const { return Levels_[static_cast<std::size_t>(form)]; }
    // The instructions of the form and of everything inside it.
    int32_t FirstInstr(int32_t form) const { return First_[static_cast<std::size_t>(form)]; }
    int32_t LastInstr(int32_t form) const { return Last_[static_cast<std::size_t>(form)]; }
    // The instructions emitted for the form itself, in code order.
    std::vector<int32_t> OwnInstrs(int32_t form) const;
    const std::vector<int32_t>& Children(int32_t form) const {
        return Children_[static_cast<std::size_t>(form)];
    }
    // The body of a function, -1 without forms.
    int32_t BodyOf(int32_t function) const;
    // From the body down to `form`; empty for -1.
    std::vector<int32_t> Chain(int32_t form) const;

    // The active calls, newest first, the main function last, for a run that
    // stands before `pc`, the instruction its newest call goes on with.
    std::vector<TFrame> Frames(const TInterpreter& run, int32_t pc) const;

private:
    void IndexFunctions();
    void IndexForms();
    void FindStackDepths(int32_t function);

    const TPCode& Code_;
    const TFormMap& Forms_;
    std::vector<int32_t> FunctionOf_;
    std::vector<int32_t> FunctionAt_;
    std::vector<int32_t> Rets_;
    std::vector<int32_t> Depths_;
    std::vector<int32_t> Levels_;
    std::vector<int32_t> First_;
    std::vector<int32_t> Last_;
    std::vector<int32_t> Bodies_;
    std::vector<std::vector<int32_t>> Children_;
};

} // namespace zk
