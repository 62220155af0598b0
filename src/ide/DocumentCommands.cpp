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
const QString kZkFilter = "Программы ZK (*.zk);;Все файлы (*)";
const QString k1251Filter = "Программы ZK в Windows-1251 (*.zk)";
const QString kUtf8Filter = "Программы ZK в UTF-8 (*.zk)";

std::string FullPathBytes(const QString& path) {
    return PathBytes(QFileInfo(path).absoluteFilePath());
}

QString ReadFailure(const std::exception& failure) {
    return "Не удалось прочитать файл " + FromText1251(FileFailureText(failure));
}

QString WriteFailure(const std::exception& failure) {
    return "Не удалось сохранить файл " + FromText1251(FileFailureText(failure));
}

} // namespace

TDocumentCommands::TDocumentCommands(TDocumentTable& table, TDocumentEditor& editor,
                                     TDialogService& dialogs, QWidget* parent)
    : Table_(table), Editor_(editor), Dialogs_(dialogs), Parent_(parent) {}

void TDocumentCommands::ShowError(const QString& text) {
    Dialogs_.Message(Parent_, "Ошибка", text, TMessageIcon::Error, TMessageButtons::Ok);
}

TAnswer TDocumentCommands::Ask(const QString& text, TMessageButtons buttons) {
    return Dialogs_.Message(Parent_, "Внимание!", text, TMessageIcon::Question, buttons);
}

QString TDocumentCommands::AskSavePath() {
    return Dialogs_.SaveFile(
        Parent_, {"Сохранить исходный код ZK-программы", DialogDir_, kZkFilter, "zk", false});
}

void TDocumentCommands::Start(const QString& argument) {
    if (argument.isEmpty()) return;
    const std::string path = FullPathBytes(argument);
    try {
        TDocumentFile file = OpenOrCreateDocument(path);
        Table_.StartWithFile(path, std::move(file.Text), file.Stamp, std::move(file.Format));
    } catch (const TFileError& failure) {
        ShowError("Указанные параметры командной строки неверны!\n\n" + ReadFailure(failure));
    }
}

QString TDocumentCommands::New() {
    const TTableResult result = Table_.New();
    if (!result.Error.empty()) ShowError(FromText1251(result.Error));
    return FromText1251(result.Status);
}

QString TDocumentCommands::Open() {
    const QString chosen = Dialogs_.OpenFile(Parent_, {"Открыть", DialogDir_, kZkFilter, "", true});
    if (chosen.isEmpty()) return {};
    return OpenPath(FullPathBytes(chosen));
}

QString TDocumentCommands::OpenPath(const std::string& path) {
    if (const int tab = Table_.TabOfFile(path); tab >= 0) {
        Table_.ChangeTab(tab);
        return "Файл уже открыт: " + FromText1251(Table_.TabTitle(tab));
    }
    if (!Table_.CanOpen()) {
        ShowError(FromText1251(TDocumentTable::TooManyFiles()));
        return {};
    }
    TDocumentFile file;
    try {
        file = ReadDocument(path);
    } catch (const TFileError& failure) {
        ShowError(ReadFailure(failure));
        return {};
    }
    return FromText1251(
        Table_.Open(path, std::move(file.Text), file.Stamp, std::move(file.Format)).Status);
}

bool TDocumentCommands::MayOverwrite(const TOpenFile& document) {
    const std::optional<TFileStamp> now = RegularFileStamp(document.FilePath);
    if (!now || now == document.Stamp) return true;
    return Ask("Файл " + PathString(document.FilePath) +
                   " изменён другой программой после того, как был прочитан.\n"
                   "Заменить его текстом из редактора?",
               TMessageButtons::YesNo) == TAnswer::Yes;
}

bool TDocumentCommands::SaveCurrentTo(const QString& target, QString& status,
                                      const TDocumentFormat* format) {
    const std::string path = FullPathBytes(target);
    const TDocumentFormat& written = format ? *format : Table_.Current().Format;
    TFileStamp stamp;
    try {
        stamp = WriteDocument(path, Editor_.Text(), written);
    } catch (const TFileError& failure) {
        ShowError(WriteFailure(failure));
        return false;
    }
    status = FromText1251(Table_.MarkSaved(path, stamp, written).Status);
    return true;
}

bool TDocumentCommands::SaveCurrent(QString& status) {
    const TOpenFile& document = Table_.Current();
    if (document.FilePath.empty()) {
        const QString target = AskSavePath();
        return !target.isEmpty() && SaveCurrentTo(target, status);
    }
    return MayOverwrite(document) && SaveCurrentTo(PathString(document.FilePath), status);
}

QString TDocumentCommands::Save() {
    const TOpenFile& document = Table_.Current();
    // A document whose file has gone is written again, changed or not.
    const bool fileGone = !document.FilePath.empty() && !RegularFileStamp(document.FilePath);
    if (document.Saved && !fileGone) return {};
    QString status;
    SaveCurrent(status);
    return status;
}

QString TDocumentCommands::SaveAs() {
    TDocumentFormat format = Table_.Current().Format;
    QString filter = format.Encoding == TTextEncoding::Utf8 ? kUtf8Filter : k1251Filter;
    const QString target = Dialogs_.SaveFile(
        Parent_, {"Сохранить исходный код ZK-программы", DialogDir_,
                  k1251Filter + ";;" + kUtf8Filter + ";;Все файлы (*)", "zk", false, &filter});
    if (target.isEmpty()) return {};
    const TTextEncoding chosen = filter == kUtf8Filter   ? TTextEncoding::Utf8
                                 : filter == k1251Filter ? TTextEncoding::Cp1251
                                                         : format.Encoding;
    if (chosen != format.Encoding) {
        if (chosen == TTextEncoding::Cp1251 && !format.Unmappable.empty() &&
            Ask("В документе есть символы, которых нет в кодировке Windows-1251; они будут "
                "записаны как «?». Сохранить?",
                TMessageButtons::YesNo) != TAnswer::Yes)
            return {};
        format.Encoding = chosen;
        format.Bom = false;
    }
    Table_.SaveCurText();
    QString status;
    SaveCurrentTo(target, status, &format);
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
    if (!Table_.Current().Saved || Table_.WouldBeLost(Table_.CurTab())) {
        const TAnswer answer = Ask(kCloseQuestion, TMessageButtons::YesNoCancel);
        if (answer == TAnswer::Cancel) return {};
        if (answer == TAnswer::Yes) {
            // The design asks for a name even when the document has one.
            const QString target = AskSavePath();
            QString status;
            if (target.isEmpty() || !SaveCurrentTo(target, status)) return {};
        }
    }
    return FromText1251(Table_.CloseCurrent().Status);
}

bool TDocumentCommands::ConfirmExit() {
    for (const int tab : Table_.UnsavedTabs()) {
        Table_.ChangeTab(tab);
        const TAnswer answer = Ask(kCloseQuestion, TMessageButtons::YesNoCancel);
        if (answer == TAnswer::Cancel) return false;
        QString status;
        if (answer == TAnswer::Yes && !SaveCurrent(status)) return false;
    }
    return true;
}

void TDocumentCommands::ReportDiskChange(const TDiskChange& change) {
    const QString path = PathString(Table_.Current().FilePath);
    if (change.Kind == TDiskChange::Vanished) {
        Dialogs_.Message(Parent_, "Внимание!",
                         "Файл " + path +
                             " удалён или переименован другой программой.\n"
                             "Текст остаётся в редакторе: сохраните его, чтобы не потерять.",
                         TMessageIcon::Warning, TMessageButtons::Ok);
        Table_.KeepText(change);
        return;
    }
    const QString question =
        Table_.WouldBeLost(Table_.CurTab())
            ? "Файл " + path +
                  " изменён другой программой, а в редакторе есть несохранённые изменения.\n"
                  "Перечитать файл с диска? Изменения в редакторе будут потеряны."
            : "Файл " + path + " изменён другой программой.\nПеречитать его с диска?";
    if (Ask(question, TMessageButtons::YesNo) != TAnswer::Yes) {
        Table_.KeepText(change);
        return;
    }
    try {
        TDocumentFile file = ReadDocument(Table_.Current().FilePath);
        Table_.Reload(std::move(file.Text), file.Stamp, std::move(file.Format));
    } catch (const TFileError& failure) {
        ShowError(ReadFailure(failure));
        Table_.KeepText({TDiskChange::Vanished, change.Slot, std::nullopt});
    }
}

bool TDocumentCommands::CheckFilesOnDisk() {
    const std::vector<TDiskChange> changes = Table_.DiskChanges();
    if (changes.empty()) return false;
    const int current = Table_.CurTab();
    for (const TDiskChange& change : changes) {
        for (int tab = 0; tab < Table_.OpenCount(); ++tab)
            if (Table_.TabSlot(tab) == change.Slot) Table_.ChangeTab(tab);
        ReportDiskChange(change);
    }
    Table_.ChangeTab(current);
    return true;
}

QString TDocumentCommands::ReopenInOtherEncoding() {
    const TOpenFile& document = Table_.Current();
    if (document.FilePath.empty()) return {};
    const TTextEncoding other = document.Format.Encoding == TTextEncoding::Utf8
                                    ? TTextEncoding::Cp1251
                                    : TTextEncoding::Utf8;
    const QString name = other == TTextEncoding::Utf8 ? "UTF-8" : "Windows-1251";
    if (Table_.WouldBeLost(Table_.CurTab()) &&
        Ask("Изменения в документе будут потеряны. Перечитать файл в кодировке " + name + "?",
            TMessageButtons::YesNo) != TAnswer::Yes)
        return {};
    try {
        TDocumentFile file = ReadDocument(document.FilePath, other);
        Table_.Reload(std::move(file.Text), file.Stamp, std::move(file.Format));
    } catch (const TFileError& failure) {
        ShowError(ReadFailure(failure));
        return {};
    }
    return "Файл перечитан в кодировке " + name;
}

void TDocumentCommands::GotoLine() {
    const std::optional<QString> typed =
        Dialogs_.InputText(Parent_, "Номер", "Введите номер строки", "");
    const std::optional<int32_t> line = ParseLineNumber(ToText1251(typed.value_or(QString())));
    if (!line) {
        ShowError("Неверное число");
        return;
    }
    // Lines count from 1 here, as the status bar and the error places count them.
    Editor_.SetCaret(0, std::max(*line - 1, 0));
}

void MirrorTabs(QTabBar& tabs, const TDocumentTable& table) {
    const QSignalBlocker quiet(tabs);
    while (tabs.count() > table.OpenCount())
        tabs.removeTab(tabs.count() - 1);
    while (tabs.count() < table.OpenCount())
        tabs.addTab(QString());
    for (int tab = 0; tab < table.OpenCount(); ++tab) {
        tabs.setTabText(tab, FromText1251(table.TabCaption(tab)));
        tabs.setTabToolTip(tab, PathString(table.Slot(table.TabSlot(tab)).FilePath));
    }
    tabs.setCurrentIndex(table.CurTab());
}

} // namespace zk::ide
