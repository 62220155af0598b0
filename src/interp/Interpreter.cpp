#include "interp/Interpreter.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "interp/TextFormat.h"
#include "interp/ThreadedLoop.h"
#include "platform/System.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace zk {

namespace {

int64_t DefaultStackLimit() {
    constexpr int64_t kNodeBytes = 16;
    const uint64_t memory = PhysicalMemoryBytes();
    if (memory == 0) return int64_t{1} << 26;
    return static_cast<int64_t>(memory / 8 / kNodeBytes);
}

int32_t LimitOf(int32_t cells) {
    return static_cast<int32_t>(std::llround(cells * 0.8));
}

} // namespace

bool ParamSyntaxOk(std::string_view text) {
    int64_t open = 0;
    for (const char c : text) {
        if (c == '(') {
            ++open;
        } else if (c == ')') {
            if (--open < 0) return false;
        } else if (c != ' ' && !IsAtomChar(c)) {
            return false;
        }
    }
    return open == 0;
}

TInterpreter::TInterpreter(int32_t cells, TPCode code, const TRunOptions& options)
    : Code_(std::move(code)), Atoms_(Code_.Atoms), Memory_(cells, LimitOf(cells)),
      Random_(options.RandomState), State_{Memory_, Random_, options.SymbolIsError},
      StackLimit_(options.StackLimit > 0 ? options.StackLimit : DefaultStackLimit()),
      StepLimit_(options.StepLimit > 0 ? options.StepLimit : INT64_MAX) {
    BuildProgram({});
    Reset();
}

TInterpreter::~TInterpreter() {
    Stop();
    Wait();
}

void TInterpreter::BuildProgram(const std::vector<TTrap>& traps) {
    Program_.clear();
    Program_.reserve(Code_.Code.size() + 2);
    // The image check refuses any image with such an instruction; the loop
    // still never trusts that it was made.
    for (int32_t i = 0; i < Code_.InstrCount(); ++i) {
        const TPInstr& instr = Code_.Code[static_cast<std::size_t>(i)];
        Program_.push_back(InstructionFault(Code_, i).empty()
                               ? TOperands{instr.OpCode, instr.Arg1, instr.Arg2}
                               : TOperands{opRes1, 0, 0});
    }
    Program_.insert(Program_.end(), 2, TOperands{opRes1, 0, 0});
    TrapCodes_.clear();
    TrapDepths_.clear();
    std::vector<int32_t> trapped;
    for (const TTrap& trap : traps) {
        if (trap.Instr < 0 || trap.Instr >= Code_.InstrCount()) continue;
        if (TrapCodes_.empty()) {
            TrapCodes_.resize(Program_.size());
            TrapDepths_.assign(Program_.size(), std::numeric_limits<int32_t>::min());
        }
        const auto at = static_cast<std::size_t>(trap.Instr);
        if (TrapDepths_[at] == std::numeric_limits<int32_t>::min()) trapped.push_back(trap.Instr);
        TrapCodes_[at] = Program_[at].OpCode;
        TrapDepths_[at] = std::max(TrapDepths_[at], trap.MaxDepth);
    }
    JoinInstructions(Program_, trapped);
}

void TInterpreter::SetTraps(const std::vector<TTrap>& traps) {
    BuildProgram(traps);
}

void TInterpreter::ExecStep() {
    const auto at = static_cast<std::size_t>(PC_);
    if (TrapCodes_.empty() || at >= Program_.size() || Program_[at].OpCode != TrapCode()) {
        Execute(1);
        return;
    }
    // The trapped instruction runs alone, as itself.
    Program_[at].OpCode = TrapCodes_[at];
    Execute(1);
    Program_[at].OpCode = TrapCode();
}

std::size_t TRunSnapshot::Bytes() const {
    return sizeof(TRunSnapshot) + Cells.size() * sizeof(TCell) +
           (Values.size() + Args.size()) * sizeof(TTreeRef) + Returns.size() * sizeof(int32_t);
}

TRunSnapshot TInterpreter::Snapshot() const {
    TRunSnapshot snapshot;
    const int32_t taken = Memory_.CellsTaken();
    if (taken > 0) snapshot.Cells.assign(&Memory_.Cell(0), &Memory_.Cell(0) + taken);
    snapshot.CellCount = Memory_.CellCount();
    snapshot.AllocCount = Memory_.AllocCount() + AllocOffset_;
    snapshot.Values.assign(Memory_.ValueStack().begin(), Memory_.ValueStack().end());
    snapshot.Args.assign(Memory_.ArgStack().begin(), Memory_.ArgStack().end());
    snapshot.Returns.assign(ReturnStack_.begin(), ReturnStack_.begin() + Calls_);
    snapshot.PC = PC_;
    snapshot.Steps = Steps_;
    snapshot.MaxCalls = MaxCalls_;
    snapshot.RandomState = Random_.State;
    return snapshot;
}

// The memory takes the saved cells and counts as taken all the cells the
// saved memory counted in use: those that its unseen collections freed
// become unreachable cells of the new one, so the cells in use, and the
// request at which the memory collects for everybody to see or runs out, are
// those of the saved run. Only the allocation count needs the offset.
void TInterpreter::Restore(const TRunSnapshot& snapshot) {
    Memory_.Reset();
    if (!snapshot.Cells.empty())
        std::copy(snapshot.Cells.begin(), snapshot.Cells.end(), &Memory_.Cell(0));
    Memory_.SetCellsTaken(snapshot.CellCount);
    for (const TTreeRef& value : snapshot.Values)
        Memory_.ValueStack().Push(value);
    for (const TTreeRef& arg : snapshot.Args)
        Memory_.ArgStack().Push(arg);
    AllocOffset_ = snapshot.AllocCount - Memory_.AllocCount();
    if (ReturnStack_.size() < snapshot.Returns.size()) ReturnStack_.resize(snapshot.Returns.size());
    std::copy(snapshot.Returns.begin(), snapshot.Returns.end(), ReturnStack_.begin());
    Calls_ = static_cast<int32_t>(snapshot.Returns.size());
    MaxCalls_ = snapshot.MaxCalls;
    PC_ = snapshot.PC;
    Steps_ = snapshot.Steps;
    Random_.State = snapshot.RandomState;
    FailedAt_ = -1;
    Trapped_ = false;
    Error_.store(0, std::memory_order_relaxed);
    Publish();
}

void TInterpreter::Reset() {
    ReturnStack_.clear();
    Memory_.Reset();
    Atoms_ = Code_.Atoms;
    PC_ = 0;
    Steps_ = 0;
    Calls_ = 0;
    MaxCalls_ = 0;
    FailedAt_ = -1;
    AllocOffset_ = 0;
    Error_.store(0, std::memory_order_relaxed);
    Publish();
}

bool TInterpreter::SetError(int32_t code) {
    int32_t running = 0;
    return Error_.compare_exchange_strong(running, code, std::memory_order_relaxed);
}

int32_t TInterpreter::FailingInstr(int32_t code) const {
    const bool core =
        code == kErrorIfNotBoolean || code == kErrorRunComplete || code == kErrorBadInstruction;
    return core ? PC_ : PC_ - 1;
}

void TInterpreter::Publish() {
    ExecCount_.store(Steps_, std::memory_order_relaxed);
    Depth_.store(Calls_, std::memory_order_relaxed);
    MaxDepth_.store(MaxCalls_, std::memory_order_relaxed);
    AllocCount_.store(Memory_.AllocCount() + AllocOffset_, std::memory_order_relaxed);
    CellsInUse_.store(Memory_.CellCount(), std::memory_order_relaxed);
}

bool TInterpreter::StacksOverLimit() const {
    const auto nodes =
        static_cast<int64_t>(Memory_.ValueStack().Count() + Memory_.ArgStack().Count());
    return nodes + Calls_ > StackLimit_;
}

void TInterpreter::AddParam(std::string_view text) {
    if (!ParamSyntaxOk(text)) {
        SetError(kErrorBadParam);
        return;
    }
    std::string padded(text);
    padded += ' ';
    const TTreeRef value = Memory_.ParseText(padded, Atoms_);
    // A value cut short by the memory is never run on.
    if (Memory_.OutOfMemory()) {
        SetError(kErrorNoMemory);
    } else {
        Memory_.ValueStack().Push(value);
    }
    Publish();
}

// The file is decoded as sources are: Windows-1251, or UTF-8 when it is that.
void TInterpreter::ReadParams(std::string_view path) {
    const std::string data = DecodeText(ReadWholeFile(path)).Text;
    const std::size_t count = Code_.Functions.empty() ? 0 : Code_.Functions[0].Args.size();
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (pos >= data.size()) {
            SetError(kErrorTooFewParams);
            return;
        }
        AddParam(UpperCase1251(NextLine(data, pos)));
        if (ErrorNumber() != 0) return;
    }
}

void TInterpreter::Start(std::function<void()> onFinish, std::function<void(TInterpreter&)> body) {
    Worker_ = std::thread([this, finish = std::move(onFinish), body = std::move(body)] {
        if (body)
            body(*this);
        else
            Run();
        if (finish) finish();
    });
}

void TInterpreter::Run() {
    Execute(std::max<int64_t>(StepLimit_ - Steps_, 0));
    // Only a run that used up its steps ends without an error number.
    SetError(kErrorStopped);
}

void TInterpreter::Wait() {
    if (Worker_.joinable()) Worker_.join();
}

void TInterpreter::Execute(int64_t budget) {
    try {
        Dispatch(budget);
    } catch (const std::bad_alloc&) {
        SetError(kErrorNoMemory);
    }
    // Whoever reads the run's values next finds every number in its cell.
    Memory_.MaterializeStacks();
    Publish();
}

TTreeRef TInterpreter::PopResult() {
    TTreeStack& values = Memory_.ValueStack();
    return values.IsEmpty() ? kEmptyTree : values.Pop();
}

std::string TInterpreter::ResultText() {
    const TTreeRef result = PopResult();
    return ToText(Memory_, result, Atoms_);
}

int32_t TInterpreter::ResultPicture(int32_t graphicsMode, const TCanvasFactory& makeCanvas) {
    // After the run the error number is 70 until a Stop makes it 54.
    const auto stopped = [this] { return ErrorNumber() == kErrorStopped; };
    const int32_t code =
        DrawPicture(Memory_, PopResult(), Atoms_, graphicsMode, makeCanvas, stopped);
    if (code != 0) Error_.store(code, std::memory_order_relaxed);
    return code;
}

} // namespace zk
