// The main window itself, offscreen, with the dialogs answered: each tab's
// own editor, the caret panel, the error's place with its tab change, the
// run choices, leaving with unsaved documents, and a screenshot.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "compiler/CompileLog.h"
#include "ide/HelpWindow.h"
#include "ide/QtText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;
using zk::test::W;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Window.Options());
        Window.Options().TempDir = Temp.Path().string();
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }
    void TearDown() override { CompileLog.clear(); }

    QString PathOf(const char* name) const {
        return QString::fromStdString((Dir.Path() / name).string());
    }
    void Trigger(const char* action) { Window.Action(action)->trigger(); }
    QString Panel(int panel) const { return Window.StatusPanel(panel).text(); }
    QString EditorText() const { return FromText1251(Window.Editors().Text()); }

    TTempDir Dir, Temp;
    TAnsweringDialogs Dialogs;
    TMainFrm Window{Dialogs};
};

TEST_F(MainWindowTest, EachTabKeepsItsEditorWithItsUndoAndTheCaretPanelCountsFromOne) {
    Dir.Write("first.zk", "(F (X)\r\n  X)\r\n");
    Window.OpenStartFile(PathOf("first.zk"));
    EXPECT_EQ(Window.Tabs().tabText(0), "first.zk");
    Trigger("MnuNewItm");
    EXPECT_EQ(Window.Tabs().tabText(1), "Безымянный 2");
    EXPECT_EQ(Panel(0), "Создан новый файл");
    QTest::keyClicks(&Window.Editor(), "(G)");
    Window.Editor().SetCaret(2, 0);
    EXPECT_EQ(Panel(3), "1:3");

    Window.Tabs().setCurrentIndex(0); // as a click on the tab does
    EXPECT_TRUE(EditorText().startsWith("(F (X)"));
    Window.Editor().SetCaret(2, 1);
    EXPECT_EQ(Panel(3), "2:3");
    Window.Tabs().setCurrentIndex(1);
    EXPECT_TRUE(EditorText().startsWith("(G)"));
    EXPECT_EQ(Panel(3), "1:3");
    EXPECT_TRUE(Window.Editor().CanUndo());
    EXPECT_FALSE(Window.Table().Current().Saved);
}

TEST_F(MainWindowTest, AnErrorInAnIncludedFileOpenInAnotherTabSelectsItAndPlacesTheCaret) {
    Dir.Write("lib.zk", "(G (X)\r\n   Z)\r\n");
    Dialogs.ChooseFile(PathOf("lib.zk"));
    Trigger("MnuOpenItm");
    Trigger("MnuNewItm");
    QTest::keyClicks(&Window.Editor(), "#INCLUDE \"LIB.ZK\" (F (X) X)");
    ASSERT_EQ(Window.Table().CurTab(), 1);

    Trigger("MnuSyntaxCheckItm");
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(Dialogs.MessageTexts()[0].toStdString(),
              "Ошибка: Неизвестный атом - #5 («Z») Файл: LIB.ZK, строка 2, столбец 4");
    EXPECT_EQ(Window.Table().CurTab(), 0);
    EXPECT_EQ(Window.Tabs().currentIndex(), 0);
    EXPECT_TRUE(EditorText().startsWith("(G (X)"));
    EXPECT_EQ(Window.Editor().Row(), 1);
    EXPECT_EQ(Window.Editor().Col(), 4); // the caret ends after the selected token
    EXPECT_EQ(Window.Editor().Model().SelectedText(), "Z");
    EXPECT_EQ(Panel(2), "Ошибка компиляции программы: Неизвестный атом - #5");
    // The document with the include kept its text while it was put aside.
    Window.Tabs().setCurrentIndex(1);
    EXPECT_TRUE(EditorText().startsWith("#INCLUDE"));
}

TEST_F(MainWindowTest, ACancelledFileDialogKeepsTheOutputAndInputChoices) {
    Trigger("MnuGraphInterpItm");
    Dialogs.ChooseFile("");
    Trigger("MnuOutFileItm");
    EXPECT_TRUE(Window.Action("MnuGraphInterpItm")->isChecked());
    EXPECT_TRUE(Window.RunChoice().Graphics);
    EXPECT_FALSE(Window.RunChoice().OutputToFile);

    Dialogs.ChooseFile(PathOf("out.txt"));
    Trigger("MnuOutFileItm");
    Dialogs.ChooseFile("");
    Trigger("MnuInFileItm");
    const TRunChoice choice = Window.RunChoice();
    EXPECT_TRUE(choice.OutputToFile);
    EXPECT_FALSE(choice.Graphics);
    EXPECT_EQ(choice.OutputFileName, PathBytes(PathOf("out.txt")));
    EXPECT_FALSE(choice.InputFromFile);
    EXPECT_TRUE(Window.Action("MnuKeyboardItm")->isChecked());
}

TEST_F(MainWindowTest, DeleteAndPasteFromTheMenuAreEditsAndDeleteLeavesTheClipboard) {
    Dir.Write("edit.zk", "(F (X) X)");
    Dialogs.ChooseFile(PathOf("edit.zk"));
    Trigger("MnuOpenItm");
    ASSERT_TRUE(Window.Table().Current().Saved);
    QApplication::clipboard()->setText("kept");
    Window.Editor().SetSelection({0, 0}, {3, 0});
    Trigger("MnuClearItm");
    EXPECT_EQ(EditorText(), "(X) X)");
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    EXPECT_FALSE(Window.Table().Current().Saved);

    Trigger("MnuSaveItm");
    ASSERT_TRUE(Window.Table().Current().Saved);
    Trigger("MnuPasteItm");
    EXPECT_EQ(EditorText(), "kept(X) X)");
    EXPECT_FALSE(Window.Table().Current().Saved);
}

TEST_F(MainWindowTest, ClosingWithUnsavedDocumentsAsksAndCancelKeepsTheWindow) {
    QTest::keyClicks(&Window.Editor(), "(F)");
    Dir.Write("two.zk", "(G)");
    Dialogs.ChooseFile(PathOf("two.zk"));
    Trigger("MnuOpenItm");
    Window.Editor().SetCaret(3, 0);
    QTest::keyClicks(&Window.Editor(), " ");

    Dialogs.Answer(TAnswer::No);     // the untitled one goes
    Dialogs.Answer(TAnswer::Cancel); // two.zk keeps the window open
    EXPECT_FALSE(Window.close());
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.Tabs().currentIndex(), 1); // the one asked about is shown
    EXPECT_EQ(Dialogs.MessageTexts().size(), 2u);

    Dialogs.Answer(TAnswer::No);
    Dialogs.Answer(TAnswer::Yes);
    EXPECT_TRUE(Window.close());
    EXPECT_EQ(Dir.Read("two.zk"), "(G) \r\n");
}

TEST_F(MainWindowTest, ShortcutsAndItemsWithoutACommandAreThoseOfTheMenuTable) {
    const std::vector<std::pair<const char*, QKeySequence>> keys{
        {"MnuNewItm", Qt::CTRL | Qt::Key_N},
        {"MnuOpenItm", Qt::CTRL | Qt::Key_O},
        {"MnuSaveItm", Qt::CTRL | Qt::Key_S},
        {"MnuCutItm", Qt::CTRL | Qt::Key_X},
        {"MnuCopyItm", Qt::CTRL | Qt::Key_C},
        {"MnuPasteItm", Qt::CTRL | Qt::Key_V},
        {"MnuClearItm", Qt::CTRL | Qt::Key_Delete},
        {"MnuFindItm", Qt::CTRL | Qt::Key_F},
        {"MnuFindAgainItm", Qt::Key_F3},
        {"MnuReplaceItm", Qt::CTRL | Qt::Key_R},
        {"MnuRunItm", Qt::CTRL | Qt::Key_F9},
        {"MnuSyntaxCheckItm", Qt::Key_F9},
        {"MnuCloseItm", Qt::CTRL | Qt::Key_W},
        {"MnuFindBackItm", Qt::SHIFT | Qt::Key_F3},
        {"MnuSelectAllItm", Qt::CTRL | Qt::Key_A},
        {"MnuHelpContItm", Qt::Key_F1},
        {"MenuBarItm", Qt::Key_F10}};
    for (const auto& [name, sequence] : keys)
        EXPECT_EQ(Window.Action(name)->shortcut(), sequence) << name;
    // Undo and Redo only while there is something to take back.
    for (const char* name : {"MnuUndoItm", "MnuRedoItm", "CmdUndo", "CmdRedo", "MnuExeItm",
                             "MnuColorOptItm", "MnuHelpIndexItm", "MnuHelpSearchItm"})
        EXPECT_FALSE(Window.Action(name)->isEnabled()) << name;
    QTest::keyClicks(&Window.Editor(), "(F)");
    EXPECT_TRUE(Window.Action("MnuUndoItm")->isEnabled() && Window.Action("CmdUndo")->isEnabled());
    Trigger("MnuUndoItm");
    EXPECT_TRUE(Window.Action("MnuRedoItm")->isEnabled());
    // Every menu caption has its underlined letter.
    for (QAction* menu : Window.menuBar()->actions())
        EXPECT_TRUE(menu->text().contains('&')) << menu->text().toStdString();
    EXPECT_TRUE(Window.Action("MnuScreenItm")->isChecked());

    Trigger("MnuHelpContItm");
    EXPECT_TRUE(Window.HelpWindow().isVisible());
}

// Control+PgDn is the editor's "end of page" too: the window takes it for the
// tabs all the same; Alt with a letter is the menus', never typed.
TEST_F(MainWindowTest, TheWindowsKeysPassTheEditor) {
    Trigger("MnuNewItm");
    Trigger("MnuNewItm");
    ASSERT_EQ(Window.Table().CurTab(), 2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Window.Editor().hasFocus(); }));
    QTest::keyClick(&Window.Editor(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Window.Table().CurTab(), 0); // round past the last
    QTest::keyClick(&Window.Editor(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Window.Table().CurTab(), 1);
    QTest::keyClick(&Window.Editor(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Window.Table().CurTab(), 0);

    QKeyEvent alt(QEvent::KeyPress, Qt::Key_A, Qt::AltModifier, QStringLiteral("ф"));
    QApplication::sendEvent(&Window.Editor(), &alt);
    EXPECT_EQ(EditorText(), "");
    Dialogs.Answer(TAnswer::No); // an untitled document is never saved: closing asks
    QTest::keyClick(&Window.Editor(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(Window.Table().OpenCount(), 2);
}

// An older settings file, without the editor's section, loads; a zoom then
// keeps its size there and leaves every other line as it was.
TEST_F(MainWindowTest, AZoomIsKeptInTheSettingsFile) {
    const std::string older = "[ZK]\r\nBasicOptions=0001010100000400000000000000\r\n"
                              "[Include]\r\nCount=0\r\n";
    Dir.Write("Zk.ini", older);
    Window.LoadStartupSettings({QString::fromStdString(Dir.Path().string()), QString()});
    EXPECT_EQ(Window.Options().FontSize, 10);
    const int base = Window.Editor().FontPointSize();
    QTest::keyClick(&Window.Editor(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(Window.Editor().FontPointSize(), base + 1);
    const std::string kept =
        older + "\r\n[Editor]\r\nFontSize=" + std::to_string(base + 1) + "\r\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Dir.Read("Zk.ini") == kept; })) << Dir.Read("Zk.ini");
}

// The keys go to the current editor, so it has the focus, and shows its
// caret, once the window is shown and after a tab change made elsewhere.
TEST_F(MainWindowTest, TheEditorHasTheFocusAndShowsItsCaretAfterShowingAndATabChange) {
    const auto caretShown = [this] {
        const editor::TDCSyntaxMemo& memo = Window.Editor();
        const QImage shot = memo.viewport()->grab().toImage();
        const QRect caret = memo.CaretRect() & shot.rect();
        for (int y = caret.top(); y <= caret.bottom(); ++y)
            for (int x = caret.left(); x <= caret.right(); ++x)
                if (shot.pixelColor(x, y) == memo.palette().color(QPalette::Text)) return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor([this] { return Window.Editor().hasFocus(); }));
    EXPECT_TRUE(QTest::qWaitFor(caretShown));

    Trigger("MnuNewItm");
    Window.Tabs().setFocus();
    Window.Tabs().setCurrentIndex(0); // as a click on the tab does
    EXPECT_TRUE(QTest::qWaitFor([this] { return Window.Editor().hasFocus(); }));
    EXPECT_TRUE(QTest::qWaitFor(caretShown));
}

TEST_F(MainWindowTest, ScreenshotWithAHighlightedExample) {
    Window.OpenStartFile(QStringLiteral(VARNOK_SOURCE_DIR "/examples/reverse.zk"));
    Window.Editor().SetCaret(8, 2);
    QApplication::processEvents();
    const QString dir = QStringLiteral(VARNOK_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/main-window.png");
    ASSERT_TRUE(Window.grab().save(path));
    std::printf("main window screenshot: %s\n", qPrintable(path));
    EXPECT_EQ(Window.windowTitle(), "reverse.zk - Varnok 3.11");
    EXPECT_EQ(Panel(3), "3:9");
}

} // namespace
} // namespace zk::ide::test
