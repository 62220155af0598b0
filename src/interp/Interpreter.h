// One run of a linked program image: its tree memory, return stack and
// counters, the input parameters read before the run, the execution on a
// worker thread, and the result afterwards.
#pragma once

#include "frontend/Errors.h"
#include "interp/Executors.h"
#include "interp/Picture.h"
#include "interp/RandomGenerator.h"
#include "pcode/PCode.h"
#include "runtime/ZKMemory.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zk {

struct TRunOptions {
    bool SymbolIsError = true; // SYMBOL and NUMBER of several elements fail
    uint32_t RandomState = 0;  // the generator's state at the start of the run
    // The nodes that the value, argument and return stacks may hold together;
    // 0 takes an eighth of the physical memory. A runaway recursion then ends
    // with "Нехватка памяти" instead of exhausting the machine.
    int64_t StackLimit = 0;
    // The instructions that Run may execute in all; 0 for no limit. A run
    // that reaches the limit ends with 54, as a Stop ends it.
    int64_t StepLimit = 0;
};

// 16384 cells of 32 bytes in each of the two cell arrays make a megabyte.
constexpr int32_t kCellsPerMegabyte = 16384;

// Whether a parameter text can be read: brackets balanced, and nothing but
// blanks, brackets and characters that may belong to an atom.
bool ParamSyntaxOk(std::string_view text);

// Where a debugger has the loop stop: before the instruction Instr is
// executed, when at most MaxDepth calls are active. A plain run has none.
struct TTrap {
    int32_t Instr = 0;
    int32_t MaxDepth = std::numeric_limits<int32_t>::max();
};

// A run between two of its steps, as a debugger keeps it to come back to:
// the cells written since the last collection, the stacks, the counters and
// the random generator. Restored, the run goes on exactly as it went on from
// there; the atom table does not change during a run and is not kept.
struct TRunSnapshot {
    std::vector<TCell> Cells;
    int32_t CellCount = 0;
    int64_t AllocCount = 0;
    std::vector<TTreeRef> Values;
    std::vector<TTreeRef> Args;
    std::vector<int32_t> Returns;
    int32_t PC = 0;
    int64_t Steps = 0;
    int32_t MaxCalls = 0;
    uint32_t RandomState = 0;

    std::size_t Bytes() const;
};

class TInterpreter {
public:
    // The memory gets `cells` cells and a limit of 80 % of them. The image
    // must have passed RunnableImageFault.
    TInterpreter(int32_t cells, TPCode code, const TRunOptions& options = {});
    TInterpreter(const TInterpreter&) = delete;
    TInterpreter& operator=(const TInterpreter&) = delete;
    // Stops a run still going on and waits for its worker.
    ~TInterpreter();

    // Before the run: each pushes one parameter or sets 200 (bad text) or 39
    // (the value does not fit into the memory). The caller upper-cases.
    void AddParam(std::string_view text);
    // One parameter per line for each argument of the main function; 201 when
    // the file has fewer lines. Throws TFileError when it cannot be read.
    void ReadParams(std::string_view path);
    void CancelParams() { SetError(kErrorParamsCancelled); }

    // Runs on a worker thread; `onFinish` is called on that thread at its end.
    // `body`, when given, carries the run out instead of Run (a traced run).
    void Start(std::function<void()> onFinish = {}, std::function<void(TInterpreter&)> body = {});
    // Ends the run after the current step with 54; any thread may call it.
    void Stop() { Error_.store(kErrorStopped, std::memory_order_relaxed); }
    // Waits for the worker that Start began, if any.
    void Wait();
    // Runs on the calling thread until the error number is set. Not with traps.
    void Run();
    // Executes the one instruction at PC, a trapped one too.
    void ExecStep();

    // After a run that ended with 70: the top value in the plain rendering.
    std::string ResultText();
    // After a run that ended with 70: draws the top value into the canvas that
    // `makeCanvas` creates at the picture's size. A picture that cannot be
    // drawn (72-75) leaves its code as the error number; 0 when drawn. A Stop
    // meanwhile ends the drawing with 54.
    int32_t ResultPicture(int32_t graphicsMode, const TCanvasFactory& makeCanvas);
    // The top value of the value stack, popped; empty when there is none.
    TTreeRef PopResult();

    int32_t ErrorNumber() const { return Error_.load(std::memory_order_relaxed); }
    // Read approximately by other threads during a run, exactly after it.
    int64_t ExecCount() const { return ExecCount_.load(std::memory_order_relaxed); }
    int32_t Depth() const { return Depth_.load(std::memory_order_relaxed); }
    int32_t MaxDepth() const { return MaxDepth_.load(std::memory_order_relaxed); }
    int64_t AllocCount() const { return AllocCount_.load(std::memory_order_relaxed); }
    int32_t CellsInUse() const { return CellsInUse_.load(std::memory_order_relaxed); }
    int32_t Capacity() const { return Memory_.Capacity(); }

    // Only while no worker runs.
    int32_t PC() const { return PC_; }
    const TPCode& Code() const { return Code_; }
    const TAtomTable& Atoms() const { return Atoms_; }
    TZKMemory& Memory() { return Memory_; }
    const TZKMemory& Memory() const { return Memory_; }
    uint32_t RandomState() const { return Random_.State; }
    void FreeCode() { Code_ = TPCode::Empty(); }
    // The saved instruction index of each active call, the oldest first.
    std::span<const int32_t> ReturnStack() const {
        return {ReturnStack_.data(), static_cast<std::size_t>(Calls_)};
    }
    // The instruction at which the run ended with its error number: the one
    // whose step set it or, when the stacks outgrew their limit, the one the
    // run would have gone on with. -1 while the run goes on and after a Stop.
    int32_t FailedAt() const { return FailedAt_; }
    // The instructions a run may execute in all (TRunOptions::StepLimit).
    int64_t StepLimit() const { return StepLimit_; }

    // The debug path, only while no worker runs. Traps replace those of
    // before; the loop joins no group across a trapped instruction.
    void SetTraps(const std::vector<TTrap>& traps);
    // Executes at most `budget` instructions, fewer when the run ends or
    // the loop reaches a trap that holds, which it leaves unexecuted.
    void ExecuteSteps(int64_t budget) { Execute(budget); }
    // Whether the last ExecuteSteps stopped at a trap.
    bool Trapped() const { return Trapped_; }
    TRunSnapshot Snapshot() const;
    // Of a snapshot of this run; the run goes on from there.
    void Restore(const TRunSnapshot& snapshot);

private:
    void Reset();
    // The program the loop executes, from the image, with `traps`.
    void BuildProgram(const std::vector<TTrap>& traps);
    // Records the code a step failed with, unless a Stop came first.
    bool SetError(int32_t code);
    // The instruction whose step failed with `code`: an executor moves the
    // PC past its instruction also when it fails, the core keeps it there.
    int32_t FailingInstr(int32_t code) const;
    // Makes the counters that the run keeps in plain fields visible to other
    // threads.
    void Publish();
    bool StacksOverLimit() const;
    // Executes at most `budget` instructions, fewer when the run ends.
    void Execute(int64_t budget);
    void Dispatch(int64_t budget);

    TPCode Code_;
    // What the loop executes: the operands of Code_, with a code that ends
    // the run in place of every operation that cannot be carried out, and
    // two such codes after the last instruction, where a run that falls off
    // the code or returns past it lands. The first instruction of a common
    // group carries the group's own code, executed with one dispatch.
    std::vector<TOperands> Program_;
    TAtomTable Atoms_;
    TZKMemory Memory_;
    // The saved instruction indexes: the first Calls_ entries, one per
    // active call, in storage that the loop grows ahead of need.
    std::vector<int32_t> ReturnStack_;
    TRandomGenerator Random_;
    TRunState State_;
    int64_t StackLimit_;
    int64_t StepLimit_;
    int32_t PC_ = 0;
    int64_t Steps_ = 0; // the worker's own count, published as ExecCount
    int32_t Calls_ = 0; // active calls, published as Depth
    int32_t MaxCalls_ = 0;
    int32_t FailedAt_ = -1;
    // A restored memory counts as allocated the cells in use; the requests
    // made before the snapshot beyond those are added when published.
    int64_t AllocOffset_ = 0;
    // Per instruction, with traps: the code the trap stands in for and the
    // most calls at which it holds.
    std::vector<int32_t> TrapCodes_;
    std::vector<int32_t> TrapDepths_;
    bool Trapped_ = false;
    std::atomic<int32_t> Error_{0};
    std::atomic<int64_t> ExecCount_{0};
    std::atomic<int32_t> Depth_{0};
    std::atomic<int32_t> MaxDepth_{0};
    std::atomic<int64_t> AllocCount_{0};
    std::atomic<int32_t> CellsInUse_{0};
    // The threaded loop's own state while it runs a chunk: where the chunk's
    // steps end, and the code of the step that failed.
    int64_t ChunkEnd_ = 0;
    int32_t StepError_ = 0;
    std::thread Worker_;

    friend class TThreadedLoop;
};

} // namespace zk
