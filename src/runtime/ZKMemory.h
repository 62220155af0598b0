// The run-time tree memory: every ZK value lives in one array of equal cells,
// taken in order by a bump allocator and compacted into a second array by a
// breadth-first copying collection over explicit roots. The memory also owns
// the interpreter's value and argument stacks and the structural operations.
//
// A large memory is not filled to the end between collections: the cells
// taken since the last collection stay within a window that fits in the
// processor's caches, and a collection that nobody sees empties it whenever
// it is full. The memory keeps counting the cells as a memory that collects
// only when full would (CellCount), and collects for everybody to see at
// exactly the request at which that memory would, so the cells in use and the
// moment the memory runs out are the same whatever the window.
#pragma once

#include "pcode/PCode.h"
#include "runtime/Stacks.h"
#include "runtime/TreeRef.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace zk {

// One element of a value. An atom has Kind 0 and an atom number >= 1, a list
// node Kind 0 and Value 0 with its contents FirstChild .. LastChild, a number
// Kind 1. Kind 255 marks a cell already moved during a collection; its Prev
// then holds the index of the copy. Aligned to its size, so that a cell never
// straddles two cache lines (a large array's storage starts 16 bytes into a
// page).
struct alignas(32) TCell {
    int32_t Prev;
    int32_t Next;
    int32_t FirstChild;
    int32_t LastChild;
    int64_t Value;
    uint8_t Kind;
};
static_assert(sizeof(TCell) == 32, "a cell occupies 32 bytes");

inline constexpr uint8_t kCellList = 0; // atoms and list nodes
inline constexpr uint8_t kCellNumber = 1;
inline constexpr uint8_t kCellMoved = 255;

// Reports a root table that overflows or a drop of more roots than are
// registered, and aborts: the operations of the system stay well within the
// tables, so reaching this is a bug of the system itself.
[[noreturn]] void RootTableFault(const char* table, const char* operation);

// A stress build (VARNOK_STRESS_GC) collects at every allocation, so that a
// cell index held across AllocCell without being registered goes wrong at
// once instead of at the rare request that finds the array full: its window
// holds no cell.
#ifdef VARNOK_STRESS_GC
inline constexpr bool kStressCollector = true;
#else
inline constexpr bool kStressCollector = false;
#endif

class TZKMemory {
public:
    // Both arrays are allocated once here, their contents undefined until
    // used. The limit is kept at most capacity - 2, so that an allocation
    // that is allowed always fits.
    TZKMemory(int32_t capacity, int32_t limit);
    TZKMemory(const TZKMemory&) = delete;
    TZKMemory& operator=(const TZKMemory&) = delete;

    void Reset();

    // A cell with the four links -1, or, when the memory is exhausted, an
    // index that means nothing with OutOfMemory set: every caller tests
    // OutOfMemory right after the call. Each request counts, failed or not.
    int32_t AllocCell(uint8_t kind, int64_t value) {
        if (Taken_ >= WindowEnd_) [[unlikely]]
            return AllocSlow(kind, value);
        return Place(kind, value);
    }
    // Whether the next `count` requests will be served without a collection;
    // never in a stress build.
    bool HasRoomFor(int32_t count) const { return Taken_ + count <= WindowEnd_; }
    // Takes `count` cells at once, counted as that many requests; the caller
    // has checked HasRoomFor(count). It fills the cells it uses with
    // PlaceLeaf; a cell left unfilled lies outside every value and is never
    // read.
    int32_t TakeCells(int32_t count) {
        int32_t first = Taken_;
        // Read alone, into a general register: the compiler would rather read
        // it together with its neighbour into a vector register, and such a
        // read waits until the last store of Taken_ has reached the cache.
        asm("" : "+r"(first));
        Taken_ += count;
        return first;
    }
    // For a loop that keeps the count of cells taken in a register of its own
    // between the calls that need the memory: where the window ends, and the
    // count written back.
    int32_t WindowEnd() const { return WindowEnd_; }
    void SetCellsTaken(int32_t taken) { Taken_ = taken; }
    // One cell taken as the number `value`; the caller has checked
    // HasRoomFor(1).
    TTreeRef TakeNumber(int64_t value) {
        const int32_t cell = TakeCells(1);
        PlaceLeaf(cell, kCellNumber, value);
        return {cell, cell};
    }
    void PlaceLeaf(int32_t index, uint8_t kind, int64_t value) {
        Cells_[index] = TCell{-1, -1, -1, -1, value, kind};
    }
    // An immediate number written into the cell that it took; `v` then
    // refers to that cell. Param shares an immediate as it shares any value,
    // so the same cell may be written again from another copy: the links to
    // the neighbours are left alone, as EXPR may have set them meanwhile, and
    // they lie outside the one-element value that the cell is by itself.
    void Materialize(TTreeRef& v) {
        if (!v.IsImmediate()) [[likely]]
            return;
        const int32_t index = ImmediateCell(v);
        TCell& cell = Cells_[index];
        cell.FirstChild = -1;
        cell.LastChild = -1;
        cell.Value = v.First;
        cell.Kind = kCellNumber;
        v = {index, index};
    }
    // Every immediate on both stacks made a cell: before a collection, and
    // whenever the run is handed to a reader of its values.
    void MaterializeStacks();
    // Compacts the live cells, as AllocCell does when CellCount is within two
    // cells of the capacity. Every index held outside the stacks and the
    // registered roots becomes meaningless.
    void Collect();

    // Registration is last-in first-out within each kind; a drop removes the
    // n most recent registrations. The collector reads and rewrites the
    // registered variables, which must outlive their registration.
    void AddRoot(int32_t& cell);
    void DropRoots(int32_t n);
    void AddStackRoot(TIntStack& stack); // holds cell indexes or -1 only
    void DropStackRoots(int32_t n);
    void AddSeqRoot(TTreeRef& seq);
    void DropSeqRoots(int32_t n);

    // `left` := left followed by right; the cells of both now belong to it.
    void Concat(TTreeRef& left, const TTreeRef& right);
    // `v` := one list node holding v; unchanged when the memory runs out.
    void Wrap(TTreeRef& v);
    // `v`, exactly one list node, := its contents.
    void Contents(TTreeRef& v);
    // `v` is not empty.
    void DropFirst(TTreeRef& v);
    void DropLast(TTreeRef& v);
    // Structural equality of kinds, values and contents; allocates nothing.
    bool TreeEqual(const TTreeRef& a, const TTreeRef& b) const;
    // `dst` := a copy of `src` in new cells; when the memory runs out, the
    // part copied so far. `src` is rewritten if the cells move; the two are
    // different variables.
    void CopyTree(TTreeRef& src, TTreeRef& dst);
    // Reads blank-separated atoms, numbers and bracketed lists, upper-cased;
    // new atoms are appended to `atoms`. Characters that make no token are
    // skipped, an unmatched ")" too, and lists still open at the end are
    // closed there. Stops early, with OutOfMemory set, when memory runs out.
    TTreeRef ParseText(std::string_view text, TAtomTable& atoms);

    TCell& Cell(int32_t index) { return Cells_[index]; }
    const TCell& Cell(int32_t index) const { return Cells_[index]; }
    TTreeStack& ValueStack() { return ValueStack_; }
    const TTreeStack& ValueStack() const { return ValueStack_; }
    TTreeStack& ArgStack() { return ArgStack_; }
    const TTreeStack& ArgStack() const { return ArgStack_; }
    int32_t Capacity() const { return Capacity_; }
    int32_t Limit() const { return Limit_; }
    // The cells in use as a memory that collects only when full counts them.
    int32_t CellCount() const { return Taken_ + Freed_; }
    // Every cell of a value lies below this index.
    int32_t CellsTaken() const { return Taken_; }
    bool OutOfMemory() const { return OutOfMemory_; }
    int64_t AllocCount() const { return RequestsBefore_ + Taken_; }

private:
    int32_t AllocSlow(uint8_t kind, int64_t value);
    // The collection that only the window sees; it frees cells that a
    // memory collecting when full would still count.
    void CollectWindow();
    void SetOutOfMemory();
    bool CopyInWindow(const TTreeRef& src, TTreeRef& dst, int32_t sourceNode, int32_t node,
                      int32_t& from, TIntStack& sources, TIntStack& copies);
    void Compact();
    void OpenWindow();
    void KeepAllocating();
    int32_t Place(uint8_t kind, int64_t value) {
        const int32_t index = Taken_++;
        Cells_[index] = TCell{-1, -1, -1, -1, value, kind};
        return index;
    }
    // The collector's steps: moving one cell and a whole sequence into
    // Spare_, and the index a moved cell's copy has.
    void Move(int32_t cell, int32_t& copied);
    void MoveSequence(const TTreeRef& seq, int32_t& copied);
    void MoveRoots(int32_t& copied);
    void ForwardRoots();
    int32_t Forward(int32_t link, int32_t oldCount) const;

    static constexpr int kStackRootSlots = 5;
    static constexpr int kCellRootSlots = 30;
    static constexpr int kSeqRootSlots = 4;

    std::unique_ptr<TCell[]> Cells_;
    std::unique_ptr<TCell[]> Spare_;
    int32_t Capacity_;
    int32_t Limit_;
    int32_t Taken_ = 0; // cells 0 .. Taken_ - 1 hold what was written since the last collection
    int32_t Freed_ = 0; // cells freed by the window's collections since the last full one
    int32_t WindowEnd_ =
        0; // the index at which the next collection takes place; -1 when out of memory
    bool OutOfMemory_ = false;
    TTreeStack ValueStack_;
    TTreeStack ArgStack_;
    std::array<TIntStack*, kStackRootSlots> StackRoots_{};
    int32_t StackRootCount_ = 0;
    std::array<int32_t*, kCellRootSlots> CellRoots_{};
    int32_t CellRootCount_ = 0;
    std::array<TTreeRef*, kSeqRootSlots> SeqRoots_{};
    int32_t SeqRootCount_ = 0;
    // The requests counted besides one for each cell taken now: those of the
    // cells that collections freed and those that failed. A request that
    // takes a cell is counted by Taken_ alone, which keeps the hot path to
    // one counter. 64 bits: a long run makes more than 2^31 requests.
    int64_t RequestsBefore_ = 0;
};

} // namespace zk
