// The mapping of Qt key codes onto the key table.
#include "editor/QtKeys.h"

#include <QGuiApplication>

#include <array>

namespace zk::editor {

namespace {

TKey Digit(int n) {
    return static_cast<TKey>(static_cast<int>(TKey::Digit0) + n);
}

std::optional<TKey> KeyOfCode(int code) {
    switch (code) {
    case Qt::Key_Left: return TKey::Left;
    case Qt::Key_Right: return TKey::Right;
    case Qt::Key_Up: return TKey::Up;
    case Qt::Key_Down: return TKey::Down;
    case Qt::Key_Home: return TKey::Home;
    case Qt::Key_End: return TKey::End;
    case Qt::Key_PageUp: return TKey::PageUp;
    case Qt::Key_PageDown: return TKey::PageDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return TKey::Enter;
    case Qt::Key_Backspace: return TKey::Backspace;
    case Qt::Key_Delete: return TKey::Delete;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return TKey::Tab;
    case Qt::Key_Insert: return TKey::Insert;
    case Qt::Key_Escape: return TKey::Escape;
    case Qt::Key_Space: return TKey::Space;
    case Qt::Key_A: return TKey::A;
    case Qt::Key_C: return TKey::C;
    case Qt::Key_V: return TKey::V;
    case Qt::Key_X: return TKey::X;
    case Qt::Key_Z: return TKey::Z;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return TKey::Plus;
    case Qt::Key_Minus: return TKey::Minus;
    default: break;
    }
    if (code >= Qt::Key_0 && code <= Qt::Key_9) return Digit(code - Qt::Key_0);
    return std::nullopt;
}

// With Shift held the digit keys report the character above the digit; on
// the common layouts Qt gives the Latin one even under a Cyrillic layout.
std::optional<TKey> ShiftedDigit(int code) {
    static constexpr std::array<int, 10> above = {
        Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,          Qt::Key_NumberSign,
        Qt::Key_Dollar,     Qt::Key_Percent,  Qt::Key_AsciiCircum, Qt::Key_Ampersand,
        Qt::Key_Asterisk,   Qt::Key_ParenLeft};
    for (int n = 0; n < 10; ++n)
        if (above[static_cast<std::size_t>(n)] == code) return Digit(n);
    return std::nullopt;
}

// On X11, the digit of a key of the digit row by its position on a PC
// keyboard, whatever the layout makes of it (the keycodes are 10 to 19).
std::optional<TKey> DigitAtPosition(quint32 scanCode) {
    static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!x11 || scanCode < 10 || scanCode > 19) return std::nullopt;
    return Digit(static_cast<int>(scanCode - 9) % 10);
}

Qt::KeyboardModifiers Modifiers(const QKeyEvent& event) {
    return event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
}

} // namespace

std::optional<TKeyStroke> KeyStrokeOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = Modifiers(event);
    if (modifiers & Qt::MetaModifier) return std::nullopt;
    uint8_t shift = ssNone;
    if (modifiers & Qt::ShiftModifier) shift |= ssShift;
    if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
    if (modifiers & Qt::AltModifier) shift |= ssAlt;
    if (event.key() == Qt::Key_Backtab) shift |= ssShift;

    std::optional<TKey> key = KeyOfCode(event.key());
    if (!key && (shift & ssShift)) key = ShiftedDigit(event.key());
    // With Control the digit row means bookmarks, even where the layout puts
    // a zoom key there: "-" on a French keyboard, "=" over a German 0.
    if (shift & ssCtrl)
        if (const std::optional<TKey> digit = DigitAtPosition(event.nativeScanCode())) key = digit;
    if (!key) return std::nullopt;
    return TKeyStroke{*key, shift};
}

bool TypesText(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = Modifiers(event);
    if (modifiers & Qt::MetaModifier) return false;
    // Alt with a letter opens a menu and never types it; Control with Alt is
    // AltGr on Windows, which types the layout's third level.
    if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier)) return false;
    return modifiers != Qt::ControlModifier &&
           modifiers != (Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace zk::editor
