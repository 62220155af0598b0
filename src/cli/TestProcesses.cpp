// The parent waits on the children's pipes and keeps, for each child, the
// test it is running and the time by which that test must have answered:
// its own time limit, which the child enforces itself, and a grace for
// starting up. Only a child that hangs past it is killed.
#include "cli/TestProcesses.h"

#include "cli/PictureModule.h"
#include "frontend/Cp1251.h"
#include "platform/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <deque>
#include <iterator>
#include <list>
#include <memory>

namespace zk::cli {

namespace {

using nlohmann::json;
using TClock = std::chrono::steady_clock;

// What a child may take beyond a test's time limit: compiling the
// submission, loading the picture module, a busy machine.
constexpr auto kGrace = std::chrono::seconds(10);

struct TJob {
    std::size_t Submission;
    std::size_t First; // the first test still to run
};

// One child; ending the object ends the child.
struct TChild {
    TJob Job;
    std::unique_ptr<TChildProcess> Process;
    std::size_t Next = 0; // the test it runs now
    std::string Pending;  // what it sent that is not a whole line yet
    TClock::time_point Deadline;
    bool Hung = false;

    explicit TChild(TJob job) : Job(job), Next(job.First) {}
};

std::string W(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

TTestOutcome Failed(std::string why) {
    TTestOutcome outcome;
    outcome.Got = std::move(why);
    return outcome;
}

// The outcome of the test a child was running when it ended.
TTestOutcome LostTest(const TChild& child, const TChildEnd& end) {
    if (child.Hung) {
        TTestOutcome outcome = Failed(W("превышен предел времени"));
        outcome.Status = TTestStatus::Fail;
        outcome.End = TRunEnd::TimeLimit;
        return outcome;
    }
    if (end.Signal != 0)
        return Failed(W("процесс проверки завершён сигналом ") + std::to_string(end.Signal));
    return Failed(W("процесс проверки завершился с кодом ") + std::to_string(end.Status));
}

// A child started afresh learns its job from this text: where the tests
// are, the submission, the options and the first test to run.
std::string JobText(const std::string& testFile, const TSubmission& submission,
                    const TCheckOptions& options, std::size_t first) {
    const json job = {
        {"tests", testFile},
        {"name", submission.Name},
        {"main", submission.MainFile},
        {"problem", Cp1251ToUtf8(submission.Problem)},
        {"include", options.IncludeDirs},
        {"classic", options.Classic},
        {"memory", options.MemoryMB},
        {"symbolError", options.SymbolError},
        {"graphicsMode", options.GraphicsMode},
        {"stackLimit", options.StackLimit},
        {"first", first},
    };
    return job.dump(-1, ' ', false, json::error_handler_t::replace);
}

class TPool {
public:
    TPool(const TTestFile& tests, const std::string& testFile,
          const std::vector<TSubmission>& submissions, const TCheckOptions& options,
          const TOutcomeSink& sink)
        : Tests_(tests), TestFile_(testFile), Submissions_(submissions), Options_(options),
          Sink_(sink) {
        for (std::size_t i = 0; i < submissions.size(); ++i)
            Waiting_.push_back({i, 0});
    }

    void Run(std::size_t jobs) {
        while (!Waiting_.empty() || !Running_.empty()) {
            while (Running_.size() < jobs && !Waiting_.empty()) {
                const TJob job = Waiting_.front();
                Waiting_.pop_front();
                Launch(job);
            }
            if (!Running_.empty()) Wait();
        }
    }

private:
    TClock::time_point DeadlineOf(std::size_t test) const {
        if (test >= Tests_.Tests.size()) return TClock::time_point::max();
        const std::chrono::duration<double> limit(Tests_.Tests[test].Settings.Timeout);
        return TClock::now() + std::chrono::duration_cast<TClock::duration>(limit) + kGrace;
    }

    void Launch(TJob job) {
        const TSubmission& submission = Submissions_[job.Submission];
        TChildTask task;
        task.Body = [this, &submission, job](const TSendToParent& send) {
            RunSubmissionTests(
                Tests_, submission, Options_,
                [&send](std::size_t test, const TTestOutcome& outcome) {
                    send(OutcomeMessage(test, outcome));
                },
                {}, job.First);
        };
        task.Arguments = {std::string(kCheckChildArgument)};
        task.Input = JobText(TestFile_, submission, Options_, job.First);
        std::string error;
        std::unique_ptr<TChildProcess> process = TChildProcess::Start(task, error);
        if (!process) return GiveUp(job, error);
        TChild& child = Running_.emplace_back(job);
        child.Process = std::move(process);
        child.Deadline = DeadlineOf(job.First);
    }

    // The tests of a job that no child can run.
    void GiveUp(TJob job, const std::string& error) {
        const std::string why = W("не удалось запустить процесс проверки: ") + W(error);
        for (std::size_t test = job.First; test < Tests_.Tests.size(); ++test)
            Sink_(job.Submission, test, Failed(why));
    }

    void Wait() {
        std::vector<TChildProcess*> processes;
        TClock::time_point soonest = TClock::time_point::max();
        for (const TChild& child : Running_) {
            processes.push_back(child.Process.get());
            soonest = std::min(soonest, child.Deadline);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(soonest - TClock::now());
        WaitForChildren(processes, std::clamp(wait, std::chrono::milliseconds(0),
                                              std::chrono::milliseconds(60000)));
        for (auto it = Running_.begin(); it != Running_.end();) {
            const bool open = Drain(*it);
            if (open && TClock::now() >= it->Deadline && !it->Hung) {
                it->Process->Kill();
                it->Hung = true;
                it->Deadline = TClock::time_point::max(); // its pipe closes as it ends
            }
            it = open ? std::next(it) : Finish(it);
        }
    }

    // Takes what the child sent; false at the end of its pipe.
    bool Drain(TChild& child) {
        if (!child.Process->Read(child.Pending)) return false;
        std::size_t end;
        while ((end = child.Pending.find('\n')) != std::string::npos) {
            Accept(child, std::string_view(child.Pending).substr(0, end));
            child.Pending.erase(0, end + 1);
        }
        return true;
    }

    void Accept(TChild& child, std::string_view line) {
        std::size_t test = 0;
        TTestOutcome outcome;
        if (!ReadOutcomeMessage(line, test, outcome) || test != child.Next) return;
        Sink_(child.Job.Submission, test, outcome);
        child.Deadline = DeadlineOf(++child.Next);
    }

    std::list<TChild>::iterator Finish(std::list<TChild>::iterator it) {
        TChild& child = *it;
        const TChildEnd end = child.Process->Wait();
        child.Process.reset();
        if (child.Next < Tests_.Tests.size()) {
            Sink_(child.Job.Submission, child.Next, LostTest(child, end));
            if (child.Next + 1 < Tests_.Tests.size())
                Waiting_.push_front({child.Job.Submission, child.Next + 1});
        }
        return Running_.erase(it);
    }

    const TTestFile& Tests_;
    const std::string& TestFile_;
    const std::vector<TSubmission>& Submissions_;
    const TCheckOptions& Options_;
    const TOutcomeSink& Sink_;
    std::deque<TJob> Waiting_;
    std::list<TChild> Running_;
};

template <class TEnum> bool EnumFrom(const json& value, TEnum last, TEnum& result) {
    if (!value.is_number_integer()) return false;
    const auto number = value.get<int64_t>();
    if (number < 0 || number > static_cast<int64_t>(last)) return false;
    result = static_cast<TEnum>(number);
    return true;
}

} // namespace

void CheckInProcesses(const TTestFile& tests, const std::string& testFile,
                      const std::vector<TSubmission>& submissions, const TCheckOptions& options,
                      std::size_t jobs, const TOutcomeSink& sink) {
    TPool pool(tests, testFile, submissions, options, sink);
    pool.Run(std::max<std::size_t>(jobs, 1));
}

std::string OutcomeMessage(std::size_t test, const TTestOutcome& outcome) {
    const json message = {
        {"test", test},
        {"status", static_cast<int>(outcome.Status)},
        {"end", static_cast<int>(outcome.End)},
        {"error", outcome.ErrorNumber},
        {"got", Cp1251ToUtf8(outcome.Got)},
        {"steps", outcome.Steps},
        {"seconds", outcome.Seconds},
    };
    return message.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

bool ReadOutcomeMessage(std::string_view line, std::size_t& test, TTestOutcome& outcome) {
    const json message = json::parse(line, nullptr, false);
    if (!message.is_object()) return false;
    try {
        test = message.at("test").get<std::size_t>();
        if (!EnumFrom(message.at("status"), TTestStatus::Error, outcome.Status) ||
            !EnumFrom(message.at("end"), TRunEnd::NotRun, outcome.End))
            return false;
        outcome.ErrorNumber = message.at("error").get<int32_t>();
        outcome.Got = Utf8ToCp1251(message.at("got").get<std::string>());
        outcome.Steps = message.at("steps").get<int64_t>();
        outcome.Seconds = message.at("seconds").get<double>();
    } catch (const json::exception&) {
        return false;
    }
    return true;
}

int RunCheckChild(std::istream& in) {
    const json job = json::parse(in, nullptr, false);
    if (!job.is_object()) return kExitChildFailed;
    try {
        TTestFile tests;
        TTestFileError error;
        if (!LoadTestFile(job.at("tests").get<std::string>(), tests, error))
            return kExitChildFailed;
        TSubmission submission{job.at("name").get<std::string>(), job.at("main").get<std::string>(),
                               Utf8ToCp1251(job.at("problem").get<std::string>())};
        TCheckOptions options;
        options.IncludeDirs = job.at("include").get<std::vector<std::string>>();
        options.Classic = job.at("classic").get<bool>();
        options.MemoryMB = job.at("memory").get<int32_t>();
        options.SymbolError = job.at("symbolError").get<bool>();
        options.GraphicsMode = job.at("graphicsMode").get<int32_t>();
        options.StackLimit = job.at("stackLimit").get<int64_t>();
        options.MakeCanvas = PictureCanvasMaker();
        RunSubmissionTests(
            tests, submission, options,
            [](std::size_t test, const TTestOutcome& outcome) {
                SendToParentFromProgram(OutcomeMessage(test, outcome));
            },
            {}, job.at("first").get<std::size_t>());
    } catch (const std::exception&) {
        return kExitChildFailed;
    }
    return 0;
}

} // namespace zk::cli
