// Qt's key events in the terms of the editor's key table. Commands are found
// by key code, never by the typed text, so that Control+V is paste on every
// keyboard layout; typing goes by the text and by the modifiers alone.
#pragma once

#include "editor/MemoKeys.h"

#include <QKeyEvent>

#include <optional>

namespace zk::editor {

struct TKeyStroke {
    TKey Key;
    uint8_t Shift; // TShiftState bits
};

// The key and modifiers of the table that `event` is, if any.
std::optional<TKeyStroke> KeyStrokeOf(const QKeyEvent& event);

// Whether the event's text is typed: never with Control or Control+Shift
// (those are commands), but with Control+Alt, which is AltGr on some systems.
bool TypesText(const QKeyEvent& event);

} // namespace zk::editor
