// The debugger's marks in the model: breakpoints through edits at the first
// line, the last and a join, the run marks and the shaded form that an edit
// clears, and the scroll that brings a range into view only when it is out
// of it.
#include "MemoModelTest.h"

#include <string>

namespace zk::editor::test {
namespace {

using enum TBreakpointState;

// Lines "(F0)", "(F1)" and so on.
std::string Forms(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "(F" + std::to_string(i) + ")\r\n";
    return text;
}

using BreakpointMoves = MemoModelTest;

TEST_F(BreakpointMoves, ALineBreakAboveOrBeforeTheTextMovesThemDown) {
    Load(Forms(3));
    Model.SetBreakpoint(0);
    Model.SetBreakpoint(2, Invalid);
    At(0, 0);
    Model.Enter(); // a line inserted above the first
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{1, Set}, {3, Invalid}}));
    At(4, 3);
    Model.Enter(); // after the last line's text: it stays
    EXPECT_EQ(Model.BreakpointOn(3), Invalid);
    EXPECT_FALSE(Model.BreakpointOn(4));
    Model.Undo();
    Model.Undo();
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{0, Set}, {2, Invalid}}));
    Model.Lines().Insert(0, "; a line put in by the program");
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{1, Set}, {3, Invalid}}));
    Load(Forms(3));
    EXPECT_TRUE(Model.Breakpoints().empty()) << "a new text has none";
}

TEST_F(BreakpointMoves, AJoinKeepsTheBreakpointOfTheLineItStartsWith) {
    Load("(A)\r\n(B)\r\n\r\n(C)");
    Model.SetBreakpoint(0);
    Model.SetBreakpoint(1, Invalid);
    Model.SetBreakpoint(3);
    At(0, 1);
    Model.Backspace(); // (B) joins (A): the line starts with (A)
    EXPECT_EQ(Shown(), "(A)(B)||(C)");
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{0, Set}, {2, Set}}));
    At(0, 1);
    Model.DeleteChar(); // (C) joins the empty line: the line starts with (C)
    EXPECT_EQ(Shown(), "(A)(B)|(C)");
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{0, Set}, {1, Set}}));
}

TEST_F(BreakpointMoves, DeletedLinesTakeTheirsAndTheLastLineGoesWithItsOwn) {
    Load(Forms(5));
    for (int32_t row = 1; row <= 4; ++row)
        Model.SetBreakpoint(row);
    Model.SetSelection({0, 1}, {0, 3}); // the lines (F1) and (F2)
    Model.DeleteSelection();
    EXPECT_EQ(Shown(), "(F0)|(F3)|(F4)");
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{1, Set}, {2, Set}}));
    Model.SetSelection({4, 1}, {4, 2}); // the break before the last line and its text
    Model.DeleteSelection();
    EXPECT_EQ(Shown(), "(F0)|(F3)");
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{1, Set}}));
}

TEST_F(BreakpointMoves, ToggleSetsAndClearsOnlyInsideTheText) {
    Load(Forms(2));
    Model.ToggleBreakpoint(1);
    Model.SetBreakpoint(1, Invalid);
    EXPECT_EQ(Model.Breakpoints(), (std::vector<TBreakpoint>{{1, Invalid}})) << "one a row";
    Model.ToggleBreakpoint(1);
    Model.ToggleBreakpoint(2);
    Model.ToggleBreakpoint(-1);
    EXPECT_TRUE(Model.Breakpoints().empty());
}

using RunMarks = MemoModelTest;

TEST_F(RunMarks, GlyphsOfARowAndAnEditClearsTheRunsMarks) {
    Load(Forms(6));
    Model.SetBreakpoint(1);
    Model.SetBreakpoint(2, Invalid);
    Model.SetRunMarks(2, false, {4, -1, 9, 4, 0});
    EXPECT_EQ(Model.GutterGlyphsOn(1), gsBreakSet);
    EXPECT_EQ(Model.GutterGlyphsOn(2), gsBreakInvalid | gsArrow);
    EXPECT_EQ(Model.RunMarks().EllipseRows, (std::vector<int32_t>{0, 4}));
    EXPECT_EQ(Model.GutterGlyphsOn(4), gsEllipse);
    Model.SetRunMarks(1, true, {});
    EXPECT_EQ(Model.GutterGlyphsOn(1), gsBreakStop);
    EXPECT_EQ(Model.GutterGlyphsOn(2), gsBreakInvalid);
    Model.SetShadedRange({3, 1}, {2, 0}, TShade::Failed);
    EXPECT_EQ(Model.ShadedRange()->From, (TTextPoint{2, 0})) << "the points come in order";

    At(0, 5);
    Model.TypeText(" ");
    EXPECT_EQ(Model.GutterGlyphsOn(1), gsBreakSet) << "the breakpoint stays";
    EXPECT_EQ(Model.RunMarks().ArrowRow, -1);
    EXPECT_FALSE(Model.ShadedRange());
}

TEST_F(RunMarks, TheShadeCoversTheTextOfEachRowUpToItsEnd) {
    Load("(IF X\r\n    (A)\r\n    (B))");
    Model.SetShadedRange({1, 0}, {8, 2});
    EXPECT_EQ(Model.ShadedColumns(0), (TColumnSpan{1, 5}));
    EXPECT_EQ(Model.ShadedColumns(1), (TColumnSpan{0, 7}));
    EXPECT_EQ(Model.ShadedColumns(2), (TColumnSpan{0, 8}));
    EXPECT_FALSE(Model.ShadedColumns(3));
    Model.ClearShadedRange();
    EXPECT_FALSE(Model.ShadedColumns(1));
}

using RangeVisible = MemoModelTest; // a view of 10 rows

TEST_F(RangeVisible, ScrollsOnlyForARangeOutOfView) {
    Load(Forms(100));
    Model.EnsureRangeVisible({0, 3}, {4, 9});
    EXPECT_EQ(Model.TopRow(), 0) << "wholly in view";
    Model.EnsureRangeVisible({0, 8}, {4, 11});
    EXPECT_EQ(Model.TopRow(), 2) << "partly in view: by the fewest rows";
    Model.EnsureRangeVisible({0, 60}, {4, 61});
    EXPECT_EQ(Model.TopRow(), 56) << "out of view: to the middle";
    Model.EnsureRangeVisible({0, 58}, {4, 90});
    EXPECT_EQ(Model.TopRow(), 56) << "taller than the view, its start in view";
    Model.EnsureRangeVisible({0, 20}, {4, 90});
    EXPECT_EQ(Model.TopRow(), 20) << "taller, its start out of view: at the top";
    Model.EnsureRangeVisible({60, 22}, {61, 22});
    EXPECT_EQ(Model.LeftCol(), 40) << "a start right of the view";
    EXPECT_EQ(Model.TopRow(), 20);
}

} // namespace
} // namespace zk::editor::test
