// Windows-1251 and QString, through the shown character of each byte.
#include "editor/QtText1251.h"

#include <array>

namespace zk::editor {

namespace {

const std::array<char16_t, 256>& CharTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> chars{};
        for (int b = 0; b < 256; ++b)
            chars[static_cast<std::size_t>(b)] =
                static_cast<char16_t>(ShownChar(static_cast<unsigned char>(b)));
        return chars;
    }();
    return table;
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
    return TypedText(text.toStdU32String());
}

TPastedText PastedText1251(const QString& text) {
    return PastedText(text.toStdU32String());
}

} // namespace zk::editor
