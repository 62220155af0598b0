// The modeless find dialog of the main window: a search text and the match
// case box. It searches down only, so it has no direction box, and no whole
// word box either.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zk::ide {

class TFindDlg final : public QDialog {
public:
    explicit TFindDlg(QWidget* parent = nullptr);

    QString SearchText() const;
    bool MatchCase() const;

    // The Find button (and Enter in the text).
    std::function<void()> Find;

    QLineEdit* EdtText;
    QCheckBox* ChkMatchCase;
    QPushButton* CmdFind;
    QPushButton* CmdCancel;
};

} // namespace zk::ide
