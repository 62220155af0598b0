// Decoding and encoding of text files. Decoding is one pass over the bytes:
// ASCII is copied, every other sequence is checked against the ranges of
// well-formed UTF-8 and looked up in a table from code points to
// Windows-1251 bytes, built once from the code page's own table.
#include "frontend/TextEncoding.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace zk {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;
// The largest code point of the code page (U+2122 TRADE MARK SIGN).
constexpr char32_t kLastCodePointOf1251 = 0x2122;

// The Windows-1251 byte of each code point up to the code page's largest; 0
// where it has none. U+0098 stays 0: the byte 0x98 is no character.
using TByteTable = std::array<unsigned char, kLastCodePointOf1251 + 1>;

const TByteTable& ByteTable() {
    static const TByteTable table = [] {
        TByteTable bytes{};
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char c = static_cast<char>(b);
            const char32_t code = CodePoint1251(c);
            if (c != kUnmappableByte && code < bytes.size())
                bytes[code] = static_cast<unsigned char>(b);
        }
        return bytes;
    }();
    return table;
}

// The byte of a code point above 127, kUnmappableByte when the code page lacks it.
char ByteOf(char32_t code, const TByteTable& table) {
    if (code < table.size() && table[code] != 0) return static_cast<char>(table[code]);
    return kUnmappableByte;
}

// What a lead byte above 127 begins: how many continuation bytes follow, the
// range the first of them must lie in (which rules out overlong forms,
// surrogates and code points above U+10FFFF), and the lead's own bits.
struct TLead {
    std::size_t Continuations = 0; // 0: the byte cannot begin a sequence
    unsigned Low = 0x80;
    unsigned High = 0xBF;
    char32_t Bits = 0;
};

TLead LeadOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF, lead & 0x1Fu};
    if (lead >= 0xE0 && lead <= 0xEF)
        return {2, lead == 0xE0 ? 0xA0u : 0x80u, lead == 0xED ? 0x9Fu : 0xBFu, lead & 0x0Fu};
    if (lead >= 0xF0 && lead <= 0xF4)
        return {3, lead == 0xF0 ? 0x90u : 0x80u, lead == 0xF4 ? 0x8Fu : 0xBFu, lead & 0x07u};
    return {};
}

struct TSequence {
    char32_t Code = kReplacement;
    std::size_t Length = 1;
    bool Valid = false;
};

// The sequence that begins with the byte above 127 at `p`. A malformed one is
// its longest well-formed prefix, at least one byte, and reads as U+FFFD.
TSequence NextSequence(const unsigned char* p, const unsigned char* end) {
    TLead lead = LeadOf(*p);
    if (lead.Continuations == 0) return {};
    char32_t code = lead.Bits;
    std::size_t length = 1;
    for (; length <= lead.Continuations; ++length) {
        if (p + length == end || p[length] < lead.Low || p[length] > lead.High)
            return {kReplacement, length, false};
        code = code << 6 | (p[length] & 0x3Fu);
        lead.Low = 0x80;
        lead.High = 0xBF;
    }
    return {code, length, true};
}

const unsigned char* BytesOf(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// Decodes UTF-8 into out.Text and out.Unmappable. When `strict`, stops with
// false at the first malformed sequence, leaving `out` half filled.
bool DecodeUtf8(std::string_view bytes, TDecodedText& out, bool strict) {
    const TByteTable& table = ByteTable();
    out.Text.resize(bytes.size());
    char* const begin = out.Text.data();
    char* write = begin;
    const unsigned char* p = BytesOf(bytes);
    const unsigned char* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            *write++ = static_cast<char>(*p++);
            continue;
        }
        const TSequence sequence = NextSequence(p, end);
        if (strict && !sequence.Valid) return false;
        p += sequence.Length;
        *write = ByteOf(sequence.Code, table);
        if (*write++ == kUnmappableByte) out.Unmappable.push_back(sequence.Code);
    }
    out.Text.resize(static_cast<std::size_t>(write - begin));
    return true;
}

TDecodedText AsCp1251(std::string_view bytes) {
    return {std::string(bytes), TTextEncoding::Cp1251, false, {}};
}

bool IsCharacter(char32_t c) {
    return c <= kLastCodePoint && (c < 0xD800 || c > 0xDFFF);
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsCharacter(c)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string EncodeUtf8(std::string_view text, bool bom, const std::vector<char32_t>& unmappable) {
    const auto standIns =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), kUnmappableByte));
    const bool listed = standIns == unmappable.size();
    std::string out;
    out.reserve(kBom.size() + text.size() * 2);
    if (bom) out += kBom;
    std::size_t next = 0;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c;
        } else if (c != kUnmappableByte) {
            AppendUtf8(out, CodePoint1251(c));
        } else {
            AppendUtf8(out, listed ? unmappable[next++] : kReplacement);
        }
    }
    return out;
}

} // namespace

TTextEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kBom)) return TTextEncoding::Utf8;
    bool high = false;
    const unsigned char* p = BytesOf(bytes);
    const unsigned char* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const TSequence sequence = NextSequence(p, end);
        if (!sequence.Valid) return TTextEncoding::Cp1251;
        p += sequence.Length;
        high = true;
    }
    return high ? TTextEncoding::Utf8 : TTextEncoding::Cp1251;
}

// Decoding and checking are the same pass: a text that turns out not to be
// UTF-8 is taken as it is. Valid UTF-8 holding a byte above 127 decodes to
// fewer bytes than it has, as every such byte is part of a longer sequence.
TDecodedText DecodeText(std::string_view bytes) {
    if (bytes.starts_with(kBom)) return DecodeText(bytes, TTextEncoding::Utf8);
    TDecodedText utf8;
    utf8.Encoding = TTextEncoding::Utf8;
    if (DecodeUtf8(bytes, utf8, true) && utf8.Text.size() < bytes.size()) return utf8;
    return AsCp1251(bytes);
}

TDecodedText DecodeText(std::string_view bytes, TTextEncoding as) {
    if (as == TTextEncoding::Cp1251) return AsCp1251(bytes);
    TDecodedText utf8;
    utf8.Encoding = TTextEncoding::Utf8;
    utf8.Bom = bytes.starts_with(kBom);
    if (utf8.Bom) bytes.remove_prefix(kBom.size());
    DecodeUtf8(bytes, utf8, false);
    return utf8;
}

std::string EncodeText(std::string_view text1251, TTextEncoding encoding, bool bom,
                       const std::vector<char32_t>& unmappable) {
    if (encoding == TTextEncoding::Utf8) return EncodeUtf8(text1251, bom, unmappable);
    std::string bytes(text1251);
    std::replace(bytes.begin(), bytes.end(), kUnmappableByte, '?');
    return bytes;
}

std::string CharacterName(char32_t c) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    std::string name = number;
    if (IsCharacter(c) && !IsControl(c) && c != kReplacement) {
        name += " «";
        AppendUtf8(name, c);
        name += "»";
    }
    return name;
}

} // namespace zk
