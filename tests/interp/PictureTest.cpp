// The picture command language against a canvas that records its calls: the
// size and the start state, every command with its arguments, the codes of a
// bad description, the colour modes, and descriptions that are long, deeply
// nested or damaged.
#include "interp/Picture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zk {
namespace {

TAtomTable StartAtoms() {
    TAtomTable atoms;
    atoms.Add("");
    atoms.Add("TRUE");
    atoms.Add("FALSE");
    return atoms;
}

std::string Show(TRgb c) {
    return std::to_string(c.Red) + "," + std::to_string(c.Green) + "," + std::to_string(c.Blue);
}

std::string Corners(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) + " " +
           std::to_string(y2);
}

// Writes each call as one line of text.
class TRecordingCanvas final : public TCanvas {
public:
    TRecordingCanvas(int32_t width, int32_t height) : Width_(width), Height_(height) {}

    int32_t Width() const override { return Width_; }
    int32_t Height() const override { return Height_; }
    void SetPenColour(TRgb c) override { Calls.push_back("pen " + Show(c)); }
    void SetBrushColour(TRgb c) override { Calls.push_back("brush " + Show(c)); }
    void SetBrushSolid(bool solid) override { Calls.push_back(solid ? "solid" : "clear"); }
    void SetFont(std::string_view family, int32_t points) override {
        Calls.push_back("font " + std::string(family) + " " + std::to_string(points));
    }
    void SetFontSize(int32_t points) override { Calls.push_back("size " + std::to_string(points)); }
    void SetFontColour(TRgb c) override { Calls.push_back("font colour " + Show(c)); }
    void SetPixel(int32_t x, int32_t y, TRgb c) override {
        Calls.push_back("pixel " + std::to_string(x) + " " + std::to_string(y) + " " + Show(c));
    }
    TRgb Pixel(int32_t, int32_t) const override { return {255, 255, 255}; }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Calls.push_back("line " + Corners(x1, y1, x2, y2));
    }
    void FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Calls.push_back("frame " + Corners(x1, y1, x2, y2));
    }
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Calls.push_back("rectangle " + Corners(x1, y1, x2, y2));
    }
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Calls.push_back("ellipse " + Corners(x1, y1, x2, y2));
    }
    void FloodFill(int32_t x, int32_t y, TRgb c) override {
        Calls.push_back("fill " + std::to_string(x) + " " + std::to_string(y) + " " + Show(c));
    }
    void TextOut(int32_t x, int32_t y, std::string_view text) override {
        Calls.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " [" +
                        std::string(text) + "]");
    }
    TTextExtent TextExtent(std::string_view text) const override {
        return {static_cast<int32_t>(text.size()) * 5, 10};
    }

    std::vector<std::string> Calls;

private:
    int32_t Width_;
    int32_t Height_;
};

const std::vector<std::string> kStartState = {"pen 255,0,0", "brush 0,0,0", "solid",
                                              "font Times New Roman 8"};

class PictureTest : public ::testing::Test {
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
        FactoryCalls = 0;
        return DrawPicture(Memory, value, Atoms, mode, [&](int32_t w, int32_t h) -> TCanvas& {
            ++FactoryCalls;
            Canvas = std::make_unique<TRecordingCanvas>(w, h);
            return *Canvas;
        });
    }
    int32_t Draw(std::string_view text, int32_t mode = kGraphics16Colours) {
        return Draw(Parse(text), mode);
    }
    // The calls of the commands of a 100 x 100 picture, after the start state.
    std::vector<std::string> Commands(std::string_view commands,
                                      int32_t mode = kGraphics16Colours) {
        const int32_t code = Draw("100 100 " + std::string(commands), mode);
        EXPECT_EQ(code, 0) << commands;
        return CommandCalls();
    }
    std::vector<std::string> CommandCalls() const {
        if (!Canvas || Canvas->Calls.size() < kStartState.size()) return {"(no start state)"};
        EXPECT_EQ(std::vector<std::string>(Canvas->Calls.begin(), Canvas->Calls.begin() + 4),
                  kStartState);
        return {Canvas->Calls.begin() + 4, Canvas->Calls.end()};
    }

    TZKMemory Memory{400000, 320000};
    TAtomTable Atoms = StartAtoms();
    std::unique_ptr<TRecordingCanvas> Canvas;
    int FactoryCalls = 0;
};

using Calls = std::vector<std::string>;

// --- Size and start state ---

TEST_F(PictureTest, SizeAloneGivesAnEmptyPictureInTheStartState) {
    ASSERT_EQ(Draw("100 50"), 0);
    ASSERT_TRUE(Canvas);
    EXPECT_EQ(FactoryCalls, 1);
    EXPECT_EQ(Canvas->Width(), 100);
    EXPECT_EQ(Canvas->Height(), 50);
    EXPECT_EQ(Canvas->Calls, kStartState);
    // The start colours do not pass through the colour mode.
    for (const int32_t mode : {kGraphicsMonochrome, kGraphicsTrueColour}) {
        ASSERT_EQ(Draw("1 1", mode), 0);
        EXPECT_EQ(Canvas->Calls, kStartState) << mode;
    }
}

TEST_F(PictureTest, LargestSizeIsAccepted) {
    ASSERT_EQ(Draw("640 480"), 0);
    EXPECT_EQ(Canvas->Width(), 640);
    EXPECT_EQ(Canvas->Height(), 480);
}

TEST_F(PictureTest, BadSizeGives74WithoutMakingAPicture) {
    for (const char* text : {"641 480", "640 481", "0 10", "10 0", "100", "", "A 10", "10 A",
                             "-1 10", "10 -1", "(10) 10", "10 (10)", "() 10", "A", "(100 100)",
                             "641 480 CIRCLE", "100 A PIXEL 1 1 1", "0 0 LINE"}) {
        EXPECT_EQ(Draw(text), kErrorBadPictureSize) << text;
        EXPECT_EQ(FactoryCalls, 0) << text;
    }
    EXPECT_EQ(Draw(kEmptyTree), kErrorBadPictureSize);
}

TEST_F(PictureTest, SizeIsComparedInSixtyFourBits) {
    // The low 32 bits would be 100; the size itself is far too large.
    const int64_t huge = (int64_t{1} << 32) + 100;
    EXPECT_EQ(Draw(Join(Number(huge), Number(100))), kErrorBadPictureSize);
    EXPECT_EQ(Draw(Join(Number(100), Number(huge))), kErrorBadPictureSize);
    EXPECT_EQ(Draw(Join(Number(1'000'000'000), Number(1'000'000'000))), kErrorBadPictureSize);
    EXPECT_EQ(FactoryCalls, 0);
}

// --- Commands ---

TEST_F(PictureTest, EachCommandReachesTheCanvasWithItsArguments) {
    EXPECT_EQ(Commands("PIXEL 10 11 4"), Calls{"pixel 10 11 255,0,0"});
    EXPECT_EQ(Commands("LINE 0 1 50 60"), Calls{"line 0 1 50 60"});
    EXPECT_EQ(Commands("RECTANGLE 10 11 50 51"), Calls{"frame 10 11 50 51"});
    EXPECT_EQ(Commands("FILLRECT 10 11 50 51"), Calls{"rectangle 10 11 50 51"});
    EXPECT_EQ(Commands("ELLIPSE 1 2 30 40"), (Calls{"clear", "ellipse 1 2 30 40", "solid"}));
    EXPECT_EQ(Commands("FILLELLIPSE 1 2 30 40"), Calls{"ellipse 1 2 30 40"});
    EXPECT_EQ(Commands("SETFORE 2"), Calls{"pen 0,128,0"});
    EXPECT_EQ(Commands("SETBACK 14"), Calls{"brush 255,255,0"});
    EXPECT_EQ(Commands("SETFONTSIZE 12"), Calls{"size 12"});
    EXPECT_EQ(Commands("FILL 5 6"), Calls{"fill 5 6 255,0,0"});
    EXPECT_EQ(Commands("TEXTOUT 5 6 (_CAPITAL GOOD DAY _EXCLAMATION)"),
              (Calls{"font colour 255,0,0", "text 5 6 [Good day ! ]"}));
}

TEST_F(PictureTest, CommandsRunInOrderAndFollowThePenColour) {
    EXPECT_EQ(Commands("SETFORE 1 FILL 5 6 SETBACK 2 TEXTOUT 0 0 (HI) SETFORE 9 TEXTOUT 1 2 (X) "
                       "PIXEL 3 3 15"),
              (Calls{"pen 0,0,255", "fill 5 6 0,0,255", "brush 0,128,0", "font colour 0,0,255",
                     "text 0 0 [hi ]", "pen 0,255,255", "font colour 0,255,255", "text 1 2 [x ]",
                     "pixel 3 3 255,255,255"}));
}

TEST_F(PictureTest, TheTablesNameElevenCommands) {
    EXPECT_EQ(CommandNames[pcPixel], "PIXEL");
    EXPECT_EQ(CommandNames[pcFill], "FILL");
    EXPECT_EQ(ArgCounts, (std::array<int32_t, 11>{3, 4, 4, 4, 4, 4, 1, 1, 2, 1, 2}));
}

TEST_F(PictureTest, EveryCommandReadsExactlyItsArgumentCount) {
    for (int32_t i = 0; i < kPictureCommandCount; ++i) {
        const std::string name(CommandNames[static_cast<std::size_t>(i)]);
        const int32_t count = ArgCounts[static_cast<std::size_t>(i)];
        std::string numbers;
        for (int32_t k = 0; k < count; ++k)
            numbers += " 3";
        const std::string full = "100 100 " + name + numbers;
        // One number short: the description ends first.
        const std::string shortOne = full.substr(0, full.size() - 2);
        EXPECT_EQ(Draw(shortOne), kErrorNumberExpected) << shortOne;
        if (i == pcTextOut) {
            EXPECT_EQ(Draw(full + " (A)"), 0) << full;
            EXPECT_EQ(Draw(full + " () PIXEL 1 1 1"), 0) << full;
        } else {
            EXPECT_EQ(Draw(full), 0) << full;
            // One number more: it stands where the next command must.
            EXPECT_EQ(Draw(full + " 3"), kErrorCommandExpected) << full;
            EXPECT_EQ(Draw(full + " PIXEL 1 1 1"), 0) << full;
            EXPECT_EQ(Canvas->Calls.back(), "pixel 1 1 0,0,255") << full;
        }
    }
}

// --- Codes ---

TEST_F(PictureTest, AnythingButACommandNameGives73) {
    for (const char* text :
         {"100 100 CIRCLE", "100 100 5", "100 100 (PIXEL)", "100 100 ()",
          "100 100 PIXEL 1 1 1 (PIXEL 1 1 1)", "100 100 TRUE", "100 100 PIXEL 1 1 1 0"})
        EXPECT_EQ(Draw(text), kErrorCommandExpected) << text;
}

TEST_F(PictureTest, CommandNamesMatchLetterCaseExactly) {
    // The table folds case when it numbers atoms, so the atom read for the
    // upper-case text below keeps the text that came first.
    Atoms.Add("Pixel");
    EXPECT_EQ(Draw("100 100 PIXEL 1 1 1"), kErrorCommandExpected);
}

TEST_F(PictureTest, DamagedCommandCellsGive73) {
    // An atom number outside the table, and an atom that has contents.
    TTreeRef bad = Join(Parse("100 100"), Number(0));
    Memory.Cell(bad.Last) = TCell{Memory.Cell(bad.Last).Prev, -1, -1, -1, 999, kCellList};
    EXPECT_EQ(Draw(bad), kErrorCommandExpected);
    TTreeRef withContents = Parse("100 100 PIXEL 1 1 1");
    const int32_t pixel = Memory.Cell(Memory.Cell(withContents.First).Next).Next;
    const int32_t child = Parse("A").First;
    Memory.Cell(pixel).FirstChild = child;
    Memory.Cell(pixel).LastChild = child;
    EXPECT_EQ(Draw(withContents), kErrorCommandExpected);
}

TEST_F(PictureTest, MissingOrBadArgumentGives72) {
    for (const char* text : {"100 100 LINE 0 0 50", "100 100 SETFORE -1", "100 100 SETFORE",
                             "100 100 PIXEL 1 A 3", "100 100 PIXEL 1 (2) 3", "100 100 PIXEL 1 () 3",
                             "100 100 FILL 1 -5", "100 100 TEXTOUT 5", "100 100 TEXTOUT A 5 (B)"})
        EXPECT_EQ(Draw(text), kErrorNumberExpected) << text;
}

TEST_F(PictureTest, TextOutWithoutARenderableListGives75) {
    for (const char* text :
         {"100 100 TEXTOUT 5 5", "100 100 TEXTOUT 5 5 GOOD", "100 100 TEXTOUT 5 5 7",
          "100 100 TEXTOUT 5 5 ((A) B)", "100 100 TEXTOUT 5 5 (A (B) C)"})
        EXPECT_EQ(Draw(text), kErrorTextExpected) << text;
}

TEST_F(PictureTest, EmptyTextListDrawsNothing) {
    EXPECT_EQ(Commands("TEXTOUT 5 5 ()"), Calls{});
    // A list with contents is renderable as the last element; what it holds is
    // not drawn.
    EXPECT_EQ(Commands("TEXTOUT 5 5 (A (B))"), (Calls{"font colour 255,0,0", "text 5 5 [a ]"}));
}

TEST_F(PictureTest, FirstFailureEndsTheDrawing) {
    EXPECT_EQ(Draw("100 100 PIXEL 1 1 1 CIRCLE PIXEL 2 2 2"), kErrorCommandExpected);
    EXPECT_EQ(CommandCalls(), Calls{"pixel 1 1 0,0,255"});
    EXPECT_EQ(Draw("100 100 SETFORE 3 LINE 1 2 3 A PIXEL 2 2 2"), kErrorNumberExpected);
    EXPECT_EQ(CommandCalls(), Calls{"pen 0,128,128"});
    EXPECT_EQ(Draw("100 100 SETBACK 3 TEXTOUT 1 2 X SETFORE 1"), kErrorTextExpected);
    EXPECT_EQ(CommandCalls(), Calls{"brush 0,128,128"});
}

TEST_F(PictureTest, AStopEndsTheDrawingBeforeTheNextCommand) {
    int asked = 0;
    const TTreeRef value = Parse("100 100 PIXEL 1 1 1 PIXEL 2 2 2 PIXEL 3 3 3");
    const int32_t code = DrawPicture(
        Memory, value, Atoms, kGraphics16Colours,
        [&](int32_t w, int32_t h) -> TCanvas& {
            Canvas = std::make_unique<TRecordingCanvas>(w, h);
            return *Canvas;
        },
        [&] { return ++asked == 3; });
    EXPECT_EQ(code, kErrorStopped);
    EXPECT_EQ(CommandCalls(), (Calls{"pixel 1 1 0,0,255", "pixel 2 2 0,128,0"}));
}

// --- Colours and arguments ---

TEST_F(PictureTest, PaletteHasFifteenDistinctColours) {
    int duplicates = 0;
    for (std::size_t i = 0; i < 16; ++i)
        for (std::size_t k = i + 1; k < 16; ++k)
            if (Palette16[i] == Palette16[k]) ++duplicates;
    EXPECT_EQ(duplicates, 1);
    EXPECT_EQ(Palette16[4], Palette16[12]);
    EXPECT_EQ(Show(Palette16[7]), "192,192,192");
    EXPECT_EQ(Show(Palette16[11]), "128,128,0");
}

TEST_F(PictureTest, MapColourFollowsTheGraphicsMode) {
    EXPECT_EQ(Show(MapColour(4, kGraphics16Colours)), "255,0,0");
    EXPECT_EQ(Show(MapColour(16 + 9, kGraphics16Colours)), "0,255,255");
    EXPECT_EQ(Show(MapColour(0xFFFFFFFFu, kGraphics16Colours)), "255,255,255");
    EXPECT_EQ(Show(MapColour(4, kGraphicsMonochrome)), "4,4,4");
    EXPECT_EQ(Show(MapColour(300, kGraphicsMonochrome)), "44,44,44");
    EXPECT_EQ(Show(MapColour(255, kGraphicsTrueColour)), "255,0,0");
    EXPECT_EQ(Show(MapColour(65280, kGraphicsTrueColour)), "0,255,0");
    EXPECT_EQ(Show(MapColour(0xFF0000, kGraphicsTrueColour)), "0,0,255");
    EXPECT_EQ(Show(MapColour(0x12345678, kGraphicsTrueColour)), "120,86,52");
    // An unknown mode from a damaged settings file reads as 16 colours.
    EXPECT_EQ(Show(MapColour(20, 7)), "255,0,0");
}

TEST_F(PictureTest, CommandsMapColoursInTheRunsMode) {
    EXPECT_EQ(Commands("PIXEL 10 10 4", kGraphicsMonochrome), Calls{"pixel 10 10 4,4,4"});
    EXPECT_EQ(Commands("PIXEL 10 10 255", kGraphicsTrueColour), Calls{"pixel 10 10 255,0,0"});
    EXPECT_EQ(Commands("PIXEL 10 10 65280", kGraphicsTrueColour), Calls{"pixel 10 10 0,255,0"});
    EXPECT_EQ(Commands("SETFORE 7 SETBACK 200", kGraphicsMonochrome),
              (Calls{"pen 7,7,7", "brush 200,200,200"}));
    EXPECT_EQ(Commands("SETFORE 4 FILL 1 1", kGraphicsMonochrome),
              (Calls{"pen 4,4,4", "fill 1 1 4,4,4"}));
}

TEST_F(PictureTest, ArgumentsAreTakenByTheirLowThirtyTwoBits) {
    const int64_t high = int64_t{1} << 32;
    TTreeRef v = Parse("100 100 PIXEL");
    v = Join(v, Number(high + 7));
    v = Join(v, Number(int64_t{1} << 31));
    v = Join(v, Number(5 * high + 4));
    v = Join(v, Parse("SETFONTSIZE"));
    v = Join(v, Number(high + 12));
    v = Join(v, Parse("SETFORE"));
    v = Join(v, Number(0x7F000000FFLL)); // above 32 bits
    ASSERT_EQ(Draw(v, kGraphicsTrueColour), 0);
    EXPECT_EQ(CommandCalls(), (Calls{"pixel 7 -2147483648 4,0,0", "size 12", "pen 255,0,0"}));
}

// --- Size of the description ---

TEST_F(PictureTest, LongDescriptionRunsToTheEnd) {
    std::string text = "640 480";
    for (int i = 0; i < 50000; ++i)
        text += " PIXEL 1 2 3";
    ASSERT_EQ(Draw(text), 0);
    EXPECT_EQ(Canvas->Calls.size(), kStartState.size() + 50000);
}

TEST_F(PictureTest, DeeplyNestedTextIsNoProblem) {
    TTreeRef deep = Parse("A");
    for (int i = 0; i < 200000; ++i)
        Memory.Wrap(deep);
    Memory.Wrap(deep);
    ASSERT_FALSE(Memory.OutOfMemory());
    EXPECT_EQ(Draw(Join(Parse("100 100 TEXTOUT 1 1"), deep)), 0);
    EXPECT_EQ(CommandCalls(), (Calls{"font colour 255,0,0", "text 1 1 []"}));
    // Nested where a command must stand.
    EXPECT_EQ(Draw(Join(Parse("100 100"), deep)), kErrorCommandExpected);
}

TEST_F(PictureTest, BrokenLinkEndsTheDescription) {
    TTreeRef v = Parse("100 100 PIXEL 1 1 1");
    const int32_t pixel = Memory.Cell(Memory.Cell(v.First).Next).Next;
    Memory.Cell(pixel).Next = Memory.CellCount() + 10;
    EXPECT_EQ(Draw(v), kErrorNumberExpected);
    TTreeRef outside{Memory.CellCount() + 5, Memory.CellCount() + 1};
    EXPECT_EQ(Draw(outside), kErrorBadPictureSize);
}

TEST_F(PictureTest, CyclicChainEnds) {
    // SETFORE 1 links back to itself, and the value's Last is never reached.
    TTreeRef v = Parse("100 100 SETFORE 1");
    const int32_t setFore = Memory.Cell(Memory.Cell(v.First).Next).Next;
    Memory.Cell(v.Last).Next = setFore;
    v.Last = Parse("X").First;
    const int32_t code = Draw(v);
    EXPECT_TRUE(code == 0 || code == kErrorNumberExpected) << code;
    ASSERT_TRUE(Canvas);
    EXPECT_LE(static_cast<int32_t>(Canvas->Calls.size()), Memory.CellCount());
    EXPECT_GT(Canvas->Calls.size(), kStartState.size());
}

} // namespace
} // namespace zk
