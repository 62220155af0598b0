// The executors of the operations that the interpreter step does not carry
// out itself. Each works on the run's tree memory, mostly its value stack, and
// reports a failure by writing a code into the run's error number; none
// throws. They are stateless, and inline: the interpreter's threaded dispatch
// jumps from one instruction's executor straight to the next one's.
#pragma once

#include "frontend/Errors.h"
#include "interp/RandomGenerator.h"
#include "pcode/PCode.h"
#include "runtime/ZKMemory.h"

#include <cstdint>
#include <limits>

namespace zk {

// What an executor may touch besides the instruction: the run's memory, the
// program's random generator and the SYMBOL/NUMBER option.
struct TRunState {
    TZKMemory& Memory;
    TRandomGenerator& Random;
    bool SymbolIsError = true;
};

// What an executor reads of its instruction.
struct TOperands {
    int32_t OpCode;
    int32_t Arg1;
    int32_t Arg2;
};

namespace exec {

inline constexpr int64_t kAtomTrue = 1;
inline constexpr int64_t kAtomFalse = 2;

// One element in a cell; an immediate number is one element too, but has
// no cell to look at.
inline bool IsOneElement(const TTreeRef& v) {
    return v.First == v.Last && v.First >= 0;
}

inline bool IsAtom(const TCell& cell) {
    return cell.Kind == kCellList && cell.Value != 0 && cell.FirstChild == -1;
}

inline bool IsListNode(const TCell& cell) {
    return cell.Kind == kCellList && cell.Value == 0;
}

inline bool IsNumber(const TZKMemory& memory, const TTreeRef& v) {
    return v.IsImmediate() || (IsOneElement(v) && memory.Cell(v.First).Kind == kCellNumber);
}

// The number that `v` is, when it is one number, immediate or in its cell.
[[gnu::always_inline]] inline bool NumberOf(const TZKMemory& memory, const TTreeRef& v,
                                            int64_t& value) {
    if (v.IsImmediate()) {
        value = v.First;
        return true;
    }
    if (!IsOneElement(v)) return false;
    const TCell& cell = memory.Cell(v.First);
    value = cell.Value;
    return cell.Kind == kCellNumber;
}

// The kind and value of `v` when it is one leaf: an atom, a number or the
// empty list node.
[[gnu::always_inline]] inline bool LeafOf(const TZKMemory& memory, const TTreeRef& v, uint8_t& kind,
                                          int64_t& value) {
    if (v.IsImmediate()) {
        kind = kCellNumber;
        value = v.First;
        return true;
    }
    if (!IsOneElement(v)) return false;
    const TCell& cell = memory.Cell(v.First);
    kind = cell.Kind;
    value = cell.Value;
    return cell.FirstChild == -1;
}

// The result `value` of an operation in the cell taken for it: immediate
// when it fits, written into the cell otherwise.
inline TTreeRef NumberIn(TZKMemory& memory, int32_t cell, int64_t value) {
    if (FitsImmediate(value)) [[likely]]
        return ImmediateNumber(cell, static_cast<int32_t>(value));
    memory.PlaceLeaf(cell, kCellNumber, value);
    return {cell, cell};
}

// Only a damaged image runs an operation on a stack that holds fewer values
// than it takes; the run then ends instead of reading outside the stack.
inline bool HasValues(const TTreeStack& stack, std::size_t count, int32_t& error) {
    if (stack.Count() >= count) [[likely]]
        return true;
    error = kErrorBadInstruction;
    return false;
}

// A new cell for a result, or -1 with error 39 set.
inline int32_t NewCell(TZKMemory& memory, uint8_t kind, int64_t value, int32_t& error) {
    const int32_t cell = memory.AllocCell(kind, value);
    if (memory.OutOfMemory()) [[unlikely]] {
        error = kErrorNoMemory;
        return -1;
    }
    return cell;
}

inline void SetTop(TTreeStack& stack, int32_t cell) {
    stack.ReplaceTop({cell, cell});
}

// The result cell of a predicate with `operands` values on the stack: FALSE
// until the predicate holds; -1 with the error set when the stack is short or
// the memory exhausted. The operands stay on the stack during the allocation.
inline int32_t NewDecision(TZKMemory& memory, std::size_t operands, int32_t& error) {
    if (!HasValues(memory.ValueStack(), operands, error)) return -1;
    return NewCell(memory, kCellList, kAtomFalse, error);
}

// The result cell of a predicate, TRUE or FALSE, as a one-element value;
// nothing for -1, a predicate that failed.
inline void PushDecision(TZKMemory& memory, int32_t cell) {
    if (cell != -1) memory.ValueStack().Push({cell, cell});
}

} // namespace exec

// PushConst and PushNum.
class TPushInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        TZKMemory& memory = run.Memory;
        if (instr.OpCode == opPushConst && instr.Arg1 == 0) {
            memory.ValueStack().Push(kEmptyTree);
            return;
        }
        const uint8_t kind = instr.OpCode == opPushConst ? kCellList : kCellNumber;
        const int32_t cell = exec::NewCell(memory, kind, instr.Arg1, error);
        if (cell != -1) memory.ValueStack().Push({cell, cell});
    }
};

// First and Last narrow the top value in place.
class TFLInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        TTreeStack& stack = run.Memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        TTreeRef& top = stack.Top();
        run.Memory.Materialize(top);
        if (top.IsEmpty()) {
            error = instr.OpCode == opFirst ? kErrorFirstEmpty : kErrorLastEmpty;
            return;
        }
        if (instr.OpCode == opFirst)
            top.Last = top.First;
        else
            top.First = top.Last;
    }
};

// BF and BL drop the first or the last element of the top value.
class TBfBlInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        TTreeRef& top = stack.Top();
        memory.Materialize(top);
        if (top.IsEmpty()) {
            error = instr.OpCode == opBF ? kErrorBFEmpty : kErrorBLEmpty;
            return;
        }
        if (top.First == top.Last) {
            top.First = top.Last = -1;
        } else if (instr.OpCode == opBF) {
            top.First = memory.Cell(top.First).Next;
        } else {
            top.Last = memory.Cell(top.Last).Prev;
        }
    }
};

class TBrInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        TTreeRef value = stack.Pop();
        memory.Materialize(value);
        memory.Wrap(value);
        if (memory.OutOfMemory()) {
            error = kErrorNoMemory;
            return;
        }
        stack.Push(value);
    }
};

class TContInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        TTreeRef& top = stack.Top();
        memory.Materialize(top);
        TTreeRef value = top;
        if (!exec::IsOneElement(value) || !exec::IsListNode(memory.Cell(value.First))) {
            error = kErrorNotList;
            return;
        }
        memory.Contents(value);
        top.First = value.First;
        top.Last = value.Last;
    }
};

// Joins the two top values by relinking their cells.
class TExprInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 2, error)) return;
        TTreeRef right = stack.Pop();
        TTreeRef& top = stack.Top();
        if (right.IsImmediate() || top.IsImmediate()) [[unlikely]] {
            memory.Materialize(right);
            memory.Materialize(top);
        }
        if (right.IsEmpty()) return;
        if (top.IsEmpty()) {
            top.First = right.First;
            top.Last = right.Last;
            return;
        }
        TTreeRef left = top;
        memory.Concat(left, right);
        top.First = left.First;
        top.Last = left.Last;
    }
};

// Symbol and Number: whether the value is one atom, or one number.
class TSymNumInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        TTreeRef value = stack.Pop();
        memory.Materialize(value);
        // Only the end cells are inspected after the allocation, so only they
        // need to survive a collection.
        memory.AddRoot(value.First);
        memory.AddRoot(value.Last);
        const int32_t result = exec::NewCell(memory, kCellList, exec::kAtomFalse, error);
        memory.DropRoots(2);
        if (result == -1) return;
        if (value.IsEmpty()) {
            error = kErrorSymbolEmpty;
            return;
        }
        bool holds = false;
        if (exec::IsOneElement(value)) {
            const TCell& cell = memory.Cell(value.First);
            holds = instr.OpCode == opSymbol ? exec::IsAtom(cell) : cell.Kind == kCellNumber;
        } else if (run.SymbolIsError) {
            error = kErrorSymbolNotTerm;
            return;
        }
        if (holds) memory.Cell(result).Value = exec::kAtomTrue;
        stack.Push({result, result});
    }
};

class TEqualInterpreter final {
public:
    // Two leaves, the usual case, are compared here; the rest by TreeEqual.
    static bool Equal(const TZKMemory& memory, const TTreeRef& a, const TTreeRef& b) {
        if (a.IsImmediate() || b.IsImmediate()) {
            int64_t x = 0;
            int64_t y = 0;
            return exec::NumberOf(memory, a, x) && exec::NumberOf(memory, b, y) && x == y;
        }
        if (exec::IsOneElement(a) && exec::IsOneElement(b)) {
            const TCell& x = memory.Cell(a.First);
            const TCell& y = memory.Cell(b.First);
            if (x.FirstChild == -1 && y.FirstChild == -1)
                return x.Kind == y.Kind && x.Value == y.Value;
        }
        return memory.TreeEqual(a, b);
    }

public:
    static int32_t Decide(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        const int32_t result = exec::NewDecision(memory, 2, error);
        if (result == -1) return -1;
        const TTreeRef a = stack.Pop();
        if (Equal(memory, a, stack.Pop())) memory.Cell(result).Value = exec::kAtomTrue;
        return result;
    }
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        exec::PushDecision(run.Memory, Decide(run, instr, error));
    }
};

// Equality with a constant: Arg1 the atom number or the number, Arg2 its kind.
class TAtomEqualInterpreter final {
public:
    static int32_t Decide(TRunState& run, const TOperands& instr, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        const int32_t result = exec::NewDecision(memory, 1, error);
        if (result == -1) return -1;
        if (Matches(memory, stack.Pop(), instr)) memory.Cell(result).Value = exec::kAtomTrue;
        return result;
    }
    static bool Matches(const TZKMemory& memory, const TTreeRef& x, const TOperands& instr) {
        if (instr.Arg1 == 0 && instr.Arg2 == 0) return x.IsEmpty();
        if (x.IsImmediate()) return instr.Arg2 == kCellNumber && x.First == instr.Arg1;
        if (!exec::IsOneElement(x)) return false;
        const TCell& cell = memory.Cell(x.First);
        return cell.Kind == instr.Arg2 && cell.Value == instr.Arg1 && cell.FirstChild == -1;
    }
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        exec::PushDecision(run.Memory, Decide(run, instr, error));
    }
};

class TGreaterInterpreter final {
public:
    static int32_t Decide(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        const int32_t result = exec::NewDecision(memory, 2, error);
        if (result == -1) return -1;
        const TTreeRef second = stack.Pop();
        const TTreeRef first = stack.Pop();
        int64_t b = 0;
        int64_t a = 0;
        if (!exec::NumberOf(memory, first, b) || !exec::NumberOf(memory, second, a)) {
            error = kErrorGreaterNotNumber;
            return -1;
        }
        if (b > a) memory.Cell(result).Value = exec::kAtomTrue;
        return result;
    }
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        exec::PushDecision(run.Memory, Decide(run, instr, error));
    }
};

// Add, Subtr, Mul, Div and Mod in signed 64-bit arithmetic; an overflow is a
// code, never a wrapped value.
class TNumOpInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands& instr, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 2, error)) return;
        const int32_t result = exec::NewCell(memory, kCellNumber, 0, error);
        if (result == -1) return;
        const TTreeRef second = stack.Pop();
        const TTreeRef first = stack.Top();
        int64_t b = 0;
        int64_t a = 0;
        if (!exec::NumberOf(memory, first, b) || !exec::NumberOf(memory, second, a)) [[unlikely]] {
            error = NotNumberCode(instr.OpCode);
            stack.Pop();
            return;
        }
        int64_t value = 0;
        if (!Compute(instr.OpCode, b, a, value, error)) value = 0;
        memory.Cell(result).Value = value;
        exec::SetTop(stack, result);
    }

    // PushNum `constant` and then the operation `opCode`, without pushing the
    // constant: its cell is allocated all the same, so the memory ends as it
    // would. The caller has made sure that both cells come without a
    // collection (HasRoomFor(2)) and that the stack holds the first operand.
    static void ApplyConstant(TRunState& run, int32_t opCode, int32_t constant, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        // The constant's cell is taken but never filled: nothing refers to it.
        const int32_t result = memory.TakeCells(2) + 1;
        const TTreeRef first = stack.Top();
        int64_t b = 0;
        if (!exec::NumberOf(memory, first, b)) [[unlikely]] {
            error = NotNumberCode(opCode);
            stack.Pop();
            return;
        }
        int64_t value = 0;
        if (!Compute(opCode, b, constant, value, error)) value = 0;
        stack.ReplaceTop(exec::NumberIn(memory, result, value));
    }

    // B op A into `value`; false with the code of the failure in `error`
    // when the operation fails.
    [[gnu::always_inline]] static bool Compute(int32_t opCode, int64_t b, int64_t a, int64_t& value,
                                               int32_t& error) {
        switch (opCode) {
        case opAdd: return Checked(!__builtin_add_overflow(b, a, &value), error);
        case opSubtr: return Checked(!__builtin_sub_overflow(b, a, &value), error);
        case opMul: return Checked(!__builtin_mul_overflow(b, a, &value), error);
        case opDiv:
            if (a == 0) return Fail(kErrorDivisionByZero, error);
            if (a == -1 && b == std::numeric_limits<int64_t>::min())
                return Fail(kErrorOverflow, error);
            value = b / a;
            return true;
        default: // opMod; the remainder of the smallest value by -1 is 0
            if (a == 0) return Fail(kErrorDivisionByZero, error);
            value = a == -1 ? 0 : b % a;
            return true;
        }
    }

private:
    static bool Checked(bool fits, int32_t& error) { return fits || Fail(kErrorOverflow, error); }
    static bool Fail(int32_t code, int32_t& error) {
        error = code;
        return false;
    }
    static int32_t NotNumberCode(int32_t opCode) {
        switch (opCode) {
        case opAdd: return kErrorAddNotNumber;
        case opSubtr: return kErrorSubtrNotNumber;
        case opMul: return kErrorMulNotNumber;
        case opDiv: return kErrorDivNotNumber;
        default: return kErrorModNotNumber;
        }
    }
};

class TRandomInterpreter final {
public:
    static void Apply(TRunState& run, const TOperands&, int32_t& error) {
        TZKMemory& memory = run.Memory;
        TTreeStack& stack = memory.ValueStack();
        if (!exec::HasValues(stack, 1, error)) return;
        const int32_t result = exec::NewCell(memory, kCellNumber, 0, error);
        if (result == -1) return;
        const TTreeRef range = stack.Top();
        int64_t n = 0;
        if (!exec::NumberOf(memory, range, n) || n < 0) {
            error = kErrorRandomRange;
            stack.Pop();
            return;
        }
        const auto low = static_cast<uint32_t>(n);
        memory.Cell(result).Value = run.Random.Draw(low);
        exec::SetTop(stack, result);
    }
};

class TAbortInterpreter final {
public:
    static void Apply(TRunState&, const TOperands&, int32_t& error) { error = kErrorAborted; }
};

} // namespace zk
