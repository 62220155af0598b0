// The tree memory: when collections run and when allocation fails, what
// survives a collection, the structural operations, reading values from text,
// and values nested a million levels deep.
#include "runtime/ZKMemory.h"

#include "TestFiles.h"
#include "frontend/Tokens.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace zk {
namespace {

TAtomTable StartAtoms() {
    TAtomTable atoms;
    atoms.Add("");
    atoms.Add("TRUE");
    atoms.Add("FALSE");
    return atoms;
}

// The plain text of a value, for comparing structure in the tests.
std::string Text(const TZKMemory& memory, const TTreeRef& v, const TAtomTable& atoms) {
    std::string text;
    if (v.IsEmpty()) return text;
    for (int32_t i = v.First;; i = memory.Cell(i).Next) {
        const TCell& cell = memory.Cell(i);
        if (!text.empty()) text += ' ';
        if (cell.Kind == kCellNumber)
            text += std::to_string(cell.Value);
        else if (cell.Value != 0)
            text += atoms[static_cast<int32_t>(cell.Value)];
        else {
            text += '(';
            text += Text(memory, {cell.LastChild, cell.FirstChild}, atoms);
            text += ')';
        }
        if (i == v.Last) break;
    }
    return text;
}

// Allocates cells that nothing holds.
void Churn(TZKMemory& memory, int count) {
    for (int i = 0; i < count; ++i)
        memory.AllocCell(kCellNumber, i);
}

class ZKMemoryTest : public ::testing::Test {
protected:
    TTreeRef Parse(std::string_view text) { return Memory.ParseText(text, Atoms); }
    std::string Show(const TTreeRef& v) const { return Text(Memory, v, Atoms); }

    TZKMemory Memory{1000, 800};
    TAtomTable Atoms = StartAtoms();
};

TEST(ZKMemoryCellTest, FieldsLieInTheirOrderInThirtyTwoBytes) {
    EXPECT_EQ(sizeof(TCell), 32u);
    EXPECT_EQ(offsetof(TCell, Prev), 0u);
    EXPECT_EQ(offsetof(TCell, Next), 4u);
    EXPECT_EQ(offsetof(TCell, FirstChild), 8u);
    EXPECT_EQ(offsetof(TCell, LastChild), 12u);
    EXPECT_EQ(offsetof(TCell, Value), 16u);
    EXPECT_EQ(offsetof(TCell, Kind), 24u);
}

TEST_F(ZKMemoryTest, AllocationTakesConsecutiveCellsWithoutLinks) {
    EXPECT_EQ(Memory.AllocCell(kCellNumber, -7), 0);
    EXPECT_EQ(Memory.AllocCell(kCellList, 3), 1);
    const TCell& cell = Memory.Cell(0);
    EXPECT_EQ(cell.Prev, -1);
    EXPECT_EQ(cell.Next, -1);
    EXPECT_EQ(cell.FirstChild, -1);
    EXPECT_EQ(cell.LastChild, -1);
    EXPECT_EQ(cell.Value, -7);
    EXPECT_EQ(cell.Kind, kCellNumber);
    EXPECT_EQ(Memory.CellCount(), 2);
    EXPECT_EQ(Memory.AllocCount(), 2);
}

TEST(ZKMemoryLimitTest, CollectsOnlyWhenWithinTwoCellsOfFull) {
    TZKMemory memory(100, 80);
    Churn(memory, 98);
    EXPECT_EQ(memory.CellCount(), 98);
    // The 99th request finds nothing live and starts again at cell 0.
    EXPECT_EQ(memory.AllocCell(kCellNumber, 1), 0);
    EXPECT_EQ(memory.CellCount(), 1);
    EXPECT_FALSE(memory.OutOfMemory());
}

TEST(ZKMemoryLimitTest, FailsWhenLiveCellsReachTheLimit) {
    for (const int live : {79, 80, 85}) {
        TZKMemory memory(100, 80);
        TAtomTable atoms = StartAtoms();
        std::string text;
        for (int i = 0; i < live; ++i)
            text += "A ";
        memory.ValueStack().Push(memory.ParseText(text, atoms));
        Churn(memory, 98 - live);
        EXPECT_FALSE(memory.OutOfMemory()) << live;
        memory.AllocCell(kCellNumber, 1);
        EXPECT_EQ(memory.OutOfMemory(), live >= 80) << live;
        EXPECT_EQ(memory.AllocCount(), 99) << live;
        if (live < 80) {
            EXPECT_EQ(memory.CellCount(), live + 1);
            continue;
        }
        EXPECT_EQ(memory.CellCount(), live);
        memory.AllocCell(kCellNumber, 2);
        memory.AllocCell(kCellNumber, 3);
        EXPECT_TRUE(memory.OutOfMemory());
        EXPECT_EQ(memory.CellCount(), live);
        EXPECT_EQ(memory.AllocCount(), 101);
    }
}

// A large memory collects early, within a window of its array, and nobody
// may notice: the cells in use, the collections that count and the moment of
// failure are those of a memory that collects only when full.
TEST(ZKMemoryLimitTest, ALargeMemoryCountsAsIfItCollectedOnlyWhenFull) {
    constexpr int32_t kCapacity = 1 << 21;
    constexpr int32_t kLimit = kCapacity / 10 * 8;
    TZKMemory memory(kCapacity, kLimit);
    TAtomTable atoms = StartAtoms();
    const std::string live = "A (B 7) C";
    memory.ValueStack().Push(memory.ParseText(live, atoms));
    Churn(memory, kCapacity - 2 - 5);
    EXPECT_EQ(memory.CellCount(), kCapacity - 2);
    EXPECT_LT(memory.CellsTaken(), kCapacity / 4) << "no window";
    EXPECT_EQ(Text(memory, memory.ValueStack().Top(), atoms), live);
    // The next request finds the memory full: only the live value remains.
    memory.AllocCell(kCellNumber, 1);
    EXPECT_EQ(memory.CellCount(), 6);
    EXPECT_EQ(Text(memory, memory.ValueStack().Top(), atoms), live);
}

TEST(ZKMemoryLimitTest, ALargeMemoryFailsAtTheRequestThatFindsItFull) {
    constexpr int32_t kCapacity = 1 << 19;
    constexpr int32_t kLimit = 1000;
    TZKMemory memory(kCapacity, kLimit);
    TAtomTable atoms = StartAtoms();
    std::string text;
    for (int i = 0; i < kLimit; ++i)
        text += "A ";
    memory.ValueStack().Push(memory.ParseText(text, atoms));
    Churn(memory, kCapacity - 2 - kLimit);
    EXPECT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(memory.CellCount(), kCapacity - 2);
    memory.AllocCell(kCellNumber, 1);
    EXPECT_TRUE(memory.OutOfMemory());
    EXPECT_EQ(memory.CellCount(), kLimit);
    EXPECT_EQ(memory.AllocCount(), kCapacity - 1);
}

TEST(ZKMemoryLimitTest, ResetClearsCountsStacksAndTheFailure) {
    TZKMemory memory(10, 8);
    TAtomTable atoms = StartAtoms();
    memory.ValueStack().Push(memory.ParseText("A B C D E F G H", atoms));
    memory.ArgStack().Push({0, 0});
    Churn(memory, 5);
    ASSERT_TRUE(memory.OutOfMemory());
    memory.Reset();
    EXPECT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(memory.CellCount(), 0);
    EXPECT_EQ(memory.AllocCount(), 0);
    EXPECT_TRUE(memory.ValueStack().IsEmpty());
    EXPECT_TRUE(memory.ArgStack().IsEmpty());
    EXPECT_EQ(memory.Capacity(), 10);
    EXPECT_EQ(memory.AllocCell(kCellNumber, 1), 0);
}

using test::ResidentBytes;

// A large memory option costs what the run allocates, not what it may.
TEST(ZKMemoryLimitTest, TheArraysAreReservedWithoutBeingTouched) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer writes shadow memory for every allocation";
#endif
    const long before = ResidentBytes();
    if (before < 0) GTEST_SKIP() << "the system does not tell the resident memory";
    constexpr int32_t kCells = 1 << 25; // 1 GiB in each of the two arrays
    TZKMemory memory(kCells, kCells / 10 * 8);
    for (int i = 0; i < 1000; ++i)
        memory.AllocCell(kCellNumber, i);
    const long grownBytes = ResidentBytes() - before;
    EXPECT_LT(grownBytes, 64 << 20);
    EXPECT_EQ(memory.Cell(999).Value, 999);
}

// Collected within its window eight times, a large memory has touched the
// pages of one window and of the live cells, not those of a window in each
// of its two arrays.
TEST(ZKMemoryLimitTest, ALargeMemoryTakesItsCellsFromOneArray) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer writes shadow memory for every allocation";
#endif
    constexpr long kWindowBytes = (1 << 17) * sizeof(TCell);
    const long before = ResidentBytes();
    if (before < 0) GTEST_SKIP() << "the system does not tell the resident memory";
    TZKMemory memory(1 << 22, (1 << 22) / 10 * 8);
    TAtomTable atoms = StartAtoms();
    const std::string live = "A (B 7) C";
    memory.ValueStack().Push(memory.ParseText(live, atoms));
    Churn(memory, 8 << 17);
    const long grownBytes = ResidentBytes() - before;
    EXPECT_LT(grownBytes, kWindowBytes * 3 / 2);
    EXPECT_EQ(Text(memory, memory.ValueStack().Top(), atoms), live);
}

TEST(ZKMemoryLimitTest, LimitIsKeptBelowTheCapacity) {
    TZKMemory memory(10, 50);
    EXPECT_EQ(memory.Limit(), 8);
    Churn(memory, 1000);
    EXPECT_FALSE(memory.OutOfMemory());
    EXPECT_LE(memory.CellCount(), 8);
    TZKMemory none(0, 0);
    none.AllocCell(kCellNumber, 1);
    EXPECT_TRUE(none.OutOfMemory());
    EXPECT_EQ(none.CellCount(), 0);
}

TEST(ZKMemoryRootsTest, EveryKindOfRootSurvivesCollectionsUnderPressure) {
    TZKMemory memory(200, 160);
    TAtomTable atoms = StartAtoms();
    const auto parse = [&](std::string_view text) { return memory.ParseText(text, atoms); };
    memory.ValueStack().Push(parse("A (B 12) ()"));
    memory.ValueStack().Push(parse("((X) Y) -5"));
    memory.ArgStack().Push(parse("(P (Q (R)))"));
    TTreeRef seq = parse("S (T U)");
    int32_t cell = parse("(C D)").First;
    TIntStack stack;
    stack.Push(-1);
    stack.Push(parse("(E)").First);
    stack.Push(parse("F").First);
    memory.AddSeqRoot(seq);
    memory.AddRoot(cell);
    memory.AddStackRoot(stack);
    for (int round = 0; round < 10; ++round) {
        Churn(memory, 150);
        ASSERT_FALSE(memory.OutOfMemory());
        EXPECT_EQ(Text(memory, *memory.ValueStack().At(0), atoms), "((X) Y) -5");
        EXPECT_EQ(Text(memory, *memory.ValueStack().At(1), atoms), "A (B 12) ()");
        EXPECT_EQ(Text(memory, *memory.ArgStack().At(0), atoms), "(P (Q (R)))");
        EXPECT_EQ(Text(memory, seq, atoms), "S (T U)");
        EXPECT_EQ(Text(memory, {cell, cell}, atoms), "(C D)");
        const int32_t f = stack.Head()->Value;
        EXPECT_EQ(Text(memory, {f, f}, atoms), "F");
        const int32_t e = stack.Head()->Next->Value;
        EXPECT_EQ(Text(memory, {e, e}, atoms), "(E)");
        EXPECT_EQ(stack.Head()->Next->Next->Value, -1);
    }
    memory.Collect();
    // Cells of "A (B 12) ()" 5, "((X) Y) -5" 5, "(P (Q (R)))" 6, "S (T U)" 4,
    // "(C D)" 3, "(E)" 2, "F" 1.
    EXPECT_EQ(memory.CellCount(), 26);
    memory.DropStackRoots(1);
    memory.DropRoots(1);
    memory.DropSeqRoots(1);
}

TEST_F(ZKMemoryTest, CollectionKeepsArgumentsAndFreesPoppedValues) {
    Memory.ArgStack().Push(Parse("(A B) C"));
    Memory.ValueStack().Push(Parse("D E F"));
    Memory.ValueStack().Pop();
    Memory.Collect();
    EXPECT_EQ(Memory.CellCount(), 4);
    EXPECT_EQ(Show(*Memory.ArgStack().At(0)), "(A B) C");
}

TEST_F(ZKMemoryTest, SurvivorsLieInBreadthFirstOrderOfTheRoots) {
    int32_t z = Parse("Z").First;
    Memory.AddRoot(z);
    Memory.ArgStack().Push(Parse("X"));
    Memory.ValueStack().Push(Parse("(A (B)) C"));
    Memory.Collect();
    Memory.DropRoots(1);
    const TTreeRef v = *Memory.ValueStack().At(0);
    const TCell& outer = Memory.Cell(0);
    EXPECT_EQ(v.First, 0);
    EXPECT_EQ(v.Last, 1);
    // Every root comes before any contents.
    EXPECT_EQ(*Memory.ArgStack().At(0), (TTreeRef{2, 2}));
    EXPECT_EQ(z, 3);
    EXPECT_EQ(outer.FirstChild, 4);
    EXPECT_EQ(outer.LastChild, 5);
    EXPECT_EQ(Memory.Cell(5).FirstChild, 6);
    EXPECT_EQ(Show(v), "(A (B)) C");
}

TEST_F(ZKMemoryTest, SharedCellsAreCopiedOnceAndStaySharedSpans) {
    TTreeRef whole = Parse("A B C");
    TTreeRef tail = whole;
    Memory.DropFirst(tail);
    Memory.ValueStack().Push(whole);
    Memory.ValueStack().Push(tail);
    Memory.ValueStack().Push(whole);
    Churn(Memory, 50);
    Memory.Collect();
    EXPECT_EQ(Memory.CellCount(), 3);
    EXPECT_EQ(Show(*Memory.ValueStack().At(0)), "A B C");
    EXPECT_EQ(Show(*Memory.ValueStack().At(1)), "B C");
    EXPECT_EQ(Show(*Memory.ValueStack().At(2)), "A B C");
}

TEST_F(ZKMemoryTest, LinksOutsideLiveValuesBecomeNone) {
    TTreeRef v = Parse("A B C");
    Memory.DropFirst(v);
    Memory.DropLast(v);
    Memory.ValueStack().Push(v);
    Memory.Collect();
    const TTreeRef b = *Memory.ValueStack().At(0);
    EXPECT_EQ(Memory.CellCount(), 1);
    EXPECT_EQ(Memory.Cell(b.First).Prev, -1);
    EXPECT_EQ(Memory.Cell(b.First).Next, -1);
}

TEST_F(ZKMemoryTest, ConcatLinksOperandsInPlace) {
    TTreeRef left = Parse("A (B)");
    const TTreeRef right = Parse("C D");
    Memory.Concat(left, right);
    EXPECT_EQ(Show(left), "A (B) C D");
    EXPECT_EQ(left.Last, right.Last);
    EXPECT_EQ(Memory.CellCount(), 5);
}

TEST_F(ZKMemoryTest, ConcatWithAnEmptyOperandGivesTheOther) {
    TTreeRef left = kEmptyTree;
    const TTreeRef right = Parse("A B");
    Memory.Concat(left, right);
    EXPECT_EQ(left, right);
    Memory.Concat(left, kEmptyTree);
    EXPECT_EQ(left, right);
    TTreeRef none = kEmptyTree;
    Memory.Concat(none, kEmptyTree);
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ZKMemoryTest, DropFirstAndDropLast) {
    TTreeRef one = Parse("A");
    Memory.DropFirst(one);
    EXPECT_EQ(one, kEmptyTree);
    one = Parse("A");
    Memory.DropLast(one);
    EXPECT_EQ(one, kEmptyTree);
    TTreeRef abc = Parse("A B C");
    Memory.DropLast(abc);
    EXPECT_EQ(Show(abc), "A B");
    abc = Parse("A (B) C");
    Memory.DropFirst(abc);
    EXPECT_EQ(Show(abc), "(B) C");
}

TEST_F(ZKMemoryTest, WrapAndContents) {
    TTreeRef v = kEmptyTree;
    Memory.Wrap(v);
    ASSERT_FALSE(v.IsEmpty());
    EXPECT_EQ(v.First, v.Last);
    EXPECT_EQ(Memory.Cell(v.First).FirstChild, -1);
    EXPECT_EQ(Memory.Cell(v.First).LastChild, -1);
    EXPECT_EQ(Memory.Cell(v.First).Kind, kCellList);
    EXPECT_EQ(Memory.Cell(v.First).Value, 0);
    Memory.Contents(v);
    EXPECT_EQ(v, kEmptyTree);

    TTreeRef ab = Parse("A (B)");
    Memory.Wrap(ab);
    EXPECT_EQ(Show(ab), "(A (B))");
    Memory.Contents(ab);
    EXPECT_EQ(Show(ab), "A (B)");
}

TEST(ZKMemoryWrapTest, WrapProtectsItsOperand) {
    TZKMemory memory(10, 8);
    TAtomTable atoms = StartAtoms();
    TTreeRef v = memory.ParseText("A B", atoms);
    Churn(memory, 6);
    memory.Wrap(v); // collects: only A B live
    EXPECT_EQ(Text(memory, v, atoms), "(A B)");
    EXPECT_EQ(memory.CellCount(), 3);
}

TEST(ZKMemoryWrapTest, WrapThatRunsOutLeavesItsOperand) {
    TZKMemory memory(10, 8);
    TAtomTable atoms = StartAtoms();
    TTreeRef v = memory.ParseText("A B C D E F", atoms);
    memory.Wrap(v);
    memory.Wrap(v);
    ASSERT_FALSE(memory.OutOfMemory());
    memory.Wrap(v); // the collection finds all 8 cells live
    EXPECT_TRUE(memory.OutOfMemory());
    EXPECT_EQ(v.First, v.Last);
    EXPECT_EQ(Text(memory, v, atoms), "((A B C D E F))");
}

TEST_F(ZKMemoryTest, TreeEqualComparesStructure) {
    const auto equal = [&](std::string_view a, std::string_view b) {
        return Memory.TreeEqual(Parse(a), Parse(b));
    };
    EXPECT_TRUE(equal("(A B)", "(A B)"));
    EXPECT_TRUE(equal("A (B (12 ())) C", "A (B (12 ())) C"));
    EXPECT_TRUE(equal("", "  "));
    EXPECT_FALSE(equal("(A B)", "(C)"));
    EXPECT_FALSE(equal("(X) B", "X () B"));
    EXPECT_FALSE(equal("A B", "A B C"));
    EXPECT_FALSE(equal("A B C", "A B"));
    EXPECT_FALSE(equal("", "()"));
    EXPECT_FALSE(equal("()", ""));
    EXPECT_FALSE(equal("(A (B))", "(A (C))"));
    EXPECT_FALSE(equal("(())", "(()())"));
    // Atom 1 is "TRUE".
    const int32_t number = Memory.AllocCell(kCellNumber, 1);
    const int32_t atom = Memory.AllocCell(kCellList, 1);
    EXPECT_FALSE(Memory.TreeEqual({number, number}, {atom, atom}));
    EXPECT_TRUE(Memory.TreeEqual({atom, atom}, Parse("TRUE")));
}

TEST_F(ZKMemoryTest, TreeEqualSeesOnlyTheSpanOfSharedCells) {
    TTreeRef abc = Parse("A B C");
    TTreeRef ab = abc;
    Memory.DropLast(ab);
    EXPECT_TRUE(Memory.TreeEqual(ab, Parse("A B")));
    EXPECT_FALSE(Memory.TreeEqual(ab, abc));
}

TEST_F(ZKMemoryTest, CopyTreeMakesFreshCellsOfTheSameStructure) {
    TTreeRef src = Parse("A (B C) D");
    const int32_t sourceCells = Memory.CellCount();
    TTreeRef dst;
    Memory.CopyTree(src, dst);
    EXPECT_EQ(Show(dst), "A (B C) D");
    EXPECT_TRUE(Memory.TreeEqual(src, dst));
    EXPECT_GE(dst.First, sourceCells);
    EXPECT_EQ(Memory.CellCount(), 2 * sourceCells);
    // Cut the copy's sublist after B and drop its last element.
    const int32_t node = Memory.Cell(dst.First).Next;
    Memory.Cell(node).LastChild = Memory.Cell(node).FirstChild;
    Memory.DropLast(dst);
    EXPECT_EQ(Show(dst), "A (B)");
    EXPECT_EQ(Show(src), "A (B C) D");
}

TEST_F(ZKMemoryTest, CopyTreeFollowsLinksThatLeadBackwards) {
    // Joined in the opposite order of their cells: every link but those
    // inside the pieces points to an earlier cell.
    TTreeRef tail = Parse("(E F) G");
    TTreeRef middle = Parse("C D");
    TTreeRef head = Parse("A B");
    Memory.Concat(middle, tail);
    Memory.Concat(head, middle);
    const int64_t requests = Memory.AllocCount();
    TTreeRef dst;
    Memory.CopyTree(head, dst);
    EXPECT_EQ(Show(dst), "A B C D (E F) G");
    EXPECT_EQ(Memory.AllocCount() - requests, 8);
    EXPECT_EQ(Memory.Cell(dst.Last).Next, -1);
    EXPECT_EQ(Memory.Cell(dst.First).Prev, -1);
}

TEST_F(ZKMemoryTest, CopyTreeOfTheEmptyValueIsEmpty) {
    TTreeRef src = kEmptyTree;
    TTreeRef dst = Parse("A");
    Memory.CopyTree(src, dst);
    EXPECT_EQ(dst, kEmptyTree);
}

TEST(ZKMemoryCopyTest, CopyTreeSurvivesCollectionsDuringTheCopy) {
    TZKMemory memory(40, 38);
    TAtomTable atoms = StartAtoms();
    TTreeRef src = memory.ParseText("A (B (C D) ()) (E) F", atoms);
    for (int i = 0; i < 3; ++i) {
        Churn(memory, memory.Capacity() - 3 - memory.CellCount());
        TTreeRef dst;
        memory.CopyTree(src, dst);
        ASSERT_FALSE(memory.OutOfMemory());
        EXPECT_EQ(Text(memory, dst, atoms), "A (B (C D) ()) (E) F");
        EXPECT_EQ(Text(memory, src, atoms), "A (B (C D) ()) (E) F");
    }
}

TEST(ZKMemoryCopyTest, CopyTreeStopsWhenMemoryRunsOut) {
    TZKMemory memory(15, 13);
    TAtomTable atoms = StartAtoms();
    TTreeRef src = memory.ParseText("A (B C) D", atoms);
    memory.ValueStack().Push(src);
    TTreeRef dst;
    memory.CopyTree(src, dst);
    EXPECT_FALSE(memory.OutOfMemory());
    memory.ValueStack().Push(dst);
    TTreeRef third;
    memory.CopyTree(src, third);
    EXPECT_TRUE(memory.OutOfMemory());
    // The top level is complete; B does not fit in the list.
    EXPECT_EQ(Text(memory, third, atoms), "A () D");
}

TEST_F(ZKMemoryTest, ParseTextReadsAtomsNumbersAndLists) {
    const TTreeRef v = Parse("A (B 12) ()");
    EXPECT_EQ(Show(v), "A (B 12) ()");
    const TCell& a = Memory.Cell(v.First);
    EXPECT_EQ(a.Kind, kCellList);
    EXPECT_EQ(a.Value, Atoms.Find("A"));
    const TCell& list = Memory.Cell(a.Next);
    EXPECT_EQ(list.Value, 0);
    EXPECT_EQ(Memory.Cell(list.LastChild).Kind, kCellNumber);
    EXPECT_EQ(Memory.Cell(list.LastChild).Value, 12);
    EXPECT_EQ(Memory.Cell(list.LastChild).Prev, list.FirstChild);
    const TCell& empty = Memory.Cell(v.Last);
    EXPECT_EQ(empty.FirstChild, -1);
    EXPECT_EQ(empty.LastChild, -1);
    EXPECT_EQ(empty.Prev, a.Next);
}

TEST_F(ZKMemoryTest, ParseTextOfBlanksAndOfAnEmptyList) {
    EXPECT_EQ(Parse("   "), kEmptyTree);
    EXPECT_EQ(Parse(""), kEmptyTree);
    const TTreeRef v = Parse("() ");
    ASSERT_EQ(v.First, v.Last);
    EXPECT_EQ(Memory.Cell(v.First).FirstChild, -1);
    EXPECT_EQ(Memory.Cell(v.First).LastChild, -1);
}

TEST_F(ZKMemoryTest, ParseTextTellsNumbersFromAtoms) {
    const TTreeRef v = Parse("-2147483648 2147483647 2147483648 -7 - 1X");
    EXPECT_EQ(Show(v), "-2147483648 2147483647 2147483648 -7 - 1X");
    const int32_t kinds[] = {kCellNumber, kCellNumber, kCellList,
                             kCellNumber, kCellList,   kCellList};
    int32_t cell = v.First;
    for (const int32_t kind : kinds) {
        EXPECT_EQ(Memory.Cell(cell).Kind, kind);
        cell = Memory.Cell(cell).Next;
    }
    EXPECT_EQ(Memory.Cell(v.First).Value, -2147483648LL);
}

TEST_F(ZKMemoryTest, ParseTextUpperCasesAndReusesAtoms) {
    const int32_t count = Atoms.Count();
    const TTreeRef v = Parse("abc Abc true \xE0\xE1");
    EXPECT_EQ(Show(v), "ABC ABC TRUE \xC0\xC1");
    EXPECT_EQ(Atoms.Count(), count + 2);
    EXPECT_EQ(Memory.Cell(v.First).Value, count);
    EXPECT_EQ(Memory.Cell(Memory.Cell(v.First).Next).Value, count);
    EXPECT_EQ(Memory.Cell(Memory.Cell(Memory.Cell(v.First).Next).Next).Value, 1);
}

TEST_F(ZKMemoryTest, ParseTextSkipsWhatMakesNoToken) {
    EXPECT_EQ(Show(Parse("A\tB,C")), "A B C");
    EXPECT_EQ(Show(Parse("A ) B ((C")), "A B ((C))");
    EXPECT_EQ(Show(Parse(")")), "");
}

TEST(ZKMemoryParseTest, TheClassicLanguageReadsNoDigits) {
    ClassicLanguage = true;
    TZKMemory memory(100, 80);
    TAtomTable atoms = StartAtoms();
    const TTreeRef v = memory.ParseText("A1 (B 12)", atoms);
    ClassicLanguage = false;
    EXPECT_EQ(Text(memory, v, atoms), "A (B)");
}

TEST(ZKMemoryParseTest, ParseTextStopsWhenMemoryRunsOut) {
    TZKMemory memory(10, 8);
    TAtomTable atoms = StartAtoms();
    const TTreeRef v = memory.ParseText("A (B C) D E F G H I J K", atoms);
    EXPECT_TRUE(memory.OutOfMemory());
    EXPECT_EQ(Text(memory, v, atoms), "A (B C) D E F G");
}

TEST(ZKMemoryParseTest, ParseTextSurvivesCollectionsWhileReading) {
    TZKMemory memory(30, 28);
    TAtomTable atoms = StartAtoms();
    const std::string text = "(A (B C) D) E ((F)) 1 2 3";
    for (int i = 0; i < 5; ++i) {
        Churn(memory, memory.Capacity() - 3 - memory.CellCount());
        const TTreeRef v = memory.ParseText(text, atoms);
        ASSERT_FALSE(memory.OutOfMemory());
        EXPECT_EQ(Text(memory, v, atoms), text);
    }
}

TEST(ZKMemoryDeepTest, AMillionLevelsAreReadComparedCopiedAndCollected) {
    constexpr int kDepth = 1'000'000;
    TZKMemory memory(2'500'000, 2'400'000);
    TAtomTable atoms = StartAtoms();
    const std::string text = std::string(kDepth, '(') + "A" + std::string(kDepth, ')');
    TTreeRef src = memory.ParseText(text, atoms);
    ASSERT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(memory.CellCount(), kDepth + 1);
    memory.ValueStack().Push(src);
    const TTreeRef other =
        memory.ParseText(std::string(kDepth, '(') + "B" + std::string(kDepth, ')'), atoms);
    EXPECT_FALSE(memory.TreeEqual(src, other));
    // The copy fills the array and collects half-way, which frees `other`.
    TTreeRef copy;
    memory.CopyTree(src, copy);
    ASSERT_FALSE(memory.OutOfMemory());
    EXPECT_EQ(memory.CellCount(), 2 * (kDepth + 1));
    EXPECT_TRUE(memory.TreeEqual(src, copy));
    memory.ValueStack().Push(copy);

    memory.Collect();
    EXPECT_EQ(memory.CellCount(), 2 * (kDepth + 1));
    const TTreeRef kept = *memory.ValueStack().At(0);
    EXPECT_TRUE(memory.TreeEqual(kept, *memory.ValueStack().At(1)));
    int depth = 0;
    int32_t cell = kept.First;
    while (memory.Cell(cell).Value == 0) {
        const TCell& node = memory.Cell(cell);
        ASSERT_EQ(node.FirstChild, node.LastChild);
        cell = node.FirstChild;
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(atoms[static_cast<int32_t>(memory.Cell(cell).Value)], "A");
}

TEST(ZKMemoryDeathTest, OverflowingARootTableAborts) {
    TZKMemory memory(10, 8);
    TTreeRef seqs[5];
    for (int i = 0; i < 4; ++i)
        memory.AddSeqRoot(seqs[i]);
    EXPECT_DEATH(memory.AddSeqRoot(seqs[4]),
                 "internal error: SeqRoots\\.AddSeqRoot beyond the root table");
    EXPECT_DEATH(memory.DropRoots(1),
                 "internal error: CellRoots\\.DropRoots beyond the root table");
    TIntStack stacks[6];
    for (int i = 0; i < 5; ++i)
        memory.AddStackRoot(stacks[i]);
    EXPECT_DEATH(memory.AddStackRoot(stacks[5]),
                 "internal error: StackRoots\\.AddStackRoot beyond the root table");
    int32_t cells[31];
    for (int i = 0; i < 30; ++i)
        memory.AddRoot(cells[i]);
    EXPECT_DEATH(memory.AddRoot(cells[30]),
                 "internal error: CellRoots\\.AddRoot beyond the root table");
}

// An immediate number shared by both stacks is one cell: a collection keeps
// it once, with its number, and the values that refer to it become cells.
TEST(ZKMemoryImmediateTest, ASharedImmediateNumberSurvivesACollectionAsOneCell) {
    TZKMemory memory(100, 80);
    const int32_t cell = memory.TakeCells(1);
    const TTreeRef number = ImmediateNumber(cell, -1);
    ASSERT_TRUE(number.IsImmediate());
    ASSERT_FALSE(number.IsEmpty()); // the number -1 is no empty value
    memory.ValueStack().Push(number);
    memory.ArgStack().Push(number);
    memory.TakeCells(10); // dead cells
    memory.Collect();
    EXPECT_EQ(memory.CellCount(), 1);
    const TTreeRef value = memory.ValueStack().Top();
    const TTreeRef arg = memory.ArgStack().Top();
    ASSERT_FALSE(value.IsImmediate());
    EXPECT_EQ(value, arg);
    EXPECT_EQ(value.First, value.Last);
    EXPECT_EQ(memory.Cell(value.First).Kind, kCellNumber);
    EXPECT_EQ(memory.Cell(value.First).Value, -1);
}

// Written into its cell again from a second share, a number keeps the link
// that joining set meanwhile.
TEST(ZKMemoryImmediateTest, MaterializingKeepsTheLinksToNeighbours) {
    TZKMemory memory(100, 80);
    const int32_t cell = memory.TakeCells(1);
    TTreeRef first = ImmediateNumber(cell, 7);
    TTreeRef second = first;
    memory.Materialize(first);
    TTreeRef joined = first;
    const int32_t atom = memory.AllocCell(kCellList, 1);
    memory.Concat(joined, {atom, atom});
    memory.Materialize(second);
    EXPECT_EQ(second, (TTreeRef{cell, cell}));
    EXPECT_EQ(memory.Cell(cell).Next, atom);
    EXPECT_EQ(memory.Cell(cell).Value, 7);
}

} // namespace
} // namespace zk
