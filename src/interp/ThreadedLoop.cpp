// The threaded loop: each handler ends by calling the handler of the next
// instruction, a call in tail position that the compiler makes a jump, so
// that the loop's registers - the instruction, the tops of the value and
// argument stacks and the steps left in the chunk - are passed from handler
// to handler in machine registers instead of living in memory. A handler
// that needs the stacks themselves (an executor, a copy, a collection)
// writes the tops back first and reads them again afterwards. A chunk ends by
// returning all the way back: without the jumps the calls nest at most one
// chunk of steps deep.
#include "interp/ThreadedLoop.h"

#include "interp/Interpreter.h"

#include <algorithm>
#include <type_traits>

namespace zk {

namespace {

// The worker publishes its counters this often, in steps, looks for a Stop
// and checks the stacks against their limit. Each step adds at most one
// stack node, so the limit is overshot by at most this many nodes.
constexpr int32_t kPublishInterval = 4096;

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
    fuParamRun3,                                 // Param, then the pair fuParamParam
    fuParamRun4,                                 // Param, then fuParamRun3
    fuSymbolIf,                                  // Symbol, If
    fuNumberIf,                                  // Number, If
    // Not a group: a debugger's trap in place of an instruction.
    fuTrap,
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
    case opSymbol: return second == opIf ? fuSymbolIf : first;
    case opNumber: return second == opIf ? fuNumberIf : first;
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
            const int32_t next = i + 1 < codes.size() ? program[i + 1].OpCode : opRes1;
            if (program[i].OpCode == opParam && next == opParam)
                program[i].OpCode = fuParamParam;
            else if (program[i].OpCode == opParam && next == fuParamParam)
                program[i].OpCode = fuParamRun3;
            else if (program[i].OpCode == opParam && next == fuParamRun3)
                program[i].OpCode = fuParamRun4;
        } else if (codes[i] == opGoto && program[i].OpCode == opGoto) {
            const auto target = static_cast<std::size_t>(program[i].Arg1);
            if (codeAt(target) == opFreeArgs && codeAt(target + 1) == opRet)
                program[i].OpCode = fuGotoReturn;
        }
    }
}

// `first` op `second` into `value` when both are numbers and the operation
// succeeds. The fast handlers leave anything else to single steps, which end
// with the executor's error code and stack.
[[gnu::always_inline]] inline bool ComputeNumbers(int32_t op, const TZKMemory& memory,
                                                  const TTreeRef& first, const TTreeRef& second,
                                                  int64_t& value) {
    int64_t b = 0;
    int64_t a = 0;
    if (!exec::NumberOf(memory, first, b) || !exec::NumberOf(memory, second, a)) return false;
    int32_t failure = 0;
    return TNumOpInterpreter::Compute(op, b, a, value, failure);
}

} // namespace

// The first instruction of each pair, three and four gets the code of the
// group. A trapped instruction's code matches no group's pattern.
void JoinInstructions(std::vector<TOperands>& program, const std::vector<int32_t>& trapped) {
    for (const int32_t at : trapped)
        program[static_cast<std::size_t>(at)].OpCode = fuTrap;
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

class TThreadedLoop {
public:
    // Executes at most `countdown` steps from the instruction at PC, fewer
    // when a step fails; PC and the step count are written back.
    static void RunChunk(TInterpreter& in, int64_t countdown) {
        const TOperands* const instr = Program(in) + in.PC_;
        --countdown;
        kHandlers[instr->OpCode](in, instr, Values(in).end(), Args(in).end(), countdown,
                                 in.Memory_.CellsTaken());
    }

private:
    using THandler = void (*)(TInterpreter&, const TOperands*, TTreeRef*, TTreeRef*, int64_t,
                              int32_t);
    static const THandler kHandlers[kRunCodeCount];
    static constexpr std::ptrdiff_t kValuesRoom = 4;

#define ZK_HANDLER(name)                                                                           \
    [[gnu::noinline]] static void name(TInterpreter& in, const TOperands* instr, TTreeRef* vt,     \
                                       TTreeRef* at, int64_t countdown, int32_t taken)
// To the instruction `target`, unless the chunk has no step left.
#define ZK_GO(target)                                                                              \
    do {                                                                                           \
        const TOperands* const next_ = (target);                                                   \
        if (countdown == 0) [[unlikely]]                                                           \
            return Park(in, next_, vt, at, 0, taken);                                              \
        --countdown;                                                                               \
        return kHandlers[next_->OpCode](in, next_, vt, at, countdown, taken);                      \
    } while (false)
// The first instruction of a group run as a single step by its own handler.
#define ZK_ALONE(handler) return handler(in, instr, vt, at, countdown, taken)
// The second step of a pair, when the chunk has room for it; otherwise the
// first instruction runs alone.
#define ZK_SECOND_STEP(alone)                                                                      \
    do {                                                                                           \
        if (countdown == 0) ZK_ALONE(alone);                                                       \
        --countdown;                                                                               \
    } while (false)
// The run stops with `code`, at the instruction `place`.
#define ZK_FAIL_AT(place, code)                                                                    \
    do {                                                                                           \
        in.StepError_ = (code);                                                                    \
        return Park(in, place, vt, at, countdown, taken);                                          \
    } while (false)
// The stacks' tops are written back around what needs the stacks themselves.
#define ZK_SYNC(call)                                                                              \
    do {                                                                                           \
        Values(in).SetEnd(vt);                                                                     \
        Args(in).SetEnd(at);                                                                       \
        in.Memory_.SetCellsTaken(taken);                                                           \
        call;                                                                                      \
        vt = Values(in).end();                                                                     \
        at = Args(in).end();                                                                       \
        taken = in.Memory_.CellsTaken();                                                           \
    } while (false)

    static const TOperands* Program(const TInterpreter& in) {
        return in.Program_.data();
    }
    static TTreeStack& Values(TInterpreter& in) {
        return in.Memory_.ValueStack();
    }
    static TTreeStack& Args(TInterpreter& in) {
        return in.Memory_.ArgStack();
    }
    static std::size_t Depth(const TTreeStack& stack, const TTreeRef* top) {
        return static_cast<std::size_t>(top - stack.begin());
    }
    // The argument `depth` places below the top, or nullptr when the stack
    // is not that deep; a negative depth is beyond every stack.
    static TTreeRef* ArgAt(TInterpreter& in, TTreeRef* at, int32_t depth) {
        if (static_cast<std::size_t>(static_cast<uint32_t>(depth)) >= Depth(Args(in), at))
            return nullptr;
        return at - 1 - depth;
    }
    // Whether the stacks have room for what a handler adds: `values` on the
    // value stack, `args` on the argument stack and a call's return place.
    // Without, the handler hands over to MakeRoom before it changes anything.
    static bool RoomFor(TInterpreter& in, const TTreeRef* vt, std::ptrdiff_t values) {
        return Values(in).StorageEnd() - vt >= values;
    }
    static bool RoomForArgs(TInterpreter& in, const TTreeRef* at, std::size_t args) {
        return static_cast<std::size_t>(Args(in).StorageEnd() - at) >= args;
    }
    static bool RoomForCall(const TInterpreter& in) {
        return static_cast<std::size_t>(in.Calls_) < in.ReturnStack_.size();
    }
    // The cells taken are counted in a register too; the memory's own count is
    // written back with the stacks' tops.
    static bool HasRoom(const TInterpreter& in, int32_t taken, int32_t count) {
        return taken + count <= in.Memory_.WindowEnd();
    }
    static int32_t Take(int32_t& taken, int32_t count) {
        const int32_t first = taken;
        taken += count;
        return first;
    }
    static TTreeRef TakeNumber(TInterpreter& in, int32_t& taken, int64_t value) {
        return exec::NumberIn(in.Memory_, Take(taken, 1), value);
    }
    // Whether `a` and `b` are both leaves, and then in `equal` whether they
    // are the same.
    static bool CompareLeaves(const TZKMemory& memory, const TTreeRef& a, const TTreeRef& b,
                              bool& equal) {
        if (!exec::IsOneElement(a) || !exec::IsOneElement(b)) [[unlikely]]
            return (a.IsImmediate() || b.IsImmediate()) && CompareNumberLeaf(memory, a, b, equal);
        const TCell& x = memory.Cell(a.First);
        const TCell& y = memory.Cell(b.First);
        if (x.FirstChild != -1 || y.FirstChild != -1) return false;
        equal = x.Kind == y.Kind && x.Value == y.Value;
        return true;
    }
    static bool CompareNumberLeaf(const TZKMemory& memory, const TTreeRef& a, const TTreeRef& b,
                                  bool& equal) {
        uint8_t kindA = 0;
        uint8_t kindB = 0;
        int64_t valueA = 0;
        int64_t valueB = 0;
        if (!exec::LeafOf(memory, a, kindA, valueA) || !exec::LeafOf(memory, b, kindB, valueB))
            return false;
        equal = kindA == kindB && valueA == valueB;
        return true;
    }
    // 1 or 0 for whether `v` is one atom (one number), -1 when the test
    // fails and only the executor can tell how.
    template <bool kNumber> static int KindOf(const TInterpreter& in, const TTreeRef& v) {
        if (v.IsImmediate()) return kNumber ? 1 : 0;
        if (exec::IsOneElement(v)) {
            const TCell& cell = in.Memory_.Cell(v.First);
            return (kNumber ? cell.Kind == kCellNumber : exec::IsAtom(cell)) ? 1 : 0;
        }
        return v.IsEmpty() || in.State_.SymbolIsError ? -1 : 0;
    }
    // 1 or 0 for a comparison that holds or not, with its operands popped;
    // -1, with the stack as it was, when only the executor can tell.
    template <class Executor>
    [[gnu::always_inline]] static int Decision(const TZKMemory& memory, const TOperands& instr,
                                               TTreeRef*& vt, std::size_t depth) {
        if constexpr (std::is_same_v<Executor, TAtomEqualInterpreter>) {
            if (depth < 1) return -1;
            return TAtomEqualInterpreter::Matches(memory, *--vt, instr) ? 1 : 0;
        } else if constexpr (std::is_same_v<Executor, TGreaterInterpreter>) {
            int64_t b = 0;
            int64_t a = 0;
            if (depth < 2 || !exec::NumberOf(memory, vt[-2], b) ||
                !exec::NumberOf(memory, vt[-1], a))
                return -1;
            vt -= 2;
            return b > a ? 1 : 0;
        } else {
            bool equal = false;
            if (depth < 2 || !CompareLeaves(memory, vt[-2], vt[-1], equal)) return -1;
            vt -= 2;
            return equal ? 1 : 0;
        }
    }
    // The calls that take values by reference are made from functions of
    // their own: a handler that passed its own variables could not end in a
    // jump, as they would have to outlive the call.
    [[gnu::noinline]] static bool PushCopy(TInterpreter& in, TTreeRef source) {
        TTreeRef copy;
        in.Memory_.CopyTree(source, copy);
        if (in.Memory_.OutOfMemory()) return false;
        Values(in).Push(copy);
        return true;
    }
    // An argument copied is copied from its cell.
    [[gnu::noinline]] static void MaterializeArg(TInterpreter& in, TTreeRef* arg) {
        in.Memory_.Materialize(*arg);
    }
    [[gnu::noinline]] static bool TreesEqual(const TZKMemory& memory, TTreeRef a, TTreeRef b) {
        return TEqualInterpreter::Equal(memory, a, b);
    }
    static void Push(TTreeRef*& vt, TTreeRef ref) {
        TTreeStack::Write(vt++, ref);
    }
    // Moves `count` values, which the value stack holds, onto the argument
    // stack; the top value ends at the bottom of those.
    static void MoveArgs(TTreeRef*& vt, TTreeRef*& at, std::size_t count) {
        const TTreeRef* const stop = vt - count;
#pragma GCC unroll 2
        while (vt != stop)
            *at++ = *--vt;
    }
    static void EnterCall(TInterpreter& in, const TOperands* savePos) {
        in.ReturnStack_.data()[in.Calls_] = static_cast<int32_t>(savePos - Program(in));
        if (++in.Calls_ > in.MaxCalls_) in.MaxCalls_ = in.Calls_;
    }
    // Behind the SavePos and Goto of the call; the caller has made sure that
    // a call is active.
    static const TOperands* LeaveCall(TInterpreter& in) {
        const int32_t savePos = in.ReturnStack_.data()[--in.Calls_];
        return Program(in) + savePos + 2;
    }

    // The end of a chunk, or of the run at a failing step: the registers go
    // back to the interpreter.
    [[gnu::noinline]] static void Park(TInterpreter& in, const TOperands* next, TTreeRef* vt,
                                       TTreeRef* at, int64_t countdown, int32_t taken) {
        in.Memory_.SetCellsTaken(taken);
        Values(in).SetEnd(vt);
        Args(in).SetEnd(at);
        in.PC_ = static_cast<int32_t>(next - Program(in));
        in.Steps_ = in.ChunkEnd_ - countdown;
    }

    using TExecutor = void (*)(TRunState&, const TOperands&, int32_t&);
    static const TExecutor kExecutors[kOpCodeCount];
    [[gnu::noinline]] static void ApplyTrapped(TInterpreter& in, const TOperands& instr,
                                               int32_t code) {
        kExecutors[code](in.State_, TOperands{code, instr.Arg1, instr.Arg2}, in.StepError_);
    }

    // Grows the stacks so that every handler finds room for its additions (a
    // run of Params pushes at most four values, a LoadArgs takes at most 255
    // arguments), then runs the instruction again.
    // Growing is a call that returns; kept out of the handlers, it leaves
    // them without the saving of registers that such a call needs.
    ZK_HANDLER(MakeRoom) {
        constexpr std::size_t kArgsRoom = 256;
        while (!RoomFor(in, vt, kValuesRoom))
            vt = Values(in).GrowUnder(vt);
        while (!RoomForArgs(in, at, kArgsRoom))
            at = Args(in).GrowUnder(at);
        if (!RoomForCall(in)) in.ReturnStack_.resize(2 * in.ReturnStack_.size() + 64);
        return kHandlers[instr->OpCode](in, instr, vt, at, countdown, taken);
    }
#define ZK_MAKE_ROOM_UNLESS(room)                                                                  \
    do {                                                                                           \
        if (!(room)) [[unlikely]]                                                                  \
            return MakeRoom(in, instr, vt, at, countdown, taken);                                  \
    } while (false)

    // A step carried out by its executor.
    template <class Executor> ZK_HANDLER(Data) {
        ZK_SYNC(Executor::Apply(in.State_, *instr, in.StepError_));
        if (in.StepError_ != 0) [[unlikely]]
            ZK_FAIL_AT(instr + 1, in.StepError_);
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(Bad) {
        ZK_FAIL_AT(instr, kErrorBadInstruction);
    }
    // The step was counted when the loop came here; a trap that holds takes
    // it back. One that does not executes the instruction it stands in for:
    // an executor, which reads the operation from the instruction, gets it
    // as it was; the core's own handlers never read it.
    ZK_HANDLER(Trap) {
        const auto index = static_cast<std::size_t>(instr - Program(in));
        if (in.Calls_ <= in.TrapDepths_[index]) {
            in.Trapped_ = true;
            return Park(in, instr, vt, at, countdown + 1, taken);
        }
        const int32_t code = in.TrapCodes_[index];
        if (kExecutors[code] == nullptr)
            return kHandlers[code](in, instr, vt, at, countdown, taken);
        ZK_SYNC(ApplyTrapped(in, *instr, code));
        if (in.StepError_ != 0) [[unlikely]]
            ZK_FAIL_AT(instr + 1, in.StepError_);
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(Nop) {
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(Goto) {
        ZK_GO(Program(in) + instr->Arg1);
    }
    ZK_HANDLER(If) {
        if (vt == Values(in).begin()) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorBadInstruction);
        const TTreeRef condition = *--vt;
        if (exec::IsOneElement(condition)) {
            const TCell& cell = in.Memory_.Cell(condition.First);
            if (exec::IsAtom(cell) && cell.Value == exec::kAtomTrue) ZK_GO(instr + 1);
            if (exec::IsAtom(cell) && cell.Value == exec::kAtomFalse)
                ZK_GO(Program(in) + instr->Arg1);
        }
        ZK_FAIL_AT(instr, kErrorIfNotBoolean);
    }
    ZK_HANDLER(Param) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        if (arg == nullptr) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorBadInstruction);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        Push(vt, *arg);
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(ParamCopy) {
        TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        if (arg == nullptr) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorBadInstruction);
        if (arg->IsImmediate()) ZK_ALONE(NumberCopy);
        bool copied = false;
        ZK_SYNC(copied = PushCopy(in, *arg));
        if (!copied) [[unlikely]]
            ZK_FAIL_AT(instr + 1, kErrorNoMemory);
        ZK_GO(instr + 1);
    }
    // The copy of a number is one new cell: with room for it, a new
    // immediate number; otherwise the copy of its cell.
    ZK_HANDLER(NumberCopy) {
        TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        if (!HasRoom(in, taken, 1)) {
            MaterializeArg(in, arg);
            bool copied = false;
            ZK_SYNC(copied = PushCopy(in, *arg));
            if (!copied) [[unlikely]]
                ZK_FAIL_AT(instr + 1, kErrorNoMemory);
            ZK_GO(instr + 1);
        }
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        Push(vt, ImmediateNumber(Take(taken, 1), arg->First));
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(LoadArgs) {
        const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
        if (Depth(Values(in), vt) < count) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorBadInstruction);
        ZK_MAKE_ROOM_UNLESS(RoomForArgs(in, at, count));
        MoveArgs(vt, at, count);
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(FreeArgs) {
        const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
        if (Depth(Args(in), at) < count) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorBadInstruction);
        at -= count;
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(Ret) {
        if (in.Calls_ == 0) [[unlikely]]
            ZK_FAIL_AT(instr, kErrorRunComplete);
        ZK_GO(LeaveCall(in));
    }
    ZK_HANDLER(SavePos) {
        ZK_MAKE_ROOM_UNLESS(RoomForCall(in));
        EnterCall(in, instr);
        ZK_GO(instr + 1);
    }
    ZK_HANDLER(PushNum) {
        if (!HasRoom(in, taken, 1)) [[unlikely]]
            ZK_ALONE(Data<TPushInterpreter>);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        Push(vt, TakeNumber(in, taken, instr->Arg1));
        ZK_GO(instr + 1);
    }
    // Two numbers whose operation succeeds, with room for the result; the
    // executor does everything else.
    template <int32_t op> ZK_HANDLER(NumOp) {
        int64_t value = 0;
        if (Depth(Values(in), vt) < 2 || !HasRoom(in, taken, 1) ||
            !ComputeNumbers(op, in.Memory_, vt[-2], vt[-1], value)) [[unlikely]]
            ZK_ALONE(Data<TNumOpInterpreter>);
        --vt;
        TTreeStack::Write(vt - 1, TakeNumber(in, taken, value));
        ZK_GO(instr + 1);
    }

    // The pairs. Each first checks what its first instruction would fail on
    // and, where the second can fail, stops there with the counts and the
    // place that the two single steps would leave.
    ZK_HANDLER(Call) {
        ZK_MAKE_ROOM_UNLESS(RoomForCall(in));
        ZK_SECOND_STEP(SavePos);
        EnterCall(in, instr);
        ZK_GO(Program(in) + instr[1].Arg1);
    }
    ZK_HANDLER(Return) {
        const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
        if (Depth(Args(in), at) < count) [[unlikely]]
            ZK_ALONE(FreeArgs);
        ZK_SECOND_STEP(FreeArgs);
        at -= count;
        if (in.Calls_ == 0) [[unlikely]]
            ZK_FAIL_AT(instr + 1, kErrorRunComplete);
        ZK_GO(LeaveCall(in));
    }
    ZK_HANDLER(TailJump) {
        const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
        if (Depth(Args(in), at) < count) [[unlikely]]
            ZK_ALONE(FreeArgs);
        ZK_SECOND_STEP(FreeArgs);
        at -= count;
        ZK_GO(Program(in) + instr[1].Arg1);
    }
    // A comparison followed by its If. With room for the decision's cell,
    // which the If drops at once and so is taken but never filled, operands
    // that cannot fail are compared right on the stack; everything else goes
    // to the executor.
    template <class Executor> ZK_HANDLER(DecideIf) {
        ZK_SECOND_STEP(Data<Executor>);
        int decided = -1;
        if (HasRoom(in, taken, 1)) [[likely]]
            decided = Decision<Executor>(in.Memory_, *instr, vt, Depth(Values(in), vt));
        if (decided != -1) [[likely]] {
            Take(taken, 1);
            ZK_GO(decided == 1 ? instr + 2 : Program(in) + instr[1].Arg1);
        }
        int32_t decision = -1;
        ZK_SYNC(decision = Executor::Decide(in.State_, *instr, in.StepError_));
        if (in.StepError_ != 0) [[unlikely]] {
            ++countdown; // the If never ran
            ZK_FAIL_AT(instr + 1, in.StepError_);
        }
        ZK_GO(in.Memory_.Cell(decision).Value == exec::kAtomTrue ? instr + 2
                                                                 : Program(in) + instr[1].Arg1);
    }
    // Symbol (kNumber false) or Number followed by its If: a value whose
    // test cannot fail is tested right on the stack, with room for the
    // decision's cell, which the If drops at once.
    template <bool kNumber> ZK_HANDLER(KindIf) {
        ZK_SECOND_STEP(KindAlone<kNumber>);
        const int decided =
            HasRoom(in, taken, 1) && vt != Values(in).begin() ? KindOf<kNumber>(in, vt[-1]) : -1;
        if (decided == -1) [[unlikely]] {
            ++countdown; // the If runs as a step of its own
            ZK_ALONE(KindAlone<kNumber>);
        }
        --vt;
        Take(taken, 1);
        ZK_GO(decided == 1 ? instr + 2 : Program(in) + instr[1].Arg1);
    }
    // The test of a group run as a single step, with the operation that the
    // executor reads from the instruction.
    template <bool kNumber> ZK_HANDLER(KindAlone) {
        ZK_SYNC(ApplyTrapped(in, *instr, kNumber ? opNumber : opSymbol));
        if (in.StepError_ != 0) [[unlikely]]
            ZK_FAIL_AT(instr + 1, in.StepError_);
        ZK_GO(instr + 1);
    }
    // PushNum and an operation on numbers.
    template <int32_t op> ZK_HANDLER(ConstArith) {
        if (!HasRoom(in, taken, 2) || vt == Values(in).begin()) [[unlikely]]
            ZK_ALONE(Data<TPushInterpreter>);
        ZK_SECOND_STEP(Data<TPushInterpreter>);
        ZK_SYNC(TNumOpInterpreter::ApplyConstant(in.State_, op, instr->Arg1, in.StepError_));
        if (in.StepError_ != 0) [[unlikely]]
            ZK_FAIL_AT(instr + 2, in.StepError_);
        ZK_GO(instr + 2);
    }

    // The groups of three and four. The argument is never pushed, and the
    // constant's cell is taken but never filled; an operation that fails
    // runs step by step.
    template <int32_t op> ZK_HANDLER(ParamConstArith) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        int64_t operand = 0;
        if (arg == nullptr || countdown < 2 || !HasRoom(in, taken, 2) ||
            !exec::NumberOf(in.Memory_, *arg, operand)) [[unlikely]]
            ZK_ALONE(Param);
        int64_t value = 0;
        int32_t failure = 0;
        if (!TNumOpInterpreter::Compute(op, operand, instr[1].Arg1, value, failure)) [[unlikely]]
            ZK_ALONE(Param);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        countdown -= 2;
        Push(vt, exec::NumberIn(in.Memory_, Take(taken, 2) + 1, value));
        ZK_GO(instr + 3);
    }
    ZK_HANDLER(CallEnter) {
        const TOperands* const entry = Program(in) + instr[1].Arg1;
        const auto count = static_cast<std::size_t>(entry->Arg1 & 0xFF);
        if (countdown < 2 || Depth(Values(in), vt) < count) [[unlikely]]
            ZK_ALONE(Call);
        ZK_MAKE_ROOM_UNLESS(RoomForCall(in) && RoomForArgs(in, at, count));
        countdown -= 2;
        EnterCall(in, instr);
        MoveArgs(vt, at, count);
        ZK_GO(entry + 1);
    }
    ZK_HANDLER(TailEnter) {
        const auto count = static_cast<std::size_t>(instr->Arg1 & 0xFF);
        const TOperands* const entry = Program(in) + instr[1].Arg1;
        const auto entering = static_cast<std::size_t>(entry->Arg1 & 0xFF);
        if (countdown < 2 || Depth(Args(in), at) < count || Depth(Values(in), vt) < entering)
            [[unlikely]]
            ZK_ALONE(TailJump);
        ZK_MAKE_ROOM_UNLESS(RoomForArgs(in, at - count, entering));
        countdown -= 2;
        at -= count;
        MoveArgs(vt, at, entering);
        ZK_GO(entry + 1);
    }
    // Made twice: for two leaves, compared right here, and for anything else,
    // compared by a call, which makes the handler save registers.
    template <bool kLeaves> ZK_HANDLER(ArgsEqualIf) {
        // The comparison's cell is allocated while both arguments lie on the
        // value stack; with room for it no collection can move them.
        const TTreeRef* first = ArgAt(in, at, instr->Arg1 & 0xFF);
        const TTreeRef* second = ArgAt(in, at, instr[1].Arg1 & 0xFF);
        if (first == nullptr || second == nullptr || countdown < 3 || !HasRoom(in, taken, 1))
            [[unlikely]]
            ZK_ALONE(Param);
        bool equal = false;
        if (kLeaves && !CompareLeaves(in.Memory_, *second, *first, equal))
            ZK_ALONE(ArgsEqualIf<false>);
        countdown -= 3;
        const int32_t decision = Take(taken, 1);
        if (!kLeaves) equal = TEqualInterpreter::Equal(in.Memory_, *second, *first);
        in.Memory_.PlaceLeaf(decision, kCellList, equal ? exec::kAtomTrue : exec::kAtomFalse);
        ZK_GO(equal ? instr + 4 : Program(in) + instr[3].Arg1);
    }
    ZK_HANDLER(ConstArgGreaterIf) {
        const TTreeRef* arg = ArgAt(in, at, instr[1].Arg1 & 0xFF);
        if (arg == nullptr || countdown < 3 || !HasRoom(in, taken, 2)) [[unlikely]]
            ZK_ALONE(Data<TPushInterpreter>);
        countdown -= 3;
        // The constant's cell is taken but never filled: nothing refers to it.
        const int32_t decision = Take(taken, 2) + 1;
        int64_t operand = 0;
        if (!exec::NumberOf(in.Memory_, *arg, operand)) [[unlikely]] {
            ++countdown; // the If never ran
            ZK_FAIL_AT(instr + 3, kErrorGreaterNotNumber);
        }
        const bool greater = instr->Arg1 > operand;
        in.Memory_.PlaceLeaf(decision, kCellList, greater ? exec::kAtomTrue : exec::kAtomFalse);
        ZK_GO(greater ? instr + 4 : Program(in) + instr[3].Arg1);
    }

    // The groups on arguments. A decision cell is taken but never filled:
    // the If drops it at once, and nothing refers to it.
    ZK_HANDLER(ArgAtomEqualIf) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        if (arg == nullptr || countdown < 3 || !HasRoom(in, taken, 1)) [[unlikely]]
            ZK_ALONE(Param);
        countdown -= 3;
        Take(taken, 1);
        ZK_GO(TAtomEqualInterpreter::Matches(in.Memory_, *arg, instr[2])
                  ? instr + 4
                  : Program(in) + instr[3].Arg1);
    }
    ZK_HANDLER(ArgConstGreaterIf) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        int64_t operand = 0;
        if (arg == nullptr || countdown < 3 || !HasRoom(in, taken, 2) ||
            !exec::NumberOf(in.Memory_, *arg, operand)) [[unlikely]]
            ZK_ALONE(Param);
        countdown -= 3;
        Take(taken, 2);
        ZK_GO(operand > instr[1].Arg1 ? instr + 4 : Program(in) + instr[3].Arg1);
    }
    ZK_HANDLER(ArgsGreaterIf) {
        const TTreeRef* first = ArgAt(in, at, instr->Arg1 & 0xFF);
        const TTreeRef* second = ArgAt(in, at, instr[1].Arg1 & 0xFF);
        int64_t b = 0;
        int64_t a = 0;
        if (first == nullptr || second == nullptr || countdown < 3 || !HasRoom(in, taken, 1) ||
            !exec::NumberOf(in.Memory_, *first, b) || !exec::NumberOf(in.Memory_, *second, a))
            [[unlikely]]
            ZK_ALONE(Param);
        countdown -= 3;
        Take(taken, 1);
        const bool greater = b > a;
        ZK_GO(greater ? instr + 4 : Program(in) + instr[3].Arg1);
    }
    template <int32_t op> ZK_HANDLER(ArgsArith) {
        const TTreeRef* first = ArgAt(in, at, instr->Arg1 & 0xFF);
        const TTreeRef* second = ArgAt(in, at, instr[1].Arg1 & 0xFF);
        int64_t value = 0;
        if (first == nullptr || second == nullptr || countdown < 2 || !HasRoom(in, taken, 1) ||
            !ComputeNumbers(op, in.Memory_, *first, *second, value)) [[unlikely]]
            ZK_ALONE(Param);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        countdown -= 2;
        Push(vt, TakeNumber(in, taken, value));
        ZK_GO(instr + 3);
    }
    // An argument's first element (First) or all but it (BF, as DropFirst
    // takes it, without the call).
    template <bool kRest> ZK_HANDLER(ArgPart) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        // A number is taken apart by the single steps.
        if (arg == nullptr || countdown < 1 || arg->IsEmpty() || arg->IsImmediate()) [[unlikely]]
            ZK_ALONE(Param);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, 1));
        --countdown;
        if (!kRest)
            Push(vt, {arg->First, arg->First});
        else if (arg->First == arg->Last)
            Push(vt, kEmptyTree);
        else
            Push(vt, {arg->Last, in.Memory_.Cell(arg->First).Next});
        ZK_GO(instr + 2);
    }
    ZK_HANDLER(GotoReturn) {
        const auto count = static_cast<std::size_t>(Program(in)[instr->Arg1].Arg1 & 0xFF);
        if (countdown < 2 || Depth(Args(in), at) < count || in.Calls_ == 0) [[unlikely]]
            ZK_ALONE(Goto);
        countdown -= 2;
        at -= count;
        ZK_GO(LeaveCall(in));
    }
    // The argument is the top operand, the value on the stack the other.
    template <int32_t op> ZK_HANDLER(ParamArith) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        int64_t value = 0;
        if (arg == nullptr || vt == Values(in).begin() || countdown < 1 || !HasRoom(in, taken, 1) ||
            !ComputeNumbers(op, in.Memory_, vt[-1], *arg, value)) [[unlikely]]
            ZK_ALONE(Param);
        --countdown;
        TTreeStack::Write(vt - 1, TakeNumber(in, taken, value));
        ZK_GO(instr + 2);
    }
    template <bool kLeaves> ZK_HANDLER(ParamEqualIf) {
        const TTreeRef* arg = ArgAt(in, at, instr->Arg1 & 0xFF);
        if (arg == nullptr || vt == Values(in).begin() || countdown < 2 || !HasRoom(in, taken, 1))
            [[unlikely]]
            ZK_ALONE(Param);
        bool equal = false;
        if (kLeaves && !CompareLeaves(in.Memory_, *arg, vt[-1], equal))
            ZK_ALONE(ParamEqualIf<false>);
        countdown -= 2;
        Take(taken, 1);
        const TTreeRef other = *--vt;
        if (!kLeaves) equal = TreesEqual(in.Memory_, *arg, other);
        ZK_GO(equal ? instr + 3 : Program(in) + instr[2].Arg1);
    }
    // A run of `kCount` Params.
    template <int kCount> ZK_HANDLER(Params) {
        static_assert(kCount <= kValuesRoom, "MakeRoom makes room for the run");
        const TTreeRef* values[kCount];
        for (int i = 0; i < kCount; ++i) {
            values[i] = ArgAt(in, at, instr[i].Arg1 & 0xFF);
            if (values[i] == nullptr) [[unlikely]]
                ZK_ALONE(Param);
        }
        if (countdown < kCount - 1) [[unlikely]]
            ZK_ALONE(Param);
        ZK_MAKE_ROOM_UNLESS(RoomFor(in, vt, kCount));
        countdown -= kCount - 1;
        for (const TTreeRef* value : values)
            Push(vt, *value);
        ZK_GO(instr + kCount);
    }

#undef ZK_MAKE_ROOM_UNLESS
#undef ZK_SYNC
#undef ZK_FAIL_AT
#undef ZK_SECOND_STEP
#undef ZK_ALONE
#undef ZK_GO
#undef ZK_HANDLER
};

// A handler made from `name` for each operation on numbers.
#define ZK_EACH_OPERATION(name)                                                                    \
    &TThreadedLoop::name<opAdd>, &TThreadedLoop::name<opSubtr>, &TThreadedLoop::name<opMul>,       \
        &TThreadedLoop::name<opDiv>, &TThreadedLoop::name<opMod>

const TThreadedLoop::THandler TThreadedLoop::kHandlers[kRunCodeCount] = {
    &Nop,
    &Data<TPushInterpreter>,
    &Data<TFLInterpreter>, // First
    &Data<TBfBlInterpreter>,
    &Data<TFLInterpreter>, // Last
    &Data<TBfBlInterpreter>,
    &Data<TBrInterpreter>,
    &Data<TContInterpreter>,
    &Data<TExprInterpreter>,
    &If,
    &Data<TSymNumInterpreter>,
    &Goto,
    &Param,
    &ParamCopy,
    &LoadArgs,
    &FreeArgs,
    &Bad,
    &Bad,
    &Data<TEqualInterpreter>,
    &Ret,
    &SavePos,
    &Data<TAbortInterpreter>,
    ZK_EACH_OPERATION(NumOp),
    &PushNum,
    &Data<TSymNumInterpreter>,
    &Data<TGreaterInterpreter>,
    &Data<TRandomInterpreter>,
    &Data<TAtomEqualInterpreter>,
    &Call,
    &Return,
    &TailJump,
    &DecideIf<TEqualInterpreter>,
    &DecideIf<TAtomEqualInterpreter>,
    &DecideIf<TGreaterInterpreter>,
    ZK_EACH_OPERATION(ConstArith),
    ZK_EACH_OPERATION(ParamConstArith),
    &CallEnter,
    &TailEnter,
    &ArgsEqualIf<true>,
    &ConstArgGreaterIf,
    &ArgAtomEqualIf,
    &ArgConstGreaterIf,
    &ArgsGreaterIf,
    ZK_EACH_OPERATION(ArgsArith),
    &ArgPart<false>,
    &ArgPart<true>,
    &GotoReturn,
    ZK_EACH_OPERATION(ParamArith),
    &ParamEqualIf<true>,
    &Params<2>,
    &Params<3>,
    &Params<4>,
    &KindIf<false>,
    &KindIf<true>,
    &Trap,
};

#undef ZK_EACH_OPERATION

// The executor of each operation that is not the core's own.
const TThreadedLoop::TExecutor TThreadedLoop::kExecutors[kOpCodeCount] = {
    nullptr,
    &TPushInterpreter::Apply,
    &TFLInterpreter::Apply,
    &TBfBlInterpreter::Apply,
    &TFLInterpreter::Apply,
    &TBfBlInterpreter::Apply,
    &TBrInterpreter::Apply,
    &TContInterpreter::Apply,
    &TExprInterpreter::Apply,
    nullptr, // If
    &TSymNumInterpreter::Apply,
    nullptr, // Goto
    nullptr, // Param
    nullptr, // ParamCopy
    nullptr, // LoadArgs
    nullptr, // FreeArgs
    nullptr,
    nullptr,
    &TEqualInterpreter::Apply,
    nullptr, // Ret
    nullptr, // SavePos
    &TAbortInterpreter::Apply,
    &TNumOpInterpreter::Apply,
    &TNumOpInterpreter::Apply,
    &TNumOpInterpreter::Apply,
    &TNumOpInterpreter::Apply,
    &TNumOpInterpreter::Apply,
    &TPushInterpreter::Apply,
    &TSymNumInterpreter::Apply,
    &TGreaterInterpreter::Apply,
    &TRandomInterpreter::Apply,
    &TAtomEqualInterpreter::Apply,
};

int32_t TrapCode() {
    return fuTrap;
}

// The loop runs in chunks of steps; between them the counters are published,
// a Stop is looked for and the stacks are checked against their limit.
// Chunks end at multiples of the interval however the run is cut into calls,
// so that a run made of single steps or stopped at traps meets the limit at
// the very step at which a plain run meets it.
void TInterpreter::Dispatch(int64_t budget) {
    const int64_t stepsEnd = budget > INT64_MAX - Steps_ ? INT64_MAX : Steps_ + budget;
    StepError_ = 0;
    Trapped_ = false;
    for (;;) {
        if (Error_.load(std::memory_order_relaxed) != 0 || Steps_ == stepsEnd) return;
        Publish();
        const int64_t intoChunk = Steps_ % kPublishInterval;
        if (intoChunk == 0 && StacksOverLimit()) {
            if (SetError(kErrorNoMemory)) FailedAt_ = PC_;
            return;
        }
        const int64_t countdown =
            std::min<int64_t>(stepsEnd - Steps_, kPublishInterval - intoChunk);
        ChunkEnd_ = Steps_ + countdown;
        TThreadedLoop::RunChunk(*this, countdown);
        if (StepError_ != 0) {
            if (SetError(StepError_)) FailedAt_ = FailingInstr(StepError_);
            return;
        }
        if (Trapped_) return;
    }
}

} // namespace zk
