// Keys, typed text and the input method reach the model as a user means them,
// on any keyboard layout, and the window's shortcuts cannot take them away.
#include "SyntaxMemoTest.h"

#include <QAction>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMainWindow>

namespace zk::editor::test {

namespace {

using KeyInputTest = SyntaxMemoTest;

TEST_F(KeyInputTest, InputMethodCommitIsTypedAsOneTextAndPreeditIsNeverStored) {
    QInputMethodEvent composing(QStringLiteral("пр"), {});
    QApplication::sendEvent(Memo, &composing);
    EXPECT_EQ(Memo->LineCount(), 0);
    EXPECT_GT(Memo->CaretRect().width(), 2 * Memo->Metrics().CharWidth);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("привет"));
    QApplication::sendEvent(Memo, &commit);
    EXPECT_EQ(Memo->Line(0), "\xEF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(Memo->Col(), 6);
    EXPECT_LT(Memo->CaretRect().width(), Memo->Metrics().CharWidth);

    // A character the code page lacks is left out; the rest is typed.
    QInputMethodEvent foreign;
    foreign.setCommitString(QStringLiteral(" a\u4E2Db"));
    QApplication::sendEvent(Memo, &foreign);
    EXPECT_EQ(Memo->Line(0), "\xEF\xF0\xE8\xE2\xE5\xF2 ab");
    // A correction replaces the characters it names around the caret.
    QInputMethodEvent correction;
    correction.setCommitString(QStringLiteral("xy"), -3, 2);
    QApplication::sendEvent(Memo, &correction);
    EXPECT_EQ(Memo->Line(0), "\xEF\xF0\xE8\xE2\xE5\xF2xyb");
    EXPECT_EQ(Memo->Col(), 8);
    Memo->Undo();
    Memo->Undo();
    EXPECT_EQ(Memo->Line(0), "\xEF\xF0\xE8\xE2\xE5\xF2 ab");
    Memo->SetCaret(9, 0);

    const QVariant surrounding = Memo->inputMethodQuery(Qt::ImSurroundingText);
    EXPECT_EQ(surrounding.toString(), QStringLiteral("привет ab"));
    EXPECT_EQ(Memo->inputMethodQuery(Qt::ImCursorPosition).toInt(), 9);
    const QRect caret = Memo->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_NEAR(caret.left(), Memo->viewport()->x() + Memo->Metrics().ColumnX(9), 2);
}

TEST_F(KeyInputTest, CyrillicKeysAreTypedInTheCodePage) {
    Key(0x6cc, Qt::NoModifier, QStringLiteral("м"));           // Cyrillic_em
    Key(0x6a3, Qt::ShiftModifier, QStringLiteral("Ё"));        // Cyrillic_IO
    Key(Qt::Key_Dead_Acute, Qt::NoModifier);                   // a dead key types nothing yet
    Key(Qt::Key_unknown, Qt::NoModifier, QStringLiteral("é")); // not in the code page
    EXPECT_EQ(Memo->Line(0), "\xEC\xA8");
    EXPECT_EQ(Memo->Col(), 2);
}

TEST_F(KeyInputTest, ControlVPastesOnARussianLayout) {
    QGuiApplication::clipboard()->setText(QStringLiteral("(QUOTE А)\nБ"));
    Key(Qt::Key_V, Qt::ControlModifier, QStringLiteral("м"));
    EXPECT_EQ(Memo->Text(), "(QUOTE \xC0)\r\n\xC1\r\n");
    // Control and Control+Shift type nothing, whatever the text says;
    // Control+Alt is AltGr on some systems and types.
    Key(Qt::Key_unknown, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Ж"));
    Key(Qt::Key_unknown, Qt::ControlModifier, QStringLiteral("ж"));
    Key(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("@"));
    // AltGr as X11 may report it: the group switch.
    Key(Qt::Key_E, Qt::GroupSwitchModifier, QStringLiteral("€"));
    EXPECT_EQ(Memo->Line(1), "\xC1@\x88");

    Memo->SetSelection({0, 0}, {6, 0});
    Key(Qt::Key_C, Qt::ControlModifier, QStringLiteral("с"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("(QUOTE"));
    Key(Qt::Key_X, Qt::ControlModifier, QStringLiteral("ч"));
    EXPECT_EQ(Memo->Line(0), " \xC0)");
}

TEST_F(KeyInputTest, ControlShiftDigitSetsABookmarkOnAnyLayout) {
    Memo->SetText("A\r\nB\r\n");
    Memo->SetCaret(1, 1);
    Key(Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("#"));
    EXPECT_EQ(Memo->Model().BookmarksOnRow(1), 1u << 3);
    Memo->SetCaret(0, 0);
    Key(Qt::Key_3, Qt::ControlModifier, QStringLiteral("3"));
    EXPECT_EQ(Memo->Row(), 1);
    EXPECT_EQ(Memo->Text(), "A\r\nB\r\n");
}

TEST_F(KeyInputTest, WindowShortcutsDoNotTakeTheEditorsKeys) {
    QMainWindow main;
    auto* memo = new TDCSyntaxMemo(&main);
    main.setCentralWidget(memo);
    int stolen = 0;
    int run = 0;
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Home),
                                     QKeySequence(QKeySequence::Undo), QKeySequence(Qt::Key_A)}) {
        auto* action = new QAction(&main);
        action->setShortcut(keys);
        QObject::connect(action, &QAction::triggered, [&] { ++stolen; });
        main.addAction(action);
    }
    auto* runAction = new QAction(&main);
    runAction->setShortcut(Qt::Key_F9);
    QObject::connect(runAction, &QAction::triggered, [&] { ++run; });
    main.addAction(runAction);
    main.show();
    QApplication::setActiveWindow(&main);
    memo->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    memo->SetText("XY");
    memo->SetCaret(1, 0);
    QTest::keyClick(memo, Qt::Key_Delete);
    QTest::keyClick(memo, Qt::Key_Home);
    QTest::keyClick(memo, Qt::Key_A);
    EXPECT_EQ(memo->Line(0), "aX");
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Line(0), "X");
    QTest::keyClick(memo, Qt::Key_F9);
    EXPECT_EQ(stolen, 0);
    EXPECT_EQ(run, 1);
}

TEST_F(KeyInputTest, TabAndShiftTabStayInTheEditor) {
    auto* other = new QLineEdit(&Window);
    other->setGeometry(0, 380, 100, 20);
    other->show();
    Memo->SetText("    (A B)\r\n");
    Memo->SetCaret(0, 1);
    QTest::keyClick(Memo, Qt::Key_Tab);
    EXPECT_TRUE(Memo->hasFocus());
    EXPECT_EQ(Memo->Line(1), "    ");
    EXPECT_EQ(Memo->Col(), 4);
    Memo->SetCaret(17, 1);
    QTest::keyClick(Memo, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(Memo->hasFocus());
    EXPECT_EQ(Memo->Col(), 8);
}

} // namespace

} // namespace zk::editor::test
