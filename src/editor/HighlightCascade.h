// Keeps the highlighting of the line store current without rescanning it.
// A changed or inserted line is highlighted at once. A line whose start
// state may no longer equal the end state of the line above is pending; the
// cascade re-highlights a pending line when the states differ, and the next
// line becomes pending when the line's end state changed. Synchronous work
// stops at the last visible row; idle slices take the rest, so typing costs
// the same on a line of a hundred thousand as on one of ten.
#pragma once

#include "editor/MemoStrings.h"
#include "editor/TextArea.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace zk::editor {

class THighlightCascade {
public:
    THighlightCascade(TDCMemoStrings& lines, TDCCustomSyntaxData& syntax)
        : Lines_(lines), Syntax_(syntax) {}

    // The line store's notices, in the order it sends them.
    void LinesChanged(int32_t first, int32_t last);
    void LinesInserted(int32_t first, int32_t last);
    void LinesDeleted(int32_t first, int32_t last);
    void LinesCleared() { Pending_.clear(); }

    void HighlightAll();
    // Settles the pending lines from `first` to `last` only (the visible ones).
    void RunWithin(int32_t first, int32_t last);
    // Settles pending lines from the lowest until none is left or the
    // deadline passes; true while work remains.
    bool RunUntil(std::chrono::steady_clock::time_point deadline);
    bool Pending() const { return !Pending_.empty(); }

    // The rows re-highlighted by the cascade since the last call.
    std::optional<TRowSpan> TakeTouched();

private:
    // Re-highlights `row` from the end state above; true when its own end
    // state changed.
    bool Highlight(int32_t row);
    // Settles the pending row at Pending_[index], which it removes; a row
    // that becomes pending takes its place.
    void Settle(std::size_t index);
    void AddPending(int32_t row);
    void Touch(int32_t row);

    TDCMemoStrings& Lines_;
    TDCCustomSyntaxData& Syntax_;
    std::vector<int32_t> Pending_; // ascending, each row once
    int32_t TouchedFirst_ = -1;
    int32_t TouchedLast_ = -1;
};

} // namespace zk::editor
