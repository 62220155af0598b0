// zk run as a process: results on stdout or in a file, parameters from the
// command line and from a file, every kind of failure with its message and
// exit status, the counters of --stats, Ctrl+C, program files and Zk.ini.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include "frontend/Options.h"
#include "interp/RandomGenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace zk::test {
namespace {

constexpr const char* kReverse = "(REV (L) (CALL INTO L (QUOTE)))\n"
                                 "(INTO (L A) (IF (EQUAL L (QUOTE)) A"
                                 " (CALL INTO (BF L) (EXPR (FIRST L) A))))\n";

class ZkRun : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args, const std::string& input = "") {
        return RunZk(args, input, Dir.Path());
    }

    TTempDir Dir;
};

TEST_F(ZkRun, ResultGoesToStdoutWithItsTrailingBlank) {
    Dir.Write("rev.zk", kReverse);
    const TProcessResult r = Zk({"run", "rev.zk", "a (b c) 7"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "7 (B C) A \n");
    EXPECT_EQ(r.Err, "");
}

TEST_F(ZkRun, CyrillicParametersAreUpperCasedAndPrintedInUtf8) {
    Dir.Write("id.zk", "(ID (X) X)");
    EXPECT_EQ(Zk({"run", "id.zk", "привет ёж"}).Out, "ПРИВЕТ ЁЖ \n");
}

TEST_F(ZkRun, NumbersAndTheWordAfterDoubleDashAreParameters) {
    Dir.Write("sub.zk", "(SUB (A B) (- A B))");
    EXPECT_EQ(Zk({"run", "sub.zk", "-5", "3"}).Out, "-8 \n");
    Dir.Write("id.zk", "(ID (X) X)");
    EXPECT_EQ(Zk({"run", "id.zk", "--", "--stats"}).Out, "--STATS \n");
}

TEST_F(ZkRun, TheEmptyResultIsAnEmptyLine) {
    Dir.Write("e.zk", "(E () (QUOTE))");
    EXPECT_EQ(Zk({"run", "e.zk"}).Out, "\n");
}

TEST_F(ZkRun, ResultToAFileIsOneWindows1251LineEndedByCrLf) {
    Dir.Write("id.zk", "(ID (X) X)");
    const TProcessResult r = Zk({"run", "id.zk", "мир", "--output", "out.txt"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(Dir.Read("out.txt"), W("МИР \r\n"));
}

TEST_F(ZkRun, ParametersFromAFile) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    Dir.Write("in.txt", "a b\r\n(c)\r\nignored\r\n");
    EXPECT_EQ(Zk({"run", "pair.zk", "--input", "in.txt"}).Out, "(C) A B \n");
}

TEST_F(ZkRun, InputErrorsExitWithTwo) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    Dir.Write("short.txt", "a\n");
    TProcessResult r = Zk({"run", "pair.zk", "--input", "short.txt"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err,
              "Ошибка во входных данных: Количество входных парметров меньше ожидаемого - #201\n");
    r = Zk({"run", "pair.zk", "a"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err,
              "Ошибка во входных данных: Количество входных парметров меньше ожидаемого - #201\n");
    r = Zk({"run", "pair.zk", "(a", "b"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "Ошибка во входных данных: Ошибка во входном параметре - #200\n");
    EXPECT_EQ(r.Out, "");
}

TEST_F(ZkRun, AParameterTooBigForTheMemoryIsAnInputError) {
    Dir.Write("id.zk", "(ID (X) X)");
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += "A ";
    const TProcessResult r = Zk({"run", "id.zk", big, "--mem", "1"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "Ошибка во входных данных: Нехватка памяти - #39\n");
}

TEST_F(ZkRun, UsageErrors) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    Dir.Write("in.txt", "a\nb\n");
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "c"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "--input", "in.txt"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "--mem", "0"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "--mem", "four"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "--graphics-mode", "3"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "--seed", "x"}).Status, 64);
    EXPECT_EQ(Zk({"run", "pair.zk", "a", "b", "--fast"}).Status, 64);
}

TEST_F(ZkRun, AMemoryTheMachineCannotGiveIsRefusedWithoutACrash) {
    Dir.Write("one.zk", "(ONE () 1)");
    // 2 x 64 GB of cells: refused where memory is not overcommitted without bound.
    const TProcessResult r = Zk({"run", "one.zk", "--mem", "131071"});
    if (r.Status == 0) GTEST_SKIP() << "this machine overcommits memory without bound";
    EXPECT_EQ(r.Status, 64);
    EXPECT_EQ(r.Err, "zk: --mem 131071: this machine cannot give the run that much memory\n");
}

TEST_F(ZkRun, FileErrorsNameTheFile) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    TProcessResult r = Zk({"run", "pair.zk", "--input", "missing.txt"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_NE(r.Err.find("missing.txt"), std::string::npos);
    r = Zk({"run", "nothing.zk"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_NE(r.Err.find("nothing.zk"), std::string::npos);
}

TEST_F(ZkRun, ACompileErrorExitsWithOne) {
    Dir.Write("bad.zk", "(F (X) (FIRST X X))");
    const TProcessResult r = Zk({"run", "bad.zk", "a"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "bad.zk:1:17: Ошибка: Ожидается закрывающая скобка - #8\n");
}

TEST_F(ZkRun, RunTimeErrorsExitWithThree) {
    Dir.Write("first.zk", "(F (X) (FIRST X))");
    TProcessResult r = Zk({"run", "first.zk", ""});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "first.zk:1:8: Ошибка: First применён к пустому выражению - #104\n");
    Dir.Write("abort.zk", "(F () (ABORT))");
    r = Zk({"run", "abort.zk"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "abort.zk:1:7: Ошибка: НЕОПРЕДЕЛЕНО (прервано по команде ABORT) - #44\n");
    Dir.Write("random.zk", "(F () (RANDOM (- 0 1)))");
    EXPECT_EQ(Zk({"run", "random.zk"}).Err, "random.zk:1:7: Ошибка: Неизвестная ошибка - #55\n");
}

TEST_F(ZkRun, StatsFollowTheResult) {
    Dir.Write("loop.zk", "(LOOP (N) (IF (EQUAL N 0) (QUOTE DONE) (CALL LOOP (- N 1))))");
    const TProcessResult r = Zk({"run", "loop.zk", "3", "--stats"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "DONE \n");
    EXPECT_EQ(r.Err, "Кол-во выполненных инструкций: 39\n"
                     "Глубина рекурсии: 0\n"
                     "Максимальная глубина рекурсии: 0\n"
                     "Время работы (сек): 0\n"
                     "Выделено атомов: 12\n"
                     "Память: 12/65536\n");
}

TEST_F(ZkRun, StatsAlsoFollowARunTimeErrorButNotAnInputError) {
    Dir.Write("first.zk", "(F (X) (FIRST X))");
    TProcessResult r = Zk({"run", "first.zk", "", "--stats", "--mem", "2"});
    EXPECT_EQ(r.Err, "first.zk:1:8: Ошибка: First применён к пустому выражению - #104\n"
                     "Кол-во выполненных инструкций: 3\n"
                     "Глубина рекурсии: 0\n"
                     "Максимальная глубина рекурсии: 0\n"
                     "Время работы (сек): 0\n"
                     "Выделено атомов: 0\n"
                     "Память: 0/32768\n");
    r = Zk({"run", "first.zk", "(", "--stats"});
    EXPECT_EQ(r.Err, "Ошибка во входных данных: Ошибка во входном параметре - #200\n");
}

TEST_F(ZkRun, SeedFixesTheRandomNumbers) {
    Dir.Write("dice.zk", "(DICE () (EXPR (RANDOM 6) (RANDOM 1000000)))");
    TRandomGenerator generator(42);
    const std::string first = std::to_string(generator.Draw(6));
    const std::string second = std::to_string(generator.Draw(1000000));
    EXPECT_EQ(Zk({"run", "dice.zk", "--seed", "42"}).Out, first + " " + second + " \n");
    EXPECT_EQ(Zk({"run", "dice.zk", "--seed=-1"}).Out,
              Zk({"run", "dice.zk", "--seed", "4294967295"}).Out);
}

TEST_F(ZkRun, SymbolOfSeveralElementsFailsUnlessSwitchedOff) {
    Dir.Write("sym.zk", "(S (X) (SYMBOL X))");
    EXPECT_EQ(Zk({"run", "sym.zk", "a b"}).Err,
              "sym.zk:1:8: Ошибка: SYMBOL или NUMBER применён не к терму - #43\n");
    EXPECT_EQ(Zk({"run", "sym.zk", "a b", "--no-symbol-error"}).Out, "FALSE \n");
}

TEST_F(ZkRun, ExhaustedMemoryIsARunTimeError) {
    Dir.Write("grow.zk", "(G (L) (CALL G (EXPR L L)))");
    const TProcessResult r = Zk({"run", "grow.zk", "a", "--mem", "1"});
    EXPECT_EQ(r.Status, 3);
    // The copy of the first L fails; the tail call replaced every call.
    EXPECT_EQ(r.Err, "grow.zk:1:22: Ошибка: Нехватка памяти - #39\n");
}

TEST_F(ZkRun, CtrlCStopsTheRunWithCode54) {
    Dir.Write("endless.zk", "(E (X) (CALL E X))");
    const TProcessResult r =
        RunZkInterrupted({"run", "endless.zk", "a", "--stats"}, Dir.Path(), 300);
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err.rfind("Ошибка: Выполнение прервано - #54\nКол-во выполненных инструкций: ", 0),
              0u)
        << r.Err;
}

TEST_F(ZkRun, CtrlCWhileThePictureIsDrawnStopsTheDrawing) {
    // 80,000 fills of the whole picture, built in a moment and drawn for long.
    Dir.Write("fills.zk", "(P () (EXPR (QUOTE 640 480) (CALL FILLS 40000)))\n"
                          "(FILLS (N) (IF (EQUAL N 0) (QUOTE)\n"
                          "  (EXPR (QUOTE SETFORE 15 SETBACK 0 FILL 1 1 SETFORE 0 SETBACK 15"
                          " FILL 1 1) (CALL FILLS (- N 1)))))");
    const TProcessResult r = RunZkInterrupted(
        {"run", "fills.zk", "--mem", "64", "--picture", "p.bmp"}, Dir.Path(), 1500);
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "Ошибка: Выполнение прервано - #54\n");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "p.bmp"));
}

TEST_F(ZkRun, AProgramFileRunsLikeItsSource) {
    Dir.Write("rev.zk", kReverse);
    ASSERT_EQ(Zk({"build", "rev.zk", "-o", "rev.zkp"}).Status, 0);
    const TProcessResult r = Zk({"run", "rev.zkp", "a b c"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "C B A \n");
}

TEST_F(ZkRun, ADamagedProgramFileNeverRuns) {
    Dir.Write("rev.zk", kReverse);
    ASSERT_EQ(Zk({"build", "rev.zk", "-o", "rev.zkp"}).Status, 0);
    // The last instruction of a program file is its final Ret; make it an
    // operation without a meaning.
    std::string bytes = Dir.Read("rev.zkp");
    ASSERT_EQ(bytes.back(), '\x13');
    bytes.back() = '\x10';
    Dir.Write("bad.zkp", bytes);
    const TProcessResult r = Zk({"run", "bad.zkp", "a b c"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("bad.zkp: damaged p-code file: "), std::string::npos) << r.Err;

    // Damage of the same size that only the verifier sees: the main
    // function's LoadArgs made a FreeArgs, and TRUE spelled TRUX.
    const std::pair<std::string, std::string> damages[] = {
        {std::string("\x0E\x01\x00\x00\x00", 5), std::string("\x0F\x01\x00\x00\x00", 5)},
        {"TRUE", "TRUX"}};
    for (const auto& [from, to] : damages) {
        std::string damaged = Dir.Read("rev.zkp");
        ASSERT_NE(damaged.find(from), std::string::npos);
        damaged.replace(damaged.find(from), from.size(), to);
        Dir.Write("bad.zkp", damaged);
        const TProcessResult refused = Zk({"run", "bad.zkp", "a b c"});
        EXPECT_EQ(refused.Status, 66);
        EXPECT_EQ(refused.Out, "");
        EXPECT_EQ(refused.Err.rfind("zk: bad.zkp: damaged p-code file: ", 0), 0u) << refused.Err;
    }
}

TEST_F(ZkRun, AUnitFileIsNoProgram) {
    Dir.Write("lib.zk", "(EXPORT F)\n(F (X) X)");
    ASSERT_EQ(Zk({"unit", "lib.zk", "-o", "lib.zku"}).Status, 0);
    EXPECT_EQ(Zk({"run", "lib.zku", "a"}).Status, 64);
}

TEST_F(ZkRun, HelpersOfAUnitFileRunWithTheProgram) {
    // B is called only from the helper H, which no export describes.
    Dir.Write("lib.zk", "(EXPORT E)\n(E (X) (CALL H X))\n(H (X) (CALL B X))\n(B (X) (FIRST X))");
    ASSERT_EQ(Zk({"unit", "lib.zk", "-o", "LIB.ZKU"}).Status, 0);
    std::filesystem::remove(Dir.Path() / "lib.zk");
    Dir.Write("main.zk", "(USES LIB)\n(M (L) (CALL E L))");
    const TProcessResult r = Zk({"run", "main.zk", "x y"});
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, "X \n");
}

// Width and height of a Windows bitmap, from its header.
std::pair<int32_t, int32_t> BitmapSize(const std::string& bytes) {
    if (bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0) return {0, 0};
    const auto at = [&bytes](std::size_t i) {
        return static_cast<int32_t>(
            static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8 |
            static_cast<uint8_t>(bytes[i + 2]) << 16 |
            static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 3])) << 24);
    };
    return {at(18), at(22)};
}

TEST_F(ZkRun, APictureIsSavedAsABitmap) {
    const TProcessResult r =
        Zk({"run", std::string(ZK_EXAMPLES_DIR) + "/house.zk", "--picture", "house.bmp"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(BitmapSize(Dir.Read("house.bmp")), std::make_pair(240, 180));
}

TEST_F(ZkRun, APictureErrorExitsWithFourAndStillShowsTheCounters) {
    Dir.Write("bad.zk", "(P () (QUOTE 700 100 LINE 0 0 5 5))");
    const TProcessResult r = Zk({"run", "bad.zk", "--picture", "bad.bmp", "--stats"});
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(r.Err.rfind("Ошибка графики: Неверное описание параметров изображения - #74\n"
                          "Кол-во выполненных инструкций: ",
                          0),
              0u)
        << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "bad.bmp"));
}

TEST_F(ZkRun, WithoutAWorkingPictureModuleZkRunsTextAndNamesTheModule) {
    const std::filesystem::path bin = Dir.Path() / "bin";
    std::filesystem::create_directory(bin);
    std::filesystem::copy_file(ZK_EXECUTABLE, bin / "zk");
    Dir.Write("p.zk", "(P () (QUOTE 10 10 PIXEL 1 1 4))");
    const auto status = [&](const std::string& options) {
        const std::string command = "cd '" + Dir.Path().string() + "' && bin/zk run p.zk " +
                                    options + " >out.txt 2>err.txt";
        return ShellStatus(std::system(command.c_str()));
    };
    EXPECT_EQ(status(""), 0);
    EXPECT_EQ(Dir.Read("out.txt"), "10 10 PIXEL 1 1 4 \n");
    EXPECT_EQ(status("--picture p.bmp"), 66);
    const std::string err = Dir.Read("err.txt");
    EXPECT_EQ(err.rfind("zk: " + bin.string() + "/", 0), 0u) << err;
    EXPECT_NE(err.find("/varnok-picture.so: No such file or directory\n"), std::string::npos)
        << err;

    // A module beside zk that is no library is named with the loader's reason.
    std::ofstream(bin / "varnok-picture.so") << "not a library";
    EXPECT_EQ(status("--picture p.bmp"), 66);
    const std::string broken = Dir.Read("err.txt");
    EXPECT_EQ(broken.rfind("zk: " + (bin / "varnok-picture.so").string() + ": ", 0), 0u) << broken;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "p.bmp"));
}

TEST_F(ZkRun, TheOutputFileWinsOverThePicture) {
    Dir.Write("p.zk", "(P () (QUOTE 10 10 PIXEL 1 1 4))");
    const TProcessResult r = Zk({"run", "p.zk", "--picture", "p.bmp", "--output", "p.txt"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Dir.Read("p.txt"), "10 10 PIXEL 1 1 4 \r\n");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "p.bmp"));
}

TEST_F(ZkRun, TheGraphicsModeChoosesTheColours) {
    // Colour 255 is white in the 16 colours (15), a pure red in true colour.
    Dir.Write("p.zk", "(P () (QUOTE 2 1 PIXEL 0 0 255))");
    ASSERT_EQ(Zk({"run", "p.zk", "--picture", "a.bmp"}).Status, 0);
    ASSERT_EQ(Zk({"run", "p.zk", "--picture", "b.bmp", "--graphics-mode", "2"}).Status, 0);
    const std::string white = Dir.Read("a.bmp"), red = Dir.Read("b.bmp");
    const std::size_t pixels =
        static_cast<uint8_t>(white[10]); // bottom row first: (0, 0) starts it
    EXPECT_EQ(white.substr(pixels, 3), "\xff\xff\xff");
    EXPECT_EQ(red.substr(pixels, 3), std::string("\x00\x00\xff", 3)); // blue, green, red
}

class ZkRunSettings : public ZkRun {
protected:
    void WriteSettings(const TOptions& options) {
        SaveOptions((Dir.Path() / "Zk.ini").string(), options);
    }
    TOptions Defaults() {
        TOptions options;
        SetDefaultOptions(options);
        return options;
    }
};

TEST_F(ZkRunSettings, MemoryFromTheFileAndFromTheFlag) {
    TOptions options = Defaults();
    options.MaxMem = 1;
    WriteSettings(options);
    Dir.Write("one.zk", "(ONE () 1)");
    EXPECT_NE(Zk({"run", "one.zk", "--stats"}).Err.find("Память: 1/16384\n"), std::string::npos);
    EXPECT_NE(Zk({"run", "one.zk", "--stats", "--mem", "2"}).Err.find("Память: 1/32768\n"),
              std::string::npos);
}

TEST_F(ZkRunSettings, LanguageAndSymbolOptionFromTheFile) {
    TOptions options = Defaults();
    options.UseNew = false;
    options.SymbolErr = false;
    WriteSettings(options);
    Dir.Write("sym.zk", "(S (X) (SYMBOL X))");
    EXPECT_EQ(Zk({"run", "sym.zk", "a b"}).Out, "FALSE \n");
    Dir.Write("num.zk", "(N () (NUMBER (QUOTE A)))");
    EXPECT_EQ(Zk({"run", "num.zk"}).Status, 1); // NUMBER is not a form of the classic language
    // The flags win over the file; of the two, the last one.
    EXPECT_EQ(Zk({"run", "num.zk", "--modified"}).Out, "FALSE \n");
    EXPECT_EQ(Zk({"run", "num.zk", "--modified", "--classic"}).Status, 1);
    EXPECT_EQ(Zk({"run", "num.zk", "--classic", "--modified"}).Status, 0);
}

TEST_F(ZkRunSettings, IncludeDirectoriesFromTheFile) {
    std::filesystem::create_directory(Dir.Path() / "units");
    Dir.Write("units/lists.zk", "(EXPORT HEAD)\n(HEAD (L) (FIRST L))");
    TOptions options = Defaults();
    options.Include = {(Dir.Path() / "units").string() + "/"};
    WriteSettings(options);
    Dir.Write("main.zk", "(USES LISTS)\n(M (L) (CALL HEAD L))");
    EXPECT_EQ(Zk({"run", "main.zk", "q r"}).Out, "Q \n");
}

// An environment variable set for the zk processes of one test.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const std::string& value) : Name_(name) {
        if (const char* old = std::getenv(name)) Old_ = old;
        test::SetVariable(name, value);
    }
    ~TScopedVariable() {
        if (Old_)
            test::SetVariable(Name_, *Old_);
        else
            test::UnsetVariable(Name_);
    }

private:
    const char* Name_;
    std::optional<std::string> Old_;
};

TEST_F(ZkRunSettings, SettingsWithoutTheOptionBytesTouchNoTemporaryDirectory) {
    const TTempDir temp;
    const TScopedVariable tmpdir("TMPDIR", temp.Path().string());
    const TScopedVariable user("USER", "prober");
    Dir.Write("Zk.ini", "[ZK]\r\nDefExtension=zk\r\n");
    Dir.Write("f.zk", "(F (X) X)");
    EXPECT_EQ(Zk({"check", "f.zk"}).Status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));

    const std::filesystem::path own = temp.Path() / "varnok-prober";
    std::filesystem::create_directory(own);
    const auto readable = std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                          std::filesystem::perms::others_read;
    std::filesystem::permissions(own, readable);
    EXPECT_EQ(Zk({"run", "f.zk", "a"}).Status, 0);
    EXPECT_EQ(std::filesystem::status(own).permissions() & std::filesystem::perms::all, readable);
}

} // namespace
} // namespace zk::test
