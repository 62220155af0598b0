// The main of window tests: an application on the offscreen platform, so that
// the tests need no display, with Qt's translation as the program loads it.
#include "ide/QtTranslation.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zk::ide::InstallQtTranslation(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
