// The window's diagnostics in the model: a range moves with the edits before
// it on its line and above, stays for edits after it, and goes when an edit
// touches it; a point at a line's end; the spans the view underlines.
#include "MemoModelTest.h"

namespace zk::editor::test {
namespace {

using enum TDiagnosticSeverity;

class DiagnosticMoves : public MemoModelTest {
protected:
    // "(F (X) (CALL G X))" with the unknown G, columns 13 to 14, marked.
    void LoadWithMark() {
        Load("(F (X) (CALL G X))\r\n(H)");
        Mark({13, 0}, {14, 0});
    }
    void Mark(TTextPoint from, TTextPoint to, TDiagnosticSeverity severity = Error) {
        Model.SetDiagnostics({{from, to, severity, 7}});
    }
    // The one mark's range, or nothing when it went.
    std::optional<std::pair<TTextPoint, TTextPoint>> Range() const {
        if (Model.Diagnostics().empty()) return std::nullopt;
        return std::pair{Model.Diagnostics()[0].From, Model.Diagnostics()[0].To};
    }
    static std::pair<TTextPoint, TTextPoint> Span(TTextPoint from, TTextPoint to) {
        return {from, to};
    }
};

TEST_F(DiagnosticMoves, AnEditJustBeforeTheRangeMovesItOnItsLine) {
    LoadWithMark();
    At(13, 0);
    Model.TypeText("x"); // at its first character
    EXPECT_EQ(Range(), Span({14, 0}, {15, 0}));
    Model.Backspace(); // the character just before it
    EXPECT_EQ(Range(), Span({13, 0}, {14, 0}));
    At(1, 0);
    Model.DeleteChar();
    EXPECT_EQ(Range(), Span({12, 0}, {13, 0}));
    EXPECT_EQ(Model.Diagnostics()[0].Id, 7);
}

TEST_F(DiagnosticMoves, AnEditJustAfterTheRangeLeavesIt) {
    LoadWithMark();
    At(14, 0);
    Model.DeleteChar(); // the blank just after the range
    Model.TypeText("Y");
    At(40, 1);
    Model.TypeText("z"); // far below, past a line's end
    EXPECT_EQ(Range(), Span({13, 0}, {14, 0}));
}

TEST_F(DiagnosticMoves, ALineInsertedAboveOrAJoinFromAboveMovesIt) {
    Load("(A)\r\n(F (X) (CALL G X))");
    Mark({13, 1}, {14, 1});
    At(3, 0);
    Model.Enter(); // a line inserted above
    EXPECT_EQ(Range(), Span({13, 2}, {14, 2}));
    At(0, 2);
    Model.Backspace(); // its line joins the empty one above
    EXPECT_EQ(Range(), Span({13, 1}, {14, 1}));
    At(0, 1);
    Model.Backspace(); // and "(A)" above
    EXPECT_EQ(Range(), Span({16, 0}, {17, 0}));
    Model.Lines().Insert(0, "; put in by the program");
    EXPECT_EQ(Range(), Span({16, 1}, {17, 1}));
}

TEST_F(DiagnosticMoves, AnEditThatTouchesTheRangeDropsItForGood) {
    Load("(F (X) (CALL GG X))");
    Mark({13, 0}, {15, 0});
    At(14, 0);
    Model.TypeText("x"); // between its characters
    EXPECT_FALSE(Range());
    Model.Undo();
    EXPECT_FALSE(Range()) << "the window sets it anew";

    Mark({13, 0}, {15, 0});
    Model.SetSelection({10, 0}, {14, 0}); // a selection reaching into it
    Model.DeleteSelection();
    EXPECT_FALSE(Range());

    Load("(F (X) (CALL GG X))\r\n(H)");
    Mark({13, 0}, {15, 0});
    Model.Lines().Put(0, "(F)"); // a line changed past the model
    EXPECT_FALSE(Range());
    Mark({0, 1}, {3, 1});
    Load("(A)");
    EXPECT_FALSE(Range()) << "a new text has none";
}

TEST_F(DiagnosticMoves, APointAtALinesEndMovesWithEditsBeforeItAndGoesWithOneAtIt) {
    Load("(F (X) (CALL G X)\r\n(H)");
    Mark({17, 0}, {17, 0}); // a bracket missing at the end
    At(2, 0);
    Model.TypeText("F");
    EXPECT_EQ(Range(), Span({18, 0}, {18, 0}));
    EXPECT_EQ(Model.DiagnosticSpans(0), (std::vector<TDiagnosticSpan>{{{18, 18}, Error}}));
    At(0, 1);
    Model.TypeText("x"); // on the line below
    EXPECT_EQ(Range(), Span({18, 0}, {18, 0}));
    At(18, 0);
    Model.TypeText(")");
    EXPECT_FALSE(Range());
}

TEST_F(DiagnosticMoves, MarksAreClampedOrderedAndSpannedOverTheirRows) {
    Load("(F (X)\r\n\r\n  (G X)");
    Model.SetDiagnostics({{{4, 2}, {3, 0}, Warning, 0}, {{50, 0}, {0, 9}, Error, 1}});
    const std::vector<TDiagnosticMark>& marks = Model.Diagnostics();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].From, (TTextPoint{3, 0}));
    EXPECT_EQ(marks[0].To, (TTextPoint{4, 2}));
    EXPECT_EQ(marks[1].From, (TTextPoint{6, 0})) << "past its line's end: at the end";
    EXPECT_EQ(marks[1].To, (TTextPoint{7, 2})) << "below the text: at its end";
    EXPECT_EQ(Model.DiagnosticSpans(0),
              (std::vector<TDiagnosticSpan>{{{3, 6}, Warning}, {{6, 6}, Error}}));
    EXPECT_TRUE(Model.DiagnosticSpans(1).empty()) << "an empty row shows nothing";
    EXPECT_EQ(Model.DiagnosticSpans(2),
              (std::vector<TDiagnosticSpan>{{{0, 4}, Warning}, {{0, 7}, Error}}));
    EXPECT_EQ(Model.DiagnosticSeverityOn(1), Error);
    EXPECT_FALSE(Model.DiagnosticSeverityOn(3));
    EXPECT_EQ(Model.DiagnosticsAt({6, 0}).size(), 2u);
    EXPECT_EQ(Model.DiagnosticsAt({5, 2}).size(), 1u);
    Model.ClearDiagnostics();
    EXPECT_FALSE(Model.DiagnosticSeverityOn(0));
}

} // namespace
} // namespace zk::editor::test
