// zk test as a process: the example task, the order of the reports with
// several jobs, exit statuses, picture tests, a child killed in the middle of
// a test, and the report files that a killed zk test leaves.
#include "TestFiles.h"
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zk::test {
namespace {

using nlohmann::json;

// Loops on the parameter LOOP and gives back any other.
constexpr const char* kLoopOnDemand = "(F (X) (IF (EQUAL X (QUOTE LOOP)) (CALL F X) X))";
constexpr const char* kLoopTests = "test: a\nparam: a\nexpect: A\n"
                                   "test: loop\nparam: loop\nexpect: LOOP\ntimeout: 600\n"
                                   "test: c\nparam: c\nexpect: C\n";

std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> objects;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        objects.push_back(json::parse(line));
    return objects;
}

std::vector<std::string> Statuses(const json& submission) {
    std::vector<std::string> statuses;
    for (const json& test : submission["tests"])
        statuses.push_back(test["status"]);
    return statuses;
}

// zk started in the background, its output thrown away.
pid_t StartZk(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    std::vector<char*> argv{const_cast<char*>(ZK_EXECUTABLE)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0), dup2(null, 1), dup2(null, 2);
    if (chdir(dir.c_str()) != 0) _exit(127);
    execv(ZK_EXECUTABLE, argv.data());
    _exit(127);
}

int Reap(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Waits for the condition, as long as a slow machine may need.
bool Eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

pid_t ChildOf(pid_t parent) {
    std::ifstream children("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) +
                           "/children");
    pid_t child = 0;
    return children >> child ? child : 0;
}

bool Ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    return text.empty() || (close != std::string::npos && text.compare(close, 3, ") Z") == 0);
}

// The tests a report file holds so far; -1 while there is none.
int TestsIn(const std::filesystem::path& file) {
    const std::string text = ReadFile(file);
    return text.empty() ? -1 : static_cast<int>(json::parse(text)["tests"].size());
}

class ZkTest : public ::testing::Test {
protected:
    TProcessResult Zk(const std::vector<std::string>& args) { return RunZk(args, "", Dir.Path()); }

    TTempDir Dir;
};

TEST(ZkTestExample, TheTaskReportsTheRightTheWrongAndTheEndless) {
    TTempDir dir;
    const std::string summary = (dir.Path() / "summary.csv").string();
    const TProcessResult r =
        RunZk({"test", "reverse.tests", "right.zk", "wrong.zk", "endless.zk", "--summary", summary},
              "", std::string(ZK_EXAMPLES_DIR) + "/task-reverse");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "right.zk: 5 of 5 points\n"
                     "  ok    three atoms\n"
                     "  ok    nested lists stay whole\n"
                     "  ok    one element\n"
                     "  ok    nothing to reverse (hidden)\n"
                     "wrong.zk: 4 of 5 points\n"
                     "  ok    three atoms\n"
                     "  FAIL  nested lists stay whole\n"
                     "          expected: C (A B)\n"
                     "          got:      C A B\n"
                     "                      ^\n"
                     "  ok    one element\n"
                     "  ok    nothing to reverse (hidden)\n"
                     "endless.zk: 1 of 5 points\n"
                     "  FAIL  three atoms\n"
                     "          expected: C B A\n"
                     "          got:      превышен предел шагов\n"
                     "  FAIL  nested lists stay whole\n"
                     "          expected: C (A B)\n"
                     "          got:      превышен предел шагов\n"
                     "  FAIL  one element\n"
                     "          expected: X\n"
                     "          got:      превышен предел шагов\n"
                     "  ok    nothing to reverse (hidden)\n"
                     "8 passed, 4 failed\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(ReadFile(summary), "submission,score,max_score,three atoms,nested lists stay whole,"
                                 "one element,nothing to reverse\r\n"
                                 "right.zk,5,5,2,1,1,1\r\n"
                                 "wrong.zk,4,5,2,0,1,1\r\n"
                                 "endless.zk,1,5,0,0,0,1\r\n");
    EXPECT_EQ(RunZk({"test", "reverse.tests", "right.zk"}, "",
                    std::string(ZK_EXAMPLES_DIR) + "/task-reverse")
                  .Status,
              0);
}

TEST_F(ZkTest, ReportsKeepTheOrderGivenWhateverFinishesFirst) {
    Dir.Write("slow.zk", "(C (N) (IF (EQUAL N 0) (QUOTE DONE) (CALL C (- N 1))))");
    Dir.Write("grow.zk", "(G (L) (CALL G (EXPR L L)))");
    Dir.Write("done.zk", "(D (N) (QUOTE DONE))");
    Dir.Write("t.tests", "mem: 1\ntest: done\nparam: 3000000\nexpect: DONE\n");
    const TProcessResult r = Zk({"test", "t.tests", "slow.zk", "grow.zk", "done.zk", "missing.zk",
                                 "--jobs", "4", "--format", "json"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "");
    const std::vector<json> reports = JsonLines(r.Out);
    ASSERT_EQ(reports.size(), 4u) << "nothing but the reports on stdout";
    EXPECT_EQ(reports[0]["name"], "slow.zk");
    EXPECT_EQ(reports[1]["name"], "grow.zk");
    EXPECT_EQ(reports[2]["name"], "done.zk");
    EXPECT_EQ(reports[3]["name"], "missing.zk");
    EXPECT_EQ(Statuses(reports[0]), std::vector<std::string>{"pass"});
    EXPECT_EQ(reports[1]["tests"][0]["got"], "Ошибка: Нехватка памяти - #39");
    EXPECT_EQ(Statuses(reports[2]), std::vector<std::string>{"pass"});
    EXPECT_EQ(Statuses(reports[3]), std::vector<std::string>{"error"});
}

TEST_F(ZkTest, ExitStatusesAndRefusals) {
    Dir.Write("id.zk", "(ID (X) X)");
    Dir.Write("good.tests", "test: a\nparam: a\nexpect: A\n");
    EXPECT_EQ(Zk({"test", "good.tests", "id.zk", "--jobs=1", "-I", "."}).Status, 0);

    Dir.Write("bad.tests", "test: a\npionts: 2\nexpect: A\n");
    TProcessResult r = Zk({"test", "bad.tests", "id.zk"});
    EXPECT_EQ(r.Status, 64);
    EXPECT_EQ(r.Err, "zk: bad.tests:2: unknown key 'pionts'\n");
    EXPECT_EQ(r.Out, "");

    r = Zk({"test", "missing.tests", "id.zk"});
    EXPECT_EQ(r.Status, 66);
    EXPECT_NE(r.Err.find("missing.tests"), std::string::npos);
    EXPECT_EQ(Zk({"test", "good.tests"}).Status, 64);
    EXPECT_EQ(Zk({"test", "good.tests", "id.zk", "--jobs", "0"}).Status, 64);
    EXPECT_EQ(Zk({"test", "good.tests", "id.zk", "--format", "xml"}).Status, 64);
    EXPECT_EQ(Zk({"test", "good.tests", "id.zk", "--stats"}).Status, 64);
    EXPECT_EQ(Zk({"test", "good.tests", "id.zk", "--out", "id.zk"}).Status, 66);
}

TEST_F(ZkTest, AFolderCompilesItsMainWithTheIncludeDirectories) {
    Dir.Write("ivanov/main.zk", "#INCLUDE \"twice.zk\"\n(F (X) (CALL TWICE X))\n");
    Dir.Write("ivanov/notes.zk", "(G () 1)");
    Dir.Write("lib/twice.zk", "(TWICE (X) (EXPR X X))\n");
    Dir.Write("t.tests", "test: twice\nparam: a\nexpect: A A\n");
    EXPECT_EQ(Zk({"test", "t.tests", "ivanov/", "--main", "main", "-I", "lib"}).Out,
              "ivanov: 1 of 1 points\n  ok    twice\n1 passed, 0 failed\n");
    const TProcessResult r = Zk({"test", "t.tests", "ivanov", "--format", "json"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(JsonLines(r.Out).at(0)["tests"][0]["got"],
              "в папке несколько исходных файлов ZK; главный выбирает --main");
}

TEST_F(ZkTest, PicturesAreComparedPixelForPixel) {
    Dir.Write("dot.zk", "(P () (QUOTE 20 10 PIXEL 1 1 4))");
    Dir.Write("moved.zk", "(P () (QUOTE 20 10 PIXEL 2 1 4))");
    Dir.Write("text.zk", "(P () (QUOTE A B))");
    // The bitmap is named relative to the test file.
    Dir.Write("task/p.tests", "test: dot\npicture: dot.bmp\n");
    ASSERT_EQ(Zk({"run", "dot.zk", "--picture", "task/dot.bmp"}).Status, 0);
    const TProcessResult r =
        Zk({"test", "task/p.tests", "dot.zk", "moved.zk", "text.zk", "--format", "json"});
    EXPECT_EQ(r.Status, 1);
    const std::vector<json> reports = JsonLines(r.Out);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(Statuses(reports[0]), std::vector<std::string>{"pass"});
    EXPECT_EQ(reports[0]["tests"][0]["expected"], "рисунок dot.bmp (20 x 10)");
    EXPECT_EQ(reports[1]["tests"][0]["got"], "пиксель (1, 1): #FFFFFF, а не #FF0000");
    EXPECT_EQ(reports[2]["tests"][0]["got"],
              "Ошибка графики: Неверное описание параметров изображения - #74");

    Dir.Write("no-bitmap.tests", "test: dot\npicture: dot.zk\n");
    EXPECT_EQ(Zk({"test", "no-bitmap.tests", "dot.zk"}).Err,
              "zk: no-bitmap.tests:2: picture: dot.zk: not a Windows bitmap\n");
}

TEST_F(ZkTest, AChildKilledInATestFailsThatTestOnly) {
    Dir.Write("f.zk", kLoopOnDemand);
    Dir.Write("t.tests", kLoopTests);
    const pid_t zk = StartZk(
        {"test", "t.tests", "f.zk", "--jobs", "1", "--out", "out", "--format", "json"}, Dir.Path());
    // Once the first test is reported, the child runs the endless one.
    ASSERT_TRUE(Eventually([&] { return TestsIn(Dir.Path() / "out/f.json") == 1; }));
    const pid_t child = ChildOf(zk);
    ASSERT_GT(child, 0);
    kill(child, SIGKILL);
    const int status = Reap(zk);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const json report = json::parse(Dir.Read("out/f.json"));
    EXPECT_EQ(Statuses(report), (std::vector<std::string>{"pass", "error", "pass"}));
    EXPECT_EQ(report["tests"][1]["got"], "процесс проверки завершён сигналом 9");
    EXPECT_EQ(report["complete"], true);
}

TEST_F(ZkTest, AKilledRunLeavesTheReportsSoFar) {
    Dir.Write("id.zk", "(F (X) X)");
    Dir.Write("f.zk", kLoopOnDemand);
    Dir.Write("t.tests", kLoopTests);
    const pid_t zk = StartZk(
        {"test", "t.tests", "id.zk", "f.zk", "--jobs", "1", "--out", "out", "--format", "json"},
        Dir.Path());
    ASSERT_TRUE(Eventually([&] { return TestsIn(Dir.Path() / "out/f.json") == 1; }));
    const pid_t child = ChildOf(zk);
    kill(zk, SIGKILL);
    Reap(zk);
    const json done = json::parse(Dir.Read("out/id.json"));
    EXPECT_EQ(done["complete"], true);
    EXPECT_EQ(Statuses(done), (std::vector<std::string>{"pass", "pass", "pass"}));
    const json partial = json::parse(Dir.Read("out/f.json"));
    EXPECT_EQ(partial["complete"], false);
    EXPECT_EQ(Statuses(partial), std::vector<std::string>{"pass"});
    EXPECT_TRUE(Eventually([&] { return Ended(child); })) << "the endless test ends with zk test";
}

} // namespace
} // namespace zk::test
