// Random programs, each run by single steps and by the worker's loop: the loop
// joins instructions into groups and takes shortcuts that the single step
// never takes, and both must leave exactly the same run behind - the result,
// the code and place of a failure, the counters, the cells, the moment the
// memory runs out.
#include "RandomPrograms.h"
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zk::test {
namespace {

TRunOutcome Stepped(const TPCode& code, const std::vector<std::string>& params,
                    const TRunOptions& options, int32_t cells) {
    const TFeed stepping = [feed = Params(params)](TInterpreter& run) {
        feed(run);
        while (run.ErrorNumber() == 0)
            run.ExecStep();
    };
    return RunImage(code, stepping, options, cells);
}

// A collection at every allocation makes each run far slower.
constexpr int kPrograms = kStressCollector ? 300 : 3000;

TEST(InterpreterDifferentialTest, RandomProgramsRunTheSameByStepsAndByTheLoop) {
    TProgramWriter writer(20261209);
    int failed = 0;
    for (int i = 0; i < kPrograms && failed < 3; ++i) {
        const std::string text = writer.Program();
        const std::vector<std::string> params = writer.Params();
        const TRunOptions options = writer.Options();
        const int32_t cells = writer.Cells();
        SCOPED_TRACE(text);
        const TPCode code = CompiledProgram(text);
        const TRunOutcome looped = RunImage(code, Params(params), options, cells);
        const TRunOutcome stepped = Stepped(code, params, options, cells);
        EXPECT_EQ(looped, stepped) << "program " << i << ", " << cells << " cells";
        if (looped != stepped) ++failed;
    }
}

// Numbers made and used at once stay out of their cells in the loop, and a
// single step writes each into its cell when it ends: the two must still
// collect, run out and fail at the same steps.
TEST(InterpreterDifferentialTest, NumericProgramsInSmallMemoriesRunTheSameByStepsAndByTheLoop) {
    TProgramWriter writer(20261210, true);
    int failed = 0;
    int collected = 0;
    int exhausted = 0;
    for (int i = 0; i < kPrograms && failed < 3; ++i) {
        const std::string text = writer.Program();
        const std::vector<std::string> params = writer.Params();
        const TRunOptions options = writer.Options();
        const int32_t cells = writer.Cells();
        SCOPED_TRACE(text);
        const TPCode code = CompiledProgram(text);
        const TRunOutcome looped = RunImage(code, Params(params), options, cells);
        const TRunOutcome stepped = Stepped(code, params, options, cells);
        EXPECT_EQ(looped, stepped) << "program " << i << ", " << cells << " cells";
        if (looped != stepped) ++failed;
        if (looped.AllocCount >= cells - 2) ++collected;
        if (looped.Error == kErrorNoMemory) ++exhausted;
    }
    // Many runs go on past the first collection, many into "Нехватка памяти".
    EXPECT_GT(collected, kPrograms / 4);
    EXPECT_GT(exhausted, kPrograms / 10);
}

// Each joined group on numbers and calls, run to success and into each of its
// failures, and in memories so small that the memory runs out inside every
// group at some size.
TEST(InterpreterDifferentialTest, GroupsOnNumbersFailAndRunOutOfMemoryAsSingleSteps) {
    struct TCase {
        const char* Text;
        std::vector<std::string> Params;
    };
    const TCase cases[] = {
        {"(F (X) (- X 1))", {"5"}},
        {"(F (X) (- X 1))", {"(A)"}},
        {"(F (X) (/ X 0))", {"5"}},
        {"(F (X) (* X 1000000000))", {"10000000000"}},
        {"(F (A B) (% (+ A 1) (- B 2)))", {"7", "5"}},
        {"(F (A B) (% (+ A 1) (- B 2)))", {"7", "2"}},
        {"(F (A B) (* (+ A 1) (EXPR B 2)))", {"7", "5"}},
        {"(F (N) (CALL L N (QUOTE A) (QUOTE B)))\n"
         "(L (N P Q) (IF (EQUAL N 0) 0 (+ (CALL L (- N 1) Q P) (+ 1 (CALL L (- N 1) P Q)))))",
         {"6"}},
        // Runs of Params into a call; lists compared and taken apart by the
        // groups on arguments.
        {"(F (A B C D) (CALL G A B C D))\n(G (A B C D) (EXPR A B C D))", {"1", "(X)", "Y", "2"}},
        {"(F (A B) (IF (EQUAL A B) 1 2))", {"(X (Y))", "(X (Y))"}},
        {"(F (A B) (IF (EQUAL (BF A) B) 1 2))", {"(1 X Y)", "(X Y)"}},
        {"(F (A) (EXPR (FIRST A) (BF A)))", {"(X Y Z)"}},
        // A number made by one call and shared by the arguments of the next,
        // then kept in lists, joined to itself and taken apart.
        {"(F (X) (CALL G (+ X 1) (* X 3)))\n"
         "(G (A B) (EXPR (CALL H A) (BR B) (CALL H A) (BR (- A B)) (FIRST (CALL H B))))\n"
         "(H (Z) Z)",
         {"5"}},
        {"(F (X) (CALL G (* X X)))\n(G (A) (IF (EQUAL (BF (CALL H A)) (QUOTE)) (CONT (BR A)) 0))\n"
         "(H (Z) (EXPR Z (QUOTE)))",
         {"46341"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const TPCode code = CompiledProgram(c.Text);
        for (int32_t cells = 8; cells <= 96; ++cells) {
            const TRunOutcome looped = RunImage(code, Params(c.Params), {}, cells);
            EXPECT_EQ(looped, Stepped(code, c.Params, {}, cells)) << cells << " cells";
        }
    }
}

// A run of many chunks fails at the step and place where single steps fail.
TEST(InterpreterDifferentialTest, AFailureManyChunksIntoTheRunStopsAsSingleStepsStop) {
    const TPCode code = CompiledProgram("(F (N) (IF (EQUAL N 0) (/ 1 N) (CALL F (- N 1))))");
    const TRunOutcome looped = RunImage(code, Params({"3000"}), {}, 4 * kCellsPerMegabyte);
    EXPECT_EQ(looped.Error, kErrorDivisionByZero);
    EXPECT_GT(looped.ExecCount, 3 * 4096);
    EXPECT_EQ(looped, Stepped(code, {"3000"}, {}, 4 * kCellsPerMegabyte));
}

// The loop grows the stacks and the return places ahead of need, between
// steps: a call of thirty-one arguments, 300 deep, and a call of none grow
// each of them many times over.
TEST(InterpreterDifferentialTest, StacksGrownUnderDeepCallsRunAsSingleSteps) {
    std::ostringstream names;
    std::ostringstream numbers;
    for (int i = 1; i <= 30; ++i) {
        names << " A" << i;
        numbers << ' ' << i;
    }
    std::ostringstream text;
    text << "(F (N) (CALL G N" << numbers.str() << "))\n(G (N" << names.str()
         << ") (IF (EQUAL N 0) (CALL Z) (+ A30 (CALL G (- N 1)" << names.str() << "))))\n(Z () 0)";
    const std::string program = text.str();
    SCOPED_TRACE(program);
    const TPCode code = CompiledProgram(program);
    const TRunOutcome looped = RunImage(code, Params({"300"}), {}, 1 << 16);
    EXPECT_EQ(looped.Result, "9000 ");
    EXPECT_EQ(looped.MaxDepth, 302);
    EXPECT_EQ(looped, Stepped(code, {"300"}, {}, 1 << 16));
}

} // namespace
} // namespace zk::test
