// The re-highlight cascade against a full re-highlight, bracket matching, and
// random editing sessions that must keep the model whole and undoable.
#include "editor/MemoKeys.h"
#include "editor/ZKSyntaxData.h"

#include "MemoModelTest.h"

#include <random>

namespace zk::editor::test {
namespace {

// Every line's highlighting equals a highlighting of the whole text from
// scratch.
void ExpectFullyHighlighted(const TMemoModel& model) {
    TDCZKSyntaxData syntax;
    TLineSyntax fresh;
    TLineState state;
    for (int32_t row = 0; row < model.Lines().Count(); ++row) {
        syntax.HighlightLine(model.Lines()[row], state, fresh);
        ASSERT_EQ(model.Lines().Item(row).Syntax, fresh) << "row " << row;
        state = fresh.End;
    }
}

void FinishCascade(TMemoModel& model) {
    while (model.ContinueHighlight(std::chrono::milliseconds(5))) {}
}

std::string ManyForms(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "(DEFOP (F X) (QUOTE (A B)) 12) // " + std::to_string(i) + "\r\n";
    return text;
}

using Cascade = MemoModelTest;

TEST_F(Cascade, AnOpenedCommentReachesTheVisibleRowsAtOnceAndTheRestWhenIdle) {
    Load(ManyForms(1000));
    int pendingNotices = 0;
    Model.OnHighlightPending = [&] { ++pendingNotices; };
    Model.TypeText("{");
    EXPECT_EQ(Model.Lines().Item(9).Syntax.Start.Comment, 1) << "the last visible row";
    EXPECT_EQ(Model.Lines().Item(10).Syntax.Start.Comment, 0) << "left for the idle slices";
    EXPECT_TRUE(Model.HighlightPending());
    EXPECT_EQ(pendingNotices, 1);
    std::vector<TRowSpan> repainted;
    Model.OnRepaint = [&](TRowSpan rows) { repainted.push_back(rows); };
    FinishCascade(Model);
    ExpectFullyHighlighted(Model);
    ASSERT_FALSE(repainted.empty());
    EXPECT_EQ(repainted.front().First, 10);
    EXPECT_EQ(repainted.back().Last, 999);
    Model.Undo();
    FinishCascade(Model);
    ExpectFullyHighlighted(Model);
    EXPECT_EQ(Model.Lines().Item(999).Syntax.End.Comment, 0);
}

TEST_F(Cascade, StopsWhereTheStatesAgreeAgain) {
    Load(ManyForms(1000));
    At(0, 3);
    Model.TypeText("{");
    At(0, 5);
    Model.TypeText("}");
    std::vector<TRowSpan> repainted;
    Model.OnRepaint = [&](TRowSpan rows) { repainted.push_back(rows); };
    FinishCascade(Model);
    EXPECT_TRUE(repainted.empty()) << "the comment closed within the view";
    ExpectFullyHighlighted(Model);
}

TEST_F(Cascade, EditsWhileTheCascadeIsPendingStillConverge) {
    Load(ManyForms(500));
    Model.TypeText("{");
    Model.ContinueHighlight(std::chrono::microseconds(0));
    At(0, 200);
    Model.TypeText("}");
    Model.Enter();
    At(0, 100);
    Model.TypeText("{");
    Model.SetSelection({3, 50}, {2, 300});
    Model.DeleteSelection();
    FinishCascade(Model);
    ExpectFullyHighlighted(Model);
}

using Brackets = MemoModelTest;

TEST_F(Brackets, TheBracketBeforeOrAtTheCaretAndItsPartner) {
    Load("(A (B C) D)\r\n  (E\r\n F)");
    At(8, 0);
    EXPECT_EQ(Model.Brackets(), (TBracketPair{{3, 0}, {7, 0}})) << "after a bracket";
    At(0, 0);
    EXPECT_EQ(Model.Brackets(), (TBracketPair{{0, 0}, {10, 0}})) << "on a bracket";
    At(2, 1);
    EXPECT_EQ(Model.Brackets(), (TBracketPair{{2, 1}, {2, 2}})) << "across lines";
    At(5, 0);
    EXPECT_FALSE(Model.Brackets());
    Model.SetText("(A (B)");
    At(0, 0);
    EXPECT_FALSE(Model.Brackets()) << "unmatched";
    At(6, 0);
    EXPECT_EQ(Model.Brackets(), (TBracketPair{{3, 0}, {5, 0}}));
}

TEST_F(Brackets, CommentsAndQuoteFormsAreText) {
    Load("(A {)} (QUOTE (X)) B)");
    At(0, 0);
    EXPECT_EQ(Model.Brackets(), (TBracketPair{{0, 0}, {20, 0}}));
    At(5, 0);
    EXPECT_FALSE(Model.Brackets()) << "a bracket inside a comment";
    At(7, 0);
    EXPECT_FALSE(Model.Brackets()) << "the QUOTE form's own bracket";
}

TEST_F(Brackets, TheSearchGivesUpFarAway) {
    std::string text = "(";
    for (int i = 0; i < 30000; ++i)
        text += "(A B C D)\r\n";
    text += ")";
    Load(text);
    At(0, 0);
    EXPECT_FALSE(Model.Brackets());
    EXPECT_TRUE(MatchBrackets(Model.Lines(), {0, 0}, 1 << 30));
}

// Random sessions: commands of every kind. The caret stays in range, the
// lexems cover every line, the cascade ends in a full highlighting, undoing
// everything gives back the loaded text byte for byte, and redoing
// everything the edited one.
class RandomSession : public MemoModelTest {
protected:
    static std::vector<std::string> LinesOf(const TMemoModel& model) {
        std::vector<std::string> lines;
        for (int32_t row = 0; row < model.Lines().Count(); ++row)
            lines.push_back(model.Lines()[row]);
        return lines;
    }

    void RandomCommand(std::mt19937& random) {
        const auto pick = [&](int n) {
            return static_cast<int>(random() % static_cast<unsigned>(n));
        };
        static const char* const kTexts[] = {"a",        "(",  ")",  "{",    "}",       " ",
                                             "(quote x", "12", "//", "\r\n", "x\r\n  y"};
        // Each pick is its own statement: argument order would make the
        // session depend on the compiler.
        const int command = pick(13);
        const int rows = Model.Lines().Count();
        const TTextPoint a{pick(40), pick(rows + 3)};
        const TTextPoint b{pick(45), pick(rows + 3) - 1};
        const int choice = pick(static_cast<int>(TKey::Z) + 1);
        const int shift = pick(4);
        switch (command) {
        case 0: Model.TypeText(kTexts[choice % 9]); break;
        case 1: Model.PasteText(kTexts[choice % 11]); break;
        case 2: Model.SetCaret(a); break;
        case 3: Model.SetSelection(a, b, shift == 0 ? btColumn : btStream); break;
        case 4: Model.SetInsertMode(shift != 0); break;
        case 5:
            Model.MouseDown(a, shift == 0);
            Model.MouseMove(b);
            Model.MouseUp(b);
            break;
        case 6: Model.ContinueHighlight(std::chrono::microseconds(choice)); break;
        case 7: Model.SetOptions(kDefaultMemoOptions ^ (1u << (choice % 6))); break;
        default: HandleKey(Model, static_cast<TKey>(choice), static_cast<uint8_t>(shift));
        }
    }
};

TEST_F(RandomSession, KeepsTheModelWholeAndEverythingUndoable) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        Load("(DEFOP (F X)\r\n  {note}\r\n    (QUOTE (A B)))\r\n");
        const std::vector<std::string> original = LinesOf(Model);
        for (int step = 0; step < 400; ++step) {
            RandomCommand(random);
            ASSERT_GE(Model.Col(), 0);
            ASSERT_LE(Model.Row(), Model.MaxRow());
            for (int32_t row = 0; row < Model.Lines().Count(); ++row) {
                int32_t covered = 0;
                for (const LexemEntry& lexem : Model.Lines().Item(row).Syntax.Lexems)
                    covered += lexem.Length;
                ASSERT_EQ(covered, static_cast<int32_t>(Model.Lines()[row].size()));
            }
        }
        FinishCascade(Model);
        ExpectFullyHighlighted(Model);
        while (Model.CanRedo())
            Model.Redo();
        const std::vector<std::string> edited = LinesOf(Model);
        while (Model.CanUndo())
            Model.Undo();
        EXPECT_EQ(LinesOf(Model), original) << "seed " << seed;
        while (Model.CanRedo())
            Model.Redo();
        EXPECT_EQ(LinesOf(Model), edited) << "seed " << seed;
        FinishCascade(Model);
        ExpectFullyHighlighted(Model);
    }
}

} // namespace
} // namespace zk::editor::test
