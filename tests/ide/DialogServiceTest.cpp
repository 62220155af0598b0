// The real dialog service shows Russian standard buttons and answers as pressed.
#include "ide/DialogService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace zk::ide {
namespace {

// Presses the button of the message box that is open next.
void PressWhenShown(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(button)->click();
    });
}

TEST(QtDialogServiceTest, MessageBoxAnswersWithThePressedButton) {
    TQtDialogService dialogs;
    PressWhenShown(QMessageBox::No);
    EXPECT_EQ(dialogs.Message(nullptr, "Внимание!", "Сохранить?", TMessageIcon::Question,
                              TMessageButtons::YesNoCancel),
              TAnswer::No);
    PressWhenShown(QMessageBox::Ok);
    EXPECT_EQ(dialogs.Message(nullptr, "Ошибка", "Неверное число", TMessageIcon::Error,
                              TMessageButtons::Ok),
              TAnswer::Ok);
}

} // namespace
} // namespace zk::ide
