// The run dialogs on Qt Widgets.
#include "ide/RunDialogs.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "gfx/ResultPicture.h"
#include "ide/DocumentFile.h"
#include "ide/TextView.h"
#include "interp/RunResult.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace zk::ide {

namespace {

// A result longer than this is shown broken into lines: the memo lays out a
// line whole, and one line of millions of characters takes seconds.
constexpr qsizetype kWholeResultLimit = 20000;
constexpr qsizetype kShownLineLength = 160; // broken after the first blank past this
constexpr qsizetype kLongestShownLine = 1024;

QString BrokenIntoLines(const QString& text) {
    QString shown;
    shown.reserve(text.size() + text.size() / kShownLineLength + 1);
    qsizetype lineLength = 0;
    for (const QChar c : text) {
        shown += c;
        ++lineLength;
        if ((c == u' ' && lineLength >= kShownLineLength) || lineLength >= kLongestShownLine) {
            shown += u'\n';
            lineLength = 0;
        }
    }
    return shown;
}

// A result that is no picture description at all fails on its size: most
// often a text program run with the picture output, which the message names.
QString PictureFailure(int32_t code) {
    QString message = QtText(PictureErrorMessage(code));
    if (code == kErrorBadPictureSize) message += " (выбран вывод «Графический интерпретатор»)";
    return message;
}

TMessageIcon IconOf(TNoticeKind kind) {
    return kind == TNoticeKind::Information ? TMessageIcon::Information : TMessageIcon::Error;
}

} // namespace

QString QtText(std::string_view text) {
    return QString::fromStdString(Cp1251ToUtf8(text));
}

std::string SystemText(const QString& text) {
    return Utf8ToCp1251(text.toStdString());
}

void ShowNotice(TDialogService& dialogs, QWidget* parent, const TNotice& notice) {
    dialogs.Inform(parent, QtText(notice.Caption), QtText(notice.Text), IconOf(notice.Kind));
}

// --- TInputFrm --------------------------------------------------------------

TInputFrm::TInputFrm(QWidget* parent)
    : QDialog(parent), LblParName(new QLabel(this)), CmdUp(new QToolButton(this)),
      CmdDown(new QToolButton(this)), EdtParam(new QLineEdit(this)),
      CmdOK(new QPushButton("OK", this)), CmdCancel(new QPushButton("Отмена", this)) {
    setWindowTitle("Входные данные");
    CmdUp->setArrowType(Qt::UpArrow);
    CmdDown->setArrowType(Qt::DownArrow);
    CmdOK->setDefault(true);
    EdtParam->setMinimumWidth(320);

    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(CmdUp);
    arrows->addWidget(CmdDown);
    auto* row = new QHBoxLayout;
    row->addWidget(EdtParam);
    row->addLayout(arrows);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblParName);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(CmdUp, &QToolButton::clicked, this, [this] { MoveTo(CurParam_ - 1); });
    connect(CmdDown, &QToolButton::clicked, this, [this] { MoveTo(CurParam_ + 1); });
    connect(CmdOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TInputFrm::GetParams(const std::vector<std::string>& names, TInterpreter& run,
                          std::vector<std::string>& texts) {
    if (names.empty()) return true; // nothing to ask
    texts.resize(names.size());
    ParamNames_ = names;
    ParamTexts_.clear();
    for (const std::string& text : texts)
        ParamTexts_.push_back(QtText(text));
    EdtParam->setText(ParamTexts_[0]);
    CurParam_ = PrevParam_ = 0;
    OnChg();
    EdtParam->setFocus();
    const bool accepted = exec() == QDialog::Accepted;
    if (!accepted) ParamTexts_[CurParam_] = EdtParam->text(); // kept for the next run
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = SystemText(ParamTexts_[i]);
    if (accepted) {
        for (const std::string& text : texts) {
            run.AddParam(UpperCase1251(text));
            if (run.ErrorNumber() != 0) break;
        }
    } else {
        run.CancelParams();
    }
    ParamTexts_.clear();
    return accepted;
}

// An offered text is selected, so that typing replaces it.
void TInputFrm::OnChg() {
    ParamTexts_[PrevParam_] = EdtParam->text();
    LblParName->setText("Параметр " + QString::number(CurParam_ + 1) + " из " +
                        QString::number(ParamNames_.size()) + " (" +
                        QtText(ParamNames_[CurParam_]) + ")");
    EdtParam->setText(ParamTexts_[CurParam_]);
    EdtParam->selectAll();
}

void TInputFrm::MoveTo(int index) {
    if (index < 0 || index >= static_cast<int>(ParamNames_.size())) return;
    PrevParam_ = CurParam_;
    CurParam_ = index;
    OnChg();
}

void TInputFrm::OnEnter(bool run) {
    if (run || CurParam_ + 1 == static_cast<int>(ParamNames_.size()))
        OnOK();
    else
        MoveTo(CurParam_ + 1);
}

void TInputFrm::OnOK() {
    ParamTexts_[CurParam_] = EdtParam->text();
    accept();
}

bool TInputFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !ParamNames_.empty()) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            MoveTo(CurParam_ + (key == Qt::Key_Down ? 1 : -1));
            return true;
        }
        // A button pressed with Enter stays a button.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            !qobject_cast<QPushButton*>(watched)) {
            OnEnter(press->modifiers().testFlag(Qt::ControlModifier));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- TResultFrm -------------------------------------------------------------

TResultFrm::TResultFrm(QWidget* parent)
    : QDialog(parent), MmoResult(new QPlainTextEdit(this)), CmdOK(new QPushButton("OK", this)),
      CmdCopy(new QPushButton("Копировать", this)) {
    setWindowTitle("Результат выполнения программы");
    // The result as the program gave it: "Копировать" copies what was computed.
    MmoResult->setReadOnly(true);
    MmoResult->setFont(MonospaceFont(QtText(kDefaultFontFamily), kDefaultFontSize));
    Zoom_ = TTextZoom::Install(MmoResult);
    resize(480, 300);
    CmdOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdCopy);
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MmoResult);
    layout->addLayout(buttons);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(CmdCopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Text()); });
}

void TResultFrm::SetTextFont(const QFont& font) {
    Zoom_->SetBaseFont(font);
}

void TResultFrm::SetResult(const QString& text) {
    Broken_ = text.size() > kWholeResultLimit && !text.contains(u'\n') && !text.contains(u'\r');
    MmoResult->setPlainText(Broken_ ? BrokenIntoLines(text) : text);
}

void TResultFrm::ShowResult(const QString& text) {
    SetResult(text);
    exec();
}

QString TResultFrm::Text() const {
    QString text = MmoResult->toPlainText();
    if (Broken_) text.remove(u'\n');
    return text;
}

// --- TGraphFrm --------------------------------------------------------------

TGraphFrm::TGraphFrm(TDialogService& dialogs, QWidget* parent)
    : QDialog(parent), ImgMain(new QLabel(this)), CmdOK(new QPushButton("OK", this)),
      CmdSave(new QPushButton("Сохранить", this)), Dialogs_(dialogs) {
    setWindowTitle("Графический интерпретатор");
    CmdOK->setDefault(true);
    ImgMain->move(0, 0);
    connect(CmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(CmdSave, &QPushButton::clicked, this, [this] { OnSave(); });
}

QSize TGraphFrm::ClientSizeFor(int width, int height) {
    return {std::max(width, 250), std::max(50, height + 40)};
}

void TGraphFrm::SetPicture(std::unique_ptr<TQtCanvas> picture) {
    Picture_ = std::move(picture);
    const QImage& image = Picture_->Image();
    ImgMain->setPixmap(QPixmap::fromImage(image));
    ImgMain->resize(image.size());
    resize(ClientSizeFor(image.width(), image.height()));
}

void TGraphFrm::ShowPicture(std::unique_ptr<TQtCanvas> picture) {
    SetPicture(std::move(picture));
    exec();
}

// The buttons keep to the bottom left corner.
void TGraphFrm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int top = height() - 33;
    CmdOK->setGeometry(8, top, 75, 25);
    CmdSave->setGeometry(91, top, 75, 25);
}

void TGraphFrm::OnSave() {
    const QString path = Dialogs_.SaveFile(
        this, {QString(), QString(), "Рисунки BMP (*.bmp);;Все файлы (*)", "bmp", false});
    if (path.isEmpty() || !Picture_) return;
    try {
        ReplaceFile(QFile::encodeName(path).toStdString(), Picture_->BitmapBytes(),
                    TWriteRule::UserFile);
    } catch (const TFileError& failure) {
        Dialogs_.Inform(this, "Ошибка", "Рисунок не сохранён: " + QtText(FileFailureText(failure)),
                        TMessageIcon::Error);
    }
}

// --- TInterpFrm -------------------------------------------------------------

TInterpFrm::TInterpFrm(TDialogService& dialogs, TResultFrm& result, TGraphFrm& graph,
                       QWidget* parent)
    : QDialog(parent), CmdStart(new QPushButton("Начать", this)),
      CmdCancel(new QPushButton("Прервать", this)), LblNumInstr(new QLabel(this)),
      LblRecDepth(new QLabel(this)), LblMaxRecDepth(new QLabel(this)), LblTime(new QLabel(this)),
      LblNumAllocates(new QLabel(this)), PbrMemory(new QProgressBar(this)), Dialogs_(dialogs),
      Result_(result), Graph_(graph) {
    setWindowTitle("Интерпретация");
    CmdStart->setDefault(true);
    CmdStart->setAutoDefault(true);
    PbrMemory->setTextVisible(false);
    PbrMemory->setMinimumWidth(160);

    auto* grid = new QGridLayout;
    const std::pair<const char*, QWidget*> rows[] = {
        {"Кол-во выполненных инструкций:", LblNumInstr},
        {"Глубина рекурсии:", LblRecDepth},
        {"Максимальная глубина рекурсии:", LblMaxRecDepth},
        {"Время работы (сек):", LblTime},
        {"Выделено атомов:", LblNumAllocates},
        {"Память:", PbrMemory},
    };
    int row = 0;
    for (const auto& [caption, value] : rows) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(value, row++, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdStart);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    TmrMain.setInterval(1000);
    connect(&TmrMain, &QTimer::timeout, this, [this] { OnTimeInc(); });
    connect(CmdStart, &QPushButton::clicked, this, [this] { OnEvStart(); });
    connect(CmdCancel, &QPushButton::clicked, this, [this] { OnStop(); });
}

void TInterpFrm::EvPrepare(TInterpreter& run) {
    Run_ = &run;
    Running_ = false;
    exec();
    if (Running_) { // closed during the run, which Stop ends after its current step
        QEventLoop closing;
        Closing_ = &closing;
        closing.exec(QEventLoop::ExcludeUserInputEvents);
        Closing_ = nullptr;
    }
    TmrMain.stop();
    Run_ = nullptr;
    ++Serial_;
}

void TInterpFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return; // shown again by the desktop, not by EvPrepare
    for (QLabel* label : {LblNumInstr, LblRecDepth, LblMaxRecDepth, LblTime, LblNumAllocates})
        label->setText("0");
    PbrMemory->setMaximum(Run_ ? Run_->Capacity() : 0);
    PbrMemory->setValue(0);
    Seconds_ = 0;
    CmdStart->setEnabled(Run_ != nullptr);
    CmdCancel->setEnabled(false);
    if (StartIntrp && Run_) OnEvStart();
}

void TInterpFrm::OnEvStart() {
    if (!Run_ || Running_) return;
    TmrMain.start();
    CmdStart->setEnabled(false);
    CmdCancel->setEnabled(true);
    Running_ = true;
    const uint64_t serial = Serial_;
    Run_->Start([this, serial] {
        QMetaObject::invokeMethod(
            this, [this, serial] { OnEvFinish(serial); }, Qt::QueuedConnection);
    });
}

void TInterpFrm::OnTimeInc() {
    if (!Run_) return;
    ++Seconds_;
    LblTime->setText(QString::number(Seconds_));
    LblNumInstr->setText(QString::number(Run_->ExecCount()));
    LblRecDepth->setText(QString::number(Run_->Depth()));
    LblMaxRecDepth->setText(QString::number(Run_->MaxDepth()));
    LblNumAllocates->setText(QString::number(Run_->AllocCount()));
    PbrMemory->setValue(Run_->CellsInUse());
}

void TInterpFrm::OnStop() {
    if (Running_) Run_->Stop();
}

void TInterpFrm::reject() {
    OnStop();
    QDialog::reject();
}

void TInterpFrm::OnEvFinish(uint64_t serial) {
    if (serial != Serial_ || !Run_) return;
    Run_->Wait(); // the worker has called us last: joining is immediate
    Running_ = false;
    TmrMain.stop();
    CmdCancel->setEnabled(false);
    if (Closing_ || !isVisible()) { // the user has closed the dialog: nothing more to show
        if (Closing_) Closing_->quit();
        return;
    }
    --Seconds_; // the last refresh counts no second
    OnTimeInc();
    const int32_t code = Run_->ErrorNumber();
    if (code != 0 && code != kErrorRunComplete) {
        // The counters stay, with the error, until the user closes them.
        QString text = QtText(RunErrorMessage(code));
        if (FailureDetail) text += FailureDetail(*Run_);
        Dialogs_.Inform(this, "Ошибка", text, TMessageIcon::Error);
    } else {
        accept(); // a run that ended well has nothing more to show here
        OutputRes();
    }
    if (RunEnded) RunEnded();
}

void TInterpFrm::OutputRes() {
    DeliverResult(*Run_);
}

void TInterpFrm::DeliverResult(TInterpreter& run) {
    if (ToFile) {
        try {
            WriteResultFile(run, OutputFileName, TWriteRule::UserFile);
        } catch (const TFileError& failure) {
            Dialogs_.Inform(this, "Ошибка",
                            "Результат не записан в файл: " + QtText(FileFailureText(failure)),
                            TMessageIcon::Error);
        }
    } else if (Graphics) {
        std::unique_ptr<TQtCanvas> picture = DrawResultPicture(run, GraphicsMode);
        if (!picture) {
            Dialogs_.Inform(this, "Ошибка", PictureFailure(run.ErrorNumber()), TMessageIcon::Error);
            return;
        }
        Graph_.ShowPicture(std::move(picture));
    } else {
        Result_.ShowResult(QtText(run.ResultText()));
    }
}

// --- TRunWindows ------------------------------------------------------------

TRunWindows::TRunWindows(TDialogService& dialogs, QWidget* parent)
    : Input(parent), Result(parent), Graph(dialogs, parent), Interp(dialogs, Result, Graph, parent),
      Dialogs_(dialogs), Parent_(parent) {}

void TRunWindows::Tell(const std::vector<TNotice>& notices) const {
    for (const TNotice& notice : notices)
        ShowNotice(Dialogs_, Parent_, notice);
}

bool TRunWindows::AskParams(TInterpreter& run, std::string_view documentKey) {
    const std::vector<std::string>& names = run.Code().Functions[0].Args;
    std::vector<std::string> texts = Params_.Recall(documentKey, names);
    if (documentKey == OfferedKey_) { // a test's parameters, offered once
        for (std::size_t i = 0; i < texts.size() && i < Offered_.size(); ++i)
            texts[i] = Offered_[i];
        OfferedKey_.clear();
    }
    const bool accepted = Input.GetParams(names, run, texts);
    Params_.Keep(documentKey, names, texts);
    return accepted;
}

std::unique_ptr<TInterpreter> TRunWindows::PrepareRun(TPCode code, const TOptions& options,
                                                      const TRunChoice& choice,
                                                      std::string_view documentKey,
                                                      TRunOutcome& outcome) {
    std::vector<TNotice> notices;
    outcome = TRunOutcome::Refused;
    std::unique_ptr<TInterpreter> run = CreateRun(std::move(code), options, notices);
    if (!run) {
        Tell(notices);
        return nullptr;
    }
    switch (ParamSourceOf(run->Code(), choice.InputFromFile)) {
    case TParamSource::File:
        if (!ReadParamsFile(*run, choice.InputFileName, notices)) {
            Tell(notices);
            return nullptr;
        }
        break;
    case TParamSource::Dialog:
        if (!AskParams(*run, documentKey)) {
            outcome = TRunOutcome::Cancelled;
            return nullptr;
        }
        break;
    case TParamSource::None: break;
    }
    if (const std::optional<TNotice> refused = ParamsRefused(*run)) {
        Tell({*refused});
        return nullptr;
    }
    outcome = TRunOutcome::Ran;
    return run;
}

void TRunWindows::SetDelivery(const TOptions& options, const TRunChoice& choice) {
    Interp.ToFile = choice.OutputToFile;
    Interp.Graphics = choice.Graphics;
    Interp.OutputFileName = choice.OutputFileName;
    Interp.GraphicsMode = options.GraphicsMode;
    Interp.StartIntrp = options.StartIntrp;
}

void TRunWindows::Deliver(TInterpreter& run, const TOptions& options, const TRunChoice& choice) {
    SetDelivery(options, choice);
    Interp.DeliverResult(run);
}

TRunOutcome TRunWindows::RunSteps(TPCode code, const TOptions& options, const TRunChoice& choice,
                                  const std::function<void()>& started,
                                  std::string_view documentKey,
                                  const std::function<void(const TInterpreter&)>& failed) {
    TRunOutcome outcome = TRunOutcome::Ran;
    std::unique_ptr<TInterpreter> run =
        PrepareRun(std::move(code), options, choice, documentKey, outcome);
    if (!run) return outcome;
    if (started) started();
    SetDelivery(options, choice);
    Interp.EvPrepare(*run);
    const int32_t ended = run->ErrorNumber();
    if (failed && ended != kErrorRunComplete && ended != kErrorStopped && ended != 0) failed(*run);
    run->FreeCode();
    return TRunOutcome::Ran;
}

} // namespace zk::ide
