// The test file of zk test: every key, the defaults before the first test,
// each way a file is refused with its line, result comparison and the
// bitmaps that picture tests compare with.
#include "cli/TestFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

using cli::TExpectKind;
using cli::TTestFile;
using cli::TTestFileError;

TTestFile Parsed(std::string_view text) {
    TTestFile file;
    TTestFileError error;
    EXPECT_TRUE(cli::ParseTestText(text, file, error)) << error.Line << ": " << error.Message;
    return file;
}

TTestFileError Refusal(std::string_view text) {
    TTestFile file;
    TTestFileError error;
    EXPECT_FALSE(cli::ParseTestText(text, file, error));
    return error;
}

TEST(TestFile, EveryKeyOfATestAndTheDefaults) {
    const TTestFile file = Parsed(W("# a comment\r\n"
                                    "steps: 500\n"
                                    "points: 3\n"
                                    "language: classic\n"
                                    "\n"
                                    "test: first\n"
                                    "param: a b\n"
                                    "param:\n"
                                    "expect: B  A\n"
                                    "test: second\n"
                                    "error: 40\n"
                                    "points: 0\n"
                                    "hidden: yes\n"
                                    "steps: 7\n"
                                    "timeout: 0.5\n"
                                    "mem: 16\n"
                                    "seed: -1\n"
                                    "no-symbol-error: yes\n"
                                    "  Test : third  \n"
                                    "picture: д.bmp\n"));
    EXPECT_EQ(file.Classic, true);
    ASSERT_EQ(file.Tests.size(), 3u);
    const cli::TTestCase& first = file.Tests[0];
    EXPECT_EQ(first.Name, "first");
    EXPECT_EQ(first.Line, 6);
    EXPECT_EQ(first.Params, (std::vector<std::string>{"a b", ""}));
    EXPECT_EQ(first.Kind, TExpectKind::Result);
    EXPECT_EQ(first.Expected, "B  A");
    EXPECT_EQ(first.Settings.Points, 3);
    EXPECT_EQ(first.Settings.Steps, 500);
    EXPECT_FALSE(first.Settings.Hidden);
    EXPECT_EQ(first.Settings.Timeout, 10.0);
    EXPECT_EQ(first.Settings.MemoryMB, std::nullopt);
    EXPECT_EQ(first.Settings.Seed, 0u);
    EXPECT_EQ(first.Settings.SymbolError, std::nullopt);

    const cli::TTestCase& second = file.Tests[1];
    EXPECT_EQ(second.Kind, TExpectKind::Error);
    EXPECT_EQ(second.ExpectedError, 40);
    EXPECT_EQ(second.ExpectLine, 11);
    EXPECT_EQ(second.Settings.Points, 0);
    EXPECT_TRUE(second.Settings.Hidden);
    EXPECT_EQ(second.Settings.Steps, 7);
    EXPECT_EQ(second.Settings.Timeout, 0.5);
    EXPECT_EQ(second.Settings.MemoryMB, 16);
    EXPECT_EQ(second.Settings.Seed, 0xFFFFFFFFu);
    EXPECT_EQ(second.Settings.SymbolError, false);

    const cli::TTestCase& third = file.Tests[2];
    EXPECT_EQ(third.Name, "third");
    EXPECT_EQ(third.Kind, TExpectKind::Picture);
    EXPECT_EQ(third.PictureFile, "д.bmp") << "a picture's name becomes a UTF-8 path";
    EXPECT_EQ(third.Settings.Points, 3) << "the defaults, not the test before";
}

TEST(TestFile, MalformedFilesAreRefusedWithTheirLine) {
    const struct {
        const char* Text;
        int32_t Line;
        const char* Message;
    } cases[] = {
        {"test: a\npionts: 2\nexpect: A\n", 2, "unknown key 'pionts'"},
        {"test: a\nexpect A\n", 2, "expected 'key: value'"},
        {"test: a\nexpect: A\npoints: many\n", 3,
         "points: needs a whole number from 0 to 1000000, not 'many'"},
        {"steps: 0\ntest: a\nexpect: A\n", 1, "steps: needs a whole number from 1 to"},
        {"test: a\nexpect: A\ntimeout: 0\n", 3, "timeout: needs seconds"},
        {"test: a\nexpect: A\nhidden: maybe\n", 3, "hidden: needs yes or no, not 'maybe'"},
        {"test: a\nexpect: A\nmem: 0\n", 3, "mem: needs a whole number from 1 to"},
        {"language: basic\ntest: a\nexpect: A\n", 1, "language: needs modified or classic"},
        {"param: x\ntest: a\nexpect: A\n", 1,
         "param: belongs to a test; put it after a test: line"},
        {"test: a\nexpect: A\nlanguage: classic\n", 3, "language: is for the whole file"},
        {"test: a\nexpect: A\nerror: 5\n", 3, "a second expectation: the test has one on line 2"},
        {"test: a\nsteps: 5\nsteps: 6\nexpect: A\n", 3,
         "steps: given twice in this block (first on line 2)"},
        {"test: a\nparam: x\ntest: b\nexpect: B\n", 1,
         "test 'a' has no expect:, error: or picture:"},
        {"test: a\nexpect: A\ntest: b\n", 3, "test 'b' has no expect:, error: or picture:"},
        {"test: a\nexpect: A\ntest: a\nexpect: B\n", 3, "a test named 'a' is already on line 1"},
        {"test:\nexpect: A\n", 1, "test: needs a name"},
        {"test: a\nerror: 70\n", 2, "error: 70 is a run that completed"},
        {"test: a\npicture:\n", 2, "picture: needs the name of a bitmap file"},
        {"test: a\nexpect: A \x98\n", 2, "holds a character that Windows-1251 lacks"},
        {"# nothing but a comment\n", 0, "no test: line in the file"},
    };
    for (const auto& c : cases) {
        const TTestFileError error = Refusal(c.Text);
        EXPECT_EQ(error.Line, c.Line) << c.Text;
        EXPECT_EQ(error.Message.rfind(c.Message, 0), 0u) << c.Text << " gave " << error.Message;
    }
}

TEST(TestFile, ResultsAreComparedWithBlanksTrimmedAndJoined) {
    EXPECT_EQ(cli::NormalizedResult("  C \t (A  B)  "), "C (A B)");
    EXPECT_EQ(cli::NormalizedResult("C B A "), cli::NormalizedResult("C B A"));
    EXPECT_EQ(cli::NormalizedResult("   "), "");
    EXPECT_NE(cli::NormalizedResult("(A B)"), cli::NormalizedResult("( A B )"));
}

// A bitmap of 2 x 2 pixels in the layout Windows writes, 24 bits or 32.
std::string Bitmap(int32_t height, int bits) {
    const int rowBytes = 8; // 6 bytes padded to 8, or 2 x 4
    std::string bytes = "BM";
    const auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(54 + 2 * rowBytes, 4), put(0, 4), put(54, 4);
    put(40, 4), put(2, 4), put(static_cast<uint32_t>(height), 4), put(1, 2), put(bits, 2);
    put(0, 4), put(2 * rowBytes, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    const auto pixel = [&](uint8_t r, uint8_t g, uint8_t b) {
        bytes += static_cast<char>(b), bytes += static_cast<char>(g), bytes += static_cast<char>(r);
        if (bits == 32) bytes += '\0';
    };
    // The first row stored is the bottom one unless the height is negative.
    pixel(255, 0, 0), pixel(0, 255, 0);
    if (bits == 24) bytes += std::string(2, '\0');
    pixel(0, 0, 255), pixel(255, 255, 255);
    if (bits == 24) bytes += std::string(2, '\0');
    return bytes;
}

TEST(TestFile, BitmapsOf24And32BitsAreReadRowsFromTheTop) {
    for (const int bits : {24, 32}) {
        cli::TBitmap bitmap;
        std::string fault;
        ASSERT_TRUE(cli::DecodeBitmap(Bitmap(2, bits), bitmap, fault)) << fault;
        EXPECT_EQ(bitmap.Width, 2);
        EXPECT_EQ(bitmap.At(0, 0), (TRgb{0, 0, 255}));
        EXPECT_EQ(bitmap.At(1, 0), (TRgb{255, 255, 255}));
        EXPECT_EQ(bitmap.At(0, 1), (TRgb{255, 0, 0}));
        ASSERT_TRUE(cli::DecodeBitmap(Bitmap(-2, bits), bitmap, fault)) << fault;
        EXPECT_EQ(bitmap.At(0, 0), (TRgb{255, 0, 0})) << "a negative height stores from the top";
    }
}

TEST(TestFile, DamagedBitmapsAreRefusedWithoutReadingPastTheirEnd) {
    cli::TBitmap bitmap;
    std::string fault;
    const std::string whole = Bitmap(2, 24);
    EXPECT_FALSE(cli::DecodeBitmap(whole.substr(0, whole.size() - 1), bitmap, fault));
    EXPECT_EQ(fault, "the bitmap ends before its last row");
    EXPECT_FALSE(cli::DecodeBitmap("BM", bitmap, fault));
    std::string huge = whole;
    huge[22] = '\x7F', huge[25] = '\x7F'; // a height in the billions
    EXPECT_FALSE(cli::DecodeBitmap(huge, bitmap, fault));
    std::string eightBits = whole;
    eightBits[28] = 8;
    EXPECT_FALSE(cli::DecodeBitmap(eightBits, bitmap, fault));
}

} // namespace
} // namespace zk::test
