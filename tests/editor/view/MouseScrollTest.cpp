// Clicks, drags, the gutter, the wheel and the scroll bars, through the
// events a pointer sends to the viewport.
#include "SyntaxMemoTest.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <string>

namespace zk::editor::test {

namespace {

using MouseScrollTest = SyntaxMemoTest;

std::string Numbered(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "(LINE " + std::to_string(i) + ")\r\n";
    return text;
}

TEST_F(MouseScrollTest, ClickPlacesTheCaretAndDragSelects) {
    Memo->SetText(Numbered(5));
    Mouse(QEvent::MouseButtonPress, CellPoint(3, 1), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(3, 1), Qt::NoButton);
    EXPECT_EQ(Memo->Col(), 3);
    EXPECT_EQ(Memo->Row(), 1);
    EXPECT_FALSE(Memo->HasSelection());

    Mouse(QEvent::MouseButtonPress, CellPoint(1, 0), Qt::LeftButton);
    Mouse(QEvent::MouseMove, CellPoint(4, 1), Qt::LeftButton);
    Mouse(QEvent::MouseMove, CellPoint(5, 2), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(5, 2), Qt::NoButton);
    const TDCTextArea& selection = Memo->Model().Selection();
    EXPECT_EQ(selection.Start, (TTextPoint{1, 0}));
    EXPECT_EQ(selection.End, (TTextPoint{5, 2}));
    EXPECT_EQ(Memo->Row(), 2);

    // Shift+click extends the selection from its anchor.
    Mouse(QEvent::MouseButtonPress, CellPoint(2, 3), Qt::LeftButton, Qt::ShiftModifier);
    Mouse(QEvent::MouseButtonRelease, CellPoint(2, 3), Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(Memo->Model().Selection().Start, (TTextPoint{1, 0}));
    EXPECT_EQ(Memo->Model().Selection().End, (TTextPoint{2, 3}));

    Mouse(QEvent::MouseButtonDblClick, CellPoint(2, 4), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(2, 4), Qt::NoButton);
    EXPECT_EQ(Memo->Model().SelectedText(), "LINE");
}

TEST_F(MouseScrollTest, DraggingBelowTheWindowScrollsOnATimer) {
    Memo->SetText(Numbered(200));
    const int below = Memo->viewport()->height() + 5;
    Mouse(QEvent::MouseButtonPress, CellPoint(0, 0), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(100, below), Qt::LeftButton);
    const int32_t top = Memo->Model().TopRow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Memo->Model().TopRow() >= top + 3; }));
    Mouse(QEvent::MouseButtonRelease, QPoint(100, below), Qt::NoButton);
    const int32_t stopped = Memo->Model().TopRow();
    EXPECT_FALSE(QTest::qWaitFor([&] { return Memo->Model().TopRow() != stopped; }, 200))
        << "scrolling goes on after the release";
    EXPECT_EQ(Memo->Model().Selection().Start, (TTextPoint{0, 0}));
    EXPECT_EQ(Memo->Row(), Memo->Model().Selection().End.Row);
}

TEST_F(MouseScrollTest, GutterClickSelectsLinesAndReportsThePoints) {
    Memo->SetText(Numbered(6));
    QSignalSpy clicks(Memo, &TDCSyntaxMemo::OnGutterClick);
    Mouse(QEvent::MouseButtonPress, QPoint(10, CellPoint(0, 2).y()), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(12, CellPoint(0, 3).y()), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(12, CellPoint(0, 3).y()), Qt::NoButton);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toPoint().y(), 2);
    EXPECT_EQ(clicks.at(0).at(1).toPoint().y(), 3);
    EXPECT_EQ(Memo->Model().SelectedText(), "(LINE 2)\r\n(LINE 3)\r\n");
}

TEST_F(MouseScrollTest, WheelScrollsRowsZoomsOrMovesTheCaret) {
    Memo->SetText(Numbered(300));
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(100, 50), Memo->viewport()->mapToGlobal(QPointF(100, 50)),
                          QPoint(), QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(Memo->viewport(), &event);
    };
    wheel(-120, Qt::NoModifier);
    EXPECT_EQ(Memo->Model().TopRow(), QApplication::wheelScrollLines());
    EXPECT_EQ(Memo->verticalScrollBar()->value(), Memo->Model().TopRow());
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(Memo->Model().TopRow(), QApplication::wheelScrollLines());
    EXPECT_EQ(Memo->FontPointSize(), kDefaultFontPoints + 1);
    Memo->SetCaret(0, 0);
    wheel(-120, Qt::ShiftModifier);
    EXPECT_EQ(Memo->Row(), QApplication::wheelScrollLines());
}

TEST_F(MouseScrollTest, ScrollBarsFollowTheRulesAfterAResize) {
    Memo->SetText(Numbered(100));
    Memo->resize(400, 10 * Memo->Metrics().LineHeight + 80);
    QScrollBar* vertical = Memo->verticalScrollBar();
    QScrollBar* horizontal = Memo->horizontalScrollBar();
    const int rows = Memo->VisibleRows();
    EXPECT_EQ(rows, Memo->viewport()->height() / Memo->Metrics().LineHeight);
    EXPECT_EQ(Memo->VisibleCols(),
              static_cast<int>((Memo->viewport()->width() - Memo->Metrics().GutterWidth) /
                               Memo->Metrics().CharWidth));
    // Range: lines + visible rows - 2; the thumb's last place shows the
    // last line at the top.
    EXPECT_EQ(Memo->Model().VScroll().Range(), 100 + rows - 2);
    EXPECT_EQ(vertical->pageStep(), rows);
    EXPECT_EQ(vertical->maximum(), 99);
    EXPECT_EQ(horizontal->pageStep(), Memo->VisibleCols());
    EXPECT_EQ(horizontal->maximum(), 924 - Memo->VisibleCols() + 1);

    vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Memo->Model().TopRow(), rows);
    vertical->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Memo->Model().TopRow(), 100 + rows - 2);
    EXPECT_EQ(vertical->value(), 99);

    Memo->SetText("(ONE)");
    EXPECT_EQ(Memo->Model().VScroll().Range(), rows);
    EXPECT_EQ(vertical->value(), 0);
}

// A short text at the top: the thumb stands at 0 and covers all but the
// three rows the range adds beyond the last line, after a resize too.
TEST_F(MouseScrollTest, AShortTextKeepsTheThumbAtTheTop) {
    Memo->SetText(Numbered(5));
    QScrollBar* vertical = Memo->verticalScrollBar();
    const auto expectTopAndLarge = [&] {
        const int rows = Memo->VisibleRows();
        EXPECT_EQ(Memo->Model().VScroll().Range(), 5 + rows - 2);
        EXPECT_EQ(vertical->pageStep(), rows);
        EXPECT_EQ(vertical->maximum(), 4);
        EXPECT_EQ(vertical->value(), 0);
        EXPECT_EQ(vertical->sliderPosition(), 0);
    };
    expectTopAndLarge();
    QApplication::processEvents();
    expectTopAndLarge();
    Window.resize(640, 300);
    Memo->resize(640, 300);
    QApplication::processEvents();
    expectTopAndLarge();
}

} // namespace

} // namespace zk::editor::test
