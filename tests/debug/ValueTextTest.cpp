// Values as the stepper shows them: cut at a depth and a length, and whole,
// built in slices, exactly as the plain rendering makes it.
#include "debug/ValueText.h"
#include "frontend/Cp1251.h"
#include "interp/TextFormat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zk::test {
namespace {

class ValueTextTest : public ::testing::Test {
protected:
    TTreeRef Value(std::string_view text) {
        return Memory.ParseText(std::string(text) + " ", Atoms);
    }
    std::string Cut(std::string_view text, TValueCut cut = {}) {
        return Cp1251ToUtf8(CutText(Memory, Value(text), Atoms, cut).Text);
    }

    TZKMemory Memory{1 << 16, 1 << 15};
    TAtomTable Atoms = TPCode().Atoms; // "", TRUE, FALSE
};

TEST_F(ValueTextTest, ACutTextStopsAtItsDepthAndItsLength) {
    EXPECT_EQ(Cut(""), "");
    EXPECT_EQ(Cut("A (B C) -5 ()"), "A (B C) -5 ()");
    EXPECT_EQ(Cut("(A (B (C (D))))"), "(A (B (C (…))))");
    EXPECT_EQ(Cut("(A (B (C (D))))", {1, 60}), "(A (…))");
    EXPECT_EQ(Cut("ABC DEF", {3, 7}), "ABC DEF");
    EXPECT_EQ(Cut("ABC DEFG", {3, 7}), "ABC DEF…");
    EXPECT_EQ(Cut("(ABCDEFGH)", {3, 4}), "(ABC…");
    const TCutText whole = CutText(Memory, Value("A B"), Atoms, {});
    EXPECT_FALSE(whole.Cut);
    EXPECT_TRUE(CutText(Memory, Value("((A))"), Atoms, {1, 60}).Cut);
}

TEST_F(ValueTextTest, ShownArgumentsWrapAllButOneElement) {
    EXPECT_EQ(Cp1251ToUtf8(ShownArgument(Memory, Value("A"), Atoms, {})), "A");
    EXPECT_EQ(Cp1251ToUtf8(ShownArgument(Memory, Value("(A B)"), Atoms, {})), "(A B)");
    EXPECT_EQ(Cp1251ToUtf8(ShownArgument(Memory, Value("A B"), Atoms, {})), "«A B»");
    EXPECT_EQ(Cp1251ToUtf8(ShownArgument(Memory, kEmptyTree, Atoms, {})), "«»");
    EXPECT_EQ(CallText("F", {"1", "\xAB\xBB"}), "(F 1 \xAB\xBB)");
}

// Random values built of atoms, numbers and nested lists, sliced a few
// characters at a time: the same text as the plain rendering.
TEST_F(ValueTextTest, TheWholeTextInSlicesIsThePlainRendering) {
    std::mt19937 random(17);
    for (int i = 0; i < 300; ++i) {
        std::string text;
        int open = 0;
        const int words = static_cast<int>(random() % 40);
        for (int w = 0; w < words; ++w) {
            switch (random() % 5) {
            case 0:
                text += " (";
                ++open;
                break;
            case 1:
                if (open > 0) {
                    text += ")";
                    --open;
                }
                break;
            case 2:
                text.append(" ").append(std::to_string(static_cast<int>(random() % 2000) - 1000));
                break;
            default: text.append(" W").append(std::to_string(random() % 30));
            }
        }
        text.append(static_cast<std::size_t>(open), ')');
        const TTreeRef value = Value(text);
        TValueSlicer slicer(Memory, value, Atoms);
        while (slicer.Next(1 + random() % 7)) {}
        EXPECT_TRUE(slicer.Done());
        EXPECT_EQ(slicer.Text(), ToText(Memory, value, Atoms)) << text;
    }
}

TEST_F(ValueTextTest, ASlicerTurnsStaleWhenTheRunMovesOn) {
    const TTreeRef value = Value("A B C D E F");
    std::atomic<uint64_t> generation{3};
    TValueSlicer slicer(Memory, value, Atoms, &generation, 3);
    EXPECT_TRUE(slicer.Next(2));
    generation = 4;
    EXPECT_FALSE(slicer.Next(100));
    EXPECT_TRUE(slicer.Stale());
    EXPECT_FALSE(slicer.Done());
    EXPECT_EQ(TValueSlicer("X ").Text(), "X ");
}

} // namespace
} // namespace zk::test
