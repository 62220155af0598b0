// The ZK highlighter: lexems of single lines, comment states across lines,
// keyword groups, lexem growth and the colour records.
#include "editor/ZKSyntaxData.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk::editor {
namespace {

using test::W;

// Lexems as "kind:text" items; kinds w i s n c y k h by lexem type.
std::string Cut(TDCCustomSyntaxData& syntax, std::string_view text, TLineSyntax& line,
                TLineState start = {}) {
    syntax.HighlightLine(text, start, line);
    std::string out;
    std::size_t pos = 0;
    for (const LexemEntry& lexem : line.Lexems) {
        if (!out.empty()) out += ' ';
        out += "wisncykh"[lexem.Type];
        out += ':';
        out += text.substr(pos, lexem.Length);
        pos += lexem.Length;
    }
    EXPECT_EQ(pos, text.size()) << "lexems must cover the line";
    return out;
}

class ZKHighlighting : public ::testing::Test {
protected:
    std::string Cut(std::string_view text, TLineState start = {}) {
        return editor::Cut(Syntax, text, Line, start);
    }
    TDCZKSyntaxData Syntax;
    TLineSyntax Line;
};

TEST_F(ZKHighlighting, QuoteFormsAreStringLexems) {
    EXPECT_EQ(Cut("(quote (a b) c)"), "s:(quote (a b) c)");
    EXPECT_EQ(Cut("(QUOTEX 1)"), "s:(QUOTEX 1)");
    EXPECT_EQ(Cut("(IF (Quote A) B)"), "i:( k:IF w:  s:(Quote A) w:  i:B)");
    EXPECT_EQ(Cut("( quote"), "i:( w:  k:quote");
    EXPECT_EQ(Cut("(quot"), "i:(quot");
    EXPECT_EQ(Cut("(quote (a"), "s:(quote (a");
    EXPECT_EQ(Line.End, TLineState{}) << "an open QUOTE does not reach the next line";
    EXPECT_EQ(Cut("(quote {x)"), "s:(quote {x)") << "a brace inside QUOTE opens no comment";
}

TEST_F(ZKHighlighting, BracketsAreOneCharacterIdentifiers) {
    Syntax.HighlightLine("(A)", {}, Line);
    ASSERT_EQ(Line.Lexems.Count(), 1) << "lexems of one type merge";
    EXPECT_EQ(Line.Lexems[0], (LexemEntry{lxIdentifier, 1, 3}));
    Syntax.HighlightLine("A)", {}, Line);
    EXPECT_EQ(Line.Lexems[0], (LexemEntry{lxIdentifier, 0, 2})) << "the first lexem's index stays";
}

TEST_F(ZKHighlighting, BlockCommentsCarryTheirStateAcrossLines) {
    EXPECT_EQ(Cut("A {open"), "i:A w:  c:{open");
    EXPECT_EQ(Line.End.Comment, 1);
    EXPECT_EQ(Cut("still (quote x)", {1, 0}), "c:still (quote x)");
    EXPECT_EQ(Line.End.Comment, 1);
    EXPECT_EQ(Cut("", {1, 0}), "");
    EXPECT_EQ(Line.End.Comment, 1);
    EXPECT_EQ(Cut("end} B {x} C", {1, 0}), "c:end} w:  i:B w:  c:{x} w:  i:C");
    EXPECT_EQ(Line.End.Comment, 0);
    EXPECT_EQ(Cut("{ { } }"), "c:{ { } w:  i:}") << "comments do not nest";
    EXPECT_EQ(Cut("{a} {b"), "c:{a} w:  c:{b");
    EXPECT_EQ(Line.End.Comment, 1);
}

TEST_F(ZKHighlighting, LineCommentsAndSymbols) {
    EXPECT_EQ(Cut("a//b"), "i:a c://b");
    EXPECT_EQ(Line.End.Comment, 0);
    EXPECT_EQ(Cut("+//x"), "y:+ c://x");
    EXPECT_EQ(Cut("<= /%-+*#>"), "y:<= w:  y:/%-+*#>");
    EXPECT_EQ(Cut("*{c}"), "y:* c:{c}");
    EXPECT_EQ(Cut("// {"), "c:// {");
    EXPECT_EQ(Line.End.Comment, 0) << "a brace in a line comment opens nothing";
}

TEST_F(ZKHighlighting, Numbers) {
    EXPECT_EQ(Cut("-5"), "y:- n:5");
    EXPECT_EQ(Cut("1.5E+3"), "n:1.5E+3");
    EXPECT_EQ(Cut("12e4"), "n:12e4");
    EXPECT_EQ(Cut("1.2.3"), "n:1.2 i:. n:3");
    EXPECT_EQ(Cut("7E-"), "n:7E-");
    EXPECT_EQ(Cut("12AB"), "n:12 i:AB");
    EXPECT_EQ(Cut("X12"), "i:X12") << "digits inside a word";
}

TEST_F(ZKHighlighting, Keywords) {
    EXPECT_EQ(Cut("first First FIRST2 DEFOPS defop"), "k:first w:  k:First w:  i:FIRST2 w:  "
                                                      "i:DEFOPS w:  k:defop");
    for (const char* word : {"BF", "LAST", "BL", "EXPR", "QUOTE", "BR", "CONT", "EQUAL", "IF",
                             "CALL", "ABORT", "SYMBOL", "NUMBER", "EXPORT", "USES", "DEFOP"}) {
        Syntax.HighlightLine(word, {}, Line);
        EXPECT_EQ(Line.Lexems[0].Type, lxKeyWord) << word;
    }
    EXPECT_EQ(Cut("B BFX FIRS"), "i:B w:  i:BFX w:  i:FIRS");
}

TEST_F(ZKHighlighting, CyrillicWordsSplitAtYo) {
    EXPECT_EQ(Cut(W("Привет")), W("i:Привет"));
    Syntax.HighlightLine(W("ёлка ежё"), {}, Line);
    // ё belongs to no class: a one-character identifier, merged with its neighbours.
    ASSERT_EQ(Line.Lexems.Count(), 3);
    EXPECT_EQ(Line.Lexems[0].Length, 4);
    const std::string split = W("ЗЁЛ");
    TDCZKSyntaxData syntax;
    syntax.AddKeyWords(W("з"));
    EXPECT_EQ(editor::Cut(syntax, split, Line), W("k:З i:ЁЛ")) << "the word ends before Ё";
}

TEST_F(ZKHighlighting, CharactersOfNoClassAndTabs) {
    EXPECT_EQ(Cut("a;\tb"), "i:a;\tb");
    EXPECT_EQ(Cut(" \t "), "w:  i:\t w: ") << "only code 32 is whitespace";
}

TEST_F(ZKHighlighting, LongRunsTakeSeveralEntries) {
    const std::string spaces(70000, ' ');
    Syntax.HighlightLine(spaces, {}, Line);
    ASSERT_EQ(Line.Lexems.Count(), 2);
    EXPECT_EQ(Line.Lexems[0].Length, 0xFFFF);
    EXPECT_EQ(Line.Lexems[1].Length, 70000 - 0xFFFF);
}

TEST(LexemArray, GrowsByTheRule) {
    TLexemArray lexems;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 100; ++i) {
        lexems.Append({});
        if (capacities.empty() || capacities.back() != lexems.Capacity())
            capacities.push_back(lexems.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 20, 36, 52, 68, 85, 106}));
    lexems.Clear();
    EXPECT_EQ(lexems.Capacity(), 106);
}

TEST(KeyWordGroup, WordsStandGroupedByFirstCharacter) {
    TSyntaxKeyWordItem group({}, "if cat  BF ab IF cow");
    EXPECT_EQ(group.Words(), " AB BF CAT COW IF ");
    EXPECT_TRUE(group.Contains("cow"));
    EXPECT_TRUE(group.Contains("If"));
    EXPECT_FALSE(group.Contains("CO"));
    EXPECT_FALSE(group.Contains("COWS"));
    EXPECT_FALSE(group.Contains(""));
}

TEST(ColorRecords, ZKDefaultsAndLookup) {
    TDCZKSyntaxData syntax;
    const auto& string = syntax.ColorOf({lxString, 0, 1});
    EXPECT_EQ(string.Foreground(), TColor::Rgb(0, 0, 255));
    EXPECT_EQ(string.FontStyle(), fsBold);
    EXPECT_EQ(string.Background(), clWindow);
    EXPECT_EQ(syntax.ColorOf({lxComment, 0, 1}).FontStyle(), fsItalic);
    EXPECT_EQ(syntax.ColorOf({lxSymbol, 0, 1}).Foreground(), TColor::Rgb(0, 128, 0));
    EXPECT_EQ(&syntax.ColorOf({lxKeyWord, 0, 1}), &syntax.KeyWords()[0].Color);
    EXPECT_EQ(&syntax.ColorOf({lxKeyWord, 5, 1}), &syntax.LexemColors()[0].Color);
    EXPECT_EQ(&syntax.ColorOf({lxHighlight, 0, 1}), &syntax.LexemColors()[0].Color);
}

TEST(ColorRecords, ChangesNotifyTheOwnerOnce) {
    TDCZKSyntaxData syntax;
    int notices = 0;
    syntax.OnColorsChanged = [&] { ++notices; };
    TDCSyntaxMemoColor& number = syntax.LexemColors()[lxNumber].Color;
    number.SetForeground(TColor::Rgb(255, 0, 0));
    EXPECT_EQ(notices, 0) << "an unchanged value is no change";
    number.Assign(syntax.LexemColors()[lxComment].Color);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(number.FontStyle(), fsItalic);
    syntax.KeyWords()[0].Color.SetBackground(TColor::Rgb(1, 2, 3));
    EXPECT_EQ(notices, 2);
}

} // namespace
} // namespace zk::editor
