// Windows-1251 and Unicode through one table of the 256 bytes, taken from the
// core's conversion so that the two never disagree.
#include "editor/Text1251.h"

#include "frontend/Cp1251.h"

#include <array>

namespace zk::editor {

namespace {

// The one character of a UTF-8 text of at most three bytes, as the core's
// conversion gives every byte of the code page.
char32_t DecodeOne(std::string_view utf8) {
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(utf8[i] & 0xFF); };
    if (utf8.size() == 1) return byte(0);
    if (utf8.size() == 2) return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
}

const std::array<char32_t, 256>& CharTable() {
    static const std::array<char32_t, 256> table = [] {
        std::array<char32_t, 256> chars{};
        for (int b = 0; b < 256; ++b)
            chars[static_cast<std::size_t>(b)] =
                DecodeOne(Cp1251ToUtf8(std::string(1, static_cast<char>(b))));
        chars[kUnheldByte] = kReplacementChar;
        return chars;
    }();
    return table;
}

// The highest code point of the code page is U+2122 (the trade mark sign).
constexpr char32_t kLastCodePoint = 0x2122;

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

constexpr char32_t kNoBreakSpace = 0x00A0;

bool IsUnicodeSpace(char32_t cp) {
    return cp == kNoBreakSpace || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F ||
           cp == 0x205F || cp == 0x3000;
}

// The ASCII form of a character the code page lacks, or nothing.
std::optional<char> AsciiForm(char32_t cp) {
    if (IsUnicodeSpace(cp)) return ' ';
    if ((cp >= 0x2010 && cp <= 0x2015) || cp == 0x2212) return '-';
    if (cp == 0x201B || cp == 0x2032) return '\'';
    if (cp == 0x201F || cp == 0x2033) return '"';
    return std::nullopt;
}

} // namespace

char32_t ShownChar(unsigned char byte) {
    return CharTable()[byte];
}

std::optional<char> ByteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    static const std::array<unsigned char, kLastCodePoint + 1> bytes = [] {
        std::array<unsigned char, kLastCodePoint + 1> reverse{};
        for (int b = 0x80; b < 256; ++b)
            if (const char32_t shown = ShownChar(static_cast<unsigned char>(b));
                shown <= kLastCodePoint)
                reverse[shown] = static_cast<unsigned char>(b);
        return reverse;
    }();
    if (cp > kLastCodePoint || bytes[cp] == 0) return std::nullopt;
    return static_cast<char>(bytes[cp]);
}

std::string TypedText(std::u32string_view text) {
    std::string bytes;
    for (const char32_t cp : text) {
        if (IsControl(cp) && cp != '\t') continue;
        if (const std::optional<char> b = ByteOf(cp)) bytes += *b;
    }
    return bytes;
}

TPastedText PastedText(std::u32string_view text) {
    TPastedText pasted;
    pasted.Text.reserve(text.size());
    for (const char32_t cp : text) {
        std::optional<char> b = cp == kNoBreakSpace ? std::nullopt : ByteOf(cp);
        if (!b) {
            b = AsciiForm(cp).value_or('?');
            ++pasted.Replaced;
        }
        pasted.Text += *b;
    }
    return pasted;
}

} // namespace zk::editor
