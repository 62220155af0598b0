// The tree memory's slow paths: the copying collection, the root tables and
// the structural operations. Every walk over a value keeps its pending work
// in explicit lists, so the depth of a value never reaches the machine stack.
#include "runtime/ZKMemory.h"

#include "frontend/Cp1251.h"
#include "frontend/Tokens.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace zk {

namespace {

// A memory whose two arrays fit in the processor's caches together needs no
// window. Otherwise the window holds, besides the live cells after a
// collection, 2^17 cells, twice the default memory's (measured: a larger
// window runs the allocating programs slower, a smaller one collects too
// often), or twelve times the live cells, whichever is more, so that the
// copying costs at most a twelfth of a cell per allocation (measured on a
// merge sort with 20,000 live cells: at eight times it collects too often,
// at sixteen its window outgrows the caches); a window that
// would itself no longer fit in the caches gains nothing, and then the whole
// array is used.
constexpr int64_t kCachedCells = 1 << 18;
constexpr int64_t kWindowCells = 1 << 17;
constexpr int64_t kWindowPerLiveCell = 12;
constexpr int64_t kLargestWindow = 1 << 20;

// The element after `element`. Mostly the elements of a sequence lie side by
// side, so the next index is guessed and the guess checked: the processor
// goes on with the guess instead of waiting for the link to load. The empty
// assembly hides from the compiler that the two are equal, which would let
// it drop the guess.
inline int32_t NextElement(const TCell& cell, int32_t element) {
    int32_t guess = element + 1;
    if (cell.Next == guess) [[likely]] {
        asm("" : "+r"(guess));
        return guess;
    }
    return cell.Next;
}

// Copies `cell` of `cells` to the next free place of `spare` and leaves
// there where the copy lies, unless it was moved before. A moved cell keeps
// its Next.
inline void MoveCell(TCell* cells, TCell* spare, int32_t cell, int32_t& copied) {
    TCell& old = cells[cell];
    if (old.Kind == kCellMoved) return;
    spare[copied] = old;
    old.Prev = copied;
    old.Kind = kCellMoved;
    ++copied;
}

using TPendingPairs = std::vector<std::pair<TTreeRef, TTreeRef>>;

// Compares two sequences element by element; the contents of list nodes are
// left in `pending` for the caller.
bool SameSequence(const TCell* cells, const TTreeRef& a, const TTreeRef& b,
                  TPendingPairs& pending) {
    if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
    for (int32_t x = a.First, y = b.First;;) {
        const TCell& cx = cells[x];
        const TCell& cy = cells[y];
        if (cx.Kind != cy.Kind || cx.Value != cy.Value) return false;
        if (cx.Kind == kCellList && (cx.FirstChild != -1 || cy.FirstChild != -1))
            pending.push_back({{cx.LastChild, cx.FirstChild}, {cy.LastChild, cy.FirstChild}});
        const bool endA = x == a.Last;
        const bool endB = y == b.Last;
        if (endA || endB) return endA && endB;
        x = NextElement(cx, x);
        y = NextElement(cy, y);
    }
}

} // namespace

void RootTableFault(const char* table, const char* operation) {
    std::fprintf(stderr, "internal error: %s.%s beyond the root table\n", table, operation);
    std::fflush(stderr);
    std::abort();
}

TZKMemory::TZKMemory(int32_t capacity, int32_t limit)
    : Capacity_(std::max(capacity, 0)), Limit_(std::clamp(limit, 0, std::max(Capacity_ - 2, 0))) {
    // Reserved, not filled: a cell is written before it is read, so the
    // pages of a large memory are touched only as far as the run allocates.
    Cells_ = std::make_unique_for_overwrite<TCell[]>(static_cast<std::size_t>(Capacity_));
    Spare_ = std::make_unique_for_overwrite<TCell[]>(static_cast<std::size_t>(Capacity_));
}

void TZKMemory::Reset() {
    ValueStack_.Clear();
    ArgStack_.Clear();
    StackRootCount_ = 0;
    CellRootCount_ = 0;
    SeqRootCount_ = 0;
    Taken_ = 0;
    Freed_ = 0;
    RequestsBefore_ = 0;
    OutOfMemory_ = false;
    OpenWindow();
}

void TZKMemory::SetOutOfMemory() {
    OutOfMemory_ = true;
    OpenWindow();
}

void TZKMemory::OpenWindow() {
    // Out of memory, every request takes the slow path, which fails.
    if (OutOfMemory_) {
        WindowEnd_ = -1;
        return;
    }
    const int64_t full = int64_t{Capacity_} - 2 - Freed_;
    int64_t end = full;
    if (kStressCollector) {
        end = Taken_;
    } else if (Capacity_ > kCachedCells) {
        const int64_t window = Taken_ + std::max(kWindowCells, kWindowPerLiveCell * Taken_);
        if (window <= kLargestWindow) end = window;
    }
    WindowEnd_ = static_cast<int32_t>(std::max<int64_t>(std::min(end, full), Taken_));
}

// A stress build collects at every request too, yet runs out of memory
// exactly where a normal build does.
int32_t TZKMemory::AllocSlow(uint8_t kind, int64_t value) {
    if (!OutOfMemory_ && Taken_ >= WindowEnd_) {
        if (CellCount() >= Capacity_ - 2) {
            Collect();
            if (CellCount() >= Limit_) SetOutOfMemory();
        } else {
            CollectWindow();
        }
    }
    if (OutOfMemory_) {
        ++RequestsBefore_;
        return -1;
    }
    return Place(kind, value);
}

void TZKMemory::Collect() {
    Compact();
    Freed_ = 0;
    OpenWindow();
    KeepAllocating();
}

// The live cells are the same as at a full collection: a cell unreachable
// now stays unreachable, so the later full collection keeps what it would.
void TZKMemory::CollectWindow() {
    const int32_t before = Taken_;
    Compact();
    Freed_ += before - Taken_;
    OpenWindow();
    KeepAllocating();
}

// A copying collection leaves the live cells in the other array, so that a
// memory with a window would go on taking cells from both arrays in turn and
// touch twice the pages, each a page fault the first time. Copying the live
// cells back costs at most a twelfth of a cell per allocation and keeps the
// run in the one array (a merge sort with 20,000 live cells at --mem 256 10 %
// faster, building trees 12 %). A memory without a window fits in the caches
// with both arrays, and its live part may be large beside the room it opens.
void TZKMemory::KeepAllocating() {
    if (Capacity_ <= kCachedCells) return;
    std::copy(Cells_.get(), Cells_.get() + Taken_, Spare_.get());
    std::swap(Cells_, Spare_);
}

// Breadth first, Cheney-style: Spare_ itself is the queue. A cell is copied
// the first time it is reached, in the order the roots and then the contents
// of the copies already made are met, which is the order in which a queue of
// indexes would hand out first occurrences. A moved cell keeps its Next, so
// sequences can still be walked in Cells_ after their cells moved.
void TZKMemory::Compact() {
    MaterializeStacks();
    const int32_t oldCount = Taken_;
    int32_t copied = 0;
    MoveRoots(copied);
    for (int32_t scan = 0; scan < copied; ++scan) {
        const TCell& copy = Spare_[scan];
        MoveSequence({copy.LastChild, copy.FirstChild}, copied);
    }
    for (int32_t i = 0; i < copied; ++i) {
        TCell& cell = Spare_[i];
        cell.Prev = Forward(cell.Prev, oldCount);
        cell.Next = Forward(cell.Next, oldCount);
        cell.FirstChild = Forward(cell.FirstChild, oldCount);
        cell.LastChild = Forward(cell.LastChild, oldCount);
    }
    ForwardRoots();
    RequestsBefore_ += Taken_ - copied;
    Taken_ = copied;
    std::swap(Cells_, Spare_);
}

void TZKMemory::MaterializeStacks() {
    for (TTreeStack* stack : {&ValueStack_, &ArgStack_})
        for (TTreeRef& entry : *stack)
            Materialize(entry);
}

void TZKMemory::Move(int32_t cell, int32_t& copied) {
    MoveCell(Cells_.get(), Spare_.get(), cell, copied);
}

void TZKMemory::MoveSequence(const TTreeRef& seq, int32_t& copied) {
    if (seq.IsEmpty()) return;
    // In locals, which the writes into the cells cannot alias: the count and
    // the end in memory would make each move wait for the one before.
    TCell* const cells = Cells_.get();
    TCell* const spare = Spare_.get();
    const int32_t last = seq.Last;
    int32_t count = copied;
    for (int32_t cell = seq.First;; cell = NextElement(cells[cell], cell)) {
        MoveCell(cells, spare, cell, count);
        if (cell == last) break;
    }
    copied = count;
}

void TZKMemory::MoveRoots(int32_t& copied) {
    // Each stack from its top down, the order in which the values were last
    // touched.
    for (TTreeStack* stack : {&ValueStack_, &ArgStack_})
        for (auto entry = stack->end(); entry != stack->begin();)
            MoveSequence(*--entry, copied);
    for (int32_t i = 0; i < SeqRootCount_; ++i)
        MoveSequence(*SeqRoots_[i], copied);
    for (int32_t i = 0; i < CellRootCount_; ++i)
        if (*CellRoots_[i] != -1) Move(*CellRoots_[i], copied);
    for (int32_t i = 0; i < StackRootCount_; ++i)
        for (const TIntNode* node = StackRoots_[i]->Head(); node != nullptr; node = node->Next)
            if (node->Value != -1) Move(node->Value, copied);
}

// Every root was moved, so its cell's Prev holds the new index.
void TZKMemory::ForwardRoots() {
    for (TTreeStack* stack : {&ValueStack_, &ArgStack_})
        for (TTreeRef& entry : *stack)
            if (entry.Last != -1) entry = {Cells_[entry.Last].Prev, Cells_[entry.First].Prev};
    for (int32_t i = 0; i < SeqRootCount_; ++i) {
        TTreeRef& seq = *SeqRoots_[i];
        if (seq.Last != -1) seq = {Cells_[seq.Last].Prev, Cells_[seq.First].Prev};
    }
    for (int32_t i = 0; i < CellRootCount_; ++i)
        if (*CellRoots_[i] != -1) *CellRoots_[i] = Cells_[*CellRoots_[i]].Prev;
    for (int32_t i = 0; i < StackRootCount_; ++i)
        for (TIntNode* node = StackRoots_[i]->Head(); node != nullptr; node = node->Next)
            if (node->Value != -1) node->Value = Cells_[node->Value].Prev;
}

// A link to a cell that was not copied lies outside every live value; it
// becomes -1 rather than an index into the new array.
int32_t TZKMemory::Forward(int32_t link, int32_t oldCount) const {
    if (link < 0 || link >= oldCount) return -1;
    const TCell& old = Cells_[link];
    return old.Kind == kCellMoved ? old.Prev : -1;
}

void TZKMemory::AddRoot(int32_t& cell) {
    if (CellRootCount_ == kCellRootSlots) RootTableFault("CellRoots", "AddRoot");
    CellRoots_[CellRootCount_++] = &cell;
}

void TZKMemory::DropRoots(int32_t n) {
    if (n < 0 || n > CellRootCount_) RootTableFault("CellRoots", "DropRoots");
    CellRootCount_ -= n;
}

void TZKMemory::AddStackRoot(TIntStack& stack) {
    if (StackRootCount_ == kStackRootSlots) RootTableFault("StackRoots", "AddStackRoot");
    StackRoots_[StackRootCount_++] = &stack;
}

void TZKMemory::DropStackRoots(int32_t n) {
    if (n < 0 || n > StackRootCount_) RootTableFault("StackRoots", "DropStackRoots");
    StackRootCount_ -= n;
}

void TZKMemory::AddSeqRoot(TTreeRef& seq) {
    if (SeqRootCount_ == kSeqRootSlots) RootTableFault("SeqRoots", "AddSeqRoot");
    SeqRoots_[SeqRootCount_++] = &seq;
}

void TZKMemory::DropSeqRoots(int32_t n) {
    if (n < 0 || n > SeqRootCount_) RootTableFault("SeqRoots", "DropSeqRoots");
    SeqRootCount_ -= n;
}

void TZKMemory::Concat(TTreeRef& left, const TTreeRef& right) {
    if (left.IsEmpty()) {
        left = right;
        return;
    }
    if (right.IsEmpty()) return;
    Cells_[left.Last].Next = right.First;
    Cells_[right.First].Prev = left.Last;
    left.Last = right.Last;
}

void TZKMemory::Wrap(TTreeRef& v) {
    AddSeqRoot(v);
    const int32_t node = AllocCell(kCellList, 0);
    DropSeqRoots(1);
    if (OutOfMemory_) return;
    Cells_[node].FirstChild = v.First;
    Cells_[node].LastChild = v.Last;
    v = {node, node};
}

void TZKMemory::Contents(TTreeRef& v) {
    const TCell& node = Cells_[v.First];
    v = {node.LastChild, node.FirstChild};
}

void TZKMemory::DropFirst(TTreeRef& v) {
    if (v.First == v.Last)
        v = kEmptyTree;
    else
        v.First = Cells_[v.First].Next;
}

void TZKMemory::DropLast(TTreeRef& v) {
    if (v.First == v.Last)
        v = kEmptyTree;
    else
        v.Last = Cells_[v.Last].Prev;
}

bool TZKMemory::TreeEqual(const TTreeRef& a, const TTreeRef& b) const {
    TPendingPairs pending;
    if (!SameSequence(Cells_.get(), a, b, pending)) return false;
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (!SameSequence(Cells_.get(), x, y, pending)) return false;
    }
    return true;
}

// Copies elements of one sequence, from `from` on, while the window has room,
// so that no collection can move a cell: the links are followed and written
// straight in the arrays. Returns whether the sequence's last element was
// copied; otherwise `from` is the next element to copy.
bool TZKMemory::CopyInWindow(const TTreeRef& src, TTreeRef& dst, int32_t sourceNode, int32_t node,
                             int32_t& from, TIntStack& sources, TIntStack& copies) {
    // In locals, which the writes into the cells cannot alias.
    TCell* const cells = Cells_.get();
    const int32_t stop = sourceNode == -1 ? src.Last : cells[sourceNode].LastChild;
    const int32_t start = Taken_;
    const int32_t end = WindowEnd_;
    int32_t copy = start;
    int32_t element = from;
    bool ended = false;
    // The copies lie side by side, each linked to its neighbours; the ends
    // are joined to the sequence afterwards.
    for (; copy < end; ++copy) {
        const TCell& source = cells[element];
        cells[copy] = TCell{copy - 1, copy + 1, -1, -1, source.Value, source.Kind};
        if (source.FirstChild != -1) [[unlikely]] {
            sources.Push(element);
            copies.Push(copy);
        }
        if (element == stop) {
            ended = true;
            ++copy;
            break;
        }
        element = NextElement(source, element);
    }
    from = element;
    if (copy == start) return false;
    Taken_ = copy;
    int32_t& first = node == -1 ? dst.First : cells[node].FirstChild;
    int32_t& last = node == -1 ? dst.Last : cells[node].LastChild;
    cells[start].Prev = last;
    (last == -1 ? first : cells[last].Next) = start;
    cells[copy - 1].Next = -1;
    last = copy - 1;
    return ended;
}

// The copy grows one sequence at a time: first the top level into `dst`,
// then the contents of each pending list node. Every index kept across an
// allocation is a registered root, and each new cell is linked at once as
// the end of its sequence, so a collection keeps everything built so far.
// Only elements with contents wait on the work stacks.
void TZKMemory::CopyTree(TTreeRef& src, TTreeRef& dst) {
    dst = kEmptyTree;
    if (src.IsEmpty()) return;
    TIntStack sources; // pending pairs: a source list node and its copy
    TIntStack copies;
    int32_t from = -1;       // the source element being copied
    int32_t sourceNode = -1; // the source list node whose contents are copied; -1: top level
    int32_t node = -1;       // its copy
    AddSeqRoot(src);
    AddSeqRoot(dst);
    AddRoot(from);
    AddRoot(sourceNode);
    AddRoot(node);
    AddStackRoot(sources);
    AddStackRoot(copies);
    for (;;) {
        from = sourceNode == -1 ? src.First : Cells_[sourceNode].FirstChild;
        for (;;) {
            if (CopyInWindow(src, dst, sourceNode, node, from, sources, copies)) break;
            const int32_t copy = AllocCell(Cells_[from].Kind, Cells_[from].Value);
            if (OutOfMemory_) break;
            TCell& cell = Cells_[copy];
            int32_t& last = node == -1 ? dst.Last : Cells_[node].LastChild;
            if (last == -1) {
                (node == -1 ? dst.First : Cells_[node].FirstChild) = copy;
            } else {
                Cells_[last].Next = copy;
                cell.Prev = last;
            }
            last = copy;
            if (Cells_[from].FirstChild != -1) {
                sources.Push(from);
                copies.Push(copy);
            }
            if (from == (sourceNode == -1 ? src.Last : Cells_[sourceNode].LastChild)) break;
            from = Cells_[from].Next;
        }
        if (OutOfMemory_ || sources.IsEmpty()) break;
        sourceNode = sources.Pop();
        node = copies.Pop();
    }
    DropStackRoots(2);
    DropRoots(3);
    DropSeqRoots(2);
}

// `open` holds the list nodes not yet closed; the sequence being built is the
// result at the top level, else the contents of the node on top of `open`.
TTreeRef TZKMemory::ParseText(std::string_view text, TAtomTable& atoms) {
    const std::string upper = UpperCase1251(text);
    TTreeRef result = kEmptyTree;
    int32_t prev = -1;
    int32_t cur = -1;
    TIntStack open;
    AddSeqRoot(result);
    AddRoot(prev);
    AddRoot(cur);
    AddStackRoot(open);
    bool expectFirst = true;
    const auto link = [&] {
        if (expectFirst)
            (open.IsEmpty() ? result.First : Cells_[open.Top()].FirstChild) = cur;
        else {
            Cells_[prev].Next = cur;
            Cells_[cur].Prev = prev;
        }
        (open.IsEmpty() ? result.Last : Cells_[open.Top()].LastChild) = cur;
        prev = cur;
        expectFirst = false;
    };
    std::size_t pos = 0;
    while (pos < upper.size() && !OutOfMemory_) {
        if (upper[pos] == ' ') {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < upper.size() && IsAtomChar(upper[end]))
            ++end;
        if (end == pos) {
            const char c = upper[pos++];
            if (c == '(') {
                cur = AllocCell(kCellList, 0);
                if (OutOfMemory_) break;
                link();
                open.Push(cur);
                expectFirst = true;
            } else if (c == ')' && !open.IsEmpty()) {
                prev = cur = open.Pop();
                expectFirst = false;
            }
            continue;
        }
        const std::string_view word(upper.data() + pos, end - pos);
        pos = end;
        if (TokenKind(word) == tkNumber) {
            int32_t number = 0;
            std::from_chars(word.data(), word.data() + word.size(), number);
            cur = AllocCell(kCellNumber, number);
        } else {
            cur = AllocCell(kCellList, atoms.Add(word));
        }
        if (OutOfMemory_) break;
        link();
    }
    DropStackRoots(1);
    DropRoots(2);
    DropSeqRoots(1);
    return result;
}

} // namespace zk
