// The golden programs of tests/programs: each NAME.expect lists runs of the
// program NAME.zk beside it and what each gives, or the error that stops its
// compilation; NAME.listing, when there is one, holds the listing of the
// compiled program. Every run is made from the compiled image and again from
// its program file. tests/programs/README.md describes the format.
#include "RunProgram.h"

#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "pcode/Listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace zk::test {
namespace {

namespace fs = std::filesystem;

struct TGoldenRun {
    int Line = 0; // of the outcome in the .expect file
    std::vector<std::string> Params;
    TRunOptions Options;
    int32_t Cells = 4 * kCellsPerMegabyte;
    bool EndsWithResult = true;
    std::string Expected; // the result without its trailing blank, or the error text
};

struct TGoldenCase {
    bool Classic = false;
    std::string CompileError; // empty when the program compiles
    std::vector<TGoldenRun> Runs;
};

std::string Trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return std::string(text.substr(begin, text.find_last_not_of(" \t") + 1 - begin));
}

bool IsOnOrOff(const std::string& value, bool& flag) {
    if (value != "on" && value != "off") return false;
    flag = value == "on";
    return true;
}

bool ReadSetting(const std::string& key, const std::string& value, TGoldenCase& c,
                 TGoldenRun& next) {
    if (key == "language" && (value == "classic" || value == "modified")) {
        c.Classic = value == "classic";
        return true;
    }
    if (key == "symbol-error") return IsOnOrOff(value, next.Options.SymbolIsError);
    if (key == "cells" || key == "seed") {
        const int64_t number = std::stoll(value);
        if (key == "cells")
            next.Cells = static_cast<int32_t>(number);
        else
            next.Options.RandomState = static_cast<uint32_t>(number);
        return true;
    }
    return false;
}

// Settings hold for the runs after them; parameters belong to the next run.
TGoldenCase ReadCase(const fs::path& expect) {
    const std::string text = ReadWholeFile(SystemPath(expect));
    TGoldenCase c;
    TGoldenRun next;
    std::size_t pos = 0;
    for (int line = 1; pos < text.size(); ++line) {
        const std::string_view raw = NextLine(text, pos);
        if (Trimmed(raw).empty() || raw.front() == '#') continue;
        const auto colon = raw.find(':');
        const std::string key(raw.substr(0, colon));
        const std::string value =
            colon == std::string_view::npos ? "" : Trimmed(raw.substr(colon + 1));
        if (key == "param") {
            next.Params.push_back(value);
        } else if (key == "result" || key == "error") {
            next.Line = line;
            next.EndsWithResult = key == "result";
            next.Expected = value;
            c.Runs.push_back(next);
            next.Params.clear();
        } else if (key == "compile error") {
            c.CompileError = value;
        } else if (colon == std::string_view::npos || !ReadSetting(key, value, c, next)) {
            ADD_FAILURE_AT(expect.string().c_str(), line)
                << "not a line of an expectation: " << raw;
        }
    }
    return c;
}

// "FILE:LINE:COL: TEXT - #N", FILE relative to the case's folder.
std::string CompileErrorText(const TError& error, const TErrorPlace& place,
                             const fs::path& folder) {
    if (place.Path.empty()) return Cp1251ToUtf8(error.FileName + ": " + ErrorText(error));
    const std::string text = ReadWholeFile(place.Path);
    const auto end = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(error.Offset, 0)), 0,
                                             text.size());
    std::size_t line = 1, lineStart = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] != '\n') continue;
        ++line;
        lineStart = i + 1;
    }
    const std::string file = NativePath(place.Path).lexically_relative(folder).string();
    return file + ":" + std::to_string(line) + ":" + std::to_string(end - lineStart + 1) + ": " +
           Cp1251ToUtf8(ErrorText(error));
}

std::string ListingAsWritten(const TPCode& code) {
    std::string text = Cp1251ToUtf8(ListingText(code));
    std::erase(text, '\r');
    return text;
}

void CheckRun(const TPCode& code, const TGoldenRun& run, const fs::path& expect) {
    SCOPED_TRACE(expect.string() + ":" + std::to_string(run.Line));
    ASSERT_EQ(run.Params.size(), code.Functions[0].Args.size())
        << "a run gives one parameter per argument of the main function";
    std::vector<std::string> params;
    for (const std::string& param : run.Params)
        params.push_back(Utf8ToCp1251(param));
    const TRunOutcome outcome = RunBothWays(code, Params(params), run.Options, run.Cells);
    if (run.EndsWithResult) {
        EXPECT_EQ(Cp1251ToUtf8(ErrorText(outcome.Error)),
                  Cp1251ToUtf8(ErrorText(kErrorRunComplete)));
        EXPECT_EQ(Cp1251ToUtf8(outcome.Result), run.Expected.empty() ? "" : run.Expected + " ");
    } else {
        EXPECT_EQ(Cp1251ToUtf8(ErrorText(outcome.Error)), run.Expected);
    }
}

// Puts the language flag back however the case ends.
struct TLanguageScope {
    explicit TLanguageScope(bool classic) { ClassicLanguage = classic; }
    ~TLanguageScope() {
        ClassicLanguage = false;
        CompileLog.clear();
    }
};

class GoldenPrograms : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenPrograms, GiveWhatTheirExpectationsSay) {
    const fs::path& expect = GetParam();
    const fs::path folder = expect.parent_path();
    const TGoldenCase c = ReadCase(expect);
    ASSERT_TRUE(!c.Runs.empty() || !c.CompileError.empty()) << "no run and no error in " << expect;
    const TLanguageScope language(c.Classic);
    TSource text = TSource::CreateFromFile(SystemPath(fs::path(expect).replace_extension(".zk")));
    TPCode code;
    TError error;
    TErrorPlace place;
    Compile(text, code, false, error, {SystemPath(folder) + "/"}, &place);
    if (error.Number != 0 || !c.CompileError.empty()) {
        EXPECT_EQ(error.Number == 0 ? "no error" : CompileErrorText(error, place, folder),
                  c.CompileError);
        return;
    }
    const fs::path listing = fs::path(expect).replace_extension(".listing");
    if (fs::exists(listing)) {
        EXPECT_EQ(ListingAsWritten(code), ReadWholeFile(SystemPath(listing)));
    }
    for (const TGoldenRun& run : c.Runs)
        CheckRun(code, run, expect);
}

std::vector<fs::path> GoldenCases() {
    std::vector<fs::path> cases;
    for (const auto& entry : fs::recursive_directory_iterator(ZK_PROGRAMS_DIR))
        if (entry.path().extension() == ".expect") cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

// "examples/reverse.expect" is the case examples_reverse.
std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
    std::string name = info.param.lexically_relative(ZK_PROGRAMS_DIR).replace_extension().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Folder, GoldenPrograms, ::testing::ValuesIn(GoldenCases()), CaseName);

} // namespace
} // namespace zk::test
