// The stepper's costs: a debug run without breakpoints continued from its
// first stop to its end beside a plain run of the same program (fib, naive
// reverse and queens of bench/zk), and the answer time of each step command
// ten million steps into a long run, going back included.
//
//   debug-bench [RUNS]       best of RUNS (default 5) for the runs to the end
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "debug/DebugRun.h"
#include "frontend/Cp1251.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace zk;
using TClock = std::chrono::steady_clock;

struct TProgram {
    const char* Name;
    std::vector<std::string> Params;
};

struct TCompiled {
    TPCode Code;
    TFormMap Forms;
};

TCompiled Compiled(const std::string& name) {
    const std::string path = std::string(BENCH_ZK_DIR) + "/" + name + ".zk";
    TCompiled compiled;
    TError error;
    CompileMainFile(path, compiled.Code, false, error, {std::string(BENCH_ZK_DIR) + "/"}, nullptr,
                    &compiled.Forms);
    CompileLog.clear();
    if (error.Number != 0) {
        std::fprintf(stderr, "debug-bench: %s does not compile\n", path.c_str());
        std::exit(1);
    }
    return compiled;
}

std::unique_ptr<TInterpreter> Prepared(const TCompiled& program, const TProgram& run) {
    auto interpreter = std::make_unique<TInterpreter>(4 * kCellsPerMegabyte, program.Code);
    for (const std::string& param : run.Params)
        interpreter->AddParam(UpperCase1251(param));
    return interpreter;
}

double Seconds(TClock::duration took) {
    return std::chrono::duration<double>(took).count();
}

// A debug run whose commands wait for their stops.
class TDriven {
public:
    TDriven(const TCompiled& program, const TProgram& run, TDebugOptions options = {})
        : Debug_(Prepared(program, run), program.Forms, options) {
        Debug_.Start([this](const TStop&) {
            const std::lock_guard lock(Mutex_);
            ++Stops_;
            Stopped_.notify_one();
        });
        Wait();
    }

    // The time from the command to its stop.
    TClock::duration Time(bool (TDebugRun::*command)()) {
        const auto start = TClock::now();
        if (!(Debug_.*command)()) return TClock::duration::zero();
        Wait();
        return TClock::now() - start;
    }

    TDebugRun& Debug() { return Debug_; }

private:
    void Wait() {
        std::unique_lock lock(Mutex_);
        Stopped_.wait(lock, [this] { return Stops_ > Seen_; });
        ++Seen_;
    }

    std::mutex Mutex_;
    std::condition_variable Stopped_;
    int Stops_ = 0;
    int Seen_ = 0;
    TDebugRun Debug_;
};

void CompareRunsToTheEnd(int runs) {
    const TProgram programs[] = {{"fib", {"25"}}, {"nrev", {"300", "20"}}, {"queens", {"8"}}};
    std::printf("%-18s %10s %12s %10s %7s\n", "program", "steps", "plain ms", "debug ms", "ratio");
    for (const TProgram& program : programs) {
        const TCompiled compiled = Compiled(program.Name);
        double plain = 1e9, debug = 1e9;
        int64_t steps = 0;
        for (int r = 0; r < runs; ++r) {
            const std::unique_ptr<TInterpreter> run = Prepared(compiled, program);
            auto start = TClock::now();
            run->Run();
            plain = std::min(plain, Seconds(TClock::now() - start));
            steps = run->ExecCount();
            TDriven driven(compiled, program);
            debug = std::min(debug, Seconds(driven.Time(&TDebugRun::Continue)));
        }
        std::string name = program.Name;
        for (const std::string& param : program.Params)
            name += " " + param;
        std::printf("%-18s %10lld %12.2f %10.2f %7.2f\n", name.c_str(),
                    static_cast<long long>(steps), plain * 1e3, debug * 1e3, debug / plain);
    }
}

struct TLatency {
    double Median = 0;
    double Max = 0;
};

TLatency Measured(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// Each command answered many times at a stop ten million steps in.
void MeasureStepCommands() {
    constexpr int64_t kSteps = 10'000'000;
    constexpr int kTimes = 20;
    const TProgram program{"fib", {"28"}};
    const TCompiled compiled = Compiled(program.Name);
    TDebugOptions options;
    options.StepLimit = kSteps;
    std::printf("\nfib 28, stopped after %lld steps (milliseconds from the command to its stop)\n",
                static_cast<long long>(kSteps));
    std::printf("%-12s %8s %8s\n", "command", "median", "max");
    struct TCommand {
        const char* Name;
        bool (TDebugRun::*Command)();
    };
    const TCommand commands[] = {{"step into", &TDebugRun::StepInto},
                                 {"step over", &TDebugRun::StepOver},
                                 {"step out", &TDebugRun::StepOut},
                                 {"step back", &TDebugRun::StepBack}};
    for (const TCommand& command : commands) {
        TDriven driven(compiled, program, options);
        driven.Time(&TDebugRun::Continue);
        std::vector<double> times;
        for (int i = 0; i < kTimes; ++i)
            times.push_back(Seconds(driven.Time(command.Command)) * 1e3);
        const TLatency latency = Measured(times);
        std::printf("%-12s %8.3f %8.3f\n", command.Name, latency.Median, latency.Max);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    CompareRunsToTheEnd(runs);
    MeasureStepCommands();
    return 0;
}
