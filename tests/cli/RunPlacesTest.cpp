// zk run's places of run-time errors with the calls that led there, and its
// trace of calls and returns, byte for byte.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk::test {
namespace {

class ZkRunPlaces : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

constexpr const char* kWalkMain = "{ the main file }\n"
                                  "(MAIN (L N)\n"
                                  "  (CALL WALK L N))\n"
                                  "#include \"lib.zk\"\n";
constexpr const char* kWalkLib = "(WALK (L N)\n"
                                 "  (IF (EQUAL N 0)\n"
                                 "      (CALL PICK L)\n"
                                 "      (+ 1 (CALL WALK (BF L) (- N 1)))))\n"
                                 "(PICK (L)\n"
                                 "  (FIRST (CALL CAR L)))\n"
                                 "(CAR (L) (FIRST L))\n";

// The failing form stands in the included file; the calls are told with
// their arguments, one element bare, anything else between « and », cut.
TEST_F(ZkRunPlaces, AnErrorInAnIncludedFileShowsItsPlaceAndTheCallsThatLedThere) {
    std::filesystem::create_directory(Dir.Path() / "src");
    Dir.Write("src/main.zk", kWalkMain);
    Dir.Write("src/lib.zk", kWalkLib);
    TProcessResult r = Zk({"run", "src/main.zk", "a b", "5"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "src/lib.zk:4:23: Ошибка: BF применён к пустому выражению - #40\n"
                     "  в (WALK «» 3) src/lib.zk:4:12\n"
                     "  в (WALK B 4) src/lib.zk:4:12\n"
                     "  в (WALK «A B» 5) src/main.zk:3:3\n");
    r = Zk({"run", "src/main.zk",
            "(a (b (c (d e))) f g h i j k l m n o p q r s t u v w x y z 1 2 3)", "1"});
    EXPECT_EQ(r.Err, "src/lib.zk:7:10: Ошибка: First применён к пустому выражению - #104\n"
                     "  в (CAR «») src/lib.zk:6:10\n"
                     "  в (PICK «») src/lib.zk:3:7\n"
                     "  в (WALK «» 0) src/lib.zk:4:12\n"
                     "  в (WALK (A (B (C (…))) F G H I J K L M N O P Q R S T U V W X Y Z 1 2… 1)"
                     " src/main.zk:3:3\n");
}

TEST_F(ZkRunPlaces, AnErrorInTheMainFileAndAProgramFileWithoutPlaces) {
    Dir.Write("main.zk", "(MAIN (X)\n  (IF X 1 2))");
    EXPECT_EQ(Zk({"run", "main.zk", "A"}).Err,
              "main.zk:2:3: Ошибка: IF применён не к TRUE или FALSE - #45\n");
    ASSERT_EQ(Zk({"build", "main.zk", "-o", "main.zkp"}).Status, 0);
    EXPECT_EQ(Zk({"run", "main.zkp", "A"}).Err, "Ошибка: IF применён не к TRUE или FALSE - #45\n");
}

TEST_F(ZkRunPlaces, AtMostTenCallsAreTold) {
    Dir.Write("deep.zk", "(D (N) (IF (EQUAL N 0) (FIRST (QUOTE)) (+ 1 (CALL D (- N 1)))))");
    const TProcessResult r = Zk({"run", "deep.zk", "12"});
    EXPECT_EQ(r.Err.rfind("deep.zk:1:24: Ошибка: First применён к пустому выражению - #104\n"
                          "  в (D 0) deep.zk:1:45\n  в (D 1) deep.zk:1:45\n",
                          0),
              0U)
        << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 11);
    EXPECT_NE(r.Err.find("  в (D 9) deep.zk:1:45\n"), std::string::npos);
    EXPECT_EQ(r.Err.find("(D 10)"), std::string::npos);
}

constexpr const char* kFact = "(MAIN (N) (CALL FACT N))\n"
                              "(FACT (N)\n"
                              "  (IF (EQUAL N 0)\n"
                              "      1\n"
                              "      (* N (CALL FACT (- N 1)))))\n";

TEST_F(ZkRunPlaces, TheTraceTellsEachCallAndReturnIndentedByDepth) {
    Dir.Write("fact.zk", kFact);
    TProcessResult r = Zk({"run", "fact.zk", "2", "--trace"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "2 \n");
    EXPECT_EQ(r.Err, "(MAIN 2)\n"
                     "  (FACT 2)\n"
                     "    (FACT 1)\n"
                     "      (FACT 0)\n"
                     "      FACT = 1\n"
                     "    FACT = 1\n"
                     "  FACT = 2\n"
                     "MAIN = 2\n");
    r = Zk({"run", "fact.zk", "2", "--trace=fact", "--trace-limit", "3"});
    EXPECT_EQ(r.Out, "2 \n");
    EXPECT_EQ(r.Err, "  (FACT 2)\n"
                     "    (FACT 1)\n"
                     "      (FACT 0)\n");
}

// A self call in tail position replaces the call: the same depth, one return.
TEST_F(ZkRunPlaces, ATailCallIsTracedAtTheDepthOfTheCallItReplaces) {
    Dir.Write("loop.zk", "(LOOP (N L) (IF (EQUAL N 0) L (CALL LOOP (- N 1) (EXPR N L))))");
    const TProcessResult r = Zk({"run", "loop.zk", "2", "", "--trace"});
    EXPECT_EQ(r.Out, "1 2 \n");
    EXPECT_EQ(r.Err, "(LOOP 2 «»)\n"
                     "(LOOP 1 2)\n"
                     "(LOOP 0 «1 2»)\n"
                     "LOOP = «1 2»\n");
}

} // namespace
} // namespace zk::test
