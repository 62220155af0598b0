#include "interp/Interpreter.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "interp/TextFormat.h"

#include <cmath>
#include <new>
#include <unistd.h>

namespace zk {

namespace {

// The worker publishes its counters this often, in steps, and checks the
// stacks against their limit. Each step adds at most one stack node, so the
// limit is overshot by at most this many nodes.
constexpr int32_t kPublishInterval = 4096;

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

// The next line of `data` from `pos`, which moves past its end (CR LF, LF or CR).
std::string_view NextLine(std::string_view data, std::size_t& pos) {
    const std::size_t end = std::min(data.find_first_of("\r\n", pos), data.size());
    const std::string_view line = data.substr(pos, end - pos);
    const bool crlf = end + 1 < data.size() && data[end] == '\r' && data[end + 1] == '\n';
    pos = end < data.size() ? end + (crlf ? 2 : 1) : end;
    return line;
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
      StackLimit_(options.StackLimit > 0 ? options.StackLimit : DefaultStackLimit()) {
    Reset();
}

TInterpreter::~TInterpreter() {
    Stop();
    Wait();
}

void TInterpreter::Reset() {
    ReturnStack_.Clear();
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

void TInterpreter::Wait() {
    if (Worker_.joinable()) Worker_.join();
}

template <bool ViaTable> inline int32_t TInterpreter::Step() {
    ++Steps_;
    if (static_cast<std::size_t>(PC_) >= Code_.Code.size()) [[unlikely]]
        return kErrorBadInstruction;
    const TPInstr& instr = Code_.Code[static_cast<std::size_t>(PC_)];
    TTreeStack& values = Memory_.ValueStack();
    TTreeStack& args = Memory_.ArgStack();
    switch (instr.OpCode) {
    case opNop: ++PC_; return 0;
    case opIf: {
        if (values.IsEmpty()) [[unlikely]]
            return kErrorBadInstruction;
        const TTreeRef condition = values.Pop();
        if (exec::IsOneElement(condition)) {
            const TCell& cell = Memory_.Cell(condition.First);
            if (exec::IsAtom(cell) && cell.Value == exec::kAtomTrue) {
                ++PC_;
                return 0;
            }
            if (exec::IsAtom(cell) && cell.Value == exec::kAtomFalse) {
                PC_ = instr.Arg1;
                return 0;
            }
        }
        return kErrorIfNotBoolean;
    }
    case opGoto: PC_ = instr.Arg1; return 0;
    case opParam: {
        const TTreeNode* arg = args.At(instr.Arg1 & 0xFF);
        if (arg == nullptr) [[unlikely]]
            return kErrorBadInstruction;
        values.Push(arg->Ref());
        ++PC_;
        return 0;
    }
    case opParamCopy: {
        const TTreeNode* arg = args.At(instr.Arg1 & 0xFF);
        if (arg == nullptr) [[unlikely]]
            return kErrorBadInstruction;
        TTreeRef source = arg->Ref();
        TTreeRef copy;
        Memory_.CopyTree(source, copy);
        ++PC_;
        if (Memory_.OutOfMemory()) return kErrorNoMemory;
        values.Push(copy);
        return 0;
    }
    case opLoadArgs: {
        const int32_t count = instr.Arg1 & 0xFF;
        if (values.Count() < static_cast<std::size_t>(count)) [[unlikely]]
            return kErrorBadInstruction;
        for (int32_t i = 0; i < count; ++i)
            args.Push(values.Pop());
        ++PC_;
        return 0;
    }
    case opFreeArgs: {
        const int32_t count = instr.Arg1 & 0xFF;
        if (args.Count() < static_cast<std::size_t>(count)) [[unlikely]]
            return kErrorBadInstruction;
        for (int32_t i = 0; i < count; ++i)
            args.Pop();
        ++PC_;
        return 0;
    }
    case opRet:
        if (ReturnStack_.IsEmpty()) return kErrorRunComplete;
        PC_ = ReturnStack_.Pop() + 2;
        --Calls_;
        return 0;
    case opSavePos:
        ReturnStack_.Push(PC_);
        ++PC_;
        if (++Calls_ > MaxCalls_) MaxCalls_ = Calls_;
        return 0;
    default: break;
    }
    int32_t error = 0;
    if constexpr (ViaTable) {
        const TAbstractInterpreter* executor = Executors(instr.OpCode);
        if (executor == nullptr) return kErrorBadInstruction;
        executor->Execute(State_, instr, error);
    } else {
        switch (instr.OpCode) {
        case opPushConst:
        case opPushNum: TPushInterpreter::Apply(State_, instr, error); break;
        case opFirst:
        case opLast: TFLInterpreter::Apply(State_, instr, error); break;
        case opBF:
        case opBL: TBfBlInterpreter::Apply(State_, instr, error); break;
        case opBr: TBrInterpreter::Apply(State_, instr, error); break;
        case opCont: TContInterpreter::Apply(State_, instr, error); break;
        case opExpr: TExprInterpreter::Apply(State_, instr, error); break;
        case opSymbol:
        case opNumber: TSymNumInterpreter::Apply(State_, instr, error); break;
        case opEqual: TEqualInterpreter::Apply(State_, instr, error); break;
        case opAtomEqual: TAtomEqualInterpreter::Apply(State_, instr, error); break;
        case opAdd:
        case opSubtr:
        case opMul:
        case opDiv:
        case opMod: TNumOpInterpreter::Apply(State_, instr, error); break;
        case opGreater: TGreaterInterpreter::Apply(State_, instr, error); break;
        case opRandom: TRandomInterpreter::Apply(State_, instr, error); break;
        case opAbort: TAbortInterpreter::Apply(State_, instr, error); break;
        default: return kErrorBadInstruction;
        }
    }
    ++PC_;
    return error;
}

void TInterpreter::Run() {
    try {
        int32_t untilPublish = kPublishInterval;
        while (Error_.load(std::memory_order_relaxed) == 0) {
            if (const int32_t code = Step<false>(); code != 0) [[unlikely]] {
                SetError(code);
                break;
            }
            if (--untilPublish == 0) [[unlikely]] {
                untilPublish = kPublishInterval;
                Publish();
                if (StacksOverLimit()) SetError(kErrorNoMemory);
            }
        }
    } catch (const std::bad_alloc&) {
        SetError(kErrorNoMemory);
    }
    Publish();
}

void TInterpreter::ExecStep() {
    try {
        if (const int32_t code = Step<true>(); code != 0)
            SetError(code);
        else if (StacksOverLimit())
            SetError(kErrorNoMemory);
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

} // namespace zk
