// Whole modules: function definitions and their code, the declarations of the
// modified language and what they become in the classic one, duplicates, atom
// numbering, calls bound inside the module, every error with its offset, the
// log lines, deep nesting and the speed on a large generated program.
#include "compiler/ModuleCompiler.h"

#include "CompileText.h"
#include "pcode/CallBinding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk {
namespace {

using test::CodeText;
using test::ErrorAt;
using test::W;

class ModuleCompiler : public test::TCompilerTest {
protected:
    void Compile(std::string_view text) {
        TTokArr tokens = test::Tokenized(text);
        CompileModule(tokens, Code, Error);
    }
    std::string ErrorOf(std::string_view text) {
        Code = TPCode();
        Compile(text);
        return ErrorAt(Error);
    }
    std::string Args(int32_t function) const {
        std::string out;
        for (const std::string& arg : Code.GetFunction(function).Args)
            out += arg + " ";
        return out;
    }

    TPCode Code;
    TError Error;
};

TEST_F(ModuleCompiler, AFunctionWithoutArgumentsIsItsBodyAndRet) {
    Compile("(F () (QUOTE A))");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(CodeText(Code), "PushConst 3 @13; Ret @15");
    ASSERT_EQ(Code.FunctionCount(), 1);
    const TFunction& f = Code.GetFunction(0);
    EXPECT_EQ(f.Name, "F");
    EXPECT_EQ(f.Entry, 0);
    EXPECT_TRUE(f.Args.empty());
    EXPECT_FALSE(f.Exported);
    EXPECT_EQ(f.DefOp, "");
    ASSERT_EQ(Code.Atoms.Count(), 4);
    EXPECT_EQ(Code.Atoms[3], "A");
}

TEST_F(ModuleCompiler, ArgumentsAreLoadedBeforeTheBodyAndFreedAfterIt) {
    Compile("(F (X) X)");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @7; Param 0 @7; FreeArgs 1 @8; Ret @8");
    Code = TPCode();
    Compile("(F (X) (FIRST (BF X)))");
    EXPECT_EQ(CodeText(Code),
              "LoadArgs 1 @7; Param 0 @18; BF @18; First @19; FreeArgs 1 @21; Ret @21");
    Code = TPCode();
    Compile("(G (A B C) C)");
    EXPECT_EQ(Args(0), "A B C ");
    EXPECT_EQ(CodeText(Code), "LoadArgs 3 @11; Param 2 @11; FreeArgs 3 @12; Ret @12");
}

TEST_F(ModuleCompiler, ACallIsBoundToAFunctionDefinedLater) {
    Compile("(F (X) (CALL G X))(G (Y) Y)");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @7; Param 0 @15; SavePos @8; Goto 6 0 @8; "
                              "FreeArgs 1 @17; Ret @17; "
                              "LoadArgs 1 @25; Param 0 @25; FreeArgs 1 @26; Ret @26");
    EXPECT_EQ(Code.GetFunction(1).Entry, 6);
}

TEST_F(ModuleCompiler, ACallWithTheWrongArgumentCountStaysUnbound) {
    Compile("(F (X) (CALL G X))(G (Y Z) Y)");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(CodeText(Code, 2).substr(0, 24), "SavePos @8; Goto 0 1 G @");
    TError link;
    CheckUnresolved(Code, link);
    EXPECT_EQ(ErrorAt(link), "25@8");
}

TEST_F(ModuleCompiler, AnOperatorNoDefOpBindsStaysUnbound) {
    Compile("(F (X) (NOOP X))");
    ASSERT_EQ(ErrorAt(Error), "0");
    TError link;
    CheckUnresolved(Code, link);
    EXPECT_EQ(ErrorAt(link), "5@8");
}

TEST_F(ModuleCompiler, ArgumentListErrors) {
    EXPECT_EQ(ErrorOf("(F (X X) X)"), "3@6");
    EXPECT_EQ(ErrorOf("(F X X)"), "3@3");
    EXPECT_EQ(ErrorOf("(F (5) X)"), "3@4");
    EXPECT_EQ(ErrorOf("(F (X (Y)) X)"), "3@6");
}

// An arity is one byte in a file and in the interpreter's operands.
TEST_F(ModuleCompiler, AFunctionTakesAtMost255Arguments) {
    std::string args;
    for (int i = 0; i < 255; ++i)
        args += " A" + std::to_string(i);
    EXPECT_EQ(ErrorOf("(F (" + args + ") A0)"), "0");
    EXPECT_EQ(ErrorOf("(F (" + args + " B C) A0)"), "3@" + std::to_string(5 + args.size()));
}

TEST_F(ModuleCompiler, ABodyIsExactlyOneTerm) {
    EXPECT_EQ(ErrorOf("(F (X) X Y)"), "8@9");
    EXPECT_EQ(ErrorOf("(F (X) Y)"), "5@7");
    EXPECT_EQ(ErrorOf("(F (X) (FIRST))"), "9@13");
}

TEST_F(ModuleCompiler, TopLevelFormsMustBeDefinitions) {
    EXPECT_EQ(ErrorOf("A"), "2@0");
    EXPECT_EQ(ErrorOf("(F (X) X) A"), "2@10");
    EXPECT_EQ(ErrorOf("()"), "2@1");
    EXPECT_EQ(ErrorOf("(5 () A)"), "2@1");
    EXPECT_EQ(ErrorOf("((F))"), "2@1");
    EXPECT_EQ(ErrorOf(")"), "2@0");
}

TEST_F(ModuleCompiler, AModuleCutShortIsError1AfterItsLastToken) {
    EXPECT_EQ(ErrorOf("("), "1@1");
    EXPECT_EQ(ErrorOf("(F"), "1@2");
    EXPECT_EQ(ErrorOf("(F ("), "1@4");
    EXPECT_EQ(ErrorOf("(F (X"), "1@5");
    EXPECT_EQ(ErrorOf("(F (X)"), "1@6");
    EXPECT_EQ(ErrorOf("(F (X) X"), "1@8");
    EXPECT_EQ(ErrorOf("(F (X) (FIRST X"), "1@15");
}

TEST_F(ModuleCompiler, TheFirstErrorLeavesAPartialModule) {
    EXPECT_EQ(ErrorOf("(F (X) X)(G (Y) Z)(H () (QUOTE A))"), "5@16");
    EXPECT_EQ(Code.FunctionCount(), 2);
    EXPECT_EQ(Code.Atoms.Count(), 3);
}

TEST_F(ModuleCompiler, ASuccessfulCompileClearsTheErrorRecord) {
    Error = TError{7, 99, "X.ZK"};
    Compile("(F (X) X)");
    EXPECT_EQ(Error.Number, 0);
}

TEST_F(ModuleCompiler, AnEmptyModuleCompilesToNothing) {
    Compile("  // nothing but a comment\r\n");
    EXPECT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.FunctionCount(), 0);
    EXPECT_EQ(Code.InstrCount(), 0);
}

TEST_F(ModuleCompiler, FunctionsMayShareANameWhenTheirAritiesDiffer) {
    Compile("(F (X) X)(F (X Y) X)");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.FunctionCount(), 2);
    EXPECT_EQ(ErrorOf("(F (X) X)(F (Y) Y)"), "4@16");
}

TEST_F(ModuleCompiler, TheClassicLanguageTellsFunctionsApartByNameAlone) {
    ClassicLanguage = true;
    EXPECT_EQ(ErrorOf("(F (X) X)(F (X Y) X)"), "4@18");
}

TEST_F(ModuleCompiler, TheFirstFunctionThatRepeatsAnEarlierOneIsReported) {
    const std::string text = "(F () (QUOTE A))(G () (QUOTE B))(G (X) X)(F () (QUOTE C))";
    EXPECT_EQ(ErrorOf(text), "4@54");
    ClassicLanguage = true;
    EXPECT_EQ(ErrorOf(text), "4@39");
}

TEST_F(ModuleCompiler, AtomsAreNumberedInCodeOrder) {
    Compile("(F () (QUOTE A B A TRUE ()))");
    ASSERT_EQ(ErrorAt(Error), "0");
    std::string numbers;
    for (const TPInstr& instr : Code.Code) {
        if (instr.OpCode != opPushConst) continue;
        numbers += std::to_string(instr.Arg1) + " ";
        EXPECT_EQ(instr.Name, "");
    }
    EXPECT_EQ(numbers, "3 4 3 1 0 ");
    EXPECT_EQ(Code.Atoms.Count(), 5);
    EXPECT_EQ(Code.Atoms[4], "B");
}

TEST_F(ModuleCompiler, NumberAtomsIgnoresLetterCase) {
    TPCode code;
    code.AddInstr(opPushConst, 0, 0, W("ёж"));
    code.AddInstr(opPushConst, 0, 0, W("ЁЖ"));
    code.AddInstr(opPushConst, 0, 0, "false");
    code.AddInstr(opPushConst);
    NumberAtoms(code);
    EXPECT_EQ(CodeText(code), "PushConst 3 @0; PushConst 3 @0; PushConst 2 @0; PushConst 0 @0");
    EXPECT_EQ(code.Atoms[3], W("ёж"));
}

TEST_F(ModuleCompiler, ExportMarksEveryFunctionOfTheName) {
    Compile("(EXPORT F)(F (X) X)(F () (QUOTE A))(G () (QUOTE B))");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_TRUE(Code.GetFunction(0).Exported);
    EXPECT_TRUE(Code.GetFunction(1).Exported);
    EXPECT_FALSE(Code.GetFunction(2).Exported);
}

TEST_F(ModuleCompiler, ExportErrors) {
    EXPECT_EQ(ErrorOf("(EXPORT F G)"), "8@10");
    EXPECT_EQ(ErrorOf("(EXPORT F)(G () (QUOTE A))"), "28@0");
    EXPECT_EQ(ErrorOf("(EXPORT)"), "27@7");
    EXPECT_EQ(ErrorOf("(EXPORT (F))"), "27@8");
    EXPECT_EQ(ErrorOf("(EXPORT 5)"), "27@8");
    EXPECT_EQ(ErrorOf("(EXPORT"), "1@7");
    EXPECT_EQ(ErrorOf("(EXPORT F"), "1@9");
}

TEST_F(ModuleCompiler, UsesNamesGoToTheImage) {
    Compile("(USES LIB)(USES UTIL)(F () (QUOTE A))");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.Uses, (std::vector<std::string>{"LIB", "UTIL"}));
}

TEST_F(ModuleCompiler, UsesErrors) {
    EXPECT_EQ(ErrorOf("(USES)"), "32@5");
    EXPECT_EQ(ErrorOf("(USES (LIB))"), "32@6");
    EXPECT_EQ(ErrorOf("(USES LIB UTIL)"), "8@10");
    EXPECT_EQ(ErrorOf("(USES"), "1@5");
}

TEST_F(ModuleCompiler, DeclarationsMustPrecedeTheFirstFunction) {
    EXPECT_EQ(ErrorOf("(F () (QUOTE A))(USES LIB)"), "101@17");
    EXPECT_EQ(ErrorOf("(F () (QUOTE A))(EXPORT F)"), "101@17");
    EXPECT_EQ(ErrorOf("(F () (QUOTE A))(DEFOP P F)"), "101@17");
}

TEST_F(ModuleCompiler, DefOpBindsTheOperatorToEveryArity) {
    Compile("(DEFOP PLUS ADD)(ADD (X) X)(ADD (X Y) X)(F (A B) (PLUS A B))");
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.GetFunction(0).DefOp, "PLUS");
    EXPECT_EQ(Code.GetFunction(1).DefOp, "PLUS");
    EXPECT_EQ(Code.GetFunction(2).DefOp, "");
    EXPECT_EQ(Code.GetFunction(1).Entry, 4);
    EXPECT_EQ(CodeText(Code, 8), "LoadArgs 2 @49; Param 0 @55; Param 1 @57; SavePos @50; "
                                 "Goto 4 0 @50; FreeArgs 2 @59; Ret @59");
}

TEST_F(ModuleCompiler, DefOpErrors) {
    EXPECT_EQ(ErrorOf("(DEFOP PLUS ADD)(DEFOP MINUS ADD)(ADD (X) X)"), "31@0");
    EXPECT_EQ(ErrorOf("(DEFOP PLUS ADD)(F () (QUOTE A))"), "30@0");
    EXPECT_EQ(ErrorOf("(DEFOP)"), "29@6");
    EXPECT_EQ(ErrorOf("(DEFOP P)"), "29@8");
    EXPECT_EQ(ErrorOf("(DEFOP (P) F)"), "29@7");
    EXPECT_EQ(ErrorOf("(DEFOP P (F))"), "29@9");
    EXPECT_EQ(ErrorOf("(DEFOP P F G)"), "8@11");
    EXPECT_EQ(ErrorOf("(DEFOP"), "1@6");
    EXPECT_EQ(ErrorOf("(DEFOP P"), "1@8");
    EXPECT_EQ(ErrorOf("(DEFOP P F"), "1@10");
}

TEST_F(ModuleCompiler, DefOpsAreResolvedBeforeExports) {
    EXPECT_EQ(ErrorOf("(EXPORT G)(DEFOP P Q)(F () (QUOTE A))"), "30@0");
}

TEST_F(ModuleCompiler, DeclarationWordsAreFunctionNamesInTheClassicLanguage) {
    ClassicLanguage = true;
    Compile("(EXPORT (X) X)(USES (X) X)(DEFOP (X) X)");
    ASSERT_EQ(ErrorAt(Error), "0");
    ASSERT_EQ(Code.FunctionCount(), 3);
    EXPECT_EQ(Code.GetFunction(0).Name, "EXPORT");
    EXPECT_EQ(Code.GetFunction(1).Name, "USES");
    EXPECT_EQ(Code.GetFunction(2).Name, "DEFOP");
    EXPECT_TRUE(Code.Uses.empty());
    EXPECT_EQ(ErrorOf("(F () (QUOTE A))(EXPORT (X) X)"), "0");
}

TEST_F(ModuleCompiler, NumberIsAnOperatorCallInTheClassicLanguage) {
    Compile("(F (X) (NUMBER X))");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @7; Param 0 @15; Number @15; FreeArgs 1 @17; Ret @17");
    ClassicLanguage = true;
    Code = TPCode();
    Compile("(F (X) (NUMBER X))");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @7; Param 0 @15; SavePos @8; Goto 1 1 NUMBER @8; "
                              "FreeArgs 1 @17; Ret @17");
}

TEST_F(ModuleCompiler, TheLogNamesUsesThenEachFunction) {
    Compile("(USES LIB)(F () (QUOTE A))(G () (QUOTE B))");
    EXPECT_EQ(CompileLog, (std::vector<std::string>{W("Найден используемый модуль: LIB"),
                                                    W("Скомпилирована функция: F"),
                                                    W("Скомпилирована функция: G")}));
}

TEST_F(ModuleCompiler, TheLogNamesExportsAndDefOps) {
    Compile("(EXPORT ADD)(DEFOP PLUS ADD)(ADD (X Y) X)");
    EXPECT_EQ(CompileLog, (std::vector<std::string>{W("Найдена экспортируемая функция: ADD"),
                                                    W("Найден DefOp: PLUS -> ADD"),
                                                    W("Скомпилирована функция: ADD")}));
}

TEST_F(ModuleCompiler, TheLogNamesAFunctionWhoseClosingBracketIsWrong) {
    EXPECT_EQ(ErrorOf("(F (X) X Y)"), "8@9");
    EXPECT_EQ(ErrorOf("(G (X) X"), "1@8");
    EXPECT_EQ(ErrorOf("(H (X) Y)"), "5@7");
    EXPECT_EQ(CompileLog, (std::vector<std::string>{W("Скомпилирована функция: F"),
                                                    W("Скомпилирована функция: G")}));
}

TEST_F(ModuleCompiler, TheLogKeepsADeclarationWhoseFormIsThenRefused) {
    EXPECT_EQ(ErrorOf("(EXPORT F G)"), "8@10");
    EXPECT_EQ(CompileLog, (std::vector<std::string>{W("Найдена экспортируемая функция: F")}));
}

TEST_F(ModuleCompiler, CyrillicNamesAreUpperCasedAndLoggedInWindows1251) {
    Compile(W("(функция (х) (quote ёж х))"));
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.GetFunction(0).Name, W("ФУНКЦИЯ"));
    EXPECT_EQ(Code.Atoms[3], W("ЁЖ"));
    EXPECT_EQ(CompileLog, (std::vector<std::string>{W("Скомпилирована функция: ФУНКЦИЯ")}));
}

TEST_F(ModuleCompiler, BodiesNestAHundredThousandDeep) {
    constexpr int kDepth = 100000;
    std::string text = "(F (X) ";
    for (int i = 0; i < kDepth; ++i)
        text += "(FIRST ";
    text += "X";
    text += std::string(kDepth, ')');
    text += ")";
    Compile(text);
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.InstrCount(), kDepth + 4);
}

// 20,000 functions of ten calls each, every call naming a function defined
// later in the text or wrapping around to the start.
std::string LargeProgram(int functions, int callsEach) {
    std::string text;
    for (int i = 0; i < functions; ++i) {
        text += "(F" + std::to_string(i) + " (X) (EXPR";
        for (int c = 1; c <= callsEach; ++c)
            text += " (CALL F" + std::to_string((i + c) % functions) + " X)";
        text += "))\n";
    }
    return text;
}

// Its speed is measured by the compile benchmark; here only the result counts.
TEST_F(ModuleCompiler, ALargeProgramCompilesWithEveryCallBound) {
    constexpr int kFunctions = 20000;
    constexpr int kCallsEach = 10;
    TTokArr tokens = test::Tokenized(LargeProgram(kFunctions, kCallsEach));
    CompileModule(tokens, Code, Error);
    ASSERT_EQ(ErrorAt(Error), "0");
    EXPECT_EQ(Code.FunctionCount(), kFunctions);
    TError link;
    CheckUnresolved(Code, link);
    EXPECT_EQ(link.Number, 0);
}

} // namespace
} // namespace zk
