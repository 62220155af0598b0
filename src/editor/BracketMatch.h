// Bracket matching for the editor: the bracket beside the caret and its
// partner. Brackets inside comments and QUOTE forms (string lexems) are text:
// they are neither matched nor counted. The search gives up, as if the
// bracket were unmatched, after kBracketSearchLimit characters, so that a
// caret on an unbalanced bracket in a huge file costs little.
#pragma once

#include "editor/MemoStrings.h"
#include "editor/TextArea.h"

#include <optional>

namespace zk::editor {

inline constexpr int32_t kBracketSearchLimit = 200000;

struct TBracketPair {
    TTextPoint Open;
    TTextPoint Close;
    friend bool operator==(const TBracketPair&, const TBracketPair&) = default;
};

// The bracket just before the caret with its partner, or else the one at the
// caret with its partner; nothing when no such bracket has a partner.
std::optional<TBracketPair> MatchBrackets(const TDCMemoStrings& lines, TTextPoint caret,
                                          int32_t searchLimit = kBracketSearchLimit);

} // namespace zk::editor
