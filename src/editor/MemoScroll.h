// One scroll record of the editor per direction: its position (the first
// visible column or row), range, line step, page size and largest position,
// and the positions that scroll requests ask for.
#pragma once

#include <cstdint>

namespace zk::editor {

enum class TScrollKind : uint8_t { Horizontal = 0, Vertical = 1 };

enum class TScrollRequest : uint8_t {
    LineUp,   // or left
    LineDown, // or right
    PageUp,
    PageDown,
    ThumbTrack,
    ThumbPosition,
    Top,
    Bottom,
};

class TDCMemoScroll {
public:
    explicit TDCMemoScroll(TScrollKind kind) : Kind_(kind) {}

    TScrollKind Kind() const { return Kind_; }
    int32_t Position() const { return Position_; }
    int32_t Range() const { return Range_; }
    int32_t LineStep() const { return 1; }
    int32_t PageSize() const { return PageSize_; }
    int32_t LargestPos() const { return LargestPos_; }
    // The maximum of a platform bar whose page step is PageSize: the thumb's
    // last position is the range less the page plus one, as on Windows.
    int32_t BarMaximum() const;

    // Sets the metrics; the position is clamped to the new largest position.
    // Returns how far the position moved.
    int32_t SetMetrics(int32_t range, int32_t pageSize, int32_t largestPos);
    // The position `request` asks for; thumbPos serves the thumb requests.
    int32_t Requested(TScrollRequest request, int32_t thumbPos) const;
    // Clamps `position` to 0 .. LargestPos and returns how far it moved.
    int32_t SetPosition(int64_t position);

private:
    TScrollKind Kind_;
    int32_t Position_ = 0;
    int32_t Range_ = 0;
    int32_t PageSize_ = 0;
    int32_t LargestPos_ = 0;
};

} // namespace zk::editor
