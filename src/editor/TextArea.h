// Places in the editor's text: a point is a column and a row, both zero-based,
// and may lie beyond the end of its line or below the last line. An area is
// a selection: a stream of text from Start to End, or a column block. A
// span of rows is what a change asks to repaint.
#pragma once

#include <compare>
#include <cstdint>
#include <string_view>

namespace zk::editor {

struct TTextPoint {
    int32_t Col = 0;
    int32_t Row = 0;
    friend bool operator==(const TTextPoint&, const TTextPoint&) = default;
    // Rows first, then columns: the order of the text.
    friend std::strong_ordering operator<=>(const TTextPoint& a, const TTextPoint& b) {
        if (auto byRow = a.Row <=> b.Row; byRow != 0) return byRow;
        return a.Col <=> b.Col;
    }
};

// Rows first to last, inclusive.
struct TRowSpan {
    int32_t First = 0;
    int32_t Last = 0;
    friend bool operator==(const TRowSpan&, const TRowSpan&) = default;
};

enum TBlockType : uint8_t { btStream = 0, btColumn = 1 };

// Start never stands after End. A column block covers the columns from
// min(Start.Col, End.Col) up to, not including, the larger one, on every row
// from Start.Row to End.Row.
struct TDCTextArea {
    TTextPoint Start;
    TTextPoint End;
    bool Empty = true;
    TBlockType BlockType = btStream;
    friend bool operator==(const TDCTextArea&, const TDCTextArea&) = default;

    static TDCTextArea Between(TTextPoint a, TTextPoint b, TBlockType type = btStream) {
        TDCTextArea area;
        area.Start = a < b ? a : b;
        area.End = a < b ? b : a;
        area.Empty = a == b;
        area.BlockType = type;
        return area;
    }
};

// The point where `text` ends when it is inserted at `at`: each line break
// (CR LF, CR or LF) moves to column 0 of the next row.
inline TTextPoint TextEnd(TTextPoint at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            at = {0, at.Row + 1};
        } else {
            ++at.Col;
        }
    }
    return at;
}

} // namespace zk::editor
