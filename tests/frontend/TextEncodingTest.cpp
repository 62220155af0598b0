// Telling UTF-8 from Windows-1251 at the edges of well-formed UTF-8, decoding
// with the characters the code page lacks, and the bytes of a file kept
// through decoding and encoding.
#include "frontend/TextEncoding.h"

#include "TestFiles.h"
#include "frontend/Cp1251.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using test::W;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

TEST(DetectEncoding, ABomAloneIsUtf8AndDecodesToNothing) {
    EXPECT_EQ(DetectEncoding(kBom), TTextEncoding::Utf8);
    const TDecodedText decoded = DecodeText(kBom);
    EXPECT_EQ(decoded.Text, "");
    EXPECT_EQ(decoded.Encoding, TTextEncoding::Utf8);
    EXPECT_TRUE(decoded.Bom);
}

TEST(DetectEncoding, PureAsciiIsWindows1251) {
    EXPECT_EQ(DetectEncoding(""), TTextEncoding::Cp1251);
    EXPECT_EQ(DetectEncoding("(F (X) X)\n"), TTextEncoding::Cp1251);
}

TEST(DetectEncoding, ValidUtf8WithOneByteAbove127IsUtf8) {
    EXPECT_EQ(DetectEncoding("(F (X) X) // Привет"), TTextEncoding::Utf8);
    EXPECT_EQ(DetectEncoding("\xF4\x8F\xBF\xBF"), TTextEncoding::Utf8); // U+10FFFF
}

TEST(DetectEncoding, MalformedUtf8IsWindows1251) {
    for (const std::string_view bytes : {
             "A\xC0",            // a lead byte that no sequence has
             "\xC1\xBF",         // overlong U+007F
             "\xE0\x9F\xBF",     // overlong U+07FF
             "\xF0\x8F\xBF\xBF", // overlong U+FFFF
             "\xED\xA0\x80",     // surrogate U+D800
             "\xF4\x90\x80\x80", // U+110000
             "\xD0\x9F\xD1",     // "П" and a sequence cut by the end
             "\x80",             // a continuation byte alone
         })
        EXPECT_EQ(DetectEncoding(bytes), TTextEncoding::Cp1251) << testing::PrintToString(bytes);
}

TEST(DetectEncoding, AWindows1251RussianTextStaysAsItIs) {
    const std::string text = W("(ПРИВЕТ (Х) Х) // ещё\r\n");
    EXPECT_EQ(DetectEncoding(text), TTextEncoding::Cp1251);
    const TDecodedText decoded = DecodeText(text);
    EXPECT_EQ(decoded.Text, text);
    EXPECT_EQ(decoded.Encoding, TTextEncoding::Cp1251);
}

TEST(DecodeText, EveryCharacterOfTheCodePageDecodesToItsByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (static_cast<char>(b) != kUnmappableByte) all += static_cast<char>(b);
    const TDecodedText decoded = DecodeText(Cp1251ToUtf8(all));
    EXPECT_EQ(decoded.Text, all);
    EXPECT_TRUE(decoded.Unmappable.empty());
}

TEST(DecodeText, CharactersTheCodePageLacksStandInAndAreListed) {
    // U+0098 has no character in the code page, though it shares the byte.
    const TDecodedText decoded = DecodeText("Ж≠\xC2\x98 😀℣");
    EXPECT_EQ(decoded.Text, W("Ж") + "\x98\x98 \x98\x98");
    EXPECT_EQ(decoded.Unmappable, (std::vector<char32_t>{0x2260, 0x98, 0x1F600, 0x2123}));
}

TEST(DecodeText, ForcedUtf8TurnsEachMalformedSequenceIntoOneStandIn) {
    // E2 89 begins "≠" and is cut short; C0 never begins a sequence.
    const TDecodedText decoded = DecodeText("\xEF\xBB\xBF\xE2\x89 \xC0\x80Ж", TTextEncoding::Utf8);
    EXPECT_TRUE(decoded.Bom);
    EXPECT_EQ(decoded.Text, "\x98 \x98\x98" + W("Ж"));
    EXPECT_EQ(decoded.Unmappable, (std::vector<char32_t>{0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST(DecodeText, ForcedWindows1251KeepsTheBytes) {
    const std::string_view bytes = "\xEF\xBB\xBFЖ";
    const TDecodedText decoded = DecodeText(bytes, TTextEncoding::Cp1251);
    EXPECT_EQ(decoded.Text, bytes);
    EXPECT_FALSE(decoded.Bom);
}

TEST(EncodeText, AUtf8FileComesBackByteForByte) {
    const std::string file = "// Программа ≠ 😀\n(F (X)\n  (EXPR X (QUOTE ЁЖ))) { ещё }\n";
    for (const std::string& bytes : {file, std::string(kBom) + file}) {
        const TDecodedText decoded = DecodeText(bytes);
        EXPECT_EQ(EncodeText(decoded.Text, decoded.Encoding, decoded.Bom, decoded.Unmappable),
                  bytes);
    }
}

TEST(EncodeText, StandInsWithoutTheirListBecomeReplacementCharacters) {
    // The text lost a stand-in since it was decoded: the list no longer fits.
    EXPECT_EQ(EncodeText("A\x98", TTextEncoding::Utf8, false, {0x2260, 0x2261}), "A\uFFFD");
    EXPECT_EQ(EncodeText("A\x98", TTextEncoding::Utf8, true, {0x2260}), std::string(kBom) + "A≠");
}

TEST(EncodeText, ToWindows1251AStandInBecomesAQuestionMark) {
    EXPECT_EQ(EncodeText(W("Ж") + "\x98", TTextEncoding::Cp1251, true, {0x2260}), W("Ж") + "?");
}

TEST(CharacterName, ShowsTheGlyphOfAPrintableCharacterOnly) {
    EXPECT_EQ(CharacterName(0x2260), "U+2260 «≠»");
    EXPECT_EQ(CharacterName(0x1F600), "U+1F600 «😀»");
    EXPECT_EQ(CharacterName(0x98), "U+0098");
    EXPECT_EQ(CharacterName(0xFFFD), "U+FFFD");
}

} // namespace
} // namespace zk
