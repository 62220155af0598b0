// The encodings of text files as users write them: Windows-1251, the system's
// own, and UTF-8, which Linux editors write. A file is decoded to Windows-1251
// as it is read and encoded back when the environment saves it; line ends are
// left as they are. A character that Windows-1251 lacks travels inside the
// system as kUnmappableByte, which no program may contain.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

enum class TTextEncoding : uint8_t { Cp1251, Utf8 };

// The one byte Windows-1251 leaves undefined; inside the system it stands for
// a character the code page cannot hold. The lexer rejects it (error 103).
inline constexpr char kUnmappableByte = '\x98';

// UTF-8 when the bytes start with the byte-order mark EF BB BF, or when they
// are valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF)
// holding at least one byte above 127; Windows-1251 otherwise, pure ASCII
// included.
TTextEncoding DetectEncoding(std::string_view bytes);

struct TDecodedText {
    std::string Text; // Windows-1251, one byte per character, the BOM dropped
    TTextEncoding Encoding = TTextEncoding::Cp1251;
    bool Bom = false;
    // The characters that stand in Text as kUnmappableByte, in their order.
    std::vector<char32_t> Unmappable;
};

// Decodes as DetectEncoding says.
TDecodedText DecodeText(std::string_view bytes);
// Decodes as `as` says, for reopening a file in the other encoding. Reading
// UTF-8, a leading BOM is dropped, and each malformed sequence becomes one
// kUnmappableByte with U+FFFD in Unmappable.
TDecodedText DecodeText(std::string_view bytes, TTextEncoding as);

// The bytes of a file holding `text1251`. To UTF-8 (after a BOM when `bom`),
// the n-th kUnmappableByte becomes unmappable[n] when the text holds exactly
// unmappable.size() of them, and U+FFFD otherwise. To Windows-1251 the bytes
// stay as they are, but kUnmappableByte becomes '?'; `bom` is not used there.
// Encoding a decoded UTF-8 text gives back the bytes it came from when they
// were valid UTF-8.
std::string EncodeText(std::string_view text1251, TTextEncoding encoding, bool bom,
                       const std::vector<char32_t>& unmappable);

// A character for a message, as UTF-8: "U+2260 «≠»"; a control character, a
// code point that is no character and U+FFFD show the number alone.
std::string CharacterName(char32_t c);

} // namespace zk
