// Code intelligence in the main window, offscreen: an error typed is
// underlined after the pause and cleared when mended (and not shown when the
// setting is off), the outline follows the caret, F12 goes to a definition
// in an included file's own tab, Shift+F12 lists the calls, Control+Space
// opens the completion list.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "Typing.h"
#include "ide/ReferencesPanel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;

constexpr const char* kMain = "(MAIN (L)\n"
                              "  (CALL TWICE L))\n"
                              "#INCLUDE \"twice.zk\"\n";
constexpr const char* kTwice = "{ Joins a list to itself. }\n"
                               "(TWICE (L)\n"
                               "  (EXPR L L))\n";

class CodeIntelWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Window.Options());
        Window.Options().TempDir = Temp.Path().string();
        Window.Options().UseNew = true;
        Window.Options().Include = {Dir.Entry()};
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Dir.Write("twice.zk", kTwice);
        Dir.Write("main.zk", kMain);
        Window.OpenStartFile(QString::fromStdString((Dir.Path() / "main.zk").string()));
        QTRY_VERIFY(Window.AnalysisCurrent());
    }

    editor::TDCSyntaxMemo& Memo() { return Window.Editor(); }
    void TypeAt(int col, int row, const QString& text) {
        Memo().SetCaret(col, row);
        TypeText(&Memo(), text);
    }

    TTempDir Temp;
    TTempDir Dir;
    TAnsweringDialogs Dialogs;
    TMainFrm Window{Dialogs};
};

TEST_F(CodeIntelWindow, ATypoIsUnderlinedAfterThePauseAndClearsWhenMended) {
    EXPECT_TRUE(Memo().Model().Diagnostics().empty());
    TypeAt(8, 1, "X");                      // (CALL TWICEX L): no such function
    EXPECT_FALSE(Window.AnalysisCurrent()); // nothing before the pause
    QTRY_VERIFY(Window.AnalysisCurrent());
    ASSERT_EQ(Memo().Model().DiagnosticsOn(1).size(), 1u);
    EXPECT_TRUE(Window.StatusPanel(0).text().startsWith("Строка 2: "));
    QTest::keyClick(&Memo(), Qt::Key_Backspace);
    QTRY_VERIFY(Window.AnalysisCurrent());
    EXPECT_TRUE(Memo().Model().Diagnostics().empty());
    EXPECT_EQ(Window.StatusPanel(0).text(), "Ошибок нет");
}

TEST_F(CodeIntelWindow, TheSettingTurnsTheUnderlineOff) {
    Window.Options().LiveErrors = false;
    TypeAt(8, 1, "X");
    QTRY_VERIFY(Window.AnalysisCurrent());
    EXPECT_TRUE(Memo().Model().Diagnostics().empty());
}

TEST_F(CodeIntelWindow, TheOutlineFollowsTheCaretAndAChoiceGoesThere) {
    QComboBox& outline = Window.Outline();
    ASSERT_EQ(outline.count(), 1);
    EXPECT_EQ(outline.itemText(0), "(MAIN (L))");
    Memo().SetCaret(0, 2);
    EXPECT_EQ(outline.currentIndex(), -1);
    Memo().SetCaret(3, 1);
    EXPECT_EQ(outline.currentIndex(), 0);
}

TEST_F(CodeIntelWindow, F12OpensTheIncludedFileAtTheDefinition) {
    Memo().SetCaret(10, 1);
    Window.Action("MnuDefinitionItm")->trigger();
    ASSERT_EQ(Window.Table().OpenCount(), 2) << Window.StatusPanel(0).text().toStdString();
    EXPECT_EQ(Window.Table().Current().FilePath, (Dir.Path() / "twice.zk").string());
    EXPECT_EQ(Window.Editor().Row(), 1);
    EXPECT_EQ(Window.Editor().Col(), 6); // after the name, which is selected
}

TEST_F(CodeIntelWindow, ShiftF12ListsTheCallsOfAFunction) {
    Memo().SetCaret(10, 1);
    Window.Action("MnuReferencesItm")->trigger();
    QListWidget& rows = *Window.ReferencesPanel().LstReferences;
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.item(0)->text(), "main.zk:2: (CALL TWICE L))");
    Memo().SetCaret(0, 0);
    emit rows.itemActivated(rows.item(0));
    EXPECT_EQ(Window.Editor().Row(), 1);
    EXPECT_EQ(Window.Editor().Col(), 13); // after the name, which is selected
}

TEST_F(CodeIntelWindow, ControlSpaceOpensTheCompletionList) {
    Memo().TakeFocus();
    TypeAt(2, 1, "(CALL TW");
    QTest::keyClick(&Memo(), Qt::Key_Space, Qt::ControlModifier);
    QTRY_VERIFY(Memo().CompletionsShown());
}

} // namespace
} // namespace zk::ide::test
