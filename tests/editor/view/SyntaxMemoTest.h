// An editor shown in a window of its own with the focus, and helpers that
// send it the events a user's keyboard and mouse would.
#pragma once

#include "editor/SyntaxMemo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace zk::editor::test {

class SyntaxMemoTest : public ::testing::Test {
protected:
    SyntaxMemoTest() {
        Window.resize(640, 400);
        Memo = new TDCSyntaxMemo(&Window);
        Memo->setGeometry(0, 0, 640, 400);
        Window.show();
        QApplication::setActiveWindow(&Window);
        Memo->setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
        EXPECT_TRUE(QTest::qWaitFor([this] { return Memo->hasFocus(); }));
    }

    // A key with the text it types, as a keyboard layout delivers it.
    void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(Memo, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(Memo, &release);
    }

    // The viewport point at the middle of a visible cell.
    QPoint CellPoint(int col, int row) const {
        const TMemoMetrics& m = Memo->Metrics();
        return QPointF(m.ColumnX(col) + m.CharWidth / 2, m.RowY(row) + m.LineHeight / 2).toPoint();
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* viewport = Memo->viewport();
        QMouseEvent event(type, at, viewport->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          modifiers);
        QApplication::sendEvent(viewport, &event);
    }

    QWidget Window;
    TDCSyntaxMemo* Memo = nullptr;
};

} // namespace zk::editor::test
