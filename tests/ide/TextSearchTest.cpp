// Find and replace in both directions, and the number of the line jump.
#include "ide/TextSearch.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk::ide {
namespace {

using zk::test::W;

// Plain lines with a caret and a selection; each Replace is one edit.
class TSearchLines final : public TSearchEditor {
public:
    explicit TSearchLines(std::vector<std::string> lines) : Lines(std::move(lines)) {}

    std::vector<std::string> Lines;
    TTextPos Caret;
    std::optional<TTextRange> Selected;
    int Edits = 0;
    TTextRange Replaced; // by the last edit

    std::string Text() const override {
        std::string text;
        for (std::size_t i = 0; i < Lines.size(); ++i)
            text += (i ? "\r\n" : "") + Lines[i];
        return text;
    }
    void SetText(std::string_view text) override {
        Lines.assign(1, std::string());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.substr(i, 2) == "\r\n") {
                Lines.emplace_back();
                ++i;
            } else {
                Lines.back() += text[i];
            }
        }
    }
    int32_t Col() const override { return Caret.Col; }
    int32_t Row() const override { return Caret.Row; }
    void SetCaret(int32_t col, int32_t row) override {
        Caret = {col, row};
        Selected.reset();
    }
    int32_t LineCount() const override { return static_cast<int32_t>(Lines.size()); }
    std::string Line(int32_t row) const override { return Lines.at(row); }
    bool Modified() const override { return Edits > 0; }
    void SetModified(bool) override {}

    std::optional<TTextRange> Selection() const override { return Selected; }
    void Select(const TTextRange& range) override {
        Selected = range;
        Caret = range.To;
    }
    void Replace(const TTextRange& range, std::string_view text) override {
        ++Edits;
        Replaced = range;
        std::string all = Text();
        const std::size_t from = Offset(range.From);
        all.replace(from, Offset(range.To) - from, text);
        SetText(all);
        const std::size_t lastBreak = text.rfind('\n');
        const auto added = static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
        Caret = {added ? static_cast<int32_t>(text.size() - lastBreak - 1)
                       : range.From.Col + static_cast<int32_t>(text.size()),
                 range.From.Row + added};
        Selected.reset();
    }

private:
    std::size_t Offset(TTextPos pos) const {
        std::size_t offset = 0;
        for (int32_t row = 0; row < pos.Row; ++row)
            offset += Lines[row].size() + 2;
        return offset + static_cast<std::size_t>(pos.Col);
    }
};

TTextRange At(int32_t col, int32_t row, int32_t length) {
    return {{col, row}, {col + length, row}};
}

TEST(FindNextTest, SelectsEachMatchForwardAndBackAndWrapsAtEitherEnd) {
    TSearchLines editor({"(AB AB)", "x", "AB"});
    const TSearchQuery query{"AB", true, false};
    editor.Caret = {1, 0}; // on the first letter of the first "AB": it is skipped
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Forward), TSearchOutcome::Found);
    EXPECT_EQ(editor.Selected, At(4, 0, 2));
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Forward), TSearchOutcome::Found);
    EXPECT_EQ(editor.Selected, At(0, 2, 2));
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Forward), TSearchOutcome::Wrapped);
    EXPECT_EQ(editor.Selected, At(1, 0, 2));
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Backward), TSearchOutcome::Wrapped);
    EXPECT_EQ(editor.Selected, At(0, 2, 2));
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Backward), TSearchOutcome::Found);
    EXPECT_EQ(editor.Selected, At(4, 0, 2));

    EXPECT_EQ(FindNext(editor, {"ab", true, false}, TSearchDirection::Forward),
              TSearchOutcome::NotFound);
    EXPECT_EQ(editor.Selected, At(4, 0, 2)); // left as it was
}

TEST(FindNextTest, WholeWordsSkipMatchesInsideAtomsCyrillicAndDigitsIncluded) {
    TSearchLines editor({W("(F (X XY) ЖX X_ 1X (+ X 1))")});
    const TSearchQuery query{"x", false, true};
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Forward), TSearchOutcome::Found);
    EXPECT_EQ(editor.Selected, At(4, 0, 1));
    EXPECT_EQ(FindNext(editor, query, TSearchDirection::Forward), TSearchOutcome::Found);
    EXPECT_EQ(editor.Selected, At(22, 0, 1));
    EXPECT_EQ(FindFrom(editor, {W("жx"), false, true}, {}, TSearchDirection::Forward),
              At(10, 0, 2));
}

TEST(ReplaceTest, ReplaceTakesOnlyASelectedMatchThenSelectsTheNextOne) {
    TSearchLines editor({"aaa b", "A"});
    const TSearchQuery query{"a", false, false};
    editor.Select(At(4, 0, 1)); // "b" is no match: only the next "a" is selected
    EXPECT_EQ(ReplaceNext(editor, query, "bb").Replaced, false);
    EXPECT_EQ(editor.Selected, At(0, 1, 1));
    editor.Select(At(0, 0, 1));
    const TReplaceOutcome outcome = ReplaceNext(editor, query, "bb");
    EXPECT_TRUE(outcome.Replaced);
    EXPECT_EQ(outcome.Next, TSearchOutcome::Found);
    EXPECT_EQ(editor.Lines[0], "bbaa b");
    EXPECT_EQ(editor.Selected, At(2, 0, 1)); // right after the new text
}

TEST(ReplaceTest, ReplaceAllIsOneEditWithoutOverlapsAndKeepsTheCaret) {
    TSearchLines editor({"aaaa", W("ёЁ a"), ""});
    editor.Caret = {2, 1};
    EXPECT_EQ(ReplaceAll(editor, {"aa", false, false}, "a"), 2);
    EXPECT_EQ(editor.Edits, 1);
    EXPECT_EQ(editor.Replaced, At(0, 0, 4)); // from the first match to the last
    EXPECT_EQ(editor.Text(), W("aa\r\nёЁ a\r\n"));
    EXPECT_EQ(editor.Caret, (TTextPos{2, 1}));
    editor.Lines = {"a\tb", W("Ё\tЁ"), "\tx"}; // a tab between matches stays
    EXPECT_EQ(ReplaceAll(editor, {W("Ё"), false, false}, W("ёЁ")), 2); // no endless growth
    EXPECT_EQ(editor.Replaced, (TTextRange{{0, 1}, {3, 1}}));
    EXPECT_EQ(editor.Text(), W("a\tb\r\nёЁ\tёЁ\r\n\tx"));
    EXPECT_EQ(ReplaceAll(editor, {"zz", false, false}, ""), 0);
    EXPECT_EQ(editor.Edits, 2);
}

TEST(FindNextTest, WithoutMatchCaseUpperCaseFindsLowerCaseCyrillicToo) {
    TSearchLines editor({"", W("(первый ёж Ab)")});
    const auto find = [&](std::string text, bool matchCase) {
        return FindFrom(editor, {std::move(text), matchCase, false}, {}, TSearchDirection::Forward);
    };
    EXPECT_EQ(find(W("ЁЖ"), false), At(8, 1, 2));
    EXPECT_EQ(find(W("ЁЖ"), true), std::nullopt);
    EXPECT_EQ(find("aB", false), At(11, 1, 2));
}

TEST(ParseLineNumberTest, LettersAndEmptyTextAreNoNumberAndNegativeIsRowZero) {
    EXPECT_EQ(ParseLineNumber("12"), 12);
    EXPECT_EQ(ParseLineNumber(" 7 "), 7);
    EXPECT_EQ(ParseLineNumber("-5"), 0);
    EXPECT_EQ(ParseLineNumber("abc"), std::nullopt);
    EXPECT_EQ(ParseLineNumber("12a"), std::nullopt);
    EXPECT_EQ(ParseLineNumber(""), std::nullopt);
    EXPECT_EQ(ParseLineNumber("+-3"), std::nullopt);
    EXPECT_EQ(ParseLineNumber("99999999999"), std::nullopt);
}

} // namespace
} // namespace zk::ide
