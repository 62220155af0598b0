// The compilers of the built-in forms: what each form checks and which
// instructions it appends, step by step as TAbstractCompiler describes. The
// registry holds one object of each class.
#pragma once

#include "compiler/TermCompiler.h"

namespace zk {

// FIRST, BF, LAST, BL, BR, CONT, SYMBOL and NUMBER.
class TZKUnInstrCompiler : public TUnInstrCompiler {
public:
    int32_t InstrCode(std::string_view keyword) const override;
    int32_t ErrorCode(int32_t opCode) const override;
};

// (RANDOM a): a random number below the value of a.
class TRandomCompiler : public TUnInstrCompiler {
public:
    int32_t InstrCode(std::string_view keyword) const override;
    int32_t ErrorCode(int32_t opCode) const override;
};

// EQUAL, and the signs -, /, % and >.
class TZKBinInstrCompiler : public TBinInstrCompiler {
public:
    int32_t InstrCode(std::string_view keyword) const override;
    int32_t ErrorCode(int32_t opCode) const override;
};

// (+ a1 ... an) and (* a1 ... an), n >= 1: a left fold, [a1] alone for n = 1.
class TNumCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (EXPR a1 ... an), n >= 1: the concatenation of the values. With two or more
// arguments every Param of the form becomes ParamCopy.
class TExprCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (IF c t e): [c] If->else [t] Goto->end else: [e] end:
class TIfCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (QUOTE x1 ... xn): a constant list of atoms, numbers and nested lists,
// compiled whole in the first step.
class TQuoteCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (CALL F a1 ... an): a call by function name and number of arguments.
class TCallCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (OP a1 ... an) for an atom OP that is no keyword: a call through DEFOP.
class TDefOpCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

// (ABORT): stops the run.
class TAbortCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
};

} // namespace zk
