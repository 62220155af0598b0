// A program run the way the environment runs the current document: the build
// command's compile through the temporary directory, the run steps, and the
// progress dialog with StartIntrp on, driven offscreen. The parameters come
// from an input file and the result goes to an output file, so that no person
// is needed; the result is then printed as zk run prints it, and the time
// from the command to the released run object goes to stderr.
// Usage: run-path-bench FILE [PARAM ...] [--mem MB] [--zk | --show [--picture]]
//   --zk      run zk run's own code instead, in this same program: the speed
//             of the interpreter's loop depends on where the linker and the
//             heap put things, and in one program both paths meet it alike.
//   --show    deliver the result on the screen (result or picture window) and
//             leave the windows to the user, as a student sees a run.
#include "cli/Cli.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "ide/BuildCommands.h"
#include "ide/RunDialogs.h"

#include <QApplication>
#include <QLabel>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

struct TArguments {
    std::string File;
    std::vector<std::string> Params;
    int MemoryMB = 4;
    bool Show = false;
    bool Picture = false;
    bool Zk = false;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // all threads of the process
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The wall-clock and processor time of a run path. On a machine that others
// load too, the processor time is the steadier measure.
class TStopwatch {
public:
    void Report() const {
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - Start_;
        std::fprintf(stderr, "run path: %.3f s, cpu %.3f s\n", wall.count(), CpuSeconds() - Cpu_);
    }

private:
    std::chrono::steady_clock::time_point Start_ = std::chrono::steady_clock::now();
    double Cpu_ = CpuSeconds();
};

TArguments Parse(int argc, char** argv) {
    TArguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--mem" && i + 1 < argc) {
            arguments.MemoryMB = std::atoi(argv[++i]);
        } else if (word == "--zk") {
            arguments.Zk = true;
        } else if (word == "--show") {
            arguments.Show = true;
        } else if (word == "--picture") {
            arguments.Picture = true;
        } else if (arguments.File.empty()) {
            arguments.File = word;
        } else {
            arguments.Params.push_back(word);
        }
    }
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    using namespace zk;
    using namespace zk::ide;
    const TArguments arguments = Parse(argc, argv);
    if (arguments.File.empty()) {
        std::fprintf(stderr, "usage: run-path-bench FILE [PARAM ...] [--mem MB] [--show]\n");
        return 64;
    }
    if (!arguments.Show && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The environment's window is up before any run: its fonts and styles are
    // loaded by the time the progress dialog first shows.
    QLabel window("Varnok 3.11");
    window.show();
    QApplication::processEvents();

    if (arguments.Zk) {
        std::vector<std::string> words{"run", arguments.File};
        words.insert(words.end(), arguments.Params.begin(), arguments.Params.end());
        words.insert(words.end(), {"--mem", std::to_string(arguments.MemoryMB)});
        const TStopwatch watch;
        const int status = zk::cli::RunCommandLine(words, std::cout, std::cerr);
        std::cout << std::flush;
        watch.Report();
        return status;
    }

    const auto work = std::filesystem::temp_directory_path() /
                      ("run-path-bench-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(work / "temp");
    const std::string dir = work.string() + "/";
    std::string params;
    for (const std::string& param : arguments.Params)
        params += Utf8ToCp1251(param) + "\r\n";
    WriteWholeFile(dir + "input.txt", params);

    TOptions options;
    SetDefaultOptions(options);
    options.TempDir = dir + "temp";
    options.MaxMem = static_cast<uint16_t>(arguments.MemoryMB);
    TRunChoice choice;
    choice.InputFromFile = true;
    choice.InputFileName = dir + "input.txt";
    choice.OutputToFile = !arguments.Show;
    choice.Graphics = arguments.Picture;
    choice.OutputFileName = dir + "output.txt";

    TQtDialogService dialogs;
    TRunWindows windows(dialogs);
    if (!arguments.Show) windows.Interp.RunEnded = [&windows] { windows.Interp.close(); };

    const std::string path = arguments.File;
    TBuildInput input;
    input.EditorText = ReadWholeFile(path);
    input.Documents.push_back({1, path, input.EditorText});

    const TStopwatch watch;
    TBuildCommands commands(options);
    TCommandOutcome prepared = commands.PrepareRun(input);
    for (const TNotice& notice : prepared.Notices)
        std::fprintf(stderr, "%s\n", Cp1251ToUtf8(notice.Text).c_str());
    int status = 1;
    if (prepared.Code) {
        windows.RunSteps(std::move(*prepared.Code), options, choice);
        status = 0;
    }
    watch.Report();

    if (status == 0 && !arguments.Show) {
        std::string result = ReadWholeFile(dir + "output.txt");
        if (result.size() >= 2) result.resize(result.size() - 2); // the CR LF
        std::printf("%s\n", Cp1251ToUtf8(result).c_str());
    }
    std::filesystem::remove_all(work);
    return status;
}
