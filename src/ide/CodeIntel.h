// What the analysis of the current document says, in its editors' terms: rows
// and columns of each file's text instead of offsets, the first error and the
// warnings placed in the document, its functions as an outline, and the
// answers of go to definition, the list of calls, hover and completion.
// Qt-free; texts are Windows-1251.
#pragma once

#include "analysis/Analysis.h"
#include "analysis/LineIndex.h"
#include "editor/Completion.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::ide {

// Rows and columns from 0, a column in characters of its line; To not included.
struct TIntelRange {
    int32_t FromRow = 0;
    int32_t FromCol = 0;
    int32_t ToRow = 0;
    int32_t ToCol = 0;
    friend bool operator==(const TIntelRange&, const TIntelRange&) = default;
};

struct TIntelPlace {
    bool InDocument = true; // the document analysed; else the file at Path
    std::string Path;       // the system's bytes
    std::string FileName;   // as the compiler names it
    TIntelRange Range;
};

// An error or a warning, where the document shows it: an error of an included
// file or of a unit's source is shown at the directive or the name that
// brings that file in, its message naming the file and line.
struct TLiveError {
    TIntelRange Range;
    std::string Message;
    bool Warning = false;
};

struct TOutlineItem {
    std::string Name;
    std::string Signature;
    int32_t FromRow = 0; // the definition's lines
    int32_t ToRow = 0;
    TIntelRange NameRange;
};

struct TReference {
    TIntelPlace Place;
    std::string LineText; // the line it stands on, without its line break
};

class TCodeIntel {
public:
    explicit TCodeIntel(std::shared_ptr<const analysis::TAnalysis> analysis);

    const analysis::TAnalysis& Analysis() const { return *Analysis_; }
    // The first compile error first, then the warnings.
    std::vector<TLiveError> Errors() const;
    // The document's own functions in the order they are written.
    const std::vector<TOutlineItem>& Outline() const { return Outline_; }
    // The outline's item whose definition holds the row, or -1.
    int OutlineItemAt(int32_t row) const;
    std::optional<TIntelPlace> DefinitionAt(int32_t row, int32_t col) const;
    // The calls of the function named at the place (and the declarations
    // naming it), or the uses of the parameter named there.
    std::vector<TReference> ReferencesAt(int32_t row, int32_t col) const;
    std::optional<analysis::THover> HoverAt(int32_t row, int32_t col) const;
    std::vector<editor::TCompletionItem> CompletionsAt(int32_t row, int32_t col) const;

private:
    int32_t DocumentOffset(int32_t row, int32_t col) const;
    TIntelRange RangeIn(analysis::TFileId file, analysis::TTextRange range) const;
    TIntelPlace PlaceOf(const analysis::TPlace& place) const;
    std::string LineOf(const analysis::TPlace& place) const;
    std::string ErrorMessage(const analysis::TDiagnostic& diagnostic) const;

    std::shared_ptr<const analysis::TAnalysis> Analysis_;
    std::vector<analysis::TLineIndex> Lines_; // per file of the analysis
    std::vector<TOutlineItem> Outline_;
};

// The analysis of a document's text: `text` its lines joined with CR LF,
// `path` its file (empty when untitled). A document of the modified language
// that declares EXPORT is a unit and is analysed as one, with no linking.
analysis::TAnalysis AnalyseDocument(analysis::TAnalysisInput input);

} // namespace zk::ide
