// Line starts found in one pass; a lookup is a binary search.
#include "analysis/LineIndex.h"

#include <algorithm>

namespace zk::analysis {

TLineIndex::TLineIndex(std::string_view text) : Size_(static_cast<int32_t>(text.size())) {
    Starts_.push_back(0);
    for (int32_t i = 0; i < Size_; ++i) {
        const char c = text[static_cast<std::size_t>(i)];
        if (c != '\n' && c != '\r') continue;
        Ends_.push_back(i);
        if (c == '\r' && i + 1 < Size_ && text[static_cast<std::size_t>(i) + 1] == '\n') ++i;
        Starts_.push_back(i + 1);
    }
    Ends_.push_back(Size_);
}

TLineColumn TLineIndex::ToLineColumn(int32_t offset) const {
    offset = std::clamp(offset, 0, Size_);
    const auto after = std::upper_bound(Starts_.begin(), Starts_.end(), offset);
    const auto line = static_cast<int32_t>(after - Starts_.begin()) - 1;
    return {line, offset - Starts_[static_cast<std::size_t>(line)]};
}

int32_t TLineIndex::ToOffset(TLineColumn place) const {
    if (place.Line < 0) return 0;
    if (place.Line >= LineCount()) return Size_;
    const int32_t start = LineStart(place.Line);
    return start + std::clamp(place.Column, 0, LineEnd(place.Line) - start);
}

int32_t TLineIndex::LineStart(int32_t line) const {
    return Starts_[static_cast<std::size_t>(std::clamp(line, 0, LineCount() - 1))];
}

int32_t TLineIndex::LineEnd(int32_t line) const {
    return Ends_[static_cast<std::size_t>(std::clamp(line, 0, LineCount() - 1))];
}

} // namespace zk::analysis
