// Tabs: the indentation of a selected block as one undo step, typed and
// pasted tabs turned into spaces, and a loaded tab's cells under the caret.
#include "editor/MemoKeys.h"

#include "MemoModelTest.h"

namespace zk::editor::test {
namespace {

using BlockIndent = MemoModelTest;

TEST_F(BlockIndent, TabIndentsEveryLineOfTheBlockAsOneStep) {
    Load("(A\r\n\r\n  (B)\r\nC)");
    // The end at column 0 of row 3 leaves that row out.
    Model.SetSelection({1, 0}, {0, 3});
    Model.Tab();
    EXPECT_EQ(Shown(), "        (A||          (B)|C)") << "the empty line stays empty";
    EXPECT_EQ(Model.Selection().Start, (TTextPoint{9, 0}));
    EXPECT_EQ(Model.Selection().End, (TTextPoint{0, 3}));
    EXPECT_EQ(Caret(), (TTextPoint{0, 3}));
    Model.Tab();
    EXPECT_EQ(Shown(), "                (A||                  (B)|C)");
    Model.Undo();
    EXPECT_EQ(Shown(), "        (A||          (B)|C)") << "each Tab is a step of its own";
    Model.Undo();
    EXPECT_EQ(Shown(), "(A||  (B)|C)");
    EXPECT_EQ(Model.Selection().Start, (TTextPoint{1, 0}));
    EXPECT_FALSE(Model.Modified());
    Model.Redo();
    EXPECT_EQ(Shown(), "        (A||          (B)|C)");
}

TEST_F(BlockIndent, BackTabGoesToTheTabStopBeforeEachIndentation) {
    Load("          a\r\n   b\r\nc\r\n        d");
    Model.SetSelection({0, 0}, {9, 3});
    Model.BackTab();
    EXPECT_EQ(Shown(), "        a|b|c|d");
    EXPECT_EQ(Caret(), (TTextPoint{1, 3}));
    EXPECT_EQ(Model.SelectedText(), "        a\r\nb\r\nc\r\nd");
    Model.Undo();
    EXPECT_EQ(Shown(), "          a|   b|c|        d");
    EXPECT_FALSE(Model.Modified());

    Load("a\r\nb");
    Model.SetSelection({0, 0}, {1, 1});
    Model.BackTab();
    EXPECT_FALSE(Model.CanUndo()) << "nothing to unindent, nothing recorded";
}

TEST_F(BlockIndent, AOneLineSelectionKeepsTheSmartTab) {
    Load("ab  c\r\nxyz");
    Model.SetSelection({0, 1}, {2, 1});
    Model.Tab();
    EXPECT_EQ(Shown(), "ab  c|xy  z");
    Model.SetReadOnly(true);
    Model.SetSelection({0, 0}, {0, 1});
    Model.Tab();
    EXPECT_EQ(Shown(), "ab  c|xy  z") << "read-only: the caret moves only";
}

using TabChars = MemoModelTest;

TEST_F(TabChars, TypedAndPastedTabsBecomeSpacesToTheNextStop) {
    Load("ab");
    At(2, 0);
    Model.TypeText("\tc");
    EXPECT_EQ(Shown(), "ab      c");
    Model.Undo();
    EXPECT_EQ(Shown(), "ab") << "spaces and letter are one run";
    At(3, 0);
    Clipboard.Contents = "x\ty\r\n\tz";
    Model.PasteFromClipboard();
    EXPECT_EQ(Shown(), "ab x    y|        z");
    Model.PasteText("\t");
    EXPECT_EQ(Shown(), "ab x    y|        z\t") << "a replacement keeps its tabs";
}

TEST_F(TabChars, ALoadedTabStaysAndTakesTheCellsToTheNextStop) {
    Load("\tX\r\nabcdefghij");
    EXPECT_EQ(Model.CellOf({1, 0}), 8);
    EXPECT_EQ(Model.ColumnAt(0, 3), 0);
    EXPECT_EQ(Model.ColumnAt(0, 4), 1) << "nearer the end of the tab";
    EXPECT_EQ(Model.CellOf({4, 0}), 11) << "past the end one cell a column";
    At(1, 0);
    Model.MoveDown(false);
    EXPECT_EQ(Caret(), (TTextPoint{8, 1})) << "up and down keep the cell";
    Model.MoveUp(false);
    EXPECT_EQ(Caret(), (TTextPoint{1, 0}));
    Model.MouseDown({9, 0}, false);
    Model.MouseUp({9, 0});
    EXPECT_EQ(Caret(), (TTextPoint{2, 0}));
    Model.SetOptions(Model.Options() & ~moSmartTab);
    At(0, 0);
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{1, 0})) << "the next tab stop is the tab's end";
    EXPECT_EQ(Model.Text(), "\tX\r\nabcdefghij\r\n");
}

} // namespace
} // namespace zk::editor::test
