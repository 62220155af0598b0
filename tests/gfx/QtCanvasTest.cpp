// Pictures drawn on the real canvas and checked on their pixels: the start
// colours, PIXEL in the three colour modes, the rectangles and ellipses, the
// flood fill, text over its box, extreme coordinates, and the saved bitmap read
// back by Qt and by an independent reader.
#include "gfx/QtCanvas.h"

#include "TestFiles.h"
#include "frontend/FileIO.h"
#include "interp/Picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace zk {

void PrintTo(const TRgb& c, std::ostream* out) {
    *out << "(" << int{c.Red} << ", " << int{c.Green} << ", " << int{c.Blue} << ")";
}

namespace {

using test::W;

// Text needs the application object; gtest's own main creates none.
class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { App_ = MakeOffscreenGui(); }
    void TearDown() override { App_.reset(); }

private:
    std::unique_ptr<QGuiApplication> App_;
};

[[maybe_unused]] ::testing::Environment* const kGui =
    ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

TAtomTable StartAtoms() {
    TAtomTable atoms;
    atoms.Add("");
    atoms.Add("TRUE");
    atoms.Add("FALSE");
    return atoms;
}

constexpr TRgb kWhite{255, 255, 255};
constexpr TRgb kBlack{0, 0, 0};
constexpr TRgb kRed{255, 0, 0};
constexpr TRgb kGreen{0, 128, 0};
constexpr TRgb kBlue{0, 0, 255};
constexpr TRgb kYellow{255, 255, 0};

class QtCanvasTest : public ::testing::Test {
protected:
    TTreeRef Parse(std::string_view text) { return Memory.ParseText(text, Atoms); }
    TTreeRef Number(int64_t value) {
        const int32_t cell = Memory.AllocCell(kCellNumber, value);
        return {cell, cell};
    }
    TTreeRef Join(TTreeRef left, const TTreeRef& right) {
        Memory.Concat(left, right);
        return left;
    }
    int32_t Draw(TTreeRef value, int32_t mode = kGraphics16Colours) {
        Canvas.reset();
        return DrawPicture(Memory, value, Atoms, mode, [&](int32_t w, int32_t h) -> TCanvas& {
            Canvas = std::make_unique<TQtCanvas>(w, h);
            return *Canvas;
        });
    }
    // Draws a description that must succeed.
    TQtCanvas& Picture(std::string_view text, int32_t mode = kGraphics16Colours) {
        EXPECT_EQ(Draw(Parse(text), mode), 0) << text;
        if (!Canvas) Canvas = std::make_unique<TQtCanvas>(1, 1);
        return *Canvas;
    }
    TRgb At(int32_t x, int32_t y) const { return Canvas->Pixel(x, y); }
    int CountOf(TRgb colour) const {
        int count = 0;
        for (int32_t y = 0; y < Canvas->Height(); ++y)
            for (int32_t x = 0; x < Canvas->Width(); ++x)
                count += At(x, y) == colour;
        return count;
    }

    TZKMemory Memory{10000, 8000};
    TAtomTable Atoms = StartAtoms();
    std::unique_ptr<TQtCanvas> Canvas;
};

// --- Size, start state, pixels ---

TEST_F(QtCanvasTest, PictureStartsWhiteInThirtyTwoBitRgb) {
    const TQtCanvas& canvas = Picture("100 50");
    EXPECT_EQ(canvas.Image().width(), 100);
    EXPECT_EQ(canvas.Image().height(), 50);
    EXPECT_EQ(canvas.Image().format(), QImage::Format_RGB32);
    EXPECT_EQ(CountOf(kWhite), 100 * 50);
}

TEST_F(QtCanvasTest, SizeOutsideThePictureLimitsIsRefused) {
    EXPECT_THROW(TQtCanvas(0, 10), std::invalid_argument);
    EXPECT_THROW(TQtCanvas(641, 10), std::invalid_argument);
    EXPECT_THROW(TQtCanvas(10, 481), std::invalid_argument);
    EXPECT_NO_THROW(TQtCanvas(640, 480));
}

TEST_F(QtCanvasTest, StartPenIsRedAndStartBrushBlack) {
    Picture("100 100 LINE 0 5 99 5 FILLRECT 10 10 50 50");
    EXPECT_EQ(At(0, 5), kRed);
    EXPECT_EQ(At(99, 5), kRed);
    EXPECT_EQ(At(30, 30), kBlack);
    EXPECT_EQ(At(0, 6), kWhite);
}

TEST_F(QtCanvasTest, PixelInSixteenColours) {
    Picture("100 100 PIXEL 10 10 4 PIXEL 11 10 20 PIXEL 12 10 9");
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(11, 10), kRed);
    EXPECT_EQ(At(12, 10), (TRgb{0, 255, 255}));
    EXPECT_EQ(CountOf(kWhite), 100 * 100 - 3);
}

TEST_F(QtCanvasTest, PixelInMonochrome) {
    Picture("100 100 PIXEL 10 10 4 PIXEL 11 10 300", kGraphicsMonochrome);
    EXPECT_EQ(At(10, 10), (TRgb{4, 4, 4}));
    EXPECT_EQ(At(11, 10), (TRgb{44, 44, 44}));
}

TEST_F(QtCanvasTest, PixelInFullColour) {
    Picture("100 100 PIXEL 10 10 255 PIXEL 11 10 65280 PIXEL 12 10 16711680 PIXEL 13 10 1193046",
            kGraphicsTrueColour);
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(11, 10), (TRgb{0, 255, 0}));
    EXPECT_EQ(At(12, 10), kBlue);
    EXPECT_EQ(At(13, 10), (TRgb{0x56, 0x34, 0x12}));
}

TEST_F(QtCanvasTest, PixelOutsideThePictureChangesNothing) {
    TTreeRef v = Parse("100 100 PIXEL 100 5 4 PIXEL 5 100 4 PIXEL");
    v = Join(v, Number(0xFFFFFFFFLL)); // x = -1
    v = Join(v, Parse("5 4"));
    ASSERT_EQ(Draw(v), 0);
    EXPECT_EQ(CountOf(kWhite), 100 * 100);
    EXPECT_EQ(Canvas->Pixel(-1, 5), kWhite);
}

// --- Rectangles and ellipses ---

TEST_F(QtCanvasTest, FillRectIsBrushInsidePenOutline) {
    Picture("100 100 FILLRECT 50 50 10 10");
    for (const int32_t t : {10, 30, 50}) {
        EXPECT_EQ(At(t, 10), kRed) << t;
        EXPECT_EQ(At(t, 50), kRed) << t;
        EXPECT_EQ(At(10, t), kRed) << t;
        EXPECT_EQ(At(50, t), kRed) << t;
    }
    EXPECT_EQ(At(11, 11), kBlack);
    EXPECT_EQ(At(49, 49), kBlack);
    EXPECT_EQ(At(9, 30), kWhite);
    EXPECT_EQ(At(51, 30), kWhite);
    EXPECT_EQ(CountOf(kBlack), 39 * 39);
    EXPECT_EQ(CountOf(kRed), 41 * 4 - 4);
}

TEST_F(QtCanvasTest, RectangleIsAFrameInTheBrushColour) {
    Picture("100 100 RECTANGLE 10 10 50 50");
    EXPECT_EQ(At(10, 10), kBlack);
    EXPECT_EQ(At(30, 50), kBlack);
    EXPECT_EQ(At(50, 30), kBlack);
    EXPECT_EQ(At(30, 30), kWhite);
    EXPECT_EQ(CountOf(kRed), 0);
    EXPECT_EQ(CountOf(kBlack), 41 * 4 - 4);
}

TEST_F(QtCanvasTest, EllipseIsAnOutlineAndFillEllipseIsFilled) {
    Picture("100 100 ELLIPSE 10 10 50 50");
    EXPECT_EQ(At(30, 30), kWhite);
    EXPECT_EQ(At(10, 10), kWhite);
    EXPECT_EQ(At(30, 10), kRed);
    EXPECT_EQ(At(10, 30), kRed);
    EXPECT_EQ(CountOf(kBlack), 0);
    // The brush is solid again after ELLIPSE.
    Picture("100 100 ELLIPSE 10 10 50 50 FILLELLIPSE 60 60 90 90");
    EXPECT_EQ(At(75, 75), kBlack);
    EXPECT_EQ(At(75, 60), kRed);
    EXPECT_EQ(At(60, 60), kWhite);
    EXPECT_EQ(At(30, 30), kWhite);
}

TEST_F(QtCanvasTest, ExtremeCoordinatesAreClipped) {
    const int64_t maxInt = 0x7FFFFFFF, minInt = int64_t{1} << 31; // low bits: INT32_MIN
    TTreeRef v = Parse("100 100 LINE 0 0");
    v = Join(v, Number(maxInt));
    v = Join(v, Number(maxInt));
    for (const char* command : {"ELLIPSE", "FILLELLIPSE", "RECTANGLE", "FILLRECT"}) {
        v = Join(v, Parse(command));
        v = Join(v, Number(minInt));
        v = Join(v, Number(minInt));
        v = Join(v, Number(maxInt));
        v = Join(v, Number(maxInt));
    }
    v = Join(v, Parse("TEXTOUT"));
    v = Join(v, Number(maxInt));
    v = Join(v, Number(minInt));
    v = Join(v, Parse("(A B C) FILL"));
    v = Join(v, Number(minInt));
    v = Join(v, Number(5));
    ASSERT_EQ(Draw(v), 0);
    // The last rectangle covers the whole picture; its outline lies outside.
    EXPECT_EQ(CountOf(kBlack), 100 * 100);
}

// --- Flood fill ---

TEST_F(QtCanvasTest, FillPaintsTheConnectedPenColouredArea) {
    // A white square inside a red frame, filled green from inside.
    Picture("100 100 SETBACK 15 FILLRECT 10 10 50 50 SETFORE 15 SETBACK 2 FILL 30 30");
    EXPECT_EQ(At(30, 30), kGreen);
    EXPECT_EQ(At(11, 11), kGreen);
    EXPECT_EQ(At(49, 49), kGreen);
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(5, 5), kWhite);
    EXPECT_EQ(CountOf(kGreen), 39 * 39);
}

TEST_F(QtCanvasTest, FillRunsAroundObstacles) {
    // A comb of red teeth open at the bottom: one white area winding through.
    std::string text = "200 100";
    for (int x = 5; x < 200; x += 10)
        text += " LINE " + std::to_string(x) + " 0 " + std::to_string(x) + " 90";
    text += " LINE 0 95 150 95 SETFORE 15 SETBACK 1 FILL 0 0";
    Picture(text);
    EXPECT_EQ(CountOf(kWhite), 0);
    EXPECT_EQ(CountOf(kRed) + CountOf(kBlue), 200 * 100);
    EXPECT_EQ(At(199, 0), kBlue);
    EXPECT_EQ(At(100, 99), kBlue);
}

TEST_F(QtCanvasTest, FillOfTheWholeLargestPicture) {
    Picture("640 480 SETFORE 15 SETBACK 1 FILL 639 479");
    EXPECT_EQ(CountOf(kBlue), 640 * 480);
}

TEST_F(QtCanvasTest, FillChangesNothingElsewhere) {
    // The pixel does not have the pen colour (red).
    Picture("100 100 FILL 5 5");
    EXPECT_EQ(CountOf(kWhite), 100 * 100);
    // Pen and brush alike: nothing to change, and no endless repainting.
    Picture("100 100 SETFORE 15 SETBACK 15 FILL 5 5");
    EXPECT_EQ(CountOf(kWhite), 100 * 100);
    Picture("100 100 SETFORE 15 FILL 100 5 FILL 5 100");
    EXPECT_EQ(CountOf(kWhite), 100 * 100);
}

// Noise of three colours, filled from random points, against a plain
// breadth-first fill of the same pixels: the same 4-connected area every time.
TEST(QtCanvasFillTest, MatchesAPlainFillOnNoise) {
    constexpr int kWidth = 61, kHeight = 47;
    const TRgb colours[] = {{255, 255, 255}, {0, 0, 0}, {0, 128, 0}};
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        TQtCanvas canvas(kWidth, kHeight);
        std::vector<TRgb> expected(kWidth * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                // Mostly white, so that areas wind through the noise.
                const TRgb c = colours[random() % 5 < 3 ? 0 : 1 + random() % 2];
                canvas.SetPixel(x, y, c);
                expected[y * kWidth + x] = c;
            }
        const int sx = static_cast<int>(random() % kWidth),
                  sy = static_cast<int>(random() % kHeight);
        const TRgb target = expected[sy * kWidth + sx];
        const TRgb paint{0, 0, 255};
        canvas.SetBrushColour(paint);
        canvas.FloodFill(sx, sy, target);
        std::vector<std::pair<int, int>> queue{{sx, sy}};
        expected[sy * kWidth + sx] = paint;
        for (std::size_t next = 0; next < queue.size(); ++next) {
            const auto [x, y] = queue[next];
            for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
                if (nx < 0 || ny < 0 || nx >= kWidth || ny >= kHeight) continue;
                if (expected[ny * kWidth + nx] != target) continue;
                expected[ny * kWidth + nx] = paint;
                queue.push_back({nx, ny});
            }
        }
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(canvas.Pixel(x, y), expected[y * kWidth + x]) << x << "," << y;
    }
}

// --- Text ---

TEST_F(QtCanvasTest, TextIsPenColouredInsideABrushColouredBox) {
    Picture("200 100 SETFORE 14 SETBACK 1 TEXTOUT 5 6 (_CAPITAL GOOD DAY _EXCLAMATION)");
    const TTextExtent box = Canvas->TextExtent("Good day ! ");
    ASSERT_GT(box.Width, 20);
    ASSERT_GT(box.Height, 5);
    int pen = 0, brush = 0;
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 200; ++x) {
            const TRgb c = At(x, y);
            const bool inside = x >= 5 && x < 5 + box.Width && y >= 6 && y < 6 + box.Height;
            if (!inside) {
                EXPECT_EQ(c, kWhite) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(c == kYellow || c == kBlue) << x << "," << y;
            pen += c == kYellow;
            brush += c == kBlue;
        }
    EXPECT_GT(pen, 20);
    EXPECT_GT(brush, pen);
}

TEST_F(QtCanvasTest, TextInTheStartStateIsRedOnBlack) {
    Picture("100 50 TEXTOUT 0 0 (HELLO)");
    EXPECT_GT(CountOf(kRed), 10);
    EXPECT_GT(CountOf(kBlack), 10);
    EXPECT_EQ(CountOf(kRed) + CountOf(kBlack) + CountOf(kWhite), 100 * 50);
    EXPECT_EQ(At(0, 0), kBlack);
}

TEST_F(QtCanvasTest, FontSizeChangesTheText) {
    TQtCanvas canvas(100, 100);
    canvas.SetFont("Times New Roman", 8);
    const TTextExtent small = canvas.TextExtent("Good day");
    canvas.SetFontSize(24);
    const TTextExtent large = canvas.TextExtent("Good day");
    EXPECT_GT(large.Width, 2 * small.Width);
    EXPECT_GT(large.Height, 2 * small.Height);
    EXPECT_EQ(canvas.TextExtent("").Width, 0);
    // Sizes without a sensible glyph are bounded, not refused.
    for (const int32_t points : {0, -5, 2147483647}) {
        canvas.SetFontSize(points);
        canvas.TextOut(0, 0, "Good day");
        EXPECT_GT(canvas.TextExtent("Good day").Width, 0) << points;
    }
}

TEST_F(QtCanvasTest, CyrillicTextIsDrawn) {
    Picture("100 50 TEXTOUT 2 2 (" + W("ПРИВЕТ") + ")");
    EXPECT_GT(CountOf(kRed), 10);
    const TTextExtent cyrillic = Canvas->TextExtent(W("привет "));
    EXPECT_GT(cyrillic.Width, Canvas->TextExtent("  ").Width);
}

TEST_F(QtCanvasTest, VeryLongTextIsDrawnUpToItsVisiblePart) {
    TQtCanvas canvas(100, 20);
    canvas.SetFont("Times New Roman", 8);
    canvas.SetPenColour(kRed);
    canvas.SetBrushColour(kBlack);
    canvas.SetFontColour(kRed);
    const std::string text(1'000'000, 'W');
    canvas.TextOut(0, 0, text);
    EXPECT_GT(canvas.TextExtent(text).Width, 100);
    EXPECT_TRUE(canvas.Pixel(99, 1) == kRed || canvas.Pixel(99, 1) == kBlack);
}

// --- Saving ---

TEST_F(QtCanvasTest, SavedBitmapReadsBackWithItsPixels) {
    Picture("120 70 SETBACK 2 FILLRECT 10 10 30 20 PIXEL 100 60 1");
    test::TTempDir dir;
    const std::string path = (dir.Path() / "picture.bmp").string();
    Canvas->SavePictureBmp(path);
    QImage back(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.width(), 120);
    EXPECT_EQ(back.height(), 70);
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, Canvas->Image().pixel(x, y) & 0xFFFFFF)
                << x << "," << y;
}

// The width, the height, the bits per pixel and the colour of a pixel of a
// Windows bitmap, read with nothing but Python's standard library.
constexpr const char* kBmpReader = R"(import struct, sys
data = open(sys.argv[1], 'rb').read()
assert data[:2] == b'BM', 'no bitmap signature'
offset = struct.unpack_from('<I', data, 10)[0]
width, height = struct.unpack_from('<ii', data, 18)
bits = struct.unpack_from('<H', data, 28)[0]
x, y = int(sys.argv[2]), int(sys.argv[3])
stride = (width * bits // 8 + 3) // 4 * 4
row = height - 1 - y if height > 0 else y
p = offset + row * stride + x * bits // 8
print(width, abs(height), bits, data[p + 2], data[p + 1], data[p])
)";

std::string RunReader(const std::string& script, const std::string& bmp, int x, int y) {
    const std::string command = "python3 '" + script + "' '" + bmp + "' " + std::to_string(x) +
                                " " + std::to_string(y) + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "(cannot run python3)";
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    pclose(pipe);
    return out;
}

TEST_F(QtCanvasTest, SavedBitmapPassesAnIndependentReader) {
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    Picture("120 70 SETBACK 2 FILLRECT 10 10 30 20 PIXEL 100 60 1 PIXEL 0 0 14");
    test::TTempDir dir;
    const std::string bmp = (dir.Path() / "picture.bmp").string();
    const std::string script = dir.Write("bmp.py", kBmpReader);
    Canvas->SavePictureBmp(bmp);
    const auto expect = [&](int x, int y, TRgb c) {
        const std::string pixel =
            std::to_string(c.Red) + " " + std::to_string(c.Green) + " " + std::to_string(c.Blue);
        const std::string out = RunReader(script, bmp, x, y);
        EXPECT_TRUE(out == "120 70 24 " + pixel + "\n" || out == "120 70 32 " + pixel + "\n")
            << x << "," << y << ": " << out;
    };
    expect(100, 60, kBlue);
    expect(0, 0, kYellow);
    expect(20, 15, kGreen);
    expect(10, 15, kRed);
    expect(119, 69, kWhite);
}

TEST_F(QtCanvasTest, UnwritableFileThrowsNamingIt) {
    const TQtCanvas& canvas = Picture("10 10");
    test::TTempDir dir;
    const std::string path = (dir.Path() / "missing" / "picture.bmp").string();
    try {
        canvas.SavePictureBmp(path);
        FAIL() << "no exception";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Path(), path);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    // A directory is no file either.
    EXPECT_THROW(canvas.SavePictureBmp(dir.Path().string()), TFileError);
}

} // namespace
} // namespace zk
