// The editor's edge between Windows-1251 and Unicode, without Qt: the
// character each byte shows as, and the byte a typed or pasted character
// becomes. The byte 0x98, which the code page leaves undefined, stands for a
// character that a file held and the code page cannot: it shows as U+FFFD,
// and no typed or pasted character ever becomes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zk::editor {

inline constexpr unsigned char kUnheldByte = 0x98;
inline constexpr char32_t kReplacementChar = 0xFFFD;

// The character `byte` shows as.
char32_t ShownChar(unsigned char byte);
// The byte of a character, or nothing when the code page lacks it.
std::optional<char> ByteOf(char32_t cp);

// Typed text: line breaks and the other control characters are dropped, and
// so is a character the code page lacks; a tab stays, for the editor to turn
// into spaces.
std::string TypedText(std::u32string_view text);

// Pasted text and how many of its characters were replaced. Line breaks and
// tabs stay. A character the code page lacks becomes its ASCII form where it
// has one (typographic dashes '-', quotes '\'' and '"', Unicode spaces ' ')
// and '?' otherwise; the no-break space becomes ' ' too, since ZK sees no
// blank in it.
struct TPastedText {
    std::string Text;
    int32_t Replaced = 0;
};
TPastedText PastedText(std::u32string_view text);

} // namespace zk::editor
