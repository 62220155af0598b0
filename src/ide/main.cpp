// varnok: the desktop environment of the ZK language system.
#include "ide/DialogService.h"
#include "ide/MainWindow.h"
#include "ide/MenuKeyStyle.h"
#include "ide/QtTranslation.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("varnok %s\n", VARNOK_VERSION);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: varnok [FILE]   open the environment, with FILE in its first tab\n"
                    "       varnok --help | --version\n");
        return 0;
    }
    QApplication app(argc, argv);
    // The user's configuration goes to ~/.config/Varnok/varnok.conf.
    QApplication::setOrganizationName("Varnok");
    QApplication::setApplicationName("varnok");
    QApplication::setStyle(new zk::ide::TMenuKeyStyle(QApplication::style()->name()));
    zk::ide::InstallQtTranslation(app);
    zk::ide::TQtDialogService dialogs;
    zk::ide::TMainFrm window(dialogs);
    // The argument keeps the system's bytes of its path.
    window.OpenStartFile(argc > 1 ? QFile::decodeName(argv[1]) : QString());
    window.RestoreWindowPlace();
    window.show();
    // Work a killed run left is offered first; from here on an end signal
    // keeps copies of what is unsaved.
    window.StartSession();
    window.LoadStartupSettings();
    // A signal during the questions of the start has ended them already.
    return window.Ending() ? 0 : app.exec();
}
