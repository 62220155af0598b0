// The run dialogs offscreen, with the dialog service answering: the input
// dialog, the progress dialog's start, stop and close, the delivery of the
// result as a file, a picture or a text, and the copy of a long result.
#include "ide/RunDialogs.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "WhenReady.h"
#include "interp/RunProgram.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace zk::ide::test {
namespace {

using zk::test::CompiledProgram;
using zk::test::TTempDir;

constexpr const char* kCount = "(COUNT (N) (CALL LOOP 0 N))"
                               "(LOOP (I N) (IF (EQUAL I N) I (CALL LOOP (+ I 1) N)))";

void Type(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
}

void Press(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key);
}

class RunDialogs : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultOptions(Options); }

    test::TAnsweringDialogs Dialogs;
    TRunWindows Windows{Dialogs};
    TOptions Options;
    TTempDir Dir;
};

TEST_F(RunDialogs, TheInputDialogKeepsEachTextAndPassesThemUpperCasedInOrder) {
    TInterpreter run(kCellsPerMegabyte, CompiledProgram("(F (X Y Z) (EXPR (EXPR X Y) Z))"));
    TInputFrm& input = Windows.Input;
    WhenShown(input, [&] {
        EXPECT_EQ(input.LblParName->text(), "Параметр 0 (X)");
        Type(input.EdtParam, "a");
        Press(input.EdtParam, Qt::Key_Down);
        Type(input.EdtParam, "бв");
        input.CmdDown->click();
        Press(input.CmdOK, Qt::Key_Down); // the last: nothing moves
        EXPECT_EQ(input.LblParName->text(), "Параметр 2 (Z)");
        Type(input.EdtParam, "(c)");
        Press(input.EdtParam, Qt::Key_Up);
        EXPECT_EQ(input.EdtParam->text(), "бв");
        input.CmdUp->click();
        EXPECT_EQ(input.EdtParam->text(), "a");
        Press(input.EdtParam, Qt::Key_Return);
    });
    input.GetParams(run.Code().Functions[0].Args, run);
    ASSERT_EQ(run.ErrorNumber(), 0);
    run.Run();
    ASSERT_EQ(run.ErrorNumber(), kErrorRunComplete);
    EXPECT_EQ(QtText(run.ResultText()), "A БВ (C) ");
}

TEST_F(RunDialogs, CancelledParametersAreReportedAndNothingRuns) {
    bool started = false;
    WhenShown(Windows.Input, [&] { Press(Windows.Input.EdtParam, Qt::Key_Escape); });
    Windows.RunSteps(CompiledProgram(kCount), Options, {}, [&] { started = true; });
    EXPECT_FALSE(started);
    EXPECT_EQ(Dialogs.MessageTexts(),
              std::vector<QString>{"Ошибка во входных данных: Отменён ввод параметров - #202"});
}

TEST_F(RunDialogs, AProgramWithoutParametersRunsAtOnceIntoItsOutputFile) {
    Windows.Interp.RunEnded = [&] { Windows.Interp.close(); };
    TRunChoice choice;
    choice.InputFromFile = true; // no file: none is read
    choice.OutputToFile = true;
    choice.OutputFileName = Dir.Entry() + "out.txt";
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, choice);
    EXPECT_TRUE(Dialogs.Asked.empty());
    EXPECT_EQ(Dir.Read("out.txt"), "A B \r\n");
    EXPECT_NE(Windows.Interp.LblNumInstr->text(), "0"); // the final refresh

    choice.OutputFileName = Dir.Entry() + "missing/out.txt";
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, choice);
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains("missing/out.txt"));
}

TEST_F(RunDialogs, WithoutStartIntrpNothingRunsUntilStartAndStopGives54) {
    TInterpreter run(kCellsPerMegabyte, CompiledProgram(kCount));
    run.AddParam("2000000000");
    TInterpFrm& frm = Windows.Interp;
    frm.StartIntrp = false;
    frm.RunEnded = [&] { frm.close(); };
    WhenShown(frm, [&] {
        EXPECT_TRUE(frm.CmdStart->isEnabled());
        EXPECT_EQ(run.ExecCount(), 0);
        frm.CmdStart->click();
        EXPECT_FALSE(frm.CmdStart->isEnabled());
        frm.CmdCancel->click();
    });
    frm.EvPrepare(run);
    EXPECT_EQ(run.ErrorNumber(), kErrorStopped);
    EXPECT_EQ(Dialogs.MessageTexts(), std::vector<QString>{"Ошибка: Выполнение прервано - #54"});
    EXPECT_EQ(frm.LblNumInstr->text(), QString::number(run.ExecCount()));
}

TEST_F(RunDialogs, ClosingDuringARunStopsItAndReturnsAfterTheWorkerEnded) {
    auto run = std::make_unique<TInterpreter>(kCellsPerMegabyte, CompiledProgram(kCount));
    run->AddParam("2000000000");
    TInterpFrm& frm = Windows.Interp;
    When([&] { return frm.isVisible() && run->ExecCount() > 0; }, [&] { frm.close(); });
    frm.EvPrepare(*run);
    EXPECT_EQ(run->ErrorNumber(), kErrorStopped);
    run.reset();
    EXPECT_TRUE(Dialogs.Asked.empty());
}

TEST_F(RunDialogs, APictureOpensItsWindowAtTheClientSizeOfItsRule) {
    EXPECT_EQ(TGraphFrm::ClientSizeFor(100, 30), QSize(250, 70));
    EXPECT_EQ(TGraphFrm::ClientSizeFor(640, 480), QSize(640, 520));

    TRunChoice choice;
    choice.Graphics = true;
    Windows.Interp.RunEnded = [&] { Windows.Interp.close(); };
    QSize shown;
    WhenShown(Windows.Graph, [&] {
        shown = Windows.Graph.size();
        Dialogs.ChooseFile(QString::fromStdString(Dir.Entry() + "p.bmp"));
        Windows.Graph.CmdSave->click();
        Dialogs.ChooseFile(QString::fromStdString(Dir.Entry() + "missing/p.bmp"));
        Windows.Graph.CmdSave->click();
        Windows.Graph.CmdOK->click();
    });
    Windows.RunSteps(CompiledProgram("(P () (QUOTE 100 30 LINE 0 0 99 29))"), Options, choice);
    EXPECT_EQ(shown, QSize(250, 70));
    EXPECT_EQ(Dir.Read("p.bmp").substr(0, 2), "BM");
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].startsWith("Рисунок не сохранён: "));
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains("missing/p.bmp"));

    Windows.RunSteps(CompiledProgram("(P () (QUOTE 100))"), Options, choice);
    EXPECT_TRUE(Dialogs.MessageTexts().back().startsWith("Ошибка графики: "));
}

TEST_F(RunDialogs, TheResultIsShownAndCopiedExactlyEvenWhenHuge) {
    Windows.Interp.RunEnded = [&] { Windows.Interp.close(); };
    TResultFrm& result = Windows.Result;
    WhenShown(result, [&] {
        result.CmdCopy->click();
        result.CmdOK->click();
    });
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, {});
    EXPECT_EQ(QApplication::clipboard()->text(), "A B ");

    QString huge;
    for (int i = 0; huge.size() < 3'000'000; ++i)
        huge += "ATOM" + QString::number(i) + " ";
    result.SetResult(huge);
    EXPECT_GT(result.MmoResult->blockCount(), 1000); // shown in lines, laid out as seen
    result.CmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), huge);
}

} // namespace
} // namespace zk::ide::test
