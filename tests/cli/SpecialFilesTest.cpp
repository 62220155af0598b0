// zk and the files a damaged disk or a hostile user offers: special files,
// files too large to hold, and a standard output that cannot be written. Each
// is refused with exit 66 and a message naming it, before anything waits or
// reads without end.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zk::test {
namespace {

class ZkSpecialFiles : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

TEST_F(ZkSpecialFiles, OnlyRegularFilesAreRead) {
    ASSERT_EQ(mkfifo((Dir.Path() / "fifo.zk").c_str(), 0600), 0);
    std::filesystem::create_directory(Dir.Path() / "dir.zk");
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    const struct {
        std::vector<std::string> Args;
        std::string Err;
    } cases[] = {
        {{"check", "/dev/zero"}, "zk: /dev/zero: is not a regular file\n"},
        {{"listing", "/dev/urandom"}, "zk: /dev/urandom: is not a regular file\n"},
        {{"check", "fifo.zk"}, "zk: fifo.zk: is not a regular file\n"},
        {{"run", "fifo.zk"}, "zk: fifo.zk: is not a regular file\n"},
        {{"check", "dir.zk"}, "zk: dir.zk: is a directory\n"},
        {{"run", "pair.zk", "--input", "/dev/zero"}, "zk: /dev/zero: is not a regular file\n"},
        {{"run", "pair.zk", "--input", "fifo.zk"}, "zk: fifo.zk: is not a regular file\n"},
    };
    for (const auto& c : cases) {
        const TProcessResult r = Zk(c.Args);
        EXPECT_EQ(r.Status, 66) << c.Args[1];
        EXPECT_EQ(r.Err, c.Err);
    }
}

TEST_F(ZkSpecialFiles, AFileLargerThanAnyTheSystemHoldsIsRefusedUnread) {
    // 3 GB, sparse: only its signature takes room on the disk.
    Dir.Write("huge.zkp", std::string("\x03\x00ZKP", 5));
    std::filesystem::resize_file(Dir.Path() / "huge.zkp", uint64_t{3} << 30);
    Dir.Write("huge.zk", "(F (X) X)");
    std::filesystem::resize_file(Dir.Path() / "huge.zk", uint64_t{3} << 30);
    for (const char* file : {"huge.zkp", "huge.zk"}) {
        const TProcessResult r = Zk({"run", file, "a"});
        EXPECT_EQ(r.Status, 66);
        EXPECT_EQ(r.Err.rfind(std::string("zk: ") + file + ": file larger than ", 0), 0u) << r.Err;
    }
}

TEST_F(ZkSpecialFiles, AResultThatCannotBeWrittenIsAFailure) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    // A listing of many pieces stops at the first piece that is lost.
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "(F" + std::to_string(i) + " (X) X)\n";
    Dir.Write("many.zk", many);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"run", "pair.zk", "a", "b"},
          {"listing", "pair.zk"},
          {"listing", "many.zk"},
          {"check", "pair.zk"}}) {
        const TProcessResult r = RunZkWithStdout(args, Dir.Path(), "/dev/full");
        EXPECT_EQ(r.Status, 66) << args[0];
        EXPECT_EQ(r.Err, "zk: standard output: No space left on device\n");
    }
    Dir.Write("dot.zk", "(P () (QUOTE 10 10 PIXEL 1 1 4))");
    const TProcessResult r = Zk({"run", "dot.zk", "--picture", "/dev/full"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_EQ(r.Err, "zk: /dev/full: No space left on device\n");
}

} // namespace
} // namespace zk::test
