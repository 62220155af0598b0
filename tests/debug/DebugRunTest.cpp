// The stepper's commands on programs of tests/programs/debug, with the stops
// each reaches written out by hand from the rules: a bracketed form stops
// before it is evaluated, every form and term when it has its value, every
// call of a user function where it is entered and where it returns.
#include "Stepper.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

TMappedProgram Fact() {
    return MappedProgram(ProgramPath("debug/fact.zk"));
}

TEST(DebugRunTest, StepIntoStopsBeforeEachFormAndAfterEachValue) {
    TStepper stepper(Fact(), {"1"});
    EXPECT_EQ(stepper.AllStops(), (std::vector<std::string>{
                                      "call (MAIN 1)",
                                      "enter FACT@3:3",
                                      "leave N@3:14 = 1",
                                      "call (FACT 1)",
                                      "enter IF@5:3",
                                      "enter EQUAL@5:7",
                                      "leave N@5:14 = 1",
                                      "leave 0@5:16 = 0",
                                      "leave EQUAL@5:7 = FALSE",
                                      "enter *@7:7",
                                      "leave N@7:10 = 1",
                                      "enter FACT@7:12",
                                      "enter -@7:23",
                                      "leave N@7:26 = 1",
                                      "leave 1@7:28 = 1",
                                      "leave -@7:23 = 0",
                                      "call (FACT 0)",
                                      "enter IF@5:3",
                                      "enter EQUAL@5:7",
                                      "leave N@5:14 = 0",
                                      "leave 0@5:16 = 0",
                                      "leave EQUAL@5:7 = TRUE",
                                      "leave 1@6:7 = 1",
                                      "leave IF@5:3 = 1",
                                      "return FACT = 1",
                                      "leave FACT@7:12 = 1",
                                      "leave *@7:7 = 1",
                                      "leave IF@5:3 = 1",
                                      "return FACT = 1",
                                      "leave FACT@3:3 = 1",
                                      "return MAIN = 1",
                                      "end 1",
                                  }));
}

// Step over stops at the next stop of the same or an outer level, whatever
// calls lie between; step out at the return of the current call.
TEST(DebugRunTest, StepOverAndStepOutSkipWhatLiesDeeper) {
    TStepper stepper(Fact(), {"1"});
    const auto into = [&](int times) {
        std::string stop;
        for (int i = 0; i < times; ++i)
            stop = stepper.Do(&TDebugRun::StepInto);
        return stop;
    };
    EXPECT_EQ(into(3), "call (FACT 1)");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepOver), "return FACT = 1");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepOver), "leave FACT@3:3 = 1");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepOver), "return MAIN = 1");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepOver), "end 1");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepOver), "refused");

    TStepper over(Fact(), {"1"});
    for (int i = 0; i < 8; ++i)
        over.Do(&TDebugRun::StepInto);
    EXPECT_EQ(over.Do(&TDebugRun::StepInto), "enter *@7:7");
    EXPECT_EQ(over.Do(&TDebugRun::StepOver), "leave *@7:7 = 1");

    TStepper out(Fact(), {"1"});
    for (int i = 0; i < 11; ++i)
        out.Do(&TDebugRun::StepInto);
    EXPECT_EQ(out.Do(&TDebugRun::StepInto), "enter -@7:23");
    EXPECT_EQ(out.Do(&TDebugRun::StepOver), "leave -@7:23 = 0");
    EXPECT_EQ(out.Do(&TDebugRun::StepInto), "call (FACT 0)");
    EXPECT_EQ(out.Do(&TDebugRun::StepInto), "enter IF@5:3");
    EXPECT_EQ(out.Do(&TDebugRun::StepOut), "return FACT = 1");
    EXPECT_EQ(out.Do(&TDebugRun::StepOut), "return FACT = 1");
    EXPECT_EQ(out.Do(&TDebugRun::StepOut), "return MAIN = 1");
}

TEST(DebugRunTest, RunToAPlaceStopsWhereAFormStartsOnTheLine) {
    TStepper stepper(Fact(), {"1"});
    EXPECT_EQ(stepper.RunTo(6), "refused"); // a number alone
    EXPECT_EQ(stepper.RunTo(1), "refused"); // a comment
    EXPECT_EQ(stepper.RunTo(7), "enter *@7:7");
    EXPECT_EQ(stepper.RunTo(7), "enter FACT@7:12");
    EXPECT_EQ(stepper.RunTo(5), "enter IF@5:3");
    EXPECT_EQ(stepper.RunTo(7), "end 1");
}

// A breakpoint holds on a line where a bracketed form starts; the loop that
// skips a call stops there too.
TEST(DebugRunTest, BreakpointsStopContinueAndTheCallsAStepSkips) {
    TStepper stepper(Fact(), {"1"});
    TDebugRun& debug = *stepper.Debug;
    EXPECT_FALSE(debug.SetBreakpoint(0, 6));
    EXPECT_FALSE(debug.SetBreakpoint(0, 1));
    EXPECT_FALSE(debug.SetBreakpoint(1, 3)); // no such file
    EXPECT_TRUE(debug.SetBreakpoint(0, 3));
    EXPECT_TRUE(debug.SetBreakpoint(0, 7));
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "break FACT@3:3");
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "break *@7:7");
    // (- N 1) is entered with the call around it, on the same line.
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "break FACT@7:12");
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "end 1");

    TStepper over(Fact(), {"1"});
    EXPECT_TRUE(over.Debug->SetBreakpoint(0, 5));
    for (int i = 0; i < 3; ++i)
        over.Do(&TDebugRun::StepInto);
    // The first form of the line entered stops; EQUAL, entered with it, not.
    EXPECT_EQ(over.Do(&TDebugRun::StepOver), "break IF@5:3");
    EXPECT_EQ(over.Do(&TDebugRun::StepOver), "break IF@5:3"); // in the call FACT 0
    EXPECT_EQ(over.Debug->View().Stop.Depth, 2);
    over.Debug->ClearBreakpoints();
    EXPECT_EQ(over.Do(&TDebugRun::StepOver), "leave IF@5:3 = 1");
    EXPECT_EQ(over.Do(&TDebugRun::Continue), "end 1");
}

// The views of every stop stepping forward, stepped back through in turn;
// going back from a breakpoint that the loop reached finds the stop before it.
TEST(DebugRunTest, StepBackReturnsToExactlyTheStopsOfStepInto) {
    TStepper stepper(Fact(), {"2"});
    std::vector<TStopView> forward{stepper.Debug->View()};
    while (stepper.Debug->View().Stop.Kind != TStopKind::Finished) {
        stepper.Do(&TDebugRun::StepInto);
        forward.push_back(stepper.Debug->View());
    }
    const int64_t total = forward.back().Stop.Total;
    for (std::size_t i = forward.size() - 1; i-- > 0;) {
        stepper.Do(&TDebugRun::StepBack);
        TStopView back = stepper.Debug->View();
        EXPECT_EQ(back.Stop.Total, total);
        back.Stop.Total = forward[i].Stop.Total;
        EXPECT_EQ(back, forward[i]) << "stop " << i << ": " << stepper.Text(forward[i]);
    }
    EXPECT_EQ(stepper.Do(&TDebugRun::StepBack), "refused");

    TStepper loop(Fact(), {"2"});
    EXPECT_TRUE(loop.Debug->SetBreakpoint(0, 7));
    loop.Do(&TDebugRun::Continue);
    EXPECT_EQ(loop.Do(&TDebugRun::Continue), "break FACT@7:12");
    EXPECT_EQ(loop.Do(&TDebugRun::StepBack), "leave N@7:10 = 2");
    TStopView back = loop.Debug->View();
    back.Stop.Total = forward[10].Stop.Total;
    EXPECT_EQ(back, forward[10]);
    EXPECT_EQ(loop.Do(&TDebugRun::StepInto), "enter FACT@7:12");
}

TEST(DebugRunTest, TheStepLimitPausesAnEndlessProgramUntilToldToGoOn) {
    TTempDir dir;
    TDebugOptions options;
    options.StepLimit = 1000;
    TStepper stepper(MappedText(dir, "(E (X) (CALL E (BF X)))"), {"a"}, {}, options);
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "error 40@1:16");
    TStepper endless(MappedText(dir, "(E (X) (CALL E X))"), {"a"}, {}, options);
    EXPECT_EQ(endless.Do(&TDebugRun::Continue), "limit");
    EXPECT_EQ(endless.Debug->View().Stop.Step, 1000);
    EXPECT_EQ(endless.Do(&TDebugRun::StepOut), "limit");
    EXPECT_EQ(endless.Debug->View().Stop.Step, 2000);
    endless.Debug->SetStepLimit(INT64_MAX);
    endless.Debug->Continue();
    endless.Debug->Pause();
    EXPECT_EQ(endless.Wait(), "paused");
    endless.Debug->Stop();
    EXPECT_EQ(endless.Wait(), "stopped");
    EXPECT_EQ(endless.Debug->Interpreter().ErrorNumber(), kErrorStopped);
    EXPECT_EQ(endless.Do(&TDebugRun::StepBack), "refused");
}

// An error stop shows the state before the failing step: the failing form's
// arguments, and the calls as zk tells them.
TEST(DebugRunTest, AnErrorInAnIncludedFileStopsAtTheFailingForm) {
    TStepper stepper(MappedProgram(ProgramPath("debug/walk.zk")), {"a b", "5"});
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "error 40@4:23");
    const TStopView view = stepper.Debug->View();
    const TFormMap& forms = stepper.Debug->Forms();
    const std::string& file = forms.Files[static_cast<std::size_t>(
        forms.Forms[static_cast<std::size_t>(view.Stop.Form)].File)];
    EXPECT_EQ(file.substr(file.rfind('/') + 1), "walk-lib.zk");
    ASSERT_EQ(view.Calls.size(), 4U);
    EXPECT_EQ(view.Calls[0].Args[0].Text, "");
    EXPECT_EQ(view.Calls[0].Args[1].Text, "3");
    EXPECT_EQ(view.Calls[2].Args[0].Text, "A B");
    EXPECT_EQ(view.Calls[3].CallForm, -1); // the main function
    std::vector<std::string> finished;
    for (const TFinishedForm& kid : view.Finished)
        finished.push_back(forms.Forms[static_cast<std::size_t>(kid.Form)].Head + "=" +
                           kid.Value.Text);
    EXPECT_EQ(finished, (std::vector<std::string>{"EQUAL=FALSE", "1=1", "L="}));
    EXPECT_EQ(view.LastStep.Form, view.Finished.back().Form);
    EXPECT_EQ(stepper.Debug->Interpreter().ErrorNumber(), kErrorBFEmpty);
    EXPECT_EQ(stepper.Do(&TDebugRun::Continue), "refused");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepBack), "leave L@4:27 = ");
}

// The finished sub-forms: an IF's test by the branch taken, a call's
// arguments until the call is made, the arguments a sum has joined as one.
TEST(DebugRunTest, TheFinishedSubFormsOfTheCurrentCall) {
    TTempDir dir;
    TStepper stepper(MappedText(dir, "(MAIN (A) (+ 1 2 (FIRST A) 4))"), {"7 8"});
    const auto finished = [&] {
        std::vector<std::string> texts;
        const TStopView view = stepper.Debug->View();
        const TFormMap& forms = stepper.Debug->Forms();
        for (const TFinishedForm& kid : view.Finished)
            texts.push_back(forms.Forms[static_cast<std::size_t>(kid.Form)].Head + ".." +
                            forms.Forms[static_cast<std::size_t>(kid.LastForm)].Head + "=" +
                            kid.Value.Text);
        return texts;
    };
    EXPECT_EQ(stepper.RunTo(1), "enter +@1:11");
    EXPECT_EQ(stepper.RunTo(1), "enter FIRST@1:18");
    EXPECT_EQ(finished(), (std::vector<std::string>{"1..2=3"}));
    EXPECT_EQ(stepper.Do(&TDebugRun::StepInto), "leave A@1:25 = 7 8");
    EXPECT_EQ(stepper.Do(&TDebugRun::StepInto), "leave FIRST@1:18 = 7");
    EXPECT_EQ(finished(), (std::vector<std::string>{"1..2=3", "FIRST..FIRST=7"}));
    EXPECT_EQ(stepper.Do(&TDebugRun::StepInto), "leave 4@1:28 = 4");
    EXPECT_EQ(finished(), (std::vector<std::string>{"1..FIRST=10", "4..4=4"}));

    TStepper fact(Fact(), {"1"});
    for (int i = 0; i < 24; ++i)
        fact.Do(&TDebugRun::StepInto);
    EXPECT_EQ(fact.Text(fact.Debug->View()), "return FACT = 1");
    const TStopView returned = fact.Debug->View();
    ASSERT_EQ(returned.Finished.size(), 2U); // the call's arguments are gone
    EXPECT_EQ(returned.Finished[0].Value.Text, "FALSE");
    EXPECT_EQ(returned.Finished[0].Value.Source, TValueSource::None);
    EXPECT_EQ(returned.Finished[1].Value.Text, "1");
    EXPECT_EQ(returned.LastStep.Value.Text, "1");
}

// A self call in tail position replaces the call it is made from.
TEST(DebugRunTest, ATailCallIsEnteredAtTheDepthOfTheCallItReplaces) {
    TTempDir dir;
    TStepper stepper(
        MappedText(dir, "(LOOP (N) (IF (EQUAL N 0) (QUOTE DONE) (CALL LOOP (- N 1))))"), {"1"});
    EXPECT_EQ(stepper.AllStops(),
              (std::vector<std::string>{"call (LOOP 1)",           "enter IF@1:11",
                                        "enter EQUAL@1:15",        "leave N@1:22 = 1",
                                        "leave 0@1:24 = 0",        "leave EQUAL@1:15 = FALSE",
                                        "enter LOOP@1:40",         "enter -@1:51",
                                        "leave N@1:54 = 1",        "leave 1@1:56 = 1",
                                        "leave -@1:51 = 0",        "call (LOOP 0)",
                                        "enter IF@1:11",           "enter EQUAL@1:15",
                                        "leave N@1:22 = 0",        "leave 0@1:24 = 0",
                                        "leave EQUAL@1:15 = TRUE", "enter QUOTE@1:27",
                                        "leave QUOTE@1:27 = DONE", "leave IF@1:11 = DONE",
                                        "return LOOP = DONE",      "end DONE"}));
}

} // namespace
} // namespace zk::test
