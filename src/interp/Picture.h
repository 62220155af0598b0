// The picture command language: a result value read as a picture size and a
// flat sequence of drawing commands, each an atom followed by its numeric
// arguments, executed in order on a canvas. Only reads the tree memory; a
// damaged or cyclic chain of cells ends the description, it never loops.
#pragma once

#include "frontend/Errors.h"
#include "interp/Canvas.h"
#include "pcode/PCode.h"
#include "runtime/TreeRef.h"
#include "runtime/ZKMemory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace zk {

// The largest picture; a larger size is a bad size (74).
constexpr int64_t kMaxPictureWidth = 640;
constexpr int64_t kMaxPictureHeight = 480;

// The graphics option: how a colour number becomes a colour.
constexpr int32_t kGraphics16Colours = 0;
constexpr int32_t kGraphicsMonochrome = 1;
constexpr int32_t kGraphicsTrueColour = 2;

enum TPictureCommand : int32_t {
    pcPixel = 0,
    pcLine = 1,
    pcRectangle = 2,
    pcFillRect = 3,
    pcEllipse = 4,
    pcFillEllipse = 5,
    pcSetFore = 6,
    pcSetBack = 7,
    pcTextOut = 8,
    pcSetFontSize = 9,
    pcFill = 10,
};

constexpr int32_t kPictureCommandCount = 11;

// Matched exactly, letter case included.
inline constexpr std::array<std::string_view, kPictureCommandCount> CommandNames = {
    "PIXEL",   "LINE",    "RECTANGLE", "FILLRECT",    "ELLIPSE", "FILLELLIPSE",
    "SETFORE", "SETBACK", "TEXTOUT",   "SETFONTSIZE", "FILL",
};

// The numeric arguments of each command; TEXTOUT then takes a list node.
inline constexpr std::array<int32_t, kPictureCommandCount> ArgCounts = {3, 4, 4, 4, 4, 4,
                                                                        1, 1, 2, 1, 2};

// Entries 4 and 12 are the same red.
inline constexpr std::array<TRgb, 16> Palette16 = {{
    {0, 0, 0},
    {0, 0, 255},
    {0, 128, 0},
    {0, 128, 128},
    {255, 0, 0},
    {128, 0, 128},
    {128, 0, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 255, 255},
    {0, 255, 0},
    {128, 128, 0},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

// The canvas state every picture starts with; the picture itself is white.
inline constexpr TRgb kStartPenColour{255, 0, 0};
inline constexpr TRgb kStartBrushColour{0, 0, 0};
inline constexpr std::string_view kStartFontFamily = "Times New Roman";
constexpr int32_t kStartFontSize = 8;

// The colour of number `c` (the low 32 bits of an argument) in a graphics
// mode: 16 colours from Palette16, grey levels, or red, green and blue from
// the three low bytes. Any other mode is read as 16 colours, the default.
TRgb MapColour(uint32_t c, int32_t graphicsMode);

// The value of the number cell `cell`, which must be >= 0; otherwise `code`
// := 72 and the result is 0. A cell outside the memory in use is no number.
int64_t ReadDimension(const TZKMemory& memory, int32_t cell, int32_t& code);

// The index of the command that the atom leaf `cell` names; otherwise
// `code` := 73 and the result is -1.
int32_t ReadCommand(const TZKMemory& memory, int32_t cell, const TAtomTable& atoms, int32_t& code);

// Gives the canvas to draw on, a white picture of the size read from the
// description (1..640 by 1..480). It stays the caller's: the caller keeps it
// to show or save when DrawPicture gives 0 and discards it otherwise.
using TCanvasFactory = std::function<TCanvas&(int32_t width, int32_t height)>;

// Reads the size from `value`, asks `makeCanvas` for the picture, sets the
// start state and executes the commands in order. Gives 0, or the code of the
// first failure (72..75), which leaves the commands before it drawn. A
// description whose size is bad never calls `makeCanvas`. `stopped`, asked
// before each command, ends the drawing there with 54, as Stop ends a run.
// Never throws on its own; exceptions of the canvas or the factory pass
// through.
int32_t DrawPicture(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                    int32_t graphicsMode, const TCanvasFactory& makeCanvas,
                    const std::function<bool()>& stopped = {});

} // namespace zk
