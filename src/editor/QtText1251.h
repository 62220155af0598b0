// The editor's edge between its Windows-1251 lines and Qt's strings: lines
// become QString for painting and for the accessibility interface, and typed,
// committed or pasted Qt text becomes Windows-1251 bytes.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace zk::editor {

// Each byte is one QChar (every Windows-1251 character lies in the BMP), so
// offsets into the result equal offsets into `text`.
QString FromText1251(std::string_view text);

// Text as typed: a character the code page lacks is dropped, and so is every
// control character (line breaks and tabs included), so nothing but
// printable bytes reaches the line.
std::string TypedText1251(const QString& text);

// Text as pasted: line breaks stay, a character the code page lacks becomes '?'.
std::string PastedText1251(const QString& text);

} // namespace zk::editor
