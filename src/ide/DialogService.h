// Message boxes, file dialogs and the input box of the environment. Every window
// asks its questions through this interface, so that a test can answer them in
// place of a person; TQtDialogService is the one that shows real dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace zk::ide {

enum class TMessageIcon { None, Information, Warning, Error, Question };
enum class TMessageButtons { Ok, YesNo, YesNoCancel };
enum class TAnswer { Ok, Yes, No, Cancel };

// A file dialog. Filter is in Qt's form, filters apart by ";;":
// "Программы ZK (*.zk);;Все файлы (*)"; DefaultSuffix is appended to a typed
// name without one; MustExist refuses a missing file.
struct TFileRequest {
    QString Title;
    QString Directory;
    QString Filter;
    QString DefaultSuffix;
    bool MustExist = false;
    // When given: the filter selected first, and on OK the one the user chose
    // (Save As picks the encoding so).
    QString* ChosenFilter = nullptr;
};

// A question answered by one of several buttons, the first the default one,
// with a check box under it when CheckBox is not empty.
struct TChoiceRequest {
    QString Caption;
    QString Text;
    QStringList Buttons;
    int EscapeButton = 0; // what Esc and the close box answer
    QString CheckBox;
};

struct TChoice {
    int Button = 0; // index into the request's Buttons
    bool Checked = false;
};

class TDialogService {
public:
    virtual ~TDialogService() = default;

    // The button the user pressed; closing the box counts as its last button.
    virtual TAnswer Message(QWidget* parent, const QString& caption, const QString& text,
                            TMessageIcon icon, TMessageButtons buttons) = 0;
    // The chosen path, or an empty string when the dialog was cancelled.
    virtual QString OpenFile(QWidget* parent, const TFileRequest& request) = 0;
    virtual QString SaveFile(QWidget* parent, const TFileRequest& request) = 0;
    // The text in the box when OK was pressed, nothing when cancelled.
    virtual std::optional<QString> InputText(QWidget* parent, const QString& caption,
                                             const QString& prompt, const QString& value) = 0;
    // The button pressed and the check box. A service that shows no such
    // boxes answers as Esc would, the box unchecked.
    virtual TChoice Choose(QWidget* parent, const TChoiceRequest& request) {
        (void)parent;
        return {request.EscapeButton, false};
    }

    // A box with only OK, the commonest question of all.
    void Inform(QWidget* parent, const QString& caption, const QString& text,
                TMessageIcon icon = TMessageIcon::None) {
        Message(parent, caption, text, icon, TMessageButtons::Ok);
    }
};

class TQtDialogService final : public TDialogService {
public:
    TAnswer Message(QWidget* parent, const QString& caption, const QString& text, TMessageIcon icon,
                    TMessageButtons buttons) override;
    QString OpenFile(QWidget* parent, const TFileRequest& request) override;
    QString SaveFile(QWidget* parent, const TFileRequest& request) override;
    std::optional<QString> InputText(QWidget* parent, const QString& caption, const QString& prompt,
                                     const QString& value) override;
    TChoice Choose(QWidget* parent, const TChoiceRequest& request) override;
};

} // namespace zk::ide
