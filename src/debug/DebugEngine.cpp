// The engine's moves and views. Events are found from the forms of the two
// instructions around a boundary, walking up the form tree by levels, so a
// single step allocates nothing. The loop is used only where the command
// cannot stop: inside a call it skips, up to the trap at that call's Ret, and
// to the traps at breakpoints.
#include "debug/DebugEngine.h"

#include <algorithm>
#include <limits>

namespace zk {

namespace {

constexpr int32_t kAnyDepth = std::numeric_limits<int32_t>::max();
// The checkpoints' room: going back re-runs at most an interval or two, a
// few milliseconds of the loop at the first interval, and the interval
// doubles whenever they outgrow this.
constexpr std::size_t kCheckpointRoom = std::size_t{128} << 20;
// Steps examined one by one when looking back for the boundary before.
constexpr int64_t kFirstLookBack = 64;

bool IsEnd(TEventKind kind) {
    return kind == TEventKind::Error || kind == TEventKind::Finished || kind == TEventKind::Stopped;
}

// The forms of `chain` down to `level`.
void Truncate(std::vector<int32_t>& chain, int32_t level) {
    chain.resize(std::min(chain.size(), static_cast<std::size_t>(std::max(level, 0))));
}

// The depth of the call a command's start stands in: after a return, the
// caller's.
int32_t CallDepthAt(const TEvent& event) {
    return event.Kind == TEventKind::CallLeave ? event.Depth - 1 : event.Depth;
}

} // namespace

TDebugEngine::TDebugEngine(TInterpreter& run, const TFormMap& forms, const TDebugOptions& options,
                           std::atomic<bool>& pause, const std::atomic<bool>& stop,
                           TBreakpointSource takeBreakpoints)
    : Run_(run), Forms_(forms), Image_(run.Code(), forms), Options_(options), PauseWanted_(pause),
      StopWanted_(stop), TakeBreakpoints_(std::move(takeBreakpoints)),
      Interval_(std::max<int64_t>(options.CheckpointSteps, 1)), Breaks_(forms.Forms.size()),
      Targets_(forms.Forms.size()) {}

// --- events ---------------------------------------------------------------

int32_t TDebugEngine::Depth() const {
    const std::span<const int32_t> returns = Run_.ReturnStack();
    const auto depth = static_cast<int32_t>(returns.size());
    // A SavePos whose Goto waits has begun no call yet.
    return depth > 0 && Run_.PC() == returns.back() + 1 ? depth - 1 : depth;
}

void TDebugEngine::AddLeave(int32_t form, int32_t depth, int32_t last) {
    TEvent leave{TEventKind::Leave, form, -1, depth, Image_.Level(form)};
    if (Image_.IsFoldedConstant(last) && Image_.FormOf(last) == form) leave.Constant = last;
    Events_.push_back(leave);
}

// From the forms open at `from` to those open at `to`, both in one call:
// the forms left, innermost first, then the bracketed ones entered,
// outermost first.
void TDebugEngine::AddTransition(int32_t from, int32_t to, int32_t depth, int32_t last) {
    const auto level = [this](int32_t form) { return form < 0 ? 0 : Image_.Level(form); };
    const auto parent = [this](int32_t form) { return Image_.Form(form).Parent; };
    Entered_.clear();
    while (level(from) > level(to)) {
        AddLeave(from, depth, last);
        from = parent(from);
    }
    while (level(to) > level(from)) {
        Entered_.push_back(to);
        to = parent(to);
    }
    while (from != to) {
        AddLeave(from, depth, last);
        Entered_.push_back(to);
        from = parent(from);
        to = parent(to);
    }
    for (auto form = Entered_.rbegin(); form != Entered_.rend(); ++form)
        if (IsBracketed(Image_.Form(*form).Kind))
            Events_.push_back({TEventKind::Enter, *form, -1, depth, Image_.Level(*form)});
}

void TDebugEngine::FindEvents(int32_t last) {
    Events_.clear();
    Done_ = 0;
    Complete_ = true;
    Last_ = last;
    if (Run_.ErrorNumber() != 0) {
        AddEndEvents();
        return;
    }
    const int32_t next = Run_.PC();
    const int32_t depth = Depth();
    if (last < 0) {
        Events_.push_back({TEventKind::CallEnter, -1, Image_.FunctionOf(next), 0, 0});
        AddEntryForms(next, depth);
    } else if (Image_.IsRet(last)) {
        // The caller stands after its call's Goto, the call form still open.
        Events_.push_back({TEventKind::CallLeave, Image_.FormOf(next - 2), Image_.FunctionOf(last),
                           depth + 1, 0});
        AddTransition(Image_.FormOf(next - 1), Image_.FormOf(next), depth, next - 1);
    } else if ((Image_.IsCall(last) || Image_.IsTailCall(last)) && Image_.FunctionAt(next) >= 0) {
        Events_.push_back({TEventKind::CallEnter, Image_.FormOf(last), Image_.FunctionAt(next),
                           depth, Image_.IsTailCall(last) ? 1 : 0});
        AddEntryForms(next, depth);
    } else if (Image_.FormOf(last) != Image_.FormOf(next)) {
        AddTransition(Image_.FormOf(last), Image_.FormOf(next), depth, last);
    }
}

// A function without arguments has no LoadArgs: its body is entered with it.
void TDebugEngine::AddEntryForms(int32_t entry, int32_t depth) {
    if (Run_.Code().Code[static_cast<std::size_t>(entry)].OpCode == opLoadArgs) return;
    AddTransition(-1, Image_.FormOf(entry), depth, -1);
}

void TDebugEngine::AddEndEvents() {
    const int32_t code = Run_.ErrorNumber();
    const int32_t failed = Run_.FailedAt();
    if (code == kErrorRunComplete) {
        Events_.push_back({TEventKind::CallLeave, -1, Image_.FunctionOf(failed), 0, 0});
        Events_.push_back({TEventKind::Finished});
    } else if (code == kErrorStopped) {
        Events_.push_back({TEventKind::Stopped});
    } else {
        Events_.push_back({TEventKind::Error, Image_.FormOf(failed), Image_.FunctionOf(failed),
                           static_cast<int32_t>(Run_.ReturnStack().size())});
    }
}

// A trap at the first instruction of a form: the forms that start there are
// entered now, whatever came before them at this boundary.
void TDebugEngine::ArriveAtTrap() {
    Events_.clear();
    Done_ = 0;
    Complete_ = false;
    Last_ = -1;
    const int32_t next = Run_.PC();
    const int32_t depth = Depth();
    for (const int32_t form : Image_.Chain(Image_.FormOf(next)))
        if (IsBracketed(Image_.Form(form).Kind) && Image_.FirstInstr(form) == next)
            Events_.push_back({TEventKind::Enter, form, -1, depth, Image_.Level(form)});
}

// --- moving ---------------------------------------------------------------

void TDebugEngine::Counted(int64_t before) {
    const int64_t steps = Run_.ExecCount();
    StepsLeft_ -= steps - before;
    Total_ = std::max(Total_, steps);
    KeepCheckpoint();
}

void TDebugEngine::LeftBoundary() {
    Events_.clear();
    Done_ = 0;
    Complete_ = false;
    Last_ = -1;
}

void TDebugEngine::StepOnce() {
    const int64_t before = Run_.ExecCount();
    const int32_t last = Run_.PC();
    // The run's own step limit ends it as it ends a plain run.
    if (before >= Run_.StepLimit())
        Run_.Run();
    else
        Run_.ExecStep();
    Counted(before);
    FindEvents(last);
}

void TDebugEngine::ApplyTraps(std::vector<TTrap> traps) {
    std::sort(traps.begin(), traps.end(), [](const TTrap& a, const TTrap& b) {
        return a.Instr != b.Instr ? a.Instr < b.Instr : a.MaxDepth < b.MaxDepth;
    });
    const auto same = [](const TTrap& a, const TTrap& b) {
        return a.Instr == b.Instr && a.MaxDepth == b.MaxDepth;
    };
    traps.erase(std::unique(traps.begin(), traps.end(), same), traps.end());
    if (std::equal(traps.begin(), traps.end(), Traps_.begin(), Traps_.end(), same)) return;
    Run_.SetTraps(traps);
    Traps_ = std::move(traps);
}

bool TDebugEngine::AtStopTrap() const {
    const int32_t form = Image_.FormOf(Run_.PC());
    for (const int32_t open : Image_.Chain(form))
        if (Image_.FirstInstr(open) == Run_.PC() &&
            (Breaks_[static_cast<std::size_t>(open)] || Targets_[static_cast<std::size_t>(open)]))
            return true;
    return false;
}

// The loop up to a trap that holds (true), or until the run ends, the
// command is interrupted or used up its steps (false). A stop trap at the
// instruction the command starts from was passed already.
bool TDebugEngine::FastForward(const std::vector<TTrap>& traps) {
    ApplyTraps(traps);
    bool moved = false;
    // Breakpoints changed meanwhile: the command plans its traps anew.
    while (!Interrupted() && !PollBreakpoints()) {
        const int64_t steps = Run_.ExecCount();
        const int64_t checkpoint = (steps / Interval_ + 1) * Interval_;
        const int64_t budget = std::min({StepsLeft_, checkpoint - steps, Run_.StepLimit() - steps});
        if (budget <= 0) {
            StepOnce();
            return false;
        }
        Run_.ExecuteSteps(budget);
        if (Run_.ExecCount() != steps) LeftBoundary();
        Counted(steps);
        if (Run_.ErrorNumber() != 0) {
            FindEvents(Run_.FailedAt());
            return false;
        }
        if (!Run_.Trapped()) continue;
        if (Run_.ExecCount() == steps && !moved && AtStopTrap()) {
            const int64_t before = Run_.ExecCount();
            Run_.ExecStep();
            LeftBoundary();
            Counted(before);
            if (Run_.ErrorNumber() != 0) {
                FindEvents(Run_.FailedAt());
                return false;
            }
            moved = true;
            continue;
        }
        return true;
    }
    return false;
}

void TDebugEngine::KeepCheckpoint() {
    const int64_t steps = Run_.ExecCount();
    if (Run_.ErrorNumber() != 0 || steps % Interval_ != 0 || Checkpoints_.count(steps) != 0) return;
    const auto [it, added] = Checkpoints_.emplace(steps, Run_.Snapshot());
    CheckpointBytes_ += it->second.Bytes();
    while (CheckpointBytes_ > kCheckpointRoom && Checkpoints_.size() > 1)
        ThinCheckpoints();
}

void TDebugEngine::ThinCheckpoints() {
    Interval_ *= 2;
    for (auto it = Checkpoints_.begin(); it != Checkpoints_.end();) {
        if (it->first % Interval_ == 0) {
            ++it;
            continue;
        }
        CheckpointBytes_ -= it->second.Bytes();
        it = Checkpoints_.erase(it);
    }
}

// Back to a step passed before, or on to one ahead.
void TDebugEngine::SeekTo(int64_t step) {
    step = std::max<int64_t>(step, 0);
    const bool ahead = Run_.ErrorNumber() == 0 && Run_.ExecCount() <= step;
    auto checkpoint = Checkpoints_.upper_bound(step);
    --checkpoint;
    if (!ahead || Run_.ExecCount() < checkpoint->first) Run_.Restore(checkpoint->second);
    while (Run_.ErrorNumber() == 0 && Run_.ExecCount() < step) {
        Run_.ExecuteSteps(step - Run_.ExecCount());
        if (Run_.Trapped()) Run_.ExecStep();
    }
}

bool TDebugEngine::Interrupted() const {
    return StopWanted_.load() || PauseWanted_.load() || StepsLeft_ <= 0;
}

bool TDebugEngine::PollBreakpoints() {
    std::set<std::pair<int32_t, int32_t>> lines;
    if (!TakeBreakpoints_ || !TakeBreakpoints_(lines)) return false;
    std::fill(Breaks_.begin(), Breaks_.end(), false);
    for (const auto& [file, line] : lines)
        for (const int32_t form : Forms_.FormsStartingOnLine(file, line))
            if (IsBracketed(Image_.Form(form).Kind)) Breaks_[static_cast<std::size_t>(form)] = true;
    return true;
}

std::vector<TTrap> TDebugEngine::StopTraps() const {
    std::vector<TTrap> traps;
    for (std::size_t f = 0; f < Breaks_.size(); ++f)
        if ((Breaks_[f] || Targets_[f]) && Image_.FirstInstr(static_cast<int32_t>(f)) >= 0)
            traps.push_back({Image_.FirstInstr(static_cast<int32_t>(f)), kAnyDepth});
    return traps;
}

// --- commands -------------------------------------------------------------

TStopView TDebugEngine::Start() {
    Checkpoints_.emplace(0, Run_.Snapshot());
    CheckpointBytes_ = Checkpoints_.begin()->second.Bytes();
    FindEvents(-1);
    Done_ = 1;
    AtEvent_ = true;
    return View(TStopKind::CallEnter);
}

// A run that has ended keeps its code.
TStopView TDebugEngine::Stop() {
    if (Run_.ErrorNumber() == 0) Run_.Stop();
    Over_ = true;
    Events_.assign(1, TEvent{TEventKind::Stopped});
    Done_ = 1;
    AtEvent_ = true;
    return View(TStopKind::Stopped);
}

TEvent TDebugEngine::Current() const {
    if (AtEvent_) return Events_[Done_ - 1];
    const int32_t form = Image_.FormOf(Run_.PC());
    return {TEventKind::Enter, form, -1, Depth(), form < 0 ? 0 : Image_.Level(form)};
}

std::optional<TStopView> TDebugEngine::Run(const TCommandInput& input) {
    if (Over_) return std::nullopt;
    if (input.Command == TDebugCommand::StepBack) return StepBack();
    if (AtEvent_ && IsEnd(Events_[Done_ - 1].Kind)) return std::nullopt;
    if (input.Command == TDebugCommand::RunTo) {
        std::fill(Targets_.begin(), Targets_.end(), false);
        for (const int32_t form : Forms_.FormsStartingOnLine(input.TargetFile, input.TargetLine))
            if (IsBracketed(Image_.Form(form).Kind))
                Targets_[static_cast<std::size_t>(form)] = true;
    }
    StepsLeft_ = input.StepLimit;
    PollBreakpoints();
    TStopView view = Advance(input);
    std::fill(Targets_.begin(), Targets_.end(), false);
    return view;
}

// Whether the command ends at `event`; `byBreakpoint` tells a breakpoint's
// stop from the command's own.
bool TDebugEngine::Wanted(const TCommandInput& input, const TEvent& event, const TEvent& from,
                          bool& byBreakpoint) const {
    byBreakpoint = false;
    if (IsEnd(event.Kind)) return true;
    const bool enter = event.Kind == TEventKind::Enter;
    switch (input.Command) {
    case TDebugCommand::StepInto: return true;
    case TDebugCommand::StepOver:
        if (event.Depth < from.Depth || (event.Depth == from.Depth && event.Level <= from.Level))
            return true;
        break;
    case TDebugCommand::StepOut:
        if (event.Kind == TEventKind::CallLeave && event.Depth <= CallDepthAt(from)) return true;
        break;
    case TDebugCommand::RunTo:
        if (enter && Targets_[static_cast<std::size_t>(event.Form)]) return true;
        break;
    default: break;
    }
    byBreakpoint = enter && BreaksAt(event.Form);
    return byBreakpoint;
}

// A line's breakpoint stops once where the run comes to the line: at the
// outermost of its forms entered together.
bool TDebugEngine::BreaksAt(int32_t form) const {
    if (!Breaks_[static_cast<std::size_t>(form)]) return false;
    const int32_t parent = Image_.Form(form).Parent;
    return parent < 0 || !Breaks_[static_cast<std::size_t>(parent)] ||
           Image_.FirstInstr(parent) != Image_.FirstInstr(form) ||
           Forms_.PlaceOf(parent).Line != Forms_.PlaceOf(form).Line;
}

// Where the command may run the loop from the end of this boundary: to the
// Ret of a call it skips, and to the forms it stops at; nothing where it
// must look at each step.
std::optional<std::vector<TTrap>> TDebugEngine::SkipTraps(const TCommandInput& input,
                                                          const TEvent& from) const {
    std::vector<TTrap> traps = StopTraps();
    const int32_t depth = Depth();
    const int32_t ret = Image_.RetOf(Image_.FunctionOf(Run_.PC()));
    switch (input.Command) {
    case TDebugCommand::Continue:
    case TDebugCommand::RunTo: return traps;
    case TDebugCommand::StepOut:
        if (ret < 0) return std::nullopt;
        traps.push_back({ret, depth});
        return traps;
    case TDebugCommand::StepOver:
        if (ret < 0) return std::nullopt;
        if (depth > from.Depth ||
            (depth == from.Depth && from.Level == 0 && from.Kind == TEventKind::CallEnter)) {
            traps.push_back({ret, depth});
            return traps;
        }
        return std::nullopt;
    default: return std::nullopt;
    }
}

TStopView TDebugEngine::Advance(const TCommandInput& input) {
    const TEvent from = Current();
    for (;;) {
        while (Done_ < Events_.size()) {
            const TEvent& event = Events_[Done_++];
            bool byBreakpoint = false;
            if (!Wanted(input, event, from, byBreakpoint)) continue;
            AtEvent_ = true;
            // A run ended with 54 goes nowhere, not even back.
            if (event.Kind == TEventKind::Stopped) Over_ = true;
            return View(KindOf(event, byBreakpoint));
        }
        if (StopWanted_.load()) return Stop();
        PollBreakpoints();
        if (PauseWanted_.exchange(false) || StepsLeft_ <= 0) {
            AtEvent_ = false;
            return View(StepsLeft_ <= 0 ? TStopKind::StepLimit : TStopKind::Paused);
        }
        const std::optional<std::vector<TTrap>> traps = SkipTraps(input, from);
        if (!traps) {
            StepOnce();
        } else if (FastForward(*traps)) {
            if (Image_.IsRet(Run_.PC()))
                StepOnce();
            else
                ArriveAtTrap();
        }
    }
}

// The events of this boundary with those a trap left unknown.
void TDebugEngine::CompleteEvents() {
    if (Complete_) return;
    const TEvent current = Current();
    const bool atEvent = AtEvent_;
    SeekTo(Run_.ExecCount() - 1);
    const int32_t last = Run_.PC();
    Run_.ExecStep();
    FindEvents(last);
    const auto found = std::find(Events_.begin(), Events_.end(), current);
    Done_ = atEvent && found != Events_.end()
                ? static_cast<std::size_t>(found - Events_.begin()) + 1
                : Events_.size();
    AtEvent_ = atEvent && found != Events_.end();
}

std::optional<TStopView> TDebugEngine::StepBack() {
    CompleteEvents();
    // The stop's own index; a stop after the events counts after them all.
    const std::size_t index = AtEvent_ ? Done_ - 1 : Done_;
    if (index > 0) {
        Done_ = index;
        AtEvent_ = true;
        return View(KindOf(Events_[Done_ - 1], false));
    }
    if (!GoToPreviousBoundary()) return std::nullopt;
    return View(KindOf(Events_[Done_ - 1], false));
}

// The last boundary before this one that has events: a few steps back
// looked at one by one, more when they have none.
bool TDebugEngine::GoToPreviousBoundary() {
    const int64_t here = Run_.ExecCount();
    if (here == 0) return false;
    for (int64_t window = kFirstLookBack;; window *= 8) {
        const int64_t start = std::max<int64_t>(0, here - window);
        SeekTo(start);
        int64_t found = start == 0 ? 0 : -1;
        while (Run_.ExecCount() < here - 1) {
            const int32_t last = Run_.PC();
            Run_.ExecStep();
            FindEvents(last);
            if (!Events_.empty()) found = Run_.ExecCount();
        }
        if (found < 0) continue;
        SeekTo(found == 0 ? 0 : found - 1);
        if (found == 0) {
            FindEvents(-1);
        } else {
            const int32_t last = Run_.PC();
            Run_.ExecStep();
            FindEvents(last);
        }
        Done_ = Events_.size();
        AtEvent_ = true;
        return true;
    }
}

// --- views ----------------------------------------------------------------

TStopKind TDebugEngine::KindOf(const TEvent& event, bool byBreakpoint) const {
    switch (event.Kind) {
    case TEventKind::Enter: return byBreakpoint ? TStopKind::Breakpoint : TStopKind::Enter;
    case TEventKind::Leave: return TStopKind::Leave;
    case TEventKind::CallEnter: return TStopKind::CallEnter;
    case TEventKind::CallLeave: return TStopKind::CallLeave;
    case TEventKind::Error: return TStopKind::Error;
    case TEventKind::Finished: return TStopKind::Finished;
    case TEventKind::Stopped: return TStopKind::Stopped;
    }
    return TStopKind::Paused;
}

TShownValue TDebugEngine::Shown(TTreeRef value, TValueSource source, int32_t depth) const {
    TCutText text = CutText(Run_.Memory(), value, Run_.Atoms(), Options_.Cut);
    return {std::move(text.Text), text.Cut, source, depth};
}

TShownValue TDebugEngine::StackValue(TValueSource source, int32_t depth) const {
    const TTreeStack& stack =
        source == TValueSource::ArgStack ? Run_.Memory().ArgStack() : Run_.Memory().ValueStack();
    const TTreeRef* value = stack.At(depth);
    return value ? Shown(*value, source, depth) : TShownValue{};
}

TShownValue TDebugEngine::ConstantValue(std::string text) const {
    return {std::move(text), false, TValueSource::None, 0};
}

TStopView TDebugEngine::View(TStopKind kind) {
    Total_ = std::max(Total_, Run_.ExecCount());
    if (kind == TStopKind::Error) return ErrorView();
    TStopView view;
    const TEvent event = Current();
    TStop& stop = view.Stop;
    stop.Kind = kind;
    stop.Step = Run_.ExecCount();
    stop.Total = Total_;
    stop.Function = Image_.FunctionOf(Run_.PC());
    stop.Depth = Depth();
    const int32_t next = Run_.PC();
    FillCalls(view, next);
    FillValues(view);
    switch (kind) {
    case TStopKind::Enter:
    case TStopKind::Breakpoint: {
        stop.Form = event.Form;
        std::vector<int32_t> chain = Image_.Chain(Image_.FormOf(next));
        Truncate(chain, Image_.Level(event.Form));
        FillFinished(view, chain, next, false, next);
        break;
    }
    case TStopKind::Leave: {
        stop.Form = event.Form;
        stop.Value = event.Constant >= 0 ? ConstantValue(Image_.FoldedConstant(event.Constant))
                                         : StackValue(TValueSource::ValueStack, 0);
        const int32_t last = Image_.IsRet(Last_) ? next - 1 : Last_;
        std::vector<int32_t> chain = Image_.Chain(Image_.FormOf(last));
        Truncate(chain, Image_.Level(event.Form) - 1);
        FillFinished(view, chain, last, true, next);
        break;
    }
    case TStopKind::CallEnter:
        stop.Form = event.Form;
        stop.Function = event.Function;
        stop.Depth = event.Depth;
        break;
    case TStopKind::CallLeave:
        stop.Form = event.Form;
        stop.Function = event.Function;
        stop.Depth = event.Depth;
        stop.Value = StackValue(TValueSource::ValueStack, 0);
        if (event.Form >= 0) FillFinished(view, Image_.Chain(event.Form), next - 1, true, next);
        view.LastStep = {Image_.BodyOf(event.Function), stop.Value};
        break;
    case TStopKind::Finished:
        stop.ErrorNumber = kErrorRunComplete;
        stop.Value = StackValue(TValueSource::ValueStack, 0);
        view.LastStep = {Image_.BodyOf(stop.Function), stop.Value};
        break;
    case TStopKind::Stopped: stop.ErrorNumber = Run_.ErrorNumber(); break;
    default:
        stop.Form = Image_.FormOf(next);
        FillFinished(view, Image_.Chain(stop.Form), next, false, next);
        break;
    }
    return view;
}

// The view of the state before the failing step ran, which its operation
// may have changed; the stacks' limit fails before any step.
TStopView TDebugEngine::ErrorView() {
    const int64_t steps = Run_.ExecCount();
    const int32_t code = Run_.ErrorNumber();
    const int32_t failed = Run_.FailedAt();
    const bool beforeStep = code == kErrorNoMemory && failed == Run_.PC();
    if (!beforeStep) SeekTo(steps - 1);
    TStopView view;
    TStop& stop = view.Stop;
    stop.Kind = TStopKind::Error;
    stop.Form = Image_.FormOf(failed);
    stop.Function = Image_.FunctionOf(failed);
    stop.Depth = Depth();
    stop.Step = steps;
    stop.Total = Total_;
    stop.ErrorNumber = code;
    FillCalls(view, failed);
    FillValues(view);
    FillFinished(view, Image_.Chain(stop.Form), failed, false, failed);
    if (!beforeStep) Run_.ExecStep();
    return view;
}

void TDebugEngine::FillCalls(TStopView& view, int32_t pc) const {
    const std::vector<TFrame> frames = Image_.Frames(Run_, pc);
    view.CallCount = static_cast<int32_t>(frames.size());
    for (const TFrame& frame : frames) {
        if (static_cast<int32_t>(view.Calls.size()) == Options_.CallsShown) break;
        TFrameView shown{frame.Function, frame.CallForm, {}};
        for (int32_t j = 0; j < frame.Arity && frame.ArgsIn != TValueSource::None; ++j) {
            // Loaded, the first argument is on top; before LoadArgs the last.
            const int32_t depth =
                frame.ArgsIn == TValueSource::ArgStack ? frame.ArgsDepth + j : frame.Arity - 1 - j;
            shown.Args.push_back(StackValue(frame.ArgsIn, depth));
        }
        view.Calls.push_back(std::move(shown));
    }
}

void TDebugEngine::FillValues(TStopView& view) const {
    const auto count = static_cast<int32_t>(Run_.Memory().ValueStack().Count());
    view.ValueCount = count;
    for (int32_t depth = 0; depth < count && depth < Options_.ValuesShown; ++depth)
        view.Values.push_back(StackValue(TValueSource::ValueStack, depth));
}

// The value of a finished argument: a folded constant is its own value; any
// other lies where the code put it, `base` being the call's first value.
std::optional<TFinishedForm> TDebugEngine::FinishedKid(int32_t kid, int32_t last,
                                                       int32_t base) const {
    const int32_t first = Image_.FirstInstr(kid);
    if (first == Image_.LastInstr(kid) && Image_.IsFoldedConstant(first))
        return TFinishedForm{kid, last, ConstantValue(Image_.FoldedConstant(first))};
    const auto count = static_cast<int32_t>(Run_.Memory().ValueStack().Count());
    const int32_t slot = base + Image_.StackDepth(first);
    if (slot < 0 || slot >= count) return std::nullopt;
    return TFinishedForm{kid, last, StackValue(TValueSource::ValueStack, count - 1 - slot)};
}

// The arguments of the forms in `chain` (and the body, when no form is
// open) that have their values at `at`: after the instruction `at` ran, or
// before it runs. `next` is the instruction the call goes on with.
void TDebugEngine::FillFinished(TStopView& view, const std::vector<int32_t>& chain, int32_t at,
                                bool after, int32_t next) const {
    const auto count = static_cast<int32_t>(Run_.Memory().ValueStack().Count());
    const int32_t base = count - Image_.StackDepth(next);
    const auto done = [&](int32_t form) {
        const int32_t last = Image_.LastInstr(form);
        return last >= 0 && (after ? last <= at : last < at);
    };
    const auto reached = [&](int32_t instr) { return after ? instr <= at : instr < at; };
    const auto add = [&](std::optional<TFinishedForm> kid) {
        if (kid) view.Finished.push_back(std::move(*kid));
    };
    if (chain.empty()) {
        const int32_t body = Image_.BodyOf(Image_.FunctionOf(at));
        if (body >= 0 && done(body)) add(FinishedKid(body, body, base));
    }
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const int32_t open = chain[i];
        // The argument still being evaluated has no value yet.
        const int32_t openKid = i + 1 < chain.size() ? chain[i + 1] : -1;
        const TFormInfo& form = Image_.Form(open);
        const std::vector<int32_t>& kids = Image_.Children(open);
        const std::vector<int32_t> own = Image_.OwnInstrs(open);
        const bool fold =
            kids.size() >= 2 &&
            (form.Kind == TFormKind::Expr ||
             (form.Kind == TFormKind::BuiltIn && (form.Head == "+" || form.Head == "*")));
        if (form.Kind == TFormKind::If && kids.size() == 3 && own.size() == 2) {
            AddIfKids(view, kids, own, at, after, base);
            continue;
        }
        const bool call = form.Kind == TFormKind::Call || form.Kind == TFormKind::OperatorCall;
        // A call's arguments are its callee's once its Goto has run.
        if (call && !own.empty() && reached(own.back())) continue;
        std::size_t joined = 0;
        if (fold) joined = static_cast<std::size_t>(std::count_if(own.begin(), own.end(), reached));
        std::size_t k = 0;
        if (joined > 0) {
            add(FinishedKid(kids[0], kids[joined], base));
            k = joined + 1;
        }
        for (; k < kids.size() && kids[k] != openKid && done(kids[k]); ++k)
            add(FinishedKid(kids[k], kids[k], base));
    }
    std::sort(view.Finished.begin(), view.Finished.end(),
              [](const TFinishedForm& a, const TFinishedForm& b) { return a.Form < b.Form; });
    int32_t latest = -1;
    for (const TFinishedForm& kid : view.Finished) {
        const int32_t last = Image_.LastInstr(kid.LastForm);
        if (last <= latest) continue;
        latest = last;
        view.LastStep = {kid.LastForm == kid.Form ? kid.Form : kid.LastForm, kid.Value};
    }
}

// IF consumes its test with its If: the branch taken tells its value.
void TDebugEngine::AddIfKids(TStopView& view, const std::vector<int32_t>& kids,
                             const std::vector<int32_t>& own, int32_t at, bool after,
                             int32_t base) const {
    const int32_t test = kids[0];
    const int32_t then = kids[1];
    const int32_t otherwise = kids[2];
    const int32_t ifInstr = own[0];
    const int32_t gotoInstr = own[1];
    const bool pastIf = after ? at >= ifInstr : at > ifInstr;
    const bool testDone = Image_.LastInstr(test) >= 0 &&
                          (after ? Image_.LastInstr(test) <= at : Image_.LastInstr(test) < at);
    if (testDone && !pastIf) {
        if (auto kid = FinishedKid(test, test, base)) view.Finished.push_back(std::move(*kid));
    } else if (pastIf) {
        const bool inThen = at >= Image_.FirstInstr(then) && at <= gotoInstr;
        view.Finished.push_back({test, test, ConstantValue(inThen ? "TRUE" : "FALSE")});
    }
    const bool thenDone = after ? at >= Image_.LastInstr(then) && at <= gotoInstr : at == gotoInstr;
    if (thenDone) {
        if (auto kid = FinishedKid(then, then, base)) view.Finished.push_back(std::move(*kid));
    }
    if (after && at == Image_.LastInstr(otherwise)) {
        if (auto kid = FinishedKid(otherwise, otherwise, base))
            view.Finished.push_back(std::move(*kid));
    }
}

} // namespace zk
