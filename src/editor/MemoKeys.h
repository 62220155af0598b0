// The editor's key table: which keys with which modifiers the editor takes,
// and the model command each one runs. The view maps its key codes to TKey
// (by key code, never by the typed text, so that Control+V works on any
// layout) and asks HandlesKey before the window's shortcuts may take a key.
#pragma once

#include <cstdint>

namespace zk::editor {

class TMemoModel;

enum class TKey : uint8_t {
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    Enter,
    Backspace,
    Delete,
    Tab,
    Insert,
    Escape,
    Space,
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    A,
    C,
    V,
    X,
    Z,
    Plus, // also "=", the key it shares
    Minus,
};

enum TShiftState : uint8_t { ssNone = 0, ssShift = 1, ssCtrl = 2, ssAlt = 4 };

// True when the editor runs a command for the key in the model's present
// state: Escape only while a mouse selection is in progress or the
// completion list shows, Control+Space only where the text may be edited.
// While the completion list shows, the arrows up and down, the page keys,
// Enter, Tab and Escape are the list's.
bool HandlesKey(const TMemoModel& model, TKey key, uint8_t shift);
// Runs the key's command; false when the key is not the editor's.
bool HandleKey(TMemoModel& model, TKey key, uint8_t shift);

} // namespace zk::editor
