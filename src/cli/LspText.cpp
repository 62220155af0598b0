// Positions of the protocol and offsets of the system's texts. Windows-1251
// characters all lie in the Basic Multilingual Plane; only a character the
// code page lacks, kept as kUnmappableByte, may take two UTF-16 units.
#include "cli/LspText.h"

#include "frontend/TextEncoding.h"

#include <algorithm>

namespace zk::cli {

namespace {

constexpr char32_t kFirstAstral = 0x10000;

TDecodedText Decoded(std::string_view utf8) {
    return DecodeText(utf8, TTextEncoding::Utf8);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

TLspText::TLspText(std::string_view utf8) : TLspText(Decoded(utf8)) {}

TLspText::TLspText(TDecodedText decoded)
    : Text_(std::move(decoded.Text)), Lines_(Text_), Lead_(decoded.Bom ? 1 : 0) {
    std::size_t next = 0;
    for (std::size_t i = 0; i < Text_.size() && next < decoded.Unmappable.size(); ++i) {
        if (Text_[i] != kUnmappableByte) continue;
        if (decoded.Unmappable[next++] >= kFirstAstral) Wide_.push_back(static_cast<int32_t>(i));
    }
}

int32_t TLspText::Units(int32_t from, int32_t to) const {
    const auto first = std::lower_bound(Wide_.begin(), Wide_.end(), from);
    const auto last = std::lower_bound(first, Wide_.end(), to);
    return to - from + static_cast<int32_t>(last - first);
}

TLspPosition TLspText::ToPosition(int32_t offset) const {
    const analysis::TLineColumn place = Lines_.ToLineColumn(offset);
    const int32_t start = Lines_.LineStart(place.Line);
    const int32_t lead = place.Line == 0 ? Lead_ : 0;
    return {place.Line, lead + Units(start, start + place.Column)};
}

int32_t TLspText::ToOffset(TLspPosition position) const {
    if (position.Line < 0) return 0;
    if (position.Line >= Lines_.LineCount()) return static_cast<int32_t>(Text_.size());
    const int32_t end = Lines_.LineEnd(position.Line);
    int32_t offset = Lines_.LineStart(position.Line);
    int32_t units = position.Line == 0 ? Lead_ : 0;
    auto wide = std::lower_bound(Wide_.begin(), Wide_.end(), offset);
    while (offset < end && units < position.Character) {
        const bool isWide = wide != Wide_.end() && *wide == offset;
        units += isWide ? 2 : 1;
        if (isWide) ++wide;
        ++offset;
    }
    return offset;
}

TLspPosition PlainPosition(const analysis::TLineIndex& lines, int32_t offset) {
    const analysis::TLineColumn place = lines.ToLineColumn(offset);
    return {place.Line, place.Column};
}

std::string UriToPath(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (!uri.starts_with(kScheme)) return {};
    uri.remove_prefix(kScheme.size());
    // An authority other than the empty one or localhost names another machine.
    const std::size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return {};
    const std::string_view authority = uri.substr(0, slash);
    if (!authority.empty() && authority != "localhost") return {};
    uri.remove_prefix(slash);
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const int high = i + 2 < uri.size() ? HexValue(uri[i + 1]) : -1;
        const int low = i + 2 < uri.size() ? HexValue(uri[i + 2]) : -1;
        if (uri[i] == '%' && high >= 0 && low >= 0) {
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return path;
}

std::string PathToUri(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool ascii =
            (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
        if (ascii || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[b >> 4];
            uri += kHex[b & 15];
        }
    }
    return uri;
}

} // namespace zk::cli
