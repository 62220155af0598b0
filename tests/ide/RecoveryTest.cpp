// Recovery copies: the store's folders and locks, and the main window that
// keeps copies of its unsaved documents, writes them when SIGTERM comes, and
// offers them at the next start.
#include "ide/MainWindow.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "ide/QtText.h"
#include "ide/RecoveryStore.h"

#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;

TEST(RecoveryStore, ACopyRoundTripsAnyBytesAndADamagedOneIsRefused) {
    const TRecoveryCopy copy{"/home/u/a\nb%.zk", "a\nb%.zk", "(F (X)\r\n X)\n\n", 1796390400, {}, {}};
    const std::optional<TRecoveryCopy> back = DecodeRecoveryCopy(EncodeRecoveryCopy(copy));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->FilePath, copy.FilePath);
    EXPECT_EQ(back->Title, copy.Title);
    EXPECT_EQ(back->Text, copy.Text);
    EXPECT_EQ(back->Time, copy.Time);
    std::string cut = EncodeRecoveryCopy(copy);
    cut.resize(cut.find("\n\n"));
    EXPECT_FALSE(DecodeRecoveryCopy(cut));
    EXPECT_FALSE(DecodeRecoveryCopy("VARNOK RECOVERY 1\npath x\ntitle x\ntime 12a\n\ntext"));
}

// A restored document must be saved as its file was: in UTF-8 with LF, the
// characters Windows-1251 lacks given back.
TEST(RecoveryStore, ACopyKeepsItsFilesFormatAndAnOlderCopyTakesTheDefault) {
    TRecoveryCopy copy{"/u/a.zk", "a.zk", "(F) ; \x98 \x98", 7, {}, {}};
    copy.Format.Encoding = TTextEncoding::Utf8;
    copy.Format.LfLineEnds = true;
    copy.Format.Unmappable = {U'\u2260', U'\U0001F600'};
    const std::optional<TRecoveryCopy> back = DecodeRecoveryCopy(EncodeRecoveryCopy(copy));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Format.Name(), "UTF-8, LF");
    EXPECT_FALSE(back->Format.Bom);
    EXPECT_EQ(back->Format.Unmappable, copy.Format.Unmappable);
    EXPECT_EQ(back->Text, copy.Text);

    const std::optional<TRecoveryCopy> older =
        DecodeRecoveryCopy("VARNOK RECOVERY 1\npath x\ntitle x\ntime 12\n\n(A)");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->Format.Name(), "Windows-1251, CR LF");
    EXPECT_EQ(older->Text, "(A)");
    EXPECT_FALSE(DecodeRecoveryCopy(
        "VARNOK RECOVERY 1\npath x\ntitle x\ntime 12\nunmappable 110000\n\n\x98"));
}

TEST(RecoveryStore, OnlyTheCopiesOfARunThatEndedAreOrphans) {
    const TTempDir state;
    TRecoveryStore living(state.Path().string());
    ASSERT_TRUE(living.Begin());
    living.Keep(1, {"", "Безымянный 1", "(A)", 10, {}, {}});
    {
        TRecoveryStore ended(state.Path().string());
        ASSERT_TRUE(ended.Begin());
        ended.Keep(3, {"/x/b.zk", "b.zk", "(B)", 20, {}, {}});
        ended.Keep(4, {"/x/c.zk", "c.zk", "(C)", 5, {}, {}});
    } // its lock goes as a killed run's would

    TRecoveryStore next(state.Path().string());
    ASSERT_TRUE(next.Begin());
    const std::vector<TRecoveryCopy> orphans = next.Orphans();
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].Text, "(C)"); // the oldest first
    EXPECT_EQ(orphans[1].FilePath, "/x/b.zk");
    next.Forget(orphans);
    EXPECT_TRUE(next.Orphans().empty());

    living.End(); // a clean end leaves nothing to offer
    std::size_t folders = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(state.Path() / "recovery"))
        ++folders;
    EXPECT_EQ(folders, 1u); // the next run's own
}

class RecoveryWindowTest : public ::testing::Test {
protected:
    std::vector<std::filesystem::path> Copies() const {
        std::vector<std::filesystem::path> copies;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(State.Path()))
            if (entry.path().extension() == ".zkr") copies.push_back(entry.path());
        return copies;
    }

    TTempDir State, Dir;
    TAnsweringDialogs Dialogs;
};

TEST_F(RecoveryWindowTest, SigtermKeepsTheUnsavedDocumentsAndTheNextStartRestoresThem) {
    const std::string lib = Dir.Write("lib.zk", "(G (X) X)\r\n");
    {
        TMainFrm window{Dialogs};
        bool quit = false;
        window.Quit = [&] { quit = true; };
        window.OpenStartFile(PathString(lib));
        window.StartSession(State.Path().string());
        window.Editor().SetCaret(9, 0);
        QTest::keyClicks(&window.Editor(), " ;");
        window.MnuNewItmClick();
        QTest::keyClicks(&window.Editor(), "(DRAFT)");
        window.MnuNewItmClick(); // empty: nothing to keep
        EXPECT_TRUE(Copies().empty());

        std::raise(SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor([&] { return quit; }));
        EXPECT_EQ(Copies().size(), 2u);
        EXPECT_EQ(Dir.Read("lib.zk"), "(G (X) X)\r\n"); // the file itself is not touched
    }

    Dialogs.Answer(TAnswer::Yes);
    TMainFrm next{Dialogs};
    next.StartSession(State.Path().string());
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    const QString question = Dialogs.MessageTexts()[0];
    EXPECT_TRUE(question.startsWith("Восстановить несохранённые документы?\n"));
    EXPECT_TRUE(question.contains("lib.zk (" + PathString(lib) + "), "));
    EXPECT_TRUE(question.contains("Безымянный 2, "));
    ASSERT_EQ(next.Tabs().count(), 2);
    EXPECT_EQ(next.Tabs().tabText(0), "lib.zk*");
    EXPECT_EQ(next.Tabs().tabText(1), "Безымянный 2*");
    EXPECT_EQ(FromText1251(next.Editors().Text()), "(DRAFT)");
    next.OnChgTab(0);
    EXPECT_EQ(FromText1251(next.Editors().Text()), "(G (X) X) ;");

    // The copies now belong to this run; saving the document drops its copy.
    EXPECT_EQ(Copies().size(), 2u);
    next.MnuSaveItmClick();
    EXPECT_EQ(Dir.Read("lib.zk"), "(G (X) X) ;\r\n");
    EXPECT_EQ(Copies().size(), 1u);
}

TEST_F(RecoveryWindowTest, NoDiscardsTheCopiesOfTheEndedRun) {
    {
        TMainFrm window{Dialogs};
        window.Quit = [] {};
        window.StartSession(State.Path().string());
        QTest::keyClicks(&window.Editor(), "(LOST)");
        window.KeepRecoveryCopies();
        EXPECT_EQ(Copies().size(), 1u);
    }
    Dialogs.Answer(TAnswer::No);
    TMainFrm next{Dialogs};
    next.StartSession(State.Path().string());
    EXPECT_EQ(next.Tabs().count(), 1);
    EXPECT_TRUE(Copies().empty());
}

} // namespace
} // namespace zk::ide::test
