// The stacks and the queue of the compiler and the run-time system: the linked
// compile stack of open forms, the value and argument stacks of the tree
// memory, linked integer work stacks and a work queue.
#pragma once

#include "pcode/RetData.h"
#include "runtime/TreeRef.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace zk {

// Nodes are plain records that users walk and rewrite in place: the collector
// forwards the cell indexes stored in every node.
struct TIntNode {
    int32_t Value;
    TIntNode* Next;
};

struct TStackEl {
    TRetData RetData;
    TStackEl* Next;
};

// Reports a pop, top or dequeue on an empty container and aborts. Every caller
// checks emptiness first, so reaching this is a bug of the system itself.
[[noreturn]] void EmptyContainerFault(const char* container, const char* operation);

// The nodes of one container. Push and pop sit on the interpreter's hot path,
// so a released node goes onto a free list and the next push takes it back;
// only when the list is empty is a node carved from the current block. Blocks
// grow geometrically, never move, and are released with the pool, so a node
// pointer stays valid until its node is popped.
template <class Node> class TNodePool {
public:
    TNodePool() = default;
    TNodePool(const TNodePool&) = delete;
    TNodePool& operator=(const TNodePool&) = delete;

    Node* Take() {
        if (Node* node = Free_) {
            Free_ = node->Next;
            return node;
        }
        if (Cursor_ == End_) [[unlikely]]
            Grow();
        return Cursor_++;
    }
    void Give(Node* node) {
        node->Next = Free_;
        Free_ = node;
    }
    // Returns a whole chain, from `first` along Next to its end.
    void GiveChain(Node* first);

private:
    void Grow();

    static constexpr std::size_t kFirstBlock = 16;
    static constexpr std::size_t kMaxBlock = 4096;

    Node* Free_ = nullptr;
    Node* Cursor_ = nullptr; // next node never handed out, in the current block
    Node* End_ = nullptr;
    std::size_t BlockSize_ = 0;
    std::vector<std::unique_ptr<Node[]>> Blocks_;
};

// The pools' slow paths are compiled once, in Stacks.cpp.
extern template class TNodePool<TStackEl>;
extern template class TNodePool<TIntNode>;

// The compile stack: one frame per open form, owned by the stack until popped.
// A stack destroyed with frames on it releases them and their states.
class TStack {
public:
    TStack() = default;
    TStack(const TStack&) = delete;
    TStack& operator=(const TStack&) = delete;

    bool IsEmpty() const { return Head_ == nullptr; }
    const TStackEl* Head() const { return Head_; }

    TStackEl* Push(TRetData data) {
        TStackEl* el = Pool_.Take();
        el->RetData = std::move(data);
        el->Next = Head_;
        Head_ = el;
        return el;
    }
    TRetData Pop() {
        TStackEl* el = Head_;
        if (el == nullptr) [[unlikely]]
            EmptyContainerFault("TStack", "Pop");
        Head_ = el->Next;
        TRetData data = std::move(el->RetData);
        Pool_.Give(el);
        return data;
    }

private:
    TStackEl* Head_ = nullptr;
    TNodePool<TStackEl> Pool_;
};

// A stack of tree values: the value and argument stacks of a run. They sit on
// the interpreter's hot path and an argument is read by its depth, so the
// entries lie in one array that grows and keeps its storage when popped. The
// collector rewrites every entry in place. A reference to an entry stays valid
// until the next Push.
class TTreeStack {
public:
    TTreeStack() = default;
    TTreeStack(const TTreeStack&) = delete;
    TTreeStack& operator=(const TTreeStack&) = delete;

    bool IsEmpty() const { return Top_ == Base_; }
    std::size_t Count() const { return static_cast<std::size_t>(Top_ - Base_); }
    // The entry `depth` places below the top (0: the top), or nullptr when the
    // stack is not that deep.
    const TTreeRef* At(int32_t depth) const {
        // A negative depth turns into one beyond every stack.
        if (static_cast<std::size_t>(static_cast<uint32_t>(depth)) >= Count()) return nullptr;
        return Top_ - 1 - depth;
    }
    TTreeRef& Top() {
        if (Top_ == Base_) [[unlikely]]
            EmptyContainerFault("TTreeStack", "Top");
        return Top_[-1];
    }

    void Push(TTreeRef ref) {
        if (Top_ == End_) [[unlikely]]
            Grow();
        Write(Top_++, ref);
    }
    void ReplaceTop(TTreeRef ref) {
        if (Top_ == Base_) [[unlikely]]
            EmptyContainerFault("TTreeStack", "ReplaceTop");
        Write(Top_ - 1, ref);
    }
    TTreeRef Pop() {
        if (Top_ == Base_) [[unlikely]]
            EmptyContainerFault("TTreeStack", "Pop");
        return *--Top_;
    }
    // Pops `count` entries, at most Count(), and pushes them onto `other`: the
    // top entry here ends at the bottom of those there.
    void MoveReversedTo(TTreeStack& other, std::size_t count) {
        if (count > Count()) [[unlikely]]
            EmptyContainerFault("TTreeStack", "MoveReversedTo");
        while (static_cast<std::size_t>(other.End_ - other.Top_) < count)
            other.Grow();
        // In locals: the two stacks could be one, for all the compiler knows.
        TTreeRef* from = Top_;
        TTreeRef* const stop = Top_ - count;
        TTreeRef* to = other.Top_;
#pragma GCC unroll 2
        while (from != stop)
            *to++ = *--from;
        Top_ = stop;
        other.Top_ = to;
    }
    // Pops `count` entries, at most Count().
    void Drop(std::size_t count) {
        if (count > Count()) [[unlikely]]
            EmptyContainerFault("TTreeStack", "Drop");
        Top_ -= count;
    }
    void Clear() { Top_ = Base_; }

    // For a loop that keeps the top in a register of its own between the
    // calls that need the stack itself: where the storage ends, the top
    // written back, and the storage grown under a top so kept.
    TTreeRef* StorageEnd() const { return End_; }
    void SetEnd(TTreeRef* top) { Top_ = top; }
    TTreeRef* GrowUnder(TTreeRef* top) {
        Top_ = top;
        Grow();
        return Top_;
    }

    // From the bottom to the top.
    TTreeRef* begin() { return Base_; }
    TTreeRef* end() { return Top_; }
    const TTreeRef* begin() const { return Base_; }
    const TTreeRef* end() const { return Top_; }

    // An entry is written as one 64-bit word. The next instruction mostly pops
    // what this one pushed, reading it whole; written as two halves, that read
    // would wait until both stores had reached the cache instead of taking
    // the value from the store buffer.
    static void Write(TTreeRef* entry, TTreeRef ref) {
        // Made in general registers: a value made in a vector register may
        // come from a wide load of a counter just stored, which waits too.
        uint64_t word =
            uint64_t{static_cast<uint32_t>(ref.First)} << 32 | static_cast<uint32_t>(ref.Last);
        asm("" : "+r"(word)); // keeps the compiler from splitting the store again
        std::memcpy(static_cast<void*>(entry), &word, sizeof word);
    }

private:
    void Grow();

    std::unique_ptr<TTreeRef[]> Storage_;
    TTreeRef* Base_ = nullptr;
    TTreeRef* Top_ = nullptr; // one past the top entry
    TTreeRef* End_ = nullptr;
};

class TIntStack {
public:
    TIntStack() = default;
    TIntStack(const TIntStack&) = delete;
    TIntStack& operator=(const TIntStack&) = delete;

    bool IsEmpty() const { return Head_ == nullptr; }
    TIntNode* Head() { return Head_; }
    const TIntNode* Head() const { return Head_; }

    void Push(int32_t value) {
        TIntNode* node = Pool_.Take();
        node->Value = value;
        node->Next = Head_;
        Head_ = node;
    }
    int32_t Pop() {
        TIntNode* node = Head_;
        if (node == nullptr) [[unlikely]]
            EmptyContainerFault("TIntStack", "Pop");
        int32_t value = node->Value;
        Head_ = node->Next;
        Pool_.Give(node);
        return value;
    }
    int32_t Top() const {
        if (Head_ == nullptr) [[unlikely]]
            EmptyContainerFault("TIntStack", "Top");
        return Head_->Value;
    }
    void Clear();

private:
    TIntNode* Head_ = nullptr;
    TNodePool<TIntNode> Pool_;
};

// First in, first out: Head leaves next, Tail entered last; both are nullptr
// exactly when the queue is empty.
class TIntQueue {
public:
    TIntQueue() = default;
    TIntQueue(const TIntQueue&) = delete;
    TIntQueue& operator=(const TIntQueue&) = delete;

    bool IsEmpty() const { return Head_ == nullptr; }
    const TIntNode* Head() const { return Head_; }
    const TIntNode* Tail() const { return Tail_; }

    void Enqueue(int32_t value) {
        TIntNode* node = Pool_.Take();
        node->Value = value;
        node->Next = nullptr;
        if (Tail_ != nullptr)
            Tail_->Next = node;
        else
            Head_ = node;
        Tail_ = node;
    }
    int32_t Dequeue() {
        TIntNode* node = Head_;
        if (node == nullptr) [[unlikely]]
            EmptyContainerFault("TIntQueue", "Dequeue");
        int32_t value = node->Value;
        Head_ = node->Next;
        if (Head_ == nullptr) Tail_ = nullptr;
        Pool_.Give(node);
        return value;
    }

private:
    TIntNode* Head_ = nullptr;
    TIntNode* Tail_ = nullptr;
    TNodePool<TIntNode> Pool_;
};

} // namespace zk
