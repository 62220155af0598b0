// Lines and columns of a decoded text: where each line starts, so that an
// offset becomes a line and a column and back. Lines end at LF, CR LF or CR,
// as editors count them; lines and columns count from 0, a column in
// characters (bytes of the Windows-1251 text).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zk::analysis {

struct TLineColumn {
    int32_t Line = 0;
    int32_t Column = 0;
};

class TLineIndex {
public:
    explicit TLineIndex(std::string_view text);

    int32_t LineCount() const { return static_cast<int32_t>(Starts_.size()); }
    // An offset outside the text is taken as its nearest end.
    TLineColumn ToLineColumn(int32_t offset) const;
    // A line past the last is the end of the text; a column past the line's
    // end is that end, before its line break.
    int32_t ToOffset(TLineColumn place) const;
    int32_t LineStart(int32_t line) const;
    // Where the line's break begins (the text's end for the last line).
    int32_t LineEnd(int32_t line) const;

private:
    std::vector<int32_t> Starts_;
    std::vector<int32_t> Ends_;
    int32_t Size_ = 0;
};

} // namespace zk::analysis
