// Over the differential test's random programs: a debug run driven by any mix
// of commands ends with exactly what a plain run ends with, the place of a
// failure included, and a step back comes to exactly the stop that stepping
// forward had there.
#include "Stepper.h"

#include "debug/RunFailure.h"
#include "interp/RandomPrograms.h"

#include <gtest/gtest.h>

#include <random>

namespace zk::test {
namespace {

// The failure as zk tells it: the form and each call's function, arguments
// and call form.
std::string FailureText(const TInterpreter& run, const TFormMap& forms) {
    const std::optional<TRunFailure> failure = DescribeFailure(run, forms);
    if (!failure) return "none";
    std::string text = std::to_string(failure->Form.Form);
    for (const TCallPlace& call : failure->Calls)
        text += " " + CallText(call.Name, call.Args) + "@" + std::to_string(call.Call.Form);
    return text;
}

// Checkpoints a few steps apart, so that going back restores them mid-run.
TDebugOptions SmallCheckpoints() {
    TDebugOptions options;
    options.CheckpointSteps = 8;
    return options;
}

struct TRandomCase {
    std::string Text;
    std::vector<std::string> Params;
    TRunOptions Options;
    int32_t Cells;
};

class DebugAgreementTest : public ::testing::Test {
protected:
    TRandomCase Next() {
        TRandomCase c{Writer_.Program(), Writer_.Params(), Writer_.Options(), Writer_.Cells()};
        return c;
    }

    bool Ended(const TStepper& stepper) const {
        const TStopKind kind = stepper.Debug->View().Stop.Kind;
        return kind == TStopKind::Finished || kind == TStopKind::Error;
    }

    TProgramWriter Writer_{20261213};
    std::mt19937 Random_{5};
};

TEST_F(DebugAgreementTest, RandomProgramsSteppedToTheirEndEndAsPlainRuns) {
    constexpr int kPrograms = kStressCollector ? 60 : 400;
    int compared = 0;
    for (int i = 0; i < kPrograms; ++i) {
        const TRandomCase c = Next();
        SCOPED_TRACE(c.Text);
        TTempDir dir;
        TMappedProgram program = MappedText(dir, c.Text);
        const TFormMap forms = program.Forms;
        TInterpreter plain(c.Cells, program.Code, c.Options);
        Params(c.Params)(plain);
        if (plain.ErrorNumber() != 0) continue;
        plain.Run();

        TStepper stepper(std::move(program), c.Params, c.Options, SmallCheckpoints(), c.Cells);
        TDebugRun& debug = *stepper.Debug;
        for (int command = 0; command < 150 && !Ended(stepper); ++command) {
            switch (Random_() % 10) {
            case 0:
            case 1:
            case 2:
            case 3: stepper.Do(&TDebugRun::StepInto); break;
            case 4:
            case 5: stepper.Do(&TDebugRun::StepOver); break;
            case 6: stepper.Do(&TDebugRun::StepOut); break;
            case 7:
            case 8: stepper.Do(&TDebugRun::StepBack); break;
            default:
                debug.SetBreakpoint(0, 1);
                stepper.Do(&TDebugRun::Continue);
                debug.ClearBreakpoints();
            }
        }
        while (!Ended(stepper))
            stepper.Do(&TDebugRun::Continue);
        const std::string plainFailure = FailureText(plain, forms);
        EXPECT_EQ(FailureText(debug.Interpreter(), forms), plainFailure) << "program " << i;
        EXPECT_EQ(OutcomeOf(debug.Interpreter()), OutcomeOf(plain)) << "program " << i;
        ++compared;
    }
    EXPECT_GT(compared, kPrograms / 2);
}

TEST_F(DebugAgreementTest, RandomProgramsStepBackToTheStopsStepIntoHad) {
    constexpr int kPrograms = kStressCollector ? 30 : 150;
    for (int i = 0; i < kPrograms; ++i) {
        const TRandomCase c = Next();
        SCOPED_TRACE(c.Text);
        TTempDir dir;
        TStepper stepper(MappedText(dir, c.Text), c.Params, c.Options, SmallCheckpoints(), c.Cells);
        if (stepper.Debug->Interpreter().ErrorNumber() != 0) continue;
        std::vector<TStopView> forward{stepper.Debug->View()};
        while (forward.size() < 120 && !Ended(stepper)) {
            stepper.Do(&TDebugRun::StepInto);
            forward.push_back(stepper.Debug->View());
        }
        for (std::size_t k = forward.size() - 1; k-- > 0;) {
            ASSERT_NE(stepper.Do(&TDebugRun::StepBack), "refused") << "program " << i;
            TStopView back = stepper.Debug->View();
            back.Stop.Total = forward[k].Stop.Total;
            ASSERT_EQ(back, forward[k]) << "program " << i << ", stop " << k;
        }
        // A breakpoint reached by the loop, and the stop before it.
        TStepper loop(MappedText(dir, c.Text), c.Params, c.Options, {}, c.Cells);
        if (!loop.Debug->SetBreakpoint(0, 1)) continue;
        loop.Do(&TDebugRun::StepOver); // past the first stop, which may be the breakpoint's
        if (loop.Do(&TDebugRun::Continue).rfind("break", 0) != 0) continue;
        const TStopView reached = loop.Debug->View();
        const auto at = std::find_if(forward.begin() + 1, forward.end(), [&](const TStopView& v) {
            return v.Stop.Step == reached.Stop.Step && v.Stop.Form == reached.Stop.Form &&
                   v.Stop.Kind == TStopKind::Enter;
        });
        if (at == forward.end()) continue;
        loop.Do(&TDebugRun::StepBack);
        TStopView back = loop.Debug->View();
        back.Stop.Total = (at - 1)->Stop.Total;
        EXPECT_EQ(back, *(at - 1)) << "program " << i;
    }
}

} // namespace
} // namespace zk::test
