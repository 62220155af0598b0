// What a stepper asks of the widget: a click on a line's gutter tells its
// row, the gutter's tooltip, the debugger's glyphs painted at no, one and
// many lines, the shaded form under the text, a scroll only for a range out
// of view, and read-only mode through the keys, the input method and the
// mouse.
#include "SyntaxMemoTest.h"

#include <QClipboard>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>

#include <string>

namespace zk::editor::test {

namespace {

const QColor kBreakFill(0xE0, 0x30, 0x30);
const QColor kInvalidBreak(0x90, 0x90, 0x90);
const QColor kRunFill(0xB4, 0xE0, 0x3C);
const QColor kShadeCurrent(0xFF, 0xF0, 0xA8);
const QColor kShadeFailed(0xFF, 0xC8, 0xC8);

std::string Forms(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "(F" + std::to_string(i) + " (X) (CALL G X))\r\n";
    return text;
}

bool HasColor(const QImage& image, QRect area, QColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

class GutterMarks : public SyntaxMemoTest {
protected:
    QImage Shot() const { return Memo->viewport()->grab().toImage(); }
    QRect Marks(int visibleRow) const {
        return QRect(0, Memo->Metrics().RowY(visibleRow), kMarkArea, Memo->Metrics().LineHeight);
    }
    QRect Text(int visibleRow) const {
        const TMemoMetrics& m = Memo->Metrics();
        return QRect(m.GutterWidth, m.RowY(visibleRow), Memo->viewport()->width() - m.GutterWidth,
                     m.LineHeight);
    }
    void Click(QPoint at) {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    int GutterY(int visibleRow) const { return CellPoint(0, visibleRow).y(); }
};

TEST_F(GutterMarks, AClickAnywhereInALinesGutterTellsItsRow) {
    Memo->SetText(Forms(200));
    Memo->Model().Scroll(TScrollKind::Vertical, TScrollRequest::ThumbPosition, 50);
    QSignalSpy lines(Memo, &TDCSyntaxMemo::OnGutterLineClicked);
    Click(QPoint(1, GutterY(3)));
    Click(QPoint(Memo->Metrics().GutterWidth - 1, GutterY(4)));
    ASSERT_EQ(lines.count(), 2);
    EXPECT_EQ(lines.at(0).at(0).toInt(), 53);
    EXPECT_EQ(lines.at(1).at(0).toInt(), 54);
    EXPECT_FALSE(Memo->HasSelection());
    EXPECT_EQ(Memo->Model().TopRow(), 50) << "the view stays";

    Mouse(QEvent::MouseButtonPress, QPoint(5, GutterY(1)), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(5, GutterY(2)), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(5, GutterY(2)), Qt::NoButton);
    EXPECT_EQ(lines.count(), 2) << "a drag selects lines instead";
    EXPECT_TRUE(Memo->HasSelection());

    Memo->SetText(Forms(2));
    Click(QPoint(5, GutterY(4)));
    EXPECT_EQ(lines.count(), 2) << "below the text there is no line";
}

TEST_F(GutterMarks, TheTooltipIsTheWindowsToAnswerForARow) {
    Memo->SetText(Forms(3));
    QSignalSpy asked(Memo, &TDCSyntaxMemo::OnGutterToolTip);
    const auto hover = [&](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, Memo->viewport()->mapToGlobal(at));
        QApplication::sendEvent(Memo->viewport(), &help);
    };
    hover(QPoint(5, GutterY(0)));
    const auto shows = [](const QString& text) {
        return QTest::qWaitFor([&] { return QToolTip::isVisible() && QToolTip::text() == text; });
    };
    EXPECT_TRUE(shows(QStringLiteral("Точка останова: щелчок ставит или снимает")));
    QObject::connect(Memo, &TDCSyntaxMemo::OnGutterToolTip, Memo, [this](int row) {
        Memo->SetGutterToolTip(QStringLiteral("Строка %1").arg(row + 1));
    });
    hover(QPoint(5, GutterY(2)));
    EXPECT_TRUE(shows(QStringLiteral("Строка 3")));
    ASSERT_EQ(asked.count(), 2);
    EXPECT_EQ(asked.at(1).at(0).toInt(), 2);
    hover(CellPoint(2, 1));
    hover(QPoint(5, GutterY(5)));
    EXPECT_EQ(asked.count(), 2) << "neither over the text nor below it";
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(GutterMarks, GlyphsPaintAtNoOneAndManyLines) {
    Memo->SetBreakpoint(0);
    Memo->SetRunMarks(0, true, {0, 1});
    Memo->SetShadedRange({0, 0}, {5, 3});
    EXPECT_TRUE(Memo->Breakpoints().empty());
    EXPECT_FALSE(HasColor(Shot(), Marks(0), kBreakFill)) << "no line, no glyph";

    Memo->SetText("(F)");
    Memo->SetBreakpoint(0);
    Memo->SetRunMarks(0, true);
    QImage shot = Shot();
    EXPECT_TRUE(HasColor(shot, Marks(0), kBreakFill)) << "the stop: a circle with the arrow";
    EXPECT_TRUE(HasColor(shot, Marks(0), kRunFill));

    Memo->SetText(Forms(5000));
    std::vector<int32_t> calls;
    for (int32_t row = 0; row < 5000; ++row) {
        Memo->SetBreakpoint(row, row % 2 == 0 ? TBreakpointState::Set : TBreakpointState::Invalid);
        calls.push_back(row);
    }
    Memo->SetRunMarks(4001, false, calls);
    Memo->EnsureRangeVisible({0, 4001}, {10, 4001});
    const int32_t arrow = 4001 - Memo->Model().TopRow();
    shot = Shot();
    EXPECT_TRUE(HasColor(shot, Marks(arrow), kRunFill));
    EXPECT_TRUE(HasColor(shot, Marks(arrow - 1), kBreakFill)); // row 4000
    EXPECT_TRUE(HasColor(shot, Marks(arrow - 2), kInvalidBreak));
    Memo->SetFontPointSize(kMinFontPoints);
    EXPECT_FALSE(Shot().isNull());
}

TEST_F(GutterMarks, TheShadedFormIsPaintedUnderItsTextOverItsRows) {
    Memo->SetText(Forms(4));
    Memo->SetCaret(0, 3);
    Memo->SetShadedRange({4, 0}, {8, 2});
    QImage shot = Shot();
    EXPECT_TRUE(HasColor(shot, Text(0), kShadeCurrent));
    EXPECT_TRUE(HasColor(shot, Text(1), kShadeCurrent));
    EXPECT_TRUE(HasColor(shot, Text(2), kShadeCurrent));
    EXPECT_FALSE(HasColor(shot, Text(3), kShadeCurrent));
    const TMemoMetrics& m = Memo->Metrics();
    const QPoint beforeStart(static_cast<int>(m.ColumnX(1)), m.RowY(0) + 1);
    EXPECT_EQ(shot.pixelColor(beforeStart), Memo->palette().color(QPalette::Base));

    Memo->SetSelection({0, 1}, {3, 1});
    Memo->SetShadedRange({0, 1}, {5, 1}, TShade::Failed);
    shot = Shot();
    EXPECT_TRUE(HasColor(shot, Text(1), kShadeFailed));
    EXPECT_TRUE(HasColor(shot, Text(1), Memo->palette().color(QPalette::Highlight)))
        << "the selection shows over the shade";
    EXPECT_FALSE(HasColor(shot, Text(0), kShadeCurrent));
}

TEST_F(GutterMarks, EnsureRangeVisibleScrollsOnlyForARangeOutOfView) {
    Memo->SetText(Forms(300));
    QSignalSpy scrolled(Memo->verticalScrollBar(), &QScrollBar::valueChanged);
    Memo->EnsureRangeVisible({1, 2}, {20, 4});
    EXPECT_EQ(scrolled.count(), 0);
    Memo->EnsureRangeVisible({1, 200}, {20, 202});
    const int32_t top = Memo->Model().TopRow();
    EXPECT_LT(top, 200);
    EXPECT_GT(top + Memo->VisibleRows(), 202);
    EXPECT_EQ(Memo->verticalScrollBar()->value(), top);
    for (int32_t row = 196; row < 206; ++row) // stepping through forms in view
        Memo->EnsureRangeVisible({1, row}, {20, row});
    EXPECT_EQ(Memo->Model().TopRow(), top);
    EXPECT_EQ(scrolled.count(), 1);
}

TEST_F(GutterMarks, ReadOnlyRefusesTheKeysTheInputMethodAndTheMouseButNotCopyOrTheGutter) {
    Memo->SetText("(A)\r\n(B)");
    QTest::keyClick(Memo, Qt::Key_X);
    Memo->SetReadOnly(true);
    const std::string text = Memo->Text();
    QGuiApplication::clipboard()->setText(QStringLiteral("Z"));
    Memo->SetSelection({0, 0}, {2, 1});
    QTest::keyClick(Memo, Qt::Key_Y);
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Tab),
          QKeyCombination(Qt::Key_Backtab), QKeyCombination(Qt::Key_Delete),
          QKeyCombination(Qt::Key_Backspace), QKeyCombination(Qt::ControlModifier, Qt::Key_V),
          QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert),
          QKeyCombination(Qt::ControlModifier, Qt::Key_X),
          QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete),
          QKeyCombination(Qt::ControlModifier, Qt::Key_Z),
          QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)}) {
        Memo->SetSelection({0, 0}, {2, 1});
        QTest::keyClick(Memo, key.key(), key.keyboardModifiers());
    }
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("W"), -1, 1);
    QApplication::sendEvent(Memo, &commit);
    Memo->SetSelection({0, 0}, {2, 0}); // dragged onto the second line
    Mouse(QEvent::MouseButtonPress, CellPoint(1, 0), Qt::LeftButton);
    Mouse(QEvent::MouseMove, CellPoint(2, 1), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(2, 1), Qt::NoButton);
    EXPECT_EQ(Memo->Text(), text);

    EXPECT_EQ(Memo->Row(), 1) << "the mouse moves the caret";
    QTest::keyClick(Memo, Qt::Key_Home);
    QTest::keyClick(Memo, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(Memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("(B)"));
    QSignalSpy lines(Memo, &TDCSyntaxMemo::OnGutterLineClicked);
    Click(QPoint(5, GutterY(0)));
    EXPECT_EQ(lines.count(), 1);
}

} // namespace

} // namespace zk::editor::test
