// The dialog service on QMessageBox, QFileDialog and QInputDialog.
#include "ide/DialogService.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace zk::ide {

namespace {

QMessageBox::Icon BoxIcon(TMessageIcon icon) {
    switch (icon) {
    case TMessageIcon::Information: return QMessageBox::Information;
    case TMessageIcon::Warning: return QMessageBox::Warning;
    case TMessageIcon::Error: return QMessageBox::Critical;
    case TMessageIcon::Question: return QMessageBox::Question;
    case TMessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(TMessageButtons buttons) {
    switch (buttons) {
    case TMessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case TMessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

TAnswer AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    case QMessageBox::Cancel: return TAnswer::Cancel;
    default: return TAnswer::Ok;
    }
}

// A dialog of Qt's own widgets, so that it follows the filter and suffix rules
// the same way on every desktop.
QString RunFileDialog(QWidget* parent, const TFileRequest& request, bool saving) {
    QFileDialog dialog(parent, request.Title, request.Directory, request.Filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving || !request.MustExist ? QFileDialog::AnyFile
                                                    : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (request.ChosenFilter) dialog.selectNameFilter(*request.ChosenFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (request.ChosenFilter) *request.ChosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

} // namespace

TAnswer TQtDialogService::Message(QWidget* parent, const QString& caption, const QString& text,
                                  TMessageIcon icon, TMessageButtons buttons) {
    QMessageBox box(BoxIcon(icon), caption, text, BoxButtons(buttons), parent);
    // Esc and the close box: No where it is the only way out, else Cancel.
    if (buttons == TMessageButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    if (buttons == TMessageButtons::YesNoCancel) box.setEscapeButton(QMessageBox::Cancel);
    const int button = box.exec();
    // A box ended by the program's end, not by a button, answers as Esc would.
    if (!box.clickedButton() && box.escapeButton())
        return AnswerOf(box.standardButton(box.escapeButton()));
    return AnswerOf(button);
}

QString TQtDialogService::OpenFile(QWidget* parent, const TFileRequest& request) {
    return RunFileDialog(parent, request, false);
}

QString TQtDialogService::SaveFile(QWidget* parent, const TFileRequest& request) {
    return RunFileDialog(parent, request, true);
}

TChoice TQtDialogService::Choose(QWidget* parent, const TChoiceRequest& request) {
    QMessageBox box(QMessageBox::Question, request.Caption, request.Text, QMessageBox::NoButton,
                    parent);
    QList<QAbstractButton*> buttons;
    for (const QString& text : request.Buttons)
        buttons.push_back(box.addButton(text, QMessageBox::AcceptRole));
    if (buttons.isEmpty()) return {};
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setEscapeButton(buttons.value(request.EscapeButton, buttons.last()));
    if (!request.CheckBox.isEmpty()) box.setCheckBox(new QCheckBox(request.CheckBox));
    box.exec();
    const qsizetype pressed = buttons.indexOf(box.clickedButton());
    // A box ended by the program's end, not by a button, answers as Esc would.
    const int button = pressed < 0 ? request.EscapeButton : static_cast<int>(pressed);
    return {button, box.checkBox() && box.checkBox()->isChecked()};
}

std::optional<QString> TQtDialogService::InputText(QWidget* parent, const QString& caption,
                                                   const QString& prompt, const QString& value) {
    bool ok = false;
    QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok) return std::nullopt;
    return text;
}

} // namespace zk::ide
