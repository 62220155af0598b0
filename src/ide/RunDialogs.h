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
#include "ide/ParamMemory.h"
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

class TTextZoom;

// Windows-1251 texts of the system to Qt and back; a character Windows-1251
// lacks becomes '?'.
QString QtText(std::string_view text);
std::string SystemText(const QString& text);

void ShowNotice(TDialogService& dialogs, QWidget* parent, const TNotice& notice);

// "Входные данные": one text per parameter of the main function, edited one
// at a time; Up and Down move between them anywhere in the dialog, Enter
// goes on to the next one and runs from the last, Control+Enter from any.
class TInputFrm final : public QDialog {
public:
    explicit TInputFrm(QWidget* parent = nullptr);

    // Runs the dialog over `texts`, one per name (Windows-1251), which come
    // back as the dialog left them. OK hands them, upper-cased, to the run's
    // AddParam in order until one is refused and gives true; Cancel, Esc or
    // the close box give CancelParams (202) and false.
    bool GetParams(const std::vector<std::string>& names, TInterpreter& run,
                   std::vector<std::string>& texts);

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
    void OnEnter(bool run);
    void OnOK();

    std::vector<std::string> ParamNames_;
    std::vector<QString> ParamTexts_;
    int CurParam_ = 0;
    int PrevParam_ = 0;
};

// "Результат выполнения программы", in a monospace font that zooms. A long
// result, which has no line ends of its own, is shown broken into lines after
// blanks, so that the memo lays out only the lines in view; the copy joins
// them again.
class TResultFrm final : public QDialog {
public:
    explicit TResultFrm(QWidget* parent = nullptr);

    // The font of the text, the editor's say; a zoom the user chose stays.
    void SetTextFont(const QFont& font);
    TTextZoom& Zoom() const { return *Zoom_; }

    void SetResult(const QString& text);
    // SetResult, then shown modally.
    void ShowResult(const QString& text);
    // The memo's text, edits included, as "Копировать" puts it on the clipboard.
    QString Text() const;

    QPlainTextEdit* MmoResult;
    QPushButton* CmdOK;
    QPushButton* CmdCopy;

private:
    TTextZoom* Zoom_;
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
    // What the error box of a failed run adds after the error: its place and
    // the call that failed, when the program came from source.
    std::function<QString(const TInterpreter&)> FailureDetail;

    // Shows the dialog modally for one run of `run`; returns when the dialog
    // has closed and the worker has ended, so that the caller may release it.
    void EvPrepare(TInterpreter& run);
    // Delivers the result of the ended run: output file, picture or text.
    void OutputRes();
    // The same for a run that ended elsewhere (a debug run).
    void DeliverResult(TInterpreter& run);

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

// How the run steps ended: the program ran (well or not), the user cancelled
// the parameters, or the run was refused with its message.
enum class TRunOutcome { Ran, Cancelled, Refused };

// The run windows, created once, and the run steps.
class TRunWindows {
public:
    explicit TRunWindows(TDialogService& dialogs, QWidget* parent = nullptr);

    // Creates the run object from the options, collects the parameters from
    // the input file or the input dialog, reports refused ones, and otherwise
    // calls `started` (Run sets its status texts there) and runs the program
    // in the progress dialog. The dialog offers the texts typed at the last
    // run of the same `documentKey` (none when it is empty). Cancelling it
    // ends the steps without a message. Returns when the run object has been
    // released.
    TRunOutcome RunSteps(TPCode code, const TOptions& options, const TRunChoice& choice,
                         const std::function<void()>& started = {},
                         std::string_view documentKey = {},
                         const std::function<void(const TInterpreter&)>& failed = {});
    // The steps before the run: the run object with its parameters, ready to
    // start; nothing when they were refused (and told) or cancelled, as
    // `outcome` says.
    std::unique_ptr<TInterpreter> PrepareRun(TPCode code, const TOptions& options,
                                             const TRunChoice& choice, std::string_view documentKey,
                                             TRunOutcome& outcome);
    // Delivers the result of a run that ended with 70 elsewhere, as the end
    // of a run in the progress dialog does.
    void Deliver(TInterpreter& run, const TOptions& options, const TRunChoice& choice);
    // The input dialog of the next run of `documentKey` starts with these
    // texts, in the order of the arguments (a test's parameters).
    void OfferParams(std::string documentKey, std::vector<std::string> texts) {
        OfferedKey_ = std::move(documentKey);
        Offered_ = std::move(texts);
    }

    TInputFrm Input;
    TResultFrm Result;
    TGraphFrm Graph;
    TInterpFrm Interp;

private:
    void Tell(const std::vector<TNotice>& notices) const;
    void SetDelivery(const TOptions& options, const TRunChoice& choice);
    // The parameters from the input dialog; false when the user cancelled.
    bool AskParams(TInterpreter& run, std::string_view documentKey);

    TDialogService& Dialogs_;
    QWidget* Parent_;
    TParamMemory Params_;
    std::string OfferedKey_;
    std::vector<std::string> Offered_;
};

} // namespace zk::ide
