// The editor's characters at its Unicode edge: what pasted and typed text
// becomes, and how 0x98 shows.
#include "editor/Text1251.h"

#include "MemoModelTest.h"

namespace zk::editor::test {
namespace {

TEST(Text1251, PasteKeepsWhatTheCodePageHoldsAndCountsWhatItReplaces) {
    const TPastedText pasted = PastedText(U"a\u2013b\u2014c\u2012d\u2212e \u00A0\u2009f "
                                          U"\u00ABg\u00BB \u201Ch\u201D \u2018\u2032\u201Bi\u2026 "
                                          U"\u4E2D\uFFFD\u0098\t\r\n");
    EXPECT_EQ(pasted.Text, "a\x96"
                           "b\x97"
                           "c-d-e   f \xABg\xBB \x93h\x94 \x91''i\x85 ???\t\r\n");
    EXPECT_EQ(pasted.Replaced, 9);
}

TEST(Text1251, TheUnheldByteShowsAsTheReplacementCharacterAndIsNeverMade) {
    EXPECT_EQ(ShownChar(0x98), U'\uFFFD');
    EXPECT_EQ(ShownChar(0xC0), U'\u0410');
    EXPECT_FALSE(ByteOf(U'\uFFFD'));
    EXPECT_FALSE(ByteOf(U'\u0098'));
    EXPECT_EQ(TypedText(U"\u0098\uFFFDa\tb\r\n\u0001\u00E9"), "a\tb");
}

using PasteCount = MemoModelTest;

TEST_F(PasteCount, APasteThatReplacedCharactersSaysHowMany) {
    std::vector<int32_t> told;
    Model.OnPasteReplaced = [&](int32_t count) { told.push_back(count); };
    Clipboard.Contents = "a?b";
    Clipboard.Replaced = 1;
    Model.PasteFromClipboard();
    Model.SetReadOnly(true);
    Model.PasteFromClipboard();
    Model.SetReadOnly(false);
    Clipboard.Replaced = 0;
    Model.PasteFromClipboard();
    EXPECT_EQ(Shown(), "a?ba?b");
    EXPECT_EQ(told, (std::vector<int32_t>{1}));
}

} // namespace
} // namespace zk::editor::test
