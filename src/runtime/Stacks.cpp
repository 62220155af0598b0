// The slow paths of the linked containers: growing a node pool, returning a
// whole stack to it, and the fault of an empty pop.
#include "runtime/Stacks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zk {

void EmptyContainerFault(const char* container, const char* operation) {
    std::fprintf(stderr, "internal error: %s.%s on an empty container\n", container, operation);
    std::fflush(stderr);
    std::abort();
}

template <class Node> void TNodePool<Node>::GiveChain(Node* first) {
    if (first == nullptr) return;
    Node* last = first;
    while (last->Next != nullptr)
        last = last->Next;
    last->Next = Free_;
    Free_ = first;
}

template <class Node> void TNodePool<Node>::Grow() {
    BlockSize_ = BlockSize_ == 0 ? kFirstBlock : std::min(BlockSize_ * 2, kMaxBlock);
    Blocks_.push_back(std::make_unique_for_overwrite<Node[]>(BlockSize_));
    Cursor_ = Blocks_.back().get();
    End_ = Cursor_ + BlockSize_;
}

template class TNodePool<TStackEl>;
template class TNodePool<TIntNode>;

void TTreeStack::Grow() {
    const std::size_t count = Count();
    const std::size_t capacity =
        std::max<std::size_t>(64, static_cast<std::size_t>(End_ - Base_) * 2);
    auto storage = std::make_unique_for_overwrite<TTreeRef[]>(capacity);
    std::copy(Base_, Top_, storage.get());
    Storage_ = std::move(storage);
    Base_ = Storage_.get();
    Top_ = Base_ + count;
    End_ = Base_ + capacity;
}

void TIntStack::Clear() {
    Pool_.GiveChain(Head_);
    Head_ = nullptr;
}

} // namespace zk
