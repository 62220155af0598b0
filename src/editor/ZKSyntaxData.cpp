// ZK's keywords, delimiters and colours, and the QUOTE rule.
#include "editor/ZKSyntaxData.h"

#include "frontend/Cp1251.h"

namespace zk::editor {

namespace {

constexpr TColor clBlue = TColor::Rgb(0, 0, 255);
constexpr TColor clRed = TColor::Rgb(255, 0, 0);
constexpr TColor clNavy = TColor::Rgb(0, 0, 128);
constexpr TColor clGreen = TColor::Rgb(0, 128, 0);

} // namespace

TDCZKSyntaxData::TDCZKSyntaxData() {
    Initialize();
}

void TDCZKSyntaxData::InitLanguage() {
    AddKeyWords(" FIRST BF LAST BL EXPR QUOTE BR CONT EQUAL IF CALL ABORT SYMBOL NUMBER EXPORT "
                "USES DEFOP FIRST");
    SymbolChars = "/%-+*#<>=";
    StringChars = std::string(1, '('); // assigning "(" trips a false -Wrestrict in GCC 12
    NumberChars.clear();
    CommentStart1 = PackDelimiter("{");
    CommentEnd1 = PackDelimiter("}");
    LineComment1 = PackDelimiter("//");
}

void TDCZKSyntaxData::InitColors() {
    const auto set = [](TDCSyntaxMemoColor& color, TColor foreground, TFontStyles style) {
        color.SetForeground(foreground);
        color.SetFontStyle(style);
    };
    set(LexemColors()[lxWhitespace].Color, clBlack, 0);
    set(LexemColors()[lxIdentifier].Color, clBlack, 0);
    set(LexemColors()[lxString].Color, clBlue, fsBold);
    set(LexemColors()[lxNumber].Color, clRed, fsBold);
    set(LexemColors()[lxComment].Color, clNavy, fsItalic);
    set(LexemColors()[lxSymbol].Color, clGreen, 0);
    set(KeyWords()[0].Color, clBlack, fsBold);
}

// At "(": when the next five letters spell QUOTE in any case, the lexem runs
// through the balancing ")" or to the end of the line; whatever follows the
// five letters does not matter.
int32_t TDCZKSyntaxData::ScanString(int32_t pos) {
    const std::string_view line = Line();
    constexpr std::string_view kQuote = "QUOTE";
    const auto start = static_cast<std::size_t>(pos);
    if (line.size() - start <= kQuote.size()) return 0;
    for (std::size_t i = 0; i < kQuote.size(); ++i)
        if (UpperChar1251(line[start + 1 + i]) != kQuote[i]) return 0;
    int32_t depth = 0;
    for (std::size_t i = start; i < line.size(); ++i) {
        if (line[i] == '(') ++depth;
        if (line[i] == ')' && --depth == 0) return static_cast<int32_t>(i - start) + 1;
    }
    return static_cast<int32_t>(line.size() - start);
}

} // namespace zk::editor
