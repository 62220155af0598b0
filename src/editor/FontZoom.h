// The size of the editor's font in whole points. Zooming steps it by one
// point within kMinFontPoints to kMaxFontPoints; resetting returns to the
// base size, the one the font was set with. The view applies each new size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace zk::editor {

inline constexpr int32_t kMinFontPoints = 6;
// The sizes the options allow, so that a chosen size is never cut by a zoom.
inline constexpr int32_t kMaxFontPoints = 72;
inline constexpr int32_t kDefaultFontPoints = 10;

class TFontZoom {
public:
    int32_t Points() const { return Points_; }
    // A new base, which is the size from now on too.
    void SetBase(int32_t points) {
        Base_ = Clamped(points);
        SetPoints(Base_);
    }
    void SetPoints(int32_t points) {
        points = Clamped(points);
        if (points == Points_) return;
        Points_ = points;
        if (OnChanged) OnChanged(Points_);
    }
    // Larger for positive steps, smaller for negative ones.
    void Step(int32_t steps) {
        SetPoints(Points_ + std::clamp(steps, -kMaxFontPoints, kMaxFontPoints));
    }
    void Reset() { SetPoints(Base_); }

    std::function<void(int32_t points)> OnChanged;

private:
    static int32_t Clamped(int32_t points) {
        return std::clamp(points, kMinFontPoints, kMaxFontPoints);
    }

    int32_t Base_ = kDefaultFontPoints;
    int32_t Points_ = kDefaultFontPoints;
};

} // namespace zk::editor
