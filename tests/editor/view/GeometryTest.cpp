// The font, the character grid at one and two device pixels per pixel, the
// caret's blinking, and the undo keys as a user presses them.
#include "SyntaxMemoTest.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QStyleHints>

namespace zk::editor::test {

namespace {

// The system's caret flash time for one test, restored after it.
class GeometryTest : public SyntaxMemoTest {
protected:
    ~GeometryTest() override { SetFlashTime(FlashTime_); }
    static void SetFlashTime(int ms) { QGuiApplication::styleHints()->setCursorFlashTime(ms); }

private:
    const int FlashTime_ = QGuiApplication::styleHints()->cursorFlashTime();
};

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// The leftmost and rightmost dark device pixels on device row y, from x on.
std::pair<int, int> InkSpan(const QImage& image, int x, int y) {
    int left = -1;
    int right = -1;
    for (; x < image.width(); ++x)
        if (Dark(image, x, y)) {
            if (left < 0) left = x;
            right = x;
        }
    return {left, right};
}

TEST_F(GeometryTest, TheFontIsAFixedPitchCourierNewOrItsTwin) {
    const QFontInfo info(Memo->font());
    EXPECT_TRUE(info.fixedPitch()) << qPrintable(info.family());
    EXPECT_TRUE(info.family() == QStringLiteral("Courier New") ||
                info.family() == QStringLiteral("Liberation Mono"))
        << qPrintable(info.family());
    EXPECT_EQ(info.pointSize(), 10);
    // Cyrillic letters take the same cell as Latin ones.
    const QFontMetricsF metrics(Memo->font());
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("ЖЖЖЖ")),
                     metrics.horizontalAdvance(QStringLiteral("iiii")));
}

// At 13 pixels a cell is 7.8 pixels wide: a rounded advance would put column
// 80 sixteen pixels off. Painted at a device pixel ratio of 2, the text of
// row 0 must end, and the caret on row 1 must stand, where the grid says.
TEST_F(GeometryTest, ColumnEightyAtADevicePixelRatioOfTwo) {
    SetFlashTime(0); // a caret that stays
    Window.resize(900, 200);
    Memo->setGeometry(0, 0, 900, 200);
    QFont font(QStringLiteral("Liberation Mono"));
    font.setPixelSize(13);
    Memo->setFont(font);
    Memo->SetText(std::string(80, 'M'));
    Memo->SetCaret(80, 1);
    ASSERT_EQ(Memo->Model().LeftCol(), 0);

    const qreal run = QFontMetricsF(font).horizontalAdvance(QString(80, 'M'));
    const int gutter = Memo->Metrics().GutterWidth;
    const qreal column80 = gutter + run;
    ASSERT_GT(std::abs(run - 80 * qRound(run / 80)), 8)
        << "the test needs an advance that rounding changes";
    EXPECT_NEAR(Memo->Metrics().ColumnX(80), column80, 0.5);

    QImage image(Memo->viewport()->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    Memo->viewport()->render(&image);
    const TMemoMetrics& m = Memo->Metrics();
    const int textY = 2 * m.RowY(0) + m.LineHeight;
    const int caretY = 2 * m.RowY(1) + m.LineHeight;
    const auto [textLeft, textRight] = InkSpan(image, 2 * gutter, textY);
    const auto [caretLeft, caretRight] = InkSpan(image, 2 * gutter, caretY);
    ASSERT_GE(textRight, 0);
    ASSERT_GE(caretLeft, 0);
    EXPECT_NEAR(textLeft / 2.0, gutter, m.CharWidth / 2);
    EXPECT_NEAR(textRight / 2.0, column80, m.CharWidth / 2);
    EXPECT_NEAR(caretLeft / 2.0, column80, 1);
    EXPECT_NEAR((caretRight + 1) / 2.0, column80 + 2, 1) << "the caret is 2 pixels wide";
    EXPECT_EQ(Memo->CaretRect().left(), static_cast<int>(std::floor(column80 - 1)));
}

TEST_F(GeometryTest, TheCaretBlinksAtTheSystemsFlashTime) {
    const QColor text = Memo->palette().color(QPalette::Text);
    const auto caretShown = [&] {
        const QImage shot = Memo->viewport()->grab().toImage();
        const QRect caret = Memo->CaretRect();
        for (int x = caret.left(); x <= caret.right(); ++x)
            if (shot.pixelColor(x, caret.center().y()) == text) return true;
        return false;
    };
    // No flashing at all: the caret stays.
    SetFlashTime(0);
    QTest::keyClick(Memo, Qt::Key_Right);
    EXPECT_TRUE(caretShown());
    EXPECT_FALSE(QTest::qWaitFor([&] { return !caretShown(); }, 300));
    // A fast flash hides and shows it again well within the wait.
    SetFlashTime(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !caretShown(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return caretShown(); }, 2000));
}

TEST_F(GeometryTest, UndoKeysTakeBackRunsAndKeepTheModifiedMark) {
    QSignalSpy modified(Memo, &TDCSyntaxMemo::OnModifiedChanged);
    QSignalSpy changes(Memo, &TDCSyntaxMemo::OnChange);
    Memo->SetText("(A)\r\n");
    Memo->SetCaret(3, 0);
    QTest::keyClicks(Memo, "BCD");
    Key(0x6c6, Qt::NoModifier, QStringLiteral("ж")); // Cyrillic_zhe
    QTest::keyClick(Memo, Qt::Key_Return);
    EXPECT_EQ(Memo->Text(), "(A)BCD\xE6\r\n\r\n");
    EXPECT_TRUE(Memo->Modified());
    ASSERT_EQ(modified.count(), 1);

    // One Control+Z takes the line break, the next the whole typed run.
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Memo->Text(), "(A)BCD\xE6\r\n");
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Memo->Text(), "(A)\r\n");
    EXPECT_EQ(Memo->Col(), 3);
    EXPECT_FALSE(Memo->Modified());
    EXPECT_EQ(modified.count(), 2);

    // Redo brings the characters back one at a time, Russian layout or not.
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Я"));
    EXPECT_EQ(Memo->Text(), "(A)B\r\n");
    EXPECT_TRUE(Memo->Modified());
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Memo->Text(), "(A)BC\r\n");
    Memo->SetModified(false);
    EXPECT_EQ(modified.count(), 4);
    QTest::keyClick(Memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Memo->Modified()) << "undoing past the saved state is a change";
    EXPECT_EQ(Memo->Text(), "(A)\r\n");
    EXPECT_GT(changes.count(), 0);
}

} // namespace

} // namespace zk::editor::test
