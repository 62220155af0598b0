// Typing into a widget from a test. QTest's key clicks refuse characters
// outside Latin-1, so each character goes as a key event carrying its text.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace zk::ide::test {

inline void TypeText(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
}

} // namespace zk::ide::test
