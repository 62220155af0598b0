// What the language server needs to speak of text in the protocol's terms: a
// document's UTF-8 text decoded to Windows-1251 by the system's rule, with
// positions (line, UTF-16 code unit) mapped to offsets of the decoded text
// and back, characters outside Windows-1251 included; and file URIs.
#pragma once

#include "analysis/LineIndex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {
struct TDecodedText;
}

namespace zk::cli {

struct TLspPosition {
    int32_t Line = 0;
    int32_t Character = 0; // UTF-16 code units
};

class TLspText {
public:
    // `utf8` as the client sent it.
    explicit TLspText(std::string_view utf8);

    const std::string& Text() const { return Text_; } // Windows-1251
    int32_t ToOffset(TLspPosition position) const;
    TLspPosition ToPosition(int32_t offset) const;

private:
    explicit TLspText(TDecodedText decoded);
    // UTF-16 units of the decoded characters from `from` up to `to` on one line.
    int32_t Units(int32_t from, int32_t to) const;

    std::string Text_;
    analysis::TLineIndex Lines_;
    std::vector<int32_t> Wide_; // offsets of characters that take two UTF-16 units
    int32_t Lead_ = 0;          // a byte-order mark: one unit before the first character
};

// The same mapping for a file the server did not receive, read as the
// compiler reads it: one unit a character.
TLspPosition PlainPosition(const analysis::TLineIndex& lines, int32_t offset);

// The path of a file: URI, empty for any other scheme; and back.
std::string UriToPath(std::string_view uri);
std::string PathToUri(std::string_view path);

} // namespace zk::cli
