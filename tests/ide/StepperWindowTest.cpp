// The stepper and the test check in the main window, offscreen, with the
// dialogs answered: the "Отладка" menu, breakpoints set in the gutter, a
// debug run's stops in the editor and the panel, its end delivering the
// result, a run-time error's place after a plain run, and the table of a
// check by tests with a failed test's parameters taken into a run.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "WhenReady.h"
#include "compiler/CompileLog.h"
#include "ide/DebugPanel.h"
#include "ide/RunDialogs.h"
#include "ide/TestCheckDialog.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include <cstdio>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;

// Line 3 holds the recursive call; line 4 has no form of its own. The line
// ends are those of a new document.
constexpr const char* kReverse = "(REVERSE (L)\r\n"
                                 "  (IF (EQUAL L (QUOTE)) (QUOTE)\r\n"
                                 "    (EXPR (CALL REVERSE (BF L))\r\n"
                                 "\r\n"
                                 "          (FIRST L))))\r\n";

class StepperWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Window.Options());
        Window.Options().TempDir = Temp.Path().string();
        Window.RunWindows().Interp.RunEnded = [this] { Window.RunWindows().Interp.close(); };
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Dir.Write("rev.zk", kReverse);
        Window.OpenStartFile(QString::fromStdString((Dir.Path() / "rev.zk").string()));
    }
    void TearDown() override {
        if (Window.Debugging()) Window.MnuStopDebugItmClick();
        CompileLog.clear();
    }

    void TypeParams(const QString& text) {
        TInputFrm& input = Window.RunWindows().Input;
        WhenShown(input, [&input, text] {
            input.EdtParam->setText(text);
            input.CmdOK->click();
        });
    }
    // Waits for the window to show the stop after a command.
    bool Stopped() {
        const int64_t before = Shown;
        const bool shown = QTest::qWaitFor([&] { return Window.DebugStopsShown() > before; });
        Shown = Window.DebugStopsShown();
        return shown;
    }
    editor::TDCSyntaxMemo& Memo() { return Window.Editor(); }

    TTempDir Dir, Temp;
    TAnsweringDialogs Dialogs;
    TMainFrm Window{Dialogs};
    int64_t Shown = 0;
};

TEST_F(StepperWindow, TheMenuHoldsTheCommandsWithTheirKeys) {
    const std::vector<std::pair<const char*, QKeySequence>> keys{
        {"MnuStepIntoItm", Qt::Key_F7},
        {"MnuStepOverItm", Qt::Key_F8},
        {"MnuStepOutItm", Qt::SHIFT | Qt::Key_F8},
        {"MnuStepBackItm", Qt::SHIFT | Qt::Key_F7},
        {"MnuRunToCursorItm", Qt::Key_F4},
        {"MnuContinueItm", Qt::SHIFT | Qt::Key_F9},
        {"MnuBreakpointItm", Qt::Key_F5},
        {"MnuStopDebugItm", Qt::CTRL | Qt::Key_F2}};
    for (const auto& [name, sequence] : keys)
        EXPECT_EQ(Window.Action(name)->shortcut(), sequence) << name;
    EXPECT_FALSE(Window.Action("MnuStepBackItm")->isEnabled()); // no run to go back in
    EXPECT_TRUE(Window.Action("MnuRunFileItm")->toolTip().contains("отладка для него недоступна"));
}

TEST_F(StepperWindow, AStepIntoStopsAtTheFirstFormWithItsArrowAndShade) {
    TypeParams("a b");
    Window.MnuStepIntoItmClick();
    ASSERT_TRUE(Stopped());
    EXPECT_TRUE(Memo().ReadOnly());
    EXPECT_EQ(Memo().Model().RunMarks().ArrowRow, 1); // the IF on line 2
    ASSERT_TRUE(Memo().Model().ShadedRange());
    EXPECT_EQ(Memo().Model().ShadedRange()->From.Row, 1);
    TDebugPanel& panel = Window.DebugPanel();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.LblStep->text().startsWith("шаг "));
    EXPECT_TRUE(panel.TxtBody->toPlainText().contains("(IF (EQUAL L (QUOTE))"));
    EXPECT_TRUE(panel.TxtBody->toPlainText().contains("(QUOTE)\n    (EXPR"))
        << panel.TxtBody->toPlainText().toStdString();
    EXPECT_EQ(panel.LstCalls->item(0)->text(), "(REVERSE L=(A B))");

    // Steps on to the value of (EQUAL L (QUOTE)), which replaces it in the body.
    for (int i = 0; i < 6 && !panel.TxtBody->toPlainText().contains("(IF FALSE"); ++i) {
        Window.MnuStepIntoItmClick();
        ASSERT_TRUE(Stopped());
    }
    EXPECT_TRUE(panel.TxtBody->toPlainText().contains("(IF FALSE"))
        << panel.TxtBody->toPlainText().toStdString();
    EXPECT_TRUE(panel.LblLastStep->text().endsWith("→ FALSE"));

    // Back a step, and the shown step goes back with it.
    const QString step = panel.LblStep->text();
    Window.MnuStepBackItmClick();
    ASSERT_TRUE(Stopped());
    EXPECT_NE(panel.LblStep->text(), step);

    Window.MnuStopDebugItmClick();
    EXPECT_FALSE(Memo().ReadOnly());
    EXPECT_EQ(Memo().Model().RunMarks().ArrowRow, -1);
}

TEST_F(StepperWindow, ABreakpointInTheGutterStopsAContinueAndTheEndDeliversTheResult) {
    emit Memo().OnGutterLineClicked(2); // the line of the recursive call
    emit Memo().OnGutterLineClicked(3); // a line without a form
    ASSERT_EQ(Memo().Breakpoints().size(), 2u);

    TypeParams("a b");
    Window.MnuContinueItmClick();
    ASSERT_TRUE(Stopped());
    EXPECT_EQ(Memo().Breakpoints()[1].State, editor::TBreakpointState::Invalid);
    EXPECT_EQ(Memo().Model().RunMarks().ArrowRow, 2);
    EXPECT_TRUE(Memo().Model().RunMarks().StopAtBreakpoint);
    const QString artifact = QStringLiteral(VARNOK_ARTIFACTS_DIR "/stepper.png");
    Window.grab().save(artifact);
    std::printf("stepper screenshot: %s\n", qPrintable(artifact));

    emit Memo().OnGutterLineClicked(2); // taken away during the run
    QString shown;
    TResultFrm& result = Window.RunWindows().Result;
    WhenShown(result, [&result, &shown] {
        shown = result.Text();
        result.CmdOK->click();
    });
    Window.MnuContinueItmClick();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Window.Debugging(); }));
    EXPECT_EQ(shown, "B A ");
    EXPECT_FALSE(Memo().ReadOnly());
}

// The settings' limit bounds one command: an endless program pauses and asks.
TEST_F(StepperWindow, TheStepLimitOfTheSettingsPausesAnEndlessProgram) {
    Dir.Write("loop.zk", "(LOOP (L) (CALL LOOP L))\n");
    Dialogs.ChooseFile(QString::fromStdString((Dir.Path() / "loop.zk").string()));
    Window.MnuOpenItmClick();
    Window.Options().DebugStepLimit = 1000;
    Dialogs.Answer(TAnswer::No);
    TypeParams("a");
    Window.MnuContinueItmClick();
    ASSERT_TRUE(Stopped());
    ASSERT_FALSE(Dialogs.MessageTexts().empty());
    EXPECT_TRUE(Dialogs.MessageTexts().back().startsWith("Выполнено шагов: 1000."))
        << Dialogs.MessageTexts().back().toStdString();
    EXPECT_TRUE(Window.Debugging());
}

TEST_F(StepperWindow, APlainRunsErrorNamesItsPlaceAndPutsTheCaretThere) {
    Dir.Write("bad.zk", "(BAD (L) (CALL G L))\n(G (X)\n  (FIRST (BF X)))\n");
    Dialogs.ChooseFile(QString::fromStdString((Dir.Path() / "bad.zk").string()));
    Window.Action("MnuOpenItm")->trigger();
    TypeParams("a");
    Window.MnuRunItmClick();
    ASSERT_FALSE(Dialogs.MessageTexts().empty());
    EXPECT_EQ(Dialogs.MessageTexts().back(), "Ошибка: First применён к пустому выражению - #104\n"
                                             "Файл: bad.zk, строка 3, столбец 3\nВ вызове: (G A)");
    EXPECT_EQ(Memo().Row(), 2);
    EXPECT_EQ(Memo().Model().SelectedText(), "(FIRST (BF X))");
}

TEST_F(StepperWindow, ACheckByTestsShowsItsTableAndRunsAFailedTestsParameters) {
    Dir.Write("rev.tests", "test: two\nparam: a b\nexpect: B A\n\n"
                           "test: wrong on purpose\nparam: x y\nexpect: X Y\npoints: 2\n\n"
                           "test: secret\nparam: q\nexpect: Q\nhidden: yes\n");
    Dialogs.ChooseFile(QString::fromStdString((Dir.Path() / "rev.tests").string()));
    TTestCheckFrm& check = Window.TestCheck();
    When([&check] { return check.isVisible() && check.CmdClose->text() == "Закрыть"; },
         [&check] {
             check.TblTests->selectRow(1);
             check.CmdRun->click();
         });
    QString shown;
    TInputFrm& input = Window.RunWindows().Input;
    WhenShown(input, [&input, &shown] {
        shown = input.EdtParam->text();
        input.CmdCancel->click();
    });
    Window.MnuCheckTestsItmClick();
    EXPECT_EQ(check.TblTests->rowCount(), 2); // the hidden test is only counted
    EXPECT_EQ(check.TblTests->item(0, 1)->text(), "пройден");
    EXPECT_EQ(check.TblTests->item(1, 1)->text(), "не пройден");
    EXPECT_EQ(check.TblTests->item(1, 4)->text(), "Y X "); // as zk run prints it
    EXPECT_EQ(check.LblSummary->text(),
              "Пройдено тестов: 2 из 3, баллы: 2 из 4; скрытых тестов: 1, пройдено 1");
    EXPECT_EQ(shown, "x y"); // the failed test's parameters, offered for a run
}

} // namespace
} // namespace zk::ide::test
