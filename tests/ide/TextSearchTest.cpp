// Find from the caret downward and the number of the line jump.
#include "ide/TextSearch.h"

#include "FakeEditor.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk::ide {
namespace {

using zk::test::W;

TEST(FindDownTest, SkipsTheMatchAtTheCaretAndNeverWraps) {
    test::TFakeEditor editor;
    editor.Lines = {"(AB AB)", "x", "AB"};
    editor.SetCaret(1, 0); // on the first letter of the first "AB"
    EXPECT_EQ(FindDown(editor, "AB", true), (TTextPos{4, 0}));
    editor.SetCaret(4, 0);
    EXPECT_EQ(FindDown(editor, "AB", true), (TTextPos{0, 2}));
    editor.SetCaret(0, 2);
    EXPECT_EQ(FindDown(editor, "AB", true), std::nullopt);
    editor.SetCaret(40, 0); // beyond the end of the caret row
    EXPECT_EQ(FindDown(editor, "AB", true), (TTextPos{0, 2}));
    EXPECT_EQ(FindDown(editor, "", true), std::nullopt);
}

TEST(FindDownTest, WithoutMatchCaseUpperCaseFindsLowerCaseCyrillicToo) {
    test::TFakeEditor editor;
    editor.Lines = {"", W("(первый ёж Ab)")};
    EXPECT_EQ(FindDown(editor, W("ЁЖ"), false), (TTextPos{8, 1}));
    EXPECT_EQ(FindDown(editor, W("ЁЖ"), true), std::nullopt);
    EXPECT_EQ(FindDown(editor, "aB", false), (TTextPos{11, 1}));
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
