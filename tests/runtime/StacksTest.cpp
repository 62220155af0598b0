// The linked containers: order, node access by depth, rewriting nodes in
// place, recycling of released nodes, ownership of compile frames, and the
// abort on an empty pop.
#include "runtime/Stacks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace zk {
namespace {

TEST(IntStackTest, PopsInReverseOrderOfPush) {
    TIntStack stack;
    stack.Push(1);
    stack.Push(2);
    stack.Push(3);
    EXPECT_EQ(stack.Top(), 3);
    EXPECT_EQ(stack.Pop(), 3);
    EXPECT_EQ(stack.Top(), 2);
    EXPECT_EQ(stack.Pop(), 2);
    EXPECT_EQ(stack.Pop(), 1);
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(stack.Head(), nullptr);
}

TEST(IntStackTest, NodesRewrittenThroughHeadArePopped) {
    TIntStack stack;
    stack.Push(-1);
    stack.Push(10);
    stack.Push(20);
    for (TIntNode* node = stack.Head(); node != nullptr; node = node->Next)
        if (node->Value != -1) node->Value += 1000;
    EXPECT_EQ(stack.Pop(), 1020);
    EXPECT_EQ(stack.Pop(), 1010);
    EXPECT_EQ(stack.Pop(), -1);
}

TEST(IntStackTest, ClearReturnsEveryNodeForReuse) {
    TIntStack stack;
    std::vector<const TIntNode*> first;
    for (int32_t i = 0; i < 100; ++i) {
        stack.Push(i);
        first.push_back(stack.Head());
    }
    stack.Clear();
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(stack.Head(), nullptr);

    int strangers = 0;
    for (int32_t i = 0; i < 100; ++i) {
        stack.Push(i);
        if (std::find(first.begin(), first.end(), stack.Head()) == first.end()) ++strangers;
    }
    EXPECT_EQ(strangers, 0);
    EXPECT_EQ(stack.Pop(), 99);
}

TEST(IntStackTest, MillionPushPopPairsReuseOneNode) {
    TIntStack stack;
    stack.Push(7);
    stack.Push(8);
    const TIntNode* recycled = nullptr;
    int moved = 0;
    for (int32_t i = 0; i < 1000000; ++i) {
        stack.Push(i);
        if (recycled == nullptr)
            recycled = stack.Head();
        else if (stack.Head() != recycled)
            ++moved;
        if (stack.Pop() != i) ++moved;
    }
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(stack.Pop(), 8);
    EXPECT_EQ(stack.Pop(), 7);
}

TEST(IntStackTest, DestroyedWhileHoldingNodesReleasesThem) {
    auto stack = std::make_unique<TIntStack>();
    for (int32_t i = 0; i < 5000; ++i)
        stack->Push(i);
    stack.reset(); // the sanitizer run reports anything left behind
}

TEST(IntQueueTest, YieldsInOrderOfEntry) {
    TIntQueue queue;
    queue.Enqueue(1);
    queue.Enqueue(2);
    EXPECT_EQ(queue.Head()->Value, 1);
    EXPECT_EQ(queue.Tail()->Value, 2);
    EXPECT_EQ(queue.Dequeue(), 1);
    queue.Enqueue(3);
    EXPECT_EQ(queue.Head()->Value, 2);
    EXPECT_EQ(queue.Tail()->Value, 3);
    EXPECT_EQ(queue.Dequeue(), 2);
    EXPECT_EQ(queue.Dequeue(), 3);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.Head(), nullptr);
    EXPECT_EQ(queue.Tail(), nullptr);
}

TEST(IntQueueTest, RefillsAfterRunningEmpty) {
    TIntQueue queue;
    queue.Enqueue(1);
    EXPECT_EQ(queue.Dequeue(), 1);
    queue.Enqueue(4);
    EXPECT_EQ(queue.Head(), queue.Tail());
    EXPECT_EQ(queue.Head()->Next, nullptr);
    queue.Enqueue(5);
    EXPECT_EQ(queue.Dequeue(), 4);
    EXPECT_EQ(queue.Dequeue(), 5);
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(IntQueueTest, KeepsOrderWhileInterleavedAcrossManyNodes) {
    TIntQueue queue;
    int32_t next_in = 0;
    int32_t next_out = 0;
    int wrong = 0;
    for (int round = 0; round < 200; ++round) {
        for (int i = 0; i < 70; ++i)
            queue.Enqueue(next_in++);
        for (int i = 0; i < 50; ++i)
            if (queue.Dequeue() != next_out++) ++wrong;
    }
    while (!queue.IsEmpty())
        if (queue.Dequeue() != next_out++) ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(next_out, next_in);
}

TEST(IntQueueTest, DestroyedWhileHoldingNodesReleasesThem) {
    auto queue = std::make_unique<TIntQueue>();
    for (int32_t i = 0; i < 5000; ++i)
        queue->Enqueue(i);
    queue.reset();
}

TEST(TreeStackTest, ReadsTheEntryAtDepthTwo) {
    TTreeStack stack;
    stack.Push({0, 0});
    stack.Push({5, 4});
    stack.Push({9, 9});
    ASSERT_NE(stack.At(2), nullptr);
    EXPECT_EQ(*stack.At(2), (TTreeRef{0, 0}));
    EXPECT_EQ(stack.At(1)->Last, 5);
    EXPECT_EQ(stack.At(1)->First, 4);
    EXPECT_EQ(stack.At(0), &stack.Top());
}

TEST(TreeStackTest, DepthBeyondTheStackIsNoEntry) {
    TTreeStack stack;
    EXPECT_EQ(stack.At(0), nullptr);
    stack.Push({1, 1});
    stack.Push({2, 2});
    EXPECT_EQ(stack.At(2), nullptr);
    EXPECT_EQ(stack.At(255), nullptr);
    EXPECT_EQ(stack.At(-1), nullptr);
    stack.Pop();
    EXPECT_EQ(stack.At(1), nullptr);
}

TEST(TreeStackTest, CountFollowsPushPopAndClear) {
    TTreeStack stack;
    EXPECT_EQ(stack.Count(), 0u);
    stack.Push(kEmptyTree);
    stack.Push({3, 2});
    EXPECT_EQ(stack.Count(), 2u);
    EXPECT_EQ(stack.Pop(), (TTreeRef{3, 2}));
    EXPECT_EQ(stack.Count(), 1u);
    EXPECT_EQ(stack.Pop(), kEmptyTree);
    EXPECT_EQ(stack.Count(), 0u);
    EXPECT_TRUE(stack.IsEmpty());
    for (int32_t i = 0; i < 40; ++i)
        stack.Push({i, i});
    stack.Clear();
    EXPECT_EQ(stack.Count(), 0u);
    EXPECT_TRUE(stack.IsEmpty());
}

TEST(TreeStackTest, TheTopIsChangedInPlace) {
    TTreeStack stack;
    stack.Push({6, 1});
    stack.Top().First = 6;
    EXPECT_EQ(stack.Pop(), (TTreeRef{6, 6}));
}

TEST(TreeStackTest, PushAndReplaceTopKeepBothHalvesWhateverTheirSigns) {
    TTreeStack stack;
    stack.Push({-1, 7});
    stack.Push({INT32_MAX, INT32_MIN});
    stack.ReplaceTop({3, -1});
    EXPECT_EQ(stack.Pop(), (TTreeRef{3, -1}));
    EXPECT_EQ(stack.Pop(), (TTreeRef{-1, 7}));
}

TEST(TreeStackTest, IndexesRewrittenInPlaceArePopped) {
    TTreeStack stack;
    stack.Push({4, 2});
    stack.Push(kEmptyTree);
    stack.Push({9, 9});
    // What a collection does to every entry: forward both halves of a value.
    for (TTreeRef& entry : stack)
        if (entry.Last != -1) entry = {entry.Last + 100, entry.First + 100};
    EXPECT_EQ(stack.Pop(), (TTreeRef{109, 109}));
    EXPECT_EQ(stack.Pop(), kEmptyTree);
    EXPECT_EQ(stack.Pop(), (TTreeRef{104, 102}));
}

TEST(TreeStackTest, EntriesRunFromTheBottomToTheTop) {
    TTreeStack stack;
    for (int32_t i = 0; i < 20000; ++i)
        stack.Push({i, i + 1});
    int32_t expected = 0, wrong = 0;
    for (const TTreeRef& entry : stack)
        if (entry != TTreeRef{expected, expected + 1} || (++expected, false)) ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(expected, 20000);
    EXPECT_EQ(*stack.At(19999), (TTreeRef{0, 1}));
}

// A loop that keeps the top apart fills the storage to its end, grows it and
// writes the top back.
TEST(TreeStackTest, GrowingUnderAKeptTopKeepsTheEntriesBelowIt) {
    TTreeStack stack;
    stack.Push({1, 1});
    TTreeRef* top = stack.end();
    for (int32_t i = 2; top != stack.StorageEnd(); ++i)
        TTreeStack::Write(top++, {i, i});
    const auto count = static_cast<int32_t>(top - stack.begin());
    top = stack.GrowUnder(top);
    ASSERT_LT(top, stack.StorageEnd());
    TTreeStack::Write(top++, {0, 0});
    stack.SetEnd(top);
    EXPECT_EQ(stack.Count(), static_cast<std::size_t>(count + 1));
    EXPECT_EQ(stack.Pop(), (TTreeRef{0, 0}));
    EXPECT_EQ(stack.Pop(), (TTreeRef{count, count}));
    EXPECT_EQ(*stack.At(count - 2), (TTreeRef{1, 1}));
}

// A state record that counts its own destruction.
struct TCountedState : TFormState {
    TCountedState(int tag, int& destroyed) : Tag(tag), Destroyed(destroyed) {}
    ~TCountedState() override { ++Destroyed; }
    int Tag;
    int& Destroyed;
};

TRetData Frame(int32_t index, int tag, int& destroyed) {
    return {index, std::make_unique<TCountedState>(tag, destroyed)};
}

int TagOf(const TRetData& data) {
    return dynamic_cast<const TCountedState&>(*data.State).Tag;
}

TEST(StackTest, PopHandsBackTheFrameWithItsState) {
    int destroyed = 0;
    TStack stack;
    stack.Push(Frame(14, 7, destroyed));
    stack.Push({-1, nullptr});
    EXPECT_EQ(stack.Head()->RetData.Index, -1);

    TRetData call = stack.Pop();
    EXPECT_EQ(call.Index, -1);
    EXPECT_EQ(call.State, nullptr);
    {
        TRetData form = stack.Pop();
        EXPECT_TRUE(stack.IsEmpty());
        EXPECT_EQ(form.Index, 14);
        ASSERT_NE(form.State, nullptr);
        EXPECT_EQ(TagOf(form), 7);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(StackTest, PoppedStateSurvivesReuseOfItsElement) {
    int destroyed = 0;
    TStack stack;
    TStackEl* el = stack.Push(Frame(1, 10, destroyed));
    TRetData popped = stack.Pop();
    EXPECT_EQ(stack.Push(Frame(2, 20, destroyed)), el);
    EXPECT_EQ(TagOf(popped), 10);
    EXPECT_EQ(TagOf(stack.Head()->RetData), 20);
    EXPECT_EQ(destroyed, 0);
}

TEST(StackTest, DestroyedWithFramesReleasesTheirStates) {
    int destroyed = 0;
    {
        TStack stack;
        stack.Push(Frame(0, 1, destroyed));
        stack.Push({15, nullptr});
        stack.Push(Frame(8, 2, destroyed));
        stack.Push(Frame(9, 3, destroyed));
        stack.Pop(); // released here, as the caller drops it
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(StacksDeathTest, EmptyIntStackPopAborts) {
    TIntStack stack;
    stack.Push(1);
    stack.Pop();
    EXPECT_DEATH(stack.Pop(), "internal error: TIntStack\\.Pop on an empty container");
}

TEST(StacksDeathTest, EmptyIntStackTopAborts) {
    TIntStack stack;
    EXPECT_DEATH(stack.Top(), "internal error: TIntStack\\.Top on an empty container");
}

TEST(StacksDeathTest, EmptyTreeStackPopAborts) {
    TTreeStack stack;
    stack.Push({1, 1});
    stack.Clear();
    EXPECT_DEATH(stack.Pop(), "internal error: TTreeStack\\.Pop on an empty container");
    EXPECT_DEATH(stack.Top(), "internal error: TTreeStack\\.Top on an empty container");
    EXPECT_DEATH(stack.ReplaceTop({1, 1}),
                 "internal error: TTreeStack\\.ReplaceTop on an empty container");
}

TEST(StacksDeathTest, EmptyQueueDequeueAborts) {
    TIntQueue queue;
    queue.Enqueue(1);
    queue.Dequeue();
    EXPECT_DEATH(queue.Dequeue(), "internal error: TIntQueue\\.Dequeue on an empty container");
}

TEST(StacksDeathTest, EmptyStackPopAborts) {
    TStack stack;
    EXPECT_DEATH(stack.Pop(), "internal error: TStack\\.Pop on an empty container");
}

} // namespace
} // namespace zk
