// Scroll records: clamping and the requests of a scroll bar.
#include "editor/MemoScroll.h"

#include <algorithm>

namespace zk::editor {

int32_t TDCMemoScroll::BarMaximum() const {
    return std::max(0, Range_ - std::max(PageSize_, 1) + 1);
}

int32_t TDCMemoScroll::SetMetrics(int32_t range, int32_t pageSize, int32_t largestPos) {
    Range_ = range;
    PageSize_ = pageSize;
    LargestPos_ = std::max(0, largestPos);
    return SetPosition(Position_);
}

int32_t TDCMemoScroll::Requested(TScrollRequest request, int32_t thumbPos) const {
    const int64_t page = std::max(PageSize_, 1);
    int64_t target = Position_;
    switch (request) {
    case TScrollRequest::LineUp: target -= LineStep(); break;
    case TScrollRequest::LineDown: target += LineStep(); break;
    case TScrollRequest::PageUp: target -= page; break;
    case TScrollRequest::PageDown: target += page; break;
    case TScrollRequest::ThumbTrack:
    case TScrollRequest::ThumbPosition: target = thumbPos; break;
    case TScrollRequest::Top: target = 0; break;
    case TScrollRequest::Bottom: target = LargestPos_; break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(target, 0, LargestPos_));
}

int32_t TDCMemoScroll::SetPosition(int64_t position) {
    const auto clamped = static_cast<int32_t>(std::clamp<int64_t>(position, 0, LargestPos_));
    const int32_t moved = clamped - Position_;
    Position_ = clamped;
    return moved;
}

} // namespace zk::editor
