// Token kinds, the atom bytes of both languages, splitting a text into tokens,
// and the cursor of the token array.
#include "frontend/Tokens.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using test::W;
using namespace std::string_literals;

// Tokens as "kind:text@pos" items, kinds as o c a n.
std::string Listed(const TTokArr& tokens) {
    std::string out;
    for (int32_t i = 0; i < tokens.Count(); ++i) {
        if (!out.empty()) out += ' ';
        out += "ocan"[tokens[i].Kind];
        out.append(":").append(tokens[i].Text).append("@").append(std::to_string(tokens[i].Pos));
    }
    return out;
}

class TokensTest : public ::testing::Test {
protected:
    void TearDown() override { ClassicLanguage = false; }

    // Tokenizes `text`; `stop` receives Tokenize's result.
    TTokArr Tokens(std::string_view text, int32_t& stop) const {
        const TSource source = TSource::CreateFromFile(Dir.Write("T.ZK", text));
        TTokArr tokens;
        stop = Tokenize(source, tokens);
        return tokens;
    }
    // The listing of a text expected to tokenize without an invalid byte.
    std::string Split(std::string_view text) const {
        int32_t stop = 0;
        const TTokArr tokens = Tokens(text, stop);
        EXPECT_EQ(stop, -1) << text;
        return Listed(tokens);
    }
    int32_t StopOf(std::string_view text) const {
        int32_t stop = 0;
        Tokens(text, stop);
        return stop;
    }

    test::TTempDir Dir;
};

// Token kinds

using TokenKinds = TokensTest;

TEST_F(TokenKinds, BracketsNumbersAndAtoms) {
    EXPECT_EQ(TokenKind("("), tkOpen);
    EXPECT_EQ(TokenKind(")"), tkClose);
    for (const char* number : {"0", "-5", "007", "-0", "2147483647", "-2147483648"})
        EXPECT_EQ(TokenKind(number), tkNumber) << number;
    for (const char* atom :
         {"-", "5-", "--5", "+5", "2147483648", "-2147483649", "A1", "((", "1 2", ""})
        EXPECT_EQ(TokenKind(atom), tkAtom) << atom;
}

TEST_F(TokenKinds, DoNotDependOnTheLanguage) {
    ClassicLanguage = true;
    EXPECT_EQ(TokenKind("-5"), tkNumber);
    EXPECT_EQ(TokenKind("A"), tkAtom);
}

// Atom bytes

using AtomBytes = TokensTest;

TEST_F(AtomBytes, TheModifiedLanguageAddsCyrillicDigitsAndNineSigns) {
    for (char c : W("AZ_ЁАЯ09!%*+-/<=>"))
        EXPECT_TRUE(IsAtomChar(c)) << int(c);
    ClassicLanguage = true;
    for (char c : std::string("AZ_"))
        EXPECT_TRUE(IsAtomChar(c)) << c;
    for (char c : W("ЁАЯ09!%*+-/<=>"))
        EXPECT_FALSE(IsAtomChar(c)) << int(c);
}

TEST_F(AtomBytes, OtherBytesAreInvalidInBothLanguages) {
    const std::string invalid = "\t az#\"'.,;:[]{}&?$@\\^|~()\x01\x7F\0"s + W("абяёЇ") + "\xA0\xFF";
    for (bool classic : {false, true}) {
        ClassicLanguage = classic;
        for (char c : invalid)
            EXPECT_FALSE(IsAtomChar(c)) << int(c) << " classic " << classic;
    }
}

// Splitting

using Splitting = TokensTest;

TEST_F(Splitting, ASignedRunOfDigitsIsANumber) {
    EXPECT_EQ(Split("(+ 1 -2)"), "o:(@0 a:+@1 n:1@3 n:-2@5 c:)@7");
}

TEST_F(Splitting, BracketsNeedNoBlanks) {
    EXPECT_EQ(Split("(FIRST(QUOTE A))"), "o:(@0 a:FIRST@1 o:(@6 a:QUOTE@7 a:A@13 c:)@14 c:)@15");
    EXPECT_EQ(Split("( FIRST ( QUOTE A ) )"),
              "o:(@0 a:FIRST@2 o:(@8 a:QUOTE@10 a:A@16 c:)@18 c:)@20");
}

TEST_F(Splitting, OnlySpaceCarriageReturnAndLineFeedSeparate) {
    EXPECT_EQ(Split("A\r\nB  C\nD\rE"), "a:A@0 a:B@3 a:C@6 a:D@8 a:E@10");
    EXPECT_EQ(Split("A-B"), "a:A-B@0");
}

TEST_F(Splitting, ATextEndingInsideAnAtomKeepsIt) {
    EXPECT_EQ(Split("(A) BC"), "o:(@0 a:A@1 c:)@2 a:BC@4");
    EXPECT_EQ(Split(""), "");
    EXPECT_EQ(Split(" \r\n"), "");
}

TEST_F(Splitting, StopsAtTheFirstInvalidByte) {
    EXPECT_EQ(StopOf("(A\tB)"), 2);
    EXPECT_EQ(StopOf("(A b)"), 3);
    EXPECT_EQ(StopOf("#INCLUDE \"A\""), 0);
    EXPECT_EQ(StopOf("A @"), 2);
    EXPECT_EQ(StopOf(std::string("A\0B", 3)), 1);
    EXPECT_EQ(StopOf("A.B"), 1);
}

TEST_F(Splitting, ACharacterTheCodePageLacksIsInvalidInBothLanguages) {
    for (bool classic : {false, true}) {
        ClassicLanguage = classic;
        EXPECT_EQ(StopOf("(A ≠)"), 3) << "classic " << classic;
    }
}

TEST_F(Splitting, TokensBeforeTheStopRemain) {
    int32_t stop = 0;
    const TTokArr tokens = Tokens("(AB CD\tE)", stop);
    EXPECT_EQ(stop, 6);
    EXPECT_EQ(Listed(tokens), "o:(@0 a:AB@1 a:CD@4");
}

TEST_F(Splitting, StartsFromAnEmptyArray) {
    const TSource source = TSource::CreateFromFile(Dir.Write("T.ZK", "B"));
    TTokArr tokens;
    tokens.Add("A", 0);
    EXPECT_EQ(Tokenize(source, tokens), -1);
    EXPECT_EQ(Listed(tokens), "a:B@0");
}

TEST_F(Splitting, TheClassicLanguageKnowsOnlyLatinCapitalsAndUnderscore) {
    EXPECT_EQ(Split(W("ЁЖ X1 A-B")), W("a:ЁЖ@0 a:X1@3 a:A-B@6"));
    ClassicLanguage = true;
    EXPECT_EQ(Split("(A_B Z)"), "o:(@0 a:A_B@1 a:Z@5 c:)@6");
    EXPECT_EQ(StopOf(W("ЁЖ")), 0);
    EXPECT_EQ(StopOf("X1"), 1);
    EXPECT_EQ(StopOf("A-B"), 1);
    EXPECT_EQ(StopOf("(F 5)"), 3);
}

// The cursor

using TokenCursor = TokensTest;

TEST_F(TokenCursor, ANewArrayIsEmptyAndAtItsEnd) {
    TTokArr tokens;
    EXPECT_EQ(tokens.Count(), 0);
    EXPECT_EQ(tokens.Index(), 0);
    EXPECT_TRUE(tokens.AtEnd());
    EXPECT_EQ(tokens.Current(), nullptr);
    EXPECT_EQ(tokens.CurrentPos(), -1);
    tokens.Reset();
    EXPECT_TRUE(tokens.AtEnd());
    tokens.Next();
    EXPECT_TRUE(tokens.AtEnd());
    EXPECT_EQ(tokens.Index(), 0);
}

TEST_F(TokenCursor, AddMovesToTheNewTokenAndRecomputesItsKind) {
    TTokArr tokens;
    tokens.Add("(", 0);
    tokens.Add(TToken{4, tkOpen, "-12"});
    EXPECT_EQ(tokens.Index(), 1);
    EXPECT_FALSE(tokens.AtEnd());
    EXPECT_EQ(tokens.Current()->Kind, tkNumber);
    EXPECT_EQ(tokens.CurrentPos(), 4);
}

// The array keeps the texts: they outlive the text that was added, the growth
// of the array over many blocks, an atom longer than a block and a move.
TEST_F(TokenCursor, TheArrayKeepsItsTokensTexts) {
    TTokArr tokens;
    for (int i = 0; i < 20000; ++i)
        tokens.Add(std::string("ATOM") + std::to_string(i), i);
    tokens.Add(std::string(100000, 'L'), 20000);
    const TTokArr moved = std::move(tokens);
    tokens.Add("LATER", 0);
    EXPECT_EQ(moved[0].Text, "ATOM0");
    EXPECT_EQ(moved[12345].Text, "ATOM12345");
    EXPECT_EQ(moved[19999].Text, "ATOM19999");
    EXPECT_EQ(moved[20000].Text, std::string(100000, 'L'));
    EXPECT_EQ(tokens.Count(), 1);
    EXPECT_EQ(tokens[0].Text, "LATER");
}

TEST_F(TokenCursor, PastTheLastTokenTheCursorStaysOnIt) {
    TTokArr tokens;
    tokens.Add("(", 0);
    tokens.Add("ABC", 2);
    tokens.Reset();
    EXPECT_EQ(tokens.Current()->Text, "(");
    EXPECT_EQ(tokens.CurrentPos(), 0);
    tokens.Next();
    EXPECT_FALSE(tokens.AtEnd());
    EXPECT_EQ(tokens.CurrentPos(), 2);
    tokens.Next();
    EXPECT_TRUE(tokens.AtEnd());
    EXPECT_EQ(tokens.Index(), 1);
    EXPECT_EQ(tokens.Current()->Text, "ABC");
    EXPECT_EQ(tokens.CurrentPos(), 5); // just after the last token
    tokens.Next();
    EXPECT_EQ(tokens.CurrentPos(), 5);
    tokens.Reset();
    EXPECT_FALSE(tokens.AtEnd());
    EXPECT_EQ(tokens.Index(), 0);
}

TEST_F(TokenCursor, ClearEmptiesTheArray) {
    TTokArr tokens;
    tokens.Add("A", 0);
    tokens.Add("B", 2);
    tokens.Clear();
    EXPECT_EQ(tokens.Count(), 0);
    EXPECT_EQ(tokens.Index(), 0);
    EXPECT_TRUE(tokens.AtEnd());
    EXPECT_EQ(tokens.Current(), nullptr);
}

TEST_F(TokenCursor, ExpectCloseAcceptsOnlyAClosingBracket) {
    TTokArr tokens;
    tokens.Add("A", 3);
    tokens.Add(")", 5);
    tokens.Reset();
    TError error{99, 7, "X.ZK"};
    EXPECT_FALSE(tokens.ExpectClose(error));
    EXPECT_EQ(error.Number, 8);
    EXPECT_EQ(error.Offset, 3);

    tokens.Next();
    EXPECT_TRUE(tokens.ExpectClose(error));
    EXPECT_EQ(error.Number, 0);
    EXPECT_EQ(error.Offset, 0);
    EXPECT_EQ(tokens.Index(), 1);

    tokens.Next();
    EXPECT_FALSE(tokens.ExpectClose(error));
    EXPECT_EQ(error.Number, 1);
    EXPECT_EQ(error.Offset, 6);
}

TEST_F(TokenCursor, ExpectCloseOnAnEmptyArrayIsTheEnd) {
    TTokArr tokens;
    TError error;
    EXPECT_FALSE(tokens.ExpectClose(error));
    EXPECT_EQ(error.Number, 1);
    EXPECT_EQ(error.Offset, -1);
}

} // namespace
} // namespace zk
