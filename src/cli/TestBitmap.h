// The expected picture of a test: a Windows bitmap read into its pixels, to
// be compared with the picture a run draws. Reads the uncompressed 24- and
// 32-bit bitmaps that zk and common image tools write; the bytes come from a
// user's file, so every size and offset is checked before it is used.
#pragma once

#include "interp/Canvas.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::cli {

struct TBitmap {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<TRgb> Pixels; // rows from the top, each left to right

    TRgb At(int32_t x, int32_t y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                      static_cast<std::size_t>(x)];
    }
};

// False with the reason (UTF-8) when the bytes are no bitmap of that kind,
// or a larger one than any picture (640 x 480).
bool DecodeBitmap(std::string_view bytes, TBitmap& bitmap, std::string& fault);

} // namespace zk::cli
