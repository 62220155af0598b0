// Qt's own buttons speak Russian, as the program loads the translation.
#include "ide/QtTranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace zk::ide {
namespace {

TEST(QtTranslationTest, StandardButtonsReadInRussian) {
    ASSERT_TRUE(InstallQtTranslation(*qApp)); // the test main installed it already
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Да");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Нет");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Отмена");
}

} // namespace
} // namespace zk::ide
