// The debug run's threads: commands are handed over under a lock and carried
// out by the engine on the worker, which announces each stop with the view
// in place. Pause, Stop and changed breakpoints reach a running command
// through atomics that the engine looks at between steps.
#include "debug/DebugRun.h"

#include "debug/DebugEngine.h"

namespace zk {

TDebugRun::TDebugRun(std::unique_ptr<TInterpreter> run, TFormMap forms, TDebugOptions options)
    : Run_(std::move(run)), Forms_(std::move(forms)), StepLimit_(options.StepLimit) {
    Engine_ = std::make_unique<TDebugEngine>(
        *Run_, Forms_, options, PauseWanted_, StopWanted_,
        [this](std::set<std::pair<int32_t, int32_t>>& lines) { return TakeBreakpoints(lines); });
}

TDebugRun::~TDebugRun() {
    {
        const std::lock_guard lock(Mutex_);
        Quit_ = true;
    }
    StopWanted_.store(true);
    Wake_.notify_all();
    if (Worker_.joinable()) Worker_.join();
}

void TDebugRun::Start(std::function<void(const TStop&)> onStop) {
    {
        const std::lock_guard lock(Mutex_);
        Busy_ = true;
    }
    Worker_ = std::thread([this, onStop = std::move(onStop)] { Work(onStop); });
}

void TDebugRun::Work(const std::function<void(const TStop&)>& onStop) {
    TStopView first = Engine_->Start();
    TStop stop = first.Stop;
    {
        const std::lock_guard lock(Mutex_);
        View_ = std::move(first);
        Busy_ = false;
    }
    if (onStop) onStop(stop);
    for (;;) {
        std::optional<TDebugCommand> command;
        TCommandInput input;
        {
            std::unique_lock lock(Mutex_);
            Wake_.wait(lock, [this] { return Quit_ || Command_ || (StopWanted_ && !Over_); });
            if (Quit_) return;
            command = std::exchange(Command_, std::nullopt);
            if (command) input = {*command, TargetFile_, TargetLine_, StepLimit_};
            Busy_ = true;
        }
        std::optional<TStopView> view;
        if (StopWanted_.load())
            view = Engine_->Stop();
        else if (command)
            view = Engine_->Run(input);
        {
            const std::lock_guard lock(Mutex_);
            if (view) View_ = std::move(*view);
            stop = View_.Stop;
            Over_ = Engine_->Over();
            Busy_ = false;
            // The run is being destroyed: nobody waits for the stop.
            if (Quit_) return;
        }
        if (onStop) onStop(stop);
    }
}

bool TDebugRun::TakeBreakpoints(std::set<std::pair<int32_t, int32_t>>& lines) {
    if (!BreakpointsChanged_.exchange(false)) return false;
    const std::lock_guard lock(Mutex_);
    lines = Breakpoints_;
    return true;
}

// What the view tells without asking the worker: nothing goes on from the
// end of a run, and nothing goes back from its first stop.
bool TDebugRun::Refused(TDebugCommand command) const {
    if (Busy_ || Over_) return true;
    const TStop& stop = View_.Stop;
    if (command == TDebugCommand::StepBack)
        return stop.Kind == TStopKind::CallEnter && stop.Step == 0 && stop.Depth == 0;
    return stop.Kind == TStopKind::Finished || stop.Kind == TStopKind::Error;
}

bool TDebugRun::Give(TDebugCommand command, int32_t targetFile, int32_t targetLine) {
    {
        const std::lock_guard lock(Mutex_);
        if (Refused(command)) return false;
        Command_ = command;
        TargetFile_ = targetFile;
        TargetLine_ = targetLine;
        Busy_ = true;
        PauseWanted_.store(false);
        Generation_.fetch_add(1);
    }
    Wake_.notify_all();
    return true;
}

bool TDebugRun::Continue() {
    return Give(TDebugCommand::Continue);
}

bool TDebugRun::StepInto() {
    return Give(TDebugCommand::StepInto);
}

bool TDebugRun::StepOver() {
    return Give(TDebugCommand::StepOver);
}

bool TDebugRun::StepOut() {
    return Give(TDebugCommand::StepOut);
}

bool TDebugRun::RunTo(int32_t file, int32_t line) {
    return Forms_.LineHasForm(file, line) && Give(TDebugCommand::RunTo, file, line);
}

bool TDebugRun::StepBack() {
    return Give(TDebugCommand::StepBack);
}

void TDebugRun::Pause() {
    PauseWanted_.store(true);
}

void TDebugRun::Stop() {
    {
        const std::lock_guard lock(Mutex_);
        if (Over_) return;
        Generation_.fetch_add(1);
    }
    StopWanted_.store(true);
    Wake_.notify_all();
}

bool TDebugRun::SetBreakpoint(int32_t file, int32_t line) {
    if (!Forms_.LineHasForm(file, line)) return false;
    const std::lock_guard lock(Mutex_);
    Breakpoints_.insert({file, line});
    BreakpointsChanged_.store(true);
    return true;
}

void TDebugRun::ClearBreakpoint(int32_t file, int32_t line) {
    const std::lock_guard lock(Mutex_);
    Breakpoints_.erase({file, line});
    BreakpointsChanged_.store(true);
}

void TDebugRun::ClearBreakpoints() {
    const std::lock_guard lock(Mutex_);
    Breakpoints_.clear();
    BreakpointsChanged_.store(true);
}

void TDebugRun::SetStepLimit(int64_t steps) {
    const std::lock_guard lock(Mutex_);
    StepLimit_ = steps;
}

bool TDebugRun::Running() const {
    const std::lock_guard lock(Mutex_);
    return Busy_;
}

TStopView TDebugRun::View() const {
    const std::lock_guard lock(Mutex_);
    return View_;
}

TValueSlicer TDebugRun::WholeText(const TShownValue& value) const {
    const TZKMemory& memory = Run_->Memory();
    const TTreeStack& stack =
        value.Source == TValueSource::ArgStack ? memory.ArgStack() : memory.ValueStack();
    const TTreeRef* ref = value.Source == TValueSource::None ? nullptr : stack.At(value.Depth);
    if (ref == nullptr) return TValueSlicer(value.Text);
    return TValueSlicer(memory, *ref, Run_->Atoms(), &Generation_, Generation_.load());
}

} // namespace zk
