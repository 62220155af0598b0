// zk with files as Linux editors write them: UTF-8 sources, included files and
// parameter files, error places counted in characters, and a character that
// Windows-1251 lacks reported where it stands.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

class ZkUtf8 : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

TEST_F(ZkUtf8, ACharacterWindows1251LacksIsError103AtItsColumnInCharacters) {
    // The one in the comment is stripped with it.
    Dir.Write("main.zk", "// Привет ≠\n(F (X) (EXPR ПРИВЕТ ≠))\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "main.zk:2:21: Ошибка: Недопустимый символ в исходном коде - #103\n");
}

TEST_F(ZkUtf8, AnErrorInAUtf8IncludedFileCountsItsCharacters) {
    Dir.Write("main.zk", "#INCLUDE \"inc.zk\"\n(F (X) X)\n");
    Dir.Write("inc.zk", "\xEF\xBB\xBF{ёж}(G (X) (BF))\n");
    const TProcessResult r = Zk({"check", "main.zk"});
    EXPECT_EQ(r.Err, "./inc.zk:1:15: Ошибка: Ошибка в терме BF - #10\n");
}

TEST_F(ZkUtf8, AUtf8SourceRunsAsItsWindows1251Twin) {
    const std::string program = "// Список\n(F (X) (EXPR (QUOTE ПРИВЕТ ёж) X))\n";
    Dir.Write("utf8.zk", program);
    Dir.Write("cp1251.zk", W(program));
    for (const char* file : {"utf8.zk", "cp1251.zk"}) {
        const TProcessResult r = Zk({"run", file, "мир"});
        EXPECT_EQ(r.Status, 0) << file;
        EXPECT_EQ(r.Out, "ПРИВЕТ ЁЖ МИР \n") << file;
    }
}

TEST_F(ZkUtf8, ParametersFromAUtf8File) {
    Dir.Write("pair.zk", "(PAIR (A B) (EXPR B A))");
    Dir.Write("in.txt", "ёж\n(мир)\n");
    EXPECT_EQ(Zk({"run", "pair.zk", "--input", "in.txt"}).Out, "(МИР) ЁЖ \n");
    Dir.Write("bad.txt", "≠\nб\n");
    const TProcessResult r = Zk({"run", "pair.zk", "--input", "bad.txt"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "Ошибка во входных данных: Ошибка во входном параметре - #200\n");
}

} // namespace
} // namespace zk::test
