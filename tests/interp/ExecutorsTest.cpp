// The data operations at run time, each through a program: results, the
// cells that sequences share, and every code an operation ends a run with.
#include "interp/Executors.h"

#include "RunProgram.h"

#include <gtest/gtest.h>

#include <string>

namespace zk::test {
namespace {

// 2^62, built from constants that fit an instruction's 32-bit operand.
constexpr const char* kBig = "(* (* 65536 65536) (* 65536 16384))";

std::string Main(const std::string& body) {
    return "(MAIN () " + body + ")";
}
std::string Max64() {
    return std::string("(+ (- ") + kBig + " 1) " + kBig + ")";
}
std::string Min64() {
    return std::string("(- (- 0 ") + kBig + ") " + kBig + ")";
}

TEST(ExecutorsPushTest, ConstantsAndTheEmptyValue) {
    EXPECT_EQ(ResultOf(Main("(QUOTE)")), "");
    EXPECT_EQ(ResultOf(Main("0")), "0 ");
    EXPECT_EQ(ResultOf(Main("(QUOTE A (B 7) ())")), "A (B 7) () ");
    EXPECT_EQ(ResultOf(Main("(- 0 2147483647)")), "-2147483647 ");
}

TEST(ExecutorsListTest, FirstLastBfBl) {
    EXPECT_EQ(ResultOf(Main("(FIRST (QUOTE A B C))")), "A ");
    EXPECT_EQ(ResultOf(Main("(LAST (QUOTE A B C))")), "C ");
    EXPECT_EQ(ResultOf(Main("(BF (QUOTE A B C))")), "B C ");
    EXPECT_EQ(ResultOf(Main("(BL (QUOTE A B C))")), "A B ");
    EXPECT_EQ(ResultOf(Main("(BF (QUOTE A))")), "");
    EXPECT_EQ(ResultOf(Main("(BL (QUOTE A B))")), "A ");
    EXPECT_EQ(ResultOf(Main("(BF (QUOTE (A B)))")), "");
    EXPECT_EQ(ResultOf(Main("(FIRST (BF (BL (QUOTE A B C D))))")), "B ");
}

TEST(ExecutorsListTest, EmptyOperandsStopTheRun) {
    EXPECT_EQ(CodeOf(Main("(FIRST (QUOTE))")), kErrorFirstEmpty);
    EXPECT_EQ(CodeOf(Main("(LAST (QUOTE))")), kErrorLastEmpty);
    EXPECT_EQ(CodeOf(Main("(BF (QUOTE))")), kErrorBFEmpty);
    EXPECT_EQ(CodeOf(Main("(BL (QUOTE))")), kErrorBLEmpty);
}

TEST(ExecutorsListTest, BrContAndExpr) {
    EXPECT_EQ(ResultOf(Main("(BR (QUOTE))")), "() ");
    EXPECT_EQ(ResultOf(Main("(CONT (BR (QUOTE)))")), "");
    EXPECT_EQ(ResultOf(Main("(CONT (QUOTE (A (B))))")), "A (B) ");
    EXPECT_EQ(ResultOf(Main("(EXPR (QUOTE) (QUOTE A))")), "A ");
    EXPECT_EQ(ResultOf(Main("(EXPR (QUOTE A) (QUOTE B C))")), "A B C ");
    EXPECT_EQ(ResultOf(Main("(EXPR (QUOTE A B) (QUOTE))")), "A B ");
    EXPECT_EQ(CodeOf(Main("(CONT (QUOTE A))")), kErrorNotList);
    EXPECT_EQ(CodeOf(Main("(CONT (QUOTE))")), kErrorNotList);
    EXPECT_EQ(CodeOf(Main("(CONT (QUOTE (A) (B)))")), kErrorNotList);
    EXPECT_EQ(CodeOf(Main("(CONT 5)")), kErrorNotList);
}

TEST(ExecutorsListTest, JoiningNeverAltersAnArgument) {
    const char* program = "(MAIN (L) (CALL PAIR L (FIRST L)))\n"
                          "(PAIR (L X) (EXPR (EXPR L X) (EXPR X L)))";
    EXPECT_EQ(ResultOf(program, {"A B"}), "A B A A A B ");
}

TEST(ExecutorsPredicateTest, SymbolAndNumber) {
    EXPECT_EQ(ResultOf(Main("(SYMBOL (QUOTE A))")), "TRUE ");
    EXPECT_EQ(ResultOf(Main("(SYMBOL 5)")), "FALSE ");
    EXPECT_EQ(ResultOf(Main("(SYMBOL (QUOTE ()))")), "FALSE ");
    EXPECT_EQ(ResultOf(Main("(SYMBOL (QUOTE (A)))")), "FALSE ");
    EXPECT_EQ(ResultOf(Main("(NUMBER 5)")), "TRUE ");
    EXPECT_EQ(ResultOf(Main("(NUMBER (QUOTE A))")), "FALSE ");
    EXPECT_EQ(CodeOf(Main("(SYMBOL (QUOTE))")), kErrorSymbolEmpty);
    EXPECT_EQ(CodeOf(Main("(NUMBER (QUOTE))")), kErrorSymbolEmpty);
    EXPECT_EQ(CodeOf(Main("(SYMBOL (QUOTE A B))")), kErrorSymbolNotTerm);
    EXPECT_EQ(CodeOf(Main("(NUMBER (QUOTE 1 2))")), kErrorSymbolNotTerm);
}

TEST(ExecutorsPredicateTest, SeveralElementsAreNoTermWhenTheOptionIsOff) {
    TRunOptions lenient;
    lenient.SymbolIsError = false;
    const TRunOutcome outcome = RunProgram(Main("(SYMBOL (QUOTE A B))"), {}, lenient);
    EXPECT_EQ(outcome.Error, kErrorRunComplete);
    EXPECT_EQ(outcome.Result, "FALSE ");
    EXPECT_EQ(RunProgram(Main("(SYMBOL (QUOTE))"), {}, lenient).Error, kErrorSymbolEmpty);
}

TEST(ExecutorsPredicateTest, EqualComparesStructure) {
    const char* program = "(MAIN (A B) (EQUAL A B))";
    EXPECT_EQ(ResultOf(program, {"A (B C)", "A (B C)"}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"A (B C)", "A (B D)"}), "FALSE ");
    EXPECT_EQ(ResultOf(program, {"(A)", "(B)"}), "FALSE ");
    EXPECT_EQ(ResultOf(program, {"((A))", "((A))"}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"", ""}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"()", ""}), "FALSE ");
    EXPECT_EQ(ResultOf(program, {"5", "5"}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"5", "05"}), "TRUE ");
}

TEST(ExecutorsPredicateTest, EqualityWithAConstantMatchesEqual) {
    // The optimizer turns a comparison with a constant into AtomEqual.
    const char* program = "(MAIN (X) (EXPR (EXPR (EQUAL X 0) (EQUAL X (QUOTE)))"
                          " (EQUAL X (QUOTE A))))";
    EXPECT_EQ(ResultOf(program, {"0"}), "TRUE FALSE FALSE ");
    EXPECT_EQ(ResultOf(program, {""}), "FALSE TRUE FALSE ");
    EXPECT_EQ(ResultOf(program, {"A"}), "FALSE FALSE TRUE ");
    EXPECT_EQ(ResultOf(program, {"A A"}), "FALSE FALSE FALSE ");
    EXPECT_EQ(ResultOf(program, {"(A)"}), "FALSE FALSE FALSE ");
}

TEST(ExecutorsPredicateTest, Greater) {
    const char* program = "(MAIN (A B) (> A B))";
    EXPECT_EQ(ResultOf(program, {"3", "2"}), "TRUE ");
    EXPECT_EQ(ResultOf(program, {"2", "3"}), "FALSE ");
    EXPECT_EQ(ResultOf(program, {"3", "3"}), "FALSE ");
    EXPECT_EQ(ResultOf(Main("(> " + Min64() + " " + Max64() + ")")), "FALSE ");
    EXPECT_EQ(CodeOf(program, {"A", "2"}), kErrorGreaterNotNumber);
    EXPECT_EQ(CodeOf(program, {"2", "1 1"}), kErrorGreaterNotNumber);
}

TEST(ExecutorsArithmeticTest, SignedResults) {
    EXPECT_EQ(ResultOf(Main("(- 2 5)")), "-3 ");
    EXPECT_EQ(ResultOf(Main("(/ (- 0 7) 2)")), "-3 ");
    EXPECT_EQ(ResultOf(Main("(% (- 0 7) 2)")), "-1 ");
    EXPECT_EQ(ResultOf(Main("(% 7 (- 0 2))")), "1 ");
    EXPECT_EQ(ResultOf(Main("(* 65536 65536)")), "4294967296 ");
    EXPECT_EQ(ResultOf(Main(Max64())), "9223372036854775807 ");
    EXPECT_EQ(ResultOf(Main(Min64())), "-9223372036854775808 ");
    EXPECT_EQ(ResultOf(Main("(% " + Min64() + " (- 0 1))")), "0 ");
}

TEST(ExecutorsArithmeticTest, OperandsThatAreNoNumbers) {
    EXPECT_EQ(CodeOf(Main("(+ 1 (QUOTE A))")), kErrorAddNotNumber);
    EXPECT_EQ(CodeOf(Main("(- (QUOTE) 1)")), kErrorSubtrNotNumber);
    EXPECT_EQ(CodeOf(Main("(* 1 (QUOTE 1 2))")), kErrorMulNotNumber);
    EXPECT_EQ(CodeOf(Main("(/ (QUOTE (1)) 1)")), kErrorDivNotNumber);
    EXPECT_EQ(CodeOf(Main("(% 1 (QUOTE A))")), kErrorModNotNumber);
}

TEST(ExecutorsArithmeticTest, DivisionByZeroAndOverflow) {
    EXPECT_EQ(CodeOf(Main("(/ 1 0)")), kErrorDivisionByZero);
    EXPECT_EQ(CodeOf(Main("(% 1 0)")), kErrorDivisionByZero);
    EXPECT_EQ(CodeOf(Main("(+ " + Max64() + " 1)")), kErrorOverflow);
    EXPECT_EQ(CodeOf(Main("(- " + Min64() + " 1)")), kErrorOverflow);
    EXPECT_EQ(CodeOf(Main("(* " + std::string(kBig) + " 2)")), kErrorOverflow);
    EXPECT_EQ(CodeOf(Main("(/ " + Min64() + " (- 0 1))")), kErrorOverflow);
}

TEST(ExecutorsRandomTest, DrawsFollowTheGenerator) {
    TRunOptions seeded;
    seeded.RandomState = 12345;
    TRandomGenerator expected(12345);
    const uint32_t first = expected.Draw(1000);
    const uint32_t second = expected.Draw(1000);
    const TRunOutcome outcome = RunProgram(Main("(EXPR (RANDOM 1000) (RANDOM 1000))"), {}, seeded);
    ASSERT_EQ(outcome.Error, kErrorRunComplete);
    EXPECT_EQ(outcome.Result, std::to_string(first) + " " + std::to_string(second) + " ");
}

TEST(ExecutorsRandomTest, RangesOfOneAndZeroGiveZero) {
    EXPECT_EQ(ResultOf(Main("(EXPR (RANDOM 1) (RANDOM 0))")), "0 0 ");
}

TEST(ExecutorsRandomTest, ANegativeOrNonNumericRangeIsCode55) {
    EXPECT_EQ(CodeOf(Main("(RANDOM (- 0 1))")), kErrorRandomRange);
    EXPECT_EQ(CodeOf(Main("(RANDOM (QUOTE A))")), kErrorRandomRange);
    EXPECT_EQ(ErrorText(kErrorRandomRange), W("Неизвестная ошибка - #55"));
}

TEST(ExecutorsRandomTest, OnlyTheLowBitsOfAHugeRangeCount) {
    // 2^32 + 1 has the low 32 bits 1, so every draw is 0.
    EXPECT_EQ(ResultOf(Main("(RANDOM (+ (* 65536 65536) 1))")), "0 ");
}

TEST(ExecutorsAbortTest, AbortEndsTheRun) {
    EXPECT_EQ(CodeOf(Main("(ABORT)")), kErrorAborted);
}

} // namespace
} // namespace zk::test
