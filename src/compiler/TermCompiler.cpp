// The keyword registry, the steps shared by the one- and two-argument forms,
// and CompileBody. The open forms of a body live on a TStack rather than on
// the machine stack, so forms may nest as deep as the tokens allow.
#include "compiler/TermCompiler.h"

#include "compiler/TermCompilers.h"
#include "runtime/Stacks.h"

#include <charconv>
#include <unordered_map>

namespace zk {

namespace {

struct TOpState : TFormState {
    explicit TOpState(int32_t opCode) : OpCode(opCode) {}
    int32_t OpCode;
};

struct TBinState : TFormState {
    explicit TBinState(int32_t opCode) : OpCode(opCode) {}
    int32_t Count = 0; // arguments compiled so far
    int32_t OpCode;
};

TKeywordRegistry FillRegistry() {
    static const TZKUnInstrCompiler unInstr;
    static const TZKBinInstrCompiler binInstr;
    static const TNumCompiler num;
    static const TQuoteCompiler quote;
    static const TIfCompiler ifForm;
    static const TExprCompiler expr;
    static const TCallCompiler call;
    static const TAbortCompiler abort;
    static const TRandomCompiler random;
    static const TDefOpCompiler defOp;

    struct TEntry {
        std::string_view Keyword;
        const TAbstractCompiler* Compiler;
        bool ModifiedOnly;
    };
    static constexpr int32_t kEntryCount = 21;
    const TEntry entries[kEntryCount] = {
        {"FIRST", &unInstr, false},  {"BF", &unInstr, false},    {"LAST", &unInstr, false},
        {"BL", &unInstr, false},     {"BR", &unInstr, false},    {"CONT", &unInstr, false},
        {"SYMBOL", &unInstr, false}, {"NUMBER", &unInstr, true}, {"QUOTE", &quote, false},
        {"EQUAL", &binInstr, false}, {"-", &binInstr, true},     {"/", &binInstr, true},
        {"%", &binInstr, true},      {">", &binInstr, true},     {"IF", &ifForm, false},
        {"EXPR", &expr, false},      {"CALL", &call, false},     {"ABORT", &abort, false},
        {"+", &num, true},           {"*", &num, true},          {"RANDOM", &random, true},
    };
    static_assert(kEntryCount <= kRegistryCapacity);

    TKeywordRegistry registry;
    for (const TEntry& entry : entries) {
        const auto i = static_cast<std::size_t>(registry.KeywordCount++);
        registry.Keywords[i] = entry.Keyword;
        registry.Compilers[i] = entry.Compiler;
        registry.ModifiedOnly[i] = entry.ModifiedOnly;
    }
    registry.DefOpCompiler = &defOp;
    return registry;
}

const TAbstractCompiler& CompilerOf(const TKeywordRegistry& registry, int32_t index) {
    return index < 0 ? *registry.DefOpCompiler
                     : *registry.Compilers[static_cast<std::size_t>(index)];
}

// Argument name -> number of its first declaration.
std::unordered_map<std::string_view, int32_t> IndexArgs(const std::vector<std::string>& args) {
    std::unordered_map<std::string_view, int32_t> index;
    index.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        index.try_emplace(args[i], static_cast<int32_t>(i));
    return index;
}

// The part of CompileBody's loop that looks at the current token: a term that
// needs no form is compiled at once, an opening bracket and a head open a frame.
class TBodyWalker {
public:
    TBodyWalker(TTokArr& tokens, TPCode& code, TError& error)
        : Body_{tokens, code, error, {}}, Args_(IndexArgs(code.LastFunction().Args)) {}

    void Run();

private:
    void LookAtToken();
    // Steps the innermost form; false when the walk must stop.
    bool StepInnermost();
    void ReleaseFrames();

    const TKeywordRegistry& Registry_ = Registry();
    TBodyContext Body_;
    const std::unordered_map<std::string_view, int32_t> Args_;
    TStack Stack_;
    TRetData Failed_; // the frame whose step stopped the walk
};

void TBodyWalker::Run() {
    TTokArr& tokens = Body_.Tokens;
    bool firstPass = true;
    while (Body_.Error.Number == 0 && !tokens.AtEnd() && (firstPass || !Stack_.IsEmpty())) {
        LookAtToken();
        if (!Stack_.IsEmpty() && Body_.Error.Number == 0 && !StepInnermost()) break;
        firstPass = false;
    }
    if (Body_.Error.Number == 0) tokens.Next();
    ReleaseFrames();
}

void TBodyWalker::LookAtToken() {
    TTokArr& tokens = Body_.Tokens;
    const TToken& token = *tokens.Current();
    switch (token.Kind) {
    case tkAtom: {
        const auto found = Args_.find(token.Text);
        if (found == Args_.end()) {
            Body_.Fail(kErrorUnknownAtom);
            return;
        }
        Body_.PlainParams.push_back(Body_.Emit(opParam, found->second));
        return;
    }
    case tkNumber: Body_.Emit(opPushNum, NumberValue(token.Text)); return;
    case tkOpen:
        tokens.Next();
        if (tokens.AtEnd())
            Body_.Fail(kErrorUnexpectedEnd);
        else if (tokens.Current()->Kind == tkAtom)
            Stack_.Push(TRetData{LookupKeyword(tokens.Current()->Text), nullptr});
        else
            Body_.Fail(kErrorTermExpected);
        return;
    case tkClose:
        // With forms open this is the bracket of a form just completed; the
        // step of the form around it moves past it.
        if (Stack_.IsEmpty()) Body_.Fail(kErrorTermExpected);
        return;
    }
}

bool TBodyWalker::StepInnermost() {
    TRetData frame = Stack_.Pop();
    CompilerOf(Registry_, frame.Index).Step(Body_, frame.State);
    if (Body_.Error.Number == 0 && Body_.Tokens.AtEnd()) Body_.Fail(kErrorUnexpectedEnd);
    if (Body_.Error.Number != 0) {
        Failed_ = std::move(frame);
        return false;
    }
    if (frame.State) Stack_.Push(std::move(frame));
    return true;
}

void TBodyWalker::ReleaseFrames() {
    CompilerOf(Registry_, Failed_.Index).FreeState(Failed_.State);
    while (!Stack_.IsEmpty()) {
        TRetData frame = Stack_.Pop();
        CompilerOf(Registry_, frame.Index).FreeState(frame.State);
    }
}

} // namespace

const TKeywordRegistry& Registry() {
    static const TKeywordRegistry registry = FillRegistry();
    return registry;
}

int32_t LookupKeyword(std::string_view text) {
    const TKeywordRegistry& registry = Registry();
    for (int32_t i = 0; i < registry.KeywordCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (registry.Keywords[at] == text && !(registry.ModifiedOnly[at] && ClassicLanguage))
            return i;
    }
    return -1;
}

void CompileBody(TTokArr& tokens, TPCode& code, TError& error) {
    TBodyWalker(tokens, code, error).Run();
}

int32_t NumberValue(std::string_view text) {
    int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void TUnInstrCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (!state) {
        const int32_t opCode = InstrCode(body.Tokens.Current()->Text);
        state = std::make_unique<TOpState>(opCode);
        body.Tokens.Next();
        if (body.OnClose()) body.Fail(ErrorCode(opCode));
        return;
    }
    body.Emit(static_cast<TOpState&>(*state).OpCode);
    state.reset();
    body.Tokens.Next();
    body.Tokens.ExpectClose(body.Error);
}

void TBinInstrCompiler::Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const {
    if (!state) {
        const int32_t opCode = InstrCode(body.Tokens.Current()->Text);
        state = std::make_unique<TBinState>(opCode);
        body.Tokens.Next();
        if (body.OnClose()) body.Fail(ErrorCode(opCode));
        return;
    }
    auto& bin = static_cast<TBinState&>(*state);
    if (bin.Count == 0) {
        bin.Count = 1;
        body.Tokens.Next();
        if (body.OnClose()) body.Fail(ErrorCode(bin.OpCode));
        return;
    }
    body.Emit(bin.OpCode);
    state.reset();
    body.Tokens.Next();
    body.Tokens.ExpectClose(body.Error);
}

} // namespace zk
