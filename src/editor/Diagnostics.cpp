// The diagnostic marks, sorted by their start. An edit moves every mark
// after it by the same rule, so the order holds; and since no edit makes a
// mark taller without touching it, the tallest span found when the marks
// were set bounds how far above a row the marks reaching into it can start.
#include "editor/Diagnostics.h"

#include <algorithm>

namespace zk::editor {

namespace {

// Where a point at or after `to` goes when the text from `from` to `to`
// becomes a text ending at `end`.
TTextPoint Moved(TTextPoint point, TTextPoint to, TTextPoint end) {
    if (point.Row == to.Row) return {end.Col + point.Col - to.Col, end.Row};
    return {point.Col, point.Row + end.Row - to.Row};
}

bool Touches(const TDiagnosticMark& mark, TTextPoint from, TTextPoint to) {
    if (mark.From == mark.To) return from <= mark.From && mark.From <= to;
    return from < mark.To && to > mark.From;
}

void Widen(std::optional<TRowSpan>& span, const TDiagnosticMark& mark) {
    if (!span) {
        span = TRowSpan{mark.From.Row, mark.To.Row};
        return;
    }
    span->First = std::min(span->First, mark.From.Row);
    span->Last = std::max(span->Last, mark.To.Row);
}

} // namespace

void TDiagnosticList::Set(std::vector<TDiagnosticMark> marks) {
    Items_ = std::move(marks);
    Sort();
    Tallest_ = 0;
    for (const TDiagnosticMark& mark : Items_)
        Tallest_ = std::max(Tallest_, mark.To.Row - mark.From.Row);
}

void TDiagnosticList::Clear() {
    Items_.clear();
    Tallest_ = 0;
}

void TDiagnosticList::Sort() {
    std::stable_sort(Items_.begin(), Items_.end(), [](const auto& a, const auto& b) {
        return a.From < b.From || (a.From == b.From && a.To < b.To);
    });
}

std::size_t TDiagnosticList::FirstReaching(int32_t row) const {
    const auto first =
        std::lower_bound(Items_.begin(), Items_.end(), row - Tallest_,
                         [](const TDiagnosticMark& mark, int32_t r) { return mark.From.Row < r; });
    return static_cast<std::size_t>(first - Items_.begin());
}

std::optional<TRowSpan> TDiagnosticList::Edited(TTextPoint from, TTextPoint to, TTextPoint end) {
    std::optional<TRowSpan> dropped;
    auto kept = Items_.begin() + static_cast<std::ptrdiff_t>(FirstReaching(from.Row));
    for (auto it = kept; it != Items_.end(); ++it) {
        if (Touches(*it, from, to)) {
            Widen(dropped, *it);
            continue;
        }
        if (it->From >= to) {
            it->From = Moved(it->From, to, end);
            it->To = Moved(it->To, to, end);
        }
        if (kept != it) *kept = *it;
        ++kept;
    }
    Items_.erase(kept, Items_.end());
    return dropped;
}

std::optional<TRowSpan> TDiagnosticList::DropRows(int32_t first, int32_t last) {
    std::optional<TRowSpan> dropped;
    std::erase_if(Items_, [&](const TDiagnosticMark& mark) {
        if (mark.From.Row > last || mark.To.Row < first) return false;
        Widen(dropped, mark);
        return true;
    });
    return dropped;
}

std::vector<const TDiagnosticMark*> TDiagnosticList::On(int32_t row) const {
    std::vector<const TDiagnosticMark*> marks;
    for (std::size_t i = FirstReaching(row); i < Items_.size() && Items_[i].From.Row <= row; ++i)
        if (Items_[i].To.Row >= row) marks.push_back(&Items_[i]);
    return marks;
}

} // namespace zk::editor
