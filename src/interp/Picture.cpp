// Executing a picture description. The description is walked element by
// element with a cursor that trusts no link: an index outside the cells in use
// ends the sequence, and no walk visits more cells than are in use, so a
// damaged, cyclic chain ends too. Nested lists are never descended here; the
// text of TEXTOUT is rendered by FormatText, which keeps its own bounds.
#include "interp/Picture.h"

#include "interp/TextFormat.h"

namespace zk {

namespace {

bool CellInUse(const TZKMemory& memory, int32_t index) {
    return index >= 0 && index < memory.CellsTaken();
}

// The elements of one value in order. The current element is the last one
// when it is the value's Last, when its Next link is broken, or when the
// visits granted (one per cell in use) are spent.
class TElementCursor {
public:
    TElementCursor(const TZKMemory& memory, TTreeRef value)
        : Memory_(memory), Last_(value.Last), Budget_(memory.CellsTaken()) {
        if (!value.IsEmpty() && CellInUse(memory, value.First)) Visit(value.First);
    }

    bool AtEnd() const { return Current_ == -1; }
    int32_t Cell() const { return Current_; }
    bool AtLast() const {
        if (Current_ == Last_ || Budget_ == 0) return true;
        return !CellInUse(Memory_, Memory_.Cell(Current_).Next);
    }
    // Only when !AtLast().
    void Next() { Visit(Memory_.Cell(Current_).Next); }

private:
    void Visit(int32_t index) {
        Current_ = index;
        --Budget_;
    }

    const TZKMemory& Memory_;
    int32_t Last_;
    int32_t Budget_;
    int32_t Current_ = -1;
};

// Drawing takes the low 32 bits of an argument.
int32_t Low32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// TEXTOUT's list node: 0 when it is drawn or empty, 75 otherwise.
int32_t DrawText(const TZKMemory& memory, int32_t cell, const TAtomTable& atoms, TCanvas& canvas,
                 TRgb pen, int32_t x, int32_t y) {
    const TCell& node = memory.Cell(cell);
    if (node.Kind != kCellList || node.Value != 0) return kErrorTextExpected;
    if (node.FirstChild == -1 || node.LastChild == -1) return 0;
    const TFormattedText text = FormatText(memory, {node.LastChild, node.FirstChild}, atoms);
    if (!text.Complete) return kErrorTextExpected;
    canvas.SetFontColour(pen);
    canvas.TextOut(x, y, text.Text);
    return 0;
}

} // namespace

TRgb MapColour(uint32_t c, int32_t graphicsMode) {
    switch (graphicsMode) {
    case kGraphicsMonochrome: {
        const auto grey = static_cast<uint8_t>(c % 256);
        return {grey, grey, grey};
    }
    case kGraphicsTrueColour:
        return {static_cast<uint8_t>(c % 256), static_cast<uint8_t>(c / 256 % 256),
                static_cast<uint8_t>(c / 65536 % 256)};
    default: return Palette16[c % 16];
    }
}

int64_t ReadDimension(const TZKMemory& memory, int32_t cell, int32_t& code) {
    if (CellInUse(memory, cell)) {
        const TCell& c = memory.Cell(cell);
        if (c.Kind == kCellNumber && c.Value >= 0) return c.Value;
    }
    code = kErrorNumberExpected;
    return 0;
}

int32_t ReadCommand(const TZKMemory& memory, int32_t cell, const TAtomTable& atoms, int32_t& code) {
    if (CellInUse(memory, cell)) {
        const TCell& c = memory.Cell(cell);
        // An atom leaf: a list node (Value 0) or an atom with contents is none.
        if (c.Kind == kCellList && c.FirstChild == -1 && c.Value > 0 && c.Value < atoms.Count()) {
            const std::string& text = atoms[static_cast<int32_t>(c.Value)];
            for (int32_t i = 0; i < kPictureCommandCount; ++i)
                if (CommandNames[static_cast<std::size_t>(i)] == text) return i;
        }
    }
    code = kErrorCommandExpected;
    return -1;
}

int32_t DrawPicture(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                    int32_t graphicsMode, const TCanvasFactory& makeCanvas,
                    const std::function<bool()>& stopped) {
    TElementCursor at(memory, value);
    if (at.AtEnd() || at.AtLast()) return kErrorBadPictureSize;
    int32_t code = 0;
    const int64_t width = ReadDimension(memory, at.Cell(), code);
    at.Next();
    const int64_t height = ReadDimension(memory, at.Cell(), code);
    if (code != 0 || width == 0 || height == 0 || width > kMaxPictureWidth ||
        height > kMaxPictureHeight)
        return kErrorBadPictureSize;

    TCanvas& canvas = makeCanvas(static_cast<int32_t>(width), static_cast<int32_t>(height));
    // The start colours are set as they are, not through MapColour.
    TRgb pen = kStartPenColour;
    canvas.SetPenColour(pen);
    canvas.SetBrushColour(kStartBrushColour);
    canvas.SetBrushSolid(true);
    canvas.SetFont(kStartFontFamily, kStartFontSize);

    while (!at.AtLast()) {
        if (stopped && stopped()) return kErrorStopped;
        at.Next();
        const int32_t command = ReadCommand(memory, at.Cell(), atoms, code);
        if (code != 0) return code;
        std::array<int32_t, 4> a{};
        for (int32_t i = 0; i < ArgCounts[static_cast<std::size_t>(command)]; ++i) {
            if (at.AtLast()) return kErrorNumberExpected;
            at.Next();
            a[static_cast<std::size_t>(i)] = Low32(ReadDimension(memory, at.Cell(), code));
            if (code != 0) return code;
        }
        switch (command) {
        case pcPixel:
            canvas.SetPixel(a[0], a[1], MapColour(static_cast<uint32_t>(a[2]), graphicsMode));
            break;
        case pcLine: canvas.Line(a[0], a[1], a[2], a[3]); break;
        case pcRectangle: canvas.FrameRect(a[0], a[1], a[2], a[3]); break;
        case pcFillRect: canvas.Rectangle(a[0], a[1], a[2], a[3]); break;
        case pcEllipse:
            // The outline only: the brush is clear for this one shape.
            canvas.SetBrushSolid(false);
            canvas.Ellipse(a[0], a[1], a[2], a[3]);
            canvas.SetBrushSolid(true);
            break;
        case pcFillEllipse: canvas.Ellipse(a[0], a[1], a[2], a[3]); break;
        case pcSetFore:
            pen = MapColour(static_cast<uint32_t>(a[0]), graphicsMode);
            canvas.SetPenColour(pen);
            break;
        case pcSetBack:
            canvas.SetBrushColour(MapColour(static_cast<uint32_t>(a[0]), graphicsMode));
            break;
        case pcTextOut:
            if (at.AtLast()) return kErrorTextExpected;
            at.Next();
            code = DrawText(memory, at.Cell(), atoms, canvas, pen, a[0], a[1]);
            if (code != 0) return code;
            break;
        case pcSetFontSize: canvas.SetFontSize(a[0]); break;
        case pcFill: canvas.FloodFill(a[0], a[1], pen); break;
        default: break;
        }
    }
    return 0;
}

} // namespace zk
