// The record of the files the environment writes into a temporary directory
// that may be the student's own folder: a file is the environment's only
// while it is the very file it wrote.
#include "ide/TempFiles.h"
#include "TestFiles.h"
#include "frontend/FileIO.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace zk::ide {
namespace {

using test::TTempDir;

class TempFilesTest : public ::testing::Test {
protected:
    bool Present(const std::string& name) const {
        return std::filesystem::exists(Dir.Path() / name);
    }

    TTempDir Dir;
    TTempFiles Temp{Dir.Path().string(), 7};
};

TEST_F(TempFilesTest, AStudentsFileThatTookARecordedNameIsNeitherOverwrittenNorDeleted) {
    ASSERT_EQ(Temp.FlushMemo("lib.zk", "(G (X) X)"), std::nullopt);
    // The student deletes the copy and saves a file of the same name there.
    std::filesystem::remove(Dir.Path() / "lib.zk");
    const std::string own = Dir.Write("lib.zk", "(MINE (X) X)");
    EXPECT_EQ(Temp.FlushMemo("lib.zk", "(G (Y) Y)"), own);
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_EQ(Dir.Read("lib.zk"), "(MINE (X) X)");
    // Forgotten now: the next start's ClearTemp leaves it too.
    EXPECT_TRUE(TTempFiles(Dir.Path().string()).ClearTemp());
    EXPECT_EQ(Dir.Read("lib.zk"), "(MINE (X) X)");
}

TEST_F(TempFilesTest, ACopyRewrittenByAnotherProgramIsNoLongerOurs) {
    ASSERT_EQ(Temp.FlushMemo("lib.zk", "(G (X) X)"), std::nullopt);
    Dir.Write("lib.zk", "(EDITED (X) X)"); // same inode, another size
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_EQ(Dir.Read("lib.zk"), "(EDITED (X) X)");
}

TEST_F(TempFilesTest, OwnCopiesAreOverwrittenAndDeleted) {
    ASSERT_EQ(Temp.FlushMemo("lib.zk", "(G (X) X)"), std::nullopt);
    ASSERT_EQ(Temp.FlushMemo("lib.zk", "(G (Y) Y)"), std::nullopt);
    EXPECT_EQ(Dir.Read("lib.zk"), "(G (Y) Y)\r\n");
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_FALSE(Present("lib.zk"));
}

TEST_F(TempFilesTest, ANameWithALineBreakStaysOneRecord) {
    const std::string own = Dir.Write("b.zk", "(MINE (X) X)");
    ASSERT_EQ(Temp.FlushMemo("a\nb.zk", "(G (X) X)"), std::nullopt);
    ASSERT_EQ(Temp.FlushMemo("100%.zk", "(H (X) X)"), std::nullopt);
    // Every build overwrites its own copy and deletes it at the next start.
    EXPECT_EQ(Temp.FlushMemo("a\nb.zk", "(G (Y) Y)"), std::nullopt);
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_FALSE(Present("a\nb.zk"));
    EXPECT_FALSE(Present("100%.zk"));
    EXPECT_EQ(ReadWholeFile(own), "(MINE (X) X)");
    EXPECT_EQ(Temp.FlushMemo("a\nb.zk", "(G (Z) Z)"), std::nullopt);
}

TEST_F(TempFilesTest, AListOfNamesAloneCoversOnlyFilesNoNewerThanItself) {
    Dir.Write("old.zk", "(G (X) X)");
    Dir.Write("late.zk", "(MINE (X) X)");
    Dir.Write(kTempListName, "old.zk\nlate.zk\n../escape.zk\n");
    // The student's file came a minute after the list was last written.
    const auto list = Dir.Path() / std::string(kTempListName);
    std::filesystem::last_write_time(
        Dir.Path() / "late.zk", std::filesystem::last_write_time(list) + std::chrono::minutes(1));
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_FALSE(Present("old.zk"));
    EXPECT_EQ(Dir.Read("late.zk"), "(MINE (X) X)");
}

TEST_F(TempFilesTest, ASymbolicLinkOrAFifoUnderARecordedNameIsLeftAlone) {
    ASSERT_EQ(Temp.FlushMemo("lib.zk", "(G (X) X)"), std::nullopt);
    ASSERT_EQ(Temp.FlushMemo("pipe.zk", "(G (X) X)"), std::nullopt);
    const std::string target = Dir.Write("target.txt", "keep");
    std::filesystem::remove(Dir.Path() / "lib.zk");
    std::filesystem::create_symlink(target, Dir.Path() / "lib.zk");
    std::filesystem::remove(Dir.Path() / "pipe.zk");
    ASSERT_EQ(mkfifo((Dir.Path() / "pipe.zk").c_str(), 0600), 0);
    EXPECT_TRUE(Temp.FlushMemo("lib.zk", "x").has_value());
    EXPECT_TRUE(Temp.FlushMemo("pipe.zk", "x").has_value());
    EXPECT_TRUE(Temp.ClearTemp());
    EXPECT_TRUE(std::filesystem::is_symlink(Dir.Path() / "lib.zk"));
    EXPECT_TRUE(std::filesystem::is_fifo(Dir.Path() / "pipe.zk"));
    EXPECT_EQ(Dir.Read("target.txt"), "keep");
}

} // namespace
} // namespace zk::ide
