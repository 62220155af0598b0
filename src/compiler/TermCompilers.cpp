// The built-in forms. Each Step is called once on the form's head and once
// after each argument that CompileBody has compiled; the code of an argument
// therefore precedes whatever its form appends after it.
#include "compiler/TermCompilers.h"

#include <string>
#include <vector>

namespace zk {

namespace {

struct TFormCode {
    std::string_view Keyword;
    int32_t OpCode;
    int32_t ErrorNumber;
};

constexpr TFormCode kUnForms[] = {
    {"FIRST", opFirst, 9}, {"BF", opBF, 10},     {"LAST", opLast, 11},     {"BL", opBL, 12},
    {"BR", opBr, 13},      {"CONT", opCont, 14}, {"SYMBOL", opSymbol, 15}, {"NUMBER", opNumber, 16},
};

constexpr TFormCode kBinForms[] = {
    {"EQUAL", opEqual, 17}, {"-", opSubtr, 18},   {"/", opDiv, 19},
    {"%", opMod, 20},       {">", opGreater, 21},
};

template <std::size_t N>
int32_t InstrCodeIn(const TFormCode (&forms)[N], std::string_view keyword) {
    for (const TFormCode& form : forms)
        if (form.Keyword == keyword) return form.OpCode;
    return 0;
}

template <std::size_t N> int32_t ErrorCodeIn(const TFormCode (&forms)[N], int32_t opCode) {
    for (const TFormCode& form : forms)
        if (form.OpCode == opCode) return form.ErrorNumber;
    return 0;
}

// + and *: whether a second argument has been seen, and the operation.
struct TNumState : TFormState {
    explicit TNumState(int32_t opCode) : OpCode(opCode) {}
    bool Several = false;
    int32_t OpCode;
};

struct TExprState : TFormState {
    explicit TExprState(int32_t first) : First(first) {}
    int32_t First; // the index of the form's first instruction
    bool Several = false;
};

struct TIfState : TFormState {
    int32_t IfIndex = 0;
    int32_t GotoIndex = 0;
    uint8_t Phase = 0; // 0: before the condition, 1: before then, 2: before else
};

struct TCallState : TFormState {
    explicit TCallState(int32_t headPos) : HeadPos(headPos) {}
    int32_t HeadPos;
    int32_t Count = 0; // arguments compiled so far
    std::string Name;
};

// SavePos, Goto: both at the head's position; the Goto names the callee until
// the call is bound.
void EmitCall(TBodyContext& body, const TCallState& call, int32_t mode) {
    body.Code.AddInstr(opSavePos, 0, 0, {}, call.HeadPos);
    body.Code.AddInstr(opGoto, mode, call.Count, call.Name, call.HeadPos);
}

// After an argument of a call: the closing bracket completes it.
void StepCallArgument(TBodyContext& body, std::unique_ptr<TFormState>& state, int32_t mode) {
    auto& call = static_cast<TCallState&>(*state);
    ++call.Count;
    body.Tokens.Next();
    if (!body.OnClose()) return;
    EmitCall(body, call, mode);
    state.reset();
}

// Every Param of the range from `first` on becomes ParamCopy; the Params
// still plain at or after `first` are the tail of the list.
void RewriteParams(TBodyContext& body, int32_t first) {
    std::vector<int32_t>& params = body.PlainParams;
    while (!params.empty() && params.back() >= first) {
        body.Code.GetInstr(params.back()).OpCode = opParamCopy;
        params.pop_back();
    }
}

} // namespace

int32_t TZKUnInstrCompiler::InstrCode(std::string_view keyword) const {
    return InstrCodeIn(kUnForms, keyword);
}

int32_t TZKUnInstrCompiler::ErrorCode(int32_t opCode) const {
    return ErrorCodeIn(kUnForms, opCode);
}

int32_t TRandomCompiler::InstrCode(std::string_view keyword) const {
    return keyword == "RANDOM" ? opRandom : 0;
}

int32_t TRandomCompiler::ErrorCode(int32_t) const {
    return kErrorRandom;
}

int32_t TZKBinInstrCompiler::InstrCode(std::string_view keyword) const {
    return InstrCodeIn(kBinForms, keyword);
}

int32_t TZKBinInstrCompiler::ErrorCode(int32_t opCode) const {
    return ErrorCodeIn(kBinForms, opCode);
}

void TNumCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (!state) {
        const bool add = body.Tokens.Current()->Text == "+";
        state = std::make_unique<TNumState>(add ? opAdd : opMul);
        body.Tokens.Next();
        if (body.OnClose()) body.Fail(add ? kErrorAdd : kErrorMul);
        return;
    }
    auto& num = static_cast<TNumState&>(*state);
    if (num.Several) body.Emit(num.OpCode);
    body.Tokens.Next();
    if (body.OnClose())
        state.reset();
    else
        num.Several = true;
}

void TExprCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (!state) {
        state = std::make_unique<TExprState>(body.Code.InstrCount());
        body.Tokens.Next();
        if (body.OnClose()) body.Fail(kErrorExprArgs);
        return;
    }
    auto& expr = static_cast<TExprState&>(*state);
    if (expr.Several) {
        RewriteParams(body, expr.First);
        body.Emit(opExpr);
    }
    body.Tokens.Next();
    if (body.OnClose())
        state.reset();
    else
        expr.Several = true;
}

void TIfCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (!state) {
        state = std::make_unique<TIfState>();
    } else {
        auto& form = static_cast<TIfState&>(*state);
        switch (form.Phase) {
        case 0: form.IfIndex = body.Emit(opIf); break;
        case 1: form.GotoIndex = body.Emit(opGoto); break;
        default:
            body.Code.GetInstr(form.IfIndex).Arg1 = form.GotoIndex + 1;
            body.Code.GetInstr(form.GotoIndex).Arg1 = body.Code.InstrCount();
            state.reset();
            body.Tokens.Next();
            body.Tokens.ExpectClose(body.Error);
            return;
        }
        ++form.Phase;
    }
    body.Tokens.Next();
    if (body.OnClose()) body.Fail(kErrorIf);
}

// The elements are emitted as one list with an explicit stack of open lists,
// each with its first-element flag: a list leaves its value on the stack, and
// every element after the first is joined to the ones before it by Expr.
void TQuoteCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>&) const {
    TTokArr& tokens = body.Tokens;
    std::vector<bool> firstOfList{true};
    tokens.Next();
    for (;;) {
        if (tokens.AtEnd()) {
            body.Fail(kErrorUnexpectedEnd);
            return;
        }
        const TToken& token = *tokens.Current();
        if (token.Kind == tkOpen) {
            tokens.Next();
            firstOfList.push_back(true);
            continue;
        }
        if (token.Kind == tkClose) {
            if (firstOfList.back()) body.Emit(opPushConst);
            firstOfList.pop_back();
            if (firstOfList.empty()) return; // the bracket of the QUOTE form itself
            body.Emit(opBr);
        } else if (token.Kind == tkNumber) {
            body.Emit(opPushNum, NumberValue(token.Text));
        } else {
            body.Emit(opPushConst, 0, 0, std::string(token.Text));
        }
        if (!firstOfList.back()) body.Emit(opExpr);
        firstOfList.back() = false;
        tokens.Next();
    }
}

void TCallCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (state) {
        StepCallArgument(body, state, kCallByName);
        return;
    }
    TTokArr& tokens = body.Tokens;
    state = std::make_unique<TCallState>(tokens.CurrentPos());
    tokens.Next();
    if (tokens.AtEnd()) {
        body.Fail(kErrorUnexpectedEnd);
        return;
    }
    if (tokens.Current()->Kind != tkAtom) {
        body.Fail(kErrorCalleeNotAtom);
        return;
    }
    auto& call = static_cast<TCallState&>(*state);
    call.Name = tokens.Current()->Text;
    tokens.Next();
    if (!body.OnClose()) return;
    EmitCall(body, call, kCallByName);
    state.reset();
}

void TDefOpCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (state) {
        StepCallArgument(body, state, kCallByOperator);
        return;
    }
    TTokArr& tokens = body.Tokens;
    auto call = std::make_unique<TCallState>(tokens.CurrentPos());
    call->Name = tokens.Current()->Text;
    tokens.Next();
    if (body.OnClose())
        EmitCall(body, *call, kCallByOperator);
    else
        state = std::move(call);
}

void TAbortCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>&) const {
    body.Emit(opAbort);
    body.Tokens.Next();
    body.Tokens.ExpectClose(body.Error);
}

} // namespace zk
