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

    Editor.Type(Table, "(A2)"); // an edit would end Pristine too
    Table.Open("/src/second.zk", "(B)");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"first.zk", "second.zk"}));
    EXPECT_EQ(Table.CurTab(), 1);
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

TEST_F(DocumentTableTest, ABuildSeesEveryDocumentWithTheEditorsTextAndItsPath) {
    Table.Open("/src/\xD1\x91.zk", "old"); // "ё.zk": the system's bytes are UTF-8
    Editor.Type(Table, "edited");
    Table.New();
    Editor.Type(Table, "typed");
    const std::vector<TDocumentCopy> copies = Table.DocumentCopies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].Slot, 1);
    EXPECT_EQ(copies[0].FilePath, "/src/\xD1\x91.zk");
    EXPECT_EQ(copies[0].Text, "edited");
    EXPECT_EQ(copies[1].FilePath, "");
    EXPECT_EQ(copies[1].Text, "typed");
}

TEST_F(DocumentTableTest, TheModifiedMarkFollowsUndoBackToTheSavedText) {
    const zk::test::TTempDir dir;
    Table.Open(dir.Write("first.zk", "(A)"), "(A)");
    EXPECT_EQ(Table.TabCaption(0), "first.zk");
    Editor.Type(Table, "(A2)");
    EXPECT_EQ(Table.TabCaption(0), "first.zk*");
    Editor.Dirty = false; // undone back to the text of the file
    Table.OnMmoChange();
    EXPECT_EQ(Table.TabCaption(0), "first.zk");
    EXPECT_TRUE(Table.Current().Saved);

    Table.New();
    EXPECT_EQ(Table.TabCaption(1), W("Безымянный 2"));
    Editor.Type(Table, "draft");
    EXPECT_EQ(Table.TabCaption(1), W("Безымянный 2*"));
    Editor.Type(Table, ""); // edited away to nothing: nothing to lose
    EXPECT_EQ(Table.TabCaption(1), W("Безымянный 2"));
    EXPECT_FALSE(Table.Current().Saved); // an untitled document is never saved
}

TEST_F(DocumentTableTest, ARestoredDocumentIsUnsavedAndReplacesOnlyAnUntouchedStart) {
    EXPECT_TRUE(Table.Restore("/src/lost.zk", "(L)"));
    EXPECT_EQ(Table.OpenCount(), 1);
    EXPECT_EQ(Table.TabCaption(0), "lost.zk*");
    EXPECT_TRUE(Editor.Dirty);
    Editor.Dirty = false; // undo cannot make it the file's text
    Table.OnMmoChange();
    EXPECT_FALSE(Table.Current().Saved);
    TDocumentFormat utf8;
    utf8.Encoding = TTextEncoding::Utf8;
    EXPECT_TRUE(Table.Restore("", "(U)", utf8));
    EXPECT_EQ(Table.OpenCount(), 2);
    EXPECT_EQ(Table.TabCaption(1), W("Безымянный 2*"));
    EXPECT_EQ(Table.Current().Format.Encoding, TTextEncoding::Utf8);
}

} // namespace
} // namespace zk::ide
