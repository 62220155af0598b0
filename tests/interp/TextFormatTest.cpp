// The plain and formatted renderings of values: brackets and blanks, the
// formatting words with their separator, EXACT and case flags, Windows-1251
// letter case, damaged cells, and a value nested a million levels deep.
#include "interp/TextFormat.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace zk {
namespace {

using test::W;

TAtomTable StartAtoms() {
    TAtomTable atoms;
    atoms.Add("");
    atoms.Add("TRUE");
    atoms.Add("FALSE");
    return atoms;
}

class TextFormatTest : public ::testing::Test {
protected:
    TTreeRef Parse(std::string_view text) { return Memory.ParseText(text, Atoms); }
    TTreeRef Number(int64_t value) {
        const int32_t cell = Memory.AllocCell(kCellNumber, value);
        return {cell, cell};
    }
    TTreeRef Atom(int64_t number) {
        const int32_t cell = Memory.AllocCell(kCellList, number);
        return {cell, cell};
    }
    TTreeRef Join(TTreeRef left, const TTreeRef& right) {
        Memory.Concat(left, right);
        return left;
    }
    std::string Plain(const TTreeRef& v) const { return ToText(Memory, v, Atoms); }
    std::string Plain(std::string_view text) { return Plain(Parse(text)); }
    TFormattedText Formatted(const TTreeRef& v) const { return FormatText(Memory, v, Atoms); }
    TFormattedText Formatted(std::string_view text) { return Formatted(Parse(text)); }
    // The formatted text of a value that must render completely.
    std::string Prose(std::string_view text) {
        const TFormattedText result = Formatted(text);
        EXPECT_TRUE(result.Complete) << text;
        return result.Text;
    }

    TZKMemory Memory{1000, 800};
    TAtomTable Atoms = StartAtoms();
};

// --- Plain rendering ---

TEST_F(TextFormatTest, PlainEndsEveryElementWithOneBlank) {
    EXPECT_EQ(Plain(kEmptyTree), "");
    EXPECT_EQ(Plain("A (B C) 5"), "A (B C) 5 ");
    EXPECT_EQ(Plain("(A)"), "(A) ");
    EXPECT_EQ(Plain("((A))"), "((A)) ");
    EXPECT_EQ(Plain("()"), "() ");
    EXPECT_EQ(Plain("(()) (() A) (A ())"), "(()) (() A) (A ()) ");
    EXPECT_EQ(Plain("((A B) (C (D)) E) F"), "((A B) (C (D)) E) F ");
}

TEST_F(TextFormatTest, PlainWritesNumbersInDecimal) {
    EXPECT_EQ(Plain("-12 0 7 2147483647"), "-12 0 7 2147483647 ");
    TTreeRef v = Number(std::numeric_limits<int64_t>::min());
    v = Join(v, Number(std::numeric_limits<int64_t>::max()));
    v = Join(v, Number(-1));
    EXPECT_EQ(Plain(v), "-9223372036854775808 9223372036854775807 -1 ");
}

TEST_F(TextFormatTest, PlainWritesAtomsExactlyAsStored) {
    const TTreeRef v = Join(Atom(Atoms.Add("Mixed")), Atom(Atoms.Add(W("Ёлка"))));
    EXPECT_EQ(Plain(v), "Mixed " + W("Ёлка") + " ");
    // Atom 0 as a leaf would be a list node; TRUE is atom 1.
    EXPECT_EQ(Plain(Atom(1)), "TRUE ");
}

TEST_F(TextFormatTest, PlainStopsAtTheLastCellOfTheValueAndOfEachList) {
    // A value may end inside a longer chain of cells: only First..Last counts.
    const TTreeRef abc = Parse("A B C");
    const int32_t b = Memory.Cell(abc.First).Next;
    EXPECT_EQ(Plain(TTreeRef{b, abc.First}), "A B ");
    EXPECT_EQ(Plain(TTreeRef{b, b}), "B ");

    const TTreeRef list = Parse("(X Y Z)");
    TCell& node = Memory.Cell(list.First);
    node.LastChild = Memory.Cell(node.FirstChild).Next;
    EXPECT_EQ(Plain(list), "(X Y) ");
}

TEST_F(TextFormatTest, PlainSurvivesDamagedCells) {
    // Atom numbers outside the table render as the empty text.
    EXPECT_EQ(Plain(Join(Join(Atom(9999), Atom(-3)), Atom(1))), "  TRUE ");

    // A link outside the cells in use ends its sequence.
    const TTreeRef ab = Parse("A B");
    Memory.Cell(ab.First).Next = Memory.CellCount() + 5;
    EXPECT_EQ(Plain(ab), "A ");
    Memory.Cell(ab.First).Next = -7;
    EXPECT_EQ(Plain(ab), "A ");
    EXPECT_EQ(Plain(TTreeRef{Memory.Capacity() + 1, Memory.Capacity() + 1}), "");

    const TTreeRef list = Parse("(Q)");
    Memory.Cell(list.First).FirstChild = 1'000'000;
    EXPECT_EQ(Plain(list), "() ");
}

TEST_F(TextFormatTest, PlainEndsOnACyclicChain) {
    // C links back to A and the value claims a Last that is never reached.
    const TTreeRef abc = Parse("A B C");
    Memory.Cell(abc.Last).Next = abc.First;
    const std::string text = Plain(TTreeRef{Memory.CellCount() - 1 + 1000, abc.First});
    EXPECT_LE(text.size(), 2u * static_cast<std::size_t>(Memory.CellCount()));
    EXPECT_EQ(text.substr(0, 6), "A B C ");

    // A list node that contains itself.
    const TTreeRef node = Parse("(D)");
    Memory.Cell(node.First).FirstChild = node.First;
    Memory.Cell(node.First).LastChild = node.First;
    const std::string nested = Plain(node);
    EXPECT_LE(nested.size(), 3u * static_cast<std::size_t>(Memory.CellCount()));
}

TEST(TextFormatDeepTest, PlainRendersAMillionLevelsAndAMillionElements) {
    constexpr int kCount = 1'000'000;
    TZKMemory memory(2'100'000, 2'000'000);
    TAtomTable atoms = StartAtoms();
    const std::string deep = std::string(kCount, '(') + "A" + std::string(kCount, ')');
    const TTreeRef nested = memory.ParseText(deep, atoms);
    ASSERT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(ToText(memory, nested, atoms), deep + " ");

    std::string flat;
    for (int i = 0; i < kCount; ++i)
        flat += "7 ";
    const TTreeRef wide = memory.ParseText(flat, atoms);
    ASSERT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(ToText(memory, wide, atoms), flat);
}

// --- Formatted rendering ---

TEST_F(TextFormatTest, FormattedWordsAreLowerCaseUnlessUpCaseOrCapital) {
    EXPECT_EQ(Prose("GOOD DAY"), "good day ");
    EXPECT_EQ(Prose("_UPCASE GOOD DAY"), "GOOD DAY ");
    EXPECT_EQ(Prose("_UPCASE _CAPITAL GOOD DAY"), "Good day ");
    EXPECT_EQ(Prose("_CAPITAL GOOD DAY"), "Good day ");
    EXPECT_EQ(Prose("_UPCASE A _LOWCASE B"), "A b ");
    // CAPITAL ends UPCASE until the next one.
    EXPECT_EQ(Prose("_UPCASE _CAPITAL A B _UPCASE C"), "A b C ");
    EXPECT_EQ(Prose("_CAPITAL _CAPITAL A B"), "A b ");
}

TEST_F(TextFormatTest, FormattedNumbersIgnoreTheCaseAndKeepCapital) {
    EXPECT_EQ(Prose("_CAPITAL 7 WORD"), "7 Word ");
    EXPECT_EQ(Prose("_NOSPACE -3 4"), "-34");
    TTreeRef v = Atom(Atoms.Add("_UPCASE"));
    v = Join(v, Number(std::numeric_limits<int64_t>::min()));
    v = Join(v, Atom(Atoms.Add("X")));
    const TFormattedText result = Formatted(v);
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(result.Text, "-9223372036854775808 X ");
}

TEST_F(TextFormatTest, FormattedSeparatorFollowsWordsNumbersAndMarks) {
    EXPECT_EQ(Prose("_NOSPACE A B"), "ab");
    EXPECT_EQ(Prose("A _COMMA B"), "a , b ");
    EXPECT_EQ(Prose("HELLO _DOT"), "hello . ");
    EXPECT_EQ(Prose("_NOSPACE HELLO _SPACE _DOT"), "hello. ");
    EXPECT_EQ(Prose("_DOT _COMMA _COLON _SEMICOLON _EXCLAMATION _QUESTION _AMPERSAND _LPAR _RPAR "
                    "_LBR _RBR _PERCENT"),
              ". , : ; ! ? & ( ) [ ] % ");
    EXPECT_EQ(Prose("_NOSPACE _LPAR A _RPAR _PERCENT"), "(a)%");
}

TEST_F(TextFormatTest, FormattedQuoteAndApostropheTakeNoSeparator) {
    EXPECT_EQ(Prose("_QUOTE A _QUOTE"), "\"a \"");
    EXPECT_EQ(Prose("_APOSTROPHE A _APOSTROPHE B"), "'a 'b ");
}

TEST_F(TextFormatTest, FormattedExactTakesEffectFromTheNextItemForGood) {
    EXPECT_EQ(Prose("_EXACT _DOT"), "_dot ");
    EXPECT_EQ(Prose("_DOT _EXACT _DOT"), ". _dot ");
    EXPECT_EQ(Prose("_EXACT _UPCASE A _EXACT _NOSPACE B"), "_upcase a _exact _nospace b ");
    // Case flags set before EXACT still apply to the words printed after it.
    EXPECT_EQ(Prose("_UPCASE _EXACT _LOWCASE _CAPITAL"), "_LOWCASE _CAPITAL ");
    EXPECT_EQ(Prose("_NOSPACE _EXACT A B"), "ab");
}

TEST_F(TextFormatTest, FormattedWordsMatchOnlyWithTheirExactText) {
    EXPECT_EQ(Prose("DOT"), "dot ");
    EXPECT_EQ(Prose("_DOTS _ A_DOT"), "_dots _ a_dot ");
    // Atom texts are upper case after preprocessing; a lower-case one is a word.
    TAtomTable atoms = StartAtoms();
    const int32_t cell = Memory.AllocCell(kCellList, atoms.Add("_dot"));
    const TFormattedText result = FormatText(Memory, {cell, cell}, atoms);
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(result.Text, "_dot ");
}

TEST_F(TextFormatTest, FormattedStopsAtAListNodeWithContents) {
    const TFormattedText middle = Formatted("A (B) C");
    EXPECT_FALSE(middle.Complete);
    EXPECT_EQ(middle.Text, "a ");
    const TFormattedText last = Formatted("A (B)");
    EXPECT_TRUE(last.Complete);
    EXPECT_EQ(last.Text, "a ");
    const TFormattedText alone = Formatted("((B))");
    EXPECT_TRUE(alone.Complete);
    EXPECT_EQ(alone.Text, "");
    // The empty list node is the empty word and is followed by the separator;
    // it uses up Capital like any word.
    EXPECT_EQ(Prose("A () C"), "a  c ");
    EXPECT_EQ(Prose("_CAPITAL () C"), " c ");
}

TEST_F(TextFormatTest, FormattedStartsFromAFreshStateAndStopsAtLast) {
    EXPECT_EQ(Prose("_UPCASE _NOSPACE _EXACT _CAPITAL"), "_CAPITAL");
    EXPECT_EQ(Prose("GOOD"), "good ");
    const TTreeRef abc = Parse("A B (C)");
    const int32_t b = Memory.Cell(abc.First).Next;
    const TFormattedText result = Formatted(TTreeRef{b, abc.First});
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(result.Text, "a b ");
    const TFormattedText empty = Formatted(kEmptyTree);
    EXPECT_TRUE(empty.Complete);
    EXPECT_EQ(empty.Text, "");
}

TEST_F(TextFormatTest, FormattedSurvivesDamagedCells) {
    const TFormattedText unknown = Formatted(Join(Atom(5000), Atom(1)));
    EXPECT_TRUE(unknown.Complete);
    EXPECT_EQ(unknown.Text, " true ");

    const TTreeRef ab = Parse("A B");
    Memory.Cell(ab.First).Next = Memory.CellCount();
    const TFormattedText cut = Formatted(ab);
    EXPECT_FALSE(cut.Complete);
    EXPECT_EQ(cut.Text, "a ");

    const TTreeRef cycle = Parse("X Y");
    Memory.Cell(cycle.Last).Next = cycle.First;
    const TFormattedText endless = Formatted(TTreeRef{Memory.Capacity() - 1, cycle.First});
    EXPECT_FALSE(endless.Complete);
    EXPECT_EQ(endless.Text.substr(0, 4), "x y ");
    EXPECT_LE(endless.Text.size(), 2u * static_cast<std::size_t>(Memory.CellCount()));
}

TEST_F(TextFormatTest, FormattedCyrillicFollowsTheCase) {
    EXPECT_EQ(Prose(W("ПРИВЕТ МИР")), W("привет мир "));
    EXPECT_EQ(Prose(W("_CAPITAL ЁЛКА _UPCASE ёж")), W("Ёлка ЁЖ "));
}

// --- Formatting words and letter case ---

TEST(TextFormatWordTest, EachNameHasItsIndex) {
    const char* const names[] = {"SPACE",     "NOSPACE",     "DOT",      "COMMA",     "COLON",
                                 "SEMICOLON", "EXCLAMATION", "QUESTION", "AMPERSAND", "LPAR",
                                 "RPAR",      "LBR",         "RBR",      "PERCENT",   "EXACT",
                                 "UPCASE",    "LOWCASE",     "CAPITAL",  "QUOTE",     "APOSTROPHE"};
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(FormatWordIndex(std::string("_") + names[i]), i) << names[i];
        EXPECT_EQ(FormatWordIndex(names[i]), -1) << names[i];
    }
    EXPECT_EQ(FormatWordIndex(""), -1);
    EXPECT_EQ(FormatWordIndex("_"), -1);
    EXPECT_EQ(FormatWordIndex("_dot"), -1);
    EXPECT_EQ(FormatWordIndex("_Dot"), -1);
    EXPECT_EQ(FormatWordIndex("_DOT "), -1);
    EXPECT_EQ(FormatWordIndex("__DOT"), -1);
    EXPECT_EQ(FormatWordIndex(std::string_view("_DOT\0", 5)), -1);
}

TEST(TextFormatCaseTest, CapitalActsOnOneWordAndEndsUpCase) {
    TCaseState state;
    EXPECT_EQ(ApplyCase("HELLO", state), "hello");
    state.UpCase = true;
    EXPECT_EQ(ApplyCase("hello", state), "HELLO");
    EXPECT_TRUE(state.UpCase);
    state.Capital = true;
    EXPECT_EQ(ApplyCase("hELLO", state), "Hello");
    EXPECT_FALSE(state.Capital);
    EXPECT_FALSE(state.UpCase);
    EXPECT_EQ(ApplyCase("WORLD", state), "world");

    // Even an empty word uses up Capital.
    state = {true, true};
    EXPECT_EQ(ApplyCase("", state), "");
    EXPECT_FALSE(state.Capital);
    EXPECT_FALSE(state.UpCase);
    EXPECT_EQ(ApplyCase("_1-A", state), "_1-a");
}

TEST(TextFormatCaseTest, CyrillicLettersChangeCaseInWindows1251) {
    TCaseState state;
    EXPECT_EQ(ApplyCase(W("ЁЖИК АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"), state),
              W("ёжик абвгдежзийклмнопрстуфхцчшщъыьэюя"));
    state.UpCase = true;
    EXPECT_EQ(ApplyCase(W("ёжик абвгдежзийклмнопрстуфхцчшщъыьэюя"), state),
              W("ЁЖИК АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
    state.Capital = true;
    EXPECT_EQ(ApplyCase(W("ёЖИК"), state), W("Ёжик"));
    state.Capital = true;
    EXPECT_EQ(ApplyCase(W("яБЛОКО"), state), W("Яблоко"));
}

} // namespace
} // namespace zk
