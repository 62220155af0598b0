// The reports of zk test: plain text for a person, JSON, TAP 14, JUnit XML
// and Gradescope's results.json for programs, and a CSV summary with a row
// per submission. A report is made in parts, a submission's part as soon as
// it is complete, so that results come out in the order the submissions were
// given while later ones are still running. Everything made here is UTF-8.
#pragma once

#include "cli/TestFile.h"
#include "cli/TestRunner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::cli {

enum class TReportFormat : uint8_t { Text, Json, Tap, JUnit, Gradescope };

std::optional<TReportFormat> ReportFormatNamed(std::string_view name);
// The name ending of a report's file: ".txt", ".json", ".tap", ".xml".
std::string_view ReportFileEnding(TReportFormat format);

// A submission's outcomes so far: outcome i is of test i.
struct TSubmissionResults {
    std::string Name; // the system's bytes
    std::vector<TTestOutcome> Outcomes;
};

class TReport {
public:
    TReport(TReportFormat format, const TTestFile& tests) : Format_(format), Tests_(tests) {}

    // Before the first of `submissions` parts.
    std::string Opening(std::size_t submissions) const;
    // The part of the `number`-th submission (from 1).
    std::string Part(std::size_t number, const TSubmissionResults& results) const;
    // After the last part, with the tests passed and not passed in all.
    std::string Closing(std::size_t passed, std::size_t failed) const;
    // A report of one submission alone, as its own file holds it.
    std::string Document(const TSubmissionResults& results) const;

private:
    TReportFormat Format_;
    const TTestFile& Tests_;
};

// A header row, then a row per submission: its name, score and maximum, and
// the points of each test (empty for a test not run). Lines end with CR LF.
std::string SummaryCsv(const TTestFile& tests, const std::vector<TSubmissionResults>& rows);

// The text with what is not valid UTF-8 replaced by U+FFFD, for a path.
std::string ValidUtf8(std::string_view bytes);
// The text with & < > " ' as XML writes them, and the control characters XML
// forbids replaced by U+FFFD.
std::string XmlEscaped(std::string_view utf8);

} // namespace zk::cli
