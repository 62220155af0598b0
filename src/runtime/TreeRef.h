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
    friend constexpr bool operator==(const TTreeRef&, const TTreeRef&) = default;
};

inline constexpr TTreeRef kEmptyTree{-1, -1};

} // namespace zk
