// The checking of one submission in-process, as the environment calls it:
// the outcome of each kind of end, a compile error that a test expects, the
// callback after each test, a stop request, and how a folder is searched.
#include "cli/TestRunner.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stop_token>
#include <thread>

namespace zk::test {
namespace {

using cli::TRunEnd;
using cli::TTestOutcome;
using cli::TTestStatus;

class TestRunner : public ::testing::Test {
protected:
    std::vector<TTestOutcome> Check(std::string_view source, std::string_view tests,
                                    const cli::TTestCallback& onTest = {},
                                    std::stop_token stop = {}) {
        cli::TTestFile file;
        cli::TTestFileError error;
        EXPECT_TRUE(cli::ParseTestText(W(tests), file, error)) << error.Message;
        const cli::TSubmission submission = cli::FindSubmission(Dir.Write("s.zk", source));
        return cli::RunSubmissionTests(file, submission, {}, onTest, stop);
    }

    TTempDir Dir;
};

TEST_F(TestRunner, EachEndOfARunIsItsOutcome) {
    const auto outcomes = Check("(F (X) (IF (EQUAL X (QUOTE LOOP)) (CALL F X) (BF X)))",
                                "test: result\nparam: a b\nexpect: B\n"
                                "test: wrong result\nparam: a b c\nexpect: B\n"
                                "test: expected error\nparam:\nerror: 40\n"
                                "test: unexpected error\nparam:\nexpect: A\n"
                                "test: steps\nsteps: 5000\nparam: loop\nexpect: A\n"
                                "test: time\ntimeout: 0.05\nparam: loop\nexpect: A\n"
                                "test: too many parameters\nparam: a\nparam: b\nexpect: A\n"
                                "test: bad parameter\nparam: (a\nerror: 200\n"
                                "test: a picture of no picture\nparam: a b\npicture: p.bmp\n");
    ASSERT_EQ(outcomes.size(), 9u);
    EXPECT_EQ(outcomes[0].Status, TTestStatus::Pass);
    EXPECT_EQ(outcomes[0].Got, "B ");
    EXPECT_EQ(outcomes[1].Status, TTestStatus::Fail);
    EXPECT_EQ(outcomes[1].Got, "B C ");
    EXPECT_EQ(outcomes[2].Status, TTestStatus::Pass);
    EXPECT_EQ(outcomes[3].Status, TTestStatus::Fail);
    EXPECT_EQ(outcomes[3].End, TRunEnd::Error);
    EXPECT_EQ(outcomes[3].ErrorNumber, 40);
    EXPECT_EQ(outcomes[3].Got, W("Ошибка: BF применён к пустому выражению - #40"));
    EXPECT_EQ(outcomes[4].End, TRunEnd::StepLimit);
    EXPECT_EQ(outcomes[4].Got, W("превышен предел шагов"));
    EXPECT_GE(outcomes[4].Steps, 5000);
    EXPECT_EQ(outcomes[5].End, TRunEnd::TimeLimit);
    EXPECT_EQ(outcomes[5].Got, W("превышен предел времени"));
    EXPECT_EQ(outcomes[6].Status, TTestStatus::Error);
    EXPECT_EQ(outcomes[6].End, TRunEnd::NotRun);
    EXPECT_EQ(outcomes[7].Status, TTestStatus::Pass) << W("a parameter that cannot be read");
    EXPECT_EQ(outcomes[8].Status, TTestStatus::Error) << "no canvas to draw on";
}

TEST_F(TestRunner, ACompileErrorFailsEveryTestButTheOneExpectingIt) {
    const auto outcomes =
        Check("(BAD (X) (FOO X))", "test: a\nexpect: A\ntest: b\nerror: 5\ntest: c\nerror: 6\n");
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].Status, TTestStatus::Error);
    EXPECT_EQ(outcomes[0].Got.substr(outcomes[0].Got.find(": ")),
              W(": Ошибка: Неизвестный атом - #5"));
    EXPECT_EQ(outcomes[1].Status, TTestStatus::Pass);
    EXPECT_EQ(outcomes[2].Status, TTestStatus::Error);
}

TEST_F(TestRunner, TheCallbackFollowsEachTestAndAStopEndsTheCheck) {
    std::stop_source stop;
    std::jthread stopper;
    std::vector<std::size_t> seen;
    // The second test loops until the stop request, made while it runs or
    // before it starts; the third never runs.
    const auto outcomes = Check(
        "(F (X) (IF (EQUAL X (QUOTE LOOP)) (CALL F X) X))",
        "test: a\nparam: a\nexpect: A\ntest: b\nparam: loop\nexpect: B\ntest: c\nparam: c\nexpect: "
        "C\n",
        [&](std::size_t index, const TTestOutcome&) {
            seen.push_back(index);
            if (index == 0) stopper = std::jthread([&stop] { stop.request_stop(); });
        },
        stop.get_token());
    ASSERT_LT(outcomes.size(), 3u);
    EXPECT_EQ(seen.size(), outcomes.size());
    EXPECT_EQ(outcomes[0].Status, TTestStatus::Pass);
    if (outcomes.size() == 2) {
        EXPECT_EQ(outcomes[1].End, TRunEnd::NotRun);
        EXPECT_EQ(outcomes[1].Got, W("проверка прервана"));
    }
}

TEST_F(TestRunner, ALongResultIsCut) {
    const auto outcomes =
        Check("(L (N) (IF (EQUAL N 0) (QUOTE) (EXPR (QUOTE ABCDEFGHIJ) (CALL L (- N 1)))))",
              "test: long\nparam: 100\nexpect: A\n");
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].Got.size(), cli::kMaxGotChars + 1);
    EXPECT_EQ(outcomes[0].Got.back(), W("…")[0]);
}

TEST_F(TestRunner, AFolderHoldsOneSourceOrNamesItsMain) {
    Dir.Write("one/main.zk", "(F () 1)");
    const std::string one = (Dir.Path() / "one").string();
    EXPECT_EQ(cli::FindSubmission(one + "/").MainFile, one + "/main.zk");
    EXPECT_EQ(cli::FindSubmission(one + "/").Name, one);
    Dir.Write("two/Main.ZK", "(F () 1)");
    Dir.Write("two/lib.zk", "(G () 1)");
    const std::string two = (Dir.Path() / "two").string();
    EXPECT_NE(cli::FindSubmission(two).Problem, "");
    EXPECT_EQ(cli::FindSubmission(two, "main").MainFile, two + "/Main.ZK");
    EXPECT_NE(cli::FindSubmission(two, "other").Problem, "");
    std::filesystem::create_directory(Dir.Path() / "none");
    EXPECT_NE(cli::FindSubmission((Dir.Path() / "none").string()).Problem, "");
    EXPECT_NE(cli::FindSubmission((Dir.Path() / "missing.zk").string()).Problem, "");
}

} // namespace
} // namespace zk::test
