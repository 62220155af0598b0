// The search of the find dialog and the number of the line jump, on the
// editor's lines (Windows-1251).
#pragma once

#include "ide/DocumentTable.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace zk::ide {

struct TTextPos {
    int32_t Col = 0;
    int32_t Row = 0;
    bool operator==(const TTextPos&) const = default;
};

// The first occurrence of `text` from the editor's caret downward, without
// wrapping. The caret row is examined from one character after the caret
// column, so that a match at the caret is not found again. Without
// `matchCase` both sides are compared in upper case. An empty text finds
// nothing.
std::optional<TTextPos> FindDown(const TDocumentEditor& editor, std::string_view text,
                                 bool matchCase);

// The row the line jump goes to: the decimal integer in `text` (blanks around
// it allowed), a negative number giving row 0; nothing when `text` is not an
// integer of 32 bits, the empty text included.
std::optional<int32_t> ParseLineNumber(std::string_view text);

} // namespace zk::ide
