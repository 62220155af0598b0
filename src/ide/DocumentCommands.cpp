// New, Open, Save, Close and the rest on the document table, with the file
// dialogs and message boxes of the main window.
#include "ide/DocumentCommands.h"

#include "ide/DocumentFile.h"
#include "ide/QtText.h"
#include "ide/TextSearch.h"

#include <QFileInfo>
#include <QSignalBlocker>
#include <QTabBar>

namespace zk::ide {

namespace {

const QString kCloseQuestion = "Закрываемый файл не сохранён. Сохранить?";

std::string FullPathBytes(const QString& path) {
    return PathBytes(QFileInfo(path).absoluteFilePath());
}

} // namespace

TDocumentCommands::TDocumentCommands(TDocumentTable& table, TDocumentEditor& editor,
                                     TDialogService& dialogs, QWidget* parent)
    : Table_(table), Editor_(editor), Dialogs_(dialogs), Parent_(parent) {}

void TDocumentCommands::ShowError(const QString& text) {
    Dialogs_.Message(Parent_, "Ошибка", text, TMessageIcon::Error, TMessageButtons::Ok);
}

QString TDocumentCommands::AskSavePath() {
    return Dialogs_.SaveFile(Parent_, {"Сохранить искодный код ZK-программы", DialogDir_,
                                       "программы ZK (*.zk)", "zk", false});
}

void TDocumentCommands::Start(const QString& argument) {
    if (argument.isEmpty()) return;
    try {
        std::string text = OpenOrCreateDocument(argument);
        Table_.StartWithFile(FullPathBytes(argument), std::move(text));
    } catch (const TDocumentError&) {
        ShowError("Указанные параметры командной строки неверны!");
    }
}

QString TDocumentCommands::New() {
    const TTableResult result = Table_.New();
    if (!result.Error.empty()) ShowError(FromText1251(result.Error));
    return FromText1251(result.Status);
}

QString TDocumentCommands::Open() {
    const QString path =
        Dialogs_.OpenFile(Parent_, {"Открыть", DialogDir_, "ZK программы (*.zk)", "", true});
    if (path.isEmpty()) return {};
    if (!Table_.CanOpen()) {
        ShowError(FromText1251(TDocumentTable::TooManyFiles()));
        return {};
    }
    std::string text;
    try {
        text = ReadDocument(path);
    } catch (const TDocumentError& error) {
        ShowError(error.Message());
        return {};
    }
    return FromText1251(Table_.Open(FullPathBytes(path), std::move(text)).Status);
}

bool TDocumentCommands::SaveCurrentTo(const QString& target, QString& status) {
    try {
        WriteDocument(target, Editor_.Text());
    } catch (const TDocumentError& error) {
        ShowError(error.Message());
        return false;
    }
    status = FromText1251(Table_.MarkSaved(FullPathBytes(target)).Status);
    return true;
}

QString TDocumentCommands::Save() {
    if (Table_.Current().Saved) return {};
    QString target = PathString(Table_.Current().FilePath);
    if (target.isEmpty()) target = AskSavePath();
    QString status;
    if (!target.isEmpty()) SaveCurrentTo(target, status);
    return status;
}

QString TDocumentCommands::SaveAs() {
    const QString target = AskSavePath();
    if (target.isEmpty()) return {};
    Table_.SaveCurText();
    QString status;
    SaveCurrentTo(target, status);
    return status;
}

QString TDocumentCommands::SaveAll() {
    const int current = Table_.CurTab();
    QString status;
    for (int tab = 0; tab < Table_.OpenCount(); ++tab) {
        Table_.ChangeTab(tab);
        if (QString saved = Save(); !saved.isEmpty()) status = saved;
    }
    Table_.ChangeTab(current);
    return status;
}

QString TDocumentCommands::Close() {
    if (Table_.OpenCount() <= 1) return {};
    if (!Table_.Current().Saved &&
        Dialogs_.Message(Parent_, "Внимание!", kCloseQuestion, TMessageIcon::Question,
                         TMessageButtons::YesNo) == TAnswer::Yes) {
        // The design asks for a name even when the document has one.
        const QString target = AskSavePath();
        if (target.isEmpty()) return {};
        try {
            WriteDocument(target, Editor_.Text());
        } catch (const TDocumentError& error) {
            ShowError(error.Message());
            return {};
        }
    }
    return FromText1251(Table_.CloseCurrent().Status);
}

bool TDocumentCommands::ConfirmExit() {
    for (const int tab : Table_.UnsavedTabs()) {
        Table_.ChangeTab(tab);
        const TAnswer answer =
            Dialogs_.Message(Parent_, "Внимание!", kCloseQuestion, TMessageIcon::Question,
                             TMessageButtons::YesNoCancel);
        if (answer == TAnswer::Cancel) return false;
        if (answer != TAnswer::Yes) continue;
        QString target = PathString(Table_.Current().FilePath);
        if (target.isEmpty()) target = AskSavePath();
        QString status;
        if (target.isEmpty() || !SaveCurrentTo(target, status)) return false;
    }
    return true;
}

bool TDocumentCommands::Search(const QString& text, bool matchCase) {
    const std::optional<TTextPos> found = FindDown(Editor_, ToText1251(text), matchCase);
    if (found) Editor_.SetCaret(found->Col, found->Row);
    return found.has_value();
}

void TDocumentCommands::GotoLine() {
    const std::optional<QString> typed =
        Dialogs_.InputText(Parent_, "Номер", "Введите номер строки", "");
    const std::optional<int32_t> row = ParseLineNumber(ToText1251(typed.value_or(QString())));
    if (!row) {
        ShowError("Неверное число");
        return;
    }
    Editor_.SetCaret(Editor_.Col(), *row);
}

void MirrorTabs(QTabBar& tabs, const TDocumentTable& table) {
    const QSignalBlocker quiet(tabs);
    while (tabs.count() > table.OpenCount())
        tabs.removeTab(tabs.count() - 1);
    while (tabs.count() < table.OpenCount())
        tabs.addTab(QString());
    for (int tab = 0; tab < table.OpenCount(); ++tab) {
        tabs.setTabText(tab, FromText1251(table.TabTitle(tab)));
        tabs.setTabToolTip(tab, PathString(table.Slot(table.TabSlot(tab)).FilePath));
    }
    tabs.setCurrentIndex(table.CurTab());
}

} // namespace zk::ide
