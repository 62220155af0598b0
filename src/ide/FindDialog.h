// The modeless dialog of "Найти..." and "Заменить...": the search text, the
// replacement (in the replace mode only), match case and whole words, and
// the buttons. Each button is one call of the search on the editor of the
// current document; its outcome shows in the dialog and goes to the window.
#pragma once

#include "ide/TextSearch.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zk::ide {

// What the status bar says after a search; empty after a plain match.
QString SearchStatus(TSearchOutcome outcome, TSearchDirection direction);

class TFindDlg final : public QDialog {
public:
    explicit TFindDlg(QWidget* parent = nullptr);

    // The editor of the current document; the dialog searches nothing
    // while it gives none.
    std::function<TSearchEditor*()> Editor;
    // Each outcome's text (SearchStatus, "Заменено: N"), for the status bar.
    std::function<void(const QString&)> Status;
    // When set, the Find button calls it in place of FindNext.
    std::function<void()> Find;

    // "Найти..." and "Заменить...": the dialog in its mode, in front, with a
    // one-line selection of the editor as the search text.
    void ShowFind();
    void ShowReplace();

    // "Найти далее", F3 and Shift+F3. An empty search text does nothing.
    void FindNext(TSearchDirection direction);
    void ReplaceNext();
    void ReplaceAll();

    QString SearchText() const;
    bool MatchCase() const;
    TSearchQuery Query() const;

    QLineEdit* EdtText;
    QLineEdit* EdtReplace;
    QCheckBox* ChkMatchCase;
    QCheckBox* ChkWholeWords;
    QPushButton* CmdFind;
    QPushButton* CmdReplace;
    QPushButton* CmdReplaceAll;
    QPushButton* CmdClose;
    QLabel* LblStatus;

private:
    void SetReplacing(bool replacing);
    void ShowInFront();
    // The editor to search, or null when there is none or no search text.
    TSearchEditor* Target() const;
    void Tell(const QString& status);

    QLabel* LblReplace_;
};

} // namespace zk::ide
