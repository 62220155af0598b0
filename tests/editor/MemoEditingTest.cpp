// Editing through the model: typing with padding, Enter, Delete, Backspace,
// tabs and block indentation, undo grouping and the counter, the text and its
// events.
#include "MemoModelTest.h"

namespace zk::editor::test {
namespace {

using Typing = MemoModelTest;

TEST_F(Typing, ThePaddingUpToTheCaretGoesBackWithTheCharacter) {
    Load("ab\r\n");
    At(10, 0);
    Model.TypeText("xy");
    EXPECT_EQ(Shown(), "ab        xy");
    EXPECT_EQ(Caret(), (TTextPoint{12, 0}));
    Model.Undo();
    EXPECT_EQ(Shown(), "ab");
    EXPECT_FALSE(Model.Modified());
    EXPECT_EQ(Caret(), (TTextPoint{10, 0}));
    Model.Redo();
    EXPECT_EQ(Shown(), "ab        x");
}

TEST_F(Typing, BelowTheLastLineAppendsLinesThatUndoRemoves) {
    Load("a");
    At(0, 3);
    Model.TypeText("b");
    EXPECT_EQ(Shown(), "a|||b");
    Model.Undo();
    EXPECT_EQ(Shown(), "a");
    Model.Redo();
    EXPECT_EQ(Shown(), "a|||b");
    At(2, 5);
    Model.TypeText("c");
    EXPECT_EQ(Shown(), "a|||b||  c");
    Model.Undo();
    EXPECT_EQ(Shown(), "a|||b") << "lines, padding and character in one step";
}

TEST_F(Typing, OverwriteReplacesAndUndoBringsTheCharacterBack) {
    Load("abc");
    Model.ToggleInsertMode();
    At(1, 0);
    Model.TypeText("XYZ");
    EXPECT_EQ(Shown(), "aXYZ");
    Model.Undo();
    EXPECT_EQ(Shown(), "abc");
    EXPECT_EQ(Events, "OMm");
}

TEST_F(Typing, ControlCharactersReadOnlyAndSelections) {
    Load("abc");
    Model.TypeText("\r\n\x01");
    EXPECT_EQ(Shown(), "abc");
    EXPECT_EQ(Changes, 0);
    Model.SetSelection({0, 0}, {2, 0});
    Model.TypeText("Z");
    EXPECT_EQ(Shown(), "Zc") << "typing replaces the selection";
    Model.SetReadOnly(true);
    Model.TypeText("Q");
    Model.Enter();
    Model.DeleteChar();
    Model.PasteText("P");
    EXPECT_EQ(Shown(), "Zc");
}

TEST_F(Typing, OneUndoTakesBackARunRedoBringsItBackOneByOne) {
    Load("");
    Model.TypeText("abc");
    EXPECT_EQ(Changes, 1) << "one call, one change";
    Model.Undo();
    EXPECT_EQ(Shown(), "");
    EXPECT_FALSE(Model.Modified());
    Model.Redo();
    EXPECT_EQ(Shown(), "a");
    Model.Redo();
    Model.Redo();
    EXPECT_EQ(Shown(), "abc");
    EXPECT_EQ(Caret(), (TTextPoint{3, 0}));
    EXPECT_TRUE(Model.Modified());
}

TEST_F(Typing, ACaretMoveSeparatesRunsButIsNoStepOfItsOwn) {
    Load("");
    Model.TypeText("abc");
    Model.LineStart(false);
    Model.TypeText("de");
    EXPECT_EQ(Shown(), "deabc");
    Model.Undo();
    EXPECT_EQ(Shown(), "abc");
    EXPECT_EQ(Caret(), (TTextPoint{3, 0})) << "where the first run ended";
    EXPECT_TRUE(Model.CanUndo());
    Model.Undo();
    EXPECT_EQ(Shown(), "");
    EXPECT_FALSE(Model.Modified());
    Model.Redo();
    Model.Redo();
    Model.Redo();
    Model.Redo();
    EXPECT_EQ(Shown(), "dabc") << "the move comes back with the edit after it";
    EXPECT_EQ(Caret(), (TTextPoint{1, 0}));
}

TEST_F(Typing, GroupUndoStopsWhereTheTextWasSaved) {
    Load("");
    Model.TypeText("ab");
    Model.SetModified(false);
    Model.TypeText("cd");
    Model.Undo();
    EXPECT_EQ(Shown(), "ab");
    EXPECT_FALSE(Model.Modified());
    Model.Undo();
    EXPECT_EQ(Shown(), "");
    EXPECT_TRUE(Model.Modified()) << "undone past the saved text";
    EXPECT_EQ(Events, "MmMmM");
}

using EnterKey = MemoModelTest;

TEST_F(EnterKey, AutoIndentTakesTheLeadingSpacesUpToTheCaret) {
    Load("    abcdef");
    At(6, 0);
    Model.Enter();
    EXPECT_EQ(Shown(), "    ab|    cdef");
    EXPECT_EQ(Caret(), (TTextPoint{4, 1}));
    At(2, 1);
    Model.Enter();
    EXPECT_EQ(Shown(), "    ab|  |    cdef");
    Model.Undo();
    EXPECT_EQ(Shown(), "    ab|    cdef");
}

TEST_F(EnterKey, PastTheEndSplitsNothingAndPadsNothing) {
    Load("ab\r\ncd");
    At(9, 0);
    Model.Enter();
    EXPECT_EQ(Shown(), "ab||cd");
    At(0, 5);
    Model.Enter();
    EXPECT_EQ(Shown(), "ab||cd||||");
    Model.Undo();
    EXPECT_EQ(Shown(), "ab||cd");
}

TEST_F(EnterKey, WithoutAutoIndentAndInOverwriteMode) {
    Load("  a\r\n   b");
    Model.SetOptions(Model.Options() & ~moAutoIndent);
    At(3, 0);
    Model.Enter();
    EXPECT_EQ(Shown(), "  a||   b");
    Model.SetInsertMode(false);
    At(1, 1);
    Model.Enter();
    EXPECT_EQ(Caret(), (TTextPoint{3, 2})) << "to the next line's indentation";
    Model.Enter();
    EXPECT_EQ(Shown(), "  a||   b|") << "a line break on the last line";
    EXPECT_EQ(Caret(), (TTextPoint{0, 3}));
}

using DeleteKeys = MemoModelTest;

TEST_F(DeleteKeys, DeleteJoinsAtTheEndAndPadsPastIt) {
    Load("ab\r\ncd\r\nef");
    At(1, 0);
    Model.DeleteChar();
    Model.DeleteChar();
    EXPECT_EQ(Shown(), "acd|ef");
    At(5, 0);
    Model.DeleteChar();
    EXPECT_EQ(Shown(), "acd  ef");
    Model.Undo();
    EXPECT_EQ(Shown(), "acd|ef");
    Model.Undo();
    EXPECT_EQ(Shown(), "ab|cd|ef");
    At(5, 2);
    Model.DeleteChar();
    EXPECT_EQ(Shown(), "ab|cd|ef") << "nothing follows the last line";
}

TEST_F(DeleteKeys, BackspaceJoinsDeletesAndMoves) {
    Load("ab\r\ncd");
    At(0, 1);
    Model.Backspace();
    EXPECT_EQ(Shown(), "abcd");
    EXPECT_EQ(Caret(), (TTextPoint{2, 0}));
    Model.Backspace();
    EXPECT_EQ(Shown(), "acd");
    At(6, 0);
    Model.Backspace();
    EXPECT_EQ(Caret(), (TTextPoint{5, 0})) << "past the end the caret only moves";
    EXPECT_EQ(Shown(), "acd");
    At(0, 0);
    Model.Backspace();
    EXPECT_EQ(Shown(), "acd");
    Model.Undo();
    EXPECT_EQ(Shown(), "ab|cd");
}

TEST_F(DeleteKeys, BackspaceOnAnEmptyLineUnindents) {
    Load("a\r\n    b\r\n        c\r\n\r\n");
    At(9, 3);
    Model.Backspace();
    EXPECT_EQ(Caret(), (TTextPoint{8, 3})) << "to the nearest indentation below the caret";
    Model.Backspace();
    EXPECT_EQ(Caret(), (TTextPoint{4, 3}));
    Model.Backspace();
    EXPECT_EQ(Caret(), (TTextPoint{0, 3}));
    Model.SetOptions(Model.Options() & ~moBackUnindent);
    At(9, 3);
    Model.Backspace();
    EXPECT_EQ(Caret(), (TTextPoint{8, 3}));
    EXPECT_FALSE(Model.Modified());
}

TEST_F(DeleteKeys, SelectionsGoAsOneBlock) {
    Load("abc\r\ndef\r\nghi");
    Model.SetSelection({1, 0}, {2, 2});
    EXPECT_EQ(Model.SelectedText(), "bc\r\ndef\r\ngh");
    Model.DeleteChar();
    EXPECT_EQ(Shown(), "ai");
    Model.Undo();
    EXPECT_EQ(Shown(), "abc|def|ghi");
    EXPECT_EQ(Model.Selection().Start, (TTextPoint{1, 0})) << "undo restores the selection";
    Model.SetOptions(Model.Options() | moPersistentBlocks);
    Model.DeleteChar();
    EXPECT_EQ(Shown(), "abc|def|gh") << "a persistent selection stays; the character goes";
}

TEST_F(DeleteKeys, ColumnBlocksCopyDeleteAndUndo) {
    Load("abcd\r\nef\r\nghij");
    Model.SetSelection({1, 0}, {3, 2}, btColumn);
    EXPECT_EQ(Model.SelectedText(), "bc\r\nf\r\nhi");
    EXPECT_EQ(Model.SelectedColumns(1), (TColumnSpan{1, 3}));
    Model.DeleteSelection();
    EXPECT_EQ(Shown(), "ad|e|gj");
    Model.Undo();
    EXPECT_EQ(Shown(), "abcd|ef|ghij");
    Model.Redo();
    EXPECT_EQ(Shown(), "ad|e|gj");
}

using Tabs = MemoModelTest;

TEST_F(Tabs, SmartTabGoesToTheNextWordStartAbove) {
    Load("(DEFOP (F X)\r\n        (G Y))\r\n");
    At(0, 0);
    Model.Tab();
    EXPECT_EQ(Shown(), "(DEFOP (F X)|        (G Y))") << "no line above: nothing";
    EXPECT_EQ(Caret(), (TTextPoint{0, 0}));
    At(0, 2);
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{8, 2})) << "the nearest line above wins";
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{11, 2}));
    EXPECT_EQ(Shown(), "(DEFOP (F X)|        (G Y))|           ");
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{11, 2})) << "no word start further right";
    Model.Undo();
    EXPECT_EQ(Shown(), "(DEFOP (F X)|        (G Y))");
}

TEST_F(Tabs, PlainTabAndBackTabOnlyMoveTheCaret) {
    Load("abc");
    Model.SetOptions(Model.Options() & ~moSmartTab);
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{8, 0}));
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{16, 0}));
    Model.BackTab();
    EXPECT_EQ(Caret(), (TTextPoint{8, 0}));
    At(12, 0);
    Model.BackTab();
    EXPECT_EQ(Caret(), (TTextPoint{0, 0}));
    EXPECT_EQ(Shown(), "abc");
    Model.SetOptions(Model.Options() | moSmartTab);
    Model.SetInsertMode(false);
    Model.Tab();
    EXPECT_EQ(Caret(), (TTextPoint{8, 0})) << "overwrite mode moves too";
}

using TextAndEvents = MemoModelTest;

TEST_F(TextAndEvents, SettingTheTextClearsUndoAndFiresNoChange) {
    Model.SetText("a\r\nb");
    Model.TypeText("x");
    Model.SetText("new");
    EXPECT_EQ(Model.Text(), "new\r\n");
    EXPECT_FALSE(Model.CanUndo());
    EXPECT_FALSE(Model.Modified());
    EXPECT_EQ(Changes, 1) << "only the typing";
    EXPECT_EQ(Events, "Mm");
    Model.Clear();
    EXPECT_EQ(Model.Lines().Count(), 0);
    EXPECT_EQ(Changes, 1);
}

TEST_F(TextAndEvents, ColAndRowClampAndReport) {
    Load("abc\r\ndef");
    std::vector<TTextPoint> reported;
    Model.OnColRowChanged = [&](int32_t col, int32_t row) { reported.push_back({col, row}); };
    Model.SetCol(-5);
    Model.SetRow(-1);
    EXPECT_EQ(reported.size(), 0u) << "the caret did not move";
    Model.SetCol(20);
    Model.SetRow(5);
    EXPECT_EQ(reported, (std::vector<TTextPoint>{{20, 0}, {20, 5}}));
    Model.SetRow(1000);
    EXPECT_EQ(Model.Row(), Model.VScroll().LargestPos()) << "below the text by one view at most";
    Model.SetOptions(Model.Options() & ~moBeyondEof);
    Model.SetRow(1000);
    EXPECT_EQ(Model.Row(), 1);
}

TEST_F(TextAndEvents, EditsStraightToTheLinesCannotBeUndone) {
    Load("a");
    Model.TypeText("x");
    Model.Lines().Add("b");
    EXPECT_EQ(Changes, 2);
    EXPECT_FALSE(Model.CanUndo());
    EXPECT_TRUE(Model.Modified());
    Model.SetModified(false);
    EXPECT_EQ(Events, "Mm");
}

TEST_F(TextAndEvents, UndoAndRedoTellWhenTheyBecomeAvailable) {
    std::string told;
    Model.OnUndoAvailableChanged = [&](bool available) { told += available ? "U" : "u"; };
    Model.OnRedoAvailableChanged = [&](bool available) { told += available ? "R" : "r"; };
    Model.TypeText("ab");
    Model.Undo();
    Model.Redo();
    Model.Redo();
    EXPECT_EQ(told, "UuRUr");
    Model.SetReadOnly(true);
    Model.SetReadOnly(false);
    Model.SetText("");
    EXPECT_EQ(told, "UuRUruUu");
}

TEST_F(TextAndEvents, OffsetsCountTheLineBreaks) {
    Load("ab\r\ncde\r\n");
    EXPECT_EQ(Model.OffsetOf({1, 1}), 5);
    EXPECT_EQ(Model.OffsetOf({9, 0}), 2) << "past the end: at the end";
    EXPECT_EQ(Model.OffsetOf({0, 7}), 9);
    EXPECT_EQ(Model.PointAt(5), (TTextPoint{1, 1}));
    EXPECT_EQ(Model.PointAt(3), (TTextPoint{0, 1})) << "inside a CR LF: the next line";
    EXPECT_EQ(Model.PointAt(9), (TTextPoint{0, 2}));
}

TEST_F(TextAndEvents, LoadingAFileIsSettingTheText) {
    const std::string path = ::testing::TempDir() + "editor-load.zk";
    Model.SetText("one\ntwo");
    Model.SaveToFile(path);
    Model.TypeText("x");
    Model.LoadFromFile(path);
    EXPECT_EQ(Shown(), "one|two");
    EXPECT_FALSE(Model.Modified());
    EXPECT_EQ(Changes, 1);
}

} // namespace
} // namespace zk::editor::test
