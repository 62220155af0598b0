// The file layer against the files a hostile user or a full disk offers:
// special files refused before anything waits, bounded reads, and a replace
// that leaves the old file whole whatever fails.
#include "platform/FileSystem.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>

namespace zk::test {
namespace {

namespace fs = std::filesystem;

TFileFault FaultOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TFileError& failure) {
        return failure.Fault();
    }
    ADD_FAILURE() << "no TFileError";
    return TFileFault::Other;
}

// The names in a directory, to see that a failed replace leaves no file of
// its own behind.
std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FileLayer : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return (Dir.Path() / name).string(); }

    TTempDir Dir;
};

TEST_F(FileLayer, OnlyRegularFilesAreReadAndNothingWaits) {
    const std::string fifo = PathOf("fifo.zk");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(PathOf("dir.zk"));
    EXPECT_EQ(FaultOf([&] { ReadRegularFile(fifo, 100); }), TFileFault::NotRegular);
    EXPECT_EQ(FaultOf([&] { ReadRegularFile("/dev/zero", 100); }), TFileFault::NotRegular);
    EXPECT_EQ(FaultOf([&] { ReadRegularFile(PathOf("dir.zk"), 100); }), TFileFault::IsDirectory);
    EXPECT_EQ(FaultOf([&] { ReadRegularFile(PathOf("none.zk"), 100); }), TFileFault::NotFound);
    EXPECT_EQ(FaultOf([&] { ReadRegularFile(PathOf("none/x.zk"), 100); }), TFileFault::NotFound);
}

TEST_F(FileLayer, AReadTakesExactlyItsLimitAndNoByteMore) {
    const std::string path = Dir.Write("ten.zk", "0123456789");
    TFileStamp stamp;
    EXPECT_EQ(ReadRegularFile(path, 10, &stamp), "0123456789");
    EXPECT_EQ(stamp.Size, 10);
    EXPECT_EQ(FaultOf([&] { ReadRegularFile(path, 9); }), TFileFault::TooLarge);
}

TEST_F(FileLayer, AUserFileIsNeverASpecialFile) {
    const std::string fifo = PathOf("Log.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const TWriteRule rule : {TWriteRule::UserFile, TWriteRule::ScratchFile})
        EXPECT_EQ(FaultOf([&] { ReplaceFile(fifo, "text", rule); }), TFileFault::NotRegular);
    EXPECT_EQ(FaultOf([&] { AppendToFile(fifo, "text"); }), TFileFault::NotRegular);
    EXPECT_EQ(FaultOf([&] { ReplaceFile("/dev/null", "x", TWriteRule::UserFile); }),
              TFileFault::NotRegular);
    EXPECT_TRUE(fs::is_fifo(fifo));
    // zk writes what the user names, a device too.
    EXPECT_NO_THROW(ReplaceFile("/dev/null", "x", TWriteRule::AnyFile));
    fs::create_directory(PathOf("dir"));
    EXPECT_EQ(FaultOf([&] { ReplaceFile(PathOf("dir"), "x", TWriteRule::AnyFile); }),
              TFileFault::IsDirectory);
}

TEST_F(FileLayer, AReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    const std::string path = Dir.Write("main.zk", "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path, PathOf("link.zk"));
    ReplaceFile(PathOf("link.zk"), "new", TWriteRule::UserFile);
    EXPECT_TRUE(fs::is_symlink(PathOf("link.zk")));
    EXPECT_EQ(Dir.Read("main.zk"), "new");
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(Dir.Path()), (std::vector<std::string>{"link.zk", "main.zk"}));
}

TEST_F(FileLayer, AReplacementDroppedUncommittedLeavesTheOldFile) {
    const std::string path = Dir.Write("main.zk", "old");
    const std::optional<TFileStamp> before = RegularFileStamp(path);
    {
        TFileReplacement file(path, TWriteRule::UserFile);
        file.Write("new");
    }
    EXPECT_EQ(Dir.Read("main.zk"), "old");
    EXPECT_EQ(RegularFileStamp(path), before);
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"main.zk"});
}

TEST_F(FileLayer, TheStampOfAReplacementIsTheStampOfTheFileItBecomes) {
    const std::string path = Dir.Write("main.zk", "old");
    TFileReplacement file(path, TWriteRule::ScratchFile);
    file.Write("newer");
    const std::optional<TFileStamp> promised = file.Stamp();
    file.Commit();
    ASSERT_TRUE(promised);
    EXPECT_EQ(RegularFileStamp(path), promised);
    EXPECT_NE(*promised, TFileStamp{});
}

TEST_F(FileLayer, AFileTooLargeForTheLimitLeavesTheOldOneWhole) {
    const std::string path = Dir.Write("Zk.ini", std::string(100, 'k'));
    // A size limit of the process stands in for a full disk on any machine.
    struct rlimit previous {};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 50;
    setrlimit(RLIMIT_FSIZE, &small);
    const TFileFault fault =
        FaultOf([&] { ReplaceFile(path, std::string(60, 'n'), TWriteRule::UserFile); });
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(fault, TFileFault::TooLarge);
    EXPECT_EQ(Dir.Read("Zk.ini"), std::string(100, 'k'));
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"Zk.ini"});
}

TEST(FileLayerMounted, AFullDiskLeavesTheOldFileWhole) {
    TMountedDir disk(TMountedDir::Small, 64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "no right to mount a file system";
    const std::string path = (disk.Path() / "Zk.ini").string();
    ReplaceFile(path, std::string(20 * 1024, 'k'), TWriteRule::UserFile);
    EXPECT_EQ(
        FaultOf([&] { ReplaceFile(path, std::string(60 * 1024, 'n'), TWriteRule::UserFile); }),
        TFileFault::NoSpace);
    EXPECT_EQ(RegularFileStamp(path)->Size, 20 * 1024);
    EXPECT_EQ(Names(disk.Path()), std::vector<std::string>{"Zk.ini"});
    EXPECT_EQ(FaultOf([&] { AppendToFile(path, std::string(60 * 1024, 'n')); }),
              TFileFault::NoSpace);
}

TEST(FileLayerMounted, AFolderNoOneMayWriteLeavesTheOldFileWhole) {
    TMountedDir disk(TMountedDir::ReadOnly);
    if (!disk.Mounted()) GTEST_SKIP() << "no right to mount a file system";
    const std::string path = disk.Place("main.zk", "old");
    EXPECT_EQ(FaultOf([&] { ReplaceFile(path, "new", TWriteRule::UserFile); }),
              TFileFault::ReadOnly);
    EXPECT_EQ(ReadRegularFile(path, 100), "old");
    EXPECT_EQ(FaultOf([&] { CreateEmptyFile((disk.Path() / "new.zk").string()); }),
              TFileFault::ReadOnly);
}

TEST(FileLayerWords, EachFaultHasItsRussianWords) {
    EXPECT_EQ(FaultText(FaultOfErrno(ENOSPC)), "Нет места на диске");
    EXPECT_EQ(FaultText(FaultOfErrno(EACCES)), "Нет доступа");
    EXPECT_EQ(FaultText(FaultOfErrno(ENOENT)), "Файл не найден");
    EXPECT_EQ(FaultText(FaultOfErrno(EDQUOT)), "Нет места на диске");
    EXPECT_EQ(FaultText(FaultOfErrno(0)), "Ошибка ввода-вывода");
}

} // namespace
} // namespace zk::test
