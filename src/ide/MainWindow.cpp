// The main window's layout and handlers. Logic lives in the document table
// and commands, the settings commands and the build commands; a handler asks
// one of them, then shows the tabs, the editor and the status texts as they
// say.
#include "ide/MainWindow.h"

#include "frontend/IniFile.h"
#include "gfx/QtCanvas.h"
#include "ide/CodeIntel.h"
#include "ide/DebugPanel.h"
#include "ide/DocumentFile.h"
#include "ide/FindDialog.h"
#include "ide/HelpWindow.h"
#include "ide/QtText.h"
#include "ide/ReferencesPanel.h"
#include "ide/RunDialogs.h"
#include "ide/SettingsCommands.h"
#include "ide/TestCheckDialog.h"
#include "platform/EndSignals.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <functional>

namespace zk::ide {

namespace {

const QString kCaption = "Varnok " VARNOK_VERSION;

} // namespace

TMainFrm::TMainFrm(TDialogService& dialogs, QWidget* parent)
    : QMainWindow(parent), Dialogs_(dialogs), Editors_(new TTabEditors), Table_(*Editors_),
      Commands_(Table_, *Editors_, dialogs, this), Build_(Options_) {
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/help/varnok.png")));
    CreateActions();
    CreateMenus();
    CreateToolBar();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    TabMain_ = new QTabBar(central);
    TabMain_->setObjectName("TabMain");
    TabMain_->setExpanding(false);
    TabMain_->setDocumentMode(true);
    TabMain_->setContextMenuPolicy(Qt::CustomContextMenu);
    column->addWidget(TabMain_);
    CmbOutline_ = new QComboBox(central);
    CmbOutline_->setObjectName("CmbOutline");
    CmbOutline_->setToolTip("Функции документа");
    CmbOutline_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    column->addWidget(CmbOutline_);
    Editors_->setParent(central);
    column->addWidget(Editors_, 1);
    setCentralWidget(central);
    CreateStatusBar();

    Editors_->SetPopupMenu(MnuTextPopUp_);
    Editors_->Attach(Table_);
    Editors_->Changed = [this] {
        Table_.OnMmoChange();
        ShowModifiedMark();
        ShowUndoState();
        OnDocumentEdited();
    };
    Editors_->CaretMoved = [this](int col, int row) {
        ShowCaret(col, row);
        FollowCaretInOutline(row);
    };
    Editors_->Zoomed = [this](int points) { KeepFontSize(points); };
    Editors_->UndoStateChanged = [this] { ShowUndoState(); };
    Editors_->PasteReplaced = [this](int count) {
        SetPanel(0, "Заменено символов, которых нет в Windows-1251: " + QString::number(count));
    };
    FontSizeTimer_.setSingleShot(true);
    FontSizeTimer_.setInterval(500);
    connect(&FontSizeTimer_, &QTimer::timeout, this, &TMainFrm::WriteFontSize);
    Editors_->Shown = [this] {
        ShowTabs();
        ShowUndoState();
        OnDocumentShown();
    };
    CreateCodeIntel();
    Editors_->ReserveKeys({Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
                           Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown,
                           Qt::CTRL | Qt::Key_PageUp, Qt::CTRL | Qt::Key_W, Qt::Key_F1,
                           Qt::Key_F10});
    ShowTabs();
    ShowUndoState();
    TabMain_->setTabsClosable(true);
    connect(TabMain_, &QTabBar::tabCloseRequested, this, &TMainFrm::OnTabCloseRequested);
    connect(TabMain_, &QTabBar::currentChanged, this, &TMainFrm::OnChgTab);
    connect(TabMain_, &QTabBar::customContextMenuRequested, this, &TMainFrm::ShowTabsMenu);

    // The windows of a run, the options and the find dialog live as long as
    // this one.
    RunWindows_ = std::make_unique<TRunWindows>(dialogs, this);
    OptsFrm_ = new TCommonOptsFrm(Options_, this);
    DebugPanel_ = new TDebugPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, DebugPanel_);
    DebugPanel_->hide();
    DebugPanel_->FrameChosen = [this](int frame) { ShowFrame(frame); };
    Editors_->GutterLineClicked = [this](int slot, int row) { ToggleBreakpoint(slot, row); };
    SetDebugActions();
    TestCheck_ = new TTestCheckFrm(this);
    FindDlg_ = new TFindDlg(this);
    FindDlg_->Editor = [this]() -> TSearchEditor* { return Editors_; };
    FindDlg_->Status = [this](const QString& text) { SetPanel(0, text); };

    resize(631, 480);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Editor().TakeFocus();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StbMain");
    bar->setSizeGripEnabled(true);
    // The encoding's and the output's panels take what their texts need.
    const std::array<int, 6> widths{250, 70, 50, 70, 0, 0};
    for (std::size_t panel = 0; panel < Panels_.size(); ++panel) {
        auto* label = new QLabel(bar);
        label->setMinimumWidth(widths[panel]);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        Panels_[panel] = label;
    }
    bar->addWidget(Panels_[0]);
    bar->addWidget(Panels_[1]);
    // The build's result may be a long error text: its panel takes the room.
    bar->addWidget(Panels_[2], 1);
    for (const std::size_t panel : {5, 4, 3}) {
        Panels_[panel]->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(Panels_[panel]);
    }
    SetPanel(0, "Готов");
    SetPanel(5, "Вывод: экран");
    Panels_[1]->setText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    Panels_[1]->setMinimumWidth(std::max(widths[1], Panels_[1]->sizeHint().width()));
    ShowCaret(0, 0);
}

// A panel may be too narrow for a long error text; its hint shows it whole.
void TMainFrm::SetPanel(int panel, const QString& text) {
    Panels_[panel]->setText(text);
    Panels_[panel]->setToolTip(text);
}

void TMainFrm::ShowStatus(const QString& text) {
    if (!text.isEmpty()) SetPanel(0, text);
}

// Counted from 1, as `zk` prints the place of an error.
void TMainFrm::ShowCaret(int col, int row) {
    Panels_[3]->setText(QStringLiteral("%1:%2").arg(row + 1).arg(col + 1));
}

THelpWindow& TMainFrm::HelpWindow() {
    if (!Help_) Help_ = new THelpWindow(this);
    return *Help_;
}

void TMainFrm::ShowTabs() {
    MirrorTabs(*TabMain_, Table_);
    setWindowTitle(FromText1251(Table_.TabCaption(Table_.CurTab())) + " - " + kCaption);
    const TOpenFile& document = Table_.Current();
    Panels_[4]->setText(QString::fromStdString(document.Format.Name()));
    QAction* reopen = Action("MnuReopenItm");
    reopen->setEnabled(!document.FilePath.empty());
    reopen->setText(document.Format.Encoding == TTextEncoding::Utf8
                        ? "П&еречитать в кодировке Windows-1251"
                        : "П&еречитать в кодировке UTF-8");
}

void TMainFrm::MnuReopenItmClick() {
    ShowStatus(Commands_.ReopenInOtherEncoding());
    ShowTabs();
    KeepRecoveryCopies();
}

void TMainFrm::RestoreWindowPlace() {
    RememberPlace_ = true;
    const QSettings place;
    if (place.contains("MainWindow/Geometry"))
        restoreGeometry(place.value("MainWindow/Geometry").toByteArray());
}

void TMainFrm::ShowModifiedMark() {
    const int tab = Table_.CurTab();
    const QString caption = FromText1251(Table_.TabCaption(tab));
    if (TabMain_->tabText(tab) == caption) return;
    TabMain_->setTabText(tab, caption);
    setWindowTitle(caption + " - " + kCaption);
}

void TMainFrm::OpenStartFile(const QString& argument) {
    Commands_.Start(argument);
    ShowTabs();
}

void TMainFrm::LoadStartupSettings(const TSettingsPlaces& places) {
    SettingsFile_ = QDir(places.CurrentDir).filePath(kSettingsFileName);
    OptsFrm_->OnInit(Dialogs_, places);
    Apply(ApplyOptions(Options_));
}

void TMainFrm::Apply(const std::optional<TAppliedOptions>& applied) {
    if (!applied) return;
    DialogDir_ = applied->DialogDirectory;
    Commands_.SetDialogDirectory(DialogDir_);
    Editors_->SetLook(applied->EditorFont, applied->LineNumbers);
    // The language or the include directories may have changed too.
    Intel_.reset();
    RequestAnalysis();
    RunWindows_->Result.SetTextFont(applied->EditorFont);
}

// --- Documents -----------------------------------------------------------

void TMainFrm::MnuNewItmClick() {
    ShowStatus(Commands_.New());
    Editor().TakeFocus();
}

void TMainFrm::MnuOpenItmClick() {
    ShowStatus(Commands_.Open());
    Editor().TakeFocus();
}

void TMainFrm::MnuSaveItmClick() {
    ShowStatus(Commands_.Save());
    ShowTabs();
    KeepRecoveryCopies();
}

void TMainFrm::MnuSaveAsItmClick() {
    ShowStatus(Commands_.SaveAs());
    ShowTabs();
    KeepRecoveryCopies();
}

void TMainFrm::MnuSaveAllItmClick() {
    ShowStatus(Commands_.SaveAll());
    ShowTabs();
    KeepRecoveryCopies();
}

void TMainFrm::MnuCloseItmClick() {
    ShowStatus(Commands_.Close());
    ShowTabs();
    KeepRecoveryCopies();
}

// The keys go to the current document's editor, wherever the focus was.
void TMainFrm::OnChgTab(int tab) {
    Commands_.ChangeTab(tab);
    Editor().TakeFocus();
}

void TMainFrm::ShowTabsMenu(const QPoint& at) {
    // The menu acts on the current document, so the tab under the mouse
    // becomes current first.
    if (const int tab = TabMain_->tabAt(at); tab >= 0 && tab != Table_.CurTab()) {
        Commands_.ChangeTab(tab);
        ShowTabs();
    }
    MnuTabsPopUp_->popup(TabMain_->mapToGlobal(at));
}

void TMainFrm::StartSession(const std::string& stateDir, std::chrono::milliseconds period) {
    Recovery_ = std::make_unique<TRecoveryStore>(stateDir);
    if (!Recovery_->Begin()) {
        Recovery_.reset(); // the environment works on, without copies
    } else {
        OfferRecovery();
        connect(&RecoveryTimer_, &QTimer::timeout, this, &TMainFrm::KeepRecoveryCopies,
                Qt::UniqueConnection);
        RecoveryTimer_.start(period);
    }
    const int endSignals = WatchEndSignals();
    if (endSignals < 0 || EndNotifier_) return;
    EndNotifier_ = new QSocketNotifier(endSignals, QSocketNotifier::Read, this);
    connect(EndNotifier_, &QSocketNotifier::activated, this, [this, endSignals] {
        if (TakeEndSignal(endSignals) != 0) EndOnSignal();
    });
}

void TMainFrm::OfferRecovery() {
    std::vector<TRecoveryCopy> copies = Recovery_->Orphans();
    if (copies.empty()) return;
    QString list;
    for (const TRecoveryCopy& copy : copies) {
        list += "\n" + FromText1251(copy.Title);
        if (!copy.FilePath.empty()) list += " (" + PathString(copy.FilePath) + ")";
        list += ", " + QDateTime::fromSecsSinceEpoch(copy.Time).toString("dd.MM.yyyy hh:mm:ss");
    }
    if (Dialogs_.Message(this, "Восстановление", "Восстановить несохранённые документы?\n" + list,
                         TMessageIcon::Question, TMessageButtons::YesNo) != TAnswer::Yes) {
        Recovery_->Forget(copies);
        return;
    }
    std::vector<TRecoveryCopy> restored;
    for (TRecoveryCopy& copy : copies) {
        if (!Table_.Restore(copy.FilePath, copy.Text, copy.Format))
            break; // the rest waits for a free tab
        restored.push_back(std::move(copy));
    }
    ShowTabs();
    KeepRecoveryCopies();
    Recovery_->Forget(restored);
    SetPanel(0, "Восстановлено документов: " + QString::number(restored.size()));
}

void TMainFrm::KeepRecoveryCopies() {
    if (!Recovery_ || Ending_) return;
    std::array<bool, kMaxDocuments> kept{};
    try {
        for (int tab = 0; tab < Table_.OpenCount(); ++tab) {
            if (!Table_.WouldBeLost(tab)) continue;
            const int slot = Table_.TabSlot(tab);
            const TOpenFile& file = Table_.Slot(slot);
            TRecoveryCopy copy{file.FilePath,
                               Table_.TabTitle(tab),
                               tab == Table_.CurTab() ? Editors_->Text() : file.Text,
                               std::time(nullptr),
                               file.Format,
                               {}};
            const std::size_t hash = std::hash<std::string>{}(copy.Text) ^
                                     (std::hash<std::string>{}(copy.FilePath) << 1) ^
                                     (std::hash<std::string>{}(copy.Format.Name()) << 2);
            kept[slot - 1] = true;
            if (CopyHashes_[slot - 1] == hash) continue;
            Recovery_->Keep(slot, copy);
            CopyHashes_[slot - 1] = hash;
        }
    } catch (const TFileError& failure) {
        SetPanel(0,
                 "Копия для восстановления не записана: " + FromText1251(FileFailureText(failure)));
    }
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        if (kept[slot - 1] || !CopyHashes_[slot - 1]) continue;
        Recovery_->Drop(slot);
        CopyHashes_[slot - 1].reset();
    }
}

// The copies first, then the end of every event loop: a question or a run
// that is open ends as if cancelled, and nothing after it may drop a copy.
void TMainFrm::EndOnSignal() {
    KeepRecoveryCopies();
    const bool nothingKept = std::none_of(CopyHashes_.begin(), CopyHashes_.end(),
                                          [](const auto& hash) { return hash.has_value(); });
    if (Recovery_ && nothingKept) Recovery_->End();
    Ending_ = true;
    Quit();
}

void TMainFrm::KeepFontSize(int points) {
    Options_.FontSize = points;
    FontSizeTimer_.start();
}

// Only the editor's key changes in a settings file that is there; the file is
// the user's, so a failure is told in the status bar, not in a box.
void TMainFrm::WriteFontSize() {
    if (SettingsFile_.isEmpty() || !RegularFileStamp(PathBytes(SettingsFile_))) return;
    try {
        TIniFile ini = TIniFile::Load(PathBytes(SettingsFile_));
        ini.WriteInteger("Editor", "FontSize", Options_.FontSize);
        ini.Save(PathBytes(SettingsFile_));
    } catch (const TFileError& failure) {
        SetPanel(0, "Размер шрифта не сохранён: " + FromText1251(FileFailureText(failure)));
    }
}

void TMainFrm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !CheckingFiles_)
        QTimer::singleShot(0, this, [this] { CheckFiles(); });
}

// Not while a dialog of the window is up: its own questions come first.
void TMainFrm::CheckFiles() {
    if (CheckingFiles_ || Ending_ || QApplication::activeModalWidget()) return;
    CheckingFiles_ = true;
    if (Commands_.CheckFilesOnDisk()) ShowTabs();
    CheckingFiles_ = false;
}

void TMainFrm::OnExit() {
    close();
}

// Without a window manager nothing activates a new window: the X server
// sends the keys to the window under the pointer, yet no widget has the focus
// and the editor shows no caret. Asking for activation gives the window the
// input focus; a window manager may still decide.
void TMainFrm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) activateWindow();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    if (!Commands_.ConfirmExit()) {
        ShowTabs();
        event->ignore();
        return;
    }
    // Nothing the user wanted is left unsaved, unless an end signal broke
    // off the questions: its copies stay for the next start.
    if (Recovery_ && !Ending_) Recovery_->End();
    if (RememberPlace_) QSettings().setValue("MainWindow/Geometry", saveGeometry());
    FindDlg_->close();
    if (Help_) Help_->close();
    event->accept();
}

// --- Editing and searching -------------------------------------------------

void TMainFrm::MnuCutItmClick() {
    Editor().CutToClipboard();
}

void TMainFrm::MnuCopyItmClick() {
    Editor().CopyToClipboard();
}

// What is pasted is an edit, which the editor reports like any other.
void TMainFrm::MnuPasteItmClick() {
    Editor().PasteFromClipboard();
}

// Deletes the selection and leaves the clipboard as it was.
void TMainFrm::MnuClearItmClick() {
    QClipboard* clipboard = QApplication::clipboard();
    const QString kept = clipboard->text();
    Editor().CutToClipboard();
    clipboard->setText(kept);
}

void TMainFrm::MnuUndoItmClick() {
    Editor().Undo();
}

void TMainFrm::MnuRedoItmClick() {
    Editor().Redo();
}

void TMainFrm::MnuSelectAllItmClick() {
    Editor().Model().SelectAll();
    Editor().TakeFocus();
}

void TMainFrm::ShowUndoState() {
    const bool undo = Editor().CanUndo();
    const bool redo = Editor().CanRedo();
    for (const char* name : {"MnuUndoItm", "CmdUndo"})
        Action(QString::fromLatin1(name))->setEnabled(undo);
    for (const char* name : {"MnuRedoItm", "CmdRedo"})
        Action(QString::fromLatin1(name))->setEnabled(redo);
}

void TMainFrm::NextTab() {
    SwitchTab(1);
}

void TMainFrm::PreviousTab() {
    SwitchTab(-1);
}

// Round the tabs, as every tabbed program does.
void TMainFrm::SwitchTab(int step) {
    const int count = Table_.OpenCount();
    if (count < 2) return;
    TabMain_->setCurrentIndex((Table_.CurTab() + step + count) % count);
}

void TMainFrm::OnTabCloseRequested(int tab) {
    if (tab != Table_.CurTab()) TabMain_->setCurrentIndex(tab);
    MnuCloseItmClick();
}

void TMainFrm::OpenMenuBar() {
    if (QAction* first = menuBar()->actions().value(0)) {
        menuBar()->setFocus(Qt::MenuBarFocusReason);
        menuBar()->setActiveAction(first);
    }
}

void TMainFrm::MnuFindItmClick() {
    FindDlg_->ShowFind();
}

void TMainFrm::MnuFindAgainItmClick() {
    FindDlg_->FindNext(TSearchDirection::Forward);
}

void TMainFrm::MnuFindBackItmClick() {
    FindDlg_->FindNext(TSearchDirection::Backward);
}

void TMainFrm::MnuReplaceItmClick() {
    FindDlg_->ShowReplace();
}

void TMainFrm::MnuGotoLineItmClick() {
    Commands_.GotoLine();
}

// --- Output and input of a run ----------------------------------------------

void TMainFrm::KeepChoice(QActionGroup* group, QAction* previous) {
    const QSignalBlocker quiet(group);
    previous->setChecked(true);
}

// Where the next run's result goes is always in sight, so that a text
// program run with the picture output chosen is no surprise.
void TMainFrm::ShowOutputChoice() {
    QString shown = "Вывод: экран";
    if (OutputChoice_ == Action("MnuGraphInterpItm")) shown = "Вывод: рисунок";
    if (OutputChoice_ == Action("MnuOutFileItm"))
        shown = "Вывод: " + QFileInfo(OutputFileName_).fileName();
    SetPanel(5, shown);
}

void TMainFrm::MnuScreenItmClick() {
    OutputChoice_ = Action("MnuScreenItm");
    ShowOutputChoice();
}

void TMainFrm::MnuGraphInterpItmClick() {
    OutputChoice_ = Action("MnuGraphInterpItm");
    ShowOutputChoice();
}

void TMainFrm::MnuOutFileItmClick() {
    const QString path =
        Dialogs_.SaveFile(this, {"Выберите выходной файл", DialogDir_,
                                 "Текстовые файлы (*.txt);;Все файлы (*)", "txt", false});
    if (path.isEmpty()) return KeepChoice(OutputGroup_, OutputChoice_);
    OutputFileName_ = path;
    OutputChoice_ = Action("MnuOutFileItm");
    OutputChoice_->setChecked(true);
    ShowOutputChoice();
}

void TMainFrm::MnuKeyboardItmClick() {
    InputChoice_ = Action("MnuKeyboardItm");
}

void TMainFrm::MnuInFileItmClick() {
    const QString path = Dialogs_.OpenFile(
        this, {"Открыть", DialogDir_, "Текстовые файлы (*.txt);;Все файлы (*)", "", true});
    if (path.isEmpty()) return KeepChoice(InputGroup_, InputChoice_);
    InputFileName_ = path;
    InputChoice_ = Action("MnuInFileItm");
    InputChoice_->setChecked(true);
}

TRunChoice TMainFrm::RunChoice() const {
    TRunChoice choice;
    choice.InputFromFile = InputChoice_ == Action("MnuInFileItm");
    choice.InputFileName = PathBytes(InputFileName_);
    choice.OutputToFile = OutputChoice_ == Action("MnuOutFileItm");
    choice.Graphics = OutputChoice_ == Action("MnuGraphInterpItm");
    choice.OutputFileName = PathBytes(OutputFileName_);
    return choice;
}

// --- Building and running -----------------------------------------------------

TBuildInput TMainFrm::BuildInput() {
    TBuildInput input;
    input.Documents = Table_.DocumentCopies();
    input.EditorText = Editors_->Text();
    input.EditorFormat = Table_.Current().Format;
    input.EditorTitle = Table_.TabTitle(Table_.CurTab());
    input.VisibleColumns = Editor().VisibleCols();
    return input;
}

TAskPath TMainFrm::AskPath(const TFileRequest& request) {
    return [this, request]() -> std::optional<std::string> {
        const QString path = Dialogs_.SaveFile(this, request);
        if (path.isEmpty()) return std::nullopt;
        return PathBytes(path);
    };
}

// The status panels and the error's place come first, so that they already
// tell the outcome (and not the last build's) while its message boxes are up:
// the student sees the faulty token selected beside the message.
void TMainFrm::ApplyOutcome(const TCommandOutcome& outcome) {
    if (outcome.MainStatus) SetPanel(0, QtText(*outcome.MainStatus));
    if (outcome.BuildStatus) SetPanel(2, QtText(*outcome.BuildStatus));
    if (const std::optional<TCaretPlace>& place = outcome.Caret) {
        for (int tab = 0; place->Slot != 0 && tab < Table_.OpenCount(); ++tab)
            if (Table_.TabSlot(tab) == place->Slot && tab != Table_.CurTab())
                Commands_.ChangeTab(tab);
        Editors_->SetCaret(place->Col, place->Row);
        if (place->Length > 0)
            Editor().SetSelection({place->Col, place->Row},
                                  {place->Col + place->Length, place->Row});
        Editor().TakeFocus();
    }
    for (const TNotice& notice : outcome.Notices)
        ShowNotice(Dialogs_, this, notice);
}

void TMainFrm::OnSyntaxCheck() {
    ApplyOutcome(Build_.SyntaxCheck(BuildInput()));
}

void TMainFrm::OnProgCompile() {
    const TAskPath ask = AskPath(
        {"Сохранить", DialogDir_, "P-код программы ZK (*.ZKP);;Все файлы (*)", "ZKP", false});
    ApplyOutcome(Build_.CompileProgram(BuildInput(), ask));
}

void TMainFrm::OnCompileModule() {
    const TAskPath ask = AskPath({"Скомпилировать и сохранить модуль ZK", DialogDir_,
                                  "Модули ZK (*.zku);;Все файлы (*)", "zku", false});
    ApplyOutcome(Build_.CompileUnit(BuildInput(), ask));
}

void TMainFrm::MnuRunItmClick() {
    TCommandOutcome outcome = Build_.PrepareRun(BuildInput());
    ApplyOutcome(outcome);
    if (!outcome.Code) return;
    if (outcome.SaveAll) MnuSaveAllItmClick();
    // The parameters typed for a document are offered again at its next run.
    std::string key = Table_.Current().FilePath;
    if (key.empty()) key.append(1, '#').append(std::to_string(Table_.TabSlot(Table_.CurTab())));
    RunProgram(std::move(*outcome.Code), true, key, &outcome);
}

void TMainFrm::MnuCheckTestsItmClick() {
    std::string key = Table_.Current().FilePath;
    if (key.empty()) key.append(1, '#').append(std::to_string(Table_.TabSlot(Table_.CurTab())));
    const QString last = TestFiles_[key];
    const QString chosen = Dialogs_.OpenFile(
        this, {"Файл тестов", last.isEmpty() ? DialogDir_ : QFileInfo(last).absolutePath(),
               "Тесты (*.tests *.txt);;Все файлы (*)", "", true});
    if (chosen.isEmpty()) return;
    TestFiles_[key] = chosen;

    cli::TTestFile tests;
    cli::TTestFileError fault;
    std::vector<TNotice> notices;
    try {
        if (!cli::LoadTestFile(PathBytes(chosen), tests, fault)) {
            Dialogs_.Inform(this, "Ошибка",
                            QString("Файл тестов %1, строка %2: %3")
                                .arg(chosen)
                                .arg(fault.Line)
                                .arg(QString::fromStdString(fault.Message)),
                            TMessageIcon::Error);
            return;
        }
        const std::optional<TBuildCommands::TWrittenSources> sources =
            Build_.WriteSources(BuildInput(), notices);
        for (const TNotice& notice : notices)
            ShowNotice(Dialogs_, this, notice);
        if (!sources) return;
        cli::TCheckOptions options;
        options.IncludeDirs = sources->IncludePaths;
        options.Classic = !Options_.UseNew;
        options.MemoryMB = std::max<int32_t>(Options_.MaxMem, 1);
        options.SymbolError = Options_.SymbolErr;
        options.GraphicsMode = Options_.GraphicsMode;
        options.MakeCanvas = [](int32_t width, int32_t height) -> std::unique_ptr<TCanvas> {
            return std::make_unique<TQtCanvas>(width, height);
        };
        const cli::TSubmission submission{
            Table_.TabTitle(Table_.CurTab()), sources->MainModule, {}};
        const std::optional<TTestCheckFrm::TChosenTest> again =
            TestCheck_->Check(tests, submission, options, QFileInfo(chosen).fileName());
        if (!again) return;
        RunWindows_->OfferParams(key, again->Params);
        if (again->Debug)
            MnuStepIntoItmClick();
        else
            MnuRunItmClick();
    } catch (const TFileError& failure) {
        ShowNotice(Dialogs_, this, FileErrorNotice(failure));
    }
}

void TMainFrm::OnRunFile() {
    const QString path = Dialogs_.OpenFile(
        this, {"Открыть", DialogDir_, "P-код программы ZK (*.ZKP);;Все файлы (*)", "ZKP", true});
    if (path.isEmpty()) return;
    TCommandOutcome outcome = TBuildCommands::LoadRunFile(PathBytes(path));
    ApplyOutcome(outcome);
    if (outcome.Code) RunProgram(std::move(*outcome.Code), false, PathBytes(path));
}

void TMainFrm::RunProgram(TPCode code, bool fromEditor, const std::string& key,
                          const TCommandOutcome* source) {
    const auto started = [this, fromEditor] {
        if (!fromEditor) return;
        SetPanel(0, "Программа была запущена");
        SetPanel(2, QString());
    };
    const TFormMap* forms = source && source->Forms ? &*source->Forms : nullptr;
    std::vector<int> fileSlots;
    if (forms) {
        fileSlots = SlotsOfFormFiles(*forms, source->MainModule, source->TempEntry);
        PrepareFailurePlace(*forms, fileSlots);
    }
    const auto failed = [&](const TInterpreter& run) {
        if (forms) ShowFailurePlace(run, *forms, fileSlots);
    };
    const TRunOutcome outcome =
        RunWindows_->RunSteps(std::move(code), Options_, RunChoice(), started, key, failed);
    RunWindows_->Interp.FailureDetail = nullptr;
    if (outcome == TRunOutcome::Cancelled) SetPanel(0, "Выполнение отменено");
}

// --- Settings, help -------------------------------------------------------------

void TMainFrm::MnuCommonOptItmClick() {
    Apply(zk::ide::MnuCommonOptItmClick(*OptsFrm_));
}

void TMainFrm::OnOpenOpts() {
    Apply(zk::ide::OnOpenOpts(*OptsFrm_, Dialogs_, this));
}

void TMainFrm::OnSaveOpts() {
    zk::ide::OnSaveOpts(Options_, Dialogs_, this);
}

void TMainFrm::OnSaveOptsAs() {
    zk::ide::OnSaveOptsAs(Options_, Dialogs_, this);
}

void TMainFrm::MnuHelpContItmClick() {
    HelpWindow().ShowContents();
}

void TMainFrm::OnAbout() {
    Dialogs_.Inform(this, "О программе",
                    kCaption + "\nИнтегрированная среда программирования\nна языке ZK",
                    TMessageIcon::Information);
}

} // namespace zk::ide
