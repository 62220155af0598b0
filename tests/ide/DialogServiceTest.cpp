// The real dialog service shows Russian standard buttons and answers as pressed.
#include "ide/DialogService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>
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

TEST(QtDialogServiceTest, AChoiceAnswersWithItsButtonAndItsCheckBox) {
    TQtDialogService dialogs;
    const TChoiceRequest request{
        "Файл настроек", "Создать?", {"Первый", "Второй", "Нет"}, 2, "Больше не спрашивать"};
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_NE(box->checkBox(), nullptr);
        box->checkBox()->setChecked(true);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "Второй") button->click();
    });
    const TChoice pressed = dialogs.Choose(nullptr, request);
    EXPECT_EQ(pressed.Button, 1);
    EXPECT_TRUE(pressed.Checked);

    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_EQ(dialogs.Choose(nullptr, request).Button, 2);
}

} // namespace
} // namespace zk::ide
