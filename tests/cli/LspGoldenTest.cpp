// The recorded exchanges of tests/lsp replayed against the language server:
// each line of NAME.in framed and sent, each answer compared as JSON with its
// line of NAME.expect, and the exit status with its last line.
#include "TestFiles.h"
#include "cli/LspServer.h"
#include "cli/LspText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace zk::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kLspDir = fs::path(ZK_EXAMPLES_DIR) / ".." / "tests" / "lsp";

std::string Dir() {
    return fs::canonical(kLspDir).string();
}

std::string Substituted(std::string line) {
    const std::string dir = Dir();
    for (std::size_t at = line.find("${DIR}"); at != std::string::npos; at = line.find("${DIR}"))
        line.replace(at, 6, dir);
    return line;
}

std::vector<std::string> Lines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(Substituted(line));
    return lines;
}

std::string Unescaped(std::string_view raw) {
    std::string bytes;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'r' || raw[i + 1] == 'n')) {
            bytes += raw[++i] == 'r' ? '\r' : '\n';
        } else {
            bytes += raw[i];
        }
    }
    return bytes;
}

std::string Input(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        if (line.starts_with("raw:")) {
            bytes += Unescaped(std::string_view(line).substr(4));
        } else {
            bytes += "Content-Length: " + std::to_string(line.size()) + "\r\n\r\n" + line;
        }
    }
    return bytes;
}

// The bodies of the framed messages the server wrote.
std::vector<std::string> Messages(const std::string& output) {
    std::vector<std::string> bodies;
    std::size_t pos = 0;
    while (pos < output.size()) {
        const std::size_t blank = output.find("\r\n\r\n", pos);
        if (blank == std::string::npos) break;
        const std::string header = output.substr(pos, blank - pos);
        const std::size_t length = std::stoul(header.substr(header.find(':') + 1));
        bodies.push_back(output.substr(blank + 4, length));
        pos = blank + 4 + length;
    }
    return bodies;
}

std::vector<fs::path> Cases() {
    std::vector<fs::path> cases;
    for (const auto& entry : fs::directory_iterator(kLspDir))
        if (entry.path().extension() == ".in") cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

class LspGolden : public ::testing::TestWithParam<fs::path> {};

TEST_P(LspGolden, AnswersAsRecorded) {
    const fs::path in = GetParam();
    std::istringstream input(Input(Lines(in)));
    std::ostringstream output;
    const int status = cli::ServeLsp(input, output, {});
    const std::vector<std::string> answers = Messages(output.str());
    std::vector<std::string> expected = Lines(fs::path(in).replace_extension(".expect"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ("exit " + std::to_string(status), expected.back());
    expected.pop_back();
    ASSERT_EQ(answers.size(), expected.size()) << output.str();
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(json::parse(answers[i]), json::parse(expected[i])) << "answer " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Exchanges, LspGolden, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                             return info.param.stem().string();
                         });

TEST(LspText, PositionsCountUtf16UnitsAndSurviveTheWayBack) {
    // "a", an emoji (two units, one character inside), "б", then a second line.
    const cli::TLspText text("\xEF\xBB\xBF"
                             "a\xF0\x9F\x98\x80\xD0\xB1\nz");
    EXPECT_EQ(text.Text(), "a\x98\xE1\nz");
    EXPECT_EQ(text.ToOffset({0, 4}), 2); // after the BOM, "a" and the emoji
    EXPECT_EQ(text.ToPosition(3).Character, 5);
    EXPECT_EQ(text.ToOffset({1, 1}), 5);
    EXPECT_EQ(text.ToOffset({0, 99}), 3);
    for (int32_t offset = 0; offset <= 5; ++offset)
        EXPECT_EQ(text.ToOffset(text.ToPosition(offset)), offset);
}

TEST(LspText, FileUrisAndPathsConvertBothWays) {
    EXPECT_EQ(cli::UriToPath("file:///home/u/%D0%BF%20a.zk"), "/home/u/\xD0\xBF a.zk");
    EXPECT_EQ(cli::PathToUri("/home/u/\xD0\xBF a.zk"), "file:///home/u/%D0%BF%20a.zk");
    EXPECT_EQ(cli::UriToPath("untitled:Untitled-1"), "");
    EXPECT_EQ(cli::UriToPath("file://server/share/a.zk"), "");
}

} // namespace
} // namespace zk::test
