// The build and run commands as the main window applies them: the error's
// place in the current tab with its column kept in view, a run without
// parameters, a run of a program file without a temporary directory, and a
// unit compiled from the menu.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "WhenReady.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"
#include "ide/RunDialogs.h"
#include "interp/RunProgram.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace zk::ide::test {
namespace {

using zk::test::CompiledProgram;
using zk::test::TTempDir;

class BuildRunWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Window.Options());
        Window.Options().TempDir = Temp.Path().string();
        Window.Options().ExtOutputDir = Dir.Entry();
        Window.RunWindows().Interp.RunEnded = [this] { Window.RunWindows().Interp.close(); };
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }
    void TearDown() override { CompileLog.clear(); }

    QString PathOf(const char* name) const {
        return QString::fromStdString((Dir.Path() / name).string());
    }
    void Open(const char* name, std::string_view text) {
        Dir.Write(name, text);
        Dialogs.ChooseFile(PathOf(name));
        Trigger("MnuOpenItm");
    }
    void Trigger(const char* action) { Window.Action(action)->trigger(); }
    QString Panel(int panel) const { return Window.StatusPanel(panel).text(); }
    // The text the result window shows next, which is then closed with OK.
    void ReadResult(QString& shown) {
        TResultFrm& result = Window.RunWindows().Result;
        WhenShown(result, [&result, &shown] {
            shown = result.Text();
            result.CmdOK->click();
        });
    }

    TTempDir Dir, Temp;
    TAnsweringDialogs Dialogs;
    TMainFrm Window{Dialogs};
};

TEST_F(BuildRunWindow, AnErrorInTheEditorKeepsItsTabAndPutsTheCaretInViewOnItsRow) {
    Open("other.zk", "(G (X) X)\r\n");
    Open("main.zk", "(F (X)\r\n" + std::string(300, ' ') + "Y)\r\n");
    const int current = Window.Table().CurTab();
    ASSERT_EQ(current, 1);
    Trigger("MnuSyntaxCheckItm");
    EXPECT_EQ(Dialogs.MessageTexts(),
              std::vector<QString>{"Ошибка: Неизвестный атом - #5 («Y») Файл: main.zk, строка 2, "
                                   "столбец 301"});
    EXPECT_EQ(Window.Table().CurTab(), current);
    EXPECT_EQ(Window.Tabs().currentIndex(), current);
    EXPECT_EQ(Window.Editor().Row(), 1);
    const int visible = Window.Editor().VisibleCols();
    ASSERT_GT(visible, 1);
    ASSERT_LT(visible, 300);
    EXPECT_EQ(Window.Editor().Col(), visible - 1);
    EXPECT_EQ(Panel(2), "Ошибка компиляции программы: Неизвестный атом - #5");
}

TEST_F(BuildRunWindow, RunWithoutParametersAsksNothingAndSavesFirstWithAutoSave) {
    Open("main.zk", "(F () (QUOTE A B))");
    QTest::keyClicks(&Window.Editor(), " ");
    Dialogs.ChooseFile(QString::fromStdString(Dir.Write("in.txt", "IGNORED\r\n")));
    Trigger("MnuInFileItm");
    Window.Options().AutoSave = true;
    QString shown;
    ReadResult(shown);
    Trigger("MnuRunItm");
    EXPECT_EQ(shown, "A B ");
    EXPECT_EQ(Dialogs.MessageTexts(), std::vector<QString>{});
    EXPECT_FALSE(Window.RunWindows().Input.isVisible());
    EXPECT_EQ(Dir.Read("main.zk"), " (F () (QUOTE A B))\r\n");
    EXPECT_EQ(Panel(0), "Программа была запущена");
    EXPECT_EQ(Panel(2), "");
}

TEST_F(BuildRunWindow, RunFileNeedsNoTemporaryDirectoryAndLeavesTheStatusBar) {
    const std::string program = Dir.Entry() + "a.ZKP";
    CompiledProgram("(F () (QUOTE A B))").SaveToFile(program, pfProgram);
    const std::string missing = Dir.Entry() + "missing";
    Window.Options().TempDir = missing;
    Window.StatusPanel(2).setText("Нет ошибок");
    Dialogs.ChooseFile(QString::fromStdString(program));
    QString shown;
    ReadResult(shown);
    Trigger("MnuRunFileItm");
    EXPECT_EQ(shown, "A B ");
    EXPECT_EQ(Panel(0), "Готов");
    EXPECT_EQ(Panel(2), "Нет ошибок");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(BuildRunWindow, AUnitCompiledFromTheMenuNamesItsFileAndWritesTheListingWhenAsked) {
    Open("lists.zk", "(EXPORT G)(G (X) X)\r\n");
    Dialogs.ChooseFile(PathOf("lists.zku"));
    Trigger("MnuCompileModuleItm");
    EXPECT_EQ(Panel(0), "Скомпилирован модуль: lists.zku");
    EXPECT_TRUE(FileExists(Dir.Entry() + "lists.zku"));
    EXPECT_FALSE(FileExists(Dir.Entry() + "PCode.txt"));

    Window.Options().PCDOut = true;
    Dialogs.ChooseFile(PathOf("again.zku"));
    Trigger("MnuCompileModuleItm");
    EXPECT_EQ(Panel(0), "Скомпилирован модуль: again.zku");
    EXPECT_EQ(Dir.Read("again.zku"), Dir.Read("lists.zku"));
    EXPECT_TRUE(FileExists(Dir.Entry() + "PCode.txt"));
    EXPECT_TRUE(Dialogs.MessageTexts().empty());
}

// Notes the build panel each time a message box is shown.
class TPanelAtMessage final : public TDialogService {
public:
    QLabel* Panel = nullptr;
    std::vector<QString> Seen;

    TAnswer Message(QWidget*, const QString&, const QString&, TMessageIcon,
                    TMessageButtons) override {
        Seen.push_back(Panel->text());
        return TAnswer::Ok;
    }
    QString OpenFile(QWidget*, const TFileRequest&) override { return {}; }
    QString SaveFile(QWidget*, const TFileRequest&) override { return {}; }
    std::optional<QString> InputText(QWidget*, const QString&, const QString&,
                                     const QString&) override {
        return std::nullopt;
    }
};

TEST(BuildRunWindowStatus, TheStatusBarTellsTheOutcomeWhileItsMessageIsUp) {
    TTempDir temp;
    TPanelAtMessage dialogs;
    TMainFrm window{dialogs};
    SetDefaultOptions(window.Options());
    window.Options().TempDir = temp.Path().string();
    dialogs.Panel = &window.StatusPanel(2);
    QTest::keyClicks(&window.Editor(), "(F (X) Y)");
    window.Action("MnuSyntaxCheckItm")->trigger();
    window.Editor().SetCaret(8, 0);
    QTest::keyClick(&window.Editor(), Qt::Key_Backspace);
    QTest::keyClicks(&window.Editor(), "X");
    window.Action("MnuSyntaxCheckItm")->trigger();
    CompileLog.clear();
    EXPECT_EQ(
        dialogs.Seen,
        (std::vector<QString>{"Ошибка компиляции программы: Неизвестный атом - #5", "Нет ошибок"}));
}

} // namespace
} // namespace zk::ide::test
