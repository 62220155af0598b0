// What the editor shows and tells: the painted source, the caret at once
// after a key, repaints of the changed rows only, the change notice and the
// accessibility interface. One test leaves a screenshot as an artifact.
#include "SyntaxMemoTest.h"

#include "frontend/Cp1251.h"

#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QPaintEvent>
#include <QSignalSpy>

#include <cstdio>

namespace zk::editor::test {

namespace {

using PaintTest = SyntaxMemoTest;

const char* const kSource = "{ Переворот списка }\r\n"
                            "(REVERSE (L)\r\n"
                            "  (IF (EQUAL L (QUOTE))   // пустой список\r\n"
                            "      (QUOTE)\r\n"
                            "      (EXPR (CALL REVERSE (BF L)) (FIRST L))))\r\n"
                            "(MAIN (X) (+ 12 -5) (CALL REVERSE X))\r\n";

bool HasColor(const QImage& image, QRect area, QColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

// Records the regions the viewport is asked to paint.
class TPaintRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion Painted;
};

TEST_F(PaintTest, ScreenshotOfHighlightedSource) {
    Memo->SetText(Utf8ToCp1251(kSource));
    Memo->Model().ToggleBookmark(1);
    Memo->SetBreakpoint(2);
    Memo->SetBreakpoint(3, TBreakpointState::Invalid);
    Memo->SetRunMarks(4, false, {5});
    Memo->SetShadedRange({6, 4}, {29, 4});
    Memo->SetSelection({2, 5}, {19, 5});
    const QImage shot = Memo->viewport()->grab().toImage();

    const QString dir = QStringLiteral(EDITOR_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/editor.png");
    ASSERT_TRUE(Memo->grab().save(path));
    std::printf("editor screenshot: %s\n", qPrintable(path));

    const TMemoMetrics& m = Memo->Metrics();
    const auto row = [&](int r) {
        return QRect(m.GutterWidth, m.RowY(r),
                     shot.width() / shot.devicePixelRatio() - m.GutterWidth, m.LineHeight);
    };
    EXPECT_TRUE(HasColor(shot, row(0), QColor(0, 0, 128))); // the comment, navy
    EXPECT_TRUE(HasColor(shot, row(3), QColor(0, 0, 255))); // a QUOTE form, blue
    EXPECT_FALSE(HasColor(shot, row(1), QColor(0, 0, 255)));
    EXPECT_TRUE(HasColor(shot, row(5), Memo->palette().color(QPalette::Highlight)));
    EXPECT_TRUE(HasColor(shot, QRect(0, m.RowY(0), m.GutterWidth, m.LineHeight),
                         QColor(0xFF, 0xD8, 0x40))); // the bookmark glyph
}

TEST_F(PaintTest, CaretShowsAtOnceAfterAKeyAndBlinks) {
    TPaintRecorder recorder;
    Memo->viewport()->installEventFilter(&recorder);
    Memo->SetText("ABCDEF");
    const auto painted = [&](QRect area) {
        return QTest::qWaitFor([&] { return recorder.Painted.contains(area); });
    };
    EXPECT_TRUE(painted(Memo->viewport()->rect()));
    recorder.Painted = {};
    QTest::keyClick(Memo, Qt::Key_Right);
    QTest::keyClick(Memo, Qt::Key_Right);
    EXPECT_TRUE(painted(Memo->CaretRect()));
    EXPECT_LT(recorder.Painted.boundingRect().width(), 4 * Memo->Metrics().CharWidth);
    EXPECT_EQ(Memo->CaretRect().left(), static_cast<int>(Memo->Metrics().ColumnX(2)) - 1);

    // The caret blinks, and a key shows it again at once.
    const QColor text = Memo->palette().color(QPalette::Text);
    const auto caretShown = [&] {
        return HasColor(Memo->viewport()->grab().toImage(), Memo->CaretRect(), text);
    };
    EXPECT_TRUE(caretShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !caretShown(); }));
    QTest::keyClick(Memo, Qt::Key_Left);
    EXPECT_TRUE(caretShown());
}

TEST_F(PaintTest, TypingRepaintsOnlyTheChangedRow) {
    Memo->SetText(Utf8ToCp1251(kSource));
    Memo->SetCaret(4, 3);
    TPaintRecorder recorder;
    QApplication::processEvents();
    Memo->viewport()->installEventFilter(&recorder);
    QTest::keyClick(Memo, Qt::Key_X);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.Painted.isEmpty(); }));
    const QRect painted = recorder.Painted.boundingRect();
    EXPECT_GE(painted.top(), Memo->Metrics().RowY(3));
    EXPECT_LE(painted.bottom(), Memo->Metrics().RowY(4));
}

TEST_F(PaintTest, AnOpenedCommentReachesTheEndInIdleSlices) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "(F X) // line\r\n";
    Memo->SetText(text);
    QTest::keyClick(Memo, Qt::Key_BraceLeft, Qt::NoModifier);
    const TDCMemoStrings& lines = Memo->Model().Lines();
    EXPECT_EQ(lines.Item(Memo->VisibleRows() - 1).Syntax.End.Comment, 1);
    EXPECT_TRUE(Memo->Model().HighlightPending());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Memo->Model().HighlightPending(); }));
    EXPECT_EQ(lines.Item(lines.Count() - 1).Syntax.End.Comment, 1);
}

TEST_F(PaintTest, OnChangeFiresForEditsOnlyNotForSettingOrLoading) {
    QSignalSpy changes(Memo, &TDCSyntaxMemo::OnChange);
    QSignalSpy modified(Memo, &TDCSyntaxMemo::OnModifiedChanged);
    Memo->SetText("(A)");
    const QString path = QDir::temp().filePath(QStringLiteral("editor-view-test.zk"));
    Memo->SaveToFile(path);
    Memo->LoadFromFile(path);
    QFile::remove(path);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(Memo->Text(), "(A)\r\n");
    QTest::keyClick(Memo, Qt::Key_B);
    QTest::keyClick(Memo, Qt::Key_Delete);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_TRUE(Memo->Modified());
    EXPECT_EQ(modified.count(), 1);
    Memo->SetText("");
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(Memo->Modified());
}

TEST_F(PaintTest, AccessibilityGivesTheTextAndTheCaret) {
    Memo->SetText("(A)\r\n(\xC1)");
    Memo->SetCaret(2, 1);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Memo);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 10);
    EXPECT_EQ(text->text(5, 8), QStringLiteral("(Б)"));
    EXPECT_EQ(text->cursorPosition(), 7);
    text->setCursorPosition(1);
    EXPECT_EQ(Memo->Col(), 1);
    EXPECT_EQ(Memo->Row(), 0);
}

} // namespace

} // namespace zk::editor::test
