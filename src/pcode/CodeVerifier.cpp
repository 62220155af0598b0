// The verifier. A function needs no record to be found: the compiler lays
// functions out one after another, each ending with its only Ret, so the
// instruction after a Ret (or instruction 0) starts a function. That matters
// because files keep few records: a program file only the main function's, a
// unit file only its exported ones.
//
// The stack depths are followed through each function once, from its start
// with its arguments on the value stack (depths relative to what lay below
// them), over a work list of instructions, each visited once. Instructions
// that no path reaches (a Goto after a tail jump or after Abort) are checked
// for their operands only.
#include "pcode/CodeVerifier.h"

#include "frontend/FileIO.h"

#include <vector>

namespace zk {

namespace {

constexpr int32_t kUnvisited = -1;

bool HasMeaning(int32_t opCode) {
    return opCode >= 0 && opCode < kOpCodeCount && opCode != opRes1 && opCode != opRes2;
}

std::string At(int32_t index, const std::string& what) {
    return "instruction " + std::to_string(index) + ": " + what;
}

std::string AtomFault(const TAtomTable& atoms) {
    // The predicates produce atoms 1 and 2; PushConst 0 is the empty value.
    if (atoms.Count() < 3 || atoms[0] != "" || atoms[1] != "TRUE" || atoms[2] != "FALSE")
        return "atoms 0, 1 and 2 are not \"\", TRUE and FALSE";
    for (int32_t i = 0; i < atoms.Count(); ++i)
        if (atoms.Find(atoms[i]) != i) return "atom " + std::to_string(i) + " is listed twice";
    return {};
}

// The depths of the value stack and the argument stack, relative to the
// start of the function.
struct TDepths {
    int32_t Values = kUnvisited;
    int32_t Args = 0;
};

class TVerifier {
public:
    TVerifier(const TPCode& code, TCodeKind kind)
        : Code_(code.Code), Size_(code.InstrCount()), Atoms_(code.Atoms.Count()), Kind_(kind) {}

    std::string FunctionsFault() {
        // A unit that exports nothing keeps no code once optimized.
        if (Size_ == 0) return Kind_ == TCodeKind::Unit ? "" : "no instructions";
        if (Code_.back().OpCode != opRet) return "the code does not end with Ret";
        for (int32_t start = 0; start < Size_;) {
            int32_t ret = start;
            while (Code_[static_cast<std::size_t>(ret)].OpCode != opRet)
                ++ret;
            if (std::string fault = FunctionFault(start, ret); !fault.empty()) return fault;
            start = ret + 1;
        }
        return {};
    }

    std::string RecordsFault(const std::vector<TFunction>& functions) const {
        for (const TFunction& function : functions) {
            const int32_t entry = function.Entry;
            if (!IsStart(entry))
                return "the entry of " + function.Name + " is not the start of a function";
            if (static_cast<int64_t>(function.Args.size()) != ArityAt(entry))
                return "function " + function.Name + " has " +
                       std::to_string(function.Args.size()) + " arguments, its code takes " +
                       std::to_string(ArityAt(entry));
        }
        return {};
    }

    bool IsStart(int32_t index) const {
        return index >= 0 && index < Size_ && (index == 0 || Op(index - 1) == opRet);
    }

private:
    int32_t Op(int32_t index) const { return Code_[static_cast<std::size_t>(index)].OpCode; }
    const TPInstr& Instr(int32_t index) const { return Code_[static_cast<std::size_t>(index)]; }

    // The arguments that the function starting at `start` takes.
    int32_t ArityAt(int32_t start) const { return Op(start) == opLoadArgs ? Instr(start).Arg1 : 0; }

    // The Goto of a call: only SavePos leads to it.
    bool IsCallGoto(int32_t index) const { return index > 0 && Op(index - 1) == opSavePos; }

    // A call is followed before its callee's own turn comes, so the callee's
    // arity is checked wherever it is used.
    std::string ArityFault(int32_t start) const {
        const int32_t arity = ArityAt(start);
        if (Op(start) == opLoadArgs && (arity < 1 || arity > kMaxArity))
            return At(start, "LoadArgs of " + std::to_string(arity) + " arguments");
        return {};
    }

    std::string FunctionFault(int32_t start, int32_t ret) {
        if (std::string fault = ArityFault(start); !fault.empty()) return fault;
        const int32_t arity = ArityAt(start);
        if (arity > 0 && (ret - 1 <= start || Op(ret - 1) != opFreeArgs))
            return At(ret, "a function of arguments ends without FreeArgs");
        for (int32_t i = start; i <= ret; ++i)
            if (std::string fault = OperandFault(i, start, ret, arity); !fault.empty())
                return fault;
        return DepthFault(start, ret, arity);
    }

    std::string OperandFault(int32_t i, int32_t start, int32_t ret, int32_t arity) const {
        const TPInstr& instr = Instr(i);
        switch (instr.OpCode) {
        case opPushConst:
            if (instr.Arg1 < 0 || instr.Arg1 >= Atoms_)
                return At(i, "atom number outside the table");
            return {};
        case opAtomEqual:
            if (instr.Arg2 != 0 && instr.Arg2 != 1) // 0 an atom, 1 a number
                return At(i, "constant of unknown kind");
            if (instr.Arg2 == 0 && (instr.Arg1 < 0 || instr.Arg1 >= Atoms_))
                return At(i, "atom number outside the table");
            return {};
        case opLoadArgs:
            if (i != start) return At(i, "LoadArgs inside a function");
            return {};
        case opFreeArgs:
            if (instr.Arg1 != arity || arity == 0)
                return At(i, "FreeArgs of " + std::to_string(instr.Arg1) + " in a function of " +
                                 std::to_string(arity) + " arguments");
            return {};
        case opSavePos:
            if (i + 1 >= ret || Op(i + 1) != opGoto) return At(i, "SavePos without its Goto");
            return CallFault(i + 1);
        case opGoto:
            if (IsCallGoto(i)) return {};
            if (!instr.Name.empty())
                return At(i, "call of " + instr.Name.Text() + " without SavePos");
            [[fallthrough]];
        case opIf:
            if (instr.Arg1 < start || instr.Arg1 > ret) return At(i, "jump outside its function");
            if (IsCallGoto(instr.Arg1)) return At(i, "jump into a call");
            return {};
        default:
            if (!HasMeaning(instr.OpCode))
                return At(i, "unknown operation " + std::to_string(instr.OpCode));
            return {};
        }
    }

    std::string CallFault(int32_t i) const {
        const TPInstr& call = Instr(i);
        if (call.Name.empty()) {
            if (!IsStart(call.Arg1)) return At(i, "call that does not land on a function");
            return ArityFault(call.Arg1);
        }
        if (Kind_ == TCodeKind::Program) return At(i, "unresolved call of " + call.Name.Text());
        if (call.Arg1 != kCallByName && call.Arg1 != kCallByOperator)
            return At(i, "call of " + call.Name.Text() + " in unknown mode");
        if (call.Arg2 < 0 || call.Arg2 > 0xFFFF)
            return At(i, "call of " + call.Name.Text() + " with " + std::to_string(call.Arg2) +
                             " arguments");
        return {};
    }

    // The values that the call at SavePos `i` takes: the callee's arguments.
    int32_t CallArguments(int32_t i) const {
        const TPInstr& call = Instr(i + 1);
        return call.Name.empty() ? ArityAt(call.Arg1) : call.Arg2;
    }

    std::string DepthFault(int32_t start, int32_t ret, int32_t arity) {
        Depths_.assign(static_cast<std::size_t>(ret - start + 1), TDepths{});
        Pending_.clear();
        if (std::string fault = Reach(start, start, {arity, 0}); !fault.empty()) return fault;
        while (!Pending_.empty()) {
            const int32_t i = Pending_.back();
            Pending_.pop_back();
            if (std::string fault = Step(i, start, arity); !fault.empty()) return fault;
        }
        return {};
    }

    std::string Reach(int32_t target, int32_t start, TDepths depths) {
        TDepths& known = Depths_[static_cast<std::size_t>(target - start)];
        if (known.Values == kUnvisited) {
            known = depths;
            Pending_.push_back(target);
            return {};
        }
        if (known.Values != depths.Values || known.Args != depths.Args)
            return At(target,
                      "reached with " + DepthText(known) + " and with " + DepthText(depths));
        return {};
    }

    static std::string DepthText(TDepths depths) {
        return std::to_string(depths.Values) + " values and " + std::to_string(depths.Args) +
               " arguments";
    }

    std::string Step(int32_t i, int32_t start, int32_t arity) {
        const TPInstr& instr = Instr(i);
        TDepths d = Depths_[static_cast<std::size_t>(i - start)];
        const auto takes = [&](int32_t values) -> std::string {
            if (d.Values >= values) return {};
            return At(i, OpCodeName(instr.OpCode) + std::string(" takes ") +
                             std::to_string(values) + " values and finds " +
                             std::to_string(d.Values));
        };
        const auto next = [&](int32_t target, int32_t values, int32_t args) {
            return Reach(target, start, {values, args});
        };
        switch (instr.OpCode) {
        case opNop: return next(i + 1, d.Values, d.Args);
        case opPushConst:
        case opPushNum: return next(i + 1, d.Values + 1, d.Args);
        case opParam:
        case opParamCopy:
            if (instr.Arg1 < 0 || instr.Arg1 >= d.Args)
                return At(i, "argument " + std::to_string(instr.Arg1) + " of " +
                                 std::to_string(d.Args));
            return next(i + 1, d.Values + 1, d.Args);
        case opFirst:
        case opBF:
        case opLast:
        case opBL:
        case opBr:
        case opCont:
        case opSymbol:
        case opNumber:
        case opRandom:
        case opAtomEqual:
            if (std::string fault = takes(1); !fault.empty()) return fault;
            return next(i + 1, d.Values, d.Args);
        case opExpr:
        case opEqual:
        case opGreater:
        case opAdd:
        case opSubtr:
        case opMul:
        case opDiv:
        case opMod:
            if (std::string fault = takes(2); !fault.empty()) return fault;
            return next(i + 1, d.Values - 1, d.Args);
        case opIf: {
            if (std::string fault = takes(1); !fault.empty()) return fault;
            if (std::string fault = next(i + 1, d.Values - 1, d.Args); !fault.empty()) return fault;
            return next(instr.Arg1, d.Values - 1, d.Args);
        }
        case opGoto: return next(instr.Arg1, d.Values, d.Args);
        case opLoadArgs:
            if (std::string fault = takes(arity); !fault.empty()) return fault;
            return next(i + 1, d.Values - arity, d.Args + arity);
        case opFreeArgs:
            if (d.Args < arity)
                return At(i, "FreeArgs of " + std::to_string(arity) + " finds " +
                                 std::to_string(d.Args) + " arguments");
            return next(i + 1, d.Values, d.Args - arity);
        case opSavePos: {
            const int32_t arguments = CallArguments(i);
            if (std::string fault = takes(arguments); !fault.empty()) return fault;
            return next(i + 2, d.Values - arguments + 1, d.Args);
        }
        case opRet:
            if (d.Values != 1 || d.Args != 0)
                return At(i, "Ret finds " + DepthText(d) + " instead of the result alone");
            return {};
        default: return {}; // Abort ends the run
        }
    }

    const std::vector<TPInstr>& Code_;
    const int32_t Size_;
    const int32_t Atoms_;
    const TCodeKind Kind_;
    std::vector<TDepths> Depths_; // of the function being followed, by offset from its start
    std::vector<int32_t> Pending_;
};

} // namespace

std::string CodeFault(const TPCode& code, TCodeKind kind) {
    if (std::string fault = AtomFault(code.Atoms); !fault.empty()) return fault;
    if (kind == TCodeKind::Program) {
        if (code.Functions.empty()) return "no main function";
        if (code.Functions[0].Entry != 0) return "the main function does not start at 0";
    }
    TVerifier verifier(code, kind);
    if (std::string fault = verifier.FunctionsFault(); !fault.empty()) return fault;
    return verifier.RecordsFault(code.Functions);
}

void RefuseDamagedCode(const TPCode& code, TCodeKind kind, std::string_view path) {
    if (const std::string fault = CodeFault(code, kind); !fault.empty())
        throw TFileError(std::string(path), "damaged p-code file: " + fault, TFileFault::Damaged);
}

} // namespace zk
