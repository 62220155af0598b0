// The instruction's callee name: a text with value semantics that costs one
// pointer when empty.
#include "pcode/PCode.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

// A loaded program file holds one record per byte of Nops.
static_assert(sizeof(TPInstr) <= 4 * sizeof(int32_t) + sizeof(void*));

TEST(InstrName, CopiesAreIndependentAndAnEmptyTextIsNoName) {
    TInstrName name = std::string("REVERSE");
    TInstrName copy = name;
    name.clear();
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(name, "");
    EXPECT_EQ(copy, "REVERSE");
    copy = TInstrName("");
    EXPECT_TRUE(copy.empty());
    TPInstr call{0, opGoto, kCallByName, 2, "APPEND"};
    const TPInstr moved = std::move(call);
    EXPECT_EQ(moved.Name, "APPEND");
    EXPECT_EQ(moved.Name.Text().size(), 6u);
}

} // namespace
} // namespace zk
