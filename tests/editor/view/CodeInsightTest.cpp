// What the window's analysis asks of the widget: Control+Space asks for
// completions and the popup inserts the chosen one, Escape closes it; the
// wavy underline and the gutter mark of a diagnostic; its message over the
// range and the mark, a hover asked for elsewhere and answered; Control+click
// on a word.
#include "SyntaxMemoTest.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

namespace zk::editor::test {

namespace {

using enum TCompletionKind;

const QColor kBreakFill(0xE0, 0x30, 0x30);

bool HasColor(const QImage& image, QRect area, QColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

class CodeInsight : public SyntaxMemoTest {
protected:
    TCompletionPopup* Popup() const { return Memo->findChild<TCompletionPopup*>(); }
    int Rows() const { return Popup()->model()->rowCount(); }
    void AnswerCompletions() {
        QObject::connect(Memo, &TDCSyntaxMemo::OnCompletionRequested, Memo, [this](TTextPoint) {
            Memo->ShowCompletions({{"FIRST", "(FIRST L)", Keyword},
                                   {"FINAL", "(FINAL X Y)", Function},
                                   {"BF", "", Keyword}});
        });
    }
    void Hover(QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, Memo->viewport()->mapToGlobal(at));
        QApplication::sendEvent(Memo->viewport(), &help);
    }
    static bool TipShows(const QString& text) {
        return QTest::qWaitFor([&] { return QToolTip::isVisible() && QToolTip::text() == text; });
    }
    // The bottom pixels of a visible cell, where the wave runs.
    QRect Under(int col, int row) const {
        const TMemoMetrics& m = Memo->Metrics();
        return QRect(static_cast<int>(m.ColumnX(col)) + 1, m.RowY(row) + m.LineHeight - 3,
                     static_cast<int>(m.CharWidth) - 1, 3);
    }
    QRect MarkZone(int row) const {
        const TMemoMetrics& m = Memo->Metrics();
        return QRect(m.GutterWidth - kDiagnosticMarkZone, m.RowY(row), kDiagnosticMarkZone,
                     m.LineHeight);
    }
    QImage Shot() const { return Memo->viewport()->grab().toImage(); }
};

TEST_F(CodeInsight, ControlSpaceAsksAndEnterInsertsTheChosenLabel) {
    AnswerCompletions();
    Memo->SetText("(CALL fi");
    Memo->SetCaret(8, 0);
    QSignalSpy asked(Memo, &TDCSyntaxMemo::OnCompletionRequested);
    QTest::keyClick(Memo, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).value<TTextPoint>(), (TTextPoint{8, 0}));
    ASSERT_TRUE(Popup()->isVisible());
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Popup()->model()->index(1, 1).data().toString(), QStringLiteral("(FINAL X Y)"));
    EXPECT_GE(Popup()->geometry().top(),
              Memo->viewport()->mapTo(Memo, Memo->CaretRect().bottomLeft()).y());
    EXPECT_EQ(Memo->Line(0), "(CALL fi") << "nothing typed";

    QTest::keyClick(Memo, Qt::Key_N);
    EXPECT_EQ(Rows(), 1);
    QTest::keyClick(Memo, Qt::Key_Return);
    EXPECT_EQ(Memo->Line(0), "(CALL FINAL");
    EXPECT_FALSE(Popup()->isVisible());
    Memo->Undo();
    EXPECT_EQ(Memo->Line(0), "(CALL fin");
}

TEST_F(CodeInsight, EscapeClosesTheListAndAClickInserts) {
    AnswerCompletions();
    Memo->SetText("(CALL ");
    Memo->SetCaret(6, 0);
    QTest::keyClick(Memo, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_EQ(Rows(), 3);
    QTest::keyClick(Memo, Qt::Key_Escape);
    EXPECT_FALSE(Popup()->isVisible());
    EXPECT_EQ(Memo->Line(0), "(CALL ");

    QTest::keyClick(Memo, Qt::Key_Space, Qt::ControlModifier);
    const QModelIndex second = Popup()->model()->index(1, 0);
    QTest::mouseClick(Popup()->viewport(), Qt::LeftButton, {},
                      Popup()->visualRect(second).center());
    EXPECT_EQ(Memo->Line(0), "(CALL FINAL");
    EXPECT_TRUE(Memo->hasFocus()) << "the popup never takes the focus";
}

TEST_F(CodeInsight, TheWavesAndTheGutterMarkPaintBesideTheDebugGlyphs) {
    Memo->SetText("(F (X) (CALL G X))\r\n(H)\r\n(K");
    Memo->SetBreakpoint(0);
    Memo->SetDiagnostics({{{13, 0}, {14, 0}, QStringLiteral("Неизвестная функция"), {}},
                          {{2, 2}, {2, 2}, QStringLiteral("Нет )"), TDiagnosticSeverity::Warning}});
    QImage shot = Shot();
    EXPECT_TRUE(HasColor(shot, Under(13, 0), kErrorColor));
    EXPECT_FALSE(HasColor(shot, Under(11, 0), kErrorColor));
    EXPECT_FALSE(HasColor(shot, Under(15, 0), kErrorColor));
    EXPECT_TRUE(HasColor(shot, Under(2, 2), kWarningColor)) << "after the line's text";
    EXPECT_TRUE(HasColor(shot, MarkZone(0), kErrorColor));
    EXPECT_TRUE(HasColor(shot, MarkZone(2), kWarningColor));
    EXPECT_FALSE(HasColor(shot, MarkZone(1), kErrorColor));
    const QRect glyphs(0, Memo->Metrics().RowY(0), kMarkArea, Memo->Metrics().LineHeight);
    EXPECT_TRUE(HasColor(shot, glyphs, kBreakFill)) << "the breakpoint still shows";

    Memo->ClearDiagnostic();
    shot = Shot();
    EXPECT_FALSE(HasColor(shot, Under(13, 0), kErrorColor));
    EXPECT_FALSE(HasColor(shot, MarkZone(0), kErrorColor));
}

TEST_F(CodeInsight, TheMessageShowsOverTheRangeAndTheMarkAndTheWindowAnswersElsewhere) {
    Memo->SetText("(F (X) (CALL G X))\r\n(H)");
    Memo->SetDiagnostic({13, 0}, {14, 0}, QStringLiteral("Неизвестная функция <G>"));
    const QString message = QStringLiteral("<p>Неизвестная функция &lt;G&gt;</p>");
    QSignalSpy hovers(Memo, &TDCSyntaxMemo::OnHover);
    Hover(CellPoint(13, 0));
    EXPECT_TRUE(TipShows(message)) << "as plain text";
    Hover(MarkZone(0).center());
    EXPECT_TRUE(TipShows(message));
    EXPECT_EQ(hovers.count(), 0);

    Hover(CellPoint(1, 1));
    ASSERT_EQ(hovers.count(), 1);
    EXPECT_EQ(hovers.at(0).at(0).value<TTextPoint>(), (TTextPoint{1, 1}));
    const QPoint at = hovers.at(0).at(1).toPoint();
    const QString answer = QStringLiteral("<b>(H)</b> функция");
    Memo->ShowHoverText(answer, at);
    EXPECT_TRUE(TipShows(answer));

    Hover(CellPoint(2, 0));
    Memo->ShowHoverText(QStringLiteral("late"), at); // for the hover before
    EXPECT_NE(QToolTip::text(), QStringLiteral("late"));
    Hover(CellPoint(20, 1));
    EXPECT_EQ(hovers.count(), 2) << "past the line's end nothing is asked";
}

TEST_F(CodeInsight, ControlClickOnAWordTellsItsPointAndControlShowsTheLink) {
    Memo->SetText("(CALL G X)");
    QSignalSpy clicks(Memo, &TDCSyntaxMemo::OnCtrlClick);
    Mouse(QEvent::MouseButtonPress, CellPoint(6, 0), Qt::LeftButton, Qt::ControlModifier);
    Mouse(QEvent::MouseButtonRelease, CellPoint(6, 0), Qt::NoButton, Qt::ControlModifier);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TTextPoint>(), (TTextPoint{6, 0}));
    EXPECT_EQ(Memo->Col(), 0) << "the caret stays";

    Mouse(QEvent::MouseMove, CellPoint(3, 0), Qt::NoButton, Qt::ControlModifier);
    EXPECT_EQ(Memo->Model().Link(), (TWordLink{0, {1, 5}}));
    EXPECT_EQ(Memo->viewport()->cursor().shape(), Qt::PointingHandCursor);
    Key(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(Memo->Model().Link()) << "released";

    Mouse(QEvent::MouseButtonPress, CellPoint(5, 0), Qt::LeftButton, Qt::ControlModifier);
    Mouse(QEvent::MouseButtonRelease, CellPoint(5, 0), Qt::NoButton, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 1) << "a blank is no word: a plain click";
    EXPECT_EQ(Memo->Col(), 5);
}

} // namespace

} // namespace zk::editor::test
