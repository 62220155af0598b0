#include "cli/TestCommand.h"

#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/PictureModule.h"
#include "cli/Settings.h"
#include "cli/TestProcesses.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "platform/System.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <set>

namespace zk::cli {

namespace {

constexpr std::size_t kMaxJobs = 256;
constexpr int32_t kDefaultMemoryMB = 4;
// A test failed or a submission could not be checked.
constexpr int kExitSomeFailed = 1;

// Apply returns the usage error of a bad value, or the empty text. Every
// option of zk test takes a value.
using TApply = std::function<std::string(TTestCommandLine&, const std::string&)>;

std::string ApplyJobs(TTestCommandLine& line, const std::string& value) {
    std::size_t jobs = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (ec != std::errc() || end != value.data() + value.size() || jobs < 1 || jobs > kMaxJobs)
        return "--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs) + ", not '" +
               value + "'";
    line.Jobs = jobs;
    return {};
}

std::string ApplyFormat(TTestCommandLine& line, const std::string& value) {
    const auto format = ReportFormatNamed(value);
    if (!format) return "--format needs text, json, tap, junit or gradescope, not '" + value + "'";
    line.Format = *format;
    return {};
}

const std::map<std::string, TApply> kOptions = {
    {"-I",
     [](TTestCommandLine& l, const std::string& v) {
         l.IncludeDirs.push_back(PathFromCommandLine(v));
         return std::string();
     }},
    {"--main",
     [](TTestCommandLine& l, const std::string& v) {
         l.MainName = v;
         return v.empty() ? std::string("--main needs the name of a source") : std::string();
     }},
    {"--jobs", ApplyJobs},
    {"--format", ApplyFormat},
    {"--out",
     [](TTestCommandLine& l, const std::string& v) {
         l.OutDir = PathFromCommandLine(v);
         return std::string();
     }},
    {"--summary",
     [](TTestCommandLine& l, const std::string& v) {
         l.SummaryFile = PathFromCommandLine(v);
         return std::string();
     }},
};

// Splits "--out=DIR" and "-IDIR" into the option and its attached value.
std::pair<std::string, std::optional<std::string>> SplitAttached(const std::string& word) {
    if (word.starts_with("--")) {
        const auto eq = word.find('=');
        if (eq == std::string::npos) return {word, std::nullopt};
        return {word.substr(0, eq), word.substr(eq + 1)};
    }
    if (word.size() > 2) return {word.substr(0, 2), word.substr(2)};
    return {word, std::nullopt};
}

TTestCommandParse Fail(std::string message) {
    return TTestCommandParse{std::nullopt, std::move(message)};
}

// Children running at once share the eighth of the memory that the stacks
// of one run may take by themselves, so that runaway recursions in all of
// them cannot exhaust the machine. A node of a stack takes 16 bytes.
int64_t StackLimitFor(std::size_t jobs) {
    constexpr int64_t kNodeBytes = 16;
    const uint64_t memory = PhysicalMemoryBytes();
    if (memory == 0 || jobs <= 1) return 0;
    return static_cast<int64_t>(memory / 8 / kNodeBytes / jobs);
}

TCheckOptions CheckOptionsFor(const TTestCommandLine& line, std::size_t jobs) {
    TCommandLine settings;
    settings.IncludeDirs = line.IncludeDirs;
    ApplySettingsFile(settings, kSettingsFile);
    TCheckOptions options;
    options.IncludeDirs = settings.IncludeDirs;
    options.Classic = settings.Classic.value_or(false);
    options.MemoryMB = settings.MemoryMB.value_or(kDefaultMemoryMB);
    options.SymbolError = settings.SymbolError.value_or(true);
    options.GraphicsMode = settings.GraphicsMode.value_or(0);
    options.StackLimit = StackLimitFor(jobs);
    // Each child loads the picture module at its first picture test, if any.
    options.MakeCanvas = PictureCanvasMaker();
    return options;
}

void MakeDirectory(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(path), ec);
    if (ec) throw TFileError(path, ec.message(), FaultOfErrno(ec.value()));
}

// The report files of the submissions: each named after its submission's
// last name, without ".zk", and made unique by a number.
std::vector<std::string> ReportFiles(const std::string& directory,
                                     const std::vector<TSubmission>& submissions,
                                     TReportFormat format) {
    std::vector<std::string> files;
    std::set<std::string> taken;
    for (const TSubmission& submission : submissions) {
        std::string base = submission.Name.substr(submission.Name.rfind('/') + 1);
        if (base.size() > 3 && SameText1251(base.substr(base.size() - 3), ".zk"))
            base.resize(base.size() - 3);
        if (base.empty() || base == "." || base == "..") base = "submission";
        std::string name = base;
        for (int copy = 2; !taken.insert(name).second; ++copy)
            name = base + "-" + std::to_string(copy);
        files.push_back(directory + "/" + name + std::string(ReportFileEnding(format)));
    }
    return files;
}

// Collects the outcomes as they come, keeps the report files up to date and
// prints each submission's part once it and all before it are complete.
class TResults {
public:
    TResults(const TTestCommandLine& line, const TTestFile& tests,
             const std::vector<TSubmission>& submissions, std::ostream& out)
        : Line_(line), Tests_(tests), Report_(line.Format, tests), Out_(out) {
        for (const TSubmission& submission : submissions)
            Results_.push_back({submission.Name, {}});
        if (line.OutDir) Files_ = ReportFiles(*line.OutDir, submissions, line.Format);
        Out_ << Report_.Opening(submissions.size()) << std::flush;
    }

    void Add(std::size_t submission, const TTestOutcome& outcome) {
        TSubmissionResults& results = Results_[submission];
        results.Outcomes.push_back(outcome);
        // Renamed into place, a file always holds a whole report.
        if (!Files_.empty())
            WriteWholeFile(Files_[submission], Report_.Document(results), TWriteRule::ScratchFile);
        PrintReady();
    }

    int Finish() {
        Out_ << Report_.Closing(Passed_, Failed_) << std::flush;
        if (Line_.SummaryFile) WriteWholeFile(*Line_.SummaryFile, SummaryCsv(Tests_, Results_));
        return Failed_ == 0 ? kExitOk : kExitSomeFailed;
    }

private:
    void PrintReady() {
        while (Printed_ < Results_.size() &&
               Results_[Printed_].Outcomes.size() == Tests_.Tests.size()) {
            for (const TTestOutcome& outcome : Results_[Printed_].Outcomes)
                ++(outcome.Status == TTestStatus::Pass ? Passed_ : Failed_);
            Out_ << Report_.Part(Printed_ + 1, Results_[Printed_]) << std::flush;
            ++Printed_;
        }
    }

    const TTestCommandLine& Line_;
    const TTestFile& Tests_;
    TReport Report_;
    std::ostream& Out_;
    std::vector<TSubmissionResults> Results_;
    std::vector<std::string> Files_;
    std::size_t Printed_ = 0;
    std::size_t Passed_ = 0, Failed_ = 0;
};

} // namespace

TTestCommandParse ParseTestCommandLine(const std::vector<std::string>& args) {
    TTestCommandLine line;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        auto found = kOptions.find(word);
        std::optional<std::string> value;
        if (found == kOptions.end()) {
            auto [name, attached] = SplitAttached(word);
            found = kOptions.find(name);
            if (found == kOptions.end()) return Fail("unknown option '" + word + "' for test");
            value = attached;
        }
        if (!value) {
            if (i + 1 >= args.size()) return Fail("option '" + word + "' needs a value");
            value = args[++i];
        }
        if (std::string bad = found->second(line, *value); !bad.empty()) return Fail(bad);
    }
    if (positional.empty()) return Fail("no test file given to test");
    if (positional.size() == 1) return Fail("no submission given to test");
    line.TestFile = PathFromCommandLine(positional.front());
    for (auto it = positional.begin() + 1; it != positional.end(); ++it)
        line.Submissions.push_back(PathFromCommandLine(*it));
    return TTestCommandParse{std::move(line), {}};
}

int RunTestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const TTestCommandParse parsed = ParseTestCommandLine(args);
    if (!parsed.Line) {
        err << "zk: " << parsed.Error << "\nTry 'zk --help'.\n";
        return kExitUsage;
    }
    const TTestCommandLine& line = *parsed.Line;
    TTestFile tests;
    TTestFileError error;
    if (!LoadTestFile(line.TestFile, tests, error)) {
        err << "zk: " << line.TestFile;
        if (error.Line > 0) err << ":" << error.Line;
        err << ": " << error.Message << "\n";
        return kExitUsage;
    }
    const std::size_t jobs = line.Jobs > 0 ? line.Jobs : ProcessorCount();
    const TCheckOptions options = CheckOptionsFor(line, std::min(jobs, line.Submissions.size()));
    std::vector<TSubmission> submissions;
    for (const std::string& path : line.Submissions)
        submissions.push_back(FindSubmission(path, line.MainName));
    if (line.OutDir) MakeDirectory(*line.OutDir);

    TResults results(line, tests, submissions, out);
    CheckInProcesses(tests, line.TestFile, submissions, options, jobs,
                     [&results](std::size_t submission, std::size_t, const TTestOutcome& outcome) {
                         results.Add(submission, outcome);
                     });
    return results.Finish();
}

} // namespace zk::cli
