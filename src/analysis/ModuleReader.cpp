// The walk of CompileModule, CompileForm and CompileBody with the steps of the
// term compilers, over the analysis's tokens. It emits no code: the only
// instructions it follows are the first of each function (where a duplicate
// is reported) and the calls (in their order, for the link's check). Open
// forms live on a vector, never on the machine stack.
#include "analysis/ModuleReader.h"

#include "analysis/BuiltinForms.h"
#include "frontend/Errors.h"

#include <algorithm>

namespace zk::analysis {

namespace {

constexpr std::size_t kMaxArity = 255; // what a p-code file's arity byte holds

// TTokArr's cursor: past the last token it stays there with AtEnd set.
class TCursor {
public:
    explicit TCursor(const std::vector<TLexToken>& tokens)
        : Tokens_(tokens), Count_(static_cast<int32_t>(tokens.size())) {}

    void Reset() {
        Index = 0;
        if (Count_ > 0) AtEnd = false;
    }
    void MoveTo(int32_t index) {
        Index = index;
        AtEnd = false;
    }
    void Next() {
        if (Index < Count_ - 1) {
            ++Index;
            AtEnd = false;
        } else {
            AtEnd = true;
        }
    }
    const TLexToken& Current() const { return At(Index); }
    const TLexToken& At(int32_t index) const { return Tokens_[static_cast<std::size_t>(index)]; }
    int32_t Pos() const {
        if (Count_ == 0) return -1;
        return AtEnd ? Current().Pos + Current().Length : Current().Pos;
    }
    bool On(TTokenKind kind) const { return !AtEnd && Current().Kind == kind; }
    int32_t Count() const { return Count_; }

    int32_t Index = 0;
    bool AtEnd = true;

private:
    const std::vector<TLexToken>& Tokens_;
    int32_t Count_;
};

// One open form of a body; `Started` plays the part of the compiler's state
// record, which exists from the first step until the form completes.
struct TFrame {
    int32_t Form = kNone; // kNone: an operator call
    int32_t OpenToken = kNone;
    int32_t NameToken = kNone; // the callee of a call
    int32_t HeadPos = 0;
    int32_t Count = 0; // arguments seen, or the phase of IF
    bool Started = false;
    bool Several = false;
};

class TReader {
public:
    TReader(const std::vector<TLexToken>& tokens, const std::vector<int32_t>& groupStarts,
            bool classic)
        : Cursor_(tokens), GroupStarts_(groupStarts), Classic_(classic) {}

    TReadModule Run();

private:
    void Form();
    void Declaration(TDeclarationKind kind, int32_t open);
    bool NextAtom(int32_t errorNumber);
    void Function(int32_t open);
    bool ArgumentList(TReadFunction& function);
    void Body();
    void LookAtToken();
    // One step of the innermost form; true when the form is complete.
    bool Step(TFrame& frame);
    bool StepQuote();
    bool StepCall(TFrame& frame, bool byName);
    bool FinishFixed();
    void EmitCall(const TFrame& frame);
    void Emitted(int32_t pos);
    bool ExpectClose();
    void Fail(int32_t number);
    bool Failed() const { return FormError_ != 0; }

    TCursor Cursor_;
    const std::vector<int32_t>& GroupStarts_;
    bool Classic_;
    TReadModule Module_;
    std::vector<TFrame> Stack_;
    bool DeclarationsAllowed_ = true;
    int32_t FormError_ = 0;
    int32_t FormErrorPos_ = 0;
};

void TReader::Fail(int32_t number) {
    FormError_ = number;
    FormErrorPos_ = Cursor_.Pos();
}

bool TReader::ExpectClose() {
    if (Cursor_.AtEnd) {
        Fail(kErrorUnexpectedEnd);
        return false;
    }
    if (Cursor_.Current().Kind == tkClose) return true;
    Fail(kErrorCloseExpected);
    return false;
}

void TReader::Emitted(int32_t pos) {
    TReadFunction& function = Module_.Functions.back();
    if (function.EntryPos < 0) function.EntryPos = pos;
}

TReadModule TReader::Run() {
    Cursor_.Reset();
    while (!Cursor_.AtEnd) {
        const int32_t start = Cursor_.Index;
        const std::size_t functions = Module_.Functions.size();
        FormError_ = 0;
        Form();
        if (!Failed()) continue;
        if (Module_.ErrorNumber == 0) {
            Module_.ErrorNumber = FormError_;
            Module_.ErrorPos = FormErrorPos_;
            Module_.ErrorToken = Cursor_.AtEnd ? kNone : Cursor_.Index;
            Module_.FunctionBeforeError = !Module_.Functions.empty();
        }
        // The next top-level form after the one that failed; a definition
        // that failed runs up to it.
        const auto next = std::upper_bound(GroupStarts_.begin(), GroupStarts_.end(), start);
        const int32_t last = next == GroupStarts_.end() ? Cursor_.Count() - 1 : *next - 1;
        if (functions < Module_.Functions.size())
            Module_.Functions.back().LastToken = std::max(Module_.Functions.back().LastToken, last);
        if (next == GroupStarts_.end()) break;
        Stack_.clear();
        Cursor_.MoveTo(*next);
    }
    return std::move(Module_);
}

void TReader::Form() {
    const int32_t open = Cursor_.Index;
    if (Cursor_.Current().Kind != tkOpen) return Fail(kErrorBadDefinition);
    Cursor_.Next();
    if (Cursor_.AtEnd) return Fail(kErrorUnexpectedEnd);
    if (Cursor_.Current().Kind != tkAtom) return Fail(kErrorBadDefinition);
    const std::string_view head = Cursor_.Current().Text;
    const bool declaration = !Classic_ && (head == "EXPORT" || head == "USES" || head == "DEFOP");
    if (!declaration) return Function(open);
    if (!DeclarationsAllowed_) return Fail(kErrorLateDeclaration);
    Declaration(head == "EXPORT" ? TDeclarationKind::Export
                : head == "USES" ? TDeclarationKind::Uses
                                 : TDeclarationKind::DefOp,
                open);
}

bool TReader::NextAtom(int32_t errorNumber) {
    Cursor_.Next();
    if (Cursor_.AtEnd)
        Fail(kErrorUnexpectedEnd);
    else if (Cursor_.Current().Kind != tkAtom)
        Fail(errorNumber);
    return !Failed();
}

void TReader::Declaration(TDeclarationKind kind, int32_t open) {
    Module_.Keywords.push_back({Cursor_.Index, FindBuiltinForm(Cursor_.Current().Text, false)});
    Module_.Declarations.push_back({kind, open, Cursor_.Index, kNone, kNone, Cursor_.Index});
    TReadDeclaration& declaration = Module_.Declarations.back();
    const int32_t error = kind == TDeclarationKind::Export ? kErrorBadExport
                          : kind == TDeclarationKind::Uses ? kErrorBadUses
                                                           : kErrorBadDefOp;
    if (!NextAtom(error)) return;
    declaration.NameToken = declaration.LastToken = Cursor_.Index;
    if (kind == TDeclarationKind::DefOp) {
        if (!NextAtom(error)) return;
        declaration.FunctionToken = declaration.LastToken = Cursor_.Index;
    }
    Cursor_.Next();
    if (!ExpectClose()) return;
    declaration.LastToken = Cursor_.Index;
    Cursor_.Next();
}

bool TReader::ArgumentList(TReadFunction& function) {
    std::vector<std::string_view> names;
    Cursor_.Next();
    while (Cursor_.On(tkAtom)) {
        const std::string_view name = Cursor_.Current().Text;
        if (std::find(names.begin(), names.end(), name) != names.end() ||
            names.size() == kMaxArity) {
            Fail(kErrorBadArgs);
            return false;
        }
        names.push_back(name);
        function.ParamTokens.push_back(Cursor_.Index);
        function.LastToken = Cursor_.Index;
        Cursor_.Next();
    }
    if (Cursor_.AtEnd) {
        Fail(kErrorUnexpectedEnd);
    } else if (Cursor_.Current().Kind != tkClose) {
        Fail(kErrorBadArgs);
    } else {
        function.LastToken = Cursor_.Index;
        Cursor_.Next();
    }
    return !Failed();
}

void TReader::Function(int32_t open) {
    DeclarationsAllowed_ = false;
    Module_.Functions.push_back({open, Cursor_.Index, Cursor_.Index, {}, -1});
    Cursor_.Next();
    if (Cursor_.AtEnd) return Fail(kErrorUnexpectedEnd);
    if (Cursor_.Current().Kind != tkOpen) return Fail(kErrorBadArgs);
    if (!ArgumentList(Module_.Functions.back())) return;
    if (!Module_.Functions.back().ParamTokens.empty()) Emitted(Cursor_.Pos()); // LoadArgs
    Body();
    TReadFunction& function = Module_.Functions.back();
    if (Failed()) {
        function.LastToken = std::max(function.LastToken, Cursor_.Index);
        return;
    }
    Emitted(Cursor_.Pos()); // FreeArgs or Ret
    function.LastToken = Cursor_.Index;
    if (ExpectClose()) Cursor_.Next();
}

void TReader::Body() {
    Stack_.clear();
    bool firstPass = true;
    while (!Failed() && !Cursor_.AtEnd && (firstPass || !Stack_.empty())) {
        LookAtToken();
        if (!Stack_.empty() && !Failed()) {
            TFrame frame = Stack_.back();
            Stack_.pop_back();
            const bool complete = Step(frame);
            if (!Failed() && Cursor_.AtEnd) Fail(kErrorUnexpectedEnd);
            if (Failed()) break;
            if (!complete) Stack_.push_back(frame);
        }
        firstPass = false;
    }
    if (!Failed()) Cursor_.Next();
}

void TReader::LookAtToken() {
    const TLexToken& token = Cursor_.Current();
    switch (token.Kind) {
    case tkAtom: {
        const int32_t function = static_cast<int32_t>(Module_.Functions.size()) - 1;
        const std::vector<int32_t>& params = Module_.Functions.back().ParamTokens;
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (Cursor_.At(params[i]).Text != token.Text) continue;
            Module_.Uses.push_back({Cursor_.Index, function, static_cast<int32_t>(i)});
            Emitted(Cursor_.Pos());
            return;
        }
        return Fail(kErrorUnknownAtom);
    }
    case tkNumber: return Emitted(Cursor_.Pos());
    case tkOpen: {
        const int32_t open = Cursor_.Index;
        Cursor_.Next();
        if (Cursor_.AtEnd) return Fail(kErrorUnexpectedEnd);
        if (Cursor_.Current().Kind != tkAtom) return Fail(kErrorTermExpected);
        int32_t form = FindBuiltinForm(Cursor_.Current().Text, Classic_);
        if (form >= 0 &&
            BuiltinForms()[static_cast<std::size_t>(form)].Shape == TFormShape::Declaration)
            form = kNone; // declarations are no forms: in a body they are operators
        if (form >= 0) Module_.Keywords.push_back({Cursor_.Index, form});
        Stack_.push_back({form, open, kNone, 0, 0, false, false});
        return;
    }
    case tkClose:
        if (Stack_.empty()) Fail(kErrorTermExpected);
        return;
    }
}

// The end of a form of fixed arity: after the last argument, its closing bracket.
bool TReader::FinishFixed() {
    Cursor_.Next();
    ExpectClose();
    return true;
}

void TReader::EmitCall(const TFrame& frame) {
    Emitted(frame.HeadPos);
    Module_.Calls.push_back({frame.Form < 0 ? TCallKind::ByOperator : TCallKind::ByName,
                             static_cast<int32_t>(Module_.Functions.size()) - 1, frame.OpenToken,
                             frame.NameToken, Cursor_.Index, frame.HeadPos, frame.Count});
}

// CALL and operator calls: the head (and CALL's name) at the first step,
// then one argument a step until the closing bracket.
bool TReader::StepCall(TFrame& frame, bool byName) {
    if (!frame.Started) {
        frame.Started = true;
        frame.HeadPos = Cursor_.Pos();
        frame.NameToken = Cursor_.Index;
        if (byName) {
            Cursor_.Next();
            if (Cursor_.AtEnd) {
                Fail(kErrorUnexpectedEnd);
                return false;
            }
            if (Cursor_.Current().Kind != tkAtom) {
                Fail(kErrorCalleeNotAtom);
                return false;
            }
            frame.NameToken = Cursor_.Index;
        }
    } else {
        ++frame.Count;
    }
    Cursor_.Next();
    if (!Cursor_.On(tkClose)) return false;
    EmitCall(frame);
    return true;
}

// QUOTE's elements, nested lists on a stack of first-element flags.
bool TReader::StepQuote() {
    std::vector<bool> firstOfList{true};
    Cursor_.Next();
    for (;;) {
        if (Cursor_.AtEnd) {
            Fail(kErrorUnexpectedEnd);
            return true;
        }
        const TTokenKind kind = Cursor_.Current().Kind;
        if (kind == tkOpen) {
            Cursor_.Next();
            firstOfList.push_back(true);
            continue;
        }
        Emitted(Cursor_.Pos());
        if (kind == tkClose) {
            firstOfList.pop_back();
            if (firstOfList.empty()) return true;
        }
        firstOfList.back() = false;
        Cursor_.Next();
    }
}

bool TReader::Step(TFrame& frame) {
    if (frame.Form < 0) return StepCall(frame, false);
    const TBuiltinForm& form = BuiltinForms()[static_cast<std::size_t>(frame.Form)];
    if (form.Shape == TFormShape::Call) return StepCall(frame, true);
    const bool first = !frame.Started;
    frame.Started = true;
    switch (form.Shape) {
    case TFormShape::Quote: return StepQuote();
    case TFormShape::Call: break; // stepped above
    case TFormShape::Abort: Emitted(Cursor_.Pos()); return FinishFixed();
    case TFormShape::Unary:
        if (!first) {
            Emitted(Cursor_.Pos());
            return FinishFixed();
        }
        break;
    case TFormShape::Binary:
    case TFormShape::If: {
        if (first) break;
        const int32_t last = form.Shape == TFormShape::If ? 2 : 1;
        if (frame.Count == last) {
            if (form.Shape == TFormShape::Binary) Emitted(Cursor_.Pos());
            return FinishFixed();
        }
        if (form.Shape == TFormShape::If) Emitted(Cursor_.Pos()); // If, Goto
        ++frame.Count;
        break;
    }
    case TFormShape::Fold:
        if (first) break;
        if (frame.Several) Emitted(Cursor_.Pos());
        Cursor_.Next();
        if (Cursor_.On(tkClose)) return true;
        frame.Several = true;
        return false;
    case TFormShape::Declaration: break; // never a body form
    }
    // Before an argument: a closing bracket here means it is missing.
    Cursor_.Next();
    if (Cursor_.On(tkClose)) Fail(form.FormError);
    return false;
}

} // namespace

TReadModule ReadModule(const std::vector<TLexToken>& tokens,
                       const std::vector<int32_t>& groupStarts, bool classic) {
    return TReader(tokens, groupStarts, classic).Run();
}

} // namespace zk::analysis
