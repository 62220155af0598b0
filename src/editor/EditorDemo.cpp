// varnok-editor-demo [FILE]: the editor alone in a window, with the caret's
// place, the mode and the modified mark in the status bar; Control+S saves,
// and a click in a line's gutter sets or clears a breakpoint there.
#include "editor/SyntaxMemo.h"
#include "frontend/FileIO.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QShortcut>
#include <QStatusBar>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* memo = new zk::editor::TDCSyntaxMemo(&window);
    window.setCentralWidget(memo);
    auto* place = new QLabel(&window);
    window.statusBar()->addWidget(place);
    const auto showState = [memo, place] {
        place->setText(
            QStringLiteral("%1: %2   %3 %4")
                .arg(memo->Row() + 1)
                .arg(memo->Col() + 1)
                .arg(memo->InsertMode() ? QStringLiteral("Вставка") : QStringLiteral("Замена"))
                .arg(memo->Modified() ? QStringLiteral("Изменён") : QString()));
    };
    QObject::connect(memo, &zk::editor::TDCSyntaxMemo::OnColRowChanged, place, showState);
    QObject::connect(memo, &zk::editor::TDCSyntaxMemo::OnSetInsertMode, place, showState);
    QObject::connect(memo, &zk::editor::TDCSyntaxMemo::OnModifiedChanged, place, showState);
    QObject::connect(memo, &zk::editor::TDCSyntaxMemo::OnGutterLineClicked, memo,
                     [memo](int row) { memo->ToggleBreakpoint(row); });

    const QString path = argc > 1 ? QFile::decodeName(argv[1]) : QString();
    try {
        if (!path.isEmpty() && QFile::exists(path)) memo->LoadFromFile(path);
    } catch (const zk::TFileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    auto* save = new QShortcut(QKeySequence::Save, &window);
    QObject::connect(save, &QShortcut::activated, memo, [memo, path] {
        if (path.isEmpty()) return;
        try {
            memo->SaveToFile(path);
            memo->SetModified(false);
        } catch (const zk::TFileError& error) {
            std::fprintf(stderr, "%s\n", error.what());
        }
    });
    showState();
    window.setWindowTitle(path.isEmpty() ? QStringLiteral("varnok-editor-demo") : path);
    window.resize(800, 600);
    window.show();
    memo->TakeFocus();
    return app.exec();
}
