// Letter case of Windows-1251 and the UTF-8 edges.
#include "frontend/Cp1251.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

TEST(Cp1251Case, FoldsLatinCyrillicAndYo) {
    EXPECT_EQ(UpperCase1251("abc_xyz09"), "ABC_XYZ09");
    EXPECT_EQ(UpperCase1251("\xE0\xFF\xB8"), "\xC0\xDF\xA8"); // а я ё -> А Я Ё
    EXPECT_EQ(LowerCase1251("\xC0\xDF\xA8Q"), "\xE0\xFF\xB8q");
}

TEST(Cp1251Case, LeavesOtherBytesAlone) {
    // Ў ў, Є є and the signs keep their bytes: only a-z, а-я and ё fold.
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool letter = (b >= 'a' && b <= 'z') || b >= 0xE0 || b == 0xB8;
        if (!letter) {
            EXPECT_EQ(UpperChar1251(c), c) << b;
        }
    }
}

TEST(Cp1251Case, SameTextIgnoresCase) {
    EXPECT_TRUE(SameText1251("lib.zk", "LIB.ZK"));
    EXPECT_TRUE(SameText1251("\xF1\xEF\xE8\xF1\xEE\xEA", "\xD1\xCF\xC8\xD1\xCE\xCA"));
    EXPECT_FALSE(SameText1251("LIB", "LIB.ZK"));
    EXPECT_FALSE(SameText1251("A", "B"));
}

TEST(Cp1251Utf8, RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251Utf8, ConvertsRussianText) {
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(Utf8ToCp1251("Ёлка №1"), "\xA8\xEB\xEA\xE0 \xB9"
                                       "1");
}

TEST(Cp1251Utf8, UnmappableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(Utf8ToCp1251("a\xFF"
                           "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp1251("\xD0"), "?"); // cut sequence at the end
}

} // namespace
} // namespace zk
