// The main window's layout and handlers. Logic lives in the document table
// and commands, the settings commands and the build commands; a handler asks
// one of them, then shows the tabs, the editor and the status texts as they
// say.
#include "ide/MainWindow.h"

#include "ide/FindDialog.h"
#include "ide/HelpWindow.h"
#include "ide/QtText.h"
#include "ide/RunDialogs.h"
#include "ide/SettingsCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

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
    Editors_->setParent(central);
    column->addWidget(Editors_, 1);
    setCentralWidget(central);
    CreateStatusBar();

    Editors_->SetPopupMenu(MnuTextPopUp_);
    Editors_->Attach(Table_);
    Editors_->Changed = [this] { Table_.OnMmoChange(); };
    Editors_->CaretMoved = [this](int col, int row) { ShowCaret(col, row); };
    Editors_->Shown = [this] { MirrorTabs(*TabMain_, Table_); };
    MirrorTabs(*TabMain_, Table_);
    connect(TabMain_, &QTabBar::currentChanged, this, &TMainFrm::OnChgTab);
    connect(TabMain_, &QTabBar::customContextMenuRequested, this, &TMainFrm::ShowTabsMenu);

    // The windows of a run, the options and the find dialog live as long as
    // this one.
    RunWindows_ = std::make_unique<TRunWindows>(dialogs, this);
    OptsFrm_ = new TCommonOptsFrm(Options_, this);
    FindDlg_ = new TFindDlg(this);
    FindDlg_->Find = [this] { OnSearch(); };

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
    const std::array<int, 4> widths{250, 70, 50, 70};
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
    Panels_[3]->setAlignment(Qt::AlignCenter);
    bar->addPermanentWidget(Panels_[3]);
    SetPanel(0, "Готов");
    Panels_[1]->setText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
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

void TMainFrm::OpenStartFile(const QString& argument) {
    Commands_.Start(argument);
    MirrorTabs(*TabMain_, Table_);
}

void TMainFrm::LoadStartupSettings(const TSettingsPlaces& places) {
    OptsFrm_->OnInit(Dialogs_, places);
    Apply(ApplyOptions(Options_));
}

void TMainFrm::Apply(const std::optional<TAppliedOptions>& applied) {
    if (!applied) return;
    DialogDir_ = applied->DialogDirectory;
    Commands_.SetDialogDirectory(DialogDir_);
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
    MirrorTabs(*TabMain_, Table_);
}

void TMainFrm::MnuSaveAsItmClick() {
    ShowStatus(Commands_.SaveAs());
    MirrorTabs(*TabMain_, Table_);
}

void TMainFrm::MnuSaveAllItmClick() {
    ShowStatus(Commands_.SaveAll());
    MirrorTabs(*TabMain_, Table_);
}

void TMainFrm::MnuCloseItmClick() {
    ShowStatus(Commands_.Close());
    MirrorTabs(*TabMain_, Table_);
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
        MirrorTabs(*TabMain_, Table_);
    }
    MnuTabsPopUp_->popup(TabMain_->mapToGlobal(at));
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
        MirrorTabs(*TabMain_, Table_);
        event->ignore();
        return;
    }
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

void TMainFrm::MnuFindItmClick() {
    FindDlg_->show();
    FindDlg_->raise();
    FindDlg_->activateWindow();
}

void TMainFrm::MnuFindAgainItmClick() {
    if (!FindDlg_->SearchText().isEmpty()) OnSearch();
}

void TMainFrm::OnSearch() {
    if (Commands_.Search(FindDlg_->SearchText(), FindDlg_->MatchCase())) Editor().TakeFocus();
}

void TMainFrm::MnuGotoLineItmClick() {
    Commands_.GotoLine();
}

// --- Output and input of a run ----------------------------------------------

void TMainFrm::KeepChoice(QActionGroup* group, QAction* previous) {
    const QSignalBlocker quiet(group);
    previous->setChecked(true);
}

void TMainFrm::MnuScreenItmClick() {
    OutputChoice_ = Action("MnuScreenItm");
}

void TMainFrm::MnuGraphInterpItmClick() {
    OutputChoice_ = Action("MnuGraphInterpItm");
}

void TMainFrm::MnuOutFileItmClick() {
    const QString path = Dialogs_.SaveFile(
        this, {"Выберите выходной файл", DialogDir_, "Текстовые файлы (*.txt)", "txt", false});
    if (path.isEmpty()) return KeepChoice(OutputGroup_, OutputChoice_);
    OutputFileName_ = path;
    OutputChoice_ = Action("MnuOutFileItm");
    OutputChoice_->setChecked(true);
}

void TMainFrm::MnuKeyboardItmClick() {
    InputChoice_ = Action("MnuKeyboardItm");
}

void TMainFrm::MnuInFileItmClick() {
    const QString path =
        Dialogs_.OpenFile(this, {"Открыть", DialogDir_, "Текстовые файлы (*.txt)", "", true});
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

// The status panels come first, so that they already tell the outcome (and
// not the last build's) while its message boxes are up.
void TMainFrm::ApplyOutcome(const TCommandOutcome& outcome) {
    if (outcome.MainStatus) SetPanel(0, QtText(*outcome.MainStatus));
    if (outcome.BuildStatus) SetPanel(2, QtText(*outcome.BuildStatus));
    for (const TNotice& notice : outcome.Notices)
        ShowNotice(Dialogs_, this, notice);
    if (const std::optional<TCaretPlace>& place = outcome.Caret) {
        for (int tab = 0; place->Slot != 0 && tab < Table_.OpenCount(); ++tab)
            if (Table_.TabSlot(tab) == place->Slot && tab != Table_.CurTab())
                Commands_.ChangeTab(tab);
        Editors_->SetCaret(place->Col, place->Row);
        Editor().TakeFocus();
    }
}

void TMainFrm::OnSyntaxCheck() {
    ApplyOutcome(Build_.SyntaxCheck(BuildInput()));
}

void TMainFrm::OnProgCompile() {
    const TAskPath ask =
        AskPath({"Сохранить", DialogDir_, "P-код программы ZK (*.ZKP)", "ZKP", false});
    ApplyOutcome(Build_.CompileProgram(BuildInput(), ask));
}

void TMainFrm::OnCompileModule() {
    const TAskPath ask = AskPath(
        {"Скомпилировать и сохранить модуль ZK", DialogDir_, "Модули ZK (*.zku)", "zku", false});
    ApplyOutcome(Build_.CompileUnit(BuildInput(), ask));
}

void TMainFrm::MnuRunItmClick() {
    TCommandOutcome outcome = Build_.PrepareRun(BuildInput());
    ApplyOutcome(outcome);
    if (!outcome.Code) return;
    if (outcome.SaveAll) MnuSaveAllItmClick();
    RunProgram(std::move(*outcome.Code), true);
}

void TMainFrm::OnRunFile() {
    const QString path =
        Dialogs_.OpenFile(this, {"Открыть", DialogDir_, "P-код программы ZK (*.ZKP)", "ZKP", true});
    if (path.isEmpty()) return;
    TCommandOutcome outcome = TBuildCommands::LoadRunFile(PathBytes(path));
    ApplyOutcome(outcome);
    if (outcome.Code) RunProgram(std::move(*outcome.Code), false);
}

void TMainFrm::RunProgram(TPCode code, bool fromEditor) {
    const auto started = [this, fromEditor] {
        if (!fromEditor) return;
        SetPanel(0, "Программа была запущена");
        SetPanel(2, QString());
    };
    RunWindows_->RunSteps(std::move(code), Options_, RunChoice(), started);
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
