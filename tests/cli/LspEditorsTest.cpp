// The files of editors/ with the editors themselves: Kate's highlighter on
// the KSyntaxHighlighting definition, the VS Code extension's manifest and
// grammar, and Neovim as a real client of zk lsp. A test whose program is
// not installed skips.
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zk::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kRoot = fs::path(ZK_EXAMPLES_DIR) / "..";

bool Installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

TEST(LspEditors, KateHighlightsZkWithTheDefinition) {
    if (!Installed("kate-syntax-highlighter")) GTEST_SKIP() << "kate-syntax-highlighter absent";
    TTempDir dir;
    const fs::path syntax = dir.Path() / "org.kde.syntax-highlighting" / "syntax";
    fs::create_directories(syntax);
    fs::copy_file(kRoot / "editors" / "kate" / "zk.xml", syntax / "zk.xml");
    const std::string source =
        dir.Write("t.zk", "{ note } (MAIN (X)\n  (EXPR (QUOTE A (B) C) (+ 1 -2) (FIRST X)))\n");
    const std::string html = (dir.Path() / "t.html").string();
    ASSERT_EQ(Shell("XDG_DATA_HOME='" + dir.Path().string() +
                    "' QT_QPA_PLATFORM=offscreen "
                    "kate-syntax-highlighter -s ZK -f html -o '" +
                    html + "' '" + source + "' 2>/dev/null"),
              0);
    const std::string out = ReadFile(html);
    EXPECT_NE(out.find("<span style=\"color:#000080;font-style:italic;\">{ note }</span>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<span style=\"color:#0000ff;font-weight:bold;\">(QUOTE A (B) C)</span>"),
              std::string::npos);
    EXPECT_NE(out.find("<span style=\"font-weight:bold;\">EXPR</span>"), std::string::npos);
    EXPECT_NE(out.find("<span style=\"color:#ff0000;font-weight:bold;\">-2</span>"),
              std::string::npos);
}

TEST(LspEditors, TheVsCodeExtensionNamesItsGrammarAndItsServer) {
    const fs::path folder = kRoot / "editors" / "vscode";
    const json manifest = json::parse(ReadFile(folder / "package.json"));
    EXPECT_TRUE(manifest.at("dependencies").contains("vscode-languageclient"));
    EXPECT_TRUE(fs::exists(folder / manifest.at("main").get<std::string>()));
    const json& grammar = manifest.at("contributes").at("grammars").at(0);
    const json rules = json::parse(ReadFile(folder / grammar.at("path").get<std::string>()));
    EXPECT_EQ(rules.at("scopeName"), grammar.at("scopeName"));
    EXPECT_EQ(manifest.at("contributes").at("languages").at(0).at("id"), "zk");
    EXPECT_NE(ReadFile(folder / "extension.js").find("'lsp'"), std::string::npos);
}

TEST(LspEditors, NeovimReceivesTheDiagnosticOfAFileWithAnError) {
    if (!Installed("nvim")) GTEST_SKIP() << "nvim absent";
    TTempDir dir;
    const std::string file = dir.Write("main.zk", "(MAIN (L)\n  (FIRST))\n");
    const std::string out = (dir.Path() / "out.txt").string();
    const std::string script = (kRoot / "tests" / "lsp" / "nvim-client.lua").string();
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && ZK='" ZK_EXECUTABLE "' ZK_FILE='" + file +
                    "' ZK_OUT='" + out +
                    "' timeout 60 nvim --headless -u NONE -i NONE -n -c "
                    "'luafile " +
                    script + "' </dev/null >/dev/null 2>&1"),
              0);
    EXPECT_EQ(ReadFile(out), "2:9: Ошибка в терме FIRST - #9\n");
}

} // namespace
} // namespace zk::test
