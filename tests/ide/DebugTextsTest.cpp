// The stepper's texts from a form map made by hand: a form's rows and
// columns, its text on one line, a body with its finished sub-forms replaced
// by their values, and a frame of the call stack.
#include "ide/DebugTexts.h"

#include <gtest/gtest.h>

namespace zk::ide {
namespace {

// "(F (X)\n  (FIRST (BF X)))": the body (FIRST (BF X)) with its sub-form (BF X)
// and the argument X inside it.
struct TSample {
    TSample() {
        const std::string text = "(F (X)\n  (FIRST (BF X)))\n";
        Forms.Files = {"/tmp/f.zk"};
        Forms.LineStarts = {LineStartsOf(text)};
        Forms.Forms = {
            {TFormKind::BuiltIn, "FIRST", 0, 9, 22, -1, 0},
            {TFormKind::BuiltIn, "BF", 0, 16, 21, 0, 0},
            {TFormKind::Argument, "X", 0, 20, 20, 1, 0},
        };
        Code.Functions.push_back({false, 0, "F", "", {"X"}});
        Texts.emplace(Forms, std::vector<std::string>{text});
    }
    TFormMap Forms;
    TPCode Code;
    std::optional<TDebugTexts> Texts;
};

TEST(DebugTexts, AFormIsPlacedByRowsAndColumnsAndReadOnOneLine) {
    const TSample sample;
    EXPECT_EQ(sample.Texts->RangeOf(1), (TFormRange{0, 1, 9, 1, 15}));
    EXPECT_EQ(sample.Texts->RangeOf(0), (TFormRange{0, 1, 2, 1, 16}));
    EXPECT_EQ(sample.Texts->RangeOf(3), TFormRange{}); // no such form
    EXPECT_EQ(sample.Texts->SourceOf(1), "(BF X)");
}

TEST(DebugTexts, TheBodyShowsEachFinishedSubFormAsItsValue) {
    const TSample sample;
    TStopView view;
    view.Stop.Function = 0;
    view.Finished = {{1, 1, {"B C", false, TValueSource::None, 0}}};
    view.LastStep = {1, {"B C", false, TValueSource::None, 0}};
    EXPECT_EQ(sample.Texts->BodyWithValues(view),
              (std::vector<TBodyPiece>{{"(FIRST ", false}, {"(B C)", true}, {")", false}}));
    EXPECT_EQ(sample.Texts->LastStep(view),
              (std::pair<std::string, std::string>{"(BF X)", "(B C)"}));

    // A value that overlaps one shown already belongs to it.
    view.Finished.push_back({2, 2, {"Q", false, TValueSource::None, 0}});
    EXPECT_EQ(sample.Texts->BodyWithValues(view).size(), 3u);
}

TEST(DebugTexts, AFrameNamesItsArguments) {
    const TSample sample;
    TFrameView frame;
    frame.Function = 0;
    frame.Args = {{"A", false, TValueSource::None, 0}};
    EXPECT_EQ(sample.Texts->FrameText(frame, sample.Code), "(F X=A)");
    frame.Args = {{"(A) B", false, TValueSource::None, 0}};
    EXPECT_EQ(sample.Texts->FrameText(frame, sample.Code), "(F X=((A) B))");
    frame.Function = 7;
    EXPECT_EQ(sample.Texts->FrameText(frame, sample.Code), "(?)");
}

} // namespace
} // namespace zk::ide
