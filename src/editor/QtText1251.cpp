// Windows-1251 and QString, through one table of the 256 bytes.
#include "editor/QtText1251.h"

#include "frontend/Cp1251.h"

#include <QList>

#include <array>
#include <optional>

namespace zk::editor {

namespace {

const std::array<char16_t, 256>& CharTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> chars{};
        for (int b = 0; b < 256; ++b) {
            const std::string utf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
            chars[static_cast<std::size_t>(b)] =
                QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).at(0).unicode();
        }
        return chars;
    }();
    return table;
}

// The highest code point of the code page is U+2122 (the trade mark sign).
constexpr char32_t kLastCodePoint = 0x2122;

// The byte of a code point, or nothing when the code page lacks it.
std::optional<char> ByteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    static const std::array<unsigned char, kLastCodePoint + 1> bytes = [] {
        std::array<unsigned char, kLastCodePoint + 1> reverse{};
        const std::array<char16_t, 256>& table = CharTable();
        for (int b = 0x80; b < 256; ++b)
            reverse[table[static_cast<std::size_t>(b)]] = static_cast<unsigned char>(b);
        return reverse;
    }();
    if (cp > kLastCodePoint || bytes[cp] == 0) return std::nullopt;
    return static_cast<char>(bytes[cp]);
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

} // namespace

QString FromText1251(std::string_view text) {
    const std::array<char16_t, 256>& table = CharTable();
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* out = result.data();
    for (const char c : text)
        *out++ = QChar(table[static_cast<unsigned char>(c)]);
    return result;
}

std::string TypedText1251(const QString& text) {
    std::string bytes;
    for (const char32_t cp : text.toUcs4()) {
        if (IsControl(cp)) continue;
        if (const std::optional<char> b = ByteOf(cp)) bytes += *b;
    }
    return bytes;
}

std::string PastedText1251(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t cp : text.toUcs4()) {
        const std::optional<char> b = ByteOf(cp);
        bytes += b ? *b : '?';
    }
    return bytes;
}

} // namespace zk::editor
