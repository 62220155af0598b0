// The keyword registry, the steps shared by the one- and two-argument forms,
// and CompileBody. The open forms of a body live on a TStack rather than on
// the machine stack, so forms may nest as deep as the tokens allow.
#include "compiler/TermCompiler.h"

#include "compiler/FormRecord.h"
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

// Argument name -> number of its first declaration. Inlined into both
// walkers, as it was into the one walker there was.
[[gnu::always_inline]] inline std::unordered_map<std::string_view, int32_t>
IndexArgs(const std::vector<std::string>& args) {
    std::unordered_map<std::string_view, int32_t> index;
    index.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        index.try_emplace(args[i], static_cast<int32_t>(i));
    return index;
}

// What the form map calls the form that `index` of the registry compiles;
// -1 is an operator call.
TFormKind KindOf(int32_t index) {
    if (index < 0) return TFormKind::OperatorCall;
    const std::string_view keyword = Registry().Keywords[static_cast<std::size_t>(index)];
    if (keyword == "CALL") return TFormKind::Call;
    if (keyword == "IF") return TFormKind::If;
    if (keyword == "EXPR") return TFormKind::Expr;
    if (keyword == "QUOTE") return TFormKind::Quote;
    return TFormKind::BuiltIn;
}

// The part of CompileBody's loop that looks at the current token: a term that
// needs no form is compiled at once, an opening bracket and a head open a frame.
// Made twice, with a form record and without, so that a compile that keeps
// none runs the code it always ran.
template <bool kRecord> class TBodyWalker {
public:
    TBodyWalker(TTokArr& tokens, TPCode& code, TError& error, TFormRecord* forms)
        : Body_{tokens, code, error, {}}, Args_(IndexArgs(code.LastFunction().Args)),
          Forms_(forms) {}

    void Run();

private:
    void LookAtToken();
    // Steps the innermost form; false when the walk must stop.
    bool StepInnermost();
    void ReleaseFrames();
    // Only with a form record: the term of `token` that emitted the
    // instruction `instr`, and the form that the bracket at `bracket` opens.
    void RecordTerm(TFormKind kind, const TToken& token, int32_t instr);
    int32_t RecordForm(int32_t index, int32_t bracket);
    int32_t InnermostForm() const { return OpenForms_.empty() ? -1 : OpenForms_.back(); }

    const TKeywordRegistry& Registry_ = Registry();
    TBodyContext Body_;
    const std::unordered_map<std::string_view, int32_t> Args_;
    TFormRecord* Forms_;
    TStack Stack_;
    std::vector<int32_t> OpenForms_; // with a form record: each frame's form, as Stack_ holds them
    TRetData Failed_;                // the frame whose step stopped the walk
};

template <bool kRecord> void TBodyWalker<kRecord>::Run() {
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

template <bool kRecord> void TBodyWalker<kRecord>::LookAtToken() {
    TTokArr& tokens = Body_.Tokens;
    const TToken& token = *tokens.Current();
    switch (token.Kind) {
    case tkAtom: {
        const auto found = Args_.find(token.Text);
        if (found == Args_.end()) {
            Body_.Fail(kErrorUnknownAtom);
            return;
        }
        const int32_t param = Body_.Emit(opParam, found->second);
        Body_.PlainParams.push_back(param);
        if constexpr (kRecord) RecordTerm(TFormKind::Argument, token, param);
        return;
    }
    case tkNumber: {
        const int32_t push = Body_.Emit(opPushNum, NumberValue(token.Text));
        if constexpr (kRecord) RecordTerm(TFormKind::Number, token, push);
        return;
    }
    case tkOpen:
        tokens.Next();
        if (tokens.AtEnd()) {
            Body_.Fail(kErrorUnexpectedEnd);
        } else if (tokens.Current()->Kind == tkAtom) {
            const int32_t index = LookupKeyword(tokens.Current()->Text);
            Stack_.Push(TRetData{index, nullptr});
            if constexpr (kRecord) OpenForms_.push_back(RecordForm(index, token.Pos));
        } else {
            Body_.Fail(kErrorTermExpected);
        }
        return;
    case tkClose:
        // With forms open this is the bracket of a form just completed; the
        // step of the form around it moves past it.
        if (Stack_.IsEmpty()) Body_.Fail(kErrorTermExpected);
        return;
    }
}

template <bool kRecord> bool TBodyWalker<kRecord>::StepInnermost() {
    TRetData frame = Stack_.Pop();
    const int32_t emitted = kRecord ? Body_.Code.InstrCount() : 0;
    CompilerOf(Registry_, frame.Index).Step(Body_, frame.State);
    if (Body_.Error.Number == 0 && Body_.Tokens.AtEnd()) Body_.Fail(kErrorUnexpectedEnd);
    if (Body_.Error.Number != 0) {
        Failed_ = std::move(frame);
        return false;
    }
    if constexpr (kRecord) {
        const int32_t form = OpenForms_.back();
        Forms_->Assign(emitted, Body_.Code.InstrCount(), form);
        // A complete form leaves the cursor on its closing bracket.
        if (!frame.State) {
            Forms_->Close(form, Body_.Tokens.CurrentPos());
            OpenForms_.pop_back();
        }
    }
    if (frame.State) Stack_.Push(std::move(frame));
    return true;
}

template <bool kRecord>
void TBodyWalker<kRecord>::RecordTerm(TFormKind kind, const TToken& token, int32_t instr) {
    const int32_t term = Forms_->Open(kind, token.Text, token.Pos, InnermostForm());
    Forms_->Close(term, token.Pos + static_cast<int32_t>(token.Text.size()) - 1);
    Forms_->Assign(instr, instr + 1, term);
}

// The head of a CALL form is its callee, the atom after the keyword.
template <bool kRecord> int32_t TBodyWalker<kRecord>::RecordForm(int32_t index, int32_t bracket) {
    const TTokArr& tokens = Body_.Tokens;
    const TFormKind kind = KindOf(index);
    std::string_view head = tokens.Current()->Text;
    if (kind == TFormKind::Call && tokens.Index() + 1 < tokens.Count())
        head = tokens[tokens.Index() + 1].Text;
    return Forms_->Open(kind, head, bracket, InnermostForm());
}

template <bool kRecord> void TBodyWalker<kRecord>::ReleaseFrames() {
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

void CompileBody(TTokArr& tokens, TPCode& code, TError& error, TFormRecord* forms) {
    if (forms)
        TBodyWalker<true>(tokens, code, error, forms).Run();
    else
        TBodyWalker<false>(tokens, code, error, nullptr).Run();
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
