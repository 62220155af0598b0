// The line store: splitting, growth, notices, index errors and files.
#include "editor/MemoStrings.h"

#include "frontend/FileIO.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk::editor {
namespace {

// Notices as one text: "[" "]" for begin and end, c i d for changed,
// inserted, deleted rows, "x" for cleared.
class TNoticeLog : public TMemoStringsObserver {
public:
    void BeginChange() override { Log += "["; }
    void EndChange() override { Log += "]"; }
    void LinesChanged(int32_t first, int32_t last) override { Add('c', first, last); }
    void LinesInserted(int32_t first, int32_t last) override { Add('i', first, last); }
    void LinesDeleted(int32_t first, int32_t last) override { Add('d', first, last); }
    void LinesCleared() override { Log += "x"; }
    std::string Log;

private:
    void Add(char kind, int32_t first, int32_t last) {
        Log += kind + std::to_string(first) + "-" + std::to_string(last);
    }
};

std::vector<std::string> LinesOf(const TDCMemoStrings& lines) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < lines.Count(); ++i)
        out.push_back(lines[i]);
    return out;
}

using Lines = std::vector<std::string>;

TEST(MemoStrings, TextsSplitAtEveryKindOfLineBreak) {
    TDCMemoStrings lines;
    lines.SetText("a\r\nb\rc\nd");
    EXPECT_EQ(LinesOf(lines), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(lines.Text(), "a\r\nb\r\nc\r\nd\r\n");
    lines.SetText("a\n\n");
    EXPECT_EQ(LinesOf(lines), (Lines{"a", ""})) << "a final break starts no line";
    lines.SetText("");
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(lines.Text(), "");
    lines.Add("");
    lines.Add("x\r\n");
    lines.Insert(1, "p\nq");
    lines.Put(0, "r\rs");
    EXPECT_EQ(LinesOf(lines), (Lines{"r", "s", "p", "q", "x"}));
    EXPECT_EQ(SplitAtBreaks("a\r\n\n"), (std::vector<std::string_view>{"a", "", ""}));
}

TEST(MemoStrings, CapacityGrowsByTheRule) {
    TDCMemoStrings lines;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 100; ++i) {
        lines.Add("x");
        if (capacities.empty() || capacities.back() != lines.Capacity())
            capacities.push_back(lines.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(MemoStrings, EachOperationIsEnclosedByBeginAndEnd) {
    TDCMemoStrings lines;
    TNoticeLog log;
    lines.SetObserver(&log);
    lines.SetText("a\nb");
    lines.Put(1, "c");
    lines.InsertLines(2, {"d", "e"});
    lines.DeleteLines(0, 2);
    lines.Clear();
    EXPECT_EQ(log.Log, "[xi0-1][c1-1][i2-3][d0-1][x]");
}

TEST(MemoStrings, AnUpdateSendsOneBeginAndEndWhenItChangesSomething) {
    TDCMemoStrings lines;
    TNoticeLog log;
    lines.SetObserver(&log);
    lines.BeginUpdate();
    lines.BeginUpdate();
    lines.EndUpdate();
    lines.EndUpdate();
    EXPECT_EQ(log.Log, "");
    lines.BeginUpdate();
    lines.Add("a");
    lines.BeginUpdate();
    lines.Add("b");
    lines.EndUpdate();
    EXPECT_EQ(log.Log, "[i0-0i1-1");
    lines.EndUpdate();
    EXPECT_EQ(log.Log, "[i0-0i1-1]");
    lines.SetNotify(false);
    lines.Add("c");
    EXPECT_EQ(log.Log, "[i0-0i1-1]");
}

TEST(MemoStrings, IndexesOutsideTheListAreRefused) {
    TDCMemoStrings lines;
    lines.SetText("a\nb");
    TNoticeLog log;
    lines.SetObserver(&log);
    try {
        lines.Put(2, "x");
        FAIL() << "no error";
    } catch (const TListIndexError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (2)");
    }
    EXPECT_THROW(lines.Get(-1), TListIndexError);
    EXPECT_THROW(lines.Insert(3, "x"), TListIndexError);
    EXPECT_THROW(lines.DeleteLines(1, 2), TListIndexError);
    EXPECT_THROW(lines.SyntaxOf(2), TListIndexError);
    lines.Insert(2, "c");
    EXPECT_EQ(LinesOf(lines), (Lines{"a", "b", "c"}));
    EXPECT_EQ(log.Log, "[i2-2]") << "refused operations send nothing";
}

TEST(MemoStrings, FilesHoldLinesEndedByCrLf) {
    const test::TTempDir dir;
    TDCMemoStrings lines;
    lines.LoadFromFile(dir.Write("a.zk", "one\ntwo\r\nthree"));
    EXPECT_EQ(LinesOf(lines), (Lines{"one", "two", "three"}));
    const std::string path = dir.Write("b.zk", "old contents that are longer");
    lines.SaveToFile(path);
    EXPECT_EQ(dir.Read("b.zk"), "one\r\ntwo\r\nthree\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "b.zk.new"));
    EXPECT_THROW(lines.LoadFromFile((dir.Path() / "missing.zk").string()), TFileError);
    EXPECT_EQ(lines.Count(), 3) << "a failed load keeps the lines";
    EXPECT_THROW(lines.SaveToFile((dir.Path() / "no" / "c.zk").string()), TFileError);
}

} // namespace
} // namespace zk::editor
