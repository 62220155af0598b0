// The "Настройка" menu of the main window and ApplyOptions, which makes the
// settings record effective: the language variant, the SYMBOL rule, the
// initial directory of the file dialogs and the editor's look. The window
// calls these and applies what they return.
#pragma once

#include "frontend/Options.h"
#include "ide/DialogService.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

namespace zk::ide {

class TCommonOptsFrm;

struct TAppliedOptions {
    bool ClassicLanguage = false; // already set in the front end's flag
    bool SymbolIsError = true;    // for the runs: TRunOptions::SymbolIsError
    QString DialogDirectory;      // the initial directory of every file dialog
    QFont EditorFont;             // of the editors, and of the result window
    bool LineNumbers = true;      // the editors' line numbers
    bool LiveErrors = true;       // the current document checked while it is typed
};

// Gives ExtOutputDir a trailing '/' unless it is empty, sets ClassicLanguage
// and returns what the window keeps.
TAppliedOptions ApplyOptions(TOptions& options);

// "Общие...": the dialog, and the options to apply when it closed with OK.
std::optional<TAppliedOptions> MnuCommonOptItmClick(TCommonOptsFrm& dialog);
// "Открыть...": a settings file into the record, the dialog and effect; a
// file that cannot be read is reported and changes nothing.
std::optional<TAppliedOptions> OnOpenOpts(TCommonOptsFrm& dialog, TDialogService& dialogs,
                                          QWidget* parent);
// "Сохранить": "Zk.ini" in the process's current directory as it is now.
void OnSaveOpts(const TOptions& options, TDialogService& dialogs, QWidget* parent);
// "Сохранить как...": a file the user picks.
void OnSaveOptsAs(const TOptions& options, TDialogService& dialogs, QWidget* parent);

} // namespace zk::ide
