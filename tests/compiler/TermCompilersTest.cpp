// The built-in forms compiled as function bodies: the instructions, operands
// and positions each form appends, and every check it makes. Unless a test
// says otherwise, A, B and C are the arguments 0, 1 and 2.
#include "compiler/TermCompilers.h"

#include "CompileText.h"

#include <gtest/gtest.h>

#include <string>

namespace zk {
namespace {

using test::CompiledBody;

class TermForms : public test::TCompilerTest {};

struct TFixedForm {
    std::string Keyword;
    std::string OpName;
    int ErrorNumber;
};

std::string Pos(std::size_t pos) {
    std::string text = "@";
    text += std::to_string(pos);
    return text;
}

TEST_F(TermForms, OneArgumentFormsAppendTheirOperationAfterTheArgument) {
    const TFixedForm forms[] = {
        {"FIRST", "First", 9},    {"BF", "BF", 10},         {"LAST", "Last", 11},
        {"BL", "BL", 12},         {"BR", "Br", 13},         {"CONT", "Cont", 14},
        {"SYMBOL", "Symbol", 15}, {"NUMBER", "Number", 16}, {"RANDOM", "Random", 100},
    };
    for (const TFixedForm& form : forms) {
        SCOPED_TRACE(form.Keyword);
        const std::size_t a = form.Keyword.size() + 2;
        EXPECT_EQ(CompiledBody("(" + form.Keyword + " A)").Code,
                  "Param 0 " + Pos(a) + "; " + form.OpName + " " + Pos(a));
        EXPECT_EQ(CompiledBody("(" + form.Keyword + ")").Error,
                  std::to_string(form.ErrorNumber) + Pos(a - 1));
    }
}

TEST_F(TermForms, OneArgumentFormsTakeExactlyOne) {
    EXPECT_EQ(CompiledBody("(FIRST)").Error, "9@6");
    EXPECT_EQ(CompiledBody("(FIRST A B)").Error, "8@9");
    EXPECT_EQ(CompiledBody("(FIRST A").Error, "1@8");
}

TEST_F(TermForms, TwoArgumentFormsAppendTheirOperationAfterBoth) {
    const TFixedForm forms[] = {
        {"EQUAL", "Equal", 17}, {"-", "Subtr", 18},   {"/", "Div", 19},
        {"%", "Mod", 20},       {">", "Greater", 21},
    };
    for (const TFixedForm& form : forms) {
        SCOPED_TRACE(form.Keyword);
        const std::size_t a = form.Keyword.size() + 2;
        EXPECT_EQ(CompiledBody("(" + form.Keyword + " A B)").Code,
                  "Param 0 " + Pos(a) + "; Param 1 " + Pos(a + 2) + "; " + form.OpName + " " +
                      Pos(a + 2));
        EXPECT_EQ(CompiledBody("(" + form.Keyword + ")").Error,
                  std::to_string(form.ErrorNumber) + Pos(a - 1));
        EXPECT_EQ(CompiledBody("(" + form.Keyword + " A)").Error,
                  std::to_string(form.ErrorNumber) + Pos(a + 1));
    }
}

TEST_F(TermForms, TwoArgumentFormsTakeExactlyTwo) {
    EXPECT_EQ(CompiledBody("(EQUAL A)").Error, "17@8");
    EXPECT_EQ(CompiledBody("(EQUAL A B C)").Error, "8@11");
    EXPECT_EQ(CompiledBody("(EQUAL A").Error, "1@8");
    EXPECT_EQ(CompiledBody("(EQUAL A B").Error, "1@10");
}

TEST_F(TermForms, NestedArithmeticIsPositionedAtEachArgumentsLastToken) {
    EXPECT_EQ(CompiledBody("(- (+ A 1) B)").Code,
              "Param 0 @6; PushNum 1 @8; Add @8; Param 1 @11; Subtr @11");
}

TEST_F(TermForms, SumsAndProductsFoldToTheLeft) {
    EXPECT_EQ(CompiledBody("(+ A)").Code, "Param 0 @3");
    EXPECT_EQ(CompiledBody("(+ A B C)").Code, "Param 0 @3; Param 1 @5; Add @5; Param 2 @7; Add @7");
    EXPECT_EQ(CompiledBody("(* A B)").Code, "Param 0 @3; Param 1 @5; Mul @5");
}

TEST_F(TermForms, SumsAndProductsNeedOneArgument) {
    EXPECT_EQ(CompiledBody("(+)").Error, "37@2");
    EXPECT_EQ(CompiledBody("(*)").Error, "36@2");
    EXPECT_EQ(CompiledBody("(+ A").Error, "1@4");
    EXPECT_EQ(CompiledBody("(* A B").Error, "1@6");
}

TEST_F(TermForms, ExprWithOneArgumentIsThatArgument) {
    EXPECT_EQ(CompiledBody("(EXPR A)").Code, "Param 0 @6");
}

TEST_F(TermForms, ExprConcatenatesAndCopiesItsArguments) {
    EXPECT_EQ(CompiledBody("(EXPR A A)").Code, "ParamCopy 0 @6; ParamCopy 0 @8; Expr @8");
    EXPECT_EQ(CompiledBody("(EXPR A B C)").Code,
              "ParamCopy 0 @6; ParamCopy 1 @8; Expr @8; ParamCopy 2 @10; Expr @10");
}

TEST_F(TermForms, ExprRewritesTheParamsOfNestedFormsButNoneBeforeIt) {
    EXPECT_EQ(CompiledBody("(EQUAL A (EXPR (FIRST B) C))").Code,
              "Param 0 @7; ParamCopy 1 @22; First @22; ParamCopy 2 @25; Expr @25; Equal @26");
    EXPECT_EQ(CompiledBody("(EXPR (EXPR A) B)").Code, "ParamCopy 0 @12; ParamCopy 1 @15; Expr @15");
    EXPECT_EQ(CompiledBody("(EXPR (EXPR A B))").Code, "ParamCopy 0 @12; ParamCopy 1 @14; Expr @14");
}

TEST_F(TermForms, ExprNeedsOneArgument) {
    EXPECT_EQ(CompiledBody("(EXPR)").Error, "23@5");
    EXPECT_EQ(CompiledBody("(EXPR A").Error, "1@7");
}

TEST_F(TermForms, ExprsNestAHundredThousandDeep) {
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i)
        text += "(EXPR ";
    text += "A";
    for (int i = 0; i < kDepth; ++i)
        text += " B)";
    const auto body = CompiledBody(text);
    ASSERT_EQ(body.Error, "0");
    EXPECT_EQ(body.Code.find("Param "), std::string::npos);
    const std::string last = "ParamCopy 1 @" + std::to_string(9 * kDepth - 1) + "; Expr @" +
                             std::to_string(9 * kDepth - 1);
    EXPECT_EQ(body.Code.substr(body.Code.size() - last.size()), last);
}

TEST_F(TermForms, IfJumpsOverTheThenAndElseParts) {
    EXPECT_EQ(CompiledBody("(IF A B C)").Code,
              "Param 0 @4; If 4 @4; Param 1 @6; Goto 5 0 @6; Param 2 @8");
    EXPECT_EQ(CompiledBody("(IF (EQUAL A B) (QUOTE T) (IF C A B))").Code,
              "Param 0 @11; Param 1 @13; Equal @13; If 6 @14; PushConst 0 T @23; Goto 11 0 @24; "
              "Param 2 @30; If 10 @30; Param 0 @32; Goto 11 0 @32; Param 1 @34");
}

TEST_F(TermForms, IfTakesExactlyThreeArguments) {
    EXPECT_EQ(CompiledBody("(IF)").Error, "22@3");
    EXPECT_EQ(CompiledBody("(IF A)").Error, "22@5");
    EXPECT_EQ(CompiledBody("(IF A B)").Error, "22@7");
    EXPECT_EQ(CompiledBody("(IF A B C D)").Error, "8@10");
    EXPECT_EQ(CompiledBody("(IF A B C").Error, "1@9");
}

TEST_F(TermForms, QuoteBuildsItsListElementByElement) {
    EXPECT_EQ(CompiledBody("(QUOTE)").Code, "PushConst 0 @6");
    EXPECT_EQ(CompiledBody("(QUOTE A)").Code, "PushConst 0 A @7");
    EXPECT_EQ(CompiledBody("(QUOTE A B C)").Code,
              "PushConst 0 A @7; PushConst 0 B @9; Expr @9; PushConst 0 C @11; Expr @11");
}

TEST_F(TermForms, QuoteWrapsNestedListsWithBr) {
    EXPECT_EQ(CompiledBody("(QUOTE (A B) C)").Code,
              "PushConst 0 A @8; PushConst 0 B @10; Expr @10; Br @11; PushConst 0 C @13; "
              "Expr @13");
    EXPECT_EQ(CompiledBody("(QUOTE ())").Code, "PushConst 0 @8; Br @8");
    EXPECT_EQ(CompiledBody("(QUOTE A ())").Code,
              "PushConst 0 A @7; PushConst 0 @10; Br @10; Expr @10");
}

TEST_F(TermForms, QuoteTakesKeywordsNumbersAndArgumentNamesAsData) {
    EXPECT_EQ(CompiledBody("(QUOTE IF (CALL) 7)").Code,
              "PushConst 0 IF @7; PushConst 0 CALL @11; Br @15; Expr @15; PushNum 7 @17; "
              "Expr @17");
    EXPECT_EQ(CompiledBody("(QUOTE -5 X-1)").Code, "PushNum -5 @7; PushConst 0 X-1 @10; Expr @10");
}

TEST_F(TermForms, QuoteEndsOnItsClosingBracket) {
    const auto body = CompiledBody("(QUOTE A) B");
    EXPECT_EQ(body.Error, "0");
    EXPECT_EQ(body.Index, 4);
}

TEST_F(TermForms, AnUnfinishedQuoteIsError1) {
    EXPECT_EQ(CompiledBody("(QUOTE").Error, "1@6");
    EXPECT_EQ(CompiledBody("(QUOTE A").Error, "1@8");
    EXPECT_EQ(CompiledBody("(QUOTE (A").Error, "1@9");
    EXPECT_EQ(CompiledBody("(QUOTE (A)").Error, "1@10");
}

TEST_F(TermForms, QuoteNestsAMillionDeep) {
    constexpr int kDepth = 1000000;
    const std::string text = "(QUOTE " + std::string(kDepth, '(') + std::string(kDepth, ')') + ")";
    TTokArr tokens = test::Tokenized(text);
    TPCode code;
    code.AddFunction();
    tokens.Reset();
    TError error;
    CompileBody(tokens, code, error);
    ASSERT_EQ(error.Number, 0);
    ASSERT_EQ(code.InstrCount(), kDepth + 1);
    EXPECT_EQ(test::CodeText(code, kDepth - 1), "Br @" + std::to_string(7 + 2 * kDepth - 2) +
                                                    "; Br @" + std::to_string(7 + 2 * kDepth - 1));
    EXPECT_EQ(code.GetInstr(0).OpCode, opPushConst);
    EXPECT_EQ(code.GetInstr(0).Position, 7 + kDepth);
}

TEST_F(TermForms, CallNamesTheCalleeAndCountsTheArguments) {
    EXPECT_EQ(CompiledBody("(CALL F)").Code, "SavePos @1; Goto 0 0 F @1");
    EXPECT_EQ(CompiledBody("(CALL F A B)").Code,
              "Param 0 @8; Param 1 @10; SavePos @1; Goto 0 2 F @1");
    EXPECT_EQ(CompiledBody("(CALL F (CALL G))").Code,
              "SavePos @9; Goto 0 0 G @9; SavePos @1; Goto 0 1 F @1");
    EXPECT_EQ(CompiledBody("(CALL FIRST A)").Code, "Param 0 @12; SavePos @1; Goto 0 1 FIRST @1");
}

TEST_F(TermForms, TheCalleeMustBeAnAtom) {
    EXPECT_EQ(CompiledBody("(CALL (F))").Error, "24@6");
    EXPECT_EQ(CompiledBody("(CALL)").Error, "24@5");
    EXPECT_EQ(CompiledBody("(CALL 5)").Error, "24@6");
    EXPECT_EQ(CompiledBody("(CALL").Error, "1@5");
    EXPECT_EQ(CompiledBody("(CALL F").Error, "1@7");
    EXPECT_EQ(CompiledBody("(CALL F A").Error, "1@9");
}

TEST_F(TermForms, AnOperatorCallGoesThroughDefOp) {
    EXPECT_EQ(CompiledBody("(PLUS A B)").Code,
              "Param 0 @6; Param 1 @8; SavePos @1; Goto 1 2 PLUS @1");
    EXPECT_EQ(CompiledBody("(PLUS)").Code, "SavePos @1; Goto 1 0 PLUS @1");
    EXPECT_EQ(CompiledBody("(PLUS").Error, "1@5");
    EXPECT_EQ(CompiledBody("(PLUS A").Error, "1@7");
}

TEST_F(TermForms, AbortTakesNoArgument) {
    EXPECT_EQ(CompiledBody("(ABORT)").Code, "Abort @1");
    EXPECT_EQ(CompiledBody("(ABORT X)").Error, "8@7");
    EXPECT_EQ(CompiledBody("(ABORT").Error, "1@6");
}

} // namespace
} // namespace zk
