// Find and replace on the editor's lines, and the line-jump number.
#include "ide/TextSearch.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace zk::ide {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Letters are the bytes that have another case: Latin, Cyrillic and Ё.
bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || c == '_' || UpperChar1251(c) != LowerChar1251(c);
}

// One query against lines. Upper-casing keeps every byte in its place, so a
// column of the compared line is a column of the editor's.
class TMatcher {
public:
    explicit TMatcher(const TSearchQuery& query)
        : Query_(query), Wanted_(query.MatchCase ? query.Text : UpperCase1251(query.Text)) {}

    std::string Compared(std::string_view line) const {
        return Query_.MatchCase ? std::string(line) : UpperCase1251(line);
    }
    std::size_t Length() const { return Wanted_.size(); }

    // The first match of a compared line that starts at `from` or after it.
    std::optional<std::size_t> First(const std::string& line, std::size_t from) const {
        for (std::size_t at = line.find(Wanted_, from); at != std::string::npos;
             at = line.find(Wanted_, at + 1))
            if (Whole(line, at)) return at;
        return std::nullopt;
    }
    // The last match that starts before `before`.
    std::optional<std::size_t> Last(const std::string& line, std::size_t before) const {
        if (before == 0 || line.size() < Wanted_.size()) return std::nullopt;
        for (std::size_t at = line.rfind(Wanted_, std::min(before - 1, line.size() - Length()));
             at != std::string::npos;
             at = at == 0 ? std::string::npos : line.rfind(Wanted_, at - 1))
            if (Whole(line, at)) return at;
        return std::nullopt;
    }

private:
    bool Whole(const std::string& line, std::size_t at) const {
        if (!Query_.WholeWords) return true;
        const std::size_t end = at + Length();
        return (at == 0 || !IsWordChar(line[at - 1])) &&
               (end >= line.size() || !IsWordChar(line[end]));
    }

    const TSearchQuery& Query_;
    std::string Wanted_;
};

TTextRange MatchAt(int32_t row, std::size_t col, std::size_t length) {
    return {{static_cast<int32_t>(col), row}, {static_cast<int32_t>(col + length), row}};
}

TTextPos TextEnd(const TDocumentEditor& editor) {
    return {std::numeric_limits<int32_t>::max(), std::max(editor.LineCount() - 1, 0)};
}

TSearchOutcome SelectNext(TSearchEditor& editor, const TSearchQuery& query, TTextPos from,
                          TSearchDirection direction) {
    TSearchOutcome outcome = TSearchOutcome::Found;
    std::optional<TTextRange> match = FindFrom(editor, query, from, direction);
    if (!match) {
        const TTextPos otherEnd =
            direction == TSearchDirection::Forward ? TTextPos{} : TextEnd(editor);
        match = FindFrom(editor, query, otherEnd, direction);
        outcome = TSearchOutcome::Wrapped;
    }
    if (!match) return TSearchOutcome::NotFound;
    editor.Select(*match);
    return outcome;
}

} // namespace

std::optional<TTextRange> FindFrom(const TDocumentEditor& editor, const TSearchQuery& query,
                                   TTextPos from, TSearchDirection direction) {
    if (query.Text.empty()) return std::nullopt;
    const TMatcher matcher(query);
    const int32_t lines = editor.LineCount();
    const auto column = [&](int32_t row, std::size_t otherRows) {
        return row == from.Row ? static_cast<std::size_t>(std::max(from.Col, 0)) : otherRows;
    };
    if (direction == TSearchDirection::Forward) {
        for (int32_t row = std::max(from.Row, 0); row < lines; ++row)
            if (const auto at = matcher.First(matcher.Compared(editor.Line(row)), column(row, 0)))
                return MatchAt(row, *at, matcher.Length());
    } else {
        for (int32_t row = std::min(from.Row, lines - 1); row >= 0; --row)
            if (const auto at = matcher.Last(matcher.Compared(editor.Line(row)),
                                             column(row, std::string::npos)))
                return MatchAt(row, *at, matcher.Length());
    }
    return std::nullopt;
}

TSearchOutcome FindNext(TSearchEditor& editor, const TSearchQuery& query,
                        TSearchDirection direction) {
    const std::optional<TTextRange> selected = editor.Selection();
    TTextPos from{editor.Col(), editor.Row()};
    if (direction == TSearchDirection::Forward)
        from = selected ? selected->To : TTextPos{from.Col + 1, from.Row};
    else if (selected)
        from = selected->From;
    return SelectNext(editor, query, from, direction);
}

TReplaceOutcome ReplaceNext(TSearchEditor& editor, const TSearchQuery& query,
                            std::string_view replacement) {
    const std::optional<TTextRange> selected = editor.Selection();
    if (!selected || FindFrom(editor, query, selected->From, TSearchDirection::Forward) != selected)
        return {false, FindNext(editor, query, TSearchDirection::Forward)};
    editor.Replace(*selected, replacement);
    // From the end of the new text itself: a match right after it is the next.
    const TTextPos after{editor.Col(), editor.Row()};
    return {true, SelectNext(editor, query, after, TSearchDirection::Forward)};
}

// The edit spans the first match to the last one only: the text around it,
// its bookmarks and its tabs, stay as they are.
int ReplaceAll(TSearchEditor& editor, const TSearchQuery& query, std::string_view replacement) {
    if (query.Text.empty()) return 0;
    const TMatcher matcher(query);
    const int32_t lines = editor.LineCount();
    std::optional<TTextPos> first;
    TTextPos last;
    std::string text;    // from the first match to the last one, replaced
    std::string between; // the text since the last match, kept if another one follows
    int count = 0;
    for (int32_t row = 0; row < lines; ++row) {
        const std::string line = editor.Line(row);
        const std::string compared = matcher.Compared(line);
        std::size_t done = 0;
        for (auto at = matcher.First(compared, 0); at;
             at = matcher.First(compared, *at + matcher.Length())) {
            if (first)
                text.append(between).append(line, done, *at - done);
            else
                first = TTextPos{static_cast<int32_t>(*at), row};
            between.clear();
            text.append(replacement);
            done = *at + matcher.Length();
            last = {static_cast<int32_t>(done), row};
            ++count;
        }
        if (first) between.append(line, done).append(row + 1 < lines ? "\r\n" : "");
    }
    if (!first) return 0;
    const TTextPos caret{editor.Col(), editor.Row()};
    editor.Replace({*first, last}, text);
    editor.SetCaret(caret.Col, caret.Row);
    return count;
}

std::optional<int32_t> ParseLineNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    int32_t value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return std::max(value, 0);
}

} // namespace zk::ide
