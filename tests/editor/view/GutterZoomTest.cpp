// The habits of other editors in the widget: the zoom keys and the font's
// layout, the gutter's line numbers as the line count gains digits, tabs
// painted at their cells, the unheld byte 0x98, Control+A and the undo and
// redo availability.
#include "SyntaxMemoTest.h"

#include <QClipboard>
#include <QFontInfo>
#include <QSignalSpy>

#include <string>

namespace zk::editor::test {

namespace {

using GutterZoomTest = SyntaxMemoTest;

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "(X)\r\n";
    return text;
}

// Whether any pixel of `area` differs from `color`.
bool Inked(const QImage& image, QRect area, QColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != color) return true;
    return false;
}

TEST_F(GutterZoomTest, ZoomKeysChangeTheSizeAtOnceAndControlZeroResetsIt) {
    Memo->SetText(Lines(3));
    QSignalSpy sizes(Memo, &TDCSyntaxMemo::OnFontPointSizeChanged);
    const qreal width = Memo->Metrics().CharWidth;
    const int cols = Memo->VisibleCols();
    Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("+"));
    Key(Qt::Key_Equal, Qt::ControlModifier, QStringLiteral("="));
    Key(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, QStringLiteral("+"));
    EXPECT_EQ(Memo->FontPointSize(), kDefaultFontPoints + 3);
    EXPECT_EQ(QFontInfo(Memo->font()).pointSize(), kDefaultFontPoints + 3);
    EXPECT_GT(Memo->Metrics().CharWidth, width);
    EXPECT_LT(Memo->VisibleCols(), cols);
    Key(Qt::Key_Minus, Qt::ControlModifier, QStringLiteral("-"));
    EXPECT_EQ(Memo->FontPointSize(), kDefaultFontPoints + 2);
    Key(Qt::Key_0, Qt::ControlModifier, QStringLiteral("0"));
    EXPECT_EQ(Memo->FontPointSize(), kDefaultFontPoints);
    EXPECT_EQ(Memo->Metrics().CharWidth, width);
    EXPECT_EQ(Memo->VisibleCols(), cols);
    ASSERT_EQ(sizes.count(), 5);
    EXPECT_EQ(sizes.at(4).at(0).toInt(), kDefaultFontPoints);
    EXPECT_EQ(Memo->Text(), Lines(3)) << "the keys typed nothing";

    QFont font(QStringLiteral("Liberation Mono"));
    font.setPointSize(14);
    Memo->SetEditorFont(font);
    Memo->ZoomIn();
    EXPECT_EQ(Memo->FontPointSize(), 15);
    Memo->ResetZoom();
    EXPECT_EQ(Memo->FontPointSize(), 14) << "back to the size the font was set with";
}

TEST_F(GutterZoomTest, TheGutterWidensWhenTheLineCountGainsADigit) {
    Memo->SetText(Lines(8));
    const int one = Memo->Metrics().GutterWidth;
    Memo->SetCaret(0, 8);
    QTest::keyClick(Memo, Qt::Key_X); // the ninth line
    EXPECT_EQ(Memo->Metrics().GutterWidth, one);
    QTest::keyClick(Memo, Qt::Key_Return); // the tenth
    const int two = Memo->Metrics().GutterWidth;
    EXPECT_GT(two, one);
    EXPECT_EQ(Memo->Metrics().ColumnX(0), two) << "the text moves right with it";
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Memo->Metrics().GutterWidth, one);

    Memo->SetText(Lines(99));
    EXPECT_EQ(Memo->Metrics().GutterWidth, two);
    Memo->SetText(Lines(100));
    EXPECT_GT(Memo->Metrics().GutterWidth, two);
    Memo->SetLineNumbers(false);
    EXPECT_EQ(Memo->Metrics().GutterWidth, kPlainGutterWidth);
}

TEST_F(GutterZoomTest, NumbersArePaintedAndAClickOnThemIsALineClick) {
    Memo->SetText(Lines(3));
    const TMemoMetrics& m = Memo->Metrics();
    const QColor gutter = Memo->palette().color(QPalette::Window);
    const auto gutterOfRow = [&](int row) {
        return QRect(0, m.RowY(row), m.GutterWidth - 1, m.LineHeight);
    };
    // Without bookmarks, only the number inks a row's gutter left of its edge.
    EXPECT_TRUE(Inked(Memo->viewport()->grab().toImage(), gutterOfRow(1), gutter));
    QSignalSpy clicks(Memo, &TDCSyntaxMemo::OnGutterClick);
    QSignalSpy lines(Memo, &TDCSyntaxMemo::OnGutterLineClicked);
    const QPoint at(m.GutterWidth - 8, gutterOfRow(1).center().y()); // on the number's last digit
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(lines.count(), 1);
    EXPECT_EQ(lines.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(Memo->HasSelection()) << "a click is for a breakpoint, not a selection";
    Memo->SetLineNumbers(false);
    EXPECT_FALSE(Inked(Memo->viewport()->grab().toImage(), gutterOfRow(1), gutter));
}

TEST_F(GutterZoomTest, ATabIsPaintedSelectedAndClickedAtItsCells) {
    Memo->SetText("\tX");
    Memo->SetCaret(3, 0); // out of the way
    const TMemoMetrics& m = Memo->Metrics();
    const QColor base = Memo->palette().color(QPalette::Base);
    const auto cells = [&](int from, int to) {
        return QRectF(m.ColumnX(from), m.RowY(0), (to - from) * m.CharWidth, m.LineHeight)
            .toAlignedRect()
            .adjusted(1, 1, -1, -1);
    };
    QImage shot = Memo->viewport()->grab().toImage();
    EXPECT_FALSE(Inked(shot, cells(0, 8), base)) << "the tab shows as spaces";
    EXPECT_TRUE(Inked(shot, cells(8, 9), base)) << "the X stands at cell 8";
    Mouse(QEvent::MouseButtonPress, CellPoint(9, 0), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(9, 0), Qt::NoButton);
    EXPECT_EQ(Memo->Col(), 2);
    Memo->SetCaret(1, 0);
    EXPECT_EQ(Memo->CaretRect().left(), static_cast<int>(m.ColumnX(8)) - 1);
    Memo->SetSelection({0, 0}, {1, 0});
    shot = Memo->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(cells(4, 5).center()), Memo->palette().color(QPalette::Highlight));
    EXPECT_EQ(Memo->Text(), "\tX\r\n");
}

TEST_F(GutterZoomTest, TheUnheldByteCopiesAsTheReplacementCharacterAndPasteNeverMakesIt) {
    QSignalSpy replaced(Memo, &TDCSyntaxMemo::OnPasteReplaced);
    Memo->SetText("a\x98");
    Key(Qt::Key_A, Qt::ControlModifier, QStringLiteral("a"));
    Memo->CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a\uFFFD"));
    Memo->SetCaret(0, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("\uFFFD\u0098\u2011\u00A0\u2026"));
    Memo->PasteFromClipboard();
    EXPECT_EQ(Memo->Line(1), "?\?- \x85");
    ASSERT_EQ(replaced.count(), 1);
    EXPECT_EQ(replaced.at(0).at(0).toInt(), 4);
}

TEST_F(GutterZoomTest, UndoAndRedoSayWhenTheyBecomeAvailable) {
    QSignalSpy undo(Memo, &TDCSyntaxMemo::OnUndoAvailableChanged);
    QSignalSpy redo(Memo, &TDCSyntaxMemo::OnRedoAvailableChanged);
    QTest::keyClick(Memo, Qt::Key_X);
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(undo.count(), 2);
    EXPECT_TRUE(undo.at(0).at(0).toBool());
    EXPECT_FALSE(undo.at(1).at(0).toBool());
    ASSERT_EQ(redo.count(), 1);
    EXPECT_TRUE(redo.at(0).at(0).toBool());
    EXPECT_TRUE(Memo->CanRedo());
}

} // namespace

} // namespace zk::editor::test
