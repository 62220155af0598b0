// A value of the tree memory: the sequence of cells that starts at First and
// follows Next until Last. Both indexes are -1 for the empty value, or both
// are valid cell indexes.
#pragma once

#include <cstdint>

namespace zk {

// Aligned as the one 64-bit word that the stacks write it as.
struct alignas(8) TTreeRef {
    int32_t Last = -1;
    int32_t First = -1;

    constexpr bool IsEmpty() const { return Last == -1; }
    // A number made and not yet kept: its cell is taken and counted, but the
    // number lives here until the value is kept (see TZKMemory::Materialize).
    constexpr bool IsImmediate() const { return Last <= -2; }
    friend constexpr bool operator==(const TTreeRef&, const TTreeRef&) = default;
};

inline constexpr TTreeRef kEmptyTree{-1, -1};

// The immediate number `value` whose cell is `cell`: Last holds -2 - cell,
// First the number, which is why only numbers of 32 bits are immediate.
constexpr TTreeRef ImmediateNumber(int32_t cell, int32_t value) {
    return {-2 - cell, value};
}
constexpr int32_t ImmediateCell(const TTreeRef& v) {
    return -2 - v.Last;
}
constexpr bool FitsImmediate(int64_t value) {
    return value == static_cast<int32_t>(value);
}

} // namespace zk
