// TMainFrm, the environment's main window: the toolbar, the tab strip over
// one editor per open document, and the status bar with the last action,
// the date, the result of the last build and the caret's line:column. Its
// handlers turn menu items, toolbar buttons and context menus into calls on
// the document table and commands, the settings, the build commands and the
// run windows, and show what those return. Every question goes through the
// dialog service, so tests answer them.
#pragma once

#include "frontend/Options.h"
#include "ide/BuildCommands.h"
#include "ide/DialogService.h"
#include "ide/DocumentCommands.h"
#include "ide/DocumentTable.h"
#include "ide/OptionsDialog.h"
#include "ide/SettingsCommands.h"
#include "ide/TabEditors.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTabBar;
class QToolBar;

namespace zk::ide {

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

    // --- The parts, for tests -------------------------------------------
    TDocumentTable& Table() { return Table_; }
    TOptions& Options() { return Options_; }
    QTabBar& Tabs() const { return *TabMain_; }
    TTabEditors& Editors() const { return *Editors_; }
    editor::TDCSyntaxMemo& Editor() const { return Editors_->Memo(); }
    // An action by its name: "MnuNewItm", "MnuRunItm", "CmdSyntaxCheck"...
    QAction* Action(const QString& name) const;
    // Panel 0 the last action, 1 the date, 2 the last build, 3 line:column.
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
    void MnuFindItmClick();
    void MnuFindAgainItmClick();
    void OnSearch();
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

protected:
    // Asks about each unsaved document; Cancel keeps the window open.
    void closeEvent(QCloseEvent* event) override;
    // Activates the window when the program shows it.
    void showEvent(QShowEvent* event) override;

private:
    // The actions, menus, toolbar and context menus (MainActions.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    QAction* NewAction(const QString& name, const QString& caption,
                       void (TMainFrm::*handler)() = nullptr);
    void CreateStatusBar();
    void ShowTabsMenu(const QPoint& at);

    void SetPanel(int panel, const QString& text);
    void ShowStatus(const QString& text);
    void ShowCaret(int col, int row);
    void Apply(const std::optional<TAppliedOptions>& applied);
    TBuildInput BuildInput();
    TAskPath AskPath(const TFileRequest& request);
    // The messages, the error's place (with its tab change) and the status
    // texts of a build command.
    void ApplyOutcome(const TCommandOutcome& outcome);
    void RunProgram(TPCode code, bool fromEditor);
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
    std::array<QLabel*, 4> Panels_{};
    QString OutputFileName_;
    QString InputFileName_;
    std::unique_ptr<TRunWindows> RunWindows_;
    TCommonOptsFrm* OptsFrm_ = nullptr;
    TFindDlg* FindDlg_ = nullptr;
    THelpWindow* Help_ = nullptr;
};

} // namespace zk::ide
