// A debug run driven as a window drives it, but waiting for each stop: the
// program is compiled with its form map from tests/programs (or a text), its
// parameters read, and every command waits for the stop it ends in. Stops are
// written compactly for lists of expected stops:
//   "call (FACT 1)", "enter IF@5:3", "leave N@5:14 = 1", "return FACT = 1",
//   "break *@7:7", "error 40@4:23", "end 6", "paused", "limit", "stopped".
#pragma once

#include "TestFiles.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "debug/DebugRun.h"
#include "frontend/Cp1251.h"
#include "interp/RunProgram.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zk {

inline void PrintTo(const TStopView& view, std::ostream* out) {
    *out << "{stop kind " << static_cast<int>(view.Stop.Kind) << " form " << view.Stop.Form
         << " step " << view.Stop.Step << "/" << view.Stop.Total << " value \""
         << view.Stop.Value.Text << "\", " << view.Calls.size() << " calls, " << view.ValueCount
         << " values, finished";
    for (const TFinishedForm& kid : view.Finished)
        *out << " " << kid.Form << ".." << kid.LastForm << "=" << kid.Value.Text;
    *out << ", last " << view.LastStep.Form << "=" << view.LastStep.Value.Text << "}";
}

} // namespace zk

namespace zk::test {

inline std::string ProgramPath(const std::string& name) {
    return std::string(ZK_PROGRAMS_DIR) + "/" + name;
}

// The image of a program file and its form map, compiled as zk compiles it.
struct TMappedProgram {
    TPCode Code;
    TFormMap Forms;
};

inline TMappedProgram MappedProgram(const std::string& path) {
    TMappedProgram program;
    TError error;
    const std::string dir = path.substr(0, path.rfind('/') + 1);
    CompileMainFile(path, program.Code, false, error, {dir}, nullptr, &program.Forms);
    CompileLog.clear();
    EXPECT_EQ(error.Number, 0) << path;
    return program;
}

inline TMappedProgram MappedText(const TTempDir& dir, std::string_view text) {
    return MappedProgram(dir.Write("MAIN.ZK", text));
}

class TStepper {
public:
    TStepper(TMappedProgram program, const std::vector<std::string>& params,
             const TRunOptions& options = {}, TDebugOptions debug = {},
             int32_t cells = 4 * kCellsPerMegabyte) {
        auto run = std::make_unique<TInterpreter>(cells, std::move(program.Code), options);
        Params(params)(*run);
        Debug = std::make_unique<TDebugRun>(std::move(run), std::move(program.Forms), debug);
        Debug->Start([this](const TStop& stop) {
            const std::lock_guard lock(Mutex_);
            Stops_.push_back(stop);
            Announced_.notify_one();
        });
        Wait();
    }

    // The stop a command ends in, written compactly.
    std::string Do(bool (TDebugRun::*command)()) {
        if (!((*Debug).*command)()) return "refused";
        return Wait();
    }
    std::string RunTo(int32_t line, int32_t file = 0) {
        if (!Debug->RunTo(file, line)) return "refused";
        return Wait();
    }
    // StepInto until the run ends: every stop on the way.
    std::vector<std::string> AllStops() {
        std::vector<std::string> stops{Text(Debug->View())};
        while (Debug->View().Stop.Kind != TStopKind::Finished &&
               Debug->View().Stop.Kind != TStopKind::Error)
            stops.push_back(Do(&TDebugRun::StepInto));
        return stops;
    }

    std::string Wait() {
        std::unique_lock lock(Mutex_);
        Announced_.wait(lock, [this] { return !Stops_.empty(); });
        Stops_.pop_front();
        lock.unlock();
        return Text(Debug->View());
    }

    std::string Text(const TStopView& view) const {
        const TStop& stop = view.Stop;
        const TFormMap& forms = Debug->Forms();
        const auto form = [&](int32_t f) {
            if (f < 0) return std::string("-");
            const TTextPlace place = forms.PlaceOf(f);
            return Cp1251ToUtf8(forms.Forms[static_cast<std::size_t>(f)].Head) + "@" +
                   std::to_string(place.Line) + ":" + std::to_string(place.Column);
        };
        const auto function = [&](int32_t f) {
            return Cp1251ToUtf8(
                Debug->Interpreter().Code().Functions[static_cast<std::size_t>(f)].Name);
        };
        const std::string value = Cp1251ToUtf8(stop.Value.Text);
        switch (stop.Kind) {
        case TStopKind::Enter: return "enter " + form(stop.Form);
        case TStopKind::Breakpoint: return "break " + form(stop.Form);
        case TStopKind::Leave: return "leave " + form(stop.Form) + " = " + value;
        case TStopKind::CallEnter: {
            std::string text = "call (" + function(stop.Function);
            for (const TShownValue& arg : view.Calls.front().Args) {
                text += ' ';
                text += Cp1251ToUtf8(arg.Text);
            }
            return text + ")";
        }
        case TStopKind::CallLeave: return "return " + function(stop.Function) + " = " + value;
        case TStopKind::Error: {
            const std::string failing = form(stop.Form);
            std::string text = "error " + std::to_string(stop.ErrorNumber);
            return text.append(failing, failing.find('@'));
        }
        case TStopKind::Finished: return "end " + value;
        case TStopKind::Paused: return "paused";
        case TStopKind::StepLimit: return "limit";
        case TStopKind::Stopped: return "stopped";
        }
        return "?";
    }

    std::unique_ptr<TDebugRun> Debug;

private:
    std::mutex Mutex_;
    std::condition_variable Announced_;
    std::deque<TStop> Stops_;
};

} // namespace zk::test
