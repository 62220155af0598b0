// The build commands without a window: the temporary directory and its
// protection, the error's place, the log modes, the listing, and the choices
// of the run steps.
#include "ide/BuildCommands.h"

#include "TestFiles.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;
using zk::test::W;

class BuildCommands : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Options);
        Options.TempDir = Temp.Path().string();
        Options.ExtOutputDir = Out.Entry();
    }
    void TearDown() override { CompileLog.clear(); }

    TBuildInput Editing(std::string_view text) {
        TBuildInput input;
        input.EditorText = W(text);
        input.Documents.push_back({1, "", input.EditorText, {}});
        return input;
    }
    std::vector<std::string> Messages(const TCommandOutcome& out) {
        std::vector<std::string> texts;
        for (const TNotice& notice : out.Notices)
            texts.push_back(Cp1251ToUtf8(notice.Text));
        return texts;
    }

    TTempDir Temp, Out;
    TOptions Options;
    TBuildCommands Commands{Options};
};

TEST_F(BuildCommands, AnErrorInTheEditorNamesItsDocumentAndPlaceAndSelectsTheToken) {
    TBuildInput input = Editing("(F (X)\r\n  YES)");
    input.EditorTitle = "lists.zk";
    const TCommandOutcome out = Commands.SyntaxCheck(input);
    ASSERT_EQ(Messages(out), std::vector<std::string>{"Ошибка: Неизвестный атом - #5 («YES») "
                                                      "Файл: lists.zk, строка 2, столбец 3"});
    EXPECT_EQ(Cp1251ToUtf8(out.Notices[0].Caption), "Ошибка!");
    EXPECT_EQ(out.Caret, (TCaretPlace{0, 1, 2, 3}));
    EXPECT_EQ(Cp1251ToUtf8(*out.BuildStatus), "Ошибка компиляции программы: Неизвестный атом - #5");
}

TEST_F(BuildCommands, AnErrorInAnOpenIncludedFileSelectsItsLowestSlot) {
    TBuildInput input = Editing("#INCLUDE \"INC.ZK\"\r\n(F (X) X)");
    input.Documents.push_back({4, "/elsewhere/inc.zk", "(G (X)\r\n Z)", {}});
    input.Documents.push_back({3, "/src/Inc.ZK", "(G (X)\r\n Z)", {}});
    const TCommandOutcome out = Commands.PrepareRun(input);
    EXPECT_FALSE(out.Code);
    EXPECT_EQ(out.Caret, (TCaretPlace{3, 1, 1, 1}));
    EXPECT_EQ(Cp1251ToUtf8(*out.BuildStatus), "Ошибка: Неизвестный атом - #5");

    input.Documents.pop_back();
    input.Documents.pop_back();
    Temp.Write("INC.ZK", "(G (X)\r\n Z)"); // not open: only the message
    EXPECT_FALSE(Commands.SyntaxCheck(input).Caret);
}

// A document read from a file with LF line ends is compiled from a copy with
// LF line ends, as zk reads the file, and its offsets count one byte a line end.
TEST_F(BuildCommands, AnLfDocumentIsCompiledWithItsOwnLineEnds) {
    TBuildInput input = Editing("(F (X)\r\n\r\n\t X)");
    input.EditorFormat.LfLineEnds = true;
    input.EditorTitle = "tabs.zk";
    const TCommandOutcome out = Commands.SyntaxCheck(input);
    ASSERT_EQ(Messages(out),
              std::vector<std::string>{"Ошибка: Недопустимый символ в исходном коде - #103 (символ "
                                       "табуляции) Файл: tabs.zk, строка 3, столбец 1"});
    EXPECT_EQ(out.Caret, (TCaretPlace{0, 2, 0, 1}));
    EXPECT_EQ(CaretAtOffset("AB\r\nCDEFGH", 7, 80, 1), (TCaretPlace{0, 1, 4}));
}

TEST(FailureMessage, NamesACharacterWindows1251LacksByItsCode) {
    TBuildInput input;
    input.EditorText = "(F (X)\r\n (QUOTE \x98 \x98))";
    input.EditorFormat.Unmappable = {U'\u2260', U'\U0001F600'};
    input.EditorTitle = "a.zk";
    const TError second{103, 18, MainModuleName()};
    EXPECT_EQ(Cp1251ToUtf8(FailureMessage(second, input)),
              "Ошибка: Недопустимый символ в исходном коде - #103 (символ U+1F600, которого нет в "
              "кодировке Windows-1251) Файл: a.zk, строка 2, столбец 11");
}

TEST(CaretAtOffset, CountsTwoBytesPerLineEndAndClampsTheColumn) {
    EXPECT_EQ(CaretAtOffset("AB\r\nCDEFGH", 7, 80), (TCaretPlace{0, 1, 3}));
    EXPECT_EQ(CaretAtOffset("AB\r\nCDEFGH", 7, 3), (TCaretPlace{0, 1, 2}));
    EXPECT_EQ(CaretAtOffset("AB\r\nCD", 4, 80), (TCaretPlace{0, 1, 0}));
    EXPECT_EQ(CaretAtOffset("AB\r\nCD", 99, 80), (TCaretPlace{0, 1, 2})); // past the end
    EXPECT_EQ(CaretAtOffset("", -5, 0), (TCaretPlace{0, 0, 0}));
}

TEST_F(BuildCommands, ASuccessfulCheckSaysSoAndLeavesTheCopiesInTheTemporaryDirectory) {
    TBuildInput input = Editing("(F (X) X)");
    input.Documents[0].FilePath = "/home/student/main.zk";
    const TCommandOutcome out = Commands.SyntaxCheck(input);
    EXPECT_EQ(Messages(out), std::vector<std::string>{"Ошибок в исходном коде не обнаружено"});
    EXPECT_EQ(Cp1251ToUtf8(*out.BuildStatus), "Нет ошибок");
    EXPECT_EQ(Temp.Read("main.zk"), "(F (X) X)\r\n");
}

TEST_F(BuildCommands, AMissingTemporaryDirectoryStopsEveryBuild) {
    Options.TempDir = Temp.Entry() + "missing";
    bool asked = false;
    const TCommandOutcome out = Commands.CompileProgram(Editing("(F (X) X)"), [&] {
        asked = true;
        return std::optional<std::string>();
    });
    EXPECT_FALSE(asked);
    EXPECT_EQ(Messages(out), std::vector<std::string>{
                                 "Неверная директория временных файлов! Выполнение невозможно!"});
}

// The settings installed with the program leave the directories empty.
TEST_F(BuildCommands, EmptyDirectoriesMeanTheEnvironmentsOwnAndTheCurrentOne) {
    Options.TempDir.clear();
    Options.ExtOutputDir.clear();
    Options.LogMode = 1;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(Out.Path());
    const TCommandOutcome out = Commands.SyntaxCheck(Editing("(F (X) X)"));
    std::filesystem::current_path(before);
    EXPECT_EQ(Messages(out), std::vector<std::string>{"Ошибок в исходном коде не обнаружено"});
    EXPECT_NE(Out.Read("Log.txt").find(W("Начата компиляция главного модуля")), std::string::npos);
}

TEST_F(BuildCommands, TheTemporaryDirectoryLosesOnlyTheFilesTheEnvironmentWrote) {
    const std::string own = Temp.Write("notes.zk", "(MINE (X) X)");
    TBuildInput input = Editing("(F (X) X)");
    input.Documents.push_back({2, "/src/lib.zk", "(G (X) X)", {}});
    ASSERT_TRUE(Commands.SyntaxCheck(input).Caret == std::nullopt);
    EXPECT_EQ(Temp.Read("lib.zk"), "(G (X) X)\r\n");

    // A second build overwrites its own copy and deletes its old main module.
    input.Documents[1].Text = "(G (Y) Y)";
    Commands.SyntaxCheck(input);
    EXPECT_EQ(Temp.Read("lib.zk"), "(G (Y) Y)\r\n");
    int modules = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Temp.Path()))
        modules += entry.path().extension() == ".zk";
    EXPECT_EQ(modules, 3); // notes.zk, lib.zk and one main module
    EXPECT_EQ(ReadWholeFile(own), "(MINE (X) X)");

    // A document named like the student's file does not overwrite it.
    input.Documents[1].FilePath = "/src/notes.zk";
    const TCommandOutcome refused = Commands.SyntaxCheck(input);
    ASSERT_EQ(refused.Notices.size(), 1u);
    EXPECT_NE(Cp1251ToUtf8(refused.Notices[0].Text).find(own + " во временной директории"),
              std::string::npos);
    EXPECT_EQ(ReadWholeFile(own), "(MINE (X) X)");
}

TEST_F(BuildCommands, TheLogIsRewrittenOrAppendedWithinItsLimit) {
    const std::string separator = std::string(46, '=') + "\r\n";
    Options.LogMode = 1;
    Commands.SyntaxCheck(Editing("(F (X) X)"));
    const std::string log = Out.Read("Log.txt");
    EXPECT_EQ(log.rfind(W("Начата компиляция главного модуля\r\n"), 0), 0u);
    EXPECT_EQ(log.find('='), std::string::npos);

    Options.LogMode = 2;
    Options.LimitSize = true;
    Options.LogSize = 5;
    Out.Write("Log.txt", std::string(5121, 'x'));
    Commands.SyntaxCheck(Editing("(F (X) X)"));
    EXPECT_EQ(Out.Read("Log.txt"), separator + log);
    Commands.SyntaxCheck(Editing("(F (X) X)"));
    EXPECT_EQ(Out.Read("Log.txt"), separator + log + separator + log);

    Options.ExtOutputDir = Out.Entry() + "missing/";
    const TCommandOutcome out = Commands.SyntaxCheck(Editing("(F (X) X)"));
    EXPECT_EQ(Messages(out).front(),
              "Каталог для доп. выходных не существует! Log небыть записан!");
    EXPECT_EQ(Messages(out).back(), "Ошибок в исходном коде не обнаружено");
}

// None of these may wait for a reader, and each says which file failed.
TEST_F(BuildCommands, AFifoInPlaceOfAnOutputIsRefusedWithoutWaiting) {
    for (const char* name : {"Log.txt", "PCode.txt", "prog.ZKP"})
        ASSERT_EQ(mkfifo((Out.Path() / name).c_str(), 0600), 0);
    const std::string refused = ": Это не обычный файл (канал или устройство)";
    Options.PCDOut = true;
    for (const uint8_t mode : {1, 2}) {
        Options.LogMode = mode;
        const auto ask = [&] { return std::optional<std::string>(Out.Entry() + "prog.ZKP"); };
        const TCommandOutcome out = Commands.CompileProgram(Editing("(F (X) X)"), ask);
        EXPECT_EQ(Messages(out),
                  (std::vector<std::string>{
                      "Ошибка ввода-вывода: " + Out.Entry() + "Log.txt" + refused,
                      "Ошибка ввода-вывода: " + Out.Entry() + "PCode.txt" + refused,
                      "Ошибка ввода-вывода: " + Out.Entry() + "prog.ZKP" + refused}));
    }
    EXPECT_TRUE(std::filesystem::is_fifo(Out.Path() / "Log.txt"));
}

TEST_F(BuildCommands, AUnitCompileWritesTheListingOnlyWhenAsked) {
    const auto ask = [&] { return std::optional<std::string>(Out.Entry() + "lists.zku"); };
    TCommandOutcome out = Commands.CompileUnit(Editing("(EXPORT G)(G (X) X)"), ask);
    EXPECT_EQ(Cp1251ToUtf8(*out.MainStatus), "Скомпилирован модуль: lists.zku");
    EXPECT_TRUE(FileExists(Out.Entry() + "lists.zku"));
    EXPECT_FALSE(FileExists(Out.Entry() + "PCode.txt"));

    Options.PCDOut = true;
    out = Commands.CompileUnit(Editing("(EXPORT G)(G (X) X)"), ask);
    EXPECT_TRUE(out.Notices.empty());
    EXPECT_NE(Out.Read("PCode.txt").find("G"), std::string::npos);
}

TEST_F(BuildCommands, RunPreparesTheImageAndTheRunFileNeedsNoTemporaryDirectory) {
    Options.AutoSave = true;
    TCommandOutcome out = Commands.PrepareRun(Editing("(F () (QUOTE A))"));
    ASSERT_TRUE(out.Code);
    EXPECT_TRUE(out.SaveAll);
    EXPECT_EQ(ParamSourceOf(*out.Code, true), TParamSource::None);
    const std::string program = Out.Entry() + "f.ZKP";
    out.Code->SaveToFile(program, pfProgram);

    Options.TempDir = Temp.Entry() + "missing";
    out = TBuildCommands::LoadRunFile(program);
    ASSERT_TRUE(out.Code);
    EXPECT_TRUE(out.Notices.empty());

    out = TBuildCommands::LoadRunFile(Out.Write("bad.ZKP", "\x03"));
    EXPECT_FALSE(out.Code);
    ASSERT_EQ(out.Notices.size(), 1u);
    EXPECT_NE(Cp1251ToUtf8(out.Notices[0].Text).find("bad.ZKP"), std::string::npos);
}

TEST_F(BuildCommands, RefusedParametersHaveTheInputErrorMessage) {
    std::vector<TNotice> notices;
    auto run = CreateRun(*Commands.PrepareRun(Editing("(F (X Y) X)")).Code, Options, notices);
    ASSERT_TRUE(run);
    EXPECT_EQ(ParamSourceOf(run->Code(), false), TParamSource::Dialog);
    EXPECT_FALSE(ReadParamsFile(*run, Out.Entry() + "none.txt", notices));
    EXPECT_FALSE(notices.empty());
    ReadParamsFile(*run, Out.Write("in.txt", "A\n"), notices);
    EXPECT_EQ(Cp1251ToUtf8(ParamsRefused(*run)->Text),
              "Ошибка во входных данных: Количество входных парметров меньше ожидаемого - #201");
}

} // namespace
} // namespace zk::ide::test
