// The breakpoint list: a vector sorted by row. A text holds a handful of
// breakpoints, so moving them on an inserted or deleted line is a short walk,
// and a text without any costs one test.
#include "editor/Breakpoints.h"

#include <algorithm>
#include <utility>

namespace zk::editor {

std::vector<TBreakpoint>::iterator TBreakpointList::Find(int32_t row) {
    return std::lower_bound(Items_.begin(), Items_.end(), row,
                            [](const TBreakpoint& b, int32_t r) { return b.Row < r; });
}

std::vector<TBreakpoint>::const_iterator TBreakpointList::Find(int32_t row) const {
    return std::lower_bound(Items_.begin(), Items_.end(), row,
                            [](const TBreakpoint& b, int32_t r) { return b.Row < r; });
}

std::optional<TBreakpointState> TBreakpointList::At(int32_t row) const {
    const auto it = Find(row);
    if (it == Items_.end() || it->Row != row) return std::nullopt;
    return it->State;
}

bool TBreakpointList::Set(int32_t row, TBreakpointState state) {
    const auto it = Find(row);
    if (it == Items_.end() || it->Row != row) {
        Items_.insert(it, {row, state});
        return true;
    }
    return std::exchange(it->State, state) != state;
}

bool TBreakpointList::Clear(int32_t row) {
    const auto it = Find(row);
    if (it == Items_.end() || it->Row != row) return false;
    Items_.erase(it);
    return true;
}

void TBreakpointList::LinesInserted(int32_t first, int32_t count) {
    for (auto it = Find(first); it != Items_.end(); ++it)
        it->Row += count;
}

void TBreakpointList::LinesDeleted(int32_t first, int32_t count) {
    const auto from = Find(first);
    const auto to = Find(first + count);
    for (auto it = to; it != Items_.end(); ++it)
        it->Row -= count;
    Items_.erase(from, to);
}

void TBreakpointList::Move(int32_t from, int32_t to) {
    if (from == to) return;
    const std::optional<TBreakpointState> state = At(from);
    Clear(from);
    if (state)
        Set(to, *state);
    else
        Clear(to);
}

} // namespace zk::editor
