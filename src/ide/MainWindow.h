// TMainFrm, the environment's main window: the toolbar, the tab strip over
// one editor per open document, and the status bar with the last action,
// the date, the result of the last build and the caret's line:column. Its
// handlers turn menu items, toolbar buttons and context menus into calls on
// the document table and commands, the settings, the build commands and the
// run windows, and show what those return. Every question goes through the
// dialog service, so tests answer them.
#pragma once

#include "debug/DebugRun.h"
#include "frontend/Options.h"
#include "ide/AnalysisWorker.h"
#include "ide/BuildCommands.h"
#include "ide/DebugTexts.h"
#include "ide/DialogService.h"
#include "ide/DocumentCommands.h"
#include "ide/DocumentTable.h"
#include "ide/OptionsDialog.h"
#include "ide/RecoveryStore.h"
#include "ide/SettingsCommands.h"
#include "ide/TabEditors.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSocketNotifier;
class QTabBar;
class QToolBar;

namespace zk::ide {

class TCodeIntel;
class TDebugPanel;
class TReferencesPanel;
struct TIntelPlace;
class TTestCheckFrm;
class TFindDlg;
class THelpWindow;
class TRunWindows;

class TMainFrm final : public QMainWindow {
public:
    explicit TMainFrm(TDialogService& dialogs, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The start-up document: the file named on the command line (created
    // empty when missing), or the untitled one when `argument` is empty.
    void OpenStartFile(const QString& argument);
    // The settings at start-up, with their questions when the current
    // directory has no "Zk.ini", then made effective.
    void LoadStartupSettings(const TSettingsPlaces& places = StartupSettingsPlaces());
    // Keeps recovery copies of the unsaved documents under `stateDir`, every
    // `period` and when SIGTERM, SIGHUP or SIGINT ends the program; first
    // offers to restore what an earlier run that did not end cleanly left.
    void StartSession(const std::string& stateDir = DefaultStateDir(),
                      std::chrono::milliseconds period = std::chrono::seconds(30));
    // Writes the copies of the documents that would be lost, drops the copies
    // of the others.
    void KeepRecoveryCopies();
    // What an end signal does: the copies, then Quit.
    void EndOnSignal();
    bool Ending() const { return Ending_; }
    // Ends the program's event loops; a test keeps its own running.
    std::function<void()> Quit = [] { QApplication::exit(0); };

    // --- The parts, for tests -------------------------------------------
    TDocumentTable& Table() { return Table_; }
    TOptions& Options() { return Options_; }
    QTabBar& Tabs() const { return *TabMain_; }
    TTabEditors& Editors() const { return *Editors_; }
    editor::TDCSyntaxMemo& Editor() const { return Editors_->Memo(); }
    // An action by its name: "MnuNewItm", "MnuRunItm", "CmdSyntaxCheck"...
    QAction* Action(const QString& name) const;
    // Panel 0 the last action, 1 the date, 2 the last build, 3 line:column,
    // 4 the document's encoding and line ends, 5 where a run's result goes.
    QLabel& StatusPanel(int panel) const { return *Panels_.at(panel); }
    TCommonOptsFrm& OptionsDialog() const { return *OptsFrm_; }
    TRunWindows& RunWindows() const { return *RunWindows_; }
    TFindDlg& FindDialog() const { return *FindDlg_; }
    THelpWindow& HelpWindow();
    QMenu& TextPopUp() const { return *MnuTextPopUp_; }
    QMenu& TabsPopUp() const { return *MnuTabsPopUp_; }
    // What the "Вывод" and "Ввод" menus say for the next run.
    TRunChoice RunChoice() const;

    // --- Handlers -------------------------------------------------------
    void MnuNewItmClick();
    void MnuOpenItmClick();
    void MnuSaveItmClick();
    void MnuSaveAsItmClick();
    void MnuSaveAllItmClick();
    void MnuCloseItmClick();
    void OnExit();
    void MnuCutItmClick();
    void MnuCopyItmClick();
    void MnuPasteItmClick();
    void MnuClearItmClick();
    void MnuUndoItmClick();
    void MnuRedoItmClick();
    void MnuSelectAllItmClick();
    void NextTab();
    void PreviousTab();
    void OpenMenuBar();
    void MnuFindItmClick();
    void MnuFindAgainItmClick();
    void MnuFindBackItmClick();
    void MnuReplaceItmClick();
    void MnuGotoLineItmClick();
    void MnuRunItmClick();
    void OnRunFile();
    void MnuScreenItmClick();
    void MnuOutFileItmClick();
    void MnuGraphInterpItmClick();
    void MnuKeyboardItmClick();
    void MnuInFileItmClick();
    void OnSyntaxCheck();
    void OnProgCompile();
    void OnCompileModule();
    void MnuCommonOptItmClick();
    void OnOpenOpts();
    void OnSaveOpts();
    void OnSaveOptsAs();
    void MnuHelpContItmClick();
    void OnAbout();
    void OnChgTab(int tab);
    void MnuReopenItmClick();
    // "Проверить тестами...": the current document against a test file.
    void MnuCheckTestsItmClick();
    TTestCheckFrm& TestCheck() const { return *TestCheck_; }

    // The stepper (MainDebug.cpp). A step command with no debug run going
    // starts one: the parameters are asked as for a run.
    void MnuStepIntoItmClick();
    void MnuStepOverItmClick();
    void MnuStepOutItmClick();
    void MnuStepBackItmClick();
    void MnuRunToCursorItmClick();
    void MnuContinueItmClick();
    void MnuBreakpointItmClick();
    void MnuStopDebugItmClick();
    bool Debugging() const { return DebugRun_ != nullptr; }
    TDebugPanel& DebugPanel() const { return *DebugPanel_; }
    TDebugRun* DebugRun() const { return DebugRun_.get(); }
    // How many stops the window has shown so far (tests wait on it).
    int64_t DebugStopsShown() const { return DebugStopsShown_; }

    // Code intelligence (MainIntel.cpp): F12 and Control+click go to the
    // definition, Shift+F12 lists the calls, Control+Space completes.
    void MnuDefinitionItmClick();
    void MnuReferencesItmClick();
    void MnuCompleteItmClick();
    QComboBox& Outline() const { return *CmbOutline_; }
    TReferencesPanel& ReferencesPanel() const { return *References_; }
    TAnalysisWorker& Analyser() const { return *Analyser_; }
    // The analysis the window shows is the current document's as it is now.
    bool AnalysisCurrent() const { return Intel_ != nullptr && IntelKey_ == CurrentAnalysisKey(); }

    // The window's size, place and maximised state of the last session, in
    // the user's configuration; from then on they are kept when it closes.
    void RestoreWindowPlace();

protected:
    // Asks about each unsaved document; Cancel keeps the window open.
    void closeEvent(QCloseEvent* event) override;
    // Activates the window when the program shows it.
    void showEvent(QShowEvent* event) override;
    // An activated window looks at the files of its documents.
    void changeEvent(QEvent* event) override;

private:
    // The actions, menus, toolbar and context menus (MainActions.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    QAction* NewAction(const QString& name, const QString& caption,
                       void (TMainFrm::*handler)() = nullptr);
    void CreateStatusBar();
    void ShowTabsMenu(const QPoint& at);

    // The tab strip and the window title as the table says.
    void ShowTabs();
    // The current tab's "*" and the title, after an edit.
    void ShowModifiedMark();
    // Undo and Redo are enabled while the current editor has something to take back.
    void ShowUndoState();
    void ShowOutputChoice();
    void SwitchTab(int step);
    void OnTabCloseRequested(int tab);
    void CheckFiles();
    enum class TDebugCommand : uint8_t { StepInto, StepOver, StepOut, RunTo, Continue };
    void Debug(TDebugCommand command);
    bool StartDebugRun();
    bool GiveDebugCommand(TDebugCommand command);
    void OnDebugStop();
    void ShowDebugStop(const TStopView& view);
    void ClearDebugMarks();
    void EndDebugRun();
    void ToggleBreakpoint(int slot, int row);
    // The form's place shown in its document's editor, the document opened
    // when it is not; false when its file cannot be shown.
    bool ShowForm(int32_t form, bool shade, editor::TShade shading);
    // The slot of the document that a file of the form map stands for; 0
    // when none is open, after trying to open it when `open`.
    int SlotOfFormFile(int32_t file, bool open);
    int32_t FormFileOfSlot(int slot) const;
    std::vector<int> SlotsOfFormFiles(const TFormMap& forms, const std::string& mainModule,
                                      const std::string& tempEntry) const;
    void PrepareFailurePlace(const TFormMap& forms, std::vector<int> fileSlots);
    void ShowFailurePlace(const TInterpreter& run, const TFormMap& forms,
                          std::vector<int> fileSlots);
    void ShowFrame(int frame);
    void SetDebugActions();

    void CreateCodeIntel();
    TAnalysisKey CurrentAnalysisKey() const;
    analysis::TAnalysisInput CurrentAnalysisInput() const;
    void OnDocumentEdited();
    void OnDocumentShown();
    void RequestAnalysis();
    void TakeAnalysis(TAnalysisKey key, std::shared_ptr<const analysis::TAnalysis> analysis);
    // The current document's analysis, made now when the last one is stale.
    const TCodeIntel& CurrentIntel();
    void ShowLiveErrors();
    void ShowOutline();
    void FollowCaretInOutline(int row);
    void GoToPlace(const TIntelPlace& place);
    void GoToDefinitionAt(editor::TTextPoint point);
    void ShowHover(editor::TTextPoint point, QPoint globalPos);
    void ShowCompletionsAt(editor::TTextPoint caret);

    // The editors' zoomed size goes into the settings file's own section.
    void KeepFontSize(int points);
    void WriteFontSize();
    void OfferRecovery();
    void SetPanel(int panel, const QString& text);
    void ShowStatus(const QString& text);
    void ShowCaret(int col, int row);
    void Apply(const std::optional<TAppliedOptions>& applied);
    TBuildInput BuildInput();
    TAskPath AskPath(const TFileRequest& request);
    // The messages, the error's place (with its tab change) and the status
    // texts of a build command.
    void ApplyOutcome(const TCommandOutcome& outcome);
    // `key` names what the parameters are remembered for: a document or a file.
    // A program from the editor brings its form map, so that a failure shows
    // its place.
    void RunProgram(TPCode code, bool fromEditor, const std::string& key,
                    const TCommandOutcome* source = nullptr);
    // Re-checks the choice that was in force when a file dialog was cancelled.
    void KeepChoice(QActionGroup* group, QAction* previous);

    TDialogService& Dialogs_;
    TOptions Options_;
    QString DialogDir_;
    TTabEditors* Editors_;
    TDocumentTable Table_;
    TDocumentCommands Commands_;
    TBuildCommands Build_;
    QTabBar* TabMain_ = nullptr;
    QToolBar* TlbMain_ = nullptr;
    QMenu* MnuTextPopUp_ = nullptr;
    QMenu* MnuTabsPopUp_ = nullptr;
    QActionGroup* OutputGroup_ = nullptr;
    QActionGroup* InputGroup_ = nullptr;
    QAction* OutputChoice_ = nullptr; // the output item in force
    QAction* InputChoice_ = nullptr;
    std::array<QLabel*, 6> Panels_{};
    QString OutputFileName_;
    QString InputFileName_;
    std::unique_ptr<TRunWindows> RunWindows_;
    TCommonOptsFrm* OptsFrm_ = nullptr;
    TFindDlg* FindDlg_ = nullptr;
    THelpWindow* Help_ = nullptr;

    std::unique_ptr<TRecoveryStore> Recovery_; // null until StartSession, or when it failed
    // The hash of each slot's text when its copy was written; nothing: no copy.
    std::array<std::optional<std::size_t>, kMaxDocuments> CopyHashes_{};
    QTimer RecoveryTimer_;
    QSocketNotifier* EndNotifier_ = nullptr;
    QString SettingsFile_; // the "Zk.ini" read at the start
    QTimer FontSizeTimer_; // a burst of zoom steps is written once
    std::unique_ptr<TDebugRun> DebugRun_;
    std::unique_ptr<TDebugTexts> DebugTexts_;
    std::vector<int> FormFileSlots_; // per file of the form map: the slot, 0 when none
    TRunChoice DebugChoice_;
    TDebugCommand LastDebugCommand_ = TDebugCommand::StepInto;
    // The command that started the run, given at its first stop.
    std::optional<TDebugCommand> PendingDebugCommand_;
    int32_t RunToLine_ = 0; // the line of the last "Выполнить до курсора", from 1
    int32_t RunToFile_ = -1;
    TDebugPanel* DebugPanel_ = nullptr;
    int64_t DebugStopsShown_ = 0;
    TTestCheckFrm* TestCheck_ = nullptr;
    std::map<std::string, QString> TestFiles_; // the test file last chosen for each document
    TAnalysisWorker* Analyser_ = nullptr;
    QTimer AnalysisTimer_; // restarted by each edit: the pause in typing
    std::array<int64_t, kMaxDocuments> EditCounts_{};
    std::unique_ptr<TCodeIntel> Intel_; // the last analysis taken, of IntelKey_
    TAnalysisKey IntelKey_;
    QString LiveErrorShown_; // in the status bar
    QComboBox* CmbOutline_ = nullptr;
    TReferencesPanel* References_ = nullptr;
    std::vector<TIntelPlace> ReferencePlaces_;
    bool CheckingFiles_ = false;
    bool RememberPlace_ = false;
    bool Ending_ = false; // an end signal came: nothing may drop a copy now
};

} // namespace zk::ide
