#include "interp/Executors.h"

#include <array>

namespace zk {

namespace {

// One object may serve several codes; the table is complete before the
// first run and never changes.
struct TExecutorTable {
    TPushInterpreter Push;
    TFLInterpreter FirstLast;
    TBfBlInterpreter BfBl;
    TBrInterpreter Br;
    TContInterpreter Cont;
    TExprInterpreter Expr;
    TSymNumInterpreter SymNum;
    TEqualInterpreter Equal;
    TAbortInterpreter Abort;
    TNumOpInterpreter NumOp;
    TGreaterInterpreter Greater;
    TRandomInterpreter Random;
    TAtomEqualInterpreter AtomEqual;
    std::array<const TAbstractInterpreter*, kOpCodeCount> Entries{};

    TExecutorTable() {
        Entries[opPushConst] = &Push;
        Entries[opPushNum] = &Push;
        Entries[opFirst] = &FirstLast;
        Entries[opLast] = &FirstLast;
        Entries[opBF] = &BfBl;
        Entries[opBL] = &BfBl;
        Entries[opBr] = &Br;
        Entries[opCont] = &Cont;
        Entries[opExpr] = &Expr;
        Entries[opSymbol] = &SymNum;
        Entries[opNumber] = &SymNum;
        Entries[opEqual] = &Equal;
        Entries[opAbort] = &Abort;
        Entries[opAtomEqual] = &AtomEqual;
        for (int32_t code = opAdd; code <= opMod; ++code)
            Entries[code] = &NumOp;
        Entries[opGreater] = &Greater;
        Entries[opRandom] = &Random;
    }
};

} // namespace

const TAbstractInterpreter* Executors(int32_t code) {
    static const TExecutorTable table;
    if (code < 0 || code >= kOpCodeCount) return nullptr;
    return table.Entries[code];
}

} // namespace zk
