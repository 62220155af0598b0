#include "cli/RunCommand.h"

#include "cli/Cli.h"
#include "cli/Compilation.h"
#include "cli/PictureModule.h"
#include "cli/RunProgress.h"
#include "debug/CallTrace.h"
#include "debug/RunFailure.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "interp/ImageCheck.h"
#include "interp/Interpreter.h"
#include "interp/RandomGenerator.h"
#include "interp/RunResult.h"
#include "platform/Console.h"

#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace zk::cli {

namespace {

constexpr int32_t kDefaultMemoryMB = 4;
// The calls told under a run-time error's place.
constexpr std::size_t kCallsTold = 10;

int UsageFailure(std::ostream& err, const std::string& message) {
    err << "zk: " << message << "\n";
    return kExitUsage;
}

// The image to run, checked; nothing when the source does not compile. A
// source's image comes with its form map, for the places of run-time errors.
std::optional<TPCode> ProgramOf(const TCommandLine& line, bool programFile, std::ostream& err,
                                TFormMap& forms) {
    if (programFile) return LoadRunnableProgram(line.File);
    std::optional<TPCode> code = CompileFile(line, false, err, &forms);
    if (code) RefuseUnrunnable(*code, line.File);
    return code;
}

// Asks on the terminal for parameter `index`; false at the end of input.
bool AskParam(std::size_t index, const std::string& name, std::string& text, std::ostream& err) {
    err << "Параметр " << index << " (" << Cp1251ToUtf8(name) << "): " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        err << "\n";
        return false;
    }
    text = Utf8ToCp1251(answer);
    return true;
}

// Pushes the parameters; the run's error number tells how it went, except for
// a missing parameter without a terminal to ask on, which returns false.
bool ReadParameters(TInterpreter& run, const TCommandLine& line, std::ostream& err) {
    if (line.InputFile) {
        run.ReadParams(*line.InputFile);
        return true;
    }
    const std::vector<std::string>& names = run.Code().Functions[0].Args;
    for (std::size_t i = 0; i < names.size() && run.ErrorNumber() == 0; ++i) {
        std::string text;
        if (i < line.Params.size()) {
            text = Utf8ToCp1251(line.Params[i]);
        } else if (!IsTerminal(TStandardStream::Input)) {
            return false;
        } else if (!AskParam(i, names[i], text, err)) {
            run.CancelParams();
            return true;
        }
        run.AddParam(UpperCase1251(text));
    }
    return true;
}

void ReportInputError(int32_t code, std::ostream& err) {
    err << Cp1251ToUtf8(InputErrorMessage(code)) << "\n";
}

void PrintStats(const TInterpreter& run, std::chrono::steady_clock::duration took,
                std::ostream& err) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(took).count();
    err << "Кол-во выполненных инструкций: " << run.ExecCount() << "\n"
        << "Глубина рекурсии: " << run.Depth() << "\n"
        << "Максимальная глубина рекурсии: " << run.MaxDepth() << "\n"
        << "Время работы (сек): " << seconds << "\n"
        << "Выделено атомов: " << run.AllocCount() << "\n"
        << "Память: " << run.CellsInUse() << "/" << run.Capacity() << "\n";
}

// Draws the result and saves it as a bitmap; false when it is no picture or
// Ctrl+C stopped the drawing.
bool SavePicture(TInterpreter& run, const TCommandLine& line) {
    const std::unique_ptr<TPictureSession> session = StartPictureModule();
    std::unique_ptr<TPictureCanvas> picture;
    {
        const TInterruptGuard interrupts(run);
        picture = DrawResultPicture(run, line.GraphicsMode.value_or(0),
                                    [&session](int32_t width, int32_t height) {
                                        return session->MakeCanvas(width, height);
                                    });
    }
    if (!picture) return false;
    picture->SavePictureBmp(*line.PictureFile);
    return true;
}

// The result of a complete run, by the first way that applies: the output
// file, the picture, stdout. Returns the exit status.
int DeliverResult(TInterpreter& run, const TCommandLine& line, std::ostream& out,
                  std::ostream& err) {
    if (line.OutputFile) {
        WriteResultFile(run, *line.OutputFile);
    } else if (line.PictureFile) {
        if (!SavePicture(run, line)) {
            if (run.ErrorNumber() == kErrorStopped) {
                err << Cp1251ToUtf8(RunErrorMessage(kErrorStopped)) << "\n";
                return kExitRunError;
            }
            err << Cp1251ToUtf8(PictureErrorMessage(run.ErrorNumber())) << "\n";
            return kExitPictureError;
        }
    } else {
        out << Cp1251ToUtf8(run.ResultText()) << "\n";
    }
    return kExitOk;
}

// "PATH:LINE:COL", as compile errors give places.
std::string PlaceText(const TFormMap& forms, const TFormPlace& place) {
    return forms.Files[static_cast<std::size_t>(place.File)] + ":" +
           std::to_string(place.Place.Line) + ":" + std::to_string(place.Place.Column);
}

// The error line, with the failing form's place when the run knows it, and
// the calls that led there, innermost first.
void ReportRunError(const TInterpreter& run, const TFormMap& forms, std::ostream& err) {
    const std::string message = Cp1251ToUtf8(RunErrorMessage(run.ErrorNumber()));
    const std::optional<TRunFailure> failure = DescribeFailure(run, forms, {}, kCallsTold);
    if (!failure) {
        err << message << "\n";
        return;
    }
    if (failure->Form.Form >= 0) err << PlaceText(forms, failure->Form) << ": ";
    err << message << "\n";
    for (const TCallPlace& call : failure->Calls) {
        err << "  в " << Cp1251ToUtf8(CallText(call.Name, call.Args));
        if (call.Call.Form >= 0) err << " " << PlaceText(forms, call.Call);
        err << "\n";
    }
}

// --trace: the named functions, upper-cased as the compiler reads names.
TTraceOptions TraceOptionsOf(const TCommandLine& line) {
    TTraceOptions options;
    for (const std::string& name : *line.Trace)
        options.Functions.push_back(UpperCase1251(Utf8ToCp1251(name)));
    options.LineLimit = line.TraceLimit;
    return options;
}

} // namespace

int RunRunCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    const bool programFile = IsProgramFile(line.File);
    if (!programFile && IsPCodeFile(line.File))
        return UsageFailure(err,
                            line.File + " is not a program file; run takes a source or a ZKP file");
    TFormMap forms;
    std::optional<TPCode> code = ProgramOf(line, programFile, err, forms);
    if (!code) return kExitCompileError;
    const std::size_t arguments = code->Functions[0].Args.size();
    if (line.Params.size() > arguments)
        return UsageFailure(err,
                            "too many parameters: the program takes " + std::to_string(arguments));

    TRunOptions options;
    options.SymbolIsError = line.SymbolError.value_or(true);
    options.RandomState = line.Seed.value_or(TRandomGenerator::TimeOfDaySeed());
    const int32_t megabytes = line.MemoryMB.value_or(kDefaultMemoryMB);
    std::unique_ptr<TInterpreter> created;
    try {
        created = std::make_unique<TInterpreter>(megabytes * kCellsPerMegabyte, std::move(*code),
                                                 options);
    } catch (const std::bad_alloc&) {
        return UsageFailure(err, "--mem " + std::to_string(megabytes) +
                                     ": this machine cannot give the run that much memory");
    }
    TInterpreter& run = *created;
    if (!ReadParameters(run, line, err)) {
        ReportInputError(kErrorTooFewParams, err);
        return kExitInputError;
    }
    if (const int32_t refused = run.ErrorNumber(); refused != 0) {
        ReportInputError(refused, err);
        return kExitInputError;
    }

    std::function<void(TInterpreter&)> body;
    if (line.Trace) {
        // The trace's lines take stderr, which the status line would share.
        body = [options = TraceOptionsOf(line), &err](TInterpreter& traced) {
            RunTraced(traced, options,
                      [&err](const std::string& text) { err << Cp1251ToUtf8(text) << "\n"; });
        };
    }
    const bool showStatus = !line.Trace && IsTerminal(TStandardStream::Error);
    const auto took = RunWithProgress(run, showStatus, err, std::move(body));
    int status = kExitOk;
    if (run.ErrorNumber() == kErrorRunComplete) {
        status = DeliverResult(run, line, out, err);
    } else {
        ReportRunError(run, forms, err);
        status = kExitRunError;
    }
    if (line.Stats) PrintStats(run, took, err);
    return status;
}

} // namespace zk::cli
