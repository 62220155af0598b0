// The analysis's first error against Compile's on the golden programs (the
// examples among them), each as written and cut, doubled and spliced at many places, in
// both languages and as a unit: the same number, offset and file name.
#include "TestFiles.h"
#include "analysis/Analysis.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "frontend/Tokens.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zk::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Corpus() {
    std::vector<fs::path> files;
    // tests/programs/examples links to the shipped examples.
    for (const auto& entry : fs::recursive_directory_iterator(
             ZK_PROGRAMS_DIR, fs::directory_options::follow_directory_symlink))
        if (entry.path().extension() == ".zk") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Described(const TError& error) {
    return std::to_string(error.Number) + "@" + std::to_string(error.Offset) + " in " +
           error.FileName;
}

struct TCase {
    std::string Name;
    std::string Text;
};

// The text as written, then variants that break it in ways an editing
// student does: cut short, a character dropped, a bracket or a word added.
std::vector<TCase> Variants(const std::string& text) {
    std::vector<TCase> cases{{"as written", text}};
    const std::size_t step = std::max<std::size_t>(1, text.size() / 12);
    for (std::size_t at = 0; at < text.size(); at += step) {
        const std::string where = " at " + std::to_string(at);
        cases.push_back({"cut" + where, text.substr(0, at)});
        cases.push_back({"dropped" + where, text.substr(0, at) + text.substr(at + 1)});
        for (const char* piece : {"(", ")", " X ", " 7 ", " (DEFOP + F) ", "\t"})
            cases.push_back({std::string("added ") + piece + where,
                             text.substr(0, at) + piece + text.substr(at)});
    }
    cases.push_back({"doubled", text + "\n" + text});
    return cases;
}

class CompileAgreement : public ::testing::TestWithParam<fs::path> {
protected:
    void TearDown() override {
        ClassicLanguage = false;
        CompileLog.clear();
    }
};

TEST_P(CompileAgreement, FirstErrorIsTheCompilersOnEveryVariant) {
    const fs::path source = GetParam();
    const std::string folder = source.parent_path().string() + "/";
    const std::string text = ReadFile(source);
    TTempDir dir;
    const std::string name = source.filename().string();
    for (const TCase& variant : Variants(text)) {
        const std::string path = dir.Write(name, variant.Text);
        // The folder of the variant first, as zk check searches the main file's own.
        const std::vector<std::string> paths{dir.Entry(), folder};
        for (const bool classic : {false, true}) {
            for (const bool unit : {false, true}) {
                ClassicLanguage = classic;
                TPCode code;
                TError compiled;
                try {
                    CompileMainFile(path, code, unit, compiled, paths);
                } catch (const TFileError&) {
                    continue;
                }
                const analysis::TAnalysis analysed = analysis::Analyse(
                    {path, DecodeText(variant.Text).Text, paths, classic, unit, {}});
                const analysis::TDiagnostic* error = analysed.FirstError();
                const TError reported = error ? error->Reported : TError{};
                EXPECT_EQ(Described(reported), Described(compiled))
                    << name << ", " << variant.Name << (classic ? ", classic" : "")
                    << (unit ? ", unit" : "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CompileAgreement, ::testing::ValuesIn(Corpus()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name + "_" + std::to_string(info.index);
                         });

} // namespace
} // namespace zk::test
