// The key table as model commands, word movement, pages, the scroll records,
// bookmarks and the mouse.
#include "editor/MemoKeys.h"

#include "MemoModelTest.h"
#include "TestFiles.h"

namespace zk::editor::test {
namespace {

using zk::test::W;

// Numbered lines "line 0", "line 1" and so on.
std::string NumberedLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

class KeyTable : public MemoModelTest {
protected:
    bool Press(TKey key, uint8_t shift = ssNone) { return HandleKey(Model, key, shift); }
};

TEST_F(KeyTable, ArrowsMoveAndShiftSelects) {
    Load("abc def\r\nxy");
    Press(TKey::Right, ssShift);
    Press(TKey::Right, ssShift);
    EXPECT_EQ(Model.SelectedText(), "ab");
    Press(TKey::Down, ssShift);
    EXPECT_EQ(Model.SelectedText(), "abc def\r\nxy");
    Press(TKey::Left);
    EXPECT_TRUE(Model.Selection().Empty);
    EXPECT_EQ(Caret(), (TTextPoint{1, 1}));
    Press(TKey::Right);
    Press(TKey::Right);
    Press(TKey::Right);
    EXPECT_EQ(Caret(), (TTextPoint{4, 1})) << "beyond the end of the line";
    Press(TKey::Up, ssShift);
    EXPECT_EQ(Model.SelectedText(), "def\r\nxy") << "from the old to the new caret";
    Press(TKey::Left, ssShift);
    EXPECT_EQ(Model.SelectedText(), " def\r\nxy");
}

TEST_F(KeyTable, HomeEndAndTheirControlForms) {
    Load("  abc\r\nde\r\nfghij");
    At(3, 1);
    Press(TKey::End);
    EXPECT_EQ(Caret(), (TTextPoint{2, 1}));
    Press(TKey::Home);
    EXPECT_EQ(Caret(), (TTextPoint{0, 1}));
    Press(TKey::End, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{5, 2}));
    Press(TKey::Home, ssCtrl | ssShift);
    EXPECT_EQ(Caret(), (TTextPoint{0, 0}));
    EXPECT_EQ(Model.SelectedText(), "  abc\r\nde\r\nfghij");
}

TEST_F(KeyTable, ControlArrowsMoveByWords) {
    Load("(DEFOP (F X)  A+B\r\nnext");
    const std::vector<int32_t> stops = {7, 10, 14, 16, 17};
    for (int32_t stop : stops) {
        Press(TKey::Right, ssCtrl);
        EXPECT_EQ(Model.Col(), stop);
    }
    Press(TKey::Right, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{0, 1})) << "at the end of a line, to the next one";
    Press(TKey::Left, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{17, 0}))
        << "at the start of a line, to the end of the one above";
    for (int32_t stop : {16, 14, 10, 7, 0}) {
        Press(TKey::Left, ssCtrl);
        EXPECT_EQ(Model.Col(), stop);
    }
    At(30, 0);
    Press(TKey::Left, ssCtrl);
    EXPECT_EQ(Model.Col(), 16) << "past the end the word left of the line's end";
}

TEST_F(KeyTable, PagesMoveByTheVisibleRowsLessOne) {
    Load(NumberedLines(40));
    Press(TKey::PageDown);
    EXPECT_EQ(Model.TopRow(), 9);
    EXPECT_EQ(Caret(), (TTextPoint{0, 9}));
    Press(TKey::PageDown, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{0, 18})) << "the bottom visible row";
    Press(TKey::PageUp, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{0, 9}));
    Press(TKey::PageUp, ssShift);
    EXPECT_EQ(Model.TopRow(), 0);
    EXPECT_EQ(Caret(), (TTextPoint{0, 0}));
    EXPECT_EQ(Model.SelectedText(), NumberedLines(9));
}

TEST_F(KeyTable, ControlUpAndDownScrollTheViewOnly) {
    Load(NumberedLines(40));
    At(0, 5);
    Press(TKey::Down, ssCtrl);
    Press(TKey::Down, ssCtrl);
    EXPECT_EQ(Model.TopRow(), 2);
    EXPECT_EQ(Caret(), (TTextPoint{0, 5}));
    Press(TKey::Up, ssCtrl);
    EXPECT_EQ(Model.TopRow(), 1);
}

TEST_F(KeyTable, InsertToggleAndClipboardKeys) {
    Load("abc");
    Press(TKey::Insert);
    Press(TKey::Insert);
    EXPECT_EQ(Events, "OI");
    Model.SetSelection({0, 0}, {2, 0});
    Press(TKey::Insert, ssCtrl);
    EXPECT_EQ(Clipboard.Contents, "ab");
    Press(TKey::Delete, ssShift);
    EXPECT_EQ(Shown(), "c");
    Press(TKey::End);
    Press(TKey::Insert, ssShift);
    Press(TKey::V, ssCtrl);
    EXPECT_EQ(Shown(), "cabab");
    Model.SetSelection({0, 0}, {1, 0});
    Press(TKey::X, ssCtrl);
    EXPECT_EQ(Clipboard.Contents, "c");
    Clipboard.Contents = "1\r\n2";
    Press(TKey::V, ssCtrl);
    EXPECT_EQ(Shown(), "1|2abab");
    EXPECT_EQ(Caret(), (TTextPoint{1, 1}));
}

TEST_F(KeyTable, ZoomKeysStepTheFontWithinItsRangeAndControlZeroResets) {
    std::vector<int32_t> sizes;
    Model.Zoom().OnChanged = [&](int32_t points) { sizes.push_back(points); };
    constexpr int32_t kMax = kMaxFontPoints;
    Model.Zoom().SetBase(kMax - 1);
    Press(TKey::Plus, ssCtrl);
    Press(TKey::Plus, ssCtrl | ssShift);
    Press(TKey::Minus, ssCtrl);
    Press(TKey::Minus, ssCtrl);
    Press(TKey::Digit0, ssCtrl);
    Model.Zoom().SetPoints(-3);
    EXPECT_EQ(sizes,
              (std::vector<int32_t>{kMax - 1, kMax, kMax - 1, kMax - 2, kMax - 1, kMinFontPoints}));
    Model.Zoom().Step(INT32_MIN);
    EXPECT_EQ(Model.Zoom().Points(), kMinFontPoints);
}

TEST_F(KeyTable, ControlASelectsAllAndControlZeroLeavesBookmarkZero) {
    Load("ab\r\ncd");
    Model.ToggleBookmark(0);
    At(1, 1);
    Press(TKey::Digit0, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{1, 1}));
    Press(TKey::A, ssCtrl);
    EXPECT_EQ(Model.SelectedText(), "ab\r\ncd");
    EXPECT_FALSE(HandlesKey(Model, TKey::A, ssNone)) << "a plain A is typed";
}

TEST_F(KeyTable, UndoAndRedoKeys) {
    Load("");
    Model.TypeText("ab");
    Press(TKey::Z, ssCtrl);
    EXPECT_EQ(Shown(), "");
    Press(TKey::Z, ssCtrl | ssShift);
    EXPECT_EQ(Shown(), "a");
}

TEST_F(KeyTable, WhatTheEditorLeavesToTheWindow) {
    EXPECT_FALSE(HandlesKey(Model, TKey::Delete, ssCtrl)) << "the window's delete command";
    EXPECT_FALSE(HandlesKey(Model, TKey::Left, ssAlt));
    EXPECT_FALSE(HandlesKey(Model, TKey::C, ssNone)) << "letters are typed, not commands";
    EXPECT_FALSE(HandlesKey(Model, TKey::Escape, ssNone));
    EXPECT_TRUE(HandlesKey(Model, TKey::Tab, ssShift));
    EXPECT_TRUE(HandlesKey(Model, TKey::Digit7, ssCtrl | ssShift));
    Model.MouseDown({0, 0}, false);
    EXPECT_TRUE(HandlesKey(Model, TKey::Escape, ssNone)) << "while a mouse selection runs";
    Press(TKey::Escape);
    EXPECT_FALSE(Model.MouseSelecting());
}

using Bookmarks = KeyTable;

TEST_F(Bookmarks, SetTwiceOnOneRowClears) {
    Load(NumberedLines(3));
    At(2, 1);
    Press(TKey::Digit3, ssCtrl | ssShift);
    EXPECT_EQ(Model.BookmarksOnRow(1), 1u << 3);
    At(4, 1);
    Press(TKey::Digit3, ssCtrl | ssShift);
    EXPECT_FALSE(Model.Bookmark(3).Set);
    At(0, 5);
    Press(TKey::Digit4, ssCtrl | ssShift);
    EXPECT_FALSE(Model.Bookmark(4).Set) << "only on a row inside the text";
}

TEST_F(Bookmarks, GoRestoresTheScrollPositionOfAHiddenPlace) {
    Load(NumberedLines(40));
    At(3, 25);
    EXPECT_EQ(Model.TopRow(), 16);
    Press(TKey::Digit1, ssCtrl | ssShift);
    Model.Scroll(TScrollKind::Vertical, TScrollRequest::ThumbPosition, 20);
    Press(TKey::Digit1, ssCtrl);
    EXPECT_EQ(Model.TopRow(), 20) << "a visible place keeps the view";
    Press(TKey::Home, ssCtrl);
    Press(TKey::Digit1, ssCtrl);
    EXPECT_EQ(Model.TopRow(), 16);
    EXPECT_EQ(Caret(), (TTextPoint{3, 25}));
    Press(TKey::Digit2, ssCtrl);
    EXPECT_EQ(Caret(), (TTextPoint{3, 25})) << "an unset bookmark goes nowhere";
}

TEST_F(Bookmarks, FollowTheirLinesThroughEdits) {
    Load(NumberedLines(5));
    At(0, 3);
    Model.ToggleBookmark(0);
    At(0, 1);
    Model.Enter();
    EXPECT_EQ(Model.Bookmark(0).Pos.Row, 4);
    Model.SetSelection({0, 1}, {0, 3});
    Model.DeleteSelection();
    EXPECT_EQ(Model.Bookmark(0).Pos.Row, 2);
}

using ScrollRecords = MemoModelTest;

TEST_F(ScrollRecords, RangesFollowTheLinesAndTheView) {
    Load("one line");
    EXPECT_EQ(Model.VScroll().Range(), 10) << "fewer than 2 lines: the visible rows";
    Load(NumberedLines(40));
    EXPECT_EQ(Model.VScroll().Range(), 48);
    EXPECT_EQ(Model.VScroll().LargestPos(), 48);
    EXPECT_EQ(Model.VScroll().PageSize(), 10);
    EXPECT_EQ(Model.VScroll().BarMaximum(), 39) << "the last line can reach the top";
    EXPECT_EQ(Model.HScroll().Range(), 924);
    EXPECT_EQ(Model.HScroll().PageSize(), 40);
    EXPECT_EQ(Model.HScroll().LargestPos(), INT32_MAX);
    Model.SetVisibleSize(20, 5);
    EXPECT_EQ(Model.VScroll().Range(), 43);
    Model.Scroll(TScrollKind::Vertical, TScrollRequest::Bottom);
    EXPECT_EQ(Model.TopRow(), 43);
    Model.SetSelection({0, 0}, {0, 10});
    Model.DeleteSelection();
    EXPECT_EQ(Model.VScroll().Range(), 33);
    EXPECT_EQ(Model.TopRow(), 0) << "the caret went to the start";
}

TEST_F(ScrollRecords, RequestsMoveTheViewNotTheCaret) {
    Load(NumberedLines(40));
    std::vector<std::pair<int32_t, int32_t>> scrolled;
    Model.OnScrolled = [&](int32_t cols, int32_t rows) { scrolled.push_back({cols, rows}); };
    const auto request = [&](TScrollKind kind, TScrollRequest r, int32_t thumb = 0) {
        Model.Scroll(kind, r, thumb);
        return kind == TScrollKind::Vertical ? Model.TopRow() : Model.LeftCol();
    };
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::LineDown), 1);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::PageDown), 11);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::ThumbTrack, 30), 30);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::ThumbPosition, 99), 48);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::PageUp), 38);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::Top), 0);
    EXPECT_EQ(request(TScrollKind::Vertical, TScrollRequest::LineUp), 0);
    EXPECT_EQ(request(TScrollKind::Horizontal, TScrollRequest::PageDown), 40);
    EXPECT_EQ(request(TScrollKind::Horizontal, TScrollRequest::LineUp), 39);
    EXPECT_EQ(Caret(), (TTextPoint{0, 0}));
    EXPECT_EQ(scrolled.size(), 8u) << "no notice when nothing moved";
    EXPECT_EQ(scrolled[1], (std::pair<int32_t, int32_t>{0, 10}));
}

TEST_F(ScrollRecords, TheViewFollowsTheCaret) {
    Load(NumberedLines(40));
    At(50, 30);
    EXPECT_EQ(Model.TopRow(), 21);
    EXPECT_EQ(Model.LeftCol(), 11);
    At(0, 0);
    EXPECT_EQ(Model.TopRow(), 0);
    EXPECT_EQ(Model.LeftCol(), 0);
}

using Mouse = MemoModelTest;

TEST_F(Mouse, ClickShiftClickAndDrag) {
    Load(NumberedLines(40));
    Model.Scroll(TScrollKind::Vertical, TScrollRequest::ThumbPosition, 5);
    Model.MouseDown({2, 1}, false);
    Model.MouseUp({2, 1});
    EXPECT_EQ(Caret(), (TTextPoint{2, 6}));
    Model.MouseDown({4, 2}, true);
    Model.MouseUp({4, 2});
    EXPECT_EQ(Model.SelectedText(), "ne 6\r\nline");
    Model.MouseDown({0, 3}, false);
    EXPECT_TRUE(Model.Selection().Empty);
    Model.MouseMove({3, 3});
    Model.MouseMove({3, 12}); // below the window: one row of scrolling per call
    Model.MouseMove({3, 12});
    EXPECT_EQ(Model.TopRow(), 7);
    Model.MouseUp({3, 12});
    EXPECT_EQ(Model.Selection().Start, (TTextPoint{0, 8}));
    EXPECT_EQ(Model.Selection().End, (TTextPoint{3, 16}));
    EXPECT_FALSE(Model.MouseSelecting());
}

TEST_F(Mouse, DraggingASelectionMovesIt) {
    Load("abc def ghi");
    Model.SetSelection({4, 0}, {7, 0});
    Model.MouseDown({5, 0}, false);
    Model.MouseMove({10, 0});
    Model.MouseUp({11, 0});
    EXPECT_EQ(Shown(), "abc  ghidef");
    Model.Undo();
    EXPECT_EQ(Shown(), "abc def ghi") << "one undo takes the move back";
}

TEST_F(Mouse, DoubleClickSelectsAWordOrTheLine) {
    Load(W("(FIRST Привет)"));
    Model.DoubleClick({3, 0});
    EXPECT_EQ(Model.SelectedText(), "FIRST");
    EXPECT_EQ(Caret(), (TTextPoint{6, 0}));
    Model.DoubleClick({9, 0});
    EXPECT_EQ(Model.SelectedText(), W("Привет"));
    Model.SetOptions(Model.Options() | moDblClickLine);
    Model.DoubleClick({9, 0});
    EXPECT_EQ(Model.SelectedText(), W("(FIRST Привет)"));
}

TEST_F(Mouse, GutterClickSelectsLines) {
    Load(NumberedLines(5));
    TTextPoint down, up;
    Model.OnGutterClick = [&](TTextPoint d, TTextPoint u) { down = d, up = u; };
    Model.GutterClick({-1, 3}, {-1, 1});
    EXPECT_EQ(Model.SelectedText(), "line 1\r\nline 2\r\nline 3\r\n");
    EXPECT_EQ(down.Row, 3);
    EXPECT_EQ(up.Row, 1);
}

TEST_F(Mouse, WheelScrollsByNotches) {
    Load(NumberedLines(40));
    Model.Wheel(-120, false, false, 3);
    EXPECT_EQ(Model.TopRow(), 3);
    Model.Wheel(-60, false, false, 3);
    Model.Wheel(-60, false, false, 3);
    EXPECT_EQ(Model.TopRow(), 6) << "half notches add up";
    Model.Wheel(-240, true, false, 3);
    EXPECT_EQ(Model.TopRow(), 6) << "Control zooms instead";
    EXPECT_EQ(Model.Zoom().Points(), kDefaultFontPoints - 2);
    At(0, 20);
    Model.Wheel(120, false, true, 3);
    EXPECT_EQ(Caret(), (TTextPoint{0, 17})) << "with Shift the caret moves";
}

} // namespace
} // namespace zk::editor::test
