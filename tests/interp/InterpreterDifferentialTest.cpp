// Random programs, each run by single steps and by the worker's loop: the loop
// joins instructions into groups and takes shortcuts that the single step
// never takes, and both must leave exactly the same run behind - the result,
// the code and place of a failure, the counters, the cells, the moment the
// memory runs out.
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zk::test {
namespace {

// "(A B C)" from the words A, B and C.
std::string Form(std::initializer_list<std::string_view> words) {
    std::string text = "(";
    for (const std::string_view word : words) {
        if (text.size() > 1) text += ' ';
        text += word;
    }
    return text += ')';
}

// Writes programs of a few functions. Function i calls only the functions
// after it and itself; a function that calls itself takes a count as its
// first argument, passes it on one smaller and stops at 0, so every program
// ends. The rest is random: operands of any kind, so that many runs fail.
class TProgramWriter {
public:
    explicit TProgramWriter(uint32_t seed) : Random_(seed) {}

    std::string Program() {
        Functions_.clear();
        const int count = Between(2, 4);
        for (int i = 0; i < count; ++i) {
            TFunctionShape f;
            f.Name = "F";
            f.Name += std::to_string(i);
            f.Arity = i == 0 ? Between(0, 2) : Between(1, 3);
            f.Recursive = i == 1 || (i > 1 && Chance(60));
            Functions_.push_back(f);
        }
        std::string text;
        for (Current_ = count - 1; Current_ >= 0; --Current_)
            text = Function() + text;
        return text;
    }

    // One parameter for each argument of the main function.
    std::vector<std::string> Params() {
        static const char* const kTexts[] = {"3",   "0",       "7", "-2",   "A",
                                             "A B", "(A 1) B", "",  "TRUE", "(1 2 3)"};
        std::vector<std::string> params;
        for (int i = 0; i < Functions_[0].Arity; ++i)
            params.push_back(kTexts[Between(0, std::size(kTexts) - 1)]);
        return params;
    }

    int32_t Cells() {
        static const int32_t kSizes[] = {20, 40, 100, 300, 4 * kCellsPerMegabyte};
        return kSizes[Between(0, std::size(kSizes) - 1)];
    }

    TRunOptions Options() {
        return {.SymbolIsError = Chance(50),
                .RandomState = static_cast<uint32_t>(Random_()),
                .StackLimit = 0};
    }

private:
    struct TFunctionShape {
        std::string Name;
        int Arity = 0;
        bool Recursive = false;
    };

    int Between(std::size_t low, std::size_t high) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(low, high)(Random_));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

    const TFunctionShape& Self() const { return Functions_[static_cast<std::size_t>(Current_)]; }

    std::string Function() {
        const TFunctionShape& f = Self();
        std::string args;
        for (int a = 0; a < f.Arity; ++a) {
            if (a > 0) args += ' ';
            args += ArgName(a);
        }
        std::string body;
        if (f.Recursive) {
            // The self call in tail position becomes a jump; one in the
            // middle of an expression stays a call.
            const std::string self = SelfCall();
            std::string step = Chance(50) ? self : Form({"+", "1", self});
            if (Chance(40)) {
                const std::string condition = Condition(1);
                step = Form({"IF", condition, step, Expression(1)});
            }
            const std::string other = Expression(2);
            body = Chance(50) ? Form({"IF", "(> X0 0)", step, other})
                              : Form({"IF", "(EQUAL X0 0)", other, step});
        } else {
            // The main function mostly starts the work at once.
            body = Current_ == 0 && Chance(70) ? Call(3) : Expression(3);
        }
        return Form({f.Name, Form({args}), body}) + "\n";
    }

    static std::string ArgName(int a) {
        std::string name = "X";
        return name += std::to_string(a);
    }

    std::string SelfCall() {
        std::string text = "(CALL " + Self().Name + " (- X0 1)";
        for (int a = 1; a < Self().Arity; ++a)
            text += ' ' + Expression(2);
        return text + ")";
    }

    std::string Argument() {
        // The count of a function that calls itself must be a number.
        const int a = Between(0, Self().Arity - 1);
        if (a == 0 && Self().Recursive && Chance(70)) return "X0";
        return ArgName(a);
    }

    std::string Leaf() {
        switch (Between(0, 7)) {
        case 0:
        case 1:
        case 2:
            if (Self().Arity > 0) return Argument();
            [[fallthrough]];
        case 3: return std::to_string(Between(0, 9));
        case 4: return "(QUOTE)";
        case 5: return Chance(50) ? "(QUOTE A)" : "(QUOTE TRUE)";
        case 6: return "(QUOTE A (B 1) 2)";
        default: return Chance(50) ? "(QUOTE FALSE)" : "(QUOTE ())";
        }
    }

    std::string Condition(int depth) {
        static const char* const kTests[] = {"EQUAL", ">"};
        if (Chance(15)) return Form({Chance(50) ? "SYMBOL" : "NUMBER", Expression(depth)});
        if (Chance(5)) return Expression(depth); // mostly fails with 45
        const char* test = kTests[Between(0, 1)];
        const std::string left = Expression(depth);
        return Form({test, left, Expression(depth)});
    }

    std::string Call(int depth) {
        const int callee = Between(static_cast<std::size_t>(Current_) + 1, Functions_.size() - 1);
        const TFunctionShape& f = Functions_[static_cast<std::size_t>(callee)];
        std::string text = "(CALL " + f.Name;
        for (int a = 0; a < f.Arity; ++a) {
            text += ' ';
            text += a == 0 && f.Recursive ? std::to_string(Between(0, 9)) : Expression(depth);
        }
        return text + ")";
    }

    // Mostly a number, so that arithmetic gets somewhere before it fails.
    std::string Arithmetic(int depth) {
        if (Chance(40)) return Expression(depth);
        if (Self().Recursive && Chance(50)) return "X0";
        return std::to_string(Between(0, 9));
    }

    std::string Expression(int depth) {
        if (depth <= 0 || Chance(20)) return Leaf();
        static const char* const kUnary[] = {"FIRST", "BF", "LAST", "BL", "BR", "CONT"};
        static const char* const kBinary[] = {"EXPR", "+", "-", "*", "/", "%"};
        const bool canCall = static_cast<std::size_t>(Current_) + 1 < Functions_.size();
        switch (Between(0, 11)) {
        case 0:
        case 1: {
            const char* op = kUnary[Between(0, 5)];
            return Form({op, Expression(depth - 1)});
        }
        case 2:
        case 3: {
            const int op = Between(0, 5);
            if (op == 0) {
                const std::string left = Expression(depth - 1);
                return Form({kBinary[op], left, Expression(depth - 1)});
            }
            const std::string left = Arithmetic(depth - 1);
            return Form({kBinary[op], left, Arithmetic(depth - 1)});
        }
        case 4: {
            const std::string condition = Condition(depth - 1);
            const std::string then = Expression(depth - 1);
            return Form({"IF", condition, then, Expression(depth - 1)});
        }
        case 5: return Condition(depth - 1);
        case 6: {
            if (Chance(10)) return Form({"RANDOM", Expression(depth - 1)});
            const std::string left = Expression(depth - 1);
            return Form({"EXPR", left, Leaf()});
        }
        default: return canCall ? Call(depth - 1) : Leaf();
        }
    }

    std::mt19937 Random_;
    std::vector<TFunctionShape> Functions_;
    int Current_ = 0;
};

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
