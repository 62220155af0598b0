// The file and search commands of the main window, without the window: each
// asks its questions through the dialog service, reads and writes the files,
// and keeps the document table. The window calls a command, then shows the
// table's tabs (MirrorTabs) and the returned status text.
#pragma once

#include "ide/DialogService.h"
#include "ide/DocumentTable.h"

#include <QString>

class QTabBar;
class QWidget;

namespace zk::ide {

class TDocumentCommands {
public:
    // `parent` is the window the dialogs belong to; it may be null.
    TDocumentCommands(TDocumentTable& table, TDocumentEditor& editor, TDialogService& dialogs,
                      QWidget* parent);

    // The initial directory of the document dialogs (DefaultDir of the options).
    void SetDialogDirectory(const QString& dir) { DialogDir_ = dir; }

    // Start-up: the file named on the command line, read when it exists and
    // created empty otherwise; nothing (an empty text) keeps the untitled one.
    void Start(const QString& argument);

    // Each returns the text for status panel 0, empty when it stays as it was.
    QString New();
    // A file that is already open is not opened twice: its tab becomes current.
    QString Open();
    // Open without the dialog: the file at `path` (the system's bytes).
    QString OpenPath(const std::string& path);
    // Writes a changed document, and one whose file has gone; asks first when
    // another program changed the file since it was read.
    QString Save();
    QString SaveAs();
    // Saves every changed document, tab by tab, and ends on the tab that was
    // current. An untitled one asks for a name; a cancelled or failed one is
    // left unsaved and the walk goes on.
    QString SaveAll();
    // Asks about a changed document: Yes saves it, No lets it go, Cancel (and
    // Esc) keeps it open.
    QString Close();
    // The user picked tab `tab`.
    void ChangeTab(int tab) { Table_.ChangeTab(tab); }

    // Before leaving: asks about each document that would be lost, in tab
    // order, showing it first ("Закрываемый файл не сохранён. Сохранить?").
    // Yes saves it, No lets it go; false (stay) on Cancel, on a cancelled save
    // dialog and on a failed save.
    bool ConfirmExit();

    // The window became active: for each document whose file another program
    // changed, shows it and offers to read the file again or keep the text;
    // a file that went away is told, and its document counts as unsaved.
    // True when a document changed.
    bool CheckFilesOnDisk();

    // Reads the current document's file again in the other encoding (UTF-8
    // or Windows-1251), asking first when that would lose changes.
    QString ReopenInOtherEncoding();

    // "Перейти к строке...": asks for the row and moves the caret there.
    void GotoLine();

private:
    // Save's steps after the check of Saved, under the document's own name or
    // a chosen one: false when nothing was written.
    bool SaveCurrent(QString& status);
    // In the document's format, or in `format` (Save As with another encoding).
    bool SaveCurrentTo(const QString& target, QString& status,
                       const TDocumentFormat* format = nullptr);
    // Another program changed the file since it was read: may it be replaced?
    bool MayOverwrite(const TOpenFile& document);
    QString AskSavePath();
    void ShowError(const QString& text);
    TAnswer Ask(const QString& text, TMessageButtons buttons);
    void ReportDiskChange(const TDiskChange& change);

    TDocumentTable& Table_;
    TDocumentEditor& Editor_;
    TDialogService& Dialogs_;
    QWidget* Parent_;
    QString DialogDir_;
};

// Makes the tab strip show the table's tabs and current tab, without firing
// its change signal.
void MirrorTabs(QTabBar& tabs, const TDocumentTable& table);

} // namespace zk::ide
