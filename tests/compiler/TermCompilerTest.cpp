// The keyword registry, keyword lookup in the two languages, and CompileBody's
// walk over argument names, numbers, nested forms and malformed bodies.
#include "compiler/TermCompiler.h"

#include "CompileText.h"
#include "compiler/TermCompilers.h"

#include <gtest/gtest.h>

#include <string>

namespace zk {
namespace {

using test::CompiledBody;

class TermRegistry : public test::TCompilerTest {};
class CompileBodyTest : public test::TCompilerTest {};

std::string Repeat(std::string_view text, int count) {
    std::string out;
    out.reserve(text.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

TEST_F(TermRegistry, HoldsTheTwentyOneKeywordsInTableOrder) {
    const TKeywordRegistry& registry = Registry();
    ASSERT_EQ(registry.KeywordCount, 21);
    std::string keywords;
    std::string modifiedOnly;
    for (int32_t i = 0; i < registry.KeywordCount; ++i) {
        keywords += std::string(registry.Keywords[i]) + " ";
        if (registry.ModifiedOnly[i]) modifiedOnly += std::to_string(i) + " ";
    }
    EXPECT_EQ(keywords,
              "FIRST BF LAST BL BR CONT SYMBOL NUMBER QUOTE EQUAL - / % > IF EXPR CALL ABORT + * "
              "RANDOM ");
    EXPECT_EQ(modifiedOnly, "7 10 11 12 13 18 19 20 ");
    EXPECT_EQ(registry.Compilers[21], nullptr);
}

TEST_F(TermRegistry, KeywordsOfOneCompilerShareOneObject) {
    const TKeywordRegistry& registry = Registry();
    for (int32_t i = 1; i <= 7; ++i)
        EXPECT_EQ(registry.Compilers[i], registry.Compilers[0]);
    for (int32_t i = 10; i <= 13; ++i)
        EXPECT_EQ(registry.Compilers[i], registry.Compilers[9]);
    EXPECT_EQ(registry.Compilers[19], registry.Compilers[18]);
    EXPECT_NE(registry.Compilers[9], registry.Compilers[0]);
    EXPECT_NE(registry.Compilers[20], registry.Compilers[0]);
}

TEST_F(TermRegistry, EachEntryHasTheCompilerOfItsForm) {
    const TKeywordRegistry& registry = Registry();
    EXPECT_NE(dynamic_cast<const TZKUnInstrCompiler*>(registry.Compilers[0]), nullptr);
    EXPECT_NE(dynamic_cast<const TQuoteCompiler*>(registry.Compilers[8]), nullptr);
    EXPECT_NE(dynamic_cast<const TZKBinInstrCompiler*>(registry.Compilers[9]), nullptr);
    EXPECT_NE(dynamic_cast<const TIfCompiler*>(registry.Compilers[14]), nullptr);
    EXPECT_NE(dynamic_cast<const TExprCompiler*>(registry.Compilers[15]), nullptr);
    EXPECT_NE(dynamic_cast<const TCallCompiler*>(registry.Compilers[16]), nullptr);
    EXPECT_NE(dynamic_cast<const TAbortCompiler*>(registry.Compilers[17]), nullptr);
    EXPECT_NE(dynamic_cast<const TNumCompiler*>(registry.Compilers[18]), nullptr);
    EXPECT_NE(dynamic_cast<const TRandomCompiler*>(registry.Compilers[20]), nullptr);
    EXPECT_NE(dynamic_cast<const TDefOpCompiler*>(registry.DefOpCompiler), nullptr);
}

TEST_F(TermRegistry, InstrAndErrorCodesOfTheFixedArityForms) {
    const TZKUnInstrCompiler un;
    EXPECT_EQ(un.InstrCode("FIRST"), opFirst);
    EXPECT_EQ(un.InstrCode("SYMBOL"), opSymbol);
    EXPECT_EQ(un.InstrCode("NUMBER"), opNumber);
    EXPECT_EQ(un.InstrCode("QUOTE"), 0);
    EXPECT_EQ(un.ErrorCode(opCont), 14);
    const TZKBinInstrCompiler bin;
    EXPECT_EQ(bin.InstrCode(">"), opGreater);
    EXPECT_EQ(bin.InstrCode("+"), 0);
    EXPECT_EQ(bin.ErrorCode(opMod), 20);
    const TRandomCompiler random;
    EXPECT_EQ(random.InstrCode("RANDOM"), opRandom);
    EXPECT_EQ(random.ErrorCode(opRandom), 100);
}

TEST_F(TermRegistry, LookupComparesBytesAndHonoursTheLanguage) {
    EXPECT_EQ(LookupKeyword("FIRST"), 0);
    EXPECT_EQ(LookupKeyword("QUOTE"), 8);
    EXPECT_EQ(LookupKeyword("+"), 18);
    EXPECT_EQ(LookupKeyword("RANDOM"), 20);
    EXPECT_EQ(LookupKeyword("quote"), -1);
    EXPECT_EQ(LookupKeyword("PLUS"), -1);
    EXPECT_EQ(LookupKeyword(""), -1);
    ClassicLanguage = true;
    EXPECT_EQ(LookupKeyword("FIRST"), 0);
    EXPECT_EQ(LookupKeyword("ABORT"), 17);
    EXPECT_EQ(LookupKeyword("NUMBER"), -1);
    EXPECT_EQ(LookupKeyword("-"), -1);
    EXPECT_EQ(LookupKeyword("RANDOM"), -1);
}

TEST_F(CompileBodyTest, AnArgumentNameBecomesParamWithItsNumber) {
    const auto body = CompiledBody("B", {"A", "B"});
    EXPECT_EQ(body.Code, "Param 1 @0");
    EXPECT_EQ(body.Error, "0");
    EXPECT_TRUE(body.AtEnd);
}

TEST_F(CompileBodyTest, TheFirstOfTwoEqualArgumentNamesWins) {
    EXPECT_EQ(CompiledBody("A", {"B", "A", "A"}).Code, "Param 1 @0");
}

TEST_F(CompileBodyTest, ANumberBecomesPushNum) {
    EXPECT_EQ(CompiledBody("-7").Code, "PushNum -7 @0");
    EXPECT_EQ(CompiledBody("2147483647").Code, "PushNum 2147483647 @0");
}

TEST_F(CompileBodyTest, TheCursorEndsOnTheTokenAfterTheTerm) {
    const auto atom = CompiledBody("B C");
    EXPECT_EQ(atom.Code, "Param 1 @0");
    EXPECT_EQ(atom.Index, 1);
    EXPECT_FALSE(atom.AtEnd);
    const auto form = CompiledBody("(FIRST A) )");
    EXPECT_EQ(form.Error, "0");
    EXPECT_EQ(form.Index, 4);
    EXPECT_FALSE(form.AtEnd);
}

TEST_F(CompileBodyTest, NestedFormsFollowTheOrderOfWriting) {
    const auto body = CompiledBody("(FIRST (BF X))", {"X"});
    EXPECT_EQ(body.Code, "Param 0 @11; BF @11; First @12");
    EXPECT_EQ(body.Error, "0");
    EXPECT_EQ(body.Index, 6);
    EXPECT_TRUE(body.AtEnd);
}

TEST_F(CompileBodyTest, AnAtomThatIsNoArgumentIsError5) {
    const auto body = CompiledBody("C", {"A", "B"});
    EXPECT_EQ(body.Error, "5@0");
    EXPECT_EQ(body.Code, "");
    EXPECT_EQ(body.Index, 0);
    EXPECT_EQ(CompiledBody("(FIRST D)").Error, "5@7");
}

TEST_F(CompileBodyTest, AHeadThatIsNoKeywordIsAnOperatorCall) {
    EXPECT_EQ(CompiledBody("(F X)", {"X"}).Code, "Param 0 @3; SavePos @1; Goto 1 1 F @1");
}

TEST_F(CompileBodyTest, ModifiedOnlyKeywordsAreOperatorsInTheClassicLanguage) {
    EXPECT_EQ(CompiledBody("(NUMBER X)", {"X"}).Code, "Param 0 @8; Number @8");
    ClassicLanguage = true;
    EXPECT_EQ(CompiledBody("(NUMBER X)", {"X"}).Code, "Param 0 @8; SavePos @1; Goto 1 1 NUMBER @1");
    EXPECT_EQ(CompiledBody("(RANDOM X)", {"X"}).Code, "Param 0 @8; SavePos @1; Goto 1 1 RANDOM @1");
}

TEST_F(CompileBodyTest, AFormMustBeginWithAnAtom) {
    EXPECT_EQ(CompiledBody("((FIRST X))").Error, "6@1");
    EXPECT_EQ(CompiledBody("(5 X)").Error, "6@1");
    EXPECT_EQ(CompiledBody("(FIRST ())").Error, "6@8");
}

TEST_F(CompileBodyTest, AClosingBracketWhereATermIsExpectedIsError6) {
    const auto body = CompiledBody(")");
    EXPECT_EQ(body.Error, "6@0");
    EXPECT_EQ(body.Index, 0);
}

TEST_F(CompileBodyTest, TokensEndingInsideAFormAreError1AfterTheLastToken) {
    EXPECT_EQ(CompiledBody("(FIRST (BF X", {"X"}).Error, "1@12");
    EXPECT_EQ(CompiledBody("(FIRST (BF X", {"X"}).Code, "Param 0 @11; BF @11");
    EXPECT_EQ(CompiledBody("(").Error, "1@1");
    EXPECT_EQ(CompiledBody("(FIRST").Error, "1@6");
    EXPECT_EQ(CompiledBody("(FIRST A").Error, "1@8");
}

TEST_F(CompileBodyTest, OnAnEmptyRestNothingIsCompiled) {
    TTokArr tokens;
    TPCode code;
    code.AddFunction();
    TError error;
    CompileBody(tokens, code, error);
    EXPECT_EQ(error.Number, 0);
    EXPECT_EQ(code.InstrCount(), 0);
}

TEST_F(CompileBodyTest, FormsNestAHundredThousandDeep) {
    constexpr int kDepth = 100000;
    const auto body = CompiledBody(Repeat("(FIRST ", kDepth) + "A" + Repeat(")", kDepth));
    ASSERT_EQ(body.Error, "0");
    EXPECT_TRUE(body.AtEnd);
    // Param and the innermost First stand at the A, every other First at the
    // closing bracket of the form inside it.
    const int a = 7 * kDepth;
    const std::string first =
        "Param 0 @" + std::to_string(a) + "; First @" + std::to_string(a) + "; ";
    EXPECT_EQ(body.Code.substr(0, first.size()), first);
    const std::string last = "First @" + std::to_string(a + kDepth - 1);
    EXPECT_EQ(body.Code.substr(body.Code.size() - last.size()), last);
}

TEST_F(CompileBodyTest, ADeepUnfinishedNestingFailsAndReleasesItsFrames) {
    constexpr int kDepth = 100000;
    const auto body = CompiledBody(Repeat("(IF ", kDepth) + "A");
    EXPECT_EQ(body.Error, "1@" + std::to_string(4 * kDepth + 1));
}

} // namespace
} // namespace zk
