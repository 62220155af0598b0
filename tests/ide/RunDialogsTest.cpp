// The run dialogs offscreen, with the dialog service answering: the input
// dialog and the texts it offers again, the progress dialog's start, stop and
// close, the delivery of the result as a file, a picture or a text, the copy
// of a long result and the zoom of a text view.
#include "ide/RunDialogs.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "WhenReady.h"
#include "ide/TextView.h"
#include "interp/RunProgram.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

void Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
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
        EXPECT_EQ(input.LblParName->text(), "Параметр 1 из 3 (X)");
        Type(input.EdtParam, "a");
        Press(input.EdtParam, Qt::Key_Down);
        Type(input.EdtParam, "бв");
        input.CmdDown->click();
        Press(input.CmdOK, Qt::Key_Down); // the last: nothing moves
        EXPECT_EQ(input.LblParName->text(), "Параметр 3 из 3 (Z)");
        Type(input.EdtParam, "(c)");
        Press(input.EdtParam, Qt::Key_Up);
        EXPECT_EQ(input.EdtParam->text(), "бв");
        input.CmdUp->click();
        EXPECT_EQ(input.EdtParam->text(), "a");
        Press(input.EdtParam, Qt::Key_Return, Qt::ControlModifier); // runs from any
    });
    std::vector<std::string> texts;
    EXPECT_TRUE(input.GetParams(run.Code().Functions[0].Args, run, texts));
    EXPECT_EQ(texts, (std::vector<std::string>{"a", SystemText("бв"), "(c)"})); // as typed
    ASSERT_EQ(run.ErrorNumber(), 0);
    run.Run();
    ASSERT_EQ(run.ErrorNumber(), kErrorRunComplete);
    EXPECT_EQ(QtText(run.ResultText()), "A БВ (C) ");
}

// Enter goes on to the next parameter and runs from the last; a document's
// texts come back selected at its next run, and only at its own.
TEST_F(RunDialogs, EnterStepsThroughAndADocumentsTextsAreOfferedAgain) {
    const char* program = "(F (X Y) (EXPR X Y))";
    Windows.Interp.RunEnded = [&] { Windows.Interp.close(); };
    TInputFrm& input = Windows.Input;
    QStringList shown;
    WhenShown(Windows.Result, [&] {
        shown << Windows.Result.Text();
        Windows.Result.CmdOK->click();
    });
    WhenShown(input, [&] {
        Type(input.EdtParam, "a");
        Press(input.EdtParam, Qt::Key_Return);
        EXPECT_EQ(input.LblParName->text(), "Параметр 2 из 2 (Y)");
        Type(input.EdtParam, "b");
        Press(input.EdtParam, Qt::Key_Enter);
    });
    EXPECT_EQ(Windows.RunSteps(CompiledProgram(program), Options, {}, {}, "/d/one.zk"),
              TRunOutcome::Ran);
    EXPECT_EQ(shown, QStringList{"A B "});

    WhenShown(Windows.Result, [&] { Windows.Result.CmdOK->click(); });
    QString offered;
    WhenShown(input, [&] {
        offered = input.EdtParam->selectedText();
        Type(input.EdtParam, "c"); // over the selected text
        Press(input.EdtParam, Qt::Key_Return, Qt::ControlModifier);
    });
    Windows.RunSteps(CompiledProgram(program), Options, {}, {}, "/d/one.zk");
    EXPECT_EQ(offered, "a");

    WhenShown(input, [&] {
        offered = input.EdtParam->text();
        Press(input.EdtParam, Qt::Key_Escape);
    });
    EXPECT_EQ(Windows.RunSteps(CompiledProgram(program), Options, {}, {}, "/d/two.zk"),
              TRunOutcome::Cancelled);
    EXPECT_EQ(offered, "");
}

TEST_F(RunDialogs, CancelledParametersEndTheRunQuietly) {
    bool started = false;
    WhenShown(Windows.Input, [&] { Press(Windows.Input.EdtParam, Qt::Key_Escape); });
    EXPECT_EQ(Windows.RunSteps(CompiledProgram(kCount), Options, {}, [&] { started = true; }),
              TRunOutcome::Cancelled);
    EXPECT_FALSE(started);
    EXPECT_TRUE(Dialogs.Asked.empty());
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
    EXPECT_EQ(Dialogs.MessageTexts()[0],
              QString::fromStdString("Результат не записан в файл: " + choice.OutputFileName +
                                     ": Файл не найден"));

    // A FIFO there would have blocked the window until a reader came.
    choice.OutputFileName = Dir.Entry() + "pipe.txt";
    ASSERT_EQ(mkfifo(choice.OutputFileName.c_str(), 0600), 0);
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, choice);
    ASSERT_EQ(Dialogs.MessageTexts().size(), 2u);
    EXPECT_TRUE(
        Dialogs.MessageTexts()[1].endsWith("pipe.txt: Это не обычный файл (канал или устройство)"));
}

TEST_F(RunDialogs, WithoutStartIntrpNothingRunsUntilStartAndStopGives54) {
    TInterpreter run(kCellsPerMegabyte, CompiledProgram(kCount));
    run.AddParam("2000000000");
    TInterpFrm& frm = Windows.Interp;
    frm.StartIntrp = false;
    bool stayed = false; // with its final counters
    frm.RunEnded = [&] {
        stayed = frm.isVisible();
        frm.close();
    };
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
    EXPECT_TRUE(stayed);
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
        Dialogs.ChooseFile(QString::fromStdString(Dir.Entry() + "pipe.bmp"));
        Windows.Graph.CmdSave->click();
        Windows.Graph.CmdOK->click();
    });
    ASSERT_EQ(mkfifo((Dir.Path() / "pipe.bmp").c_str(), 0600), 0);
    Windows.RunSteps(CompiledProgram("(P () (QUOTE 100 30 LINE 0 0 99 29))"), Options, choice);
    EXPECT_EQ(shown, QSize(250, 70));
    EXPECT_EQ(Dir.Read("p.bmp").substr(0, 2), "BM");
    ASSERT_EQ(Dialogs.MessageTexts().size(), 2u);
    EXPECT_EQ(Dialogs.MessageTexts()[0],
              QString::fromStdString("Рисунок не сохранён: " + Dir.Entry() +
                                     "missing/p.bmp: Файл не найден"));
    EXPECT_TRUE(
        Dialogs.MessageTexts()[1].endsWith("pipe.bmp: Это не обычный файл (канал или устройство)"));

    Windows.RunSteps(CompiledProgram("(P () (QUOTE 100 30 FOO))"), Options, choice);
    EXPECT_TRUE(Dialogs.MessageTexts().back().startsWith("Ошибка графики: "));
    EXPECT_FALSE(Dialogs.MessageTexts().back().contains("выбран вывод"));
    // A text result is no picture description: the message says which output was chosen.
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, choice);
    EXPECT_EQ(Dialogs.MessageTexts().back(),
              "Ошибка графики: Неверное описание параметров изображения - #74 (выбран вывод "
              "«Графический интерпретатор»)");
}

TEST_F(RunDialogs, TheResultIsShownAndCopiedExactlyEvenWhenHuge) {
    Windows.Interp.RunEnded = [&] { Windows.Interp.close(); };
    TResultFrm& result = Windows.Result;
    bool countersShown = true;
    WhenShown(result, [&] {
        countersShown = Windows.Interp.isVisible(); // closed by a run that ended well
        result.CmdCopy->click();
        result.CmdOK->click();
    });
    Windows.RunSteps(CompiledProgram("(F () (QUOTE A B))"), Options, {});
    EXPECT_EQ(QApplication::clipboard()->text(), "A B ");
    EXPECT_FALSE(countersShown);
    // A stray key in the memo cannot change what is copied as the result.
    Type(result.MmoResult, "X");
    result.CmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "A B ");

    QString huge;
    for (int i = 0; huge.size() < 3'000'000; ++i)
        huge += "ATOM" + QString::number(i) + " ";
    result.SetResult(huge);
    EXPECT_GT(result.MmoResult->blockCount(), 1000); // shown in lines, laid out as seen
    result.CmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), huge);
}

// The result's font is monospace until the caller gives the editor's; the
// zoom, of any text view, keeps its steps over a new font.
TEST_F(RunDialogs, TextViewsZoomWithTheKeysAndTheWheel) {
    QPlainTextEdit& memo = *Windows.Result.MmoResult;
    EXPECT_TRUE(memo.font().fixedPitch());
    Windows.Result.SetTextFont(MonospaceFont("DejaVu Sans Mono", 12));
    Press(&memo, Qt::Key_Plus, Qt::ControlModifier);
    Press(&memo, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(memo.font().pointSize(), 14);
    Windows.Result.SetTextFont(MonospaceFont("DejaVu Sans Mono", 10));
    EXPECT_EQ(memo.font().pointSize(), 12);
    Press(&memo, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(memo.font().pointSize(), 10);

    QTextBrowser help;
    help.setFont(MonospaceFont("Liberation Mono", 10));
    TTextZoom::Install(&help);
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(5, 5), help.mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(help.viewport(), &event);
    };
    wheel(60); // half a notch
    EXPECT_EQ(help.font().pointSize(), 10);
    wheel(60);
    EXPECT_EQ(help.font().pointSize(), 11);
    wheel(-360);
    Press(&help, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(help.font().pointSize(), 7);
}

} // namespace
} // namespace zk::ide::test
