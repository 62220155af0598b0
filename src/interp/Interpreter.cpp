#include "interp/Interpreter.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "interp/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unistd.h>

namespace zk {

namespace {

// The worker publishes its counters this often, in steps, looks for a Stop
// and checks the stacks against their limit. Each step adds at most one
// stack node, so the limit is overshot by at most this many nodes.
constexpr int32_t kPublishInterval = 4096;

int64_t DefaultStackLimit() {
    constexpr int64_t kNodeBytes = 16;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return int64_t{1} << 26;
    return static_cast<int64_t>(pages) * pageSize / 8 / kNodeBytes;
}

// Add, Subtr, Mul, Div and Mod have consecutive codes; a group that ends
// with one of them has a code for each, in that order, so that its handler
// is made for that one operation.
constexpr int32_t kArithCount = opMod - opAdd + 1;

// Pairs of instructions that the loop executes with one dispatch, as two
// steps. The pair's code replaces the first instruction's; the second stays
// in place for the jumps that lead to it.
enum TFusedCode : int32_t {
    fuCall = kOpCodeCount, // SavePos, Goto
    fuReturn,              // FreeArgs, Ret
    fuTailJump,            // FreeArgs, Goto
    fuEqualIf,             // Equal, If
    fuAtomEqualIf,         // AtomEqual, If
    fuGreaterIf,           // Greater, If
    fuConstArith,          // PushNum, one of Add, Subtr, Mul, Div, Mod
    // Three instructions with one dispatch, as three steps.
    fuParamConstArith = fuConstArith + kArithCount, // Param, then the pair fuConstArith
    fuCallEnter = fuParamConstArith + kArithCount,  // the pair fuCall, then the callee's LoadArgs
    fuTailEnter, // the pair fuTailJump, then the LoadArgs it jumps to
    // Four instructions, as four steps.
    fuArgsEqualIf,       // Param, Param, then the pair fuEqualIf
    fuConstArgGreaterIf, // PushNum, Param, then the pair fuGreaterIf
    // Operations on arguments and constants that are never pushed: an
    // argument tested, compared or taken apart right where it is.
    fuArgAtomEqualIf,                       // Param, NOP, AtomEqual, If
    fuArgConstGreaterIf,                    // Param, PushNum, Greater, If
    fuArgsGreaterIf,                        // Param, Param, Greater, If
    fuArgsArith,                            // Param, Param, one of Add, Subtr, Mul, Div, Mod
    fuArgFirst = fuArgsArith + kArithCount, // Param, First
    fuArgBF,                                // Param, BF
    fuGotoReturn,                           // Goto to a FreeArgs followed by Ret, and those two
    // An argument as the second operand of what lies on the stack.
    fuParamArith,                                // Param, one of Add, Subtr, Mul, Div, Mod
    fuParamEqualIf = fuParamArith + kArithCount, // Param, Equal, If
    fuParamParam,                                // Param, a Param that starts no group
    kRunCodeCount
};

bool IsArithmetic(int32_t code) {
    return code >= opAdd && code <= opMod;
}

bool IsConstArith(int32_t code) {
    return code >= fuConstArith && code < fuConstArith + kArithCount;
}

int32_t PairCode(int32_t first, int32_t second) {
    switch (first) {
    case opSavePos: return second == opGoto ? fuCall : first;
    case opFreeArgs: return second == opRet ? fuReturn : second == opGoto ? fuTailJump : first;
    case opEqual: return second == opIf ? fuEqualIf : first;
    case opAtomEqual: return second == opIf ? fuAtomEqualIf : first;
    case opGreater: return second == opIf ? fuGreaterIf : first;
    case opPushNum: return IsArithmetic(second) ? fuConstArith + (second - opAdd) : first;
    default: return first;
    }
}

// The group on arguments that starts with the Param whose followers have the
// codes `next`, `third` and `fourth`; opParam when there is none.
int32_t ArgumentGroup(int32_t next, int32_t third, int32_t fourth) {
    if (next == opNop && third == opAtomEqual && fourth == opIf) return fuArgAtomEqualIf;
    if (next == opPushNum && third == opGreater && fourth == opIf) return fuArgConstGreaterIf;
    if (next == opParam && third == opGreater && fourth == opIf) return fuArgsGreaterIf;
    if (next == opParam && IsArithmetic(third)) return fuArgsArith + (third - opAdd);
    if (next == opFirst) return fuArgFirst;
    if (next == opBF) return fuArgBF;
    if (IsArithmetic(next)) return fuParamArith + (next - opAdd);
    if (next == opEqual && third == opIf) return fuParamEqualIf;
    return opParam;
}

// The groups that start with a Param or a Goto, found from the codes of the
// image itself.
void JoinArgumentGroups(std::vector<TOperands>& program, const std::vector<int32_t>& codes) {
    const auto codeAt = [&codes](std::size_t index) {
        return index < codes.size() ? codes[index] : opRes1;
    };
    // From the end, so that a Param's follower has its final code.
    for (std::size_t i = codes.size(); i-- > 0;) {
        if (codes[i] == opParam && program[i].OpCode == opParam) {
            program[i].OpCode = ArgumentGroup(codeAt(i + 1), codeAt(i + 2), codeAt(i + 3));
            if (program[i].OpCode == opParam && i + 1 < codes.size() &&
                program[i + 1].OpCode == opParam)
                program[i].OpCode = fuParamParam;
        } else if (codes[i] == opGoto && program[i].OpCode == opGoto) {
            const auto target = static_cast<std::size_t>(program[i].Arg1);
            if (codeAt(target) == opFreeArgs && codeAt(target + 1) == opRet)
                program[i].OpCode = fuGotoReturn;
        }
    }
}

// Gives the first instruction of each pair, three and four the code of the
// group. `program` ends with two instructions that join nothing.
void JoinInstructions(std::vector<TOperands>& program) {
    std::vector<int32_t> codes;
    codes.reserve(program.size());
    for (const TOperands& instr : program)
        codes.push_back(instr.OpCode);
    for (std::size_t i = 0; i + 1 < program.size(); ++i)
        program[i].OpCode = PairCode(program[i].OpCode, program[i + 1].OpCode);
    const auto codeAt = [&program](int32_t index) {
        return program[static_cast<std::size_t>(index)].OpCode;
    };
    for (std::size_t i = 0; i + 2 < program.size(); ++i) {
        TOperands& instr = program[i];
        const int32_t next = program[i + 1].OpCode;
        const int32_t third = program[i + 2].OpCode;
        if (instr.OpCode == opParam && IsConstArith(next))
            instr.OpCode = fuParamConstArith + (next - fuConstArith);
        else if (instr.OpCode == opParam && next == opParam && third == fuEqualIf)
            instr.OpCode = fuArgsEqualIf;
        else if (instr.OpCode == opPushNum && next == opParam && third == fuGreaterIf)
            instr.OpCode = fuConstArgGreaterIf;
        else if (instr.OpCode == fuCall && codeAt(program[i + 1].Arg1) == opLoadArgs)
            instr.OpCode = fuCallEnter;
        else if (instr.OpCode == fuTailJump && codeAt(program[i + 1].Arg1) == opLoadArgs)
            instr.OpCode = fuTailEnter;
    }
    JoinArgumentGroups(program, codes);
}

// `first` op `second` into `value` when both are numbers and the operation
// succeeds. The fast handlers leave anything else to single steps, which end
// with the executor's error code and stack.
[[gnu::always_inline]] inline bool ComputeNumbers(int32_t op, const TZKMemory& memory,
                                                  const TTreeRef& first, const TTreeRef& second,
                                                  int64_t& value) {
    if (!exec::IsNumber(memory, first) || !exec::IsNumber(memory, second)) return false;
    int32_t failure = 0;
    return TNumOpInterpreter::Compute(op, memory.Cell(first.First).Value,
                                      memory.Cell(second.First).Value, value, failure);
}

int32_t LimitOf(int32_t cells) {
    return static_cast<int32_t>(std::llround(cells * 0.8));
}

} // namespace

bool ParamSyntaxOk(std::string_view text) {
    int64_t open = 0;
    for (const char c : text) {
        if (c == '(') {
            ++open;
        } else if (c == ')') {
            if (--open < 0) return false;
        } else if (c != ' ' && !IsAtomChar(c)) {
            return false;
        }
    }
    return open == 0;
}

TInterpreter::TInterpreter(int32_t cells, TPCode code, const TRunOptions& options)
    : Code_(std::move(code)), Atoms_(Code_.Atoms), Memory_(cells, LimitOf(cells)),
      Random_(options.RandomState), State_{Memory_, Random_, options.SymbolIsError},
      StackLimit_(options.StackLimit > 0 ? options.StackLimit : DefaultStackLimit()),
      StepLimit_(options.StepLimit > 0 ? options.StepLimit : INT64_MAX) {
    Program_.reserve(Code_.Code.size() + 2);
    // The image check refuses any image with such an instruction; the loop
    // still never trusts that it was made.
    for (int32_t i = 0; i < Code_.InstrCount(); ++i) {
        const TPInstr& instr = Code_.Code[static_cast<std::size_t>(i)];
        Program_.push_back(InstructionFault(Code_, i).empty()
                               ? TOperands{instr.OpCode, instr.Arg1, instr.Arg2}
                               : TOperands{opRes1, 0, 0});
    }
    Program_.insert(Program_.end(), 2, TOperands{opRes1, 0, 0});
    JoinInstructions(Program_);
    Reset();
}

TInterpreter::~TInterpreter() {
    Stop();
    Wait();
}

void TInterpreter::Reset() {
    ReturnStack_.clear();
    Memory_.Reset();
    Atoms_ = Code_.Atoms;
    PC_ = 0;
    Steps_ = 0;
    Calls_ = 0;
    MaxCalls_ = 0;
    Error_.store(0, std::memory_order_relaxed);
    Publish();
}

void TInterpreter::SetError(int32_t code) {
    int32_t running = 0;
    Error_.compare_exchange_strong(running, code, std::memory_order_relaxed);
}

void TInterpreter::Publish() {
    ExecCount_.store(Steps_, std::memory_order_relaxed);
    Depth_.store(Calls_, std::memory_order_relaxed);
    MaxDepth_.store(MaxCalls_, std::memory_order_relaxed);
    AllocCount_.store(Memory_.AllocCount(), std::memory_order_relaxed);
    CellsInUse_.store(Memory_.CellCount(), std::memory_order_relaxed);
}

bool TInterpreter::StacksOverLimit() const {
    const auto nodes =
        static_cast<int64_t>(Memory_.ValueStack().Count() + Memory_.ArgStack().Count());
    return nodes + Calls_ > StackLimit_;
}

void TInterpreter::AddParam(std::string_view text) {
    if (!ParamSyntaxOk(text)) {
        SetError(kErrorBadParam);
        return;
    }
    std::string padded(text);
    padded += ' ';
    const TTreeRef value = Memory_.ParseText(padded, Atoms_);
    // A value cut short by the memory is never run on.
    if (Memory_.OutOfMemory()) {
        SetError(kErrorNoMemory);
    } else {
        Memory_.ValueStack().Push(value);
    }
    Publish();
}

void TInterpreter::ReadParams(std::string_view path) {
    const std::string data = ReadWholeFile(path);
    const std::size_t count = Code_.Functions.empty() ? 0 : Code_.Functions[0].Args.size();
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (pos >= data.size()) {
            SetError(kErrorTooFewParams);
            return;
        }
        AddParam(UpperCase1251(NextLine(data, pos)));
        if (ErrorNumber() != 0) return;
    }
}

void TInterpreter::Start(std::function<void()> onFinish) {
    Worker_ = std::thread([this, finish = std::move(onFinish)] {
        Run();
        if (finish) finish();
    });
}

void TInterpreter::Run() {
    Execute(std::max<int64_t>(StepLimit_ - Steps_, 0));
    // Only a run that used up its steps ends without an error number.
    SetError(kErrorStopped);
}

void TInterpreter::Wait() {
    if (Worker_.joinable()) Worker_.join();
}

void TInterpreter::Execute(int64_t budget) {
    try {
        Dispatch(budget);
    } catch (const std::bad_alloc&) {
        SetError(kErrorNoMemory);
    }
    Publish();
}

// Threaded dispatch (labels as values, a GCC and Clang extension): each
// handler ends by jumping through the table to the handler of the next
// instruction, with no loop around them. The loop's state lives in locals and
// goes back to the members whenever the counters are published and when the
// loop ends.
void TInterpreter::Dispatch(int64_t budget) {
    static constexpr void* kHandlers[] = {
        &&Nop,
        &&Push,
        &&FirstLast,
        &&BfBl,
        &&FirstLast,
        &&BfBl,
        &&Br,
        &&Cont,
        &&Expr,
        &&If,
        &&SymNum,
        &&Goto,
        &&Param,
        &&ParamCopy,
        &&LoadArgs,
        &&FreeArgs,
        &&Bad,
        &&Bad,
        &&Equal,
        &&Ret,
        &&SavePos,
        &&Abort,
        &&NumAdd,
        &&NumSubtr,
        &&NumMul,
        &&NumDiv,
        &&NumMod,
        &&PushNum,
        &&SymNum,
        &&Greater,
        &&Random,
        &&AtomEqual,
        &&Call,
        &&Return,
        &&TailJump,
        &&EqualIf,
        &&AtomEqualIf,
        &&GreaterIf,
        &&ConstAdd,
        &&ConstSubtr,
        &&ConstMul,
        &&ConstDiv,
        &&ConstMod,
        &&ParamConstAdd,
        &&ParamConstSubtr,
        &&ParamConstMul,
        &&ParamConstDiv,
        &&ParamConstMod,
        &&CallEnter,
        &&TailEnter,
        &&ArgsEqualIf,
        &&ConstArgGreaterIf,
        &&ArgAtomEqualIf,
        &&ArgConstGreaterIf,
        &&ArgsGreaterIf,
        &&ArgsAdd,
        &&ArgsSubtr,
        &&ArgsMul,
        &&ArgsDiv,
        &&ArgsMod,
        &&ArgFirst,
        &&ArgBF,
        &&GotoReturn,
        &&ParamAdd,
        &&ParamSubtr,
        &&ParamMul,
        &&ParamDiv,
        &&ParamMod,
        &&ParamEqualIf,
        &&ParamParam,
    };
    static_assert(std::size(kHandlers) == kRunCodeCount, "a handler for every code");
    const TOperands* const program = Program_.data();
    TTreeStack& values = Memory_.ValueStack();
    TTreeStack& args = Memory_.ArgStack();
    int32_t pc = PC_;
    int32_t calls = Calls_;
    int32_t maxCalls = MaxCalls_;
    const int64_t stepsEnd = budget > INT64_MAX - Steps_ ? INT64_MAX : Steps_ + budget;
    // The steps are counted down in chunks that end where the counters are
    // published; `chunkEnd` is the count at the end of the current chunk.
    int64_t chunkEnd = Steps_;
    int64_t countdown = 0;
    int32_t error = 0;
    const TOperands* instr = nullptr;
    const auto save = [&] {
        PC_ = pc;
        Steps_ = chunkEnd - countdown;
        Calls_ = calls;
        MaxCalls_ = maxCalls;
    };

// A Stop is looked for where the counters are published, at most
// kPublishInterval steps apart.
#define ZK_NEXT                                                                                    \
    do {                                                                                           \
        if (countdown == 0) [[unlikely]]                                                           \
            goto pause;                                                                            \
        --countdown;                                                                               \
        instr = &program[pc];                                                                      \
        goto* kHandlers[instr->OpCode];                                                            \
    } while (false)
// The second step of a pair, when the chunk has room for it; otherwise the
// first instruction runs alone.
#define ZK_SECOND_STEP(alone)                                                                      \
    do {                                                                                           \
        if (countdown == 0) goto alone;                                                            \
        --countdown;                                                                               \
    } while (false)
// A handler made by `make` for each operation on numbers, named after it.
#define ZK_EACH_OPERATION(make, prefix)                                                            \
    make(prefix##Add, opAdd) make(prefix##Subtr, opSubtr) make(prefix##Mul, opMul)                 \
        make(prefix##Div, opDiv) make(prefix##Mod, opMod)
#define ZK_FAIL(code)                                                                              \
    do {                                                                                           \
        error = (code);                                                                            \
        goto fail;                                                                                 \
    } while (false)
#define ZK_DATA(Executor)                                                                          \
    Executor::Apply(State_, *instr, error);                                                        \
    ++pc;                                                                                          \
    if (error != 0) [[unlikely]]                                                                   \
        goto fail;                                                                                 \
    ZK_NEXT

pause:
    if (Error_.load(std::memory_order_relaxed) != 0) goto leave;
    if (countdown == 0) {
        save();
        if (Steps_ == stepsEnd) goto leave;
        Publish();
        if (StacksOverLimit()) goto leave_over_limit;
        countdown = std::min<int64_t>(stepsEnd - Steps_, kPublishInterval);
        chunkEnd = Steps_ + countdown;
    }
    ZK_NEXT;

Nop:
    ++pc;
    ZK_NEXT;
If : {
    if (values.IsEmpty()) [[unlikely]]
        ZK_FAIL(kErrorBadInstruction);
    const TTreeRef condition = values.Pop();
    if (exec::IsOneElement(condition)) {
        const TCell& cell = Memory_.Cell(condition.First);
        if (exec::IsAtom(cell) && cell.Value == exec::kAtomTrue) {
            ++pc;
            ZK_NEXT;
        }
        if (exec::IsAtom(cell) && cell.Value == exec::kAtomFalse) {
            pc = instr->Arg1;
            ZK_NEXT;
        }
    }
    ZK_FAIL(kErrorIfNotBoolean);
}
Goto:
    pc = instr->Arg1;
    ZK_NEXT;
Param : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr) [[unlikely]]
        ZK_FAIL(kErrorBadInstruction);
    values.Push(*arg);
    ++pc;
    ZK_NEXT;
}
ParamCopy : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr) [[unlikely]]
        ZK_FAIL(kErrorBadInstruction);
    TTreeRef source = *arg;
    TTreeRef copy;
    Memory_.CopyTree(source, copy);
    ++pc;
    if (Memory_.OutOfMemory()) [[unlikely]]
        ZK_FAIL(kErrorNoMemory);
    values.Push(copy);
    ZK_NEXT;
}
LoadArgs : {
    const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
    if (values.Count() < count) [[unlikely]]
        ZK_FAIL(kErrorBadInstruction);
    values.MoveReversedTo(args, count);
    ++pc;
    ZK_NEXT;
}
FreeArgs : {
    const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
    if (args.Count() < count) [[unlikely]]
        ZK_FAIL(kErrorBadInstruction);
    args.Drop(count);
    ++pc;
    ZK_NEXT;
}
Ret:
    if (ReturnStack_.empty()) [[unlikely]]
        ZK_FAIL(kErrorRunComplete);
    pc = ReturnStack_.back() + 2;
    ReturnStack_.pop_back();
    --calls;
    ZK_NEXT;
SavePos:
    ReturnStack_.push_back(pc);
    ++pc;
    if (++calls > maxCalls) maxCalls = calls;
    ZK_NEXT;
PushNum:
    if (!Memory_.HasRoomFor(1)) [[unlikely]]
        goto Push;
    values.Push(Memory_.TakeNumber(instr->Arg1));
    ++pc;
    ZK_NEXT;
Push:
    ZK_DATA(TPushInterpreter);
FirstLast:
    ZK_DATA(TFLInterpreter);
BfBl:
    ZK_DATA(TBfBlInterpreter);
Br:
    ZK_DATA(TBrInterpreter);
Cont:
    ZK_DATA(TContInterpreter);
Expr:
    ZK_DATA(TExprInterpreter);
SymNum:
    ZK_DATA(TSymNumInterpreter);
Equal:
    ZK_DATA(TEqualInterpreter);
AtomEqual:
    ZK_DATA(TAtomEqualInterpreter);
    // Two numbers whose operation succeeds, with room for the result; the
    // executor does everything else. Made once for each operation.
#define ZK_NUM_OP(label, op)                                                                       \
    label : {                                                                                      \
        int64_t value = 0;                                                                         \
        if (values.Count() < 2 || !Memory_.HasRoomFor(1) ||                                        \
            !ComputeNumbers(op, Memory_, *values.At(1), *values.At(0), value)) [[unlikely]]        \
            goto NumOpExecuted;                                                                    \
        values.Drop(1);                                                                            \
        values.ReplaceTop(Memory_.TakeNumber(value));                                              \
        ++pc;                                                                                      \
        ZK_NEXT;                                                                                   \
    }
    ZK_EACH_OPERATION(ZK_NUM_OP, Num)
#undef ZK_NUM_OP
NumOpExecuted:
    ZK_DATA(TNumOpInterpreter);
Greater:
    ZK_DATA(TGreaterInterpreter);
Random:
    ZK_DATA(TRandomInterpreter);
Abort:
    ZK_DATA(TAbortInterpreter);
Bad:
    ZK_FAIL(kErrorBadInstruction);

    // The pairs. Each first checks what its first instruction would fail on
    // and, where the second can fail, stops there with the counts and the
    // place that the two single steps would leave.
Call:
    ZK_SECOND_STEP(SavePos);
    ReturnStack_.push_back(pc);
    if (++calls > maxCalls) maxCalls = calls;
    pc = instr[1].Arg1;
    ZK_NEXT;
Return : {
    const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
    if (args.Count() < count) [[unlikely]]
        goto FreeArgs;
    ZK_SECOND_STEP(FreeArgs);
    args.Drop(count);
    ++pc;
    if (ReturnStack_.empty()) [[unlikely]]
        ZK_FAIL(kErrorRunComplete);
    pc = ReturnStack_.back() + 2;
    ReturnStack_.pop_back();
    --calls;
    ZK_NEXT;
}
TailJump : {
    const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
    if (args.Count() < count) [[unlikely]]
        goto FreeArgs;
    ZK_SECOND_STEP(FreeArgs);
    args.Drop(count);
    pc = instr[1].Arg1;
    ZK_NEXT;
}
#define ZK_DECIDE_IF(Executor, alone)                                                              \
    {                                                                                              \
        ZK_SECOND_STEP(alone);                                                                     \
        const int32_t decision = Executor::Decide(State_, *instr, error);                          \
        ++pc;                                                                                      \
        if (error != 0) [[unlikely]] {                                                             \
            ++countdown; /* the If never ran */                                                    \
            goto fail;                                                                             \
        }                                                                                          \
        pc = Memory_.Cell(decision).Value == exec::kAtomTrue ? pc + 1 : instr[1].Arg1;             \
        ZK_NEXT;                                                                                   \
    }
EqualIf:
    ZK_DECIDE_IF(TEqualInterpreter, Equal)
AtomEqualIf:
    ZK_DECIDE_IF(TAtomEqualInterpreter, AtomEqual)
GreaterIf:
    ZK_DECIDE_IF(TGreaterInterpreter, Greater)
#undef ZK_DECIDE_IF
    // The groups that end with an operation on numbers, made once for each
    // operation.
#define ZK_CONST_ARITH(label, op)                                                                  \
    label:                                                                                         \
    if (!Memory_.HasRoomFor(2) || values.IsEmpty()) [[unlikely]]                                   \
        goto Push;                                                                                 \
    ZK_SECOND_STEP(Push);                                                                          \
    TNumOpInterpreter::ApplyConstant(State_, op, instr->Arg1, error);                              \
    pc += 2;                                                                                       \
    if (error != 0) [[unlikely]]                                                                   \
        goto fail;                                                                                 \
    ZK_NEXT;
// The argument is never pushed, and the constant's cell is taken but never
// filled; an operation that fails runs step by step.
#define ZK_PARAM_CONST_ARITH(label, op)                                                            \
    label : {                                                                                      \
        const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);                                         \
        if (arg == nullptr || countdown < 2 || !Memory_.HasRoomFor(2) ||                           \
            !exec::IsNumber(Memory_, *arg)) [[unlikely]]                                           \
            goto Param;                                                                            \
        int64_t value = 0;                                                                         \
        int32_t failure = 0;                                                                       \
        if (!TNumOpInterpreter::Compute(op, Memory_.Cell(arg->First).Value, instr[1].Arg1, value,  \
                                        failure)) [[unlikely]]                                     \
            goto Param;                                                                            \
        countdown -= 2;                                                                            \
        const int32_t result = Memory_.TakeCells(2) + 1;                                           \
        Memory_.PlaceLeaf(result, kCellNumber, value);                                             \
        values.Push({result, result});                                                             \
        pc += 3;                                                                                   \
        ZK_NEXT;                                                                                   \
    }
    ZK_EACH_OPERATION(ZK_CONST_ARITH, Const)
    ZK_EACH_OPERATION(ZK_PARAM_CONST_ARITH, ParamConst)
#undef ZK_PARAM_CONST_ARITH
#undef ZK_CONST_ARITH

CallEnter : {
    const int32_t entry = instr[1].Arg1;
    const auto count = static_cast<std::size_t>(program[entry].Arg1 & 0xFF);
    if (countdown < 2 || values.Count() < count) [[unlikely]]
        goto Call;
    countdown -= 2;
    ReturnStack_.push_back(pc);
    if (++calls > maxCalls) maxCalls = calls;
    values.MoveReversedTo(args, count);
    pc = entry + 1;
    ZK_NEXT;
}

TailEnter : {
    const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
    const int32_t entry = instr[1].Arg1;
    const auto entering = static_cast<std::size_t>(program[entry].Arg1 & 0xFF);
    if (countdown < 2 || args.Count() < count || values.Count() < entering) [[unlikely]]
        goto TailJump;
    countdown -= 2;
    args.Drop(count);
    values.MoveReversedTo(args, entering);
    pc = entry + 1;
    ZK_NEXT;
}
ArgsEqualIf : {
    // The comparison's cell is allocated while both arguments lie on the value
    // stack; with room for it no collection can move them.
    const TTreeRef* first = args.At(instr->Arg1 & 0xFF);
    const TTreeRef* second = args.At(instr[1].Arg1 & 0xFF);
    if (first == nullptr || second == nullptr || countdown < 3 || !Memory_.HasRoomFor(1))
        [[unlikely]]
        goto Param;
    countdown -= 3;
    const int32_t decision = Memory_.TakeCells(1);
    const bool equal = TEqualInterpreter::Equal(Memory_, *second, *first);
    Memory_.PlaceLeaf(decision, kCellList, equal ? exec::kAtomTrue : exec::kAtomFalse);
    pc = equal ? pc + 4 : instr[3].Arg1;
    ZK_NEXT;
}
ConstArgGreaterIf : {
    const TTreeRef* arg = args.At(instr[1].Arg1 & 0xFF);
    if (arg == nullptr || countdown < 3 || !Memory_.HasRoomFor(2)) [[unlikely]]
        goto Push;
    countdown -= 3;
    // The constant's cell is taken but never filled: nothing refers to it.
    const int32_t decision = Memory_.TakeCells(2) + 1;
    pc += 3;
    if (!exec::IsNumber(Memory_, *arg)) [[unlikely]] {
        ++countdown; // the If never ran
        ZK_FAIL(kErrorGreaterNotNumber);
    }
    const bool greater = instr->Arg1 > Memory_.Cell(arg->First).Value;
    Memory_.PlaceLeaf(decision, kCellList, greater ? exec::kAtomTrue : exec::kAtomFalse);
    pc = greater ? pc + 1 : instr[3].Arg1;
    ZK_NEXT;
}

    // The groups on arguments. A decision cell is taken but never filled:
    // the If drops it at once, and nothing refers to it.
ArgAtomEqualIf : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr || countdown < 3 || !Memory_.HasRoomFor(1)) [[unlikely]]
        goto Param;
    countdown -= 3;
    Memory_.TakeCells(1);
    pc = TAtomEqualInterpreter::Matches(Memory_, *arg, instr[2]) ? pc + 4 : instr[3].Arg1;
    ZK_NEXT;
}
ArgConstGreaterIf : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr || countdown < 3 || !Memory_.HasRoomFor(2) || !exec::IsNumber(Memory_, *arg))
        [[unlikely]]
        goto Param;
    countdown -= 3;
    Memory_.TakeCells(2);
    pc = Memory_.Cell(arg->First).Value > instr[1].Arg1 ? pc + 4 : instr[3].Arg1;
    ZK_NEXT;
}
ArgsGreaterIf : {
    const TTreeRef* first = args.At(instr->Arg1 & 0xFF);
    const TTreeRef* second = args.At(instr[1].Arg1 & 0xFF);
    if (first == nullptr || second == nullptr || countdown < 3 || !Memory_.HasRoomFor(1) ||
        !exec::IsNumber(Memory_, *first) || !exec::IsNumber(Memory_, *second)) [[unlikely]]
        goto Param;
    countdown -= 3;
    Memory_.TakeCells(1);
    const bool greater = Memory_.Cell(first->First).Value > Memory_.Cell(second->First).Value;
    pc = greater ? pc + 4 : instr[3].Arg1;
    ZK_NEXT;
}
// A failing operation runs step by step, which leaves its code and the
// stack as the executor does.
#define ZK_ARGS_ARITH(label, op)                                                                   \
    label : {                                                                                      \
        const TTreeRef* first = args.At(instr->Arg1 & 0xFF);                                       \
        const TTreeRef* second = args.At(instr[1].Arg1 & 0xFF);                                    \
        int64_t value = 0;                                                                         \
        if (first == nullptr || second == nullptr || countdown < 2 || !Memory_.HasRoomFor(1) ||    \
            !ComputeNumbers(op, Memory_, *first, *second, value)) [[unlikely]]                     \
            goto Param;                                                                            \
        countdown -= 2;                                                                            \
        values.Push(Memory_.TakeNumber(value));                                                    \
        pc += 3;                                                                                   \
        ZK_NEXT;                                                                                   \
    }
    ZK_EACH_OPERATION(ZK_ARGS_ARITH, Args)
#undef ZK_ARGS_ARITH

ArgFirst : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr || countdown < 1 || arg->First == -1) [[unlikely]]
        goto Param;
    --countdown;
    values.Push({arg->First, arg->First});
    pc += 2;
    ZK_NEXT;
}
ArgBF : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr || countdown < 1 || arg->First == -1) [[unlikely]]
        goto Param;
    --countdown;
    TTreeRef rest = *arg;
    Memory_.DropFirst(rest);
    values.Push(rest);
    pc += 2;
    ZK_NEXT;
}
GotoReturn : {
    const auto count = static_cast<std::size_t>(program[instr->Arg1].Arg1 & 0xFF);
    if (countdown < 2 || args.Count() < count || ReturnStack_.empty()) [[unlikely]]
        goto Goto;
    countdown -= 2;
    args.Drop(count);
    pc = ReturnStack_.back() + 2;
    ReturnStack_.pop_back();
    --calls;
    ZK_NEXT;
}

// The argument is the top operand, the value on the stack the other.
#define ZK_PARAM_ARITH(label, op)                                                                  \
    label : {                                                                                      \
        const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);                                         \
        int64_t value = 0;                                                                         \
        if (arg == nullptr || values.IsEmpty() || countdown < 1 || !Memory_.HasRoomFor(1) ||       \
            !ComputeNumbers(op, Memory_, values.Top(), *arg, value)) [[unlikely]]                  \
            goto Param;                                                                            \
        --countdown;                                                                               \
        values.ReplaceTop(Memory_.TakeNumber(value));                                              \
        pc += 2;                                                                                   \
        ZK_NEXT;                                                                                   \
    }
    ZK_EACH_OPERATION(ZK_PARAM_ARITH, Param)
#undef ZK_PARAM_ARITH
ParamEqualIf : {
    const TTreeRef* arg = args.At(instr->Arg1 & 0xFF);
    if (arg == nullptr || values.IsEmpty() || countdown < 2 || !Memory_.HasRoomFor(1)) [[unlikely]]
        goto Param;
    countdown -= 2;
    Memory_.TakeCells(1);
    const TTreeRef other = values.Pop();
    pc = TEqualInterpreter::Equal(Memory_, *arg, other) ? pc + 3 : instr[2].Arg1;
    ZK_NEXT;
}
ParamParam : {
    const TTreeRef* first = args.At(instr->Arg1 & 0xFF);
    const TTreeRef* second = args.At(instr[1].Arg1 & 0xFF);
    if (first == nullptr || second == nullptr || countdown < 1) [[unlikely]]
        goto Param;
    --countdown;
    values.Push(*first);
    values.Push(*second);
    pc += 2;
    ZK_NEXT;
}

#undef ZK_EACH_OPERATION
#undef ZK_SECOND_STEP
#undef ZK_DATA
#undef ZK_FAIL
#undef ZK_NEXT

leave_over_limit:
    error = kErrorNoMemory;
fail:
    save();
    SetError(error);
    return;
leave:
    save();
}

TTreeRef TInterpreter::PopResult() {
    TTreeStack& values = Memory_.ValueStack();
    return values.IsEmpty() ? kEmptyTree : values.Pop();
}

std::string TInterpreter::ResultText() {
    const TTreeRef result = PopResult();
    return ToText(Memory_, result, Atoms_);
}

int32_t TInterpreter::ResultPicture(int32_t graphicsMode, const TCanvasFactory& makeCanvas) {
    // After the run the error number is 70 until a Stop makes it 54.
    const auto stopped = [this] { return ErrorNumber() == kErrorStopped; };
    const int32_t code =
        DrawPicture(Memory_, PopResult(), Atoms_, graphicsMode, makeCanvas, stopped);
    if (code != 0) Error_.store(code, std::memory_order_relaxed);
    return code;
}

} // namespace zk
