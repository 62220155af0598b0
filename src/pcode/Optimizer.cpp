// The three passes of the optimizer. An image may come from unit files, so an
// entry or a jump target is checked against the code before it is used: a
// function whose entry lies outside the code, or that has no Ret after it, is
// left alone. No pass recurses; each is linear for the images the compiler makes.
#include "pcode/Optimizer.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace zk {

namespace {

constexpr int32_t kNoRet = -1;

bool IsResolvedGoto(const TPInstr& instr) {
    return instr.OpCode == opGoto && instr.Name.empty();
}

// A bound call: SavePos followed by a Goto without a callee name.
bool IsResolvedCall(const std::vector<TPInstr>& code, std::size_t at) {
    return code[at].OpCode == opSavePos && at + 1 < code.size() && IsResolvedGoto(code[at + 1]);
}

// The first Ret at or after `entry`, or kNoRet.
int32_t FindRet(const std::vector<TPInstr>& code, int32_t entry) {
    if (entry < 0) return kNoRet;
    for (auto at = static_cast<std::size_t>(entry); at < code.size(); ++at)
        if (code[at].OpCode == opRet) return static_cast<int32_t>(at);
    return kNoRet;
}

// Pass 1, marking. A call is followed to the first function in table order
// whose entry it reaches. A call that reaches no function's entry enters a
// unit's helper, whose record the unit file did not keep; its run is scanned
// like a function's so that what the helper calls stays alive. Every
// instruction is scanned at most once: a scan runs on to the next Ret, so a
// scan that meets an instruction scanned before has nothing new to find.
std::vector<bool> MarkReachable(const TPCode& code) {
    const std::vector<TPInstr>& instrs = code.Code;
    std::unordered_map<int32_t, std::size_t> firstByEntry;
    firstByEntry.reserve(code.Functions.size());
    std::vector<bool> live(code.Functions.size());
    std::vector<int32_t> pending; // start addresses of runs to scan
    for (std::size_t f = 0; f < code.Functions.size(); ++f) {
        const TFunction& function = code.Functions[f];
        firstByEntry.try_emplace(function.Entry, f);
        if (!function.Exported) continue;
        live[f] = true;
        pending.push_back(function.Entry);
    }
    std::vector<bool> scanned(instrs.size());
    while (!pending.empty()) {
        const int32_t start = pending.back();
        pending.pop_back();
        if (start < 0) continue;
        for (auto at = static_cast<std::size_t>(start);
             at < instrs.size() && !scanned[at] && instrs[at].OpCode != opRet; ++at) {
            scanned[at] = true;
            if (!IsResolvedCall(instrs, at)) continue;
            const int32_t target = instrs[at + 1].Arg1;
            const auto callee = firstByEntry.find(target);
            if (callee == firstByEntry.end()) {
                pending.push_back(target);
            } else if (!live[callee->second]) {
                live[callee->second] = true;
                pending.push_back(target);
            }
        }
    }
    return live;
}

// The instructions that pass 1 removes for one unmarked function: its entry
// through its Ret.
struct TRun {
    int32_t Start;
    int32_t Count;
};

std::vector<TRun> DeadRuns(const TPCode& code, const std::vector<bool>& live) {
    std::vector<TRun> runs;
    for (std::size_t f = 0; f < code.Functions.size(); ++f) {
        if (live[f]) continue;
        const int32_t entry = code.Functions[f].Entry;
        const int32_t ret = FindRet(code.Code, entry);
        if (ret != kNoRet) runs.push_back({entry, ret - entry + 1});
    }
    return runs;
}

// True when the table lists the dead runs in code order without overlaps, as
// in every module and linked program that the compiler makes.
bool AscendingAndDisjoint(const std::vector<TRun>& runs) {
    for (std::size_t r = 1; r < runs.size(); ++r)
        if (runs[r].Start < runs[r - 1].Start + runs[r - 1].Count) return false;
    return true;
}

// Where an address ends up when ascending, disjoint runs are deleted with
// DeleteInstrs one by one from the last to the first. An address outside every
// run moves down by the length of the runs before it. An address inside a run
// (a dead helper's call of a deleted function) moves down by that run's length
// and may then fall into an earlier run and move again, so it walks down the
// runs until it lands outside them.
class TAddressMap {
public:
    explicit TAddressMap(const std::vector<TRun>& runs) : Runs_(runs) {
        int32_t removed = 0;
        for (const TRun& run : runs)
            RemovedThrough_.push_back(removed += run.Count);
    }

    bool InRun(int32_t address) const {
        const std::size_t r = RunsStartingAtOrBelow(address, Runs_.size());
        return r > 0 && address - Runs_[r - 1].Start < Runs_[r - 1].Count;
    }

    int32_t Moved(int32_t address) const {
        for (std::size_t limit = Runs_.size();;) {
            const std::size_t r = RunsStartingAtOrBelow(address, limit);
            if (r == 0) return address;
            const TRun& run = Runs_[r - 1];
            if (address - run.Start >= run.Count) return address - RemovedThrough_[r - 1];
            address -= run.Count;
            limit = r - 1;
        }
    }

private:
    // The number of runs among the first `limit` that start at or below `address`.
    std::size_t RunsStartingAtOrBelow(int32_t address, std::size_t limit) const {
        const auto end = Runs_.begin() + static_cast<std::ptrdiff_t>(limit);
        const auto above = std::upper_bound(
            Runs_.begin(), end, address, [](int32_t a, const TRun& run) { return a < run.Start; });
        return static_cast<std::size_t>(above - Runs_.begin());
    }

    const std::vector<TRun>& Runs_;
    std::vector<int32_t> RemovedThrough_; // total length of runs 0..r
};

// Removes the runs' entries from the tags, which are parallel to the code.
void DeleteTags(std::vector<int32_t>& tags, const std::vector<TRun>& runs) {
    std::size_t write = 0;
    std::size_t read = 0;
    const auto keepUpTo = [&](std::size_t end) {
        for (; read < end && read < tags.size(); ++read, ++write)
            tags[write] = tags[read];
    };
    for (const TRun& run : runs) {
        keepUpTo(static_cast<std::size_t>(run.Start));
        read += static_cast<std::size_t>(run.Count);
    }
    keepUpTo(tags.size());
    tags.resize(write);
}

// One compaction instead of a DeleteInstrs per run, each of which would move
// the whole code; the outcome is the same.
void DeleteRuns(TPCode& code, const std::vector<TRun>& runs) {
    const TAddressMap map(runs);
    std::erase_if(code.Functions,
                  [&](const TFunction& function) { return map.InRun(function.Entry); });
    for (TFunction& function : code.Functions)
        function.Entry = map.Moved(function.Entry);
    std::vector<TPInstr>& instrs = code.Code;
    std::size_t write = 0;
    std::size_t read = 0;
    const auto keepUpTo = [&](std::size_t end) {
        for (; read < end; ++read, ++write)
            if (write != read) instrs[write] = std::move(instrs[read]);
    };
    for (const TRun& run : runs) {
        keepUpTo(static_cast<std::size_t>(run.Start));
        read += static_cast<std::size_t>(run.Count);
    }
    keepUpTo(instrs.size());
    instrs.erase(instrs.begin() + static_cast<std::ptrdiff_t>(write), instrs.end());
    for (TPInstr& instr : instrs)
        if (IsJump(instr)) instr.Arg1 = map.Moved(instr.Arg1);
}

// DeleteInstrs for every unmarked function, from the last to the first, for an
// image whose runs are out of code order or overlap (only a damaged file). A
// deletion also drops the records of the other functions that began in the
// removed run; `live` follows the table.
void DeleteOneByOne(TPCode& code, std::vector<bool> live, std::vector<int32_t>* tags) {
    std::size_t f = live.size();
    while (f-- > 0) {
        if (live[f]) continue;
        const int32_t start = code.Functions[f].Entry;
        const int32_t ret = FindRet(code.Code, start);
        if (ret == kNoRet) continue;
        std::vector<bool> kept;
        std::size_t keptBelow = 0;
        for (std::size_t g = 0; g < live.size(); ++g) {
            const int32_t entry = code.Functions[g].Entry;
            if (entry >= start && entry <= ret) continue;
            kept.push_back(live[g]);
            if (g < f) ++keptBelow;
        }
        code.DeleteInstrs(start, ret - start + 1);
        if (tags) DeleteTags(*tags, {{start, ret - start + 1}});
        live = std::move(kept);
        f = keptBelow;
    }
}

void RemoveUnreachable(TPCode& code, std::vector<int32_t>* tags) {
    const std::vector<bool> live = MarkReachable(code);
    const std::vector<TRun> runs = DeadRuns(code, live);
    if (runs.empty()) return;
    if (AscendingAndDisjoint(runs)) {
        DeleteRuns(code, runs);
        if (tags) DeleteTags(*tags, runs);
    } else {
        DeleteOneByOne(code, live, tags);
    }
}

// If the instruction before `next` is a bound call of the function entered at
// `entry`, its SavePos becomes a copy of the FreeArgs at `epilogue`. An
// unresolved call by name carries Arg1 0 too, the entry of function 0, so
// only a Goto without a name can be a self call.
void RewriteSelfCallBefore(std::vector<TPInstr>& code, int32_t next, int32_t entry,
                           int32_t epilogue) {
    if (next - 2 < entry) return;
    const TPInstr& call = code[next - 1];
    if (IsResolvedGoto(call) && call.Arg1 == entry) code[next - 2] = code[epilogue];
}

// Pass 2: a function with arguments ends with FreeArgs, Ret. A self call right
// before the FreeArgs, or right before a Goto to it (the end of a then part
// whose IF ends the body), is in tail position.
void RewriteTailSelfCalls(TPCode& code) {
    std::vector<TPInstr>& instrs = code.Code;
    for (const TFunction& function : code.Functions) {
        const int32_t entry = function.Entry;
        const int32_t ret = FindRet(instrs, entry);
        if (ret == kNoRet || ret == entry || instrs[ret - 1].OpCode != opFreeArgs) continue;
        const int32_t epilogue = ret - 1;
        RewriteSelfCallBefore(instrs, epilogue, entry, epilogue);
        for (int32_t j = entry; j < epilogue; ++j)
            if (IsResolvedGoto(instrs[j]) && instrs[j].Arg1 == epilogue)
                RewriteSelfCallBefore(instrs, j, entry, epilogue);
    }
}

// Pass 3: PushConst or PushNum followed by Equal becomes NOP, AtomEqual. An
// Equal that a jump reaches is left alone: on the jumping path the constant
// was never pushed (an IF whose else part ends with the second operand of
// EQUAL). Indexes do not change, so no jump needs fixing.
void FuseConstantTests(TPCode& code) {
    std::vector<TPInstr>& instrs = code.Code;
    std::vector<bool> jumpedTo(instrs.size());
    for (const TPInstr& instr : instrs)
        if (IsJump(instr) && instr.Arg1 >= 0 &&
            static_cast<std::size_t>(instr.Arg1) < instrs.size())
            jumpedTo[static_cast<std::size_t>(instr.Arg1)] = true;
    for (std::size_t a = 1; a < instrs.size(); ++a) {
        TPInstr& test = instrs[a];
        TPInstr& push = instrs[a - 1];
        if (test.OpCode != opEqual || jumpedTo[a]) continue;
        if (push.OpCode != opPushConst && push.OpCode != opPushNum) continue;
        test.OpCode = opAtomEqual;
        test.Arg1 = push.Arg1;
        test.Arg2 = push.OpCode == opPushNum ? 1 : 0;
        test.Name.clear();
        push.OpCode = opNop;
        push.Arg1 = 0;
    }
}

} // namespace

void Optimize(TPCode& code, std::vector<int32_t>* instrTags) {
    RemoveUnreachable(code, instrTags);
    RewriteTailSelfCalls(code);
    FuseConstantTests(code);
}

} // namespace zk
