// File names outside Windows-1251 reach the file system as the command line
// gave them; only the texts of the system (the compile log) replace the
// characters the code page lacks.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

constexpr const char* kReverse = "(REV (L) (CALL INTO L (QUOTE)))\n"
                                 "(INTO (L A) (IF (EQUAL L (QUOTE)) A"
                                 " (CALL INTO (BF L) (EXPR (FIRST L) A))))\n";

class ZkFileNames : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

TEST_F(ZkFileNames, NamesOutsideTheCodePageAreReadAndWrittenAsGiven) {
    Dir.Write("日本.zk", kReverse);
    ASSERT_EQ(Zk({"build", "日本.zk", "-o", "日本.ZKP"}).Status, 0);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "日本.ZKP"));
    const TProcessResult r =
        Zk({"run", "日本.ZKP", "a b", "--output", "中文.txt", "--log", "ログ.txt"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Dir.Read("中文.txt"), "B A \r\n");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "??.txt"));
}

TEST_F(ZkFileNames, AUnitInADirectorySoNamedIsFoundAndLoggedWithAReplacement) {
    Dir.Write("単位/lib.zk", "(EXPORT G)\n(G (X) (BF X))\n");
    Dir.Write("main.zk", "(USES LIB)\n(F (X) (CALL G X))\n");
    TProcessResult r = Zk({"run", "main.zk", "a b", "-I", "単位", "--log", "ログ.txt"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "B \n");
    EXPECT_NE(Dir.Read("ログ.txt").find(" ?\?/lib.zk\r\n"), std::string::npos);

    // The error line names the file as it lies on disk.
    Dir.Write("単位/lib.zk", "(EXPORT G)\n(G (X) (BF))\n");
    r = Zk({"check", "main.zk", "-I", "単位"});
    EXPECT_EQ(r.Err, "単位/lib.zk:2:11: Ошибка: Ошибка в терме BF - #10\n");
}

} // namespace
} // namespace zk::test
