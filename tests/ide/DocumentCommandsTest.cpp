// The file commands with the dialogs answered: what is written, what is
// asked, and what stays as it was when a dialog is cancelled or a file fails.
#include "ide/DocumentCommands.h"

#include "AnsweringDialogs.h"
#include "FakeEditor.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>

namespace zk::ide {
namespace {

using test::TAnsweringDialogs;
using test::TFakeEditor;
using zk::test::W;

class DocumentCommandsTest : public ::testing::Test {
protected:
    QString PathOf(const char* name) const {
        return QString::fromStdString((Dir.Path() / name).string());
    }
    QString Open(const char* name, const char* text) {
        Dir.Write(name, text);
        Dialogs.ChooseFile(PathOf(name));
        return Commands.Open();
    }

    zk::test::TTempDir Dir;
    TFakeEditor Editor;
    TDocumentTable Table{Editor};
    TAnsweringDialogs Dialogs;
    TDocumentCommands Commands{Table, Editor, Dialogs, nullptr};
};

TEST_F(DocumentCommandsTest, OpenJoinsAnyLineEndsAndSavingAnUnchangedDocumentWritesNothing) {
    EXPECT_EQ(Open("same.zk", "a\nb\rc\r\n"), "Открыт файл same.zk");
    EXPECT_EQ(Editor.Lines, (std::vector<std::string>{"a", "b", "c"}));
    Dir.Write("same.zk", "changed elsewhere");
    EXPECT_EQ(Commands.Save(), "");
    EXPECT_EQ(Dir.Read("same.zk"), "changed elsewhere");
}

TEST_F(DocumentCommandsTest, CloseAnsweredYesThenCancelledKeepsTheDocument) {
    Commands.New();
    Editor.Type(Table, "work");
    Dialogs.Answer(TAnswer::Yes);
    Dialogs.ChooseFile("");
    EXPECT_EQ(Commands.Close(), "");
    EXPECT_EQ(Dialogs.MessageTexts(),
              std::vector<QString>{"Закрываемый файл не сохранён. Сохранить?"});
    EXPECT_EQ(Table.OpenCount(), 2);
    EXPECT_FALSE(Table.Current().Saved);
    EXPECT_EQ(Editor.Text(), "work");

    Dialogs.Answer(TAnswer::Yes);
    Dialogs.ChooseFile(PathOf("kept.zk"));
    EXPECT_EQ(Commands.Close(), "Файл закрыт");
    EXPECT_EQ(Dir.Read("kept.zk"), "work\r\n");
    EXPECT_EQ(Table.OpenCount(), 1);
}

TEST_F(DocumentCommandsTest, SaveAllAsksNamesForUntitledOnesAndEndsOnTheCurrentTab) {
    Editor.Type(Table, W("ёж\r\n"));
    Commands.New();
    Editor.Type(Table, "two");
    Dialogs.ChooseFile(PathOf("one.zk"));
    Dialogs.ChooseFile(PathOf("two.zk"));
    EXPECT_EQ(Commands.SaveAll(), "Сохранён файл two.zk");
    EXPECT_EQ(Dialogs.Asked[0].Caption, "Сохранить исходный код ZK-программы");
    EXPECT_EQ(Table.TabTitle(0), "one.zk");
    EXPECT_EQ(Table.CurTab(), 1);
    EXPECT_EQ(Editor.Text(), "two");
    EXPECT_EQ(Dir.Read("one.zk"), W("ёж\r\n\r\n"));
    EXPECT_EQ(Dir.Read("two.zk"), "two\r\n");
    EXPECT_TRUE(Table.Slot(1).Saved && Table.Slot(2).Saved);
}

TEST_F(DocumentCommandsTest, ExitAsksAboutEachDocumentThatWouldBeLost) {
    Open("a.zk", "A");
    Editor.Type(Table, "A2");
    Commands.New(); // untitled and empty: nothing to lose
    Commands.New();
    Editor.Type(Table, "draft");

    Dialogs.Answer(TAnswer::Yes);    // a.zk is saved under its name
    Dialogs.Answer(TAnswer::Cancel); // the draft: stay
    EXPECT_FALSE(Commands.ConfirmExit());
    EXPECT_EQ(Dir.Read("a.zk"), "A2\r\n");
    EXPECT_EQ(Table.CurTab(), 2); // shows the document asked about

    Dialogs.Answer(TAnswer::Yes);
    Dialogs.ChooseFile(""); // a cancelled save dialog stays too
    EXPECT_FALSE(Commands.ConfirmExit());

    Dialogs.Answer(TAnswer::No);
    EXPECT_TRUE(Commands.ConfirmExit());
    EXPECT_EQ(Dialogs.MessageTexts().size(), 4u);
}

// A file-size limit makes the write fail for root as for anyone else.
TEST_F(DocumentCommandsTest, AFailedSaveKeepsTheOldFileAndTheDocumentUnsaved) {
    Open("big.zk", "old");
    Editor.Type(Table, std::string(64 * 1024, 'X'));
    Dialogs.Answer(TAnswer::Ok);

    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const QString status = Commands.Save();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(status, "");
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    const QString message = Dialogs.MessageTexts()[0];
    EXPECT_TRUE(message.startsWith("Не удалось сохранить файл " + PathOf("big.zk") + ": "));
    EXPECT_GT(message.size(),
              QString("Не удалось сохранить файл " + PathOf("big.zk") + ": ").size());
    EXPECT_EQ(Dir.Read("big.zk"), "old");
    EXPECT_FALSE(Table.Current().Saved);
}

TEST_F(DocumentCommandsTest, AFileThatCannotBeReadChangesNothing) {
    Dialogs.ChooseFile(PathOf("missing.zk"));
    Dialogs.Answer(TAnswer::Ok);
    EXPECT_EQ(Commands.Open(), "");
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains(PathOf("missing.zk")));
    EXPECT_TRUE(Table.Pristine());
    EXPECT_EQ(Table.OpenCount(), 1);
}

TEST_F(DocumentCommandsTest, StartCreatesAMissingFileAndRefusesAnImpossibleOne) {
    Commands.Start(PathOf("fresh.zk"));
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "fresh.zk"));
    EXPECT_EQ(Table.TabTitle(0), "fresh.zk");
    EXPECT_TRUE(Table.Current().Saved);
    EXPECT_TRUE(Table.Pristine());

    TFakeEditor editor;
    TDocumentTable table{editor};
    TDocumentCommands commands{table, editor, Dialogs, nullptr};
    Dialogs.Answer(TAnswer::Ok);
    commands.Start(PathOf("no/such/dir.zk"));
    EXPECT_EQ(Dialogs.MessageTexts(),
              std::vector<QString>{"Указанные параметры командной строки неверны!\n\n"
                                   "Не удалось прочитать файл " +
                                   PathOf("no/such/dir.zk") + ": Файл не найден"});
    EXPECT_EQ(table.TabTitle(0), W("Безымянный 1"));
}

TEST_F(DocumentCommandsTest, AFifoOrADeviceIsRefusedAtOnceAndNamed) {
    ASSERT_EQ(mkfifo((Dir.Path() / "pipe.zk").c_str(), 0600), 0);
    for (const QString& path : {PathOf("pipe.zk"), QString("/dev/zero")}) {
        Dialogs.ChooseFile(path);
        EXPECT_EQ(Commands.Open(), "");
    }
    Commands.Start(PathOf("pipe.zk"));
    const std::vector<QString> texts = Dialogs.MessageTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Не удалось прочитать файл " + PathOf("pipe.zk") +
                            ": Это не обычный файл (канал или устройство)");
    EXPECT_EQ(texts[1],
              "Не удалось прочитать файл /dev/zero: Это не обычный файл (канал или устройство)");
    EXPECT_TRUE(texts[2].endsWith(texts[0]));
    EXPECT_EQ(Table.OpenCount(), 1);
    EXPECT_TRUE(Table.Pristine());
}

TEST_F(DocumentCommandsTest, EscOnTheCloseQuestionKeepsTheDocument) {
    Commands.New();
    Editor.Type(Table, "work");
    Dialogs.Answer(TAnswer::Cancel); // what Esc and the close box answer
    EXPECT_EQ(Commands.Close(), "");
    EXPECT_EQ(Table.OpenCount(), 2);
    EXPECT_EQ(Editor.Text(), "work");
    Dialogs.Answer(TAnswer::No);
    EXPECT_EQ(Commands.Close(), "Файл закрыт");
    EXPECT_EQ(Table.OpenCount(), 1);
}

TEST_F(DocumentCommandsTest, AFileDeletedWhileOpenIsWrittenAgainAndClosingAsks) {
    Open("gone.zk", "(F (X) X)");
    Commands.New();
    Table.ChangeTab(0);
    std::filesystem::remove(Dir.Path() / "gone.zk");
    EXPECT_TRUE(Table.WouldBeLost(0));
    EXPECT_EQ(Table.TabCaption(0), "gone.zk*");
    EXPECT_EQ(Commands.Save(), "Сохранён файл gone.zk");
    EXPECT_EQ(Dir.Read("gone.zk"), "(F (X) X)\r\n");

    std::filesystem::remove(Dir.Path() / "gone.zk");
    Dialogs.Answer(TAnswer::Cancel);
    EXPECT_EQ(Commands.Close(), "");
    EXPECT_EQ(Dialogs.MessageTexts().back(), "Закрываемый файл не сохранён. Сохранить?");
    EXPECT_EQ(Table.OpenCount(), 2);

    // Told once when the window is next activated; the document stays unsaved.
    Dialogs.Answer(TAnswer::Ok);
    EXPECT_TRUE(Commands.CheckFilesOnDisk());
    EXPECT_TRUE(Dialogs.MessageTexts().back().startsWith("Файл " + PathOf("gone.zk") +
                                                         " удалён или переименован"));
    EXPECT_FALSE(Commands.CheckFilesOnDisk());
    EXPECT_FALSE(Table.Current().Saved);
}

TEST_F(DocumentCommandsTest, AFileChangedOnDiskIsReloadedOnlyWhenTheUserSaysSo) {
    Open("lib.zk", "(A)");
    Dir.Write("lib.zk", "(B)");
    Dialogs.Answer(TAnswer::Yes);
    EXPECT_TRUE(Commands.CheckFilesOnDisk());
    EXPECT_EQ(Dialogs.MessageTexts().back(),
              "Файл " + PathOf("lib.zk") + " изменён другой программой.\nПеречитать его с диска?");
    EXPECT_EQ(Editor.Text(), "(B)");
    EXPECT_TRUE(Table.Current().Saved);

    Editor.Type(Table, "(MINE)");
    Dir.Write("lib.zk", "(C)");
    Dialogs.Answer(TAnswer::No);
    EXPECT_TRUE(Commands.CheckFilesOnDisk());
    EXPECT_TRUE(Dialogs.MessageTexts().back().contains("есть несохранённые изменения"));
    EXPECT_EQ(Editor.Text(), "(MINE)");
    EXPECT_FALSE(Commands.CheckFilesOnDisk()); // asked once for one change

    // A save over a file that changed again since asks first.
    Dir.Write("lib.zk", "(DD)");
    Dialogs.Answer(TAnswer::No);
    EXPECT_EQ(Commands.Save(), "");
    EXPECT_TRUE(Dialogs.MessageTexts().back().contains("изменён другой программой после того"));
    EXPECT_EQ(Dir.Read("lib.zk"), "(DD)");
    Dialogs.Answer(TAnswer::Yes);
    EXPECT_EQ(Commands.Save(), "Сохранён файл lib.zk");
    EXPECT_EQ(Dir.Read("lib.zk"), "(MINE)\r\n");
}

TEST_F(DocumentCommandsTest, OpeningAFileThatIsOpenShowsItsTab) {
    Open("a.zk", "(A)");
    Open("b.zk", "(B)");
    std::filesystem::create_symlink(Dir.Path() / "a.zk", Dir.Path() / "alias.zk");
    Dialogs.ChooseFile(PathOf("alias.zk"));
    EXPECT_EQ(Commands.Open(), "Файл уже открыт: a.zk");
    EXPECT_EQ(Table.OpenCount(), 2);
    EXPECT_EQ(Table.CurTab(), 0);
    EXPECT_EQ(Editor.Text(), "(A)");
}

TEST_F(DocumentCommandsTest, LineJumpWithLettersSaysSoAndKeepsTheCaret) {
    Editor.Lines = {"a", "b", "c"};
    Editor.SetCaret(1, 1);
    Dialogs.Type(QString("two"));
    Dialogs.Answer(TAnswer::Ok);
    Commands.GotoLine();
    EXPECT_EQ(Dialogs.MessageTexts(), std::vector<QString>{"Неверное число"});
    EXPECT_EQ(Editor.Row(), 1);

    // Lines count from 1; the caret goes to the start of the line.
    Dialogs.Type(QString("3"));
    Commands.GotoLine();
    EXPECT_EQ(Editor.Row(), 2);
    EXPECT_EQ(Editor.Col(), 0);
    Dialogs.Type(QString("1"));
    Commands.GotoLine();
    EXPECT_EQ(Editor.Row(), 0);
    Dialogs.Type(QString("-4"));
    Commands.GotoLine();
    EXPECT_EQ(Editor.Row(), 0);
}

// A UTF-8 file with LF line ends, as Linux editors write it, comes back byte
// for byte; its Russian comment is readable in the editor meanwhile.
TEST_F(DocumentCommandsTest, AUtf8LfFileIsSavedBackByteForByte) {
    const std::string bytes = "; Переворот списка\n(REV (L) L) ; ≠ не в 1251\n\n(F (X) X)\n";
    Open("utf8.zk", bytes.c_str());
    EXPECT_EQ(Table.Current().Format.Name(), "UTF-8, LF");
    EXPECT_EQ(Editor.Lines[0], W("; Переворот списка"));
    Editor.Type(Table, Editor.Text() + " ");
    Editor.Type(Table, Editor.Text().substr(0, Editor.Text().size() - 1));
    EXPECT_EQ(Commands.Save(), "Сохранён файл utf8.zk");
    EXPECT_EQ(Dir.Read("utf8.zk"), bytes);
}

TEST_F(DocumentCommandsTest, SaveAsChoosesTheEncodingByItsFilter) {
    Open("plain.zk", W("; Ёж\r\n(F (X) X)\r\n").c_str());
    ASSERT_EQ(Table.Current().Format.Encoding, TTextEncoding::Cp1251);
    Dialogs.Filter = "Программы ZK в UTF-8 (*.zk)";
    Dialogs.ChooseFile(PathOf("wide.zk"));
    EXPECT_EQ(Commands.SaveAs(), "Сохранён файл wide.zk");
    EXPECT_EQ(Dir.Read("wide.zk"), "; Ёж\r\n(F (X) X)\r\n");
    EXPECT_EQ(Table.Current().Format.Name(), "UTF-8, CR LF");

    // Back to Windows-1251 loses what the code page lacks: asked first.
    Open("sign.zk", "(F (X) X) ; ≠\n");
    Dialogs.Filter = "Программы ZK в Windows-1251 (*.zk)";
    Dialogs.ChooseFile(PathOf("narrow.zk"));
    Dialogs.Answer(TAnswer::No);
    EXPECT_EQ(Commands.SaveAs(), "");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "narrow.zk"));
}

TEST_F(DocumentCommandsTest, AFileIsReadAgainInTheOtherEncoding) {
    Open("guess.zk", "; \xD0\xB8\n"); // valid UTF-8 ("и"), yet meant as Windows-1251 "Рё"
    EXPECT_EQ(Editor.Lines[0], W("; и"));
    EXPECT_EQ(Commands.ReopenInOtherEncoding(), "Файл перечитан в кодировке Windows-1251");
    EXPECT_EQ(Editor.Lines[0], "; \xD0\xB8");
    EXPECT_EQ(Table.Current().Format.Name(), "Windows-1251, LF");
    EXPECT_TRUE(Table.Current().Saved);
}

} // namespace
} // namespace zk::ide
