// zk's help, version and usage errors, run as a process.
#include "cli/ZkProcess.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

TEST(ZkUsage, HelpListsTheCommands) {
    const TProcessResult r = RunZk({"--help"});
    EXPECT_EQ(r.Status, 0);
    for (const char* command : {"zk check", "zk build", "zk unit", "zk listing", "zk run"})
        EXPECT_NE(r.Out.find(command), std::string::npos) << command;
    EXPECT_EQ(r.Err, "");
}

TEST(ZkUsage, VersionNamesTheTool) {
    const TProcessResult r = RunZk({"--version"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "zk (Varnok) 3.11\n");
}

TEST(ZkUsage, NoCommandOrUnknownCommandIsUsageError) {
    EXPECT_EQ(RunZk({}).Status, 64);
    const TProcessResult r = RunZk({"frobnicate"});
    EXPECT_EQ(r.Status, 64);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("frobnicate"), std::string::npos);
}

} // namespace
} // namespace zk::test
