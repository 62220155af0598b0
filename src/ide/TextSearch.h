// Find and replace on the editor's lines (Windows-1251), in both directions
// and with wrapping, and the number of the line jump. A match lies within one
// line; without match case both sides are compared in upper case.
#pragma once

#include "ide/DocumentTable.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zk::ide {

struct TTextPos {
    int32_t Col = 0;
    int32_t Row = 0;
    bool operator==(const TTextPos&) const = default;
    // Rows first, then columns: the order of the text.
    std::strong_ordering operator<=>(const TTextPos& other) const {
        if (const auto byRow = Row <=> other.Row; byRow != 0) return byRow;
        return Col <=> other.Col;
    }
};

// A stretch of text from From up to, not including, To.
struct TTextRange {
    TTextPos From;
    TTextPos To;
    bool operator==(const TTextRange&) const = default;
};

// What find and replace need of the editor besides its lines and caret.
class TSearchEditor : public TDocumentEditor {
public:
    // The selected stream of text; nothing when none is selected.
    virtual std::optional<TTextRange> Selection() const = 0;
    // Selects the range, the caret at its end, and scrolls it into view.
    virtual void Select(const TTextRange& range) = 0;
    // Puts `text` (lines joined with CR LF) in place of the range as one
    // edit, which one undo takes back and which is reported like a typed
    // one; the caret ends after the new text.
    virtual void Replace(const TTextRange& range, std::string_view text) = 0;
};

enum class TSearchDirection { Forward, Backward };

struct TSearchQuery {
    std::string Text; // an empty text finds nothing
    bool MatchCase = false;
    // A match may neither follow nor precede a letter, a digit or '_'.
    bool WholeWords = false;
};

enum class TSearchOutcome { Found, Wrapped, NotFound };

// The match nearest to `from` without wrapping: forward the first one that
// starts at `from` or after it, backward the last one that starts before it.
std::optional<TTextRange> FindFrom(const TDocumentEditor& editor, const TSearchQuery& query,
                                   TTextPos from, TSearchDirection direction);

// The next match, selected. Forward it is searched after the selection, or
// from one character after the caret, so that a match at the caret is not
// found again; backward before the selection or the caret. At the end (the
// start) of the text the search goes on from the other end: Wrapped.
TSearchOutcome FindNext(TSearchEditor& editor, const TSearchQuery& query,
                        TSearchDirection direction);

// The selection, when it is a match, is replaced; then the next match
// forward is selected as FindNext would.
struct TReplaceOutcome {
    bool Replaced = false;
    TSearchOutcome Next = TSearchOutcome::NotFound;
};
TReplaceOutcome ReplaceNext(TSearchEditor& editor, const TSearchQuery& query,
                            std::string_view replacement);

// Replaces every match, from the start of the text on without overlaps, as
// one edit from the first match to the last; the caret stays where it was.
// The number of matches replaced.
int ReplaceAll(TSearchEditor& editor, const TSearchQuery& query, std::string_view replacement);

// The row the line jump goes to: the decimal integer in `text` (blanks around
// it allowed), a negative number giving row 0; nothing when `text` is not an
// integer of 32 bits, the empty text included.
std::optional<int32_t> ParseLineNumber(std::string_view text);

} // namespace zk::ide
