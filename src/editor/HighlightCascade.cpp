// The re-highlight cascade over the pending lines.
#include "editor/HighlightCascade.h"

#include <algorithm>

namespace zk::editor {

namespace {

// How many lines an idle slice settles between looks at the clock.
constexpr int kLinesPerClockCheck = 64;

} // namespace

bool THighlightCascade::Highlight(int32_t row) {
    const TLineState start = row == 0 ? TLineState{} : Lines_.Item(row - 1).Syntax.End;
    TLineSyntax& syntax = Lines_.SyntaxOf(row);
    const TLineState oldEnd = syntax.End;
    Syntax_.HighlightLine(Lines_.Get(row), start, syntax);
    return syntax.End != oldEnd;
}

void THighlightCascade::AddPending(int32_t row) {
    if (row >= Lines_.Count()) return;
    const auto at = std::lower_bound(Pending_.begin(), Pending_.end(), row);
    if (at == Pending_.end() || *at != row) Pending_.insert(at, row);
}

void THighlightCascade::Touch(int32_t row) {
    TouchedFirst_ = TouchedFirst_ < 0 ? row : std::min(TouchedFirst_, row);
    TouchedLast_ = std::max(TouchedLast_, row);
}

void THighlightCascade::LinesChanged(int32_t first, int32_t last) {
    // The changed lines are highlighted in order, so each starts from the
    // fresh end state of the one above; pending marks among them are settled.
    const auto from = std::lower_bound(Pending_.begin(), Pending_.end(), first);
    Pending_.erase(from, std::upper_bound(from, Pending_.end(), last));
    for (int32_t row = first; row <= last; ++row)
        Highlight(row);
    AddPending(last + 1);
}

void THighlightCascade::LinesInserted(int32_t first, int32_t last) {
    const int32_t count = last - first + 1;
    for (int32_t& row : Pending_)
        if (row >= first) row += count;
    LinesChanged(first, last);
}

void THighlightCascade::LinesDeleted(int32_t first, int32_t last) {
    const int32_t count = last - first + 1;
    const auto from = std::lower_bound(Pending_.begin(), Pending_.end(), first);
    const auto to = std::upper_bound(from, Pending_.end(), last);
    for (auto it = to; it != Pending_.end(); ++it)
        *it -= count;
    Pending_.erase(from, to);
    AddPending(first);
}

void THighlightCascade::HighlightAll() {
    Pending_.clear();
    for (int32_t row = 0; row < Lines_.Count(); ++row)
        Highlight(row);
}

void THighlightCascade::Settle(std::size_t index) {
    const int32_t row = Pending_[index];
    Pending_.erase(Pending_.begin() + static_cast<std::ptrdiff_t>(index));
    if (row >= Lines_.Count()) return;
    const TLineState start = row == 0 ? TLineState{} : Lines_.Item(row - 1).Syntax.End;
    if (Lines_.Item(row).Syntax.Start == start) return;
    Touch(row);
    if (Highlight(row) && row + 1 < Lines_.Count() &&
        (index == Pending_.size() || Pending_[index] != row + 1))
        Pending_.insert(Pending_.begin() + static_cast<std::ptrdiff_t>(index), row + 1);
}

void THighlightCascade::RunWithin(int32_t first, int32_t last) {
    auto index = static_cast<std::size_t>(
        std::lower_bound(Pending_.begin(), Pending_.end(), first) - Pending_.begin());
    while (index < Pending_.size() && Pending_[index] <= last)
        Settle(index);
}

bool THighlightCascade::RunUntil(std::chrono::steady_clock::time_point deadline) {
    for (int settled = 0; !Pending_.empty(); ++settled) {
        if (settled > 0 && settled % kLinesPerClockCheck == 0 &&
            std::chrono::steady_clock::now() >= deadline)
            break;
        Settle(0);
    }
    return Pending();
}

std::optional<TRowSpan> THighlightCascade::TakeTouched() {
    if (TouchedFirst_ < 0) return std::nullopt;
    const TRowSpan span{TouchedFirst_, TouchedLast_};
    TouchedFirst_ = TouchedLast_ = -1;
    return span;
}

} // namespace zk::editor
