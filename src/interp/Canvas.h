// The drawing surface of the picture commands, seen by the interpreter only
// through this interface: the desktop program and the command-line tool draw
// on an image, the tests of the command language on a recording canvas.
#pragma once

#include <cstdint>
#include <string_view>

namespace zk {

struct TRgb {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;

    friend constexpr bool operator==(const TRgb&, const TRgb&) = default;
};

struct TTextExtent {
    int32_t Width = 0;
    int32_t Height = 0;
};

// A picture with a current pen (lines and outlines), brush (fills, frames,
// the box behind text) and font. Coordinates are pixels, (0, 0) at the top
// left; any 32-bit coordinate is allowed and whatever lies outside the
// picture is clipped. A rectangle is given by two opposite corners in any
// order, both of which belong to it.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;

    virtual void SetPenColour(TRgb colour) = 0;
    virtual void SetBrushColour(TRgb colour) = 0;
    // A clear brush leaves the inside of shapes and the box behind text alone.
    virtual void SetBrushSolid(bool solid) = 0;
    virtual void SetFont(std::string_view family, int32_t points) = 0;
    virtual void SetFontSize(int32_t points) = 0;
    virtual void SetFontColour(TRgb colour) = 0;

    // Outside the picture: nothing happens, and reading gives white.
    virtual void SetPixel(int32_t x, int32_t y, TRgb colour) = 0;
    virtual TRgb Pixel(int32_t x, int32_t y) const = 0;

    // In the pen colour, both end points included.
    virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // A frame one pixel wide in the brush colour; the inside is untouched.
    virtual void FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // Outlined with the pen, filled with the brush when it is solid.
    virtual void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // The ellipse inscribed in the rectangle, outlined with the pen and filled
    // with the brush when it is solid.
    virtual void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // Paints the four-connected area of pixels of `colour` that contains
    // (x, y) with the brush colour; nothing when (x, y) has another colour.
    virtual void FloodFill(int32_t x, int32_t y, TRgb colour) = 0;

    // Windows-1251 text in the font colour with its top-left corner at (x, y),
    // over a box of the brush colour when the brush is solid.
    virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    // The size of the box that TextOut fills for `text`.
    virtual TTextExtent TextExtent(std::string_view text) const = 0;
};

} // namespace zk
