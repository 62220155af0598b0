// The options dialog "Общие настройки" over the settings record, and the
// start-up that fills the record from "Zk.ini", asking what to do when the
// current directory holds none, unless the user asked not to be asked again.
// The dialog edits the record in memory only.
#pragma once

#include "frontend/Options.h"
#include "ide/DialogService.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QFontComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace zk::ide {

inline const QString kSettingsFileName = "Zk.ini";

// The settings files of the start-up.
struct TSettingsPlaces {
    QString CurrentDir;      // where "Zk.ini" is read, and written when the user agrees
    QString ProgramSettings; // the "Zk.ini" installed with the program; empty when none
    // The user's own configuration file, which keeps the start-up choice made
    // with "Больше не спрашивать"; empty: no choice is kept or read.
    QString UserConfig = {};
};

// The current directory, the installed settings of the running program and
// the file of its QSettings in the user's configuration directory.
TSettingsPlaces StartupSettingsPlaces();

// What to do at a first start in a directory.
enum class TStartupChoice { InstalledSettings, Defaults, NoFile };

// Fills `options` at start-up: "Zk.ini" of the current directory when there
// is one; otherwise the user chooses, in one question, to create it there
// from the installed settings or from the defaults, or not to create it (the
// installed settings then serve). A choice the user asked to keep is taken
// without asking. A settings file that cannot be read or written is
// reported and the start-up goes on.
void LoadStartupOptions(TOptions& options, TDialogService& dialogs, QWidget* parent,
                        const TSettingsPlaces& places);

// The settings file at `path` into or from the record. A failure is shown,
// naming the file and the reason, and gives false; a failed read changes
// nothing.
bool ReadSettingsFile(const QString& path, TOptions& options, TDialogService& dialogs,
                      QWidget* parent);
bool WriteSettingsFile(const QString& path, const TOptions& options, TDialogService& dialogs,
                       QWidget* parent);

int64_t PhysicalMemoryBytes();
// The largest memory option the machine allows: nine tenths of its memory in
// megabytes less 5, rounded half to even, and within 1..65535.
int MemoryBoundMB(int64_t physicalBytes);

class TCommonOptsFrm final : public QDialog {
public:
    explicit TCommonOptsFrm(TOptions& options, QWidget* parent = nullptr,
                            int64_t physicalBytes = PhysicalMemoryBytes());

    // The start-up: the record from the settings files, then into the controls.
    void OnInit(TDialogService& dialogs, const TSettingsPlaces& places = StartupSettingsPlaces());

    TOptions& Options() { return Options_; }
    void PutToControls();
    void GetFromCtrls();

    // The buttons. OK and the default button close with the OK result, after
    // which the main window applies the options; Cancel (also Escape and the
    // window's close button) shows the record again and leaves it unchanged.
    void OnOK();
    void OnCancel();
    void OnDefault();
    void OnAddPath();
    void OnTakePath();
    void OnClearList();
    void OnDelList();

    void reject() override { OnCancel(); }

private:
    QWidget* BuildFilesGroup();
    QWidget* BuildCompileGroup();
    QWidget* BuildInterpretGroup();
    QWidget* BuildLogGroup();
    QWidget* BuildGraphicsGroup();
    QWidget* BuildEditorGroup();

    TOptions& Options_;
    QLineEdit* EdtTempDir_ = nullptr;
    QLineEdit* EdtDefaultDir_ = nullptr;
    QLineEdit* EdtExtOutputDir_ = nullptr;
    QLineEdit* EdtDefExtension_ = nullptr;
    QLineEdit* EdtInclPath_ = nullptr;
    QListWidget* LstInclPath_ = nullptr;
    QCheckBox* ChkPCDOut_ = nullptr;
    QCheckBox* ChkUseNew_ = nullptr;
    QCheckBox* ChkSymbolErr_ = nullptr;
    QCheckBox* ChkAutoSave_ = nullptr;
    QCheckBox* ChkStartIntrp_ = nullptr;
    QSpinBox* EdtMaxMem_ = nullptr;
    QButtonGroup* GrpLogMode_ = nullptr;
    QCheckBox* ChkLimitSize_ = nullptr;
    QSpinBox* EdtLogSize_ = nullptr;
    QButtonGroup* GrpGraphicsMode_ = nullptr;
    QFontComboBox* CmbFontFamily_ = nullptr;
    QSpinBox* EdtFontSize_ = nullptr;
    QCheckBox* ChkLineNumbers_ = nullptr;
    QCheckBox* ChkLiveErrors_ = nullptr;
    QSpinBox* EdtStepLimit_ = nullptr;
};

} // namespace zk::ide
