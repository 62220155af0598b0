// The editor's edge between its Windows-1251 lines and Qt's strings: lines
// become QString for painting, the clipboard and the accessibility interface,
// and typed, committed or pasted Qt text becomes Windows-1251 bytes, by the
// rules of Text1251.
#pragma once

#include "editor/Text1251.h"

#include <QString>

#include <string>
#include <string_view>

namespace zk::editor {

// Each byte is one QChar (every character shown lies in the BMP), so offsets
// into the result equal offsets into `text`. 0x98 shows as U+FFFD.
QString FromText1251(std::string_view text);

std::string TypedText1251(const QString& text);
TPastedText PastedText1251(const QString& text);

} // namespace zk::editor
