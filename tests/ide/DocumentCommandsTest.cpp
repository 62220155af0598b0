// The file commands with the dialogs answered: what is written, what is
// asked, and what stays as it was when a dialog is cancelled or a file fails.
#include "ide/DocumentCommands.h"

#include "AnsweringDialogs.h"
#include "FakeEditor.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

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
    EXPECT_EQ(Dialogs.Asked[0].Caption, "Сохранить искодный код ZK-программы");
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
              std::vector<QString>{"Указанные параметры командной строки неверны!"});
    EXPECT_EQ(table.TabTitle(0), W("Безымянный 1"));
}

TEST_F(DocumentCommandsTest, LineJumpWithLettersSaysSoAndKeepsTheCaret) {
    Editor.Lines = {"a", "b", "c"};
    Editor.SetCaret(1, 1);
    Dialogs.Type(QString("two"));
    Dialogs.Answer(TAnswer::Ok);
    Commands.GotoLine();
    EXPECT_EQ(Dialogs.MessageTexts(), std::vector<QString>{"Неверное число"});
    EXPECT_EQ(Editor.Row(), 1);

    Dialogs.Type(QString("-4"));
    Commands.GotoLine();
    EXPECT_EQ(Editor.Row(), 0);
    EXPECT_EQ(Editor.Col(), 1);
}

} // namespace
} // namespace zk::ide
