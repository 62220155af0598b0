#include "interp/Interpreter.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "interp/TextFormat.h"
#include "interp/ThreadedLoop.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unistd.h>

namespace zk {

namespace {

int64_t DefaultStackLimit() {
    constexpr int64_t kNodeBytes = 16;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return int64_t{1} << 26;
    return static_cast<int64_t>(pages) * pageSize / 8 / kNodeBytes;
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
    JoinInstructions(Program_);
    Reset();
}

TInterpreter::~TInterpreter() {
    Stop();
    Wait();
}

void TInterpreter::Reset() {
    ReturnStack_.clear();
    Memory_.Reset();
    Atoms_ = Code_.Atoms;
    PC_ = 0;
    Steps_ = 0;
    Calls_ = 0;
    MaxCalls_ = 0;
    Error_.store(0, std::memory_order_relaxed);
    Publish();
}

void TInterpreter::SetError(int32_t code) {
    int32_t running = 0;
    Error_.compare_exchange_strong(running, code, std::memory_order_relaxed);
}

void TInterpreter::Publish() {
    ExecCount_.store(Steps_, std::memory_order_relaxed);
    Depth_.store(Calls_, std::memory_order_relaxed);
    MaxDepth_.store(MaxCalls_, std::memory_order_relaxed);
    AllocCount_.store(Memory_.AllocCount(), std::memory_order_relaxed);
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

void TInterpreter::ReadParams(std::string_view path) {
    const std::string data = ReadWholeFile(path);
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

void TInterpreter::Start(std::function<void()> onFinish) {
    Worker_ = std::thread([this, finish = std::move(onFinish)] {
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
