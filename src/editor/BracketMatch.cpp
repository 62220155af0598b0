// Bracket matching over the lexems of the lines: only brackets in lexems
// that are neither comments nor strings count.
#include "editor/BracketMatch.h"

#include <vector>

namespace zk::editor {

namespace {

bool IsText(TLexemType type) {
    return type == lxComment || type == lxString;
}

// The columns of the brackets of a line that count, in order.
void BracketsOf(const TLineDataItem& line, std::vector<int32_t>& columns) {
    columns.clear();
    const auto size = static_cast<int32_t>(line.Text.size());
    int32_t col = 0;
    for (const LexemEntry& lexem : line.Syntax.Lexems) {
        if (!IsText(lexem.Type))
            for (int32_t i = col; i < col + lexem.Length && i < size; ++i) {
                const char c = line.Text[static_cast<std::size_t>(i)];
                if (c == '(' || c == ')') columns.push_back(i);
            }
        col += lexem.Length;
    }
}

bool CountingBracketAt(const TDCMemoStrings& lines, TTextPoint at) {
    if (at.Row < 0 || at.Row >= lines.Count() || at.Col < 0) return false;
    const TLineDataItem& line = lines.Item(at.Row);
    if (at.Col >= static_cast<int32_t>(line.Text.size())) return false;
    const char c = line.Text[static_cast<std::size_t>(at.Col)];
    if (c != '(' && c != ')') return false;
    int32_t col = 0;
    for (const LexemEntry& lexem : line.Syntax.Lexems) {
        if (at.Col < col + lexem.Length) return !IsText(lexem.Type);
        col += lexem.Length;
    }
    return false;
}

// Walks from the bracket at `from` in its direction, counting depth.
std::optional<TTextPoint> Partner(const TDCMemoStrings& lines, TTextPoint from,
                                  int32_t searchLimit) {
    const bool forward = lines.Get(from.Row)[static_cast<std::size_t>(from.Col)] == '(';
    std::vector<int32_t> columns;
    int32_t depth = 0;
    int32_t budget = searchLimit;
    for (int32_t row = from.Row; row >= 0 && row < lines.Count() && budget > 0;
         row += forward ? 1 : -1) {
        const TLineDataItem& line = lines.Item(row);
        budget -= static_cast<int32_t>(std::min<std::size_t>(line.Text.size() + 1, INT32_MAX));
        BracketsOf(line, columns);
        const auto visit = [&](int32_t col) {
            if (row == from.Row && (forward ? col < from.Col : col > from.Col)) return false;
            depth += (line.Text[static_cast<std::size_t>(col)] == '(') == forward ? 1 : -1;
            return depth == 0;
        };
        if (forward) {
            for (int32_t col : columns)
                if (visit(col)) return TTextPoint{col, row};
        } else {
            for (auto it = columns.rbegin(); it != columns.rend(); ++it)
                if (visit(*it)) return TTextPoint{*it, row};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<TBracketPair> MatchBrackets(const TDCMemoStrings& lines, TTextPoint caret,
                                          int32_t searchLimit) {
    for (const TTextPoint at : {TTextPoint{caret.Col - 1, caret.Row}, caret}) {
        if (!CountingBracketAt(lines, at)) continue;
        const std::optional<TTextPoint> partner = Partner(lines, at, searchLimit);
        if (!partner) continue;
        return at < *partner ? TBracketPair{at, *partner} : TBracketPair{*partner, at};
    }
    return std::nullopt;
}

} // namespace zk::editor
