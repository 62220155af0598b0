// The generic highlighting engine: lexem growth, colour records, keyword
// groups and the lexer that cuts one line at a time.
#include "editor/SyntaxData.h"

#include "frontend/Cp1251.h"

#include <algorithm>

namespace zk::editor {

namespace {

constexpr int32_t kMaxEntryLength = 0xFFFF;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int32_t DelimiterLength(uint32_t delimiter) {
    int32_t length = 0;
    for (; delimiter != 0; delimiter >>= 8)
        ++length;
    return length;
}

// Appends a lexem, lengthening the last entry when it has the same type; a
// lexem longer than an entry can hold takes several entries.
void AppendLexem(TLexemArray& lexems, TLexemType type, uint8_t index, int32_t length) {
    while (length > 0) {
        if (lexems.Count() > 0 && lexems.Back().Type == type &&
            lexems.Back().Length < kMaxEntryLength) {
            const int32_t take = std::min(length, kMaxEntryLength - lexems.Back().Length);
            lexems.Back().Length = static_cast<uint16_t>(lexems.Back().Length + take);
            length -= take;
        } else {
            const int32_t take = std::min(length, kMaxEntryLength);
            lexems.Append({type, index, static_cast<uint16_t>(take)});
            length -= take;
        }
    }
}

} // namespace

void TLexemArray::Append(LexemEntry entry) {
    if (Count() == Capacity_) {
        const int32_t step = Capacity_ < 9 ? 4 : Capacity_ <= 16 ? 8 : std::max(16, Capacity_ / 4);
        Capacity_ += step;
        Items_.reserve(static_cast<std::size_t>(Capacity_));
    }
    Items_.push_back(entry);
}

void TDCSyntaxMemoColor::SetBackground(TColor color) {
    if (Background_ == color) return;
    Background_ = color;
    Changed();
}

void TDCSyntaxMemoColor::SetForeground(TColor color) {
    if (Foreground_ == color) return;
    Foreground_ = color;
    Changed();
}

void TDCSyntaxMemoColor::SetFontStyle(TFontStyles style) {
    if (FontStyle_ == style) return;
    FontStyle_ = style;
    Changed();
}

void TDCSyntaxMemoColor::Assign(const TDCSyntaxMemoColor& other) {
    if (Background_ == other.Background_ && Foreground_ == other.Foreground_ &&
        FontStyle_ == other.FontStyle_)
        return;
    Background_ = other.Background_;
    Foreground_ = other.Foreground_;
    FontStyle_ = other.FontStyle_;
    Changed();
}

void TDCSyntaxMemoColor::Changed() const {
    if (OnChange_) OnChange_();
}

TSyntaxKeyWordItem::TSyntaxKeyWordItem(std::function<void()> onChange, std::string_view words)
    : Color(std::move(onChange)) {
    std::vector<std::string> list;
    std::size_t pos = 0;
    while (pos < words.size()) {
        const std::size_t start = words.find_first_not_of(' ', pos);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(words.find(' ', start), words.size());
        std::string word = UpperCase1251(words.substr(start, end - start));
        if (std::find(list.begin(), list.end(), word) == list.end())
            list.push_back(std::move(word));
        pos = end;
    }
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    });
    for (const std::string& word : list) {
        TStretch& stretch = Index_[static_cast<unsigned char>(word[0])];
        if (stretch.Length == 0) stretch.Offset = static_cast<uint32_t>(Words_.size());
        Words_ += ' ';
        Words_ += word;
        stretch.Length = static_cast<uint32_t>(Words_.size()) - stretch.Offset;
    }
    Words_ += ' ';
}

bool TSyntaxKeyWordItem::Contains(std::string_view word) const {
    if (word.empty()) return false;
    const TStretch& stretch = Index_[static_cast<unsigned char>(UpperChar1251(word[0]))];
    // The stretch holds " W1 W2 ... Wn"; the space after Wn starts the next group.
    const std::string_view words(Words_.data() + stretch.Offset, stretch.Length);
    std::size_t pos = 0;
    while (pos < words.size()) {
        const std::size_t start = pos + 1;
        const std::size_t end = std::min(words.find(' ', start), words.size());
        if (end - start == word.size() &&
            std::equal(word.begin(), word.end(), words.begin() + static_cast<std::ptrdiff_t>(start),
                       [](char a, char b) { return UpperChar1251(a) == b; }))
            return true;
        pos = end;
    }
    return false;
}

TDCCustomSyntaxData::TDCCustomSyntaxData() {
    for (int type = lxWhitespace; type <= lxSymbol; ++type)
        LexemColors_.Add([this] { ColorChanged(); }, static_cast<TLexemType>(type));
}

void TDCCustomSyntaxData::Initialize() {
    InitLanguage();
    InitColors();
    InitCharTables();
}

TSyntaxKeyWordItem& TDCCustomSyntaxData::AddKeyWords(std::string_view words) {
    return KeyWords_.Add([this] { ColorChanged(); }, words);
}

void TDCCustomSyntaxData::ColorChanged() const {
    if (OnColorsChanged) OnColorsChanged();
}

void TDCCustomSyntaxData::InitCharTables() {
    IdentTable_.fill(false);
    NumberTable_.fill(false);
    SymbolTable_.fill(false);
    for (int c = '0'; c <= '9'; ++c)
        IdentTable_[c] = NumberTable_[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        IdentTable_[c] = IdentTable_[c + ('a' - 'A')] = true;
    IdentTable_['_'] = true;
    for (int c = 192; c <= 255; ++c)
        IdentTable_[c] = true; // Cyrillic without Ё and ё
    for (char c : NumberChars)
        NumberTable_[static_cast<unsigned char>(c)] = true;
    for (char c : SymbolChars)
        SymbolTable_[static_cast<unsigned char>(c)] = true;
}

bool TDCCustomSyntaxData::IsIdentChar(char c) const {
    return IdentTable_[static_cast<unsigned char>(c)];
}

bool TDCCustomSyntaxData::DelimiterAt(uint32_t delimiter, int32_t pos) const {
    if (delimiter == 0) return false;
    for (; delimiter != 0; delimiter >>= 8, ++pos)
        if (pos >= Size() ||
            static_cast<unsigned char>(Line_[static_cast<std::size_t>(pos)]) != (delimiter & 0xFF))
            return false;
    return true;
}

bool TDCCustomSyntaxData::CommentStartsAt(int32_t pos) const {
    return DelimiterAt(CommentStart1, pos) || DelimiterAt(CommentStart2, pos) ||
           DelimiterAt(LineComment1, pos) || DelimiterAt(LineComment2, pos);
}

// Length from `from` through the end delimiter; without one, to the end of
// the line, and the comment state stays open.
int32_t TDCCustomSyntaxData::CommentRest(int32_t from, uint32_t endDelimiter) {
    for (int32_t pos = from; pos < Size(); ++pos)
        if (DelimiterAt(endDelimiter, pos)) {
            CommentState_ = 0;
            return pos + DelimiterLength(endDelimiter) - from;
        }
    return Size() - from;
}

// A block comment starting at `pos`, or 0.
int32_t TDCCustomSyntaxData::BlockComment(int32_t pos) {
    const std::array<std::pair<uint32_t, uint32_t>, 2> pairs = {
        std::pair{CommentStart1, CommentEnd1}, std::pair{CommentStart2, CommentEnd2}};
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        if (!DelimiterAt(pairs[k].first, pos)) continue;
        CommentState_ = static_cast<uint8_t>(k + 1);
        const int32_t open = DelimiterLength(pairs[k].first);
        return open + CommentRest(pos + open, pairs[k].second);
    }
    return 0;
}

TDCCustomSyntaxData::TLexem TDCCustomSyntaxData::Word(int32_t pos) const {
    int32_t end = pos;
    while (end < Size() && IsIdentChar(Line_[static_cast<std::size_t>(end)]))
        ++end;
    const std::string_view word =
        Line_.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(end - pos));
    for (int32_t group = 0; group < KeyWords_.Count() && group <= 0xFF; ++group)
        if (KeyWords_[group].Contains(word))
            return {lxKeyWord, static_cast<uint8_t>(group), end - pos};
    return {lxIdentifier, 0, end - pos};
}

TDCCustomSyntaxData::TLexem TDCCustomSyntaxData::NextLexem(int32_t pos) {
    const char c = Line_[static_cast<std::size_t>(pos)];
    if (c == ' ') {
        int32_t end = pos;
        while (end < Size() && Line_[static_cast<std::size_t>(end)] == ' ')
            ++end;
        return {lxWhitespace, 0, end - pos};
    }
    if (const int32_t length = BlockComment(pos)) return {lxComment, 0, length};
    if (c == ')') return {lxIdentifier, 1, 1};
    if (c == '(') {
        if (const int32_t length = ScanString(pos)) return {lxString, 0, length};
        return {lxIdentifier, 1, 1};
    }
    if (DelimiterAt(LineComment1, pos) || DelimiterAt(LineComment2, pos))
        return {lxComment, 0, Size() - pos};
    if (StringChars.find(c) != std::string::npos)
        if (const int32_t length = ScanString(pos)) return {lxString, 0, length};
    if (NumberTable_[static_cast<unsigned char>(c)]) return {lxNumber, 0, ScanNumber(pos)};
    if (IsSymbolChar(c)) {
        int32_t end = pos + 1;
        while (end < Size() && IsSymbolChar(Line_[static_cast<std::size_t>(end)]) &&
               !CommentStartsAt(end))
            ++end;
        return {lxSymbol, 0, end - pos};
    }
    if (IsIdentChar(c)) return Word(pos);
    return {lxIdentifier, 0, 1}; // a character of no class
}

// Digits, at most one "." with digits, then, when there were any digits, an
// exponent. A sign stands only first in the integer part (when NumberChars
// lets a number start with one) and first in the exponent.
int32_t TDCCustomSyntaxData::ScanNumber(int32_t pos) {
    const auto at = [&](int32_t i) { return i < Size() ? Line_[static_cast<std::size_t>(i)] : 0; };
    const auto digits = [&](int32_t& i) {
        const int32_t from = i;
        while (IsDigit(at(i)))
            ++i;
        return i - from;
    };
    int32_t i = pos;
    if (at(i) == '+' || at(i) == '-') ++i;
    int32_t count = digits(i);
    if (at(i) == '.') {
        ++i;
        count += digits(i);
    }
    if (count > 0 && (at(i) == 'E' || at(i) == 'e')) {
        ++i;
        if (at(i) == '+' || at(i) == '-') ++i;
        digits(i);
    }
    return std::max(1, i - pos);
}

// The engine's string: from the opening character through the next one like
// it, or to the end of the line.
int32_t TDCCustomSyntaxData::ScanString(int32_t pos) {
    const std::size_t close =
        Line_.find(Line_[static_cast<std::size_t>(pos)], static_cast<std::size_t>(pos) + 1);
    return close == std::string_view::npos ? Size() - pos : static_cast<int32_t>(close) + 1 - pos;
}

void TDCCustomSyntaxData::HighlightLine(std::string_view text, TLineState start,
                                        TLineSyntax& line) {
    line.Start = start;
    line.Lexems.Clear();
    Line_ = text;
    CommentState_ = start.Comment;
    int32_t pos = 0;
    if (CommentState_ != 0) {
        pos = CommentRest(0, CommentState_ == 1 ? CommentEnd1 : CommentEnd2);
        AppendLexem(line.Lexems, lxComment, 0, pos);
    }
    while (pos < Size()) {
        const TLexem lexem = NextLexem(pos);
        AppendLexem(line.Lexems, lexem.Type, lexem.Index, lexem.Length);
        pos += lexem.Length;
    }
    line.End = {CommentState_, start.Highlight};
    Line_ = {};
}

const TDCSyntaxMemoColor& TDCCustomSyntaxData::ColorOf(const LexemEntry& lexem) const {
    if (lexem.Type <= lxSymbol && lexem.Type < LexemColors_.Count())
        return LexemColors_[lexem.Type].Color;
    if (lexem.Type == lxKeyWord && lexem.Index < KeyWords_.Count())
        return KeyWords_[lexem.Index].Color;
    if (lexem.Type == lxHighlight && lexem.Index < Highlights_.Count())
        return Highlights_[lexem.Index].Color;
    return LexemColors_[0].Color;
}

} // namespace zk::editor
