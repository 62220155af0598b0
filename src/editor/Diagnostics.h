// The errors and warnings a window found in the text, as ranges the editor
// underlines. The editor never analyses: it keeps the ranges the window set
// in step with the edits until the window sets new ones. An edit before a
// range moves it; an edit that changes, removes or splits its characters
// drops it, since it no longer tells of the text.
#pragma once

#include "editor/TextArea.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zk::editor {

enum class TDiagnosticSeverity : uint8_t { Error, Warning };

struct TDiagnosticMark {
    TTextPoint From;
    TTextPoint To; // not included; equal to From: a point, such as a line's end
    TDiagnosticSeverity Severity = TDiagnosticSeverity::Error;
    int32_t Id = 0; // the window's number for it, which the view finds its message by
    friend bool operator==(const TDiagnosticMark&, const TDiagnosticMark&) = default;
    bool Covers(TTextPoint point) const {
        return From == To ? point == From : From <= point && point < To;
    }
};

// The marks in text order. A text holds a handful (the first error and some
// warnings), so every query and every edit walks the marks that can reach
// the rows in question, and a text without any costs one test.
class TDiagnosticList {
public:
    const std::vector<TDiagnosticMark>& All() const { return Items_; }
    bool Empty() const { return Items_.empty(); }
    // Points must be ordered, From before To.
    void Set(std::vector<TDiagnosticMark> marks);
    void Clear();

    // The text from `from` up to `to` was replaced by a text that ends at
    // `end`. Marks after it move; marks it touches go, and the rows they
    // covered are returned for repainting. A point mark is touched by an
    // edit at its point; a range by one inside it, not by one ending at
    // its start or starting at its end.
    std::optional<TRowSpan> Edited(TTextPoint from, TTextPoint to, TTextPoint end);
    // Rows changed in a way the model cannot follow column by column: their
    // marks go.
    std::optional<TRowSpan> DropRows(int32_t first, int32_t last);

    // The marks that reach into `row`, in text order.
    std::vector<const TDiagnosticMark*> On(int32_t row) const;

private:
    void Sort();
    // The first mark that may reach into `row`.
    std::size_t FirstReaching(int32_t row) const;

    std::vector<TDiagnosticMark> Items_;
    int32_t Tallest_ = 0; // the most rows a mark spans, less one
};

} // namespace zk::editor
