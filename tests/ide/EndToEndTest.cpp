// The environment as a student uses it, offscreen: an example opened, checked
// with F9, run with Control+F9 with its parameter typed into the input
// dialog, a picture program run into the picture window, each with the same
// result as `zk` gives; and a program and a unit compiled from the menu giving
// the same files as `zk`. The progress dialog, the result window and the
// picture window are saved as screenshots.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "Typing.h"
#include "WhenReady.h"
#include "compiler/CompileLog.h"
#include "ide/RunDialogs.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;

const QString kExamples = QStringLiteral(VARNOK_SOURCE_DIR "/examples/");

void SaveShot(const QPixmap& shot, const char* name) {
    const QString dir = QStringLiteral(VARNOK_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    const QString path = dir + "/" + name;
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    std::printf("screenshot: %s\n", qPrintable(path));
}

// What `zk` prints on its standard output, once it has ended well.
QString RunZk(const QStringList& arguments) {
    QProcess zk;
    zk.start(QStringLiteral(ZK_EXECUTABLE), arguments);
    EXPECT_TRUE(zk.waitForFinished(60000));
    EXPECT_EQ(zk.exitCode(), 0) << zk.readAllStandardError().toStdString();
    return QString::fromUtf8(zk.readAllStandardOutput());
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultOptions(Window.Options());
        Window.Options().TempDir = Temp.Path().string();
        Window.Options().ExtOutputDir = Out.Entry();
        Window.show();
        Window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    }
    void TearDown() override { CompileLog.clear(); }

    void OpenExample(const char* name) {
        Dialogs.ChooseFile(kExamples + name);
        Window.Action("MnuOpenItm")->trigger();
        ASSERT_EQ(Window.Tabs().tabText(Window.Tabs().currentIndex()), name);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&Window.Editor(), static_cast<Qt::Key>(key), modifiers);
    }
    QString Panel(int panel) const { return Window.StatusPanel(panel).text(); }
    TRunWindows& Run() { return Window.RunWindows(); }

    TTempDir Temp, Out;
    TAnsweringDialogs Dialogs;
    TMainFrm Window{Dialogs};
};

TEST_F(EndToEnd, CheckAndRunAnExampleWithItsParameterTyped) {
    OpenExample("reverse.zk");
    Key(Qt::Key_F9);
    EXPECT_EQ(Dialogs.MessageTexts(), std::vector<QString>{"Ошибок в исходном коде не обнаружено"});
    EXPECT_EQ(Panel(2), "Нет ошибок");

    QString parameter, result;
    WhenShown(Run().Input, [&] {
        parameter = Run().Input.LblParName->text();
        TypeText(Run().Input.EdtParam, "a b c");
        QTest::keyClick(Run().Input.EdtParam, Qt::Key_Return);
    });
    WhenShown(Run().Result, [&] {
        result = Run().Result.Text();
        SaveShot(Run().Result.grab(), "result-window.png");
        Run().Result.CmdOK->click();
    });
    QString instructions;
    Run().Interp.RunEnded = [&] {
        instructions = Run().Interp.LblNumInstr->text();
        SaveShot(Run().Interp.grab(), "progress-dialog.png");
        Run().Interp.close();
    };
    Key(Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(parameter, "Параметр 1 из 1 (L)");
    EXPECT_EQ(result, "C B A ");
    EXPECT_EQ(result + "\n", RunZk({"run", kExamples + "reverse.zk", "a b c"}));
    EXPECT_GT(instructions.toLongLong(), 0);
    EXPECT_EQ(Panel(0), "Программа была запущена");
    EXPECT_EQ(Dialogs.MessageTexts().size(), 1u); // nothing since the check
}

TEST_F(EndToEnd, APictureProgramOpensThePictureWindow) {
    OpenExample("house.zk");
    Window.Action("MnuGraphInterpItm")->trigger();
    QSize client, image;
    WhenShown(Run().Graph, [&] {
        client = Run().Graph.size();
        image = Run().Graph.ImgMain->pixmap().size();
        SaveShot(Run().Graph.grab(), "picture-window.png");
        Dialogs.ChooseFile(QString::fromStdString(Out.Entry() + "house.bmp"));
        Run().Graph.CmdSave->click();
        Run().Graph.CmdOK->click();
    });
    Run().Interp.RunEnded = [&] { Run().Interp.close(); };
    Key(Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(image, QSize(240, 180));
    EXPECT_EQ(client, QSize(250, 220));
    EXPECT_TRUE(Dialogs.MessageTexts().empty());
    const QString drawn = QString::fromStdString(Out.Entry() + "zk.bmp");
    RunZk({"run", kExamples + "house.zk", "--picture", drawn});
    EXPECT_EQ(Out.Read("house.bmp"), Out.Read("zk.bmp"));
}

TEST_F(EndToEnd, CompilingInTheWindowAndWithZkGivesTheSameFiles) {
    Window.Options().LogMode = 1;
    Window.Options().PCDOut = true;
    TTempDir zkOut;
    const struct {
        const char* Example;
        const char* Command;
        const char* Menu;
        const char* File;
    } builds[] = {{"reverse.zk", "build", "MnuProgCompileItm", "reverse.ZKP"},
                  {"lists.zk", "unit", "MnuCompileModuleItm", "lists.zku"}};
    for (const auto& build : builds) {
        SCOPED_TRACE(build.Example);
        // Saved by the environment, the file has the same CR LF line ends
        // as the main module of the build; the offsets in the listing and
        // the length in the log count them.
        OpenExample(build.Example);
        const QString saved = QString::fromStdString(zkOut.Entry()) + build.Example;
        Dialogs.ChooseFile(saved);
        Window.Action("MnuSaveAsItm")->trigger();
        Dialogs.ChooseFile(QString::fromStdString(Out.Entry() + build.File));
        Window.Action(build.Menu)->trigger();
        ASSERT_TRUE(Dialogs.MessageTexts().empty());

        const QString dir = QString::fromStdString(zkOut.Entry());
        RunZk({build.Command, saved, "-o", dir + build.File, "--log", dir + "Log.txt", "--listing",
               dir + "PCode.txt"});
        EXPECT_EQ(Out.Read(build.File), zkOut.Read(build.File));
        EXPECT_EQ(Out.Read("PCode.txt"), zkOut.Read("PCode.txt"));
        EXPECT_EQ(Out.Read("Log.txt"), zkOut.Read("Log.txt"));
    }
}

} // namespace
} // namespace zk::ide::test
