// The document slots: tab names, slot reuse, the start-up document, the tab
// change and close, and which documents leaving would lose.
#include "ide/DocumentTable.h"

#include "FakeEditor.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk::ide {
namespace {

using test::TFakeEditor;
using zk::test::W;

class DocumentTableTest : public ::testing::Test {
protected:
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (int tab = 0; tab < Table.OpenCount(); ++tab)
            titles.push_back(Table.TabTitle(tab));
        return titles;
    }

    TFakeEditor Editor;
    TDocumentTable Table{Editor};
};

TEST_F(DocumentTableTest, FifteenDocumentsThenAFreedSlotIsReusedByNumber) {
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(Table.New().Status, W("Создан новый файл"));
    EXPECT_EQ(Table.OpenCount(), 15);
    EXPECT_EQ(Table.TabTitle(14), W("Безымянный 15"));

    const TTableResult refused = Table.New();
    EXPECT_EQ(refused.Error, W("Слишком много открытых файлов"));
    EXPECT_TRUE(refused.Status.empty());
    EXPECT_EQ(Table.OpenCount(), 15);

    Table.ChangeTab(4);
    EXPECT_EQ(Table.CloseCurrent().Status, W("Файл закрыт"));
    EXPECT_EQ(Table.TabTitle(4), W("Безымянный 6"));
    EXPECT_EQ(Table.CurTab(), 4);
    Table.New();
    EXPECT_EQ(Table.TabTitle(14), W("Безымянный 5"));
    EXPECT_EQ(Table.CurTab(), 14);
}

TEST_F(DocumentTableTest, FirstOpenReplacesTheStartUpDocumentAndTheSecondAddsATab) {
    EXPECT_TRUE(Table.Pristine());
    EXPECT_EQ(Table.Open("/src/first.zk", "(A)").Status, W("Открыт файл first.zk"));
    EXPECT_EQ(Titles(), std::vector<std::string>{"first.zk"});
    EXPECT_FALSE(Table.Pristine());
    EXPECT_TRUE(Table.Current().Saved);
    EXPECT_EQ(Editor.Text(), "(A)");

    Table.Open("/src/second.zk", "(B)");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"first.zk", "second.zk"}));
    EXPECT_EQ(Table.CurTab(), 1);
}

TEST_F(DocumentTableTest, AnEditEndsPristineSoOpenAddsATab) {
    Table.StartWithFile("/src/given.zk", "X");
    EXPECT_TRUE(Table.Pristine());
    Editor.Type(Table, "XY");
    EXPECT_FALSE(Table.Current().Saved);
    Table.Open("/src/other.zk", "");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"given.zk", "other.zk"}));
    Table.ChangeTab(0);
    EXPECT_EQ(Editor.Text(), "XY");
}

TEST_F(DocumentTableTest, TabChangeStoresTheTextAndCaretOfTheTabLeft) {
    Editor.Type(Table, "first\r\nline");
    Editor.SetCaret(2, 1);
    Table.New();
    EXPECT_EQ(Editor.Text(), "");
    Editor.Type(Table, "second");
    Table.ChangeTab(0);
    EXPECT_EQ(Editor.Text(), "first\r\nline");
    EXPECT_EQ(Editor.Col(), 2);
    EXPECT_EQ(Editor.Row(), 1);
    EXPECT_EQ(Table.Slot(2).Text, "second");
}

TEST_F(DocumentTableTest, CloseShowsTheNextDocumentWithoutStoringTheClosedText) {
    Editor.Type(Table, "A");
    Table.New();
    Editor.Type(Table, "B");
    Table.New();
    Editor.Type(Table, "C");
    Table.ChangeTab(1);
    Editor.Type(Table, "B edited");

    Table.CloseCurrent();
    EXPECT_EQ(Table.OpenCount(), 2);
    EXPECT_EQ(Table.CurTab(), 1);
    EXPECT_EQ(Editor.Text(), "C");
    EXPECT_EQ(Table.Slot(3).Text, "C");
    EXPECT_TRUE(Table.Slot(2).IsFree);
    EXPECT_EQ(Table.TabSlot(2), 0);

    Table.CloseCurrent(); // the last tab: its left neighbour becomes current
    EXPECT_EQ(Table.CurTab(), 0);
    EXPECT_EQ(Editor.Text(), "A");
    EXPECT_EQ(Table.CloseCurrent().Status, ""); // the last document stays
    EXPECT_EQ(Table.OpenCount(), 1);
}

TEST_F(DocumentTableTest, LeavingWouldLoseChangedFilesAndUntitledTextsOnly) {
    Table.Open("/src/kept.zk", "K");    // tab 0, saved
    Table.Open("/src/changed.zk", "C"); // tab 1
    Editor.Type(Table, "C2");
    Table.New(); // tab 2, untitled and empty
    Table.New(); // tab 3, untitled with text
    Editor.Type(Table, "draft");
    Table.ChangeTab(2);
    EXPECT_EQ(Table.UnsavedTabs(), (std::vector<int>{1, 3}));
}

TEST_F(DocumentTableTest, ABuildSeesEveryDocumentWithTheEditorsTextAndPathsInTheCodePage) {
    Table.Open("/src/\xD1\x91.zk", "old"); // "ё.zk": the system's bytes are UTF-8
    Editor.Type(Table, "edited");
    Table.New();
    Editor.Type(Table, "typed");
    const std::vector<TDocumentCopy> copies = Table.DocumentCopies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].Slot, 1);
    EXPECT_EQ(copies[0].FilePath, W("/src/ё.zk"));
    EXPECT_EQ(copies[0].Text, "edited");
    EXPECT_EQ(copies[1].FilePath, "");
    EXPECT_EQ(copies[1].Text, "typed");
}

} // namespace
} // namespace zk::ide
