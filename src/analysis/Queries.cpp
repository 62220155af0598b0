// The editor's questions to a finished analysis. They read its tables; only
// completion looks at the text again, for the brackets before the caret in
// text that may not yet be a form.
#include "analysis/Analysis.h"

#include "analysis/BuiltinForms.h"
#include "analysis/Expansion.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <algorithm>

namespace zk::analysis {

namespace {

std::string W(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

std::string ErrorNumbers(const std::vector<int32_t>& numbers) {
    std::string text;
    for (const int32_t number : numbers) {
        if (!text.empty()) text += ", ";
        text += std::to_string(number);
    }
    return text;
}

THover FormHover(const TBuiltinForm& form, TPlace place) {
    std::string text = W(form.Text);
    if (form.ModifiedOnly) text += W(" Только в ZKM.");
    if (!form.CompileErrors.empty()) text += W("\nОшибки: ") + ErrorNumbers(form.CompileErrors);
    if (!form.RunErrors.empty()) text += W("\nОшибки выполнения: ") + ErrorNumbers(form.RunErrors);
    return {place, W(form.Syntax), text, W(form.Example)};
}

// How a function is written in a call, by name or through its operator.
std::string CallText(const TFunctionSymbol& function, bool byOperator) {
    std::string text = byOperator ? "(" + function.Operator : "(CALL " + function.Name;
    for (const TParameter& param : function.Params)
        text += " " + param.Name;
    return text + ")";
}

// The brackets and words of a text up to an offset, comments left out:
// enough to tell where in a form the offset stands.
struct TFrame {
    std::string Head;
    int32_t Elements = 0;      // complete elements so far, the head included
    int32_t IndexInParent = 0; // which element of its parent it is
    int32_t Open = 0;          // the offset of its bracket
};

struct TContext {
    std::vector<TFrame> Frames; // outermost first
    std::string Prefix;         // the word the offset ends, upper-cased
};

TContext ContextAt(const TSourceFile& file, int32_t offset, bool classic) {
    TContext context;
    const std::string_view text =
        std::string_view(file.Text).substr(0, static_cast<std::size_t>(offset));
    auto comment = file.Comments.begin();
    std::string word;
    const auto endWord = [&] {
        if (word.empty()) return;
        if (!context.Frames.empty()) {
            TFrame& top = context.Frames.back();
            if (top.Elements++ == 0) top.Head = word;
        }
        word.clear();
    };
    for (int32_t i = 0; i < offset; ++i) {
        while (comment != file.Comments.end() && comment->End <= i)
            ++comment;
        if (comment != file.Comments.end() && comment->Begin <= i) {
            endWord();
            i = comment->End - 1;
            continue;
        }
        const char c = UpperChar1251(text[static_cast<std::size_t>(i)]);
        if (IsAtomByte(c, classic)) {
            word += c;
            continue;
        }
        endWord();
        if (c == '(') {
            const int32_t index = context.Frames.empty() ? 0 : context.Frames.back().Elements;
            context.Frames.push_back({{}, 0, index, i});
        } else if (c == ')' && !context.Frames.empty()) {
            context.Frames.pop_back();
            if (!context.Frames.empty()) ++context.Frames.back().Elements;
        }
    }
    context.Prefix = word;
    return context;
}

bool InComment(const TSourceFile& file, int32_t offset) {
    return std::any_of(file.Comments.begin(), file.Comments.end(),
                       [&](const TTextRange& c) { return c.Begin < offset && offset < c.End; });
}

} // namespace

const TDiagnostic* TAnalysis::FirstError() const {
    for (const TDiagnostic& diagnostic : Diagnostics)
        if (diagnostic.Severity == TSeverity::Error) return &diagnostic;
    return nullptr;
}

TFileId TAnalysis::FindFile(std::string_view path) const {
    for (std::size_t i = 0; i < Files.size(); ++i)
        if (Files[i].Path == path) return static_cast<TFileId>(i);
    return kNone;
}

TPlace TAnalysis::InDocument(TPlace place) const {
    for (std::size_t hops = 0; place.Valid() && place.File != kDocumentFile; ++hops) {
        if (hops > Files.size() || static_cast<std::size_t>(place.File) >= Files.size()) return {};
        place = Files[static_cast<std::size_t>(place.File)].Origin;
    }
    return place;
}

const TOccurrence* TAnalysis::OccurrenceAt(TFileId file, int32_t offset) const {
    const auto after = std::upper_bound(
        Occurrences.begin(), Occurrences.end(), std::pair{file, offset},
        [](const std::pair<TFileId, int32_t>& at, const TOccurrence& o) {
            return std::pair{at.first, at.second} < std::pair{o.Place.File, o.Place.Range.Begin};
        });
    if (after == Occurrences.begin()) return nullptr;
    const TOccurrence& found = *(after - 1);
    if (found.Place.File != file || offset > found.Place.Range.End) return nullptr;
    return &found;
}

std::optional<TPlace> TAnalysis::DefinitionAt(TFileId file, int32_t offset) const {
    const TOccurrence* at = OccurrenceAt(file, offset);
    if (at == nullptr) return std::nullopt;
    switch (at->Kind) {
    case TOccurrenceKind::FunctionName:
    case TOccurrenceKind::CallName:
    case TOccurrenceKind::DeclaredName:
        if (at->Function == kNone) return std::nullopt;
        return Functions[static_cast<std::size_t>(at->Function)].NamePlace;
    case TOccurrenceKind::Parameter:
    case TOccurrenceKind::ArgumentUse:
        return Functions[static_cast<std::size_t>(at->Function)]
            .Params[static_cast<std::size_t>(at->Index)]
            .Place;
    case TOccurrenceKind::IncludedFile: return TPlace{at->Index, {0, 0}};
    case TOccurrenceKind::UsedModule:
        if (at->Index == kNone) return std::nullopt;
        return TPlace{Modules[static_cast<std::size_t>(at->Index)].File, {0, 0}};
    case TOccurrenceKind::Keyword: return std::nullopt;
    }
    return std::nullopt;
}

std::vector<TPlace> TAnalysis::ReferencesOf(int32_t function) const {
    std::vector<TPlace> places;
    if (function < 0 || static_cast<std::size_t>(function) >= Functions.size()) return places;
    const TFunctionSymbol& target = Functions[static_cast<std::size_t>(function)];
    for (const TCall& call : Calls)
        if (call.Callee == function) places.push_back(call.NamePlace);
    for (const TDeclaration& declaration : Declarations) {
        if (declaration.Module != target.Module) continue;
        if (declaration.Kind == TDeclarationKind::Export && declaration.Name == target.Name)
            places.push_back(declaration.NamePlace);
        if (declaration.Kind == TDeclarationKind::DefOp && declaration.Function == target.Name)
            places.push_back(declaration.FunctionPlace);
    }
    return places;
}

std::vector<TPlace> TAnalysis::ReferencesAt(TFileId file, int32_t offset,
                                            bool withDeclaration) const {
    const TOccurrence* at = OccurrenceAt(file, offset);
    std::vector<TPlace> places;
    if (at == nullptr || at->Function == kNone) return places;
    const TFunctionSymbol& function = Functions[static_cast<std::size_t>(at->Function)];
    if (at->Kind == TOccurrenceKind::Parameter || at->Kind == TOccurrenceKind::ArgumentUse) {
        if (withDeclaration)
            places.push_back(function.Params[static_cast<std::size_t>(at->Index)].Place);
        for (const TArgumentUse& use : ArgumentUses)
            if (use.Function == at->Function && use.Param == at->Index) places.push_back(use.Place);
        return places;
    }
    if (at->Kind == TOccurrenceKind::Keyword || at->Kind == TOccurrenceKind::IncludedFile ||
        at->Kind == TOccurrenceKind::UsedModule)
        return places;
    if (withDeclaration) places.push_back(function.NamePlace);
    const std::vector<TPlace> references = ReferencesOf(at->Function);
    places.insert(places.end(), references.begin(), references.end());
    return places;
}

std::optional<THover> TAnalysis::HoverAt(TFileId file, int32_t offset) const {
    const TOccurrence* at = OccurrenceAt(file, offset);
    if (at == nullptr) return std::nullopt;
    const auto functionHover = [&](int32_t index) -> THover {
        const TFunctionSymbol& function = Functions[static_cast<std::size_t>(index)];
        std::string signature = Signature(function);
        if (!function.Operator.empty()) {
            signature += '\n';
            signature += CallText(function, true);
        }
        std::string text = function.Comment;
        if (function.Module != 0) {
            if (!text.empty()) text += '\n';
            text += W("Модуль ") + Modules[static_cast<std::size_t>(function.Module)].Name;
        }
        return {at->Place, signature, text, {}};
    };
    switch (at->Kind) {
    case TOccurrenceKind::Keyword:
        return FormHover(BuiltinForms()[static_cast<std::size_t>(at->Index)], at->Place);
    case TOccurrenceKind::FunctionName:
    case TOccurrenceKind::DeclaredName:
        if (at->Function == kNone) return std::nullopt;
        return functionHover(at->Function);
    case TOccurrenceKind::CallName: {
        if (at->Function != kNone) return functionHover(at->Function);
        const TCall& call = Calls[static_cast<std::size_t>(at->Index)];
        const int32_t number =
            call.Kind == TCallKind::ByOperator ? kErrorUnknownAtom : kErrorUnknownCall;
        return THover{
            at->Place, call.Name + " / " + std::to_string(call.ArgCount), ErrorText(number), {}};
    }
    case TOccurrenceKind::Parameter:
    case TOccurrenceKind::ArgumentUse: {
        const TFunctionSymbol& function = Functions[static_cast<std::size_t>(at->Function)];
        const TParameter& param = function.Params[static_cast<std::size_t>(at->Index)];
        return THover{at->Place,
                      Signature(function),
                      W("Аргумент ") + param.Name + W(" функции ") + function.Name,
                      {}};
    }
    case TOccurrenceKind::IncludedFile: {
        const TSourceFile& included = Files[static_cast<std::size_t>(at->Index)];
        return THover{at->Place,
                      "#INCLUDE \"" + included.Name + "\"",
                      included.Path.empty() ? MessageText(kErrorIncludeNotFound)
                                            : PathText(included.Path),
                      {}};
    }
    case TOccurrenceKind::UsedModule: {
        if (at->Index == kNone) return THover{at->Place, {}, MessageText(kErrorModuleNotFound), {}};
        const TModule& module = Modules[static_cast<std::size_t>(at->Index)];
        return THover{at->Place,
                      "(USES " + module.Name + ")",
                      PathText(Files[static_cast<std::size_t>(module.File)].Path),
                      {}};
    }
    }
    return std::nullopt;
}

int32_t TAnalysis::FunctionAt(TFileId file, int32_t offset) const {
    for (std::size_t i = 0; i < Functions.size(); ++i) {
        const TPlace& place = Functions[i].Definition;
        if (place.File == file && place.Range.Begin < offset && offset <= place.Range.End)
            return static_cast<int32_t>(i);
    }
    return kNone;
}

std::vector<TCompletion> TAnalysis::CompletionsAt(TFileId file, int32_t offset) const {
    std::vector<TCompletion> items;
    if (file < 0 || static_cast<std::size_t>(file) >= Files.size()) return items;
    const TSourceFile& source = Files[static_cast<std::size_t>(file)];
    offset = std::clamp(offset, 0, static_cast<int32_t>(source.Text.size()));
    if (InComment(source, offset)) return items;
    const TContext context = ContextAt(source, offset, Classic);
    const auto& frames = context.Frames;
    const auto add = [&](TCompletionKind kind, std::string label, std::string detail,
                         std::string documentation) {
        if (!label.starts_with(context.Prefix)) return;
        items.push_back({kind, std::move(label), std::move(detail), std::move(documentation)});
    };
    const auto addFunctions = [&](bool operators) {
        const int32_t module = source.Module;
        for (const TFunctionSymbol& function : Functions) {
            if (function.Module != module && !function.Exported) continue;
            if (operators && function.Operator.empty()) continue;
            add(operators ? TCompletionKind::Operator : TCompletionKind::Function,
                operators ? function.Operator : function.Name, CallText(function, operators),
                function.Comment);
        }
    };
    const auto addForms = [&](bool declarations) {
        for (const TBuiltinForm& form : BuiltinForms()) {
            if ((form.Shape == TFormShape::Declaration) != declarations) continue;
            if (Classic && form.ModifiedOnly) continue;
            add(declarations ? TCompletionKind::Declaration : TCompletionKind::Keyword,
                std::string(form.Keyword), W(form.Syntax), W(form.Summary));
        }
    };
    if (frames.empty()) return items;
    const TFrame& top = frames.front();
    if (frames.size() == 1) {
        if (top.Elements == 0) addForms(true);
        const bool exportName = top.Head == "EXPORT" && top.Elements == 1;
        const bool defOpFunction = top.Head == "DEFOP" && top.Elements == 2;
        if (!Classic && (exportName || defOpFunction)) addFunctions(false);
        if (top.Elements < 2 || top.Head == "EXPORT" || top.Head == "USES" || top.Head == "DEFOP")
            return items;
    } else if (frames[1].IndexInParent == 1) {
        return items; // the argument list: new names
    }
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].Head == "QUOTE" && (i + 1 < frames.size() || frames[i].Elements > 0))
            return items;
    const TFrame& inner = frames.back();
    if (frames.size() > 1 && inner.Elements == 0) {
        addForms(false);
        addFunctions(true);
    } else if (frames.size() > 1 && inner.Head == "CALL" && inner.Elements == 1) {
        addFunctions(false);
    } else {
        // The definition that the outermost bracket opens, closed or not.
        const auto function = std::find_if(Functions.begin(), Functions.end(), [&](const auto& f) {
            return f.Definition.File == file && f.Definition.Range.Begin == top.Open;
        });
        if (function == Functions.end()) return items;
        for (const TParameter& param : function->Params)
            add(TCompletionKind::Argument, param.Name, Signature(*function), {});
    }
    return items;
}

} // namespace zk::analysis
