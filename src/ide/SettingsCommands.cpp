// The settings menu: the dialog, loading and saving the settings file.
#include "ide/SettingsCommands.h"

#include "frontend/Tokens.h"
#include "ide/OptionsDialog.h"
#include "ide/QtText.h"
#include "ide/TextView.h"

#include <QDir>

namespace zk::ide {

namespace {

TFileRequest SettingsRequest(const QString& title, bool mustExist) {
    return {title, QString(), "Файл настроек (Zk.ini);;Все файлы (*)", "ini", mustExist};
}

} // namespace

TAppliedOptions ApplyOptions(TOptions& options) {
    if (!options.ExtOutputDir.empty() && options.ExtOutputDir.back() != '/')
        options.ExtOutputDir += '/';
    ClassicLanguage = !options.UseNew;
    return {ClassicLanguage,     options.SymbolErr,   PathString(options.DefaultDir),
            EditorFont(options), options.LineNumbers, options.LiveErrors};
}

std::optional<TAppliedOptions> MnuCommonOptItmClick(TCommonOptsFrm& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ApplyOptions(dialog.Options());
}

std::optional<TAppliedOptions> OnOpenOpts(TCommonOptsFrm& dialog, TDialogService& dialogs,
                                          QWidget* parent) {
    const QString path = dialogs.OpenFile(parent, SettingsRequest("Открыть", true));
    if (path.isEmpty()) return std::nullopt;
    if (!ReadSettingsFile(path, dialog.Options(), dialogs, parent)) return std::nullopt;
    dialog.PutToControls();
    return ApplyOptions(dialog.Options());
}

void OnSaveOpts(const TOptions& options, TDialogService& dialogs, QWidget* parent) {
    WriteSettingsFile(QDir::current().filePath(kSettingsFileName), options, dialogs, parent);
}

void OnSaveOptsAs(const TOptions& options, TDialogService& dialogs, QWidget* parent) {
    const QString path = dialogs.SaveFile(parent, SettingsRequest("Сохранить как", false));
    if (!path.isEmpty()) WriteSettingsFile(path, options, dialogs, parent);
}

} // namespace zk::ide
