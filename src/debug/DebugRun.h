// A debug run: a program executed by the stepper on a worker thread, stopping
// where the caller asks - before a bracketed form is evaluated, when a form
// or a term has its value, where a user function is called and where it
// returns, at a breakpoint, at an error - and able to go back a step.
//
// Stepping never changes the run. The run executes the very image a plain run
// executes, in the same steps; between stops it runs the interpreter's own
// loop wherever no stop can fall, and single steps elsewhere. Everything a stop
// shows is read from the run's state at that step, so a stop reached by
// stepping forward and the same stop reached by stepping back look alike; step
// back re-runs to the step before from a checkpoint kept on the way (runs are
// deterministic given the image, the parameters, the options and the seed).
#pragma once

#include "debug/FormMap.h"
#include "debug/ValueText.h"
#include "interp/Interpreter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zk {

class TDebugEngine;

enum class TDebugCommand : uint8_t { Continue, StepInto, StepOver, StepOut, RunTo, StepBack };

enum class TStopKind : uint8_t {
    Enter,      // a bracketed form is about to be evaluated
    Leave,      // a form or a term has its value (argument names and numbers stop only here)
    CallEnter,  // a user function is entered with its arguments; the run starts with main's
    CallLeave,  // a user function returns its value
    Breakpoint, // a command other than StepInto reached a form that starts on a breakpoint's line
    Error,      // the run failed in Form with ErrorNumber
    Finished,   // the run ended with its result (code 70)
    Paused,     // Pause ended the command
    StepLimit,  // the command used up its steps: the caller may ask whether to go on
    Stopped,    // Stop ended the run (code 54), as does a TRunOptions::StepLimit
};

// Where the whole of a shown value lies while the run stays at the stop.
enum class TValueSource : uint8_t {
    None,       // Text is the whole value (a constant, TRUE or FALSE of an IF's test)
    ValueStack, // Depth entries below the top of the value stack
    ArgStack,   // Depth entries below the top of the argument stack
};

struct TShownValue {
    std::string Text; // ZK text cut as TDebugOptions::Cut says; Windows-1251
    bool Cut = false;
    TValueSource Source = TValueSource::None;
    int32_t Depth = 0;
    friend bool operator==(const TShownValue&, const TShownValue&) = default;
};

struct TStop {
    TStopKind Kind = TStopKind::Paused;
    // Enter, Leave, Breakpoint: the form. CallEnter, CallLeave: the call form
    // (-1 for the main function and for calls made by a unit loaded from its
    // file). Error: the failing form. Paused, StepLimit: the form the run goes
    // on with. -1 when none applies.
    int32_t Form = -1;
    // The function of the call the stop is in or, for CallEnter and CallLeave,
    // of the call entered or left; into the image's Functions.
    int32_t Function = -1;
    // Active calls below the main function: 0 in main; for CallEnter and
    // CallLeave the depth of that call.
    int32_t Depth = 0;
    int64_t Step = 0;        // instructions executed before this stop
    int64_t Total = 0;       // the most instructions the run has reached so far
    int32_t ErrorNumber = 0; // Error; 70 for Finished; 54 for Stopped
    TShownValue Value;       // Leave, CallLeave, Finished
    friend bool operator==(const TStop&, const TStop&) = default;
};

struct TFrameView {
    int32_t Function = -1;         // -1 in a unit's code that has no function record
    int32_t CallForm = -1;         // the form that made the call; -1 for the main function
    std::vector<TShownValue> Args; // in the order declared; empty while not yet loaded
    friend bool operator==(const TFrameView&, const TFrameView&) = default;
};

// A sub-form of the current call that has its value. A sum, a product or an
// EXPR of more than two arguments joins its arguments as it goes: those
// already joined show as one value, Form through LastForm.
struct TFinishedForm {
    int32_t Form = -1;
    int32_t LastForm = -1;
    TShownValue Value;
    friend bool operator==(const TFinishedForm&, const TFinishedForm&) = default;
};

// The last form of the current call that got its value, as in
// "(FIRST (QUOTE A B)) → A"; Form -1 when there is none yet.
struct TLastStep {
    int32_t Form = -1;
    TShownValue Value;
    friend bool operator==(const TLastStep&, const TLastStep&) = default;
};

struct TStopView {
    TStop Stop;
    std::vector<TFrameView> Calls;   // newest first, the main function last
    int32_t CallCount = 0;           // Calls holds at most TDebugOptions::CallsShown of them
    std::vector<TShownValue> Values; // the value stack, top first
    int32_t ValueCount = 0;
    // The current call's sub-forms inside the forms still being evaluated,
    // in the order written; the window shows the body with each replaced by
    // its value.
    std::vector<TFinishedForm> Finished;
    TLastStep LastStep;
    friend bool operator==(const TStopView&, const TStopView&) = default;
};

struct TDebugOptions {
    TValueCut Cut;
    int64_t StepLimit = 10'000'000; // instructions one command may execute
    // Instructions between the checkpoints kept for going back, at first;
    // the interval doubles whenever the checkpoints outgrow their room.
    int64_t CheckpointSteps = int64_t{1} << 20;
    int32_t CallsShown = 100;
    int32_t ValuesShown = 50;
};

class TDebugRun {
public:
    // `run` is prepared as for a plain run - created with its image and
    // options, its parameters read without an error - and not started;
    // `forms` is the form map of its image.
    TDebugRun(std::unique_ptr<TInterpreter> run, TFormMap forms, TDebugOptions options = {});
    TDebugRun(const TDebugRun&) = delete;
    TDebugRun& operator=(const TDebugRun&) = delete;
    // Ends a command that runs and waits for the worker.
    ~TDebugRun();

    // Starts the worker, which stops at once, at the CallEnter of the main
    // function. `onStop` is called on the worker after every stop, with the
    // view in place; the window turns it into a queued call.
    void Start(std::function<void(const TStop&)> onStop);

    // The commands, from the interface thread while the run is stopped. Each
    // runs on the worker and ends in a stop; each returns false, and does
    // nothing, while a command runs, after Stop, and when it cannot apply
    // (going on from a Finished or Error stop, going back from the first stop).
    bool Continue(); // to a breakpoint or the end
    bool StepInto(); // to the next stop
    bool StepOver(); // to the next stop at the same or an outer level
    bool StepOut();  // to the return of the current call
    // To the first form entered that starts on `line` (from 1) of `file`, or
    // a breakpoint before it; false also when no bracketed form starts there.
    bool RunTo(int32_t file, int32_t line);
    bool StepBack(); // to the stop before the current one, exactly as it was
    // Any time. Pause ends a running command with a Paused stop; Stop ends
    // the run with code 54 and a Stopped stop.
    void Pause();
    void Stop();

    // Breakpoints, by line: false when no bracketed form starts on the line,
    // and the breakpoint is then not set. They apply to the command that runs.
    bool SetBreakpoint(int32_t file, int32_t line);
    void ClearBreakpoint(int32_t file, int32_t line);
    void ClearBreakpoints();
    // Instructions a command may execute before it stops with StepLimit.
    void SetStepLimit(int64_t steps);

    // True from a command until its stop.
    bool Running() const;
    // The current stop and what it shows; from the interface thread, after
    // the stop was announced.
    TStopView View() const;
    // The whole text of a value of the current view, sliced; on the
    // interface thread while stopped. It turns stale at the next command.
    TValueSlicer WholeText(const TShownValue& value) const;

    const TFormMap& Forms() const { return Forms_; }
    // The run: its image and counters, and at a Finished stop its result
    // (ResultText, ResultPicture), delivered as after a plain run. Not to be
    // touched while a command runs, except for the counters.
    TInterpreter& Interpreter() { return *Run_; }
    const TInterpreter& Interpreter() const { return *Run_; }

private:
    bool Give(TDebugCommand command, int32_t targetFile = -1, int32_t targetLine = 0);
    bool Refused(TDebugCommand command) const;
    void Work(const std::function<void(const TStop&)>& onStop);
    // Hands the engine the breakpoints when they changed; under no lock.
    bool TakeBreakpoints(std::set<std::pair<int32_t, int32_t>>& lines);

    const std::unique_ptr<TInterpreter> Run_;
    const TFormMap Forms_;
    std::unique_ptr<TDebugEngine> Engine_;
    std::thread Worker_;

    mutable std::mutex Mutex_;
    std::condition_variable Wake_;
    std::optional<TDebugCommand> Command_;
    int32_t TargetFile_ = -1;
    int32_t TargetLine_ = 0;
    bool Busy_ = false;
    bool Quit_ = false;
    bool Over_ = false;
    std::set<std::pair<int32_t, int32_t>> Breakpoints_; // (file, line)
    int64_t StepLimit_;
    TStopView View_;
    // Told to the engine without the lock; it looks at them between steps.
    std::atomic<bool> PauseWanted_{false};
    std::atomic<bool> StopWanted_{false};
    std::atomic<bool> BreakpointsChanged_{false};
    // Grows with every command, so that a slicer of an older stop turns stale.
    std::atomic<uint64_t> Generation_{0};
};

} // namespace zk
