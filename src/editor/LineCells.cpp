// Columns and cells; a line without a tab has them equal, which the
// functions find out first, so that ordinary lines cost one scan for a tab.
#include "editor/LineCells.h"

#include <algorithm>

namespace zk::editor {

int32_t CellOfColumn(std::string_view line, int32_t col) {
    const std::string_view before = line.substr(0, static_cast<std::size_t>(std::max(col, 0)));
    if (before.find('\t') == std::string_view::npos) return col;
    int32_t cell = 0;
    for (const char c : before)
        cell = NextCell(c, cell);
    return cell + col - static_cast<int32_t>(before.size());
}

int32_t ColumnOfCell(std::string_view line, int32_t cell) {
    if (line.find('\t') == std::string_view::npos) return cell;
    int32_t start = 0;
    for (std::size_t col = 0; col < line.size(); ++col) {
        const int32_t next = NextCell(line[col], start);
        if (cell < next) {
            const bool nearerNext = 2 * (cell - start) >= next - start && next - start > 1;
            return static_cast<int32_t>(col) + (nearerNext ? 1 : 0);
        }
        start = next;
    }
    return static_cast<int32_t>(line.size()) + cell - start;
}

int32_t ColumnHoldingCell(std::string_view line, int32_t cell) {
    if (line.find('\t') == std::string_view::npos) return cell;
    int32_t start = 0;
    for (std::size_t col = 0; col < line.size(); ++col) {
        const int32_t next = NextCell(line[col], start);
        if (cell < next) return static_cast<int32_t>(col);
        start = next;
    }
    return static_cast<int32_t>(line.size()) + cell - start;
}

std::string ExpandTabs(std::string_view text, int32_t cell) {
    if (text.find('\t') == std::string_view::npos) return std::string(text);
    std::string expanded;
    expanded.reserve(text.size() + kTabWidth);
    for (const char c : text) {
        const int32_t next = NextCell(c, cell);
        if (c == '\t')
            expanded.append(static_cast<std::size_t>(next - cell), ' ');
        else
            expanded += c;
        cell = c == '\r' || c == '\n' ? 0 : next;
    }
    return expanded;
}

} // namespace zk::editor
