// The dialogs of a run: the input parameters (TInputFrm), the progress of the
// run with its counters and stop button (TInterpFrm), the result as text
// (TResultFrm) or as a picture (TGraphFrm), and TRunWindows, which holds the
// four for the life of the program and carries out the run steps that Run
// and "Выполнить файл..." share. The decisions of those steps are the
// window-free ones of BuildCommands.
#pragma once

#include "gfx/QtCanvas.h"
#include "ide/BuildCommands.h"
#include "ide/DialogService.h"
#include "interp/Interpreter.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QEventLoop;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace zk::ide {

// Windows-1251 texts of the system to Qt and back; a character Windows-1251
// lacks becomes '?'.
QString QtText(std::string_view text);
std::string SystemText(const QString& text);

void ShowNotice(TDialogService& dialogs, QWidget* parent, const TNotice& notice);

// "Входные данные": one text per parameter of the main function, edited one
// at a time; Up and Down move between them anywhere in the dialog.
class TInputFrm final : public QDialog {
public:
    explicit TInputFrm(QWidget* parent = nullptr);

    // Runs the dialog; OK hands the texts, upper-cased, to the run's AddParam
    // in order until one is refused; Cancel, Esc or the close box give
    // CancelParams (202).
    void GetParams(const std::vector<std::string>& names, TInterpreter& run);

    QLabel* LblParName;
    QToolButton* CmdUp;
    QToolButton* CmdDown;
    QLineEdit* EdtParam;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;

protected:
    // The dialog sees the keys before its controls.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnChg();
    void MoveTo(int index);
    void OnOK();

    std::vector<std::string> ParamNames_;
    std::vector<QString> ParamTexts_;
    int CurParam_ = 0;
    int PrevParam_ = 0;
};

// "Результат выполнения программы". A long result, which has no line ends of
// its own, is shown broken into lines after blanks, so that the memo lays out
// only the lines in view; the copy joins them again.
class TResultFrm final : public QDialog {
public:
    explicit TResultFrm(QWidget* parent = nullptr);

    void SetResult(const QString& text);
    // SetResult, then shown modally.
    void ShowResult(const QString& text);
    // The memo's text, edits included, as "Копировать" puts it on the clipboard.
    QString Text() const;

    QPlainTextEdit* MmoResult;
    QPushButton* CmdOK;
    QPushButton* CmdCopy;

private:
    bool Broken_ = false;
};

// "Графический интерпретатор": the picture above its two buttons.
class TGraphFrm final : public QDialog {
public:
    explicit TGraphFrm(TDialogService& dialogs, QWidget* parent = nullptr);

    // The client area for a picture: max(width, 250) by max(50, height + 40).
    static QSize ClientSizeFor(int width, int height);

    void SetPicture(std::unique_ptr<TQtCanvas> picture);
    // SetPicture, then shown modally.
    void ShowPicture(std::unique_ptr<TQtCanvas> picture);

    QLabel* ImgMain;
    QPushButton* CmdOK;
    QPushButton* CmdSave;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnSave();

    TDialogService& Dialogs_;
    std::unique_ptr<TQtCanvas> Picture_;
};

// "Интерпретация": starts the run, shows its counters once a second, stops it
// on request and, when the worker ends, reports the error or delivers the
// result. The counters are sampled by the timer, the end of the run arrives
// through a queued call, and the interface thread never waits for the worker
// except for its last step after a close.
class TInterpFrm final : public QDialog {
public:
    TInterpFrm(TDialogService& dialogs, TResultFrm& result, TGraphFrm& graph,
               QWidget* parent = nullptr);

    // Set by the run command before EvPrepare.
    bool ToFile = false;
    bool Graphics = false;
    std::string OutputFileName;
    int32_t GraphicsMode = 0;
    bool StartIntrp = true;
    // Called after the end of a run has been shown (tests and benchmarks).
    std::function<void()> RunEnded;

    // Shows the dialog modally for one run of `run`; returns when the dialog
    // has closed and the worker has ended, so that the caller may release it.
    void EvPrepare(TInterpreter& run);
    // Delivers the result of the ended run: output file, picture or text.
    void OutputRes();

    QPushButton* CmdStart;
    QPushButton* CmdCancel;
    QLabel* LblNumInstr;
    QLabel* LblRecDepth;
    QLabel* LblMaxRecDepth;
    QLabel* LblTime;
    QLabel* LblNumAllocates;
    QProgressBar* PbrMemory;
    QTimer TmrMain;

protected:
    void showEvent(QShowEvent* event) override;
    // Esc and the close box.
    void reject() override;

private:
    void OnEvStart();
    void OnTimeInc();
    void OnStop();
    void OnEvFinish(uint64_t serial);

    TDialogService& Dialogs_;
    TResultFrm& Result_;
    TGraphFrm& Graph_;
    TInterpreter* Run_ = nullptr;
    bool Running_ = false; // started, and its end not yet handled
    int64_t Seconds_ = 0;
    uint64_t Serial_ = 0;           // tells a late end event of an earlier run apart
    QEventLoop* Closing_ = nullptr; // waits for the end after a close during the run
};

// The run windows, created once, and the run steps.
class TRunWindows {
public:
    explicit TRunWindows(TDialogService& dialogs, QWidget* parent = nullptr);

    // Creates the run object from the options, collects the parameters from
    // the input file or the input dialog, reports refused ones, and otherwise
    // calls `started` (Run sets its status texts there) and runs the program
    // in the progress dialog. Returns when the run object has been released.
    void RunSteps(TPCode code, const TOptions& options, const TRunChoice& choice,
                  const std::function<void()>& started = {});

    TInputFrm Input;
    TResultFrm Result;
    TGraphFrm Graph;
    TInterpFrm Interp;

private:
    void Show(const std::vector<TNotice>& notices);

    TDialogService& Dialogs_;
    QWidget* Parent_;
};

} // namespace zk::ide
