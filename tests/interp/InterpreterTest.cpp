// The interpreter core: the control-flow step, the call protocol and its
// counters, parameters before the run, the worker and Stop, the end of a run,
// and the protection against damaged images and runaway recursion.
#include "interp/Interpreter.h"

#include "RunProgram.h"
#include "frontend/FileIO.h"
#include "interp/ImageCheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zk::test {
namespace {

constexpr int32_t kCells = 4 * kCellsPerMegabyte;

// Counts down to 0 by a self tail call: per round LoadArgs, Param, NOP,
// AtomEqual, If, Param, PushNum, Subtr, FreeArgs, Goto; 9 steps for the end.
constexpr const char* kLoop = "(LOOP (N) (IF (EQUAL N 0) 0 (CALL LOOP (- N 1))))";
constexpr const char* kEndless = "(LOOP (N) (CALL LOOP N))";

TEST(InterpreterCreateTest, MemoryOfFourMegabytes) {
    TInterpreter run(kCells, CompiledProgram("(F () 0)"));
    EXPECT_EQ(run.Capacity(), 65536);
    EXPECT_EQ(run.Memory().Limit(), 52429);
    EXPECT_EQ(run.ErrorNumber(), 0);
    EXPECT_EQ(run.PC(), 0);
    EXPECT_EQ(run.Atoms().Count(), run.Code().Atoms.Count());
}

TEST(InterpreterCountersTest, AnImmediateReturnTakesTwoSteps) {
    const TRunOutcome outcome = RunProgram("(F () (QUOTE A))");
    EXPECT_EQ(outcome.Error, kErrorRunComplete);
    EXPECT_EQ(outcome.Result, "A ");
    EXPECT_EQ(outcome.ExecCount, 2); // PushConst and the final Ret
    EXPECT_EQ(outcome.MaxDepth, 0);
}

TEST(InterpreterCountersTest, ATailRecursiveLoopKeepsItsDepth) {
    const TRunOutcome outcome = RunProgram(kLoop, {"1000"});
    EXPECT_EQ(outcome.Error, kErrorRunComplete);
    EXPECT_EQ(outcome.Result, "0 ");
    EXPECT_EQ(outcome.ExecCount, 10 * 1000 + 9);
    EXPECT_EQ(outcome.Depth, 0);
    EXPECT_EQ(outcome.MaxDepth, 0);
}

TEST(InterpreterCountersTest, ACallChainThreeDeep) {
    const TRunOutcome outcome = RunProgram("(M () (CALL A))\n(A () (CALL B))\n"
                                           "(B () (CALL C))\n(C () (QUOTE X))");
    EXPECT_EQ(outcome.Result, "X ");
    // Three SavePos, Goto and Ret each, C's PushConst and the main Ret.
    EXPECT_EQ(outcome.ExecCount, 3 * 3 + 2);
    EXPECT_EQ(outcome.MaxDepth, 3);
    EXPECT_EQ(outcome.Depth, 0);
}

TEST(InterpreterCountersTest, RecursionDepthIsCounted) {
    const char* program = "(LEN (L) (IF (EQUAL L (QUOTE)) 0 (+ 1 (CALL LEN (BF L)))))";
    const TRunOutcome outcome = RunProgram(program, {"A B C D E"});
    EXPECT_EQ(outcome.Result, "5 ");
    EXPECT_EQ(outcome.MaxDepth, 5);
    EXPECT_EQ(outcome.Depth, 0);
}

// The single step never joins two instructions into one dispatch, the
// worker's loop does; both must leave the same run behind.
struct TAgreementCase {
    const char* Name;
    const char* Program;
    std::vector<std::string> Params;
    int32_t Cells;
};

void PrintTo(const TAgreementCase& c, std::ostream* out) {
    *out << c.Name;
}

class InterpreterAgreementTest : public ::testing::TestWithParam<TAgreementCase> {};

TEST_P(InterpreterAgreementTest, TheSingleStepAndTheWorkerLoopLeaveTheSameRun) {
    const TAgreementCase& c = GetParam();
    const TRunOutcome looped = RunProgram(c.Program, c.Params, {}, c.Cells);
    const TFeed stepping = [feed = Params(c.Params)](TInterpreter& run) {
        feed(run);
        while (run.ErrorNumber() == 0)
            run.ExecStep();
    };
    EXPECT_EQ(RunFed(c.Program, stepping, {}, c.Cells), looped);
}

constexpr const char* kFib = "(FIB (N) (IF (> 2 N) N (+ (CALL FIB (- N 1)) (CALL FIB (- N 2)))))";
constexpr const char* kReverse =
    "(REV (L) (CALL INTO L (QUOTE)))\n"
    "(INTO (L A) (IF (EQUAL L (QUOTE)) A (CALL INTO (BF L) (EXPR (FIRST L) A))))";

INSTANTIATE_TEST_SUITE_P(
    Programs, InterpreterAgreementTest,
    ::testing::Values(
        TAgreementCase{"Reverse", kReverse, {"A (B) C 7"}, kCells},
        TAgreementCase{"Fib", kFib, {"12"}, kCells}, TAgreementCase{"Loop", kLoop, {"300"}, kCells},
        // Collections in the middle of the pairs.
        TAgreementCase{"FibCollecting", kFib, {"15"}, 40},
        TAgreementCase{"LoopCollecting", kLoop, {"500"}, 12},
        // Failures in the second step of a pair and in its first.
        TAgreementCase{"SubtrOfAnAtom", "(F (X) (- X 1))", {"A"}, kCells},
        TAgreementCase{"DivisionByZero", "(F (X) (/ X 0))", {"7"}, kCells},
        TAgreementCase{"GreaterOfAnAtom", "(F (X) (IF (> X 1) 1 2))", {"A"}, kCells},
        TAgreementCase{"ComparisonOutOfMemory",
                       "(F (X L) (IF (EQUAL X X) (CALL F X (EXPR (QUOTE A) L)) 2))",
                       {"A", ""},
                       40},
        TAgreementCase{
            "BfOfEmptyInACall", "(F (X) (+ (CALL G X) 1))\n(G (X) (BF X))", {""}, kCells},
        TAgreementCase{"ConstantGreaterOfAnAtom", "(F (X) (IF (> 2 X) 1 2))", {"A"}, kCells},
        TAgreementCase{"ConstantGreater", "(F (X) (IF (> 2 X) 1 2))", {"1"}, kCells},
        TAgreementCase{"EqualArguments", "(F (X Y) (IF (EQUAL X Y) 1 2))", {"A (B)", "A (B)"}, 12},
        TAgreementCase{
            "UnequalArguments", "(F (X Y) (IF (EQUAL X Y) 1 2))", {"A (B)", "A (C)"}, 12}));

TEST(InterpreterIfTest, OnlyOneTrueOrFalseAtomChooses) {
    const char* program = "(F (X) (IF X (QUOTE YES) (QUOTE NO)))";
    EXPECT_EQ(ResultOf(program, {"TRUE"}), "YES ");
    EXPECT_EQ(ResultOf(program, {"FALSE"}), "NO ");
    for (const char* condition : {"", "5", "(TRUE)", "TRUE TRUE", "YES"})
        EXPECT_EQ(CodeOf(program, {condition}), kErrorIfNotBoolean) << condition;
}

TEST(InterpreterIfTest, AComparisonWhoseEqualIsAJumpTargetKeepsBothOperands) {
    // The IF's branches meet at the Equal, so the constant B before it must
    // not be fused into it.
    const char* program = "(F (X) (EQUAL (QUOTE A) (IF X (QUOTE A) (QUOTE B))))";
    EXPECT_EQ(ResultOf(program, {"TRUE"}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"FALSE"}), "FALSE ");
}

TEST(InterpreterIfTest, TheFailedIfIsTheLastStepAndStaysAtItsPlace) {
    const char* program = "(F (X) (IF X 1 2))";
    const TRunOutcome outcome = RunProgram(program, {"5"});
    EXPECT_EQ(outcome.Error, kErrorIfNotBoolean);
    EXPECT_EQ(CompiledProgram(program).Code[outcome.PC].OpCode, opIf);
    EXPECT_EQ(outcome.ExecCount, 3); // LoadArgs, Param, If
}

TEST(InterpreterParamTest, QuickCheck) {
    EXPECT_FALSE(ParamSyntaxOk(")("));
    EXPECT_FALSE(ParamSyntaxOk("(A"));
    EXPECT_FALSE(ParamSyntaxOk("A)"));
    EXPECT_FALSE(ParamSyntaxOk("A,B"));
    EXPECT_TRUE(ParamSyntaxOk("A B"));
    EXPECT_TRUE(ParamSyntaxOk(""));
    EXPECT_TRUE(ParamSyntaxOk("((A) () B)"));
}

TEST(InterpreterParamTest, ParametersAreTheMainArgumentsInOrder) {
    EXPECT_EQ(ResultOf("(F (A B C) (EXPR (EXPR C B) A))", {"x", "y z", ""}), "Y Z X ");
    EXPECT_EQ(ResultOf("(F (A) A)", {"(a (b)) -5 ()"}), "(A (B)) -5 () ");
}

TEST(InterpreterParamTest, ABadTextIsCode200AndPushesNothing) {
    TInterpreter run(kCells, CompiledProgram("(F (A) A)"));
    run.AddParam(")(");
    EXPECT_EQ(run.ErrorNumber(), kErrorBadParam);
    EXPECT_TRUE(run.Memory().ValueStack().IsEmpty());
}

TEST(InterpreterParamTest, NewAtomsJoinTheRunsTable) {
    const char* program = "(F (A) (EXPR A (QUOTE KNOWN)))";
    TInterpreter run(kCells, CompiledProgram(program));
    const int32_t before = run.Atoms().Count();
    run.AddParam("KNOWN NEW");
    EXPECT_EQ(run.Atoms().Count(), before + 1);
    EXPECT_EQ(run.Code().Atoms.Count(), before);
    const TRunOutcome outcome = RunProgram(program, {"KNOWN NEW"});
    EXPECT_EQ(outcome.Result, "KNOWN NEW KNOWN ");
    EXPECT_EQ(outcome.AtomCount, before + 1);
}

TEST(InterpreterParamTest, AValueTooBigForTheMemoryIsCode39) {
    TInterpreter run(1000, CompiledProgram("(F (A) A)"));
    std::string text;
    for (int i = 0; i < 1200; ++i)
        text += "A ";
    run.AddParam(text);
    EXPECT_EQ(run.ErrorNumber(), kErrorNoMemory);
    EXPECT_TRUE(run.Memory().ValueStack().IsEmpty());
}

TFeed ParamsFrom(const std::string& path) {
    return [path](TInterpreter& run) {
        run.ReadParams(path);
        EXPECT_EQ(run.ErrorNumber(), 0);
    };
}

TEST(InterpreterParamTest, ReadParamsTakesOneLinePerArgument) {
    TTempDir dir;
    const std::string path = dir.Write("in.txt", "a b\r\n(c)\nnot read\n");
    EXPECT_EQ(RunFed("(F (A B) (EXPR B A))", ParamsFrom(path)).Result, "(C) A B ");
}

TEST(InterpreterParamTest, ReadParamsAcceptsCrAndAnEmptyLine) {
    TTempDir dir;
    const std::string path = dir.Write("in.txt", "A\r\rC");
    EXPECT_EQ(RunFed("(F (A B C) (EXPR (EXPR C B) A))", ParamsFrom(path)).Result, "C A ");
}

TEST(InterpreterParamTest, AUtf8FileGivesWhatItsWindows1251TwinGives) {
    TTempDir dir;
    const char* program = "(F (A B) (EXPR B A))";
    const std::string utf8 = dir.Write("utf8.txt", "\xEF\xBB\xBFёж\nмир\n");
    const std::string cp1251 = dir.Write("cp1251.txt", W("ёж\nмир\n"));
    EXPECT_EQ(RunFed(program, ParamsFrom(utf8)).Result, W("МИР ЁЖ "));
    EXPECT_EQ(RunFed(program, ParamsFrom(cp1251)).Result, W("МИР ЁЖ "));
}

TEST(InterpreterParamTest, AByteOrderMarkAloneHoldsNoLine) {
    TTempDir dir;
    TInterpreter run(kCells, CompiledProgram("(F (A) A)"));
    run.ReadParams(dir.Write("in.txt", "\xEF\xBB\xBF"));
    EXPECT_EQ(run.ErrorNumber(), kErrorTooFewParams);
}

TEST(InterpreterParamTest, AFileWithTooFewLinesIsCode201) {
    TTempDir dir;
    TInterpreter run(kCells, CompiledProgram("(F (A B C) A)"));
    run.ReadParams(dir.Write("in.txt", "A\nB\n"));
    EXPECT_EQ(run.ErrorNumber(), kErrorTooFewParams);
    EXPECT_EQ(run.Memory().ValueStack().Count(), 2u);
}

TEST(InterpreterParamTest, ABadLineStopsReading) {
    TTempDir dir;
    TInterpreter run(kCells, CompiledProgram("(F (A B) A)"));
    run.ReadParams(dir.Write("in.txt", "(\nB\n"));
    EXPECT_EQ(run.ErrorNumber(), kErrorBadParam);
}

TEST(InterpreterParamTest, AMissingFileIsAFileError) {
    TInterpreter run(kCells, CompiledProgram("(F (A) A)"));
    EXPECT_THROW(run.ReadParams("/nonexistent/in.txt"), TFileError);
}

TEST(InterpreterParamTest, CancelIsCode202) {
    TInterpreter run(kCells, CompiledProgram("(F (A) A)"));
    run.CancelParams();
    EXPECT_EQ(run.ErrorNumber(), kErrorParamsCancelled);
}

TEST(InterpreterWorkerTest, StopEndsAnEndlessLoopWithCode54) {
    TInterpreter run(kCells, CompiledProgram(kEndless));
    run.AddParam("A");
    bool finished = false;
    run.Start([&finished] { finished = true; });
    while (run.ExecCount() == 0)
        std::this_thread::yield();
    run.Stop();
    run.Wait();
    EXPECT_TRUE(finished);
    EXPECT_EQ(run.ErrorNumber(), kErrorStopped);
    EXPECT_GT(run.ExecCount(), 0);
}

TEST(InterpreterWorkerTest, AWorkerThatEndsOnItsOwnCallsOnFinishOnce) {
    TInterpreter run(kCells, CompiledProgram(kLoop));
    run.AddParam("100");
    int calls = 0;
    run.Start([&calls] { ++calls; });
    run.Wait();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(run.ErrorNumber(), kErrorRunComplete);
    EXPECT_EQ(run.ResultText(), "0 ");
}

TEST(InterpreterWorkerTest, StopAfterTheEndOverridesTheCode) {
    TInterpreter run(kCells, CompiledProgram("(F () 1)"));
    run.Run();
    run.Stop();
    EXPECT_EQ(run.ErrorNumber(), kErrorStopped);
}

TEST(InterpreterWorkerTest, AStepLimitEndsTheRunAsAStopAfterExactlyThatMany) {
    TRunOptions options;
    options.StepLimit = 1000;
    TInterpreter run(kCells, CompiledProgram(kEndless), options);
    run.AddParam("A");
    run.ExecStep(); // steps taken before Run count towards the limit
    run.Run();
    EXPECT_EQ(run.ErrorNumber(), kErrorStopped);
    EXPECT_EQ(run.ExecCount(), 1000);
}

TEST(InterpreterWorkerTest, ARunThatEndsWithinItsStepLimitKeepsItsCode) {
    TRunOptions options;
    options.StepLimit = 1000000;
    TInterpreter run(kCells, CompiledProgram(kLoop), options);
    run.AddParam("100");
    run.Run();
    EXPECT_EQ(run.ErrorNumber(), kErrorRunComplete);
    EXPECT_EQ(run.ResultText(), "0 ");
}

TEST(InterpreterWorkerTest, DestroyingARunningInterpreterStopsIt) {
    auto run = std::make_unique<TInterpreter>(kCells, CompiledProgram(kEndless));
    run->AddParam("A");
    run->Start();
    run.reset(); // must not hang or leave the worker running
    SUCCEED();
}

TEST(InterpreterMemoryTest, ExhaustedMemoryIsCode39) {
    const TRunOutcome outcome = RunProgram("(F (L) (CALL F (EXPR L L)))", {"A"}, {}, 2000);
    EXPECT_EQ(outcome.Error, kErrorNoMemory);
    EXPECT_LE(outcome.CellsInUse, 2000);
}

TEST(InterpreterMemoryTest, CollectionsKeepArgumentsAndPendingValues) {
    // Each round builds fresh cells while the argument and a pending EXPR
    // operand wait on the stacks; a small memory collects many times.
    const char* program = "(F (N L) (IF (EQUAL N 0) L (CALL F (- N 1) (CALL ROT L))))\n"
                          "(ROT (L) (EXPR (BF L) (FIRST L)))";
    const TRunOutcome outcome = RunProgram(program, {"1001", "A (B C) 3 (D (E)) F"}, {}, 200);
    ASSERT_EQ(outcome.Error, kErrorRunComplete);
    EXPECT_GT(outcome.AllocCount, 200);
    EXPECT_EQ(outcome.Result, "(B C) 3 (D (E)) F A ");
}

TEST(InterpreterMemoryTest, AStressBuildCollectsAtEveryAllocation) {
    TZKMemory memory(100, 80);
    EXPECT_EQ(memory.AllocCell(kCellNumber, 1), 0);
    // Nothing holds the first cell, so a collection before the second frees it.
    EXPECT_EQ(memory.AllocCell(kCellNumber, 2), kStressCollector ? 0 : 1);
}

TEST(InterpreterMemoryTest, RunawayRecursionStopsAtTheStackLimit) {
    TRunOptions options;
    options.StackLimit = 100000;
    const TRunOutcome outcome = RunProgram("(F (N) (+ 1 (CALL F N)))", {"1"}, options);
    EXPECT_EQ(outcome.Error, kErrorNoMemory);
    // Each level holds a return entry, an argument and a pending value.
    EXPECT_GT(outcome.MaxDepth, 30000);
    EXPECT_LT(outcome.MaxDepth, 40000);
}

struct TOp {
    int32_t OpCode;
    int32_t Arg1 = 0;
    int32_t Arg2 = 0;
};

// An image written by hand, as a damaged file could hold it.
TPCode Image(std::initializer_list<TOp> code, int32_t args = 0) {
    TPCode image;
    TFunction& main = image.AddFunction();
    main.Name = "F";
    main.Args.assign(static_cast<std::size_t>(args), "X");
    for (const TOp& instr : code)
        image.AddInstr(instr.OpCode, instr.Arg1, instr.Arg2);
    return image;
}

// An image the check refuses, run anyway: the loop still ends it with a code
// of its own instead of reading outside a stack or the code.
int32_t CodeOfImage(TPCode image) {
    EXPECT_NE(RunnableImageFault(image), "");
    TInterpreter run(kCells, std::move(image));
    run.Run();
    return run.ErrorNumber();
}

TEST(InterpreterDamageTest, ShortStacksEndTheRunWithItsOwnCode) {
    EXPECT_EQ(CodeOfImage(Image({{opExpr}, {opRet}})), kErrorBadInstruction);
    EXPECT_EQ(CodeOfImage(Image({{opIf, 0}, {opRet}})), kErrorBadInstruction);
    EXPECT_EQ(CodeOfImage(Image({{opLoadArgs, 1}, {opRet}})), kErrorBadInstruction);
    EXPECT_EQ(CodeOfImage(Image({{opFreeArgs, 2}, {opRet}})), kErrorBadInstruction);
    EXPECT_EQ(CodeOfImage(Image({{opParam, 3}, {opRet}})), kErrorBadInstruction);
    EXPECT_EQ(CodeOfImage(Image({{opParamCopy, 0}, {opRet}})), kErrorBadInstruction);
    for (int32_t op :
         {opFirst, opBF, opBr, opCont, opSymbol, opEqual, opAtomEqual, opGreater, opAdd, opRandom})
        EXPECT_EQ(CodeOfImage(Image({{op}, {opRet}})), kErrorBadInstruction) << op;
    EXPECT_EQ(ErrorText(kErrorBadInstruction), W("Неизвестная ошибка - #300"));
}

// The compiler copies every argument that EXPR joins; a file may join one
// as it is. A computed number shared by two pushes of the argument is joined
// through the first and wrapped through the second (and dropped), and the
// joined list keeps its order, by single steps and by the loop.
TEST(InterpreterDamageTest, ANumberJoinedThroughOneShareStaysJoinedWhenTheOtherIsKept) {
    const auto image = [] {
        TPCode code =
            Image({{opPushNum, 5}, {opPushNum, 1}, {opAdd}, {opSavePos}, {opGoto, 6}, {opRet}});
        TFunction& joining = code.AddFunction();
        joining.Name = "G";
        joining.Args = {"X"};
        for (const TOp& instr :
             {TOp{opLoadArgs, 1}, TOp{opParam, 0}, TOp{opPushConst, 1}, TOp{opExpr},
              TOp{opParam, 0}, TOp{opBr}, TOp{opBF}, TOp{opExpr}, TOp{opFreeArgs, 1}, TOp{opRet}})
            code.AddInstr(instr.OpCode, instr.Arg1, instr.Arg2);
        return code;
    };
    EXPECT_EQ(RunnableImageFault(image()), "");
    for (const bool stepped : {false, true}) {
        TInterpreter run(kCells, image());
        while (run.ErrorNumber() == 0)
            stepped ? run.ExecStep() : run.Run();
        ASSERT_EQ(run.ErrorNumber(), kErrorRunComplete);
        EXPECT_EQ(run.ResultText(), "6 TRUE ") << (stepped ? "stepped" : "looped");
    }
}

TEST(InterpreterDamageTest, RunningOffTheEndOfTheCodeStops) {
    EXPECT_EQ(CodeOfImage(Image({{opNop}})), kErrorBadInstruction);
    // A call saved at the last instruction returns past the end.
    EXPECT_EQ(CodeOfImage(Image({{opGoto, 2}, {opRet}, {opSavePos}, {opGoto, 1}})),
              kErrorBadInstruction);
}

TEST(InterpreterDamageTest, TheImageCheckRefusesWhatCannotRun) {
    EXPECT_EQ(RunnableImageFault(Image({{opPushConst, 0}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(TPCode()), "");
    EXPECT_NE(RunnableImageFault(Image({{opNop}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 0}, {opRes1}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 0}, {32}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 0}, {-1}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 0}, {opGoto, 5}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 1}, {opIf, -1}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushConst, 3}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushNum, 1}, {opAtomEqual, 3, 0}, {opRet}})), "");
    EXPECT_EQ(RunnableImageFault(Image({{opPushNum, 1}, {opAtomEqual, 3, 1}, {opRet}})), "");
    EXPECT_NE(RunnableImageFault(Image({{opPushNum, 1}, {opAtomEqual, 0, 2}, {opRet}})), "");
    TPCode unresolved = Image({{opSavePos}, {opGoto}, {opRet}});
    unresolved.Code[1].Name = "G";
    EXPECT_NE(RunnableImageFault(unresolved), "");
    TPCode entry = Image({{opPushConst, 0}, {opRet}});
    entry.Functions[0].Entry = 4;
    EXPECT_NE(RunnableImageFault(entry), "");
    TPCode noAtoms = TPCode::Empty();
    noAtoms.Functions = entry.Functions;
    noAtoms.Functions[0].Entry = 0;
    noAtoms.Code = entry.Code;
    EXPECT_NE(RunnableImageFault(noAtoms), "");
}

TEST(InterpreterDamageTest, ParameterDepthUsesTheLowByte) {
    // 256 reads as 0: the top argument.
    TPCode image = Image({{opLoadArgs, 1}, {opParam, 256}, {opFreeArgs, 1}, {opRet}}, 1);
    TInterpreter run(kCells, std::move(image));
    run.AddParam("A");
    run.Run();
    EXPECT_EQ(run.ErrorNumber(), kErrorRunComplete);
    EXPECT_EQ(run.ResultText(), "A ");
}

} // namespace
} // namespace zk::test
