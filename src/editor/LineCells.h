// A line's columns on the screen's grid of cells. A tab shows as the spaces
// up to the next multiple of kTabWidth; every other character, and every
// column past the line's end, takes one cell. The editor types no tabs (a
// typed or pasted tab becomes spaces), but a loaded text keeps its own, so
// the caret, the mouse, the selection and the painting all meet here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zk::editor {

inline constexpr int32_t kTabWidth = 8;

// The cell after character `c` when it starts at `cell`.
inline int32_t NextCell(char c, int32_t cell) {
    return c == '\t' ? (cell / kTabWidth + 1) * kTabWidth : cell + 1;
}

// The cell where column `col` of `line` starts.
int32_t CellOfColumn(std::string_view line, int32_t col);
// The column that starts nearest to `cell`: a cell inside a tab's spaces
// goes to the tab or to the character after it, whichever is closer.
int32_t ColumnOfCell(std::string_view line, int32_t cell);
// The column whose cells hold `cell`: a cell inside a tab's spaces belongs
// to the tab, as the mouse points at it.
int32_t ColumnHoldingCell(std::string_view line, int32_t cell);
// `text` with every tab replaced by the spaces up to the next tab stop, its
// first character standing at `cell`; after a line break cells count from 0.
std::string ExpandTabs(std::string_view text, int32_t cell);

} // namespace zk::editor
