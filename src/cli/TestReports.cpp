// The report formats. Texts of tests and outcomes are Windows-1251 and are
// converted here; JSON goes through nlohmann::json, whose strings must be
// UTF-8, so a name from the file system is made valid UTF-8 first.
#include "cli/TestReports.h"

#include "frontend/Cp1251.h"
#include "frontend/TextEncoding.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace zk::cli {

namespace {

using json = nlohmann::ordered_json;

std::string Utf8(std::string_view text1251) {
    return Cp1251ToUtf8(text1251);
}

std::string Dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

const char* StatusWord(TTestStatus status) {
    switch (status) {
    case TTestStatus::Pass: return "pass";
    case TTestStatus::Fail: return "fail";
    case TTestStatus::Error: return "error";
    }
    return "error";
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// Microseconds are all a person or a program can use of a run's time.
double RoundedSeconds(double seconds) {
    return std::round(seconds * 1e6) / 1e6;
}

struct TCounts {
    std::size_t Passed = 0, Failed = 0, Errors = 0;
    double Seconds = 0;
};

TCounts CountsOf(const TSubmissionResults& results) {
    TCounts counts;
    for (const TTestOutcome& outcome : results.Outcomes) {
        counts.Seconds += outcome.Seconds;
        if (outcome.Status == TTestStatus::Pass) ++counts.Passed;
        if (outcome.Status == TTestStatus::Fail) ++counts.Failed;
        if (outcome.Status == TTestStatus::Error) ++counts.Errors;
    }
    return counts;
}

int32_t PointsOf(const TTestCase& test, const TTestOutcome& outcome) {
    return outcome.Status == TTestStatus::Pass ? test.Settings.Points : 0;
}

// Whether the got text is a result to be set against the expected one.
bool ComparesResults(const TTestCase& test, const TTestOutcome& outcome) {
    return test.Kind == TExpectKind::Result && outcome.End == TRunEnd::Result;
}

// ---- text

std::size_t FirstDifference(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

std::string TextFailure(const TTestCase& test, const TTestOutcome& outcome) {
    const std::string indent(10, ' ');
    if (!ComparesResults(test, outcome))
        return indent + "expected: " + Utf8(ExpectedText(test)) + "\n" + indent +
               "got:      " + Utf8(outcome.Got) + "\n";
    const std::string expected = NormalizedResult(test.Expected);
    const std::string got = NormalizedResult(outcome.Got);
    // One character of Windows-1251 is one column.
    const std::size_t column = indent.size() + 10 + FirstDifference(expected, got);
    return indent + "expected: " + Utf8(expected) + "\n" + indent + "got:      " + Utf8(got) +
           "\n" + std::string(column, ' ') + "^\n";
}

std::string TextPart(const TTestFile& tests, const TSubmissionResults& results) {
    std::string text = ValidUtf8(results.Name) + ": " +
                       std::to_string(Score(tests, results.Outcomes)) + " of " +
                       std::to_string(MaxScore(tests)) + " points\n";
    for (std::size_t i = 0; i < results.Outcomes.size(); ++i) {
        const TTestCase& test = tests.Tests[i];
        const TTestOutcome& outcome = results.Outcomes[i];
        const bool passed = outcome.Status == TTestStatus::Pass;
        text += std::string(passed ? "  ok    " : "  FAIL  ") + Utf8(test.Name) +
                (test.Settings.Hidden ? " (hidden)\n" : "\n");
        if (!passed) text += TextFailure(test, outcome);
    }
    if (results.Outcomes.size() < tests.Tests.size())
        text += "  (" + std::to_string(tests.Tests.size() - results.Outcomes.size()) +
                " tests not run yet)\n";
    return text;
}

std::string TextClosing(std::size_t passed, std::size_t failed) {
    return std::to_string(passed) + " passed, " + std::to_string(failed) + " failed\n";
}

// ---- JSON

json JsonTest(const TTestCase& test, const TTestOutcome& outcome) {
    json item = {
        {"name", Utf8(test.Name)},
        {"status", StatusWord(outcome.Status)},
        {"points", PointsOf(test, outcome)},
        {"max_points", test.Settings.Points},
        {"hidden", test.Settings.Hidden},
        {"expected", Utf8(ExpectedText(test))},
        {"got", Utf8(outcome.Got)},
        {"steps", outcome.Steps},
        {"time", RoundedSeconds(outcome.Seconds)},
    };
    if (outcome.End == TRunEnd::Error) item["error"] = outcome.ErrorNumber;
    return item;
}

std::string JsonPart(const TTestFile& tests, const TSubmissionResults& results) {
    json items = json::array();
    for (std::size_t i = 0; i < results.Outcomes.size(); ++i)
        items.push_back(JsonTest(tests.Tests[i], results.Outcomes[i]));
    const json object = {
        {"name", ValidUtf8(results.Name)},
        {"score", Score(tests, results.Outcomes)},
        {"max_score", MaxScore(tests)},
        {"complete", results.Outcomes.size() == tests.Tests.size()},
        {"tests", items},
    };
    return Dump(object) + "\n";
}

// ---- Gradescope

std::string GradescopeOutput(const TTestCase& test, const TTestOutcome& outcome) {
    if (outcome.Status == TTestStatus::Pass) return {};
    return "expected: " + Utf8(ExpectedText(test)) + "\ngot: " + Utf8(outcome.Got);
}

std::string GradescopePart(const TTestFile& tests, const TSubmissionResults& results) {
    json items = json::array();
    for (std::size_t i = 0; i < results.Outcomes.size(); ++i) {
        const TTestCase& test = tests.Tests[i];
        const TTestOutcome& outcome = results.Outcomes[i];
        items.push_back({
            {"name", Utf8(test.Name)},
            {"score", PointsOf(test, outcome)},
            {"max_score", test.Settings.Points},
            {"status", outcome.Status == TTestStatus::Pass ? "passed" : "failed"},
            {"output", GradescopeOutput(test, outcome)},
            {"visibility", test.Settings.Hidden ? "hidden" : "visible"},
        });
    }
    const json object = {
        {"score", Score(tests, results.Outcomes)},
        {"execution_time", std::lround(std::ceil(CountsOf(results).Seconds))},
        {"tests", items},
    };
    return Dump(object) + "\n";
}

// ---- TAP 14

// A description may hold anything but a line end; '#' would start a
// directive and '\' escapes.
std::string TapDescription(std::string_view utf8) {
    std::string text;
    for (const char c : utf8) {
        if (c == '#' || c == '\\') text += '\\';
        text += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return text;
}

// A YAML block in JSON's notation, which is YAML's flow style.
std::string TapDiagnostics(const TTestCase& test, const TTestOutcome& outcome,
                           const std::string& indent) {
    const json item = JsonTest(test, outcome);
    std::string text = indent + "  ---\n";
    for (const char* key :
         {"status", "expected", "got", "error", "points", "max_points", "steps", "time"})
        if (item.contains(key)) text += indent + "  " + key + ": " + Dump(item[key]) + "\n";
    return text + indent + "  ...\n";
}

std::string TapTests(const TTestFile& tests, const TSubmissionResults& results,
                     const std::string& indent) {
    std::string text = indent + "1.." + std::to_string(tests.Tests.size()) + "\n";
    for (std::size_t i = 0; i < results.Outcomes.size(); ++i) {
        const TTestCase& test = tests.Tests[i];
        const TTestOutcome& outcome = results.Outcomes[i];
        const bool passed = outcome.Status == TTestStatus::Pass;
        text += indent + (passed ? "ok " : "not ok ") + std::to_string(i + 1) + " - " +
                TapDescription(Utf8(test.Name)) + "\n";
        if (!passed) text += TapDiagnostics(test, outcome, indent);
    }
    return text;
}

bool AllPassed(const TTestFile& tests, const TSubmissionResults& results) {
    const TCounts counts = CountsOf(results);
    return counts.Passed == tests.Tests.size();
}

std::string TapPart(std::size_t number, const TTestFile& tests, const TSubmissionResults& results) {
    const std::string name = TapDescription(ValidUtf8(results.Name));
    return "# Subtest: " + name + "\n" + TapTests(tests, results, "    ") +
           (AllPassed(tests, results) ? "ok " : "not ok ") + std::to_string(number) + " - " + name +
           "\n";
}

// ---- JUnit XML

std::string Attribute(const char* name, const std::string& utf8) {
    return std::string(" ") + name + "=\"" + XmlEscaped(utf8) + "\"";
}

std::string JUnitCase(const TTestCase& test, const TTestOutcome& outcome,
                      const std::string& suite) {
    std::string text = "    <testcase" + Attribute("name", Utf8(test.Name)) +
                       Attribute("classname", suite) +
                       Attribute("time", SecondsText(outcome.Seconds));
    if (outcome.Status == TTestStatus::Pass) return text + "/>\n";
    const char* element = outcome.Status == TTestStatus::Fail ? "failure" : "error";
    const std::string expected = Utf8(ExpectedText(test)), got = Utf8(outcome.Got);
    return text + ">\n      <" + element + Attribute("message", got) +
           Attribute("type", StatusWord(outcome.Status)) + ">" +
           XmlEscaped("expected: " + expected + "\ngot: " + got) + "</" + element +
           ">\n    </testcase>\n";
}

std::string JUnitPart(const TTestFile& tests, const TSubmissionResults& results) {
    const std::string suite = ValidUtf8(results.Name);
    const TCounts counts = CountsOf(results);
    std::string text = "  <testsuite" + Attribute("name", suite) +
                       Attribute("tests", std::to_string(results.Outcomes.size())) +
                       Attribute("failures", std::to_string(counts.Failed)) +
                       Attribute("errors", std::to_string(counts.Errors)) +
                       Attribute("skipped", "0") + Attribute("time", SecondsText(counts.Seconds)) +
                       ">\n";
    for (std::size_t i = 0; i < results.Outcomes.size(); ++i)
        text += JUnitCase(tests.Tests[i], results.Outcomes[i], suite);
    return text + "  </testsuite>\n";
}

// ---- CSV

std::string CsvField(const std::string& utf8) {
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
    std::string text = "\"";
    for (const char c : utf8)
        text += c == '"' ? std::string("\"\"") : std::string(1, c);
    return text + "\"";
}

std::string CsvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) row += ',';
        row += CsvField(fields[i]);
    }
    return row + "\r\n";
}

} // namespace

std::optional<TReportFormat> ReportFormatNamed(std::string_view name) {
    if (name == "text") return TReportFormat::Text;
    if (name == "json") return TReportFormat::Json;
    if (name == "tap") return TReportFormat::Tap;
    if (name == "junit") return TReportFormat::JUnit;
    if (name == "gradescope") return TReportFormat::Gradescope;
    return std::nullopt;
}

std::string_view ReportFileEnding(TReportFormat format) {
    switch (format) {
    case TReportFormat::Text: return ".txt";
    case TReportFormat::Tap: return ".tap";
    case TReportFormat::JUnit: return ".xml";
    case TReportFormat::Json:
    case TReportFormat::Gradescope: return ".json";
    }
    return ".txt";
}

std::string TReport::Opening(std::size_t submissions) const {
    switch (Format_) {
    case TReportFormat::Tap: return "TAP version 14\n1.." + std::to_string(submissions) + "\n";
    case TReportFormat::JUnit:
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"zk test\">\n";
    default: return {};
    }
}

std::string TReport::Part(std::size_t number, const TSubmissionResults& results) const {
    switch (Format_) {
    case TReportFormat::Text: return TextPart(Tests_, results);
    case TReportFormat::Json: return JsonPart(Tests_, results);
    case TReportFormat::Tap: return TapPart(number, Tests_, results);
    case TReportFormat::JUnit: return JUnitPart(Tests_, results);
    case TReportFormat::Gradescope: return GradescopePart(Tests_, results);
    }
    return {};
}

std::string TReport::Closing(std::size_t passed, std::size_t failed) const {
    switch (Format_) {
    case TReportFormat::Text: return TextClosing(passed, failed);
    case TReportFormat::JUnit: return "</testsuites>\n";
    default: return {};
    }
}

std::string TReport::Document(const TSubmissionResults& results) const {
    // A file of one submission is a plain TAP stream, without a subtest.
    if (Format_ == TReportFormat::Tap) return "TAP version 14\n" + TapTests(Tests_, results, "");
    const TCounts counts = CountsOf(results);
    return Opening(1) + Part(1, results) + Closing(counts.Passed, counts.Failed + counts.Errors);
}

std::string SummaryCsv(const TTestFile& tests, const std::vector<TSubmissionResults>& rows) {
    std::vector<std::string> header = {"submission", "score", "max_score"};
    for (const TTestCase& test : tests.Tests)
        header.push_back(Utf8(test.Name));
    std::string text = CsvRow(header);
    for (const TSubmissionResults& results : rows) {
        std::vector<std::string> fields = {ValidUtf8(results.Name),
                                           std::to_string(Score(tests, results.Outcomes)),
                                           std::to_string(MaxScore(tests))};
        for (std::size_t i = 0; i < tests.Tests.size(); ++i)
            fields.push_back(i < results.Outcomes.size()
                                 ? std::to_string(PointsOf(tests.Tests[i], results.Outcomes[i]))
                                 : std::string());
        text += CsvRow(fields);
    }
    return text;
}

std::string ValidUtf8(std::string_view bytes) {
    const TDecodedText decoded = DecodeText(bytes, TTextEncoding::Utf8);
    return EncodeText(decoded.Text, TTextEncoding::Utf8, false, decoded.Unmappable);
}

std::string XmlEscaped(std::string_view utf8) {
    std::string text;
    text.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': text += "&amp;"; break;
        case '<': text += "&lt;"; break;
        case '>': text += "&gt;"; break;
        case '"': text += "&quot;"; break;
        case '\'': text += "&apos;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                text += "\xEF\xBF\xBD";
            else
                text += c;
        }
    }
    return text;
}

} // namespace zk::cli
