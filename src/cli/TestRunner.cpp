#include "cli/TestRunner.h"

#include "cli/Compilation.h"
#include "compiler/CompileDriver.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "gfx/PictureCanvas.h"
#include "interp/Interpreter.h"
#include "interp/RunResult.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>

namespace zk::cli {

namespace {

// Texts of this file are written in UTF-8; reports hold Windows-1251.
std::string W(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

std::string Cut(std::string text) {
    if (text.size() <= kMaxGotChars) return text;
    text.resize(kMaxGotChars);
    return text + W("…");
}

TTestOutcome NotRun(std::string why) {
    TTestOutcome outcome;
    outcome.Got = Cut(std::move(why));
    return outcome;
}

bool EndsWithZk(const std::string& name) {
    return name.size() > 3 && SameText1251(name.substr(name.size() - 3), ".zk");
}

// The sources directly in the folder, in sorted order.
std::vector<std::string> SourcesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath(folder))) {
        const std::string name = SystemPath(entry.path().filename());
        std::error_code ec;
        if (EndsWithZk(name) && entry.is_regular_file(ec)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> Pick(const std::vector<std::string>& names, const std::string& wanted) {
    for (const std::string& name : {wanted, wanted + ".zk"}) {
        if (std::find(names.begin(), names.end(), name) != names.end()) return name;
        for (const std::string& candidate : names)
            if (SameText1251(candidate, name)) return candidate;
    }
    return std::nullopt;
}

// The source of a folder, or the folder's problem in `submission`.
void FindInFolder(const std::string& folder, const std::string& mainName, TSubmission& submission) {
    const std::vector<std::string> names = SourcesIn(folder);
    std::optional<std::string> chosen;
    if (!mainName.empty()) {
        chosen = Pick(names, mainName);
        if (!chosen) submission.Problem = W("в папке нет файла ") + PathText(mainName);
    } else if (names.size() == 1) {
        chosen = names.front();
    } else if (names.empty()) {
        submission.Problem = W("в папке нет исходного файла ZK (*.zk)");
    } else {
        submission.Problem = W("в папке несколько исходных файлов ZK; главный выбирает --main");
    }
    if (chosen) submission.MainFile = (folder == "/" ? folder : folder + "/") + *chosen;
}

std::string WithoutFinalSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

struct TCompiled {
    std::optional<TPCode> Code;
    TTestOutcome Failure; // why there is no code
};

std::string CompileErrorLine(const TError& error, const TErrorPlace& place) {
    const std::string where =
        place.Path.empty() ? error.FileName : PathText(PlaceText(place.Path, error.Offset));
    return where + W(": Ошибка: ") + ErrorText(error);
}

TCompiled Compile(const TSubmission& submission, const TCheckOptions& options) {
    TCompiled compiled;
    if (!submission.Problem.empty()) {
        compiled.Failure = NotRun(submission.Problem);
        return compiled;
    }
    TCommandLine line;
    line.File = submission.MainFile;
    line.IncludeDirs = options.IncludeDirs;
    TPCode code;
    TError error;
    TErrorPlace place;
    try {
        CompileMainFile(line.File, code, false, error, IncludePathsFor(line), &place);
        if (error.Number == 0) {
            compiled.Code = std::move(code);
            return compiled;
        }
        compiled.Failure.End = TRunEnd::Error;
        compiled.Failure.ErrorNumber = error.Number;
        compiled.Failure.Got = Cut(CompileErrorLine(error, place));
    } catch (const TFileError& e) {
        compiled.Failure = NotRun(PathText(e.what()));
    } catch (const std::bad_alloc&) {
        compiled.Failure = NotRun(W("не хватило памяти для компиляции"));
    }
    return compiled;
}

// The language variant for a check: the compiler and the reading of
// parameters both follow the front end's flag. The caller's comes back after.
class TLanguageGuard {
public:
    explicit TLanguageGuard(bool classic) : Callers_(ClassicLanguage) { ClassicLanguage = classic; }
    ~TLanguageGuard() { ClassicLanguage = Callers_; }
    TLanguageGuard(const TLanguageGuard&) = delete;
    TLanguageGuard& operator=(const TLanguageGuard&) = delete;

private:
    bool Callers_;
};

// The outcome of a test that the submission's failure to compile decides.
TTestOutcome WithoutProgram(const TTestCase& test, TTestOutcome outcome) {
    const bool expected = test.Kind == TExpectKind::Error && outcome.End == TRunEnd::Error &&
                          outcome.ErrorNumber == test.ExpectedError;
    outcome.Status = expected ? TTestStatus::Pass : TTestStatus::Error;
    return outcome;
}

std::string Hex(TRgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.Red, colour.Green, colour.Blue);
    return text;
}

std::string SizeText(int32_t width, int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// The first difference between the drawn picture and the expected one, or
// the empty text when they are equal.
std::string PictureDifference(const TCanvas& drawn, const TBitmap& expected) {
    if (drawn.Width() != expected.Width || drawn.Height() != expected.Height)
        return W("рисунок ") + SizeText(drawn.Width(), drawn.Height()) + W(", а не ") +
               SizeText(expected.Width, expected.Height);
    for (int32_t y = 0; y < expected.Height; ++y)
        for (int32_t x = 0; x < expected.Width; ++x)
            if (drawn.Pixel(x, y) != expected.At(x, y))
                return W("пиксель (") + std::to_string(x) + ", " + std::to_string(y) +
                       "): " + Hex(drawn.Pixel(x, y)) + W(", а не ") + Hex(expected.At(x, y));
    return {};
}

// After a run that completed: what the test expects of its result.
void JudgeResult(TInterpreter& run, const TTestCase& test, const TCheckOptions& options,
                 TTestOutcome& outcome) {
    outcome.End = TRunEnd::Result;
    if (test.Kind != TExpectKind::Picture) {
        const std::string text = run.ResultText();
        const bool same = test.Kind == TExpectKind::Result &&
                          NormalizedResult(text) == NormalizedResult(test.Expected);
        outcome.Status = same ? TTestStatus::Pass : TTestStatus::Fail;
        outcome.Got = Cut(text);
        return;
    }
    if (!options.MakeCanvas) {
        outcome = NotRun(W("рисунки не проверяются: нет модуля рисунков"));
        return;
    }
    const std::unique_ptr<TCanvas> picture =
        DrawResultPicture(run, options.GraphicsMode, options.MakeCanvas);
    if (!picture) {
        outcome.End = TRunEnd::Error;
        outcome.ErrorNumber = run.ErrorNumber();
        outcome.Status = TTestStatus::Fail;
        outcome.Got = PictureErrorMessage(outcome.ErrorNumber);
        return;
    }
    const std::string difference = PictureDifference(*picture, test.Picture);
    outcome.Status = difference.empty() ? TTestStatus::Pass : TTestStatus::Fail;
    outcome.Got = difference.empty() ? W("рисунок ") + SizeText(picture->Width(), picture->Height())
                                     : difference;
}

// Runs to the end, the test's time limit or a stop request; true when the
// time limit ended it.
bool RunWithin(TInterpreter& run, double seconds, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any ended;
    bool finished = false;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    run.Start([&] {
        std::lock_guard lock(mutex);
        finished = true;
        ended.notify_one();
    });
    std::unique_lock lock(mutex);
    const bool done = ended.wait_until(lock, stop, deadline, [&] { return finished; });
    lock.unlock();
    if (!done) run.Stop();
    run.Wait();
    return !done && !stop.stop_requested();
}

// A run that did not complete: a limit, a stop request or the program's error.
void JudgeFailure(const TInterpreter& run, const TTestCase& test, bool timedOut, bool stopped,
                  TTestOutcome& outcome) {
    const int32_t code = run.ErrorNumber();
    if (code == kErrorStopped && (timedOut || !stopped)) {
        outcome.Status = TTestStatus::Fail;
        outcome.End = timedOut ? TRunEnd::TimeLimit : TRunEnd::StepLimit;
        outcome.Got = W(timedOut ? "превышен предел времени" : "превышен предел шагов");
    } else if (code == kErrorStopped) {
        outcome = NotRun(W("проверка прервана"));
    } else {
        outcome.End = TRunEnd::Error;
        outcome.ErrorNumber = code;
        outcome.Status = test.Kind == TExpectKind::Error && code == test.ExpectedError
                             ? TTestStatus::Pass
                             : TTestStatus::Fail;
        outcome.Got = RunErrorMessage(code);
    }
}

// Pushes the test's parameters; false with the outcome when the run cannot
// start from them.
bool PushParams(TInterpreter& run, const TTestCase& test, TTestOutcome& outcome) {
    const std::size_t wanted = run.Code().Functions[0].Args.size();
    if (test.Params.size() > wanted) {
        outcome = NotRun(W("программа принимает параметров: ") + std::to_string(wanted) +
                         W(", а тест даёт ") + std::to_string(test.Params.size()));
        return false;
    }
    for (const std::string& param : test.Params)
        if (run.ErrorNumber() == 0) run.AddParam(UpperCase1251(param));
    int32_t refused = run.ErrorNumber();
    if (refused == 0 && test.Params.size() < wanted) refused = kErrorTooFewParams;
    if (refused == 0) return true;
    outcome.End = TRunEnd::Error;
    outcome.ErrorNumber = refused;
    outcome.Status = test.Kind == TExpectKind::Error && refused == test.ExpectedError
                         ? TTestStatus::Pass
                         : TTestStatus::Fail;
    outcome.Got = InputErrorMessage(refused);
    return false;
}

TTestOutcome RunTest(const TPCode& code, const TTestCase& test, const TCheckOptions& options,
                     std::stop_token stop) {
    const TTestSettings& settings = test.Settings;
    TRunOptions runOptions;
    runOptions.SymbolIsError = settings.SymbolError.value_or(options.SymbolError);
    runOptions.RandomState = settings.Seed;
    runOptions.StepLimit = settings.Steps;
    runOptions.StackLimit = options.StackLimit;
    const int32_t megabytes = settings.MemoryMB.value_or(options.MemoryMB);
    std::unique_ptr<TInterpreter> run;
    try {
        run = std::make_unique<TInterpreter>(megabytes * kCellsPerMegabyte, code, runOptions);
    } catch (const std::bad_alloc&) {
        return NotRun(W("машина не даёт проверке ") + std::to_string(megabytes) + W(" МБ памяти"));
    }
    TTestOutcome outcome;
    if (!PushParams(*run, test, outcome)) return outcome;
    const auto start = std::chrono::steady_clock::now();
    const bool timedOut = RunWithin(*run, settings.Timeout, stop);
    outcome.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.Steps = run->ExecCount();
    if (run->ErrorNumber() == kErrorRunComplete) {
        try {
            JudgeResult(*run, test, options, outcome);
        } catch (const std::bad_alloc&) {
            outcome = NotRun(W("не хватило памяти для результата"));
        } catch (const TFileError& e) {
            // The picture module could not be loaded.
            outcome = NotRun(PathText(e.what()));
        }
    } else {
        JudgeFailure(*run, test, timedOut, stop.stop_requested(), outcome);
    }
    return outcome;
}

} // namespace

TSubmission FindSubmission(const std::string& path, const std::string& mainName) {
    TSubmission submission;
    submission.Name = WithoutFinalSlashes(path);
    try {
        std::error_code ec;
        if (std::filesystem::is_directory(NativePath(path), ec)) {
            FindInFolder(submission.Name, mainName, submission);
        } else {
            submission.MainFile = path;
        }
        if (submission.Problem.empty() && IsPCodeFile(submission.MainFile))
            submission.Problem =
                PathText(submission.MainFile) + W(": p-code, а не исходный файл ZK");
    } catch (const TFileError& e) {
        submission.Problem = PathText(e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        submission.Problem = PathText(path) + ": " + PathText(e.code().message());
    }
    return submission;
}

std::vector<TTestOutcome> RunSubmissionTests(const TTestFile& tests, const TSubmission& submission,
                                             const TCheckOptions& options,
                                             const TTestCallback& onTest, std::stop_token stop,
                                             std::size_t first) {
    std::vector<TTestOutcome> outcomes;
    const TLanguageGuard language(tests.Classic.value_or(options.Classic));
    const TCompiled compiled = Compile(submission, options);
    for (std::size_t i = first; i < tests.Tests.size(); ++i) {
        const TTestCase& test = tests.Tests[i];
        outcomes.push_back(compiled.Code ? RunTest(*compiled.Code, test, options, stop)
                                         : WithoutProgram(test, compiled.Failure));
        if (onTest) onTest(i, outcomes.back());
        if (stop.stop_requested()) break;
    }
    return outcomes;
}

int64_t Score(const TTestFile& tests, const std::vector<TTestOutcome>& outcomes) {
    int64_t score = 0;
    for (std::size_t i = 0; i < outcomes.size() && i < tests.Tests.size(); ++i)
        if (outcomes[i].Status == TTestStatus::Pass) score += tests.Tests[i].Settings.Points;
    return score;
}

int64_t MaxScore(const TTestFile& tests) {
    int64_t score = 0;
    for (const TTestCase& test : tests.Tests)
        score += test.Settings.Points;
    return score;
}

std::string ExpectedText(const TTestCase& test) {
    switch (test.Kind) {
    case TExpectKind::Result: return test.Expected;
    case TExpectKind::Error: return ErrorText(test.ExpectedError);
    case TExpectKind::Picture:
        return W("рисунок ") + PathText(test.PictureFile) + " (" +
               SizeText(test.Picture.Width, test.Picture.Height) + ")";
    }
    return {};
}

} // namespace zk::cli
