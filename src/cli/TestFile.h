// A teacher's test file: blocks of "key: value" lines, the settings before the
// first "test:" line being the defaults of every test. Parsing is all or
// nothing: a file with one bad line is refused, naming that line, before any
// submission runs. Texts are Windows-1251, as the file was decoded.
#pragma once

#include "cli/TestBitmap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::cli {

// What a test may set itself or take from the defaults of the file.
struct TTestSettings {
    int32_t Points = 1;
    bool Hidden = false;             // shown to the teacher, only counted for a student
    int64_t Steps = 0;               // the instructions a run may execute; 0 for no limit
    double Timeout = 10.0;           // seconds: a backstop for what the steps do not bound
    std::optional<int32_t> MemoryMB; // else the settings file's, else 4
    uint32_t Seed = 0;               // the same draws on every machine
    std::optional<bool> SymbolError; // "no-symbol-error: yes" makes it false
};

enum class TExpectKind : uint8_t { Result, Error, Picture };

struct TTestCase {
    std::string Name;
    int32_t Line = 0;                // of its "test:" line
    int32_t ExpectLine = 0;          // of its expectation
    std::vector<std::string> Params; // as written; upper-cased when read
    TExpectKind Kind = TExpectKind::Result;
    std::string Expected;      // Result: the text as zk run prints it
    int32_t ExpectedError = 0; // Error: the number the run or compilation ends with
    std::string PictureFile;   // Picture: a path (the system's bytes), relative to the test file
    TBitmap Picture;           // Picture: read by LoadTestFile
    TTestSettings Settings;
};

struct TTestFile {
    std::optional<bool> Classic; // "language:", for the whole file
    std::vector<TTestCase> Tests;
};

struct TTestFileError {
    int32_t Line = 0;    // 1-based; 0 for the file as a whole
    std::string Message; // UTF-8
};

// Parses a decoded text. Picture files are named, not read. False with the
// first error when the text is not a valid test file.
bool ParseTestText(std::string_view text, TTestFile& file, TTestFileError& error);

// Reads the file at `path` (UTF-8 or Windows-1251, decoded as sources are),
// parses it and reads the bitmap of each picture test, which must be one
// that can be compared. Throws TFileError when a file cannot be read.
bool LoadTestFile(const std::string& path, TTestFile& file, TTestFileError& error);

// The result texts compared as zk run prints them: blanks at the ends dropped
// and every run of blanks inside made one.
std::string NormalizedResult(std::string_view text);

} // namespace zk::cli
