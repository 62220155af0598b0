// What the interpreter offers a debugger: the failing instruction after a
// run, traps that stop the loop before an instruction, and snapshots that
// bring a run back to a step it passed. None may change a run: trapped,
// stepped or restored, it leaves what a plain run leaves.
#include "RandomPrograms.h"
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <random>

namespace zk::test {
namespace {

// The operation of the instruction at which the run ended, by the loop and by
// single steps.
int32_t FailedOperation(std::string_view program, const std::vector<std::string>& params,
                        bool stepped) {
    TInterpreter run(4 * kCellsPerMegabyte, CompiledProgram(program));
    Params(params)(run);
    if (stepped) {
        while (run.ErrorNumber() == 0)
            run.ExecStep();
    } else {
        run.Run();
    }
    return run.FailedAt() < 0 ? -1
                              : run.Code().Code[static_cast<std::size_t>(run.FailedAt())].OpCode;
}

TEST(InterpreterDebugPathTest, TheFailedInstructionIsTheOneWhoseStepFailed) {
    struct TCase {
        const char* Program;
        std::vector<std::string> Params;
        int32_t Operation;
    };
    const TCase cases[] = {
        {"(F (X) (BF X))", {""}, opBF},                        // an executor moves past it
        {"(F (X) (IF X 1 2))", {"A"}, opIf},                   // the core stays on it
        {"(F (X) (- X 1))", {"A"}, opSubtr},                   // inside a joined group
        {"(F (A B) (IF (> A B) 1 2))", {"A", "1"}, opGreater}, // a comparison before its If
        {"(F (X) (CALL G X))\n(G (Y) (FIRST Y))", {""}, opFirst},
        {"(F (X) X)", {"A"}, opRet}, // the normal end
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Program);
        EXPECT_EQ(FailedOperation(c.Program, c.Params, false), c.Operation);
        EXPECT_EQ(FailedOperation(c.Program, c.Params, true), c.Operation);
    }
}

// Single steps look at the stacks' limit at the steps at which the loop does.
TEST(InterpreterDebugPathTest, SingleStepsMeetTheStackLimitWhereTheLoopMeetsIt) {
    const TRunOptions options{.SymbolIsError = true, .RandomState = 0, .StackLimit = 30000};
    const TPCode code = CompiledProgram("(F (N) (+ 1 (CALL F N)))");
    const TRunOutcome looped = RunImage(code, Params({"1"}), options, 1 << 16);
    ASSERT_EQ(looped.Error, kErrorNoMemory);
    TInterpreter run(1 << 16, code, options);
    run.AddParam("1");
    while (run.ErrorNumber() == 0)
        run.ExecStep();
    EXPECT_EQ(OutcomeOf(run), looped);
    EXPECT_EQ(run.FailedAt(), run.PC());
}

// Runs `run` to its end through ExecuteSteps, passing each trap that holds
// with a single step; counts the stops.
int RunThroughTraps(TInterpreter& run) {
    int stops = 0;
    while (run.ErrorNumber() == 0) {
        run.ExecuteSteps(INT64_MAX);
        if (!run.Trapped()) continue;
        ++stops;
        run.ExecStep();
    }
    return stops;
}

TEST(InterpreterDebugPathTest, ATrapStopsBeforeItsInstructionAndOnlyAtItsDepth) {
    const TPCode code =
        CompiledProgram("(F (N) (CALL D N))\n(D (N) (IF (EQUAL N 0) 0 (+ 1 (CALL D (- N 1)))))");
    const int32_t ret = [&] {
        const int32_t entry = code.Functions[1].Entry;
        int32_t at = entry;
        while (code.Code[static_cast<std::size_t>(at)].OpCode != opRet)
            ++at;
        return at;
    }();
    TInterpreter run(1 << 16, code);
    run.AddParam("5");
    // D's Ret at depth 2 or less: the return of the outermost D only.
    run.SetTraps({{ret, 1}});
    run.ExecuteSteps(INT64_MAX);
    ASSERT_TRUE(run.Trapped());
    EXPECT_EQ(run.PC(), ret);
    EXPECT_EQ(run.ReturnStack().size(), 1U);
    const int64_t before = run.ExecCount();
    run.ExecuteSteps(INT64_MAX); // a trap that holds lets nothing pass
    EXPECT_EQ(run.ExecCount(), before);
    run.ExecStep();
    EXPECT_EQ(run.ExecCount(), before + 1);
    EXPECT_EQ(run.ReturnStack().size(), 0U);
}

// Traps at random instructions, each passed by a single step, change nothing.
TEST(InterpreterDebugPathTest, RandomProgramsRunThroughTrapsAsTheyRunPlainly) {
    TProgramWriter writer(20261211);
    std::mt19937 random(7);
    for (int i = 0; i < 400; ++i) {
        const std::string text = writer.Program();
        const std::vector<std::string> params = writer.Params();
        const TRunOptions options = writer.Options();
        const int32_t cells = writer.Cells();
        SCOPED_TRACE(text);
        const TPCode code = CompiledProgram(text);
        const TRunOutcome plain = RunImage(code, Params(params), options, cells);
        TInterpreter run(cells, code, options);
        Params(params)(run);
        if (run.ErrorNumber() != 0) continue;
        std::vector<TTrap> traps;
        for (int t = 0; t < 3; ++t)
            traps.push_back({static_cast<int32_t>(random() % code.Code.size()),
                             static_cast<int32_t>(random() % 4)});
        run.SetTraps(traps);
        RunThroughTraps(run);
        EXPECT_EQ(OutcomeOf(run), plain) << "program " << i;
    }
}

// A run brought back to a snapshot goes on exactly as it went on from
// there: in small memories the snapshots fall between collections of every
// kind.
TEST(InterpreterDebugPathTest, ARestoredRunGoesOnAsItWentOnFromTheSnapshot) {
    TProgramWriter writer(20261212);
    std::mt19937 random(11);
    int restored = 0;
    for (int i = 0; i < 600; ++i) {
        const std::string text = writer.Program();
        const std::vector<std::string> params = writer.Params();
        const TRunOptions options = writer.Options();
        const int32_t cells = writer.Cells();
        SCOPED_TRACE(text);
        const TPCode code = CompiledProgram(text);
        const TRunOutcome plain = RunImage(code, Params(params), options, cells);
        if (plain.ExecCount < 2) continue;
        TInterpreter run(cells, code, options);
        Params(params)(run);
        run.ExecuteSteps(static_cast<int64_t>(random() % static_cast<uint64_t>(plain.ExecCount)));
        if (run.ErrorNumber() != 0) continue;
        const TRunSnapshot snapshot = run.Snapshot();
        run.Run();
        EXPECT_EQ(OutcomeOf(run), plain) << "program " << i;
        run.Restore(snapshot);
        EXPECT_EQ(run.ExecCount(), snapshot.Steps);
        run.Run();
        EXPECT_EQ(OutcomeOf(run), plain) << "program " << i << ", restored";
        ++restored;
    }
    EXPECT_GT(restored, 300);
}

// A memory larger than the caches collects unseen within a window; a
// snapshot between such collections restores their count of cells in use.
TEST(InterpreterDebugPathTest, ARestoredLargeMemoryCollectsWhereTheSavedOneWould) {
    // Collecting at every allocation of a memory this size would take hours,
    // and no collection would be unseen.
    if (kStressCollector) GTEST_SKIP() << "the collector runs at every allocation";
    const TPCode code = CompiledProgram(
        "(F (N) (IF (EQUAL N 0) 0 (+ (CALL LEN (CALL BUILD 200)) (CALL F (- N 1)))))\n"
        "(BUILD (K) (IF (EQUAL K 0) (QUOTE) (EXPR (CALL BUILD (- K 1)) (QUOTE X))))\n"
        "(LEN (L) (IF (EQUAL L (QUOTE)) 0 (+ 1 (CALL LEN (BF L)))))");
    constexpr int32_t kCells = 32 * kCellsPerMegabyte;
    const TRunOutcome plain = RunImage(code, Params({"3000"}), {}, kCells);
    ASSERT_EQ(plain.Error, kErrorRunComplete);
    ASSERT_GT(plain.AllocCount, 3 * kCells);
    TInterpreter run(kCells, code);
    run.AddParam("3000");
    std::vector<TRunSnapshot> snapshots;
    for (int k = 1; k <= 5; ++k) {
        run.ExecuteSteps(plain.ExecCount / 6);
        snapshots.push_back(run.Snapshot());
    }
    for (const TRunSnapshot& snapshot : snapshots) {
        run.Restore(snapshot);
        run.Run();
        EXPECT_EQ(OutcomeOf(run), plain) << "from step " << snapshot.Steps;
    }
}

} // namespace
} // namespace zk::test
