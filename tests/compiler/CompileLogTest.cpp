// The compile log's file: rewritten whole, or appended to behind a separator
// line, with the size limit that empties an appended log grown too large.
#include "compiler/CompileLog.h"

#include "TestFiles.h"
#include "frontend/FileIO.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

const std::string kSeparator = std::string(46, '=') + "\r\n";

class CompileLogFile : public ::testing::Test {
protected:
    void SetUp() override { CompileLog = {"A", "B"}; }
    void TearDown() override { CompileLog.clear(); }
    TTempDir Dir;
};

TEST_F(CompileLogFile, RewritingReplacesTheFileWithoutSeparator) {
    const std::string path = Dir.Write("Log.txt", "old contents\r\n");
    WriteCompileLog(path);
    EXPECT_EQ(Dir.Read("Log.txt"), "A\r\nB\r\n");
}

TEST_F(CompileLogFile, AppendingCreatesAndThenExtendsTheFile) {
    const std::string path = Dir.Entry() + "Log.txt";
    AppendCompileLog(path, std::nullopt);
    CompileLog = {"C"};
    AppendCompileLog(path, std::nullopt);
    EXPECT_EQ(Dir.Read("Log.txt"), kSeparator + "A\r\nB\r\n" + kSeparator + "C\r\n");
}

TEST_F(CompileLogFile, AnAppendedLogOverTheLimitStartsAnew) {
    const std::string atLimit(5120, 'x');
    const std::string path = Dir.Write("Log.txt", atLimit);
    AppendCompileLog(path, 5120);
    EXPECT_EQ(Dir.Read("Log.txt"), atLimit + kSeparator + "A\r\nB\r\n");

    AppendCompileLog(path, 5120); // now over the limit
    EXPECT_EQ(Dir.Read("Log.txt"), kSeparator + "A\r\nB\r\n");
}

TEST_F(CompileLogFile, AFileThatCannotBeWrittenIsAFileError) {
    EXPECT_THROW(AppendCompileLog(Dir.Entry() + "missing/Log.txt", std::nullopt), TFileError);
    EXPECT_THROW(WriteCompileLog(Dir.Entry() + "missing/Log.txt"), TFileError);
}

} // namespace
} // namespace zk::test
