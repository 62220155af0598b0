// The analysis's offsets turned into the rows and columns that editors show.
#include "ide/CodeIntel.h"

#include "frontend/Cp1251.h"
#include "frontend/Errors.h"

#include <algorithm>
#include <utility>

namespace zk::ide {

using analysis::kDocumentFile;
using analysis::kNone;
using analysis::TAnalysis;
using analysis::TFileId;
using analysis::TPlace;

namespace {

std::string Number(int32_t value) {
    return std::to_string(value);
}

editor::TCompletionKind EditorKind(analysis::TCompletionKind kind) {
    switch (kind) {
    case analysis::TCompletionKind::Keyword: return editor::TCompletionKind::Keyword;
    case analysis::TCompletionKind::Declaration: return editor::TCompletionKind::Declaration;
    case analysis::TCompletionKind::Function: return editor::TCompletionKind::Function;
    case analysis::TCompletionKind::Operator: return editor::TCompletionKind::Operator;
    case analysis::TCompletionKind::Argument: return editor::TCompletionKind::Argument;
    }
    return editor::TCompletionKind::Keyword;
}

bool DeclaresExport(const TAnalysis& analysis) {
    return std::any_of(analysis.Declarations.begin(), analysis.Declarations.end(),
                       [](const analysis::TDeclaration& declaration) {
                           return declaration.Module == 0 &&
                                  declaration.Kind == analysis::TDeclarationKind::Export;
                       });
}

} // namespace

TAnalysis AnalyseDocument(analysis::TAnalysisInput input) {
    TAnalysis analysis = analysis::Analyse(input);
    if (input.Classic || input.UnitMode || !DeclaresExport(analysis)) return analysis;
    input.UnitMode = true;
    return analysis::Analyse(input);
}

TCodeIntel::TCodeIntel(std::shared_ptr<const TAnalysis> analysis) : Analysis_(std::move(analysis)) {
    Lines_.reserve(Analysis_->Files.size());
    for (const analysis::TSourceFile& file : Analysis_->Files)
        Lines_.emplace_back(file.Text);
    for (const analysis::TFunctionSymbol& function : Analysis_->Functions) {
        if (function.Definition.File != kDocumentFile) continue;
        const TIntelRange range = RangeIn(kDocumentFile, function.Definition.Range);
        Outline_.push_back({function.Name, analysis::Signature(function), range.FromRow,
                            range.ToRow, RangeIn(kDocumentFile, function.NamePlace.Range)});
    }
}

TIntelRange TCodeIntel::RangeIn(TFileId file, analysis::TTextRange range) const {
    const analysis::TLineIndex& lines = Lines_[static_cast<std::size_t>(file)];
    const analysis::TLineColumn from = lines.ToLineColumn(range.Begin);
    const analysis::TLineColumn to = lines.ToLineColumn(range.End);
    return {from.Line, from.Column, to.Line, to.Column};
}

TIntelPlace TCodeIntel::PlaceOf(const TPlace& place) const {
    const analysis::TSourceFile& file = Analysis_->Files[static_cast<std::size_t>(place.File)];
    return {place.File == kDocumentFile, file.Path, file.Name, RangeIn(place.File, place.Range)};
}

std::string TCodeIntel::LineOf(const TPlace& place) const {
    const analysis::TLineIndex& lines = Lines_[static_cast<std::size_t>(place.File)];
    const int32_t line = lines.ToLineColumn(place.Range.Begin).Line;
    const std::string& text = Analysis_->Files[static_cast<std::size_t>(place.File)].Text;
    const int32_t start = lines.LineStart(line);
    return text.substr(static_cast<std::size_t>(start),
                       static_cast<std::size_t>(lines.LineEnd(line) - start));
}

int32_t TCodeIntel::DocumentOffset(int32_t row, int32_t col) const {
    if (Lines_.empty()) return 0;
    return Lines_[kDocumentFile].ToOffset({row, col});
}

std::string TCodeIntel::ErrorMessage(const analysis::TDiagnostic& diagnostic) const {
    std::string text = diagnostic.Number != 0 ? ErrorText(diagnostic.Reported) : diagnostic.Message;
    if (!diagnostic.Place.Valid() || diagnostic.Place.File == kDocumentFile) return text;
    const TIntelPlace place = PlaceOf(diagnostic.Place);
    return text + Utf8ToCp1251(" Файл: ") + place.FileName + Utf8ToCp1251(", строка ") +
           Number(place.Range.FromRow + 1) + Utf8ToCp1251(", столбец ") +
           Number(place.Range.FromCol + 1);
}

std::vector<TLiveError> TCodeIntel::Errors() const {
    std::vector<TLiveError> errors;
    for (const analysis::TDiagnostic& diagnostic : Analysis_->Diagnostics) {
        const TPlace shown = diagnostic.Place.Valid() ? Analysis_->InDocument(diagnostic.Place)
                                                      : TPlace{kDocumentFile, {0, 0}};
        if (!shown.Valid()) continue;
        errors.push_back({RangeIn(shown.File, shown.Range), ErrorMessage(diagnostic),
                          diagnostic.Severity == analysis::TSeverity::Warning});
    }
    return errors;
}

int TCodeIntel::OutlineItemAt(int32_t row) const {
    for (std::size_t item = 0; item < Outline_.size(); ++item)
        if (Outline_[item].FromRow <= row && row <= Outline_[item].ToRow)
            return static_cast<int>(item);
    return -1;
}

std::optional<TIntelPlace> TCodeIntel::DefinitionAt(int32_t row, int32_t col) const {
    const std::optional<TPlace> place =
        Analysis_->DefinitionAt(kDocumentFile, DocumentOffset(row, col));
    if (!place || !place->Valid()) return std::nullopt;
    return PlaceOf(*place);
}

std::vector<TReference> TCodeIntel::ReferencesAt(int32_t row, int32_t col) const {
    std::vector<TReference> references;
    for (const TPlace& place :
         Analysis_->ReferencesAt(kDocumentFile, DocumentOffset(row, col), false))
        if (place.Valid()) references.push_back({PlaceOf(place), LineOf(place)});
    return references;
}

std::optional<analysis::THover> TCodeIntel::HoverAt(int32_t row, int32_t col) const {
    return Analysis_->HoverAt(kDocumentFile, DocumentOffset(row, col));
}

std::vector<editor::TCompletionItem> TCodeIntel::CompletionsAt(int32_t row, int32_t col) const {
    std::vector<editor::TCompletionItem> items;
    for (const analysis::TCompletion& completion :
         Analysis_->CompletionsAt(kDocumentFile, DocumentOffset(row, col)))
        items.push_back({completion.Label, completion.Detail, EditorKind(completion.Kind)});
    return items;
}

} // namespace zk::ide
