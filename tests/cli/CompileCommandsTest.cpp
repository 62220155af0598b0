// zk check, build, unit and listing as processes: outputs, error lines with
// file, line and column, the log and the exit codes.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include "frontend/Cp1251.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

class ZkCompile : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

TEST_F(ZkCompile, CheckOfACorrectProgramSaysSo) {
    Dir.Write("main.zk", "(F (X) (FIRST X))\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "Ошибок в исходном коде не обнаружено\n");
    EXPECT_EQ(r.Err, "");
}

TEST_F(ZkCompile, ErrorLineHasFileLineAndColumn) {
    Dir.Write("main.zk", "(F (X)\n  (FIRST X Y))\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "main.zk:2:12: Ошибка: Ожидается закрывающая скобка - #8\n");
}

TEST_F(ZkCompile, ColumnsCountBytesAndACarriageReturnBelongsToItsLine) {
    Dir.Write("main.zk", "(F (X)\r\n\tX)\r\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Err, "main.zk:2:1: Ошибка: Недопустимый символ в исходном коде - #103\n");
}

TEST_F(ZkCompile, ErrorInAnIncludedFileNamesThatFileAsFound) {
    Dir.Write("main.zk", "#INCLUDE \"inc.zk\"\n(F (X) X)\n");
    Dir.Write("inc.zk", "(G (X)\n (BF))\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "./inc.zk:2:5: Ошибка: Ошибка в терме BF - #10\n");
}

TEST_F(ZkCompile, MainFileInADirectorySearchesThatDirectory) {
    Dir.Write("src/main.zk", "#include \"inc.zk\"\n");
    Dir.Write("src/inc.zk", "(G (X) Q)\n");
    const TProcessResult r = Zk({"check", "src/main.zk"});
    EXPECT_EQ(r.Err, "src/inc.zk:1:8: Ошибка: Неизвестный атом - #5\n");
}

TEST_F(ZkCompile, MissingIncludedFileIsError35AtTheDirective) {
    Dir.Write("main.zk", "(F (X) X)\n #include \"nothere.zk\"\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Err, "main.zk:2:2: Ошибка: Включаемый файл не найден - #35\n");
}

TEST_F(ZkCompile, MissingModuleNamesTheModule) {
    Dir.Write("main.zk", "(USES NOLIB)\n(F (X) X)\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "NOLIB: Ошибка: Модуль не найден - #33\n");
}

TEST_F(ZkCompile, ErrorInAUnitSourceNamesTheUnitFile) {
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X))\n");
    Dir.Write("lib/lib.zk", "(EXPORT G)\n(G (X) (IF X))\n");
    const TProcessResult r = Zk({"check", "main.zk", "-I", "lib"});
    EXPECT_EQ(r.Err, "lib/lib.zk:2:13: Ошибка: Ошибка в терме IF - #22\n");
}

TEST_F(ZkCompile, UnknownCallIsReportedInTheCallingModule) {
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X X))\n");
    Dir.Write("lib.zk", "(EXPORT G)\n(G (X) X)\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Err, "main.zk:2:9: Ошибка: Вызов неизвестной функции - #25\n");
}

TEST_F(ZkCompile, BuildWritesAProgramFileAndNothingElse) {
    Dir.Write("main.zk", "(F (X) (FIRST X))\n");
    const TProcessResult r = Zk({"build", "main.zk", "-o", "main.zkp"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Dir.Read("main.zkp").substr(0, 5), std::string("\x03\x00ZKP", 5));
}

TEST_F(ZkCompile, UnitFileLinksIntoAProgram) {
    Dir.Write("lib/lib.zk", "(EXPORT G)\n(G (X) (BF X))\n");
    ASSERT_EQ(Zk({"unit", "lib/lib.zk", "-o", "LIB.ZKU"}).Status, 0);
    EXPECT_EQ(Dir.Read("LIB.ZKU").substr(0, 5), std::string("\x03\x00ZKU", 5));
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X))\n");
    const TProcessResult r = Zk({"listing", "main.zk"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("3: Goto(6, 0, \"\") - 19\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("8: BF(0, 0, \"\") - 0\n"), std::string::npos) << r.Out;
}

TEST_F(ZkCompile, ADamagedUnitFileIsRefusedByEveryCommandThatLinksIt) {
    Dir.Write("lib/lib.zk", "(EXPORT G)\n(G (X) (BF X))\n");
    ASSERT_EQ(Zk({"unit", "lib/lib.zk", "-o", "LIB.ZKU"}).Status, 0);
    // G's LoadArgs 1 becomes a FreeArgs 1 of the same size.
    std::string unit = Dir.Read("LIB.ZKU");
    const auto loadArgs = unit.find(std::string("\x0E\x01\x00\x00\x00", 5));
    ASSERT_NE(loadArgs, std::string::npos);
    unit[loadArgs] = '\x0F';
    Dir.Write("LIB.ZKU", unit);
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X))\n");
    const std::vector<std::vector<std::string>> commands = {{"check", "main.zk"},
                                                            {"build", "main.zk", "-o", "m.zkp"},
                                                            {"listing", "main.zk"},
                                                            {"run", "main.zk", "a"}};
    for (const auto& command : commands) {
        const TProcessResult r = Zk(command);
        EXPECT_EQ(r.Status, 66) << command[0];
        EXPECT_EQ(r.Out, "") << command[0];
        EXPECT_EQ(r.Err, "zk: ./LIB.ZKU: damaged p-code file: instruction 0: FreeArgs of 1 in a "
                         "function of 0 arguments\n");
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "m.zkp"));
}

TEST_F(ZkCompile, UnresolvedCallInAUnitFileIsPlacedAtItsStart) {
    Dir.Write("src/lib.zk", "(USES OTHER)\n(EXPORT G)\n(G (X) (CALL H X))\n");
    Dir.Write("units/other.zk", "(H (X) X)\n");
    ASSERT_EQ(Zk({"unit", "src/lib.zk", "-o", "units/lib.zku"}).Status, 0);
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X))\n");
    const TProcessResult r = Zk({"check", "main.zk", "-I", "units"});
    EXPECT_EQ(r.Err, "units/lib.zku:1:1: Ошибка: Вызов неизвестной функции - #25\n");
}

TEST_F(ZkCompile, ListingOnStdoutIsUtf8WithLineFeeds) {
    Dir.Write("main.zk", "(F (X) X)");
    const TProcessResult r = Zk({"listing", "main.zk"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "Uses:\nAtoms:\n  \n  TRUE\n  FALSE\nFunctions:\n  F\n  Exported\n"
                     "  Position: 0\n  Arguments:\n    X\nCode:\n"
                     "0: LoadArgs(1, 0, \"\") - 7\n1: Param(0, 0, \"\") - 7\n"
                     "2: FreeArgs(1, 0, \"\") - 8\n3: Ret(0, 0, \"\") - 8\n");
}

TEST_F(ZkCompile, ListingToAFileUsesCrLfAndWindows1251) {
    Dir.Write("main.zk", "(F () (QUOTE \xC0))");
    ASSERT_EQ(Zk({"listing", "main.zk", "--unit", "-o", "list.txt"}).Status, 0);
    const std::string text = Dir.Read("list.txt");
    EXPECT_EQ(text.substr(0, 8), "Uses:\r\nA");
    EXPECT_NE(text.find("  \xC0\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Exported"), std::string::npos); // a unit exports nothing here
}

TEST_F(ZkCompile, ListingOfAProgramFileShowsItAsLoaded) {
    Dir.Write("main.zk", "(F (X) (FIRST X))");
    ASSERT_EQ(Zk({"build", "main.zk", "-o", "p.bin", "--listing", "built.txt"}).Status, 0);
    const TProcessResult r = Zk({"listing", "p.bin"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("1: Param(0, 0, \"\") - 0\n"), std::string::npos) << r.Out;
    EXPECT_NE(Dir.Read("built.txt").find("1: Param(0, 0, \"\") - 14\r\n"), std::string::npos);
}

TEST_F(ZkCompile, LogIsWrittenAfterAFailedCompilationToo) {
    Dir.Write("main.zk", "");
    const TProcessResult r = Zk({"check", "main.zk", "--log", "log.txt"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "main.zk:1:1: Ошибка: В файле не описано ни одной функции - #102\n");
    const std::string log = Cp1251ToUtf8(Dir.Read("log.txt"));
    EXPECT_EQ(log.rfind("Начата компиляция главного модуля\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("#102, файл  смещение: 0(00000000h)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("#102, файл main.zk смещение: 0(00000000h)\r\n"), std::string::npos);
}

TEST_F(ZkCompile, ClassicLanguageRejectsDigits) {
    Dir.Write("main.zk", "(F (X) 5)");
    EXPECT_EQ(Zk({"check", "main.zk"}).Status, 0);
    const TProcessResult r = Zk({"check", "--classic", "main.zk"});
    EXPECT_EQ(r.Err, "main.zk:1:8: Ошибка: Недопустимый символ в исходном коде - #103\n");
}

TEST_F(ZkCompile, UnreadableFilesExit66NamingTheFile) {
    const TProcessResult r = Zk({"check", "absent.zk"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_NE(r.Err.find("absent.zk"), std::string::npos);
    Dir.Write("main.zk", "(F (X) X)");
    EXPECT_EQ(Zk({"build", "main.zk", "-o", "no/such/dir/x.zkp"}).Status, 66);
}

TEST_F(ZkCompile, DamagedProgramFileExit66) {
    Dir.Write("bad.zkp", std::string("\x03\x00ZKP\xFF\xFF\xFF\x7F", 9));
    const TProcessResult r = Zk({"listing", "bad.zkp"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_NE(r.Err.find("bad.zkp"), std::string::npos);
}

TEST_F(ZkCompile, UsageErrors) {
    Dir.Write("main.zk", "(F (X) X)");
    EXPECT_EQ(Zk({"build", "main.zk"}).Status, 64);                   // no -o
    EXPECT_EQ(Zk({"check", "main.zk", "--frob"}).Status, 64);         // unknown option
    EXPECT_EQ(Zk({"check", "main.zk", "other.zk"}).Status, 64);       // a second file
    EXPECT_EQ(Zk({"check"}).Status, 64);                              // no file
    EXPECT_EQ(Zk({"check", "main.zk", "--listing", "l"}).Status, 64); // not an option of check
    EXPECT_EQ(Zk({"check", "-I"}).Status, 64);                        // option without its value
}

TEST_F(ZkCompile, OptionsEndAtDoubleDash) {
    Dir.Write("-odd.zk", "(F (X) X)");
    EXPECT_EQ(Zk({"check", "--", "-odd.zk"}).Status, 0);
}

} // namespace
} // namespace zk::test
