// The compile driver end to end: every compile-time error with its file and
// offset, the log in order, and programs linked with units from source and
// from unit files.
#include "compiler/CompileDriver.h"

#include "compiler/CompileText.h"
#include "frontend/Cp1251.h"
#include "pcode/Listing.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

class CompileDriver : public ::testing::Test {
protected:
    void TearDown() override {
        ClassicLanguage = false;
        CompileLog.clear();
    }

    // Compiles MAIN.ZK of the scratch directory; "number@offset in FILE" or "0".
    std::string Build(std::string_view mainText, bool unitMode = false) {
        TSource source = TSource::CreateFromFile(Dir.Write("MAIN.ZK", mainText));
        Error = TError{};
        Place = TErrorPlace{};
        Code = TPCode();
        CompileLog.clear();
        Compile(source, Code, unitMode, Error, {Dir.Entry()}, &Place);
        if (Error.Number == 0) return "0";
        return ErrorAt(Error) + " in " + Error.FileName;
    }

    std::string Log() const {
        std::string text;
        for (const std::string& line : CompileLog)
            text += Cp1251ToUtf8(line) + "\n";
        return text;
    }

    TTempDir Dir;
    TPCode Code;
    TError Error;
    TErrorPlace Place;
};

struct TErrorCase {
    const char* Text;
    const char* Expected;
};

// Every error a main file can hold, positioned in it.
TEST_F(CompileDriver, EveryCompileErrorOfAMainFile) {
    const TErrorCase cases[] = {
        {"(F (X) (FIRST X", "1@15 in MAIN.ZK"},
        {"(F (X) X) X", "2@10 in MAIN.ZK"},
        {"(F X X)", "3@3 in MAIN.ZK"},
        {"(F (X) X)(F (X) X)", "4@16 in MAIN.ZK"},
        {"(F (X) Y)", "5@7 in MAIN.ZK"},
        {"(F (X) (PLUS X X))", "5@8 in MAIN.ZK"},
        {"(F (X) (5))", "6@8 in MAIN.ZK"},
        {"(F (X) X Y)", "8@9 in MAIN.ZK"},
        {"(F (X) (FIRST))", "9@13 in MAIN.ZK"},
        {"(F (X) (BF))", "10@10 in MAIN.ZK"},
        {"(F (X) (LAST))", "11@12 in MAIN.ZK"},
        {"(F (X) (BL))", "12@10 in MAIN.ZK"},
        {"(F (X) (BR))", "13@10 in MAIN.ZK"},
        {"(F (X) (CONT))", "14@12 in MAIN.ZK"},
        {"(F (X) (SYMBOL))", "15@14 in MAIN.ZK"},
        {"(F (X) (NUMBER))", "16@14 in MAIN.ZK"},
        {"(F (X) (EQUAL X))", "17@15 in MAIN.ZK"},
        {"(F (X) (- X))", "18@11 in MAIN.ZK"},
        {"(F (X) (/ X))", "19@11 in MAIN.ZK"},
        {"(F (X) (% X))", "20@11 in MAIN.ZK"},
        {"(F (X) (> X))", "21@11 in MAIN.ZK"},
        {"(F (X) (IF X X))", "22@14 in MAIN.ZK"},
        {"(F (X) (EXPR))", "23@12 in MAIN.ZK"},
        {"(F (X) (CALL))", "24@12 in MAIN.ZK"},
        {"(F (X) (CALL G X))", "25@8 in MAIN.ZK"},
        {"(EXPORT (X))(F (X) X)", "27@8 in MAIN.ZK"},
        {"(EXPORT G)(F (X) X)", "28@0 in MAIN.ZK"},
        {"(DEFOP (X) F)(F (X) X)", "29@7 in MAIN.ZK"},
        {"(DEFOP P G)(F (X) X)", "30@0 in MAIN.ZK"},
        {"(DEFOP P F)(DEFOP Q F)(F (X) X)", "31@0 in MAIN.ZK"},
        {"(USES (X))(F (X) X)", "32@6 in MAIN.ZK"},
        {"(USES NOLIB)(F (X) X)", "33@0 in NOLIB"},
        {"(F (X) X) #INCLUDE \"NO.ZK\"", "35@10 in MAIN.ZK"},
        {"(F (X) (*))", "36@9 in MAIN.ZK"},
        {"(F (X) (+))", "37@9 in MAIN.ZK"},
        {"(F (X) (RANDOM))", "100@14 in MAIN.ZK"},
        {"(F (X) X)(USES L)", "101@10 in MAIN.ZK"},
        {"", "102@0 in MAIN.ZK"},
        {"(F (X)\tX)", "103@6 in MAIN.ZK"},
    };
    for (const TErrorCase& c : cases)
        EXPECT_EQ(Build(c.Text), c.Expected) << c.Text;
}

TEST_F(CompileDriver, PositionsAreOffsetsInTheOriginalFile) {
    // The comment is removed before compiling, yet the error maps back past it.
    EXPECT_EQ(Build("{ a comment }\r\n// another\n(F (X)\n  Y)"), "5@35 in MAIN.ZK");
    EXPECT_EQ(Place.Path, Dir.Entry() + "MAIN.ZK");
}

TEST_F(CompileDriver, ErrorInAnIncludedFileNamesThatFile) {
    Dir.Write("inc.zk", "\n(G (X) (BF))");
    EXPECT_EQ(Build("#INCLUDE \"INC.ZK\"\n(F (X) X)"), "10@11 in INC.ZK");
    EXPECT_EQ(Place.Path, Dir.Entry() + "inc.zk");
    Dir.Write("inc.zk", "(G (X) X) #include \"deeper.zk\"");
    EXPECT_EQ(Build("#INCLUDE \"INC.ZK\"\n(F (X) X)"), "35@10 in INC.ZK");
    Dir.Write("inc.zk", "(G (X)\tX)");
    EXPECT_EQ(Build("(F (X) X)\n#INCLUDE \"INC.ZK\""), "103@6 in INC.ZK");
}

TEST_F(CompileDriver, ErrorInAUnitSourceNamesTheUnitFile) {
    Dir.Write("LIB.ZK", "(EXPORT G)(G (X) (IF X))");
    EXPECT_EQ(Build("(USES LIB)(F (X) (CALL G X))"), "22@22 in LIB.ZK");
    EXPECT_EQ(Place.Path, Dir.Entry() + "LIB.ZK");
    EXPECT_NE(Log().find("Начата компиляция молудя " + Dir.Entry() + "LIB.ZK\n"),
              std::string::npos);
}

TEST_F(CompileDriver, ErrorsOfUnitsFoundThroughFilesAndCalls) {
    // A call of the unit's into a module it uses that lacks the function.
    Dir.Write("LIB.ZK", "(USES OTHER)(EXPORT G)(G (X) (CALL H X))");
    Dir.Write("OTHER.ZK", "(H (X) X)"); // H is not exported
    EXPECT_EQ(Build("(USES LIB)(F (X) (CALL G X))"), "25@30 in LIB.ZK");
}

TEST_F(CompileDriver, UnresolvedCallInAUnitFileIsPlacedAtItsStart) {
    Dir.Write("LIB.SRC", "(USES OTHER)(EXPORT G)(G (X) (CALL H X X))");
    TSource unit = TSource::CreateFromFile(Dir.Entry() + "LIB.SRC");
    Compile(unit, Code, true, Error, {Dir.Entry()}, &Place);
    ASSERT_EQ(Error.Number, 0);
    Code.SaveToFile(Dir.Entry() + "LIB.ZKU", pfUnit);
    Dir.Write("OTHER.ZK", "(EXPORT H)(H (X) X)");
    EXPECT_EQ(Build("(USES LIB)(F (X) (CALL G X))"), "25@0 in " + Dir.Entry() + "LIB.ZKU");
    EXPECT_EQ(Place.Path, Dir.Entry() + "LIB.ZKU");
}

TEST_F(CompileDriver, EmptyMainFileLogsError102Twice) {
    // The space that replaces the comment maps back to its closing brace.
    EXPECT_EQ(Build("{ nothing but a comment }"), "102@24 in MAIN.ZK");
    const std::string log = Log();
    EXPECT_NE(log.find("#102, файл  смещение: 0(00000000h)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("#102, файл MAIN.ZK смещение: 24(00000018h)\n"), std::string::npos) << log;
}

TEST_F(CompileDriver, MalformedOnlyFormReportsNoFunctionRatherThanItsSyntax) {
    EXPECT_EQ(Build("(5 X)"), "102@0 in MAIN.ZK");
    EXPECT_EQ(Build("(F X"), "3@3 in MAIN.ZK"); // the function record exists already
}

TEST_F(CompileDriver, LogOfAProgramWithAUnitFromSource) {
    Dir.Write("LIB.ZK", "(EXPORT G)\n(G (X) X)");
    ASSERT_EQ(Build("(USES LIB)\n(F (X) (CALL G X))"), "0");
    EXPECT_EQ(Log(), "Начата обработка препроцессором...\n"
                     "Работа препроцессора успешно завершена. Длина файла в байтах: 29\n"
                     "Начат лексический анализ\n"
                     "Лексический анализ произведён успешно, количество лексем: 15\n"
                     "Начата генерация p-кода\n"
                     "Найден используемый модуль: LIB\n"
                     "Скомпилирована функция: F\n"
                     "P-код успешно сгенерирован. Инструкций: 6, функций: 1, атомов: 3\n"
                     "Начата компиляция молудя " +
                         Dir.Entry() +
                         "LIB.ZK\n"
                         "Начата обработка препроцессором...\n"
                         "Работа препроцессора успешно завершена. Длина файла в байтах: 20\n"
                         "Начат лексический анализ\n"
                         "Лексический анализ произведён успешно, количество лексем: 11\n"
                         "Начата генерация p-кода\n"
                         "Найдена экспортируемая функция: G\n"
                         "Скомпилирована функция: G\n"
                         "P-код успешно сгенерирован. Инструкций: 4, функций: 1, атомов: 3\n");
}

TEST_F(CompileDriver, LinkedProgramPlacesUnitsAfterTheMainModule) {
    Dir.Write("LIB.ZK", "(EXPORT G)(G (X) (BF X))(UNUSED (X) X)");
    ASSERT_EQ(Build("(USES LIB)(F (X) (CALL G X))"), "0");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @17; Param 0 @25; SavePos @18; Goto 6 0 @18; "
                              "FreeArgs 1 @27; Ret @27; "
                              "LoadArgs 1 @17; Param 0 @21; BF @21; FreeArgs 1 @23; Ret @23");
    ASSERT_EQ(Code.FunctionCount(), 2); // UNUSED is gone; only the main function is a root
    EXPECT_TRUE(Code.GetFunction(0).Exported);
    EXPECT_FALSE(Code.GetFunction(1).Exported);
    EXPECT_EQ(Code.GetFunction(1).Entry, 6);
}

TEST_F(CompileDriver, SourceOfAUnitWinsOverItsUnitFile) {
    Dir.Write("LIB.ZKU", "garbage that would not load");
    Dir.Write("LIB.ZK", "(EXPORT G)(G (X) X)");
    EXPECT_EQ(Build("(USES LIB)(F (X) (CALL G X))"), "0");
}

TEST_F(CompileDriver, UnitFileLinksLikeItsSource) {
    Dir.Write("SRC/LIB.ZK",
              "(EXPORT A)(EXPORT B)(A (X) (CALL H X))(H (X) (CALL B X))(B (X) (BF X))");
    TSource unit = TSource::CreateFromFile(Dir.Entry() + "SRC/LIB.ZK");
    Compile(unit, Code, true, Error, {Dir.Entry()}, &Place);
    ASSERT_EQ(Error.Number, 0);
    Code.SaveToFile(Dir.Entry() + "LIB.ZKU", pfUnit);
    // Only A and B have records in the file; the helper H calls B.
    ASSERT_EQ(Build("(USES LIB)(F (X) (CALL A X))"), "0");
    ASSERT_EQ(Code.FunctionCount(), 3); // B survives: the helper H calls it
    const std::string listing = Cp1251ToUtf8(ListingText(Code));
    EXPECT_NE(listing.find("BF(0, 0, \"\")"), std::string::npos) << listing;
    for (const TPInstr& instr : Code.Code) {
        if (instr.OpCode != opGoto) continue;
        ASSERT_TRUE(instr.Name.empty());
        const int32_t target = instr.Arg1;
        ASSERT_LT(target, Code.InstrCount());
        EXPECT_EQ(Code.GetInstr(target).OpCode, opLoadArgs) << "a call lands inside code";
    }
}

TEST_F(CompileDriver, TwoUnitsThatUseEachOtherAreLoadedOnce) {
    Dir.Write("A.ZK", "(USES B)(EXPORT FA)(FA (X) (CALL FB X))");
    Dir.Write("B.ZK", "(USES A)(EXPORT FB)(EXPORT GB)(FB (X) (BF X))(GB (X) (CALL FA X))");
    ASSERT_EQ(Build("(USES A)(USES B)(F (X) (CALL GB X))"), "0");
    std::size_t compiles = 0;
    for (const std::string& line : CompileLog)
        compiles += Cp1251ToUtf8(line).rfind("Начата компиляция молудя", 0) == 0;
    EXPECT_EQ(compiles, 2u);
    EXPECT_EQ(Code.FunctionCount(), 4);
}

TEST_F(CompileDriver, ACallReachesOnlyUnitsTheCallerNames) {
    Dir.Write("A.ZK", "(EXPORT FA)(FA (X) (CALL FB X))");
    Dir.Write("B.ZK", "(EXPORT FB)(FB (X) X)");
    EXPECT_EQ(Build("(USES A)(USES B)(F (X) (CALL FA (CALL FB X)))"), "25@20 in A.ZK");
}

TEST_F(CompileDriver, CallWithAnotherArityThanTheExportIsUnknown) {
    Dir.Write("LIB.ZK", "(EXPORT F3)(F3 (X Y Z) X)");
    EXPECT_EQ(Build("(USES LIB)(F (X) (CALL F3 X X))"), "25@18 in MAIN.ZK");
}

TEST_F(CompileDriver, AUnitCompilesAloneWithItsUsedModulesAbsent) {
    EXPECT_EQ(Build("(USES NOWHERE)(EXPORT G)(G (X) (CALL H X))", true), "0");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @31; Param 0 @39; SavePos @32; Goto 0 1 H @32; "
                              "FreeArgs 1 @41; Ret @41");
}

TEST_F(CompileDriver, EqualThatAJumpLandsOnIsNotFused) {
    ASSERT_EQ(Build("(F (X Y) (EQUAL X (IF Y X (QUOTE K))))"), "0");
    // The then part's Goto lands on the Equal, past the PushConst of the else part.
    EXPECT_EQ(CodeText(Code), "LoadArgs 2 @9; Param 0 @16; Param 1 @22; If 6 @22; Param 0 @24; "
                              "Goto 7 0 @24; PushConst 3 @33; Equal @35; FreeArgs 2 @37; Ret @37");
    ASSERT_EQ(Build("(F (X) (EQUAL X (QUOTE K)))"), "0");
    EXPECT_EQ(CodeText(Code), "LoadArgs 1 @7; Param 0 @14; NOP @23; AtomEqual 3 0 @24; "
                              "FreeArgs 1 @26; Ret @26");
}

} // namespace
} // namespace zk::test
