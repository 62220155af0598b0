// The report writers of zk test: the text report against a hand-written
// copy, JSON and Gradescope's results.json against the fields their readers
// use, and TAP 14 and JUnit XML read back in by small readers of their own.
#include "cli/TestReports.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>

namespace zk::test {
namespace {

using cli::TRunEnd;
using cli::TTestOutcome;
using cli::TTestStatus;
using nlohmann::json;

TTestOutcome Outcome(TTestStatus status, TRunEnd end, std::string_view got, double seconds) {
    TTestOutcome outcome;
    outcome.Status = status;
    outcome.End = end;
    outcome.Got = W(got);
    outcome.Steps = 10;
    outcome.Seconds = seconds;
    return outcome;
}

class TestReports : public ::testing::Test {
protected:
    TestReports() {
        cli::TTestFileError error;
        EXPECT_TRUE(cli::ParseTestText(W("test: three atoms\nexpect: C B A\npoints: 2\n"
                                         "test: nested #1 <&> \"'\\\nexpect: C (A B)\n"
                                         "test: ёж\nerror: 40\nhidden: yes\n"),
                                       Tests, error));
        Results.Name = "sub/right.zk";
        Results.Outcomes = {
            Outcome(TTestStatus::Pass, TRunEnd::Result, "C B A ", 0.5),
            Outcome(TTestStatus::Fail, TRunEnd::Result, "C A B ", 0.25),
            Outcome(TTestStatus::Error, TRunEnd::NotRun, "процесс проверки завершён сигналом 9", 0),
        };
    }

    std::string Whole(cli::TReportFormat format) const {
        const cli::TReport report(format, Tests);
        return report.Opening(1) + report.Part(1, Results) + report.Closing(1, 2);
    }

    cli::TTestFile Tests;
    cli::TSubmissionResults Results;
};

TEST_F(TestReports, TextMarksTheFirstDifferenceAndCounts) {
    EXPECT_EQ(Whole(cli::TReportFormat::Text),
              "sub/right.zk: 2 of 4 points\n"
              "  ok    three atoms\n"
              "  FAIL  nested #1 <&> \"'\\\n"
              "          expected: C (A B)\n"
              "          got:      C A B\n"
              "                      ^\n"
              "  FAIL  ёж (hidden)\n"
              "          expected: BF применён к пустому выражению - #40\n"
              "          got:      процесс проверки завершён сигналом 9\n"
              "1 passed, 2 failed\n");
}

TEST_F(TestReports, JsonIsOneObjectPerSubmission) {
    const std::string text = Whole(cli::TReportFormat::Json);
    ASSERT_EQ(text.back(), '\n');
    ASSERT_EQ(text.find('\n'), text.size() - 1) << "one line";
    const json object = json::parse(text);
    EXPECT_EQ(object["name"], "sub/right.zk");
    EXPECT_EQ(object["score"], 2);
    EXPECT_EQ(object["max_score"], 4);
    EXPECT_EQ(object["complete"], true);
    ASSERT_EQ(object["tests"].size(), 3u);
    for (const json& test : object["tests"]) {
        for (const char* key : {"name", "status", "expected", "got"})
            EXPECT_TRUE(test[key].is_string()) << key;
        for (const char* key : {"points", "max_points", "steps"})
            EXPECT_TRUE(test[key].is_number_integer()) << key;
        EXPECT_TRUE(test["time"].is_number());
        EXPECT_TRUE(test["hidden"].is_boolean());
    }
    EXPECT_EQ(object["tests"][1]["status"], "fail");
    EXPECT_EQ(object["tests"][1]["got"], "C A B ");
    EXPECT_EQ(object["tests"][2]["status"], "error");
    EXPECT_EQ(object["tests"][2]["name"], "ёж");
    EXPECT_EQ(object["tests"][2]["expected"], "BF применён к пустому выражению - #40");
}

TEST_F(TestReports, GradescopeHasTheFieldsOfResultsJson) {
    const json object = json::parse(Whole(cli::TReportFormat::Gradescope));
    EXPECT_EQ(object["score"], 2);
    EXPECT_TRUE(object["execution_time"].is_number_integer());
    ASSERT_EQ(object["tests"].size(), 3u);
    const json& failed = object["tests"][1];
    EXPECT_EQ(failed["name"], "nested #1 <&> \"'\\");
    EXPECT_EQ(failed["score"], 0);
    EXPECT_EQ(failed["max_score"], 1);
    EXPECT_EQ(failed["status"], "failed");
    EXPECT_EQ(failed["output"], "expected: C (A B)\ngot: C A B ");
    EXPECT_EQ(failed["visibility"], "visible");
    EXPECT_EQ(object["tests"][0]["status"], "passed");
    EXPECT_EQ(object["tests"][2]["visibility"], "hidden");
}

// ---- TAP read back: a stream is a plan and test points, a point may carry a
// YAML block and follow a subtest indented by four blanks.

struct TTapStream;

struct TTapPoint {
    bool Ok = false;
    int Number = 0;
    std::string Description;
    std::map<std::string, json> Yaml;
    std::shared_ptr<TTapStream> Subtest;
};

struct TTapStream {
    int Plan = -1;
    std::vector<TTapPoint> Points;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "the last line ends";
    return lines;
}

std::string Unescaped(const std::string& description) {
    std::string text;
    for (std::size_t i = 0; i < description.size(); ++i) {
        if (description[i] == '\\' && i + 1 < description.size()) ++i;
        text += description[i];
    }
    return text;
}

TTapPoint PointOf(const std::string& line) {
    TTapPoint point;
    point.Ok = line.rfind("ok ", 0) == 0;
    std::size_t at = point.Ok ? 3 : 7;
    point.Number = std::stoi(line.substr(at));
    at = line.find(" - ", at);
    EXPECT_NE(at, std::string::npos) << line;
    point.Description = Unescaped(line.substr(at + 3));
    return point;
}

TTapStream ReadTap(const std::vector<std::string>& lines, std::size_t& i,
                   const std::string& indent) {
    TTapStream stream;
    std::shared_ptr<TTapStream> subtest;
    while (i < lines.size() && lines[i].rfind(indent, 0) == 0) {
        const std::string line = lines[i].substr(indent.size());
        if (line.rfind("    ", 0) == 0) {
            subtest = std::make_shared<TTapStream>(ReadTap(lines, i, indent + "    "));
            continue;
        }
        ++i;
        if (line.rfind("1..", 0) == 0) {
            stream.Plan = std::stoi(line.substr(3));
        } else if (line.rfind("ok ", 0) == 0 || line.rfind("not ok ", 0) == 0) {
            stream.Points.push_back(PointOf(line));
            stream.Points.back().Subtest = std::move(subtest);
        } else if (line == "  ---" && !stream.Points.empty()) {
            for (; i < lines.size() && lines[i] != indent + "  ..."; ++i) {
                const std::string entry = lines[i].substr(indent.size() + 2);
                const std::size_t colon = entry.find(": ");
                stream.Points.back().Yaml[entry.substr(0, colon)] =
                    json::parse(entry.substr(colon + 2));
            }
            ++i;
        } else if (line.rfind("# ", 0) != 0) {
            ADD_FAILURE() << "not a line of TAP: " << lines[i - 1];
        }
    }
    return stream;
}

TTapStream ReadTapDocument(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines.at(0), "TAP version 14");
    std::size_t i = 1;
    TTapStream stream = ReadTap(lines, i, "");
    EXPECT_EQ(i, lines.size()) << "every line read";
    return stream;
}

void ExpectTheTests(const TTapStream& stream) {
    EXPECT_EQ(stream.Plan, 3);
    ASSERT_EQ(stream.Points.size(), 3u);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(stream.Points[static_cast<std::size_t>(n)].Number, n + 1);
    EXPECT_TRUE(stream.Points[0].Ok);
    EXPECT_TRUE(stream.Points[0].Yaml.empty());
    const TTapPoint& failed = stream.Points[1];
    EXPECT_FALSE(failed.Ok);
    EXPECT_EQ(failed.Description, "nested #1 <&> \"'\\") << "# and \\ escaped";
    EXPECT_EQ(failed.Yaml.at("expected"), "C (A B)");
    EXPECT_EQ(failed.Yaml.at("got"), "C A B ");
    EXPECT_EQ(failed.Yaml.at("status"), "fail");
    EXPECT_EQ(stream.Points[2].Yaml.at("status"), "error");
}

TEST_F(TestReports, TapHasASubtestPerSubmission) {
    const TTapStream stream = ReadTapDocument(Whole(cli::TReportFormat::Tap));
    EXPECT_EQ(stream.Plan, 1);
    ASSERT_EQ(stream.Points.size(), 1u);
    EXPECT_FALSE(stream.Points[0].Ok);
    EXPECT_EQ(stream.Points[0].Description, "sub/right.zk");
    ASSERT_TRUE(stream.Points[0].Subtest);
    ExpectTheTests(*stream.Points[0].Subtest);
}

TEST_F(TestReports, ATapFileOfOneSubmissionIsAPlainStream) {
    ExpectTheTests(ReadTapDocument(cli::TReport(cli::TReportFormat::Tap, Tests).Document(Results)));
}

// ---- JUnit read back: elements, attributes in double quotes, text and the
// five entities, which is all the writer makes.

struct TXmlElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
    std::vector<TXmlElement> Children;
    std::string Text;
};

class TXmlReader {
public:
    explicit TXmlReader(std::string text) : Text_(std::move(text)) {}

    TXmlElement Document() {
        const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        EXPECT_EQ(Text_.rfind(declaration, 0), 0u);
        Pos_ = declaration.size();
        TXmlElement root = Element();
        SkipBlanks();
        EXPECT_EQ(Pos_, Text_.size()) << "nothing after the root";
        return root;
    }

private:
    TXmlElement Element() {
        Expect("<");
        TXmlElement element;
        element.Name = Name();
        for (SkipBlanks(); Text_[Pos_] != '>' && Text_[Pos_] != '/'; SkipBlanks()) {
            const std::string name = Name();
            Expect("=\"");
            const std::size_t end = Text_.find('"', Pos_);
            element.Attributes[name] = Unescaped(Text_.substr(Pos_, end - Pos_));
            Pos_ = end + 1;
        }
        if (Text_.compare(Pos_, 2, "/>") == 0) {
            Pos_ += 2;
            return element;
        }
        Expect(">");
        while (Text_.compare(Pos_, 2, "</") != 0) {
            if (Text_[Pos_] == '<') {
                element.Children.push_back(Element());
            } else {
                const std::size_t end = Text_.find('<', Pos_);
                element.Text += Unescaped(Text_.substr(Pos_, end - Pos_));
                Pos_ = end;
            }
        }
        Expect("</" + element.Name + ">");
        return element;
    }

    std::string Name() {
        const std::size_t start = Pos_;
        while (Pos_ < Text_.size() && (std::isalnum(static_cast<unsigned char>(Text_[Pos_]))))
            ++Pos_;
        EXPECT_GT(Pos_, start) << "a name at " << start;
        return Text_.substr(start, Pos_ - start);
    }

    void Expect(const std::string& text) {
        if (Text_.compare(Pos_, text.size(), text) != 0)
            throw std::runtime_error("expected " + text + " at " + std::to_string(Pos_));
        Pos_ += text.size();
    }

    void SkipBlanks() {
        while (Pos_ < Text_.size() && std::isspace(static_cast<unsigned char>(Text_[Pos_])))
            ++Pos_;
    }

    static std::string Unescaped(const std::string& text) {
        static const std::map<std::string, char> entities = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            EXPECT_NE(text[i], '<');
            if (text[i] != '&') {
                plain += text[i];
                continue;
            }
            const std::size_t end = text.find(';', i);
            plain += entities.at(text.substr(i + 1, end - i - 1));
            i = end;
        }
        return plain;
    }

    std::string Text_;
    std::size_t Pos_ = 0;
};

TXmlElement Child(const TXmlElement& element, std::size_t i) {
    return element.Children.at(i);
}

TEST_F(TestReports, JUnitHasASuitePerSubmissionAndACasePerTest) {
    const TXmlElement root = TXmlReader(Whole(cli::TReportFormat::JUnit)).Document();
    EXPECT_EQ(root.Name, "testsuites");
    ASSERT_EQ(root.Children.size(), 1u);
    const TXmlElement suite = Child(root, 0);
    EXPECT_EQ(suite.Name, "testsuite");
    EXPECT_EQ(suite.Attributes.at("name"), "sub/right.zk");
    EXPECT_EQ(suite.Attributes.at("tests"), "3");
    EXPECT_EQ(suite.Attributes.at("failures"), "1");
    EXPECT_EQ(suite.Attributes.at("errors"), "1");
    EXPECT_EQ(suite.Attributes.at("time"), "0.750");
    ASSERT_EQ(suite.Children.size(), 3u);
    EXPECT_TRUE(Child(suite, 0).Children.empty());
    const TXmlElement failed = Child(suite, 1);
    EXPECT_EQ(failed.Attributes.at("name"), "nested #1 <&> \"'\\");
    EXPECT_EQ(failed.Attributes.at("classname"), "sub/right.zk");
    EXPECT_EQ(Child(failed, 0).Name, "failure");
    EXPECT_EQ(Child(failed, 0).Text, "expected: C (A B)\ngot: C A B ");
    EXPECT_EQ(Child(Child(suite, 2), 0).Name, "error");
}

TEST_F(TestReports, XmlEscapesWhatItMustAndDropsWhatItCannotHold) {
    EXPECT_EQ(cli::XmlEscaped("a<b>&\"'\t\n\x01"), "a&lt;b&gt;&amp;&quot;&apos;\t\n\xEF\xBF\xBD");
}

TEST_F(TestReports, SummaryHasAColumnPerTest) {
    cli::TSubmissionResults unfinished{"sub/a,b.zk", {Results.Outcomes[0]}};
    EXPECT_EQ(cli::SummaryCsv(Tests, {Results, unfinished}),
              "submission,score,max_score,three atoms,\"nested #1 <&> \"\"'\\\",ёж\r\n"
              "sub/right.zk,2,4,2,0,0\r\n"
              "\"sub/a,b.zk\",2,4,2,,\r\n");
}

TEST_F(TestReports, NamesFromTheFileSystemBecomeValidUtf8) {
    EXPECT_EQ(cli::ValidUtf8("ok/\xFF.zk"), "ok/\xEF\xBF\xBD.zk");
    EXPECT_EQ(cli::ValidUtf8("ёж/≠.zk"), "ёж/≠.zk");
}

} // namespace
} // namespace zk::test
