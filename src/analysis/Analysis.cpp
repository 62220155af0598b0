// The analysis of a document: its module and the units it uses, each
// preprocessed and read as the compiler does, then the calls bound as the
// module compiler and the link bind them, and the first error chosen in the
// order the compile driver meets them: preprocessing, the lexer, the forms,
// the passes after them, the units in the order the link loads them, and
// last the calls left unbound.
#include "analysis/Analysis.h"

#include "analysis/BuiltinForms.h"
#include "analysis/Expansion.h"
#include "analysis/ModuleReader.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Source.h"
#include "pcode/CodeVerifier.h"
#include "pcode/PCode.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace zk::analysis {

namespace {

// A call a unit file leaves for the program to bind.
struct TUnitCall {
    std::string Name;
    bool ByOperator = false;
    int32_t ArgCount = 0;
    int32_t Callee = kNone;
};

struct TModuleWork {
    TExpansion Expansion;
    TReadModule Read;
    TFileId FileBase = 0;
    int32_t FunctionBase = 0;
    int32_t FunctionCount = 0;
    int32_t CallBase = 0;
    std::vector<std::string> Uses; // as the compiled image lists them
    std::vector<TPlace> UsesPlaces;
    std::vector<TUnitCall> UnitCalls;
    bool FromUnitFile = false;
    std::string Path;
    // Functions by name and by operator, in table order, for binding.
    std::unordered_map<std::string, std::vector<int32_t>> ByName;
    std::unordered_map<std::string, std::vector<int32_t>> ByOperator;
};

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool AtLineStart(const std::string& text, int32_t offset) {
    if (offset <= 0) return true;
    const char before = text[static_cast<std::size_t>(offset) - 1];
    return before == '\n' || before == '\r';
}

// Where reading goes on after an error: every top-level opening bracket. A
// last form that is never closed would swallow the rest of the text, so
// within it every line that starts with a bracket starts a form too.
std::vector<int32_t> GroupStarts(const TExpansion& expansion) {
    std::vector<int32_t> starts;
    int32_t depth = 0;
    const auto count = static_cast<int32_t>(expansion.Tokens.size());
    for (int32_t i = 0; i < count; ++i) {
        const TTokenKind kind = expansion.Tokens[static_cast<std::size_t>(i)].Kind;
        if (kind == tkOpen && depth++ == 0) starts.push_back(i);
        if (kind == tkClose && depth > 0) --depth;
    }
    if (depth == 0) return starts;
    for (int32_t i = starts.back() + 1; i < count; ++i) {
        const TLexToken& token = expansion.Tokens[static_cast<std::size_t>(i)];
        if (token.Kind != tkOpen) continue;
        const TFileOffset at = expansion.Locate(token.Pos);
        if (AtLineStart(expansion.Files[static_cast<std::size_t>(at.File)].Text, at.Offset))
            starts.push_back(i);
    }
    return starts;
}

// The text of a comment without its delimiters, each line trimmed.
std::string CommentText(std::string_view comment) {
    if (comment.starts_with("{")) {
        comment.remove_prefix(1);
        if (comment.ends_with("}")) comment.remove_suffix(1);
    } else if (comment.starts_with("//")) {
        comment.remove_prefix(2);
    }
    std::string text;
    std::size_t pos = 0;
    while (pos < comment.size()) {
        std::string_view line = NextLine(comment, pos);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty() && text.empty()) continue;
        if (!text.empty()) text += '\n';
        text += line;
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Blanks only, with at most one line break: the comment stands right before.
bool Adjacent(std::string_view between) {
    int breaks = 0;
    for (std::size_t i = 0; i < between.size(); ++i) {
        const char c = between[i];
        if (c == '\n' || (c == '\r' && (i + 1 == between.size() || between[i + 1] != '\n')))
            ++breaks;
        else if (c != ' ' && c != '\t' && c != '\r')
            return false;
    }
    return breaks <= 1;
}

// The comments right before `offset`, consecutive ones joined.
std::string CommentBefore(const TSourceFile& file, int32_t offset) {
    const auto& comments = file.Comments;
    auto it = std::lower_bound(comments.begin(), comments.end(), offset,
                               [](const TTextRange& c, int32_t at) { return c.End <= at; });
    std::vector<std::string> parts;
    int32_t next = offset;
    while (it != comments.begin()) {
        const TTextRange& comment = *--it;
        const auto between = std::string_view(file.Text).substr(
            static_cast<std::size_t>(comment.End), static_cast<std::size_t>(next - comment.End));
        if (!Adjacent(between)) break;
        parts.push_back(CommentText(std::string_view(file.Text).substr(
            static_cast<std::size_t>(comment.Begin),
            static_cast<std::size_t>(comment.End - comment.Begin))));
        next = comment.Begin;
    }
    std::string text;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (part->empty()) continue;
        if (!text.empty()) text += '\n';
        text += *part;
    }
    return text;
}

class TBuilder {
public:
    explicit TBuilder(const TAnalysisInput& input) : Input_(input) {
        Result_.Classic = input.Classic;
    }

    TAnalysis Build();

private:
    void AddSourceModule(std::string text, std::string name, std::string path,
                         std::string moduleName, TPlace origin);
    void AddUnitFile(const std::string& path, std::string moduleName, TPlace origin);
    void AddFiles(TModuleWork& work, std::string moduleName, TPlace origin);
    void AddFunctions(TModuleWork& work);
    void AddCalls(TModuleWork& work);
    void LoadUsedModules();
    std::optional<TDiagnostic> LoadModule(const std::string& name, TPlace origin);
    std::optional<TDiagnostic> ApplyDeclarations(const TModuleWork& work);
    std::optional<TDiagnostic> ModuleError(const TModuleWork& work,
                                           std::optional<TDiagnostic> declarationError) const;
    std::optional<TDiagnostic> DuplicateError(const TModuleWork& work) const;
    int32_t FindCallee(int32_t module, const std::string& name, bool byOperator,
                       int32_t argCount) const;
    int32_t FindIn(int32_t module, const std::string& name, bool byOperator, int32_t argCount,
                   bool exportedOnly) const;
    int32_t FirstNamed(int32_t module, const std::string& name) const;
    void BindCalls();
    std::optional<TDiagnostic> Unresolved() const;
    void AddWarnings();
    void AddOccurrences(const TModuleWork& work, int32_t module);

    TPlace TokenPlace(const TModuleWork& work, int32_t token) const;
    TPlace SpanPlace(const TModuleWork& work, int32_t first, int32_t last) const;
    TPlace PosPlace(const TModuleWork& work, int32_t pos) const;
    TDiagnostic CompileError(const TModuleWork& work, int32_t number, int32_t pos,
                             TPlace place) const;
    int32_t ModuleNamed(std::string_view name) const;

    const TAnalysisInput& Input_;
    TAnalysis Result_;
    std::vector<TModuleWork> Work_;
    std::unordered_map<std::string, int32_t> Known_; // upper-cased name -> module, -1 pending
    std::optional<TDiagnostic> LinkError_;           // the first in the link's order
};

TPlace TBuilder::TokenPlace(const TModuleWork& work, int32_t token) const {
    const TLexToken& lexed = work.Expansion.Tokens[static_cast<std::size_t>(token)];
    const TFileOffset at = work.Expansion.Locate(lexed.Pos);
    const int32_t length = std::min(lexed.Length, work.Expansion.RunLength(lexed.Pos));
    return {work.FileBase + at.File, {at.Offset, at.Offset + length}};
}

TPlace TBuilder::SpanPlace(const TModuleWork& work, int32_t first, int32_t last) const {
    TPlace place = TokenPlace(work, first);
    const TPlace end = TokenPlace(work, std::max(first, last));
    if (end.File == place.File && end.Range.End >= place.Range.Begin)
        place.Range.End = end.Range.End;
    return place;
}

// The token that starts at `pos`, or the point just after the last token.
TPlace TBuilder::PosPlace(const TModuleWork& work, int32_t pos) const {
    const auto& tokens = work.Expansion.Tokens;
    const auto found = std::lower_bound(tokens.begin(), tokens.end(), pos,
                                        [](const TLexToken& t, int32_t at) { return t.Pos < at; });
    if (found != tokens.end() && found->Pos == pos)
        return TokenPlace(work, static_cast<int32_t>(found - tokens.begin()));
    const TFileOffset at = work.Expansion.Locate(pos);
    return {work.FileBase + at.File, {at.Offset, at.Offset}};
}

TDiagnostic TBuilder::CompileError(const TModuleWork& work, int32_t number, int32_t pos,
                                   TPlace place) const {
    const TFileOffset at = work.Expansion.Resolve(pos);
    const std::string& name = work.Expansion.Files[static_cast<std::size_t>(at.File)].Name;
    return {TSeverity::Error, number, ErrorText(number), place, {number, at.Offset, name}};
}

void TBuilder::AddFiles(TModuleWork& work, std::string moduleName, TPlace origin) {
    const auto module = static_cast<int32_t>(Work_.size());
    work.FileBase = static_cast<TFileId>(Result_.Files.size());
    for (const TExpandedFile& file : work.Expansion.Files) {
        const bool first = &file == &work.Expansion.Files.front();
        TSourceFile source{first ? (module == 0 ? TFileRole::Document : TFileRole::UnitSource)
                                 : TFileRole::Included,
                           file.Path,
                           file.Name,
                           file.Text,
                           file.Comments,
                           module,
                           origin};
        if (!first) source.Origin = {work.FileBase + file.OriginFile, file.Origin};
        Result_.Files.push_back(std::move(source));
    }
    Result_.Modules.push_back({std::move(moduleName), work.FileBase, false});
}

void TBuilder::AddFunctions(TModuleWork& work) {
    const auto module = static_cast<int32_t>(Work_.size());
    work.FunctionBase = static_cast<int32_t>(Result_.Functions.size());
    for (const TReadFunction& read : work.Read.Functions) {
        TFunctionSymbol function;
        function.Name = work.Expansion.Tokens[static_cast<std::size_t>(read.NameToken)].Text;
        for (const int32_t token : read.ParamTokens)
            function.Params.push_back(
                {std::string(work.Expansion.Tokens[static_cast<std::size_t>(token)].Text),
                 TokenPlace(work, token)});
        function.Module = module;
        function.Main = module == 0 && !Input_.UnitMode && &read == &work.Read.Functions.front();
        function.Definition = SpanPlace(work, read.OpenToken, read.LastToken);
        function.NamePlace = TokenPlace(work, read.NameToken);
        const TPlace open = TokenPlace(work, read.OpenToken);
        function.Comment =
            CommentBefore(Result_.Files[static_cast<std::size_t>(open.File)], open.Range.Begin);
        Result_.Functions.push_back(std::move(function));
    }
    work.FunctionCount = static_cast<int32_t>(work.Read.Functions.size());
}

void TBuilder::AddCalls(TModuleWork& work) {
    work.CallBase = static_cast<int32_t>(Result_.Calls.size());
    for (const TReadCall& read : work.Read.Calls)
        Result_.Calls.push_back(
            {read.Kind,
             std::string(work.Expansion.Tokens[static_cast<std::size_t>(read.NameToken)].Text),
             read.ArgCount, work.FunctionBase + read.Function, kNone,
             TokenPlace(work, read.NameToken), SpanPlace(work, read.OpenToken, read.CloseToken)});
    for (const TReadUse& use : work.Read.Uses)
        Result_.ArgumentUses.push_back(
            {work.FunctionBase + use.Function, use.Param, TokenPlace(work, use.Token)});
}

void TBuilder::AddSourceModule(std::string text, std::string name, std::string path,
                               std::string moduleName, TPlace origin) {
    TModuleWork work;
    work.Path = path;
    work.Expansion = Expand(std::move(text), std::move(name), std::move(path), Input_.IncludePaths,
                            Input_.Classic, Input_.OpenTexts);
    work.Read = ReadModule(work.Expansion.Tokens, GroupStarts(work.Expansion), Input_.Classic);
    AddFiles(work, std::move(moduleName), origin);
    AddFunctions(work);
    AddCalls(work);
    const auto module = static_cast<int32_t>(Work_.size());
    for (const TReadDeclaration& read : work.Read.Declarations) {
        TDeclaration declaration{
            read.Kind, module, {}, {}, SpanPlace(work, read.OpenToken, read.LastToken), {}, {}};
        if (read.NameToken != kNone) {
            declaration.Name = work.Expansion.Tokens[static_cast<std::size_t>(read.NameToken)].Text;
            declaration.NamePlace = TokenPlace(work, read.NameToken);
        }
        if (read.FunctionToken != kNone) {
            declaration.Function =
                work.Expansion.Tokens[static_cast<std::size_t>(read.FunctionToken)].Text;
            declaration.FunctionPlace = TokenPlace(work, read.FunctionToken);
        }
        if (read.Kind == TDeclarationKind::Uses && read.NameToken != kNone) {
            work.Uses.push_back(declaration.Name);
            work.UsesPlaces.push_back(declaration.NamePlace);
        }
        Result_.Declarations.push_back(std::move(declaration));
    }
    Work_.push_back(std::move(work));
}

// A unit file holds its exported functions and its unbound calls; its places
// are the file's start.
void TBuilder::AddUnitFile(const std::string& path, std::string moduleName, TPlace origin) {
    TPCode image = TPCode::Empty();
    image.LoadFromFile(path);
    RefuseDamagedCode(image, TCodeKind::Unit, path);
    TModuleWork work;
    work.FromUnitFile = true;
    work.Path = path;
    work.FileBase = static_cast<TFileId>(Result_.Files.size());
    work.FunctionBase = static_cast<int32_t>(Result_.Functions.size());
    work.CallBase = static_cast<int32_t>(Result_.Calls.size());
    work.Uses = image.Uses;
    const auto module = static_cast<int32_t>(Work_.size());
    Result_.Files.push_back({TFileRole::UnitFile, path, PathText(path), {}, {}, module, origin});
    Result_.Modules.push_back({std::move(moduleName), work.FileBase, true});
    work.FunctionCount = static_cast<int32_t>(image.Functions.size());
    const TPlace start{work.FileBase, {0, 0}};
    for (const TFunction& loaded : image.Functions) {
        TFunctionSymbol function{loaded.Name, {},    loaded.DefOp, true, false,
                                 module,      start, start,        {}};
        for (const std::string& arg : loaded.Args)
            function.Params.push_back({arg, start});
        Result_.Functions.push_back(std::move(function));
    }
    for (const TPInstr& instr : image.Code)
        if (instr.OpCode == opGoto && !instr.Name.empty())
            work.UnitCalls.push_back(
                {std::string(instr.Name.Text()), instr.Arg1 == kCallByOperator, instr.Arg2, kNone});
    Work_.push_back(std::move(work));
}

int32_t TBuilder::ModuleNamed(std::string_view name) const {
    const auto found = Known_.find(UpperCase1251(name));
    return found == Known_.end() ? kNone : found->second;
}

// One module of the link's pending list: its source, else its unit file.
std::optional<TDiagnostic> TBuilder::LoadModule(const std::string& name, TPlace origin) {
    const std::string upper = UpperCase1251(name);
    if (const TOpenText* open = FindOpenText(upper + ".ZK", Input_.OpenTexts)) {
        AddSourceModule(open->Text, PathText(open->Name), open->Path, name, origin);
        return ModuleError(Work_.back(), ApplyDeclarations(Work_.back()));
    }
    try {
        const std::string source = FindInPaths(upper + ".ZK", Input_.IncludePaths);
        if (!source.empty()) {
            AddSourceModule(TSource::CreateFromFile(source).Data(), PathText(BaseName(source)),
                            source, name, origin);
            return ModuleError(Work_.back(), ApplyDeclarations(Work_.back()));
        }
        const std::string unit = FindInPaths(upper + ".ZKU", Input_.IncludePaths);
        if (unit.empty())
            return TDiagnostic{TSeverity::Error,
                               kErrorModuleNotFound,
                               ErrorText(kErrorModuleNotFound),
                               origin,
                               {kErrorModuleNotFound, 0, name}};
        AddUnitFile(unit, name, origin);
    } catch (const TFileError& e) {
        return TDiagnostic{TSeverity::Error, 0, PathText(e.what()), origin, {}};
    }
    return std::nullopt;
}

// The link's pending list, last in first out; a module named twice is read once.
void TBuilder::LoadUsedModules() {
    struct TPending {
        std::string Name;
        TPlace Origin;
    };
    std::vector<TPending> pending;
    Known_.emplace(UpperCase1251(Result_.Modules[0].Name), 0);
    for (std::size_t i = 0; i < Work_[0].Uses.size(); ++i) {
        pending.push_back({Work_[0].Uses[i], Work_[0].UsesPlaces[i]});
        Known_.emplace(UpperCase1251(Work_[0].Uses[i]), kNone);
    }
    while (!pending.empty()) {
        const TPending next = std::move(pending.back());
        pending.pop_back();
        if (ModuleNamed(next.Name) != kNone) continue;
        const auto module = static_cast<int32_t>(Work_.size());
        std::optional<TDiagnostic> error = LoadModule(next.Name, next.Origin);
        if (error && !LinkError_) LinkError_ = std::move(error);
        if (static_cast<int32_t>(Work_.size()) == module) continue;
        Known_[UpperCase1251(next.Name)] = module;
        const TModuleWork& loaded = Work_.back();
        for (std::size_t i = 0; i < loaded.Uses.size(); ++i) {
            if (!Known_.emplace(UpperCase1251(loaded.Uses[i]), kNone).second) continue;
            const TPlace origin = i < loaded.UsesPlaces.size() ? loaded.UsesPlaces[i]
                                                               : TPlace{loaded.FileBase, {0, 0}};
            pending.push_back({loaded.Uses[i], origin});
        }
    }
}

// ResolveDeclarations: the operators first, then the exports, the first
// failure kept; the rest is applied all the same so that calls still bind.
std::optional<TDiagnostic> TBuilder::ApplyDeclarations(const TModuleWork& work) {
    std::optional<TDiagnostic> error;
    const auto module = static_cast<int32_t>(&work - Work_.data());
    const auto fail = [&](int32_t number, const TDeclaration& declaration) {
        if (!error) error = CompileError(work, number, 0, declaration.Form);
    };
    const auto first = work.FunctionBase;
    const auto last = first + static_cast<int32_t>(work.Read.Functions.size());
    for (const TDeclarationKind kind : {TDeclarationKind::DefOp, TDeclarationKind::Export}) {
        for (const TDeclaration& declaration : Result_.Declarations) {
            if (declaration.Module != module || declaration.Kind != kind) continue;
            const std::string& name =
                kind == TDeclarationKind::DefOp ? declaration.Function : declaration.Name;
            bool found = false;
            for (int32_t i = first; i < last; ++i) {
                TFunctionSymbol& function = Result_.Functions[static_cast<std::size_t>(i)];
                if (function.Name != name) continue;
                found = true;
                if (kind == TDeclarationKind::Export) {
                    function.Exported = true;
                } else if (!function.Operator.empty()) {
                    fail(kErrorDuplicateDefOp, declaration);
                } else {
                    function.Operator = declaration.Name;
                }
            }
            if (!found)
                fail(kind == TDeclarationKind::DefOp ? kErrorDefOpNotFound : kErrorExportNotFound,
                     declaration);
        }
    }
    return error;
}

std::optional<TDiagnostic> TBuilder::DuplicateError(const TModuleWork& work) const {
    std::unordered_set<std::string> seen;
    for (const TReadFunction& read : work.Read.Functions) {
        std::string key(work.Expansion.Tokens[static_cast<std::size_t>(read.NameToken)].Text);
        if (!Input_.Classic) key = std::to_string(read.ParamTokens.size()) + ' ' + key;
        if (seen.insert(std::move(key)).second) continue;
        return CompileError(work, kErrorDuplicateFunction, read.EntryPos,
                            TokenPlace(work, read.NameToken));
    }
    return std::nullopt;
}

bool IsDeclarationError(int32_t number) {
    return number == kErrorBadExport || number == kErrorBadDefOp || number == kErrorBadUses;
}

// CompileSource's order of failures for one module compiled from source.
std::optional<TDiagnostic>
TBuilder::ModuleError(const TModuleWork& work, std::optional<TDiagnostic> declarationError) const {
    const TExpansion& expansion = work.Expansion;
    if (!expansion.Faults.empty()) {
        const TExpansionFault& fault = expansion.Faults.front();
        const TPlace place{work.FileBase + fault.File, fault.Directive};
        const std::string& name =
            expansion.Files[static_cast<std::size_t>(fault.Reported.File)].Name;
        if (fault.Number == 0) return TDiagnostic{TSeverity::Error, 0, fault.Message, place, {}};
        return TDiagnostic{TSeverity::Error,
                           fault.Number,
                           ErrorText(fault.Number),
                           place,
                           {fault.Number, fault.Reported.Offset, name}};
    }
    if (expansion.BadByte >= 0) {
        const TFileOffset at = expansion.Locate(expansion.BadByte);
        return CompileError(work, kErrorBadByte, expansion.BadByte,
                            {work.FileBase + at.File, {at.Offset, at.Offset + 1}});
    }
    const TReadModule& read = work.Read;
    const TPlace start{work.FileBase, {0, 0}};
    if (read.ErrorNumber != 0) {
        if (!read.FunctionBeforeError && !IsDeclarationError(read.ErrorNumber))
            return CompileError(work, kErrorNoFunction, 0, start);
        return CompileError(work, read.ErrorNumber, read.ErrorPos, PosPlace(work, read.ErrorPos));
    }
    if (read.Functions.empty()) return CompileError(work, kErrorNoFunction, 0, start);
    if (auto duplicate = DuplicateError(work)) return duplicate;
    return declarationError;
}

int32_t TBuilder::FindIn(int32_t module, const std::string& name, bool byOperator, int32_t argCount,
                         bool exportedOnly) const {
    const TModuleWork& work = Work_[static_cast<std::size_t>(module)];
    const auto& index = byOperator ? work.ByOperator : work.ByName;
    const auto named = index.find(name);
    if (named == index.end()) return kNone;
    for (const int32_t i : named->second) {
        const TFunctionSymbol& function = Result_.Functions[static_cast<std::size_t>(i)];
        if (static_cast<int32_t>(function.Params.size()) != argCount) continue;
        if (!exportedOnly || function.Exported) return i;
    }
    return kNone;
}

int32_t TBuilder::FirstNamed(int32_t module, const std::string& name) const {
    const TModuleWork& work = Work_[static_cast<std::size_t>(module)];
    for (int32_t i = work.FunctionBase; i < work.FunctionBase + work.FunctionCount; ++i)
        if (Result_.Functions[static_cast<std::size_t>(i)].Name == name) return i;
    return kNone;
}

// The module's own functions first, then the exported functions of the
// modules it names, in the order it names them.
int32_t TBuilder::FindCallee(int32_t module, const std::string& name, bool byOperator,
                             int32_t argCount) const {
    const TModuleWork& work = Work_[static_cast<std::size_t>(module)];
    if (!work.FromUnitFile) {
        const int32_t own = FindIn(module, name, byOperator, argCount, false);
        if (own != kNone) return own;
    }
    for (const std::string& used : work.Uses) {
        const int32_t provider = ModuleNamed(used);
        if (provider == kNone) continue;
        const int32_t found = FindIn(provider, name, byOperator, argCount, true);
        if (found != kNone) return found;
    }
    return kNone;
}

void TBuilder::BindCalls() {
    for (TModuleWork& work : Work_) {
        for (int32_t i = work.FunctionBase; i < work.FunctionBase + work.FunctionCount; ++i) {
            const TFunctionSymbol& function = Result_.Functions[static_cast<std::size_t>(i)];
            work.ByName[function.Name].push_back(i);
            if (!function.Operator.empty()) work.ByOperator[function.Operator].push_back(i);
        }
    }
    for (std::size_t m = 0; m < Work_.size(); ++m) {
        TModuleWork& work = Work_[m];
        const auto module = static_cast<int32_t>(m);
        for (TUnitCall& call : work.UnitCalls)
            call.Callee = FindCallee(module, call.Name, call.ByOperator, call.ArgCount);
        for (std::size_t i = 0; i < work.Read.Calls.size(); ++i) {
            TCall& call = Result_.Calls[static_cast<std::size_t>(work.CallBase) + i];
            call.Callee =
                FindCallee(module, call.Name, call.Kind == TCallKind::ByOperator, call.ArgCount);
        }
    }
}

// CheckUnresolved over the modules in the link's order.
std::optional<TDiagnostic> TBuilder::Unresolved() const {
    for (const TModuleWork& work : Work_) {
        if (work.FromUnitFile) {
            for (const TUnitCall& call : work.UnitCalls) {
                if (call.Callee != kNone) continue;
                const int32_t number = call.ByOperator ? kErrorUnknownAtom : kErrorUnknownCall;
                return TDiagnostic{TSeverity::Error,
                                   number,
                                   ErrorText(number),
                                   {work.FileBase, {0, 0}},
                                   {number, 0, PathText(work.Path)}};
            }
            continue;
        }
        for (std::size_t i = 0; i < work.Read.Calls.size(); ++i) {
            const TCall& call = Result_.Calls[static_cast<std::size_t>(work.CallBase) + i];
            if (call.Callee != kNone) continue;
            const TReadCall& read = work.Read.Calls[i];
            const bool byOperator = call.Kind == TCallKind::ByOperator;
            const TPlace place =
                byOperator ? call.NamePlace : SpanPlace(work, read.OpenToken + 1, read.NameToken);
            return CompileError(work, byOperator ? kErrorUnknownAtom : kErrorUnknownCall,
                                read.HeadPos, place);
        }
    }
    return std::nullopt;
}

void TBuilder::AddWarnings() {
    std::vector<bool> used(Result_.Functions.size(), false);
    for (const TCall& call : Result_.Calls)
        if (call.Callee != kNone && call.Callee != call.Caller)
            used[static_cast<std::size_t>(call.Callee)] = true;
    for (std::size_t i = 0; i < Result_.Functions.size(); ++i) {
        const TFunctionSymbol& function = Result_.Functions[i];
        if (used[i] || function.Main || function.Exported || function.Module != 0 ||
            function.NamePlace.File != kDocumentFile)
            continue;
        Result_.Diagnostics.push_back(
            {TSeverity::Warning,
             0,
             Utf8ToCp1251("Функция ") + Signature(function) + Utf8ToCp1251(" нигде не вызывается"),
             function.NamePlace,
             {}});
    }
}

void TBuilder::AddOccurrences(const TModuleWork& work, int32_t module) {
    auto& out = Result_.Occurrences;
    const TReadModule& read = work.Read;
    for (const TReadKeyword& keyword : read.Keywords)
        out.push_back(
            {TokenPlace(work, keyword.Token), TOccurrenceKind::Keyword, kNone, keyword.Form});
    for (std::size_t f = 0; f < read.Functions.size(); ++f) {
        const auto function = work.FunctionBase + static_cast<int32_t>(f);
        out.push_back({TokenPlace(work, read.Functions[f].NameToken), TOccurrenceKind::FunctionName,
                       function, kNone});
        const auto& params = read.Functions[f].ParamTokens;
        for (std::size_t p = 0; p < params.size(); ++p)
            out.push_back({TokenPlace(work, params[p]), TOccurrenceKind::Parameter, function,
                           static_cast<int32_t>(p)});
    }
    for (std::size_t c = 0; c < read.Calls.size(); ++c) {
        const TCall& call = Result_.Calls[static_cast<std::size_t>(work.CallBase) + c];
        out.push_back({call.NamePlace, TOccurrenceKind::CallName, call.Callee,
                       work.CallBase + static_cast<int32_t>(c)});
    }
    for (const TReadUse& use : read.Uses)
        out.push_back({TokenPlace(work, use.Token), TOccurrenceKind::ArgumentUse,
                       work.FunctionBase + use.Function, use.Param});
    for (std::size_t d = 0; d < Result_.Declarations.size(); ++d) {
        const TDeclaration& declaration = Result_.Declarations[d];
        if (declaration.Module != module) continue;
        const auto index = static_cast<int32_t>(d);
        if (declaration.Kind == TDeclarationKind::Uses) {
            if (declaration.NamePlace.Valid())
                out.push_back({declaration.NamePlace, TOccurrenceKind::UsedModule, kNone,
                               ModuleNamed(declaration.Name)});
            continue;
        }
        const std::string& name =
            declaration.Kind == TDeclarationKind::DefOp ? declaration.Function : declaration.Name;
        const int32_t named = FirstNamed(module, name);
        for (const TPlace& place : {declaration.NamePlace, declaration.FunctionPlace})
            if (place.Valid()) out.push_back({place, TOccurrenceKind::DeclaredName, named, index});
    }
    for (std::size_t f = 1; f < work.Expansion.Files.size(); ++f) {
        const TSourceFile& file = Result_.Files[static_cast<std::size_t>(work.FileBase) + f];
        out.push_back({file.Origin, TOccurrenceKind::IncludedFile, kNone,
                       work.FileBase + static_cast<int32_t>(f)});
    }
}

TAnalysis TBuilder::Build() {
    const std::string name = PathText(BaseName(Input_.Path));
    AddSourceModule(Input_.Text, name, Input_.Path, name, {});
    std::optional<TDiagnostic> error = ModuleError(Work_[0], ApplyDeclarations(Work_[0]));
    // A unit compiles alone; its units are read all the same, for the calls into them.
    LoadUsedModules();
    BindCalls();
    if (!error && !Input_.UnitMode) error = LinkError_ ? LinkError_ : Unresolved();
    if (error)
        Result_.Diagnostics.push_back(std::move(*error));
    else
        AddWarnings();
    for (std::size_t m = 0; m < Work_.size(); ++m)
        if (!Work_[m].FromUnitFile) AddOccurrences(Work_[m], static_cast<int32_t>(m));
    std::sort(Result_.Occurrences.begin(), Result_.Occurrences.end(),
              [](const TOccurrence& a, const TOccurrence& b) {
                  return std::tie(a.Place.File, a.Place.Range.Begin) <
                         std::tie(b.Place.File, b.Place.Range.Begin);
              });
    return std::move(Result_);
}

} // namespace

TAnalysis Analyse(const TAnalysisInput& input) {
    return TBuilder(input).Build();
}

std::string Signature(const TFunctionSymbol& function) {
    std::string text = "(" + function.Name + " (";
    for (std::size_t i = 0; i < function.Params.size(); ++i) {
        if (i > 0) text += ' ';
        text += function.Params[i].Name;
    }
    return text + "))";
}

} // namespace zk::analysis
