// The breakpoints of a text: at most one per row, set or invalid (on a line
// where no form starts; the window decides which), kept in row order. The
// list knows how rows move when lines are inserted or deleted; which line a
// breakpoint belongs to when an edit splits or joins lines is the model's
// rule (TMemoModel), told here through Move.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zk::editor {

enum class TBreakpointState : uint8_t { Set, Invalid };

struct TBreakpoint {
    int32_t Row = 0;
    TBreakpointState State = TBreakpointState::Set;
    friend bool operator==(const TBreakpoint&, const TBreakpoint&) = default;
};

class TBreakpointList {
public:
    const std::vector<TBreakpoint>& All() const { return Items_; }
    bool Empty() const { return Items_.empty(); }
    std::optional<TBreakpointState> At(int32_t row) const;
    // Both say whether the list changed.
    bool Set(int32_t row, TBreakpointState state);
    bool Clear(int32_t row);
    void ClearAll() { Items_.clear(); }

    // `count` lines inserted at row `first`: the breakpoints from there on
    // move down with their lines.
    void LinesInserted(int32_t first, int32_t count);
    // Rows `first` to `first + count - 1` deleted: their breakpoints go, and
    // those below move up.
    void LinesDeleted(int32_t first, int32_t count);
    // Row `to` takes the breakpoint of row `from`, or none when it has none.
    void Move(int32_t from, int32_t to);

private:
    std::vector<TBreakpoint>::iterator Find(int32_t row);
    std::vector<TBreakpoint>::const_iterator Find(int32_t row) const;

    std::vector<TBreakpoint> Items_;
};

} // namespace zk::editor
