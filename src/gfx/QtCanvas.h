// The picture canvas on a QImage in 32-bit RGB: lines, ellipses and text
// through QPainter with antialiasing off, rectangles, pixels and flood fill
// on the image's own pixels, and saving as a Windows bitmap.
#pragma once

#include "gfx/PictureCanvas.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include <memory>
#include <string_view>

namespace zk {

// Text needs a QGuiApplication on the main thread. For a program without
// windows: selects the offscreen platform unless QT_QPA_PLATFORM names one,
// and creates the application with an argument list of its own, so that Qt
// never sees or changes the program's arguments.
std::unique_ptr<QGuiApplication> MakeOffscreenGui();

class TQtCanvas final : public TPictureCanvas {
public:
    // A white picture of 1..640 by 1..480 pixels; any other size throws
    // std::invalid_argument. Pen black, brush white and solid, font "Times New
    // Roman" at 8 points, until the owner sets them.
    TQtCanvas(int32_t width, int32_t height);

    int32_t Width() const override { return Image_.width(); }
    int32_t Height() const override { return Image_.height(); }

    void SetPenColour(TRgb colour) override;
    void SetBrushColour(TRgb colour) override;
    void SetBrushSolid(bool solid) override { BrushSolid_ = solid; }
    // Sizes are bounded to 1..kMaxFontPoints: a larger glyph covers more than
    // the largest picture anyway.
    void SetFont(std::string_view family, int32_t points) override;
    void SetFontSize(int32_t points) override;
    void SetFontColour(TRgb colour) override;

    void SetPixel(int32_t x, int32_t y, TRgb colour) override;
    TRgb Pixel(int32_t x, int32_t y) const override;

    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void FloodFill(int32_t x, int32_t y, TRgb colour) override;

    // Only the first kMaxTextChars characters are drawn and measured: even at
    // the smallest size they reach beyond the widest picture. Needs a
    // QGuiApplication.
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    TTextExtent TextExtent(std::string_view text) const override;

    const QImage& Image() const { return Image_; }
    // The picture as a Windows bitmap file.
    std::string BitmapBytes() const;
    void SavePictureBmp(std::string_view path) const override;

    static constexpr int32_t kMaxFontPoints = 4000;
    static constexpr std::size_t kMaxTextChars = 4096;

private:
    // Paints the pixels of the rectangle (x1, y1)-(x2, y2), corners included
    // and normalised, that lie inside the picture.
    void FillBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2, QRgb colour);
    void Frame(int64_t x1, int64_t y1, int64_t x2, int64_t y2, QRgb colour);
    bool Inside(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < Image_.width() && y < Image_.height();
    }

    QImage Image_;
    QColor Pen_{Qt::black};
    QColor Brush_{Qt::white};
    QColor FontColour_{Qt::black};
    bool BrushSolid_ = true;
    QFont Font_;
};

} // namespace zk
