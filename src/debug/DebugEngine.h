// The stepper's engine, on the debug run's worker: it moves the run from stop
// to stop and makes what each stop shows.
//
// Stops fall between two steps. The boundary after a step has a list of
// events, found by comparing the forms open before and after it: the forms
// left (innermost first), then the bracketed forms entered (outermost first);
// a call adds its entry, a return its exit before the caller's forms. A
// position is a step and an event of its boundary. What a stop shows is read
// from the run's state there: the calls from the return and argument
// stacks, the finished sub-forms from the values the current call has on the
// value stack, whose places the code fixes. So no record is kept while the
// run goes on, and the loop runs wherever no stop can fall: inside a call
// that a command skips, up to a trap at a breakpoint or at the skipped call's
// return. Going back restores a checkpoint and runs forward to the step.
#pragma once

#include "debug/DebugCode.h"
#include "debug/DebugRun.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace zk {

enum class TEventKind : uint8_t { Enter, Leave, CallEnter, CallLeave, Error, Finished, Stopped };

struct TEvent {
    TEventKind Kind = TEventKind::Enter;
    int32_t Form = -1;     // Enter, Leave; the call form of CallEnter, CallLeave; Error's form
    int32_t Function = -1; // CallEnter, CallLeave
    int32_t Depth = 0;     // of the call the event is in, or that it enters or leaves
    int32_t Level = 0;     // the form's level; 0 at a call's edges, 1 for a tail call
    int32_t Constant = -1; // a Leave whose value is the constant of this folded NOP
    friend bool operator==(const TEvent&, const TEvent&) = default;
};

// What the worker hands a command besides its kind.
struct TCommandInput {
    TDebugCommand Command = TDebugCommand::StepInto;
    int32_t TargetFile = -1; // RunTo
    int32_t TargetLine = 0;
    int64_t StepLimit = 0;
};

class TDebugEngine {
public:
    // `takeBreakpoints` fills in the breakpoints' lines and says true when
    // they changed since it was last asked; the engine asks between steps.
    using TBreakpointSource = std::function<bool(std::set<std::pair<int32_t, int32_t>>&)>;
    TDebugEngine(TInterpreter& run, const TFormMap& forms, const TDebugOptions& options,
                 std::atomic<bool>& pause, const std::atomic<bool>& stop,
                 TBreakpointSource takeBreakpoints);

    // The first stop: the entry of the main function.
    TStopView Start();
    // The command's stop; nothing when it cannot apply here.
    std::optional<TStopView> Run(const TCommandInput& input);
    // The run ends with code 54.
    TStopView Stop();
    bool Over() const { return Over_; }

private:
    // Events of the boundary the run stands at, after the step of `last`
    // (-1: before the first step).
    void FindEvents(int32_t last);
    void AddTransition(int32_t from, int32_t to, int32_t depth, int32_t last);
    void AddLeave(int32_t form, int32_t depth, int32_t last);
    void AddEntryForms(int32_t entry, int32_t depth);
    void AddEndEvents();
    void ArriveAtTrap();
    // Active calls, not counting a SavePos whose Goto waits.
    int32_t Depth() const;
    TEvent Current() const;

    // Moving.
    void StepOnce();
    void Counted(int64_t before);
    // The run moved on without looking at the boundaries it passed.
    void LeftBoundary();
    bool FastForward(const std::vector<TTrap>& traps);
    void ApplyTraps(std::vector<TTrap> traps);
    bool AtStopTrap() const;
    std::vector<TTrap> StopTraps() const;
    void SeekTo(int64_t step);
    void KeepCheckpoint();
    void ThinCheckpoints();
    bool Interrupted() const;
    // Takes new breakpoints; true when they changed.
    bool PollBreakpoints();

    // Commands.
    TStopView Advance(const TCommandInput& input);
    bool Wanted(const TCommandInput& input, const TEvent& event, const TEvent& from,
                bool& byBreakpoint) const;
    bool BreaksAt(int32_t form) const;
    std::optional<std::vector<TTrap>> SkipTraps(const TCommandInput& input,
                                                const TEvent& from) const;
    std::optional<TStopView> StepBack();
    void CompleteEvents();
    bool GoToPreviousBoundary();

    // Views.
    TStopView View(TStopKind kind);
    TStopView ErrorView();
    TStopKind KindOf(const TEvent& event, bool byBreakpoint) const;
    TShownValue Shown(TTreeRef value, TValueSource source, int32_t depth) const;
    TShownValue StackValue(TValueSource source, int32_t depth) const;
    TShownValue ConstantValue(std::string text) const;
    void FillCalls(TStopView& view, int32_t pc) const;
    void FillValues(TStopView& view) const;
    void FillFinished(TStopView& view, const std::vector<int32_t>& chain, int32_t at, bool after,
                      int32_t next) const;
    void AddIfKids(TStopView& view, const std::vector<int32_t>& kids,
                   const std::vector<int32_t>& own, int32_t at, bool after, int32_t base) const;
    std::optional<TFinishedForm> FinishedKid(int32_t kid, int32_t last, int32_t base) const;

    TInterpreter& Run_;
    const TFormMap& Forms_;
    const TDebugCode Image_;
    const TDebugOptions Options_;
    std::atomic<bool>& PauseWanted_;
    const std::atomic<bool>& StopWanted_;
    const TBreakpointSource TakeBreakpoints_;

    // The position: the run's state, the instruction of the step that led
    // there (-1 before the first step or when not known), the events of its
    // boundary and how many of them are passed. A stop at an event has passed
    // it; a pause stands after them all. After a trap only the forms entered
    // are known, and the events are not complete.
    int32_t Last_ = -1;
    std::vector<TEvent> Events_;
    std::size_t Done_ = 0;
    bool AtEvent_ = true;
    bool Complete_ = true;
    bool Over_ = false;
    int64_t Total_ = 0;
    std::vector<int32_t> Entered_; // scratch of AddTransition

    std::map<int64_t, TRunSnapshot> Checkpoints_;
    std::size_t CheckpointBytes_ = 0;
    int64_t Interval_;
    std::vector<TTrap> Traps_;
    std::vector<bool> Breaks_;  // per form: it starts on a breakpoint's line
    std::vector<bool> Targets_; // per form: RunTo's
    int64_t StepsLeft_ = 0;     // the command's steps before StepLimit
};

} // namespace zk
