// The dialog service on QMessageBox, QFileDialog and QInputDialog.
#include "ide/DialogService.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

} // namespace

TAnswer TQtDialogService::Message(QWidget* parent, const QString& caption, const QString& text,
                                  TMessageIcon icon, TMessageButtons buttons) {
    QMessageBox box(BoxIcon(icon), caption, text, BoxButtons(buttons), parent);
    if (buttons == TMessageButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    return AnswerOf(box.exec());
}

QString TQtDialogService::OpenFile(QWidget* parent, const TFileRequest& request) {
    return RunFileDialog(parent, request, false);
}

QString TQtDialogService::SaveFile(QWidget* parent, const TFileRequest& request) {
    return RunFileDialog(parent, request, true);
}

std::optional<QString> TQtDialogService::InputText(QWidget* parent, const QString& caption,
                                                   const QString& prompt, const QString& value) {
    bool ok = false;
    QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok) return std::nullopt;
    return text;
}

} // namespace zk::ide
