// Windows-1251, the code page of every text inside the system: letter case
// (Latin a-z, Cyrillic а-я and ё) and conversion to and from UTF-8, which
// happens only at the edges (terminal, Qt strings).
#pragma once

#include <string>
#include <string_view>

namespace zk {

char UpperChar1251(char c);
char LowerChar1251(char c);
std::string UpperCase1251(std::string_view text);
std::string LowerCase1251(std::string_view text);
bool SameText1251(std::string_view a, std::string_view b);

// The Unicode code point of a byte; 0x98, which the code page leaves
// undefined, gives U+0098.
char32_t CodePoint1251(char c);

// Code points with no Windows-1251 byte become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view text);

} // namespace zk
