// Source texts, their position maps, comment removal, the expansion of
// #INCLUDE directives and the lookup of files in the include directories.
#include "frontend/Source.h"

#include "TestFiles.h"
#include "frontend/FileIO.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zk {
namespace {

using test::W;

// The map as "file:start+length" items, for literal comparison.
std::string MapOf(const TSource& source) {
    std::string out;
    for (const TSegment& s : source.Segments()) {
        if (!out.empty()) out += ' ';
        out += std::to_string(s.FileIndex) + ":" + std::to_string(s.Start) + "+" +
               std::to_string(s.Length);
    }
    return out;
}

// Where a position resolves to, as "file:offset".
std::string At(const TSource& source, int32_t pos) {
    const TSourcePosition where = source.ResolvePosition(pos);
    return where.FileName + ":" + std::to_string(where.Offset);
}

class SourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SavedPaths_ = IncludePaths;
        IncludePaths = {Dir.Entry()};
    }
    void TearDown() override { IncludePaths = SavedPaths_; }

    TSource Read(std::string_view text, std::string_view name = "MAIN.ZK") const {
        return TSource::CreateFromFile(Dir.Write(name, text));
    }
    TSource Tracked(std::string_view text, uint32_t fileIndex = 0) const {
        TSource source = Read(text, "T" + std::to_string(fileIndex) + ".ZK");
        source.StartTracking(fileIndex);
        return source;
    }
    TSource Stripped(std::string_view text) const {
        TSource source = Tracked(text);
        source.StripComments();
        return source;
    }
    // The main file preprocessed; it is expected to succeed.
    TSource Preprocessed(std::string_view text) const {
        TSource source = Read(text);
        TError error;
        source.Preprocess(error);
        EXPECT_EQ(error.Number, 0);
        return source;
    }
    TError PreprocessError(std::string_view text) const {
        TSource source = Read(text);
        TError error;
        source.Preprocess(error);
        return error;
    }

    test::TTempDir Dir;

private:
    std::vector<std::string> SavedPaths_;
};

// Reading files

using SourceFile = SourceTest;

TEST_F(SourceFile, ReadsTheWholeFileAndKeepsItsNameWithoutDirectory) {
    const TSource source = Read(std::string("AB\r\n\0C", 6), "SUB/PROG.ZK");
    EXPECT_EQ(source.Data(), std::string("AB\r\n\0C", 6));
    EXPECT_EQ(source.Size(), 6);
    EXPECT_EQ(source.CharAt(3), '\n');
    EXPECT_EQ(source.Files(), std::vector<std::string>{"PROG.ZK"});
    EXPECT_FALSE(source.Tracking());
    EXPECT_TRUE(source.Segments().empty());
}

TEST_F(SourceFile, LoadAndResetStartAfresh) {
    TSource source = Tracked("ABC");
    source.LoadFromFile(Dir.Write("NEXT.ZK", "XY"));
    EXPECT_EQ(source.Data(), "XY");
    EXPECT_EQ(source.Files(), std::vector<std::string>{"NEXT.ZK"});
    EXPECT_FALSE(source.Tracking());
    EXPECT_EQ(MapOf(source), "");

    source.Reset();
    EXPECT_EQ(source.Size(), 0);
    EXPECT_TRUE(source.Files().empty());
    EXPECT_FALSE(source.Tracking());
}

TEST_F(SourceFile, MissingFileIsAFileError) {
    EXPECT_THROW(TSource::CreateFromFile(Dir.Entry() + "NONE.ZK"), TFileError);
}

TEST_F(SourceFile, FileLargerThanTwoGigabytesIsRefused) {
    const std::string path = Dir.Write("HUGE.ZK", "");
    std::filesystem::resize_file(path, 2147483648ull); // sparse: costs no disk
    EXPECT_THROW(TSource::CreateFromFile(path), TFileError);
}

// The position map

using SourceMap = SourceTest;

TEST_F(SourceMap, StartTrackingCoversTheWholeText) {
    EXPECT_EQ(MapOf(Tracked("ABCDE", 3)), "3:0+5");
    const TSource empty = Tracked("");
    EXPECT_TRUE(empty.Tracking());
    EXPECT_EQ(MapOf(empty), "");
}

TEST_F(SourceMap, InsertInsideASegmentSplitsIt) {
    TSource main = Tracked("ABCDEF");
    main.Insert(Tracked("XY", 1), 2);
    EXPECT_EQ(main.Data(), "ABXYCDEF");
    EXPECT_EQ(MapOf(main), "0:0+2 1:0+2 0:2+4");
}

TEST_F(SourceMap, InsertAtASegmentStartOrAtTheEndAddsBesideIt) {
    TSource main = Tracked("ABCDEF");
    main.Insert(Tracked("XY", 1), -5); // clamped to 0
    EXPECT_EQ(MapOf(main), "1:0+2 0:0+6");
    main.Insert(Tracked("Z", 2), 100); // clamped to the end
    EXPECT_EQ(main.Data(), "XYABCDEFZ");
    EXPECT_EQ(MapOf(main), "1:0+2 0:0+6 2:0+1");
    main.Insert(Tracked("Q", 3), 2);
    EXPECT_EQ(MapOf(main), "1:0+2 3:0+1 0:0+6 2:0+1");
}

TEST_F(SourceMap, InsertingAnUntrackedTextDropsTheMap) {
    TSource main = Tracked("ABCDEF");
    main.Insert(Read("XY", "U.ZK"), 3);
    EXPECT_EQ(main.Data(), "ABCXYDEF");
    EXPECT_FALSE(main.Tracking());
    EXPECT_EQ(MapOf(main), "");
}

TEST_F(SourceMap, DeleteCutsTheSegmentsAtBothEnds) {
    TSource main = Tracked("ABCDEF");
    main.Insert(Tracked("XY", 1), 2);
    EXPECT_EQ(main.Delete(1, 4), 4);
    EXPECT_EQ(main.Data(), "ADEF");
    EXPECT_EQ(MapOf(main), "0:0+1 0:3+3");
}

TEST_F(SourceMap, DeleteClampsPositionAndCount) {
    TSource main = Tracked("ABCDEFGH");
    EXPECT_EQ(main.Delete(6, 100), 2);
    EXPECT_EQ(main.Delete(-3, 1), 1);
    EXPECT_EQ(main.Delete(2, -1), 0);
    EXPECT_EQ(main.Delete(9, 1), 0);
    EXPECT_EQ(main.Data(), "BCDEF");
    EXPECT_EQ(MapOf(main), "0:1+5");
}

TEST_F(SourceMap, ABoundaryResolvesToTheEndOfTheFirstSegment) {
    TSource main = Tracked("ABCDEF");
    main.Delete(2, 1); // "ABDEF": 0:0+2 0:3+3
    EXPECT_EQ(At(main, 0), "T0.ZK:0");
    EXPECT_EQ(At(main, 1), "T0.ZK:1");
    EXPECT_EQ(At(main, 2), "T0.ZK:2"); // the deleted byte's offset
    EXPECT_EQ(At(main, 3), "T0.ZK:4");
    EXPECT_EQ(At(main, 5), "T0.ZK:6"); // just after the text
    EXPECT_EQ(At(main, 7), "T0.ZK:8"); // past the text: the last segment
}

TEST_F(SourceMap, AnEmptyMapResolvesToTheStartOfTheMainFile) {
    EXPECT_EQ(At(Read("ABC"), 2), "MAIN.ZK:0");
    EXPECT_EQ(At(TSource(), 5), ":0");
    const TSource commentsOnly = Preprocessed("//only a comment");
    EXPECT_EQ(commentsOnly.Size(), 0);
    EXPECT_EQ(At(commentsOnly, 0), "MAIN.ZK:0");
}

// Comment removal

using StripComments = SourceTest;

TEST_F(StripComments, BraceCommentBecomesASpaceAtItsClosingBrace) {
    const TSource source = Stripped("A{comment}B");
    EXPECT_EQ(source.Data(), "A B");
    EXPECT_EQ(MapOf(source), "0:0+1 0:9+2");
    EXPECT_EQ(At(source, 1), "T0.ZK:1"); // the space: the comment's opening brace
    EXPECT_EQ(At(source, 2), "T0.ZK:10");
}

TEST_F(StripComments, ACommentAtTheStartMapsToItsClosingBrace) {
    const TSource source = Stripped("{c}AB");
    EXPECT_EQ(source.Data(), " AB");
    EXPECT_EQ(At(source, 0), "T0.ZK:2");
    EXPECT_EQ(At(source, 2), "T0.ZK:4");
}

TEST_F(StripComments, LineCommentEndsAtACarriageReturn) {
    const TSource source = Stripped("A//note\r\nB");
    EXPECT_EQ(source.Data(), "A\r\nB");
    EXPECT_EQ(MapOf(source), "0:0+1 0:7+3");
    EXPECT_EQ(At(source, 3), "T0.ZK:9");
}

TEST_F(StripComments, LineCommentEndsAtALineFeed) {
    const TSource source = Stripped("A//note\nB //x\nC");
    EXPECT_EQ(source.Data(), "A\nB \nC");
    EXPECT_EQ(MapOf(source), "0:0+1 0:7+3 0:13+2");
    EXPECT_EQ(At(source, 2), "T0.ZK:8");
    EXPECT_EQ(At(source, 5), "T0.ZK:14");
}

TEST_F(StripComments, ALoneSlashIsText) {
    EXPECT_EQ(Stripped("A/B").Data(), "A/B");
    EXPECT_EQ(MapOf(Stripped("A/B")), "0:0+3");
    EXPECT_EQ(Stripped("A/{x}B").Data(), "A/ B");
    EXPECT_EQ(MapOf(Stripped("A/{x}B")), "0:0+2 0:4+2");
    EXPECT_EQ(Stripped("AB/").Data(), "AB/");
    EXPECT_EQ(MapOf(Stripped("AB/")), "0:0+3");
}

TEST_F(StripComments, AnUnclosedCommentSwallowsTheRest) {
    EXPECT_EQ(Stripped("AB{CD\r\nEF").Data(), "AB");
    EXPECT_EQ(Stripped("AB//CD").Data(), "AB");
    EXPECT_EQ(MapOf(Stripped("AB//CD")), "0:0+2");
}

TEST_F(StripComments, CommentsDoNotNest) {
    EXPECT_EQ(Stripped("{a{b}C}").Data(), " C}");
    EXPECT_EQ(Stripped("{//}\nA").Data(), " \nA");
    EXPECT_EQ(Stripped("//{\n}B").Data(), "\n}B");
}

TEST_F(StripComments, WithoutTrackingOnlyTheTextChanges) {
    TSource source = Read("A{x}B");
    source.StripComments();
    EXPECT_EQ(source.Data(), "A B");
    EXPECT_FALSE(source.Tracking());
    EXPECT_EQ(MapOf(source), "");
}

TEST_F(StripComments, UpperCaseAllFoldsWindows1251Letters) {
    TSource source = Read(W("abz_ёя(Ёа) 9"));
    source.UpperCaseAll();
    EXPECT_EQ(source.Data(), W("ABZ_ЁЯ(ЁА) 9"));
}

// Finding directives

using FindInclude = SourceTest;

TEST_F(FindInclude, FindsTheFirstDirectiveInAnyLetterCase) {
    const auto found = Read("AB #include  \"a.zk\" C #INCLUDE \"B\"").FindInclude();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->HashPos, 3);
    EXPECT_EQ(found->QuotePos, 18);
    EXPECT_EQ(found->Name, "a.zk");
    const auto mixed = Read("#Include\"X Y\"").FindInclude();
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->Name, "X Y");
}

TEST_F(FindInclude, ScansFromTheGivenPosition) {
    const TSource source = Read("#INCLUDE \"A\" #INCLUDE \"B\"");
    EXPECT_EQ(source.FindInclude(1)->HashPos, 13);
    EXPECT_EQ(source.FindInclude(1)->Name, "B");
    EXPECT_FALSE(source.FindInclude(14));
}

TEST_F(FindInclude, ASpaceAfterTheHashIsNoDirective) {
    EXPECT_FALSE(Read("# INCLUDE \"A.ZK\"").FindInclude());
    EXPECT_FALSE(Read("#INCLUDX \"A.ZK\"").FindInclude());
}

TEST_F(FindInclude, TheFirstMalformedDirectiveEndsTheScan) {
    EXPECT_FALSE(Read("#INCLUDE A.ZK #INCLUDE \"B\"").FindInclude());
    EXPECT_FALSE(Read("#INCLUDE \"A.ZK").FindInclude());
    EXPECT_FALSE(Read("#INCLUDE\r\n\"A\"").FindInclude());
}

TEST_F(FindInclude, AnEmptyNameIsReturnedEmpty) {
    const auto found = Read("#INCLUDE \"\" X").FindInclude();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Name, "");
    EXPECT_EQ(found->QuotePos, 10);
}

TEST_F(FindInclude, TheOpeningQuoteMustStandBeforeTheLastTwoBytes) {
    EXPECT_TRUE(Read("#INCLUDE \"A\"").FindInclude());
    EXPECT_FALSE(Read("#INCLUDE \"\"").FindInclude());
    EXPECT_FALSE(Read("#INCLUDE").FindInclude());
}

TEST_F(FindInclude, ANameRunsToTheNextQuoteAcrossLineBreaks) {
    const auto name = Read("  \"A\r\nB\" \"C\"").ReadIncludeName(0);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Name, "A\r\nB");
    EXPECT_EQ(name->QuotePos, 7);
}

// Preprocessing

using Preprocess = SourceTest;

TEST_F(Preprocess, ExpandsADirectiveAtTheFirstByte) {
    Dir.Write("A.ZK", "(F)");
    const TSource source = Preprocessed("#INCLUDE \"A.ZK\" x");
    EXPECT_EQ(source.Data(), "(F) X");
    EXPECT_EQ(source.Files(), (std::vector<std::string>{"MAIN.ZK", "A.ZK"}));
    EXPECT_EQ(MapOf(source), "1:0+3 0:15+2");
}

TEST_F(Preprocess, LowerCaseDirectiveNamesAreUpperCased) {
    Dir.Write("A.ZK", "a");
    const TSource source = Preprocessed("#include \"a.zk\"\n");
    EXPECT_EQ(source.Data(), "A\n");
    EXPECT_EQ(source.Files()[1], "A.ZK");
}

TEST_F(Preprocess, ExpandsNestedDirectivesAtTheirPlace) {
    Dir.Write("A.ZK", "A1 #INCLUDE \"B.ZK\" A2");
    Dir.Write("B.ZK", "b1 b2");
    const TSource source = Preprocessed("M1\r\n#INCLUDE \"A.ZK\"\r\nM2");
    EXPECT_EQ(source.Data(), "M1\r\nA1 B1 B2 A2\r\nM2");
    EXPECT_EQ(source.Files(), (std::vector<std::string>{"MAIN.ZK", "A.ZK", "B.ZK"}));
    EXPECT_EQ(At(source, 5), "A.ZK:1");
    EXPECT_EQ(At(source, 7), "A.ZK:3"); // where the directive stood in A.ZK
    EXPECT_EQ(At(source, 8), "B.ZK:1");
    EXPECT_EQ(At(source, 11), "B.ZK:4");
    EXPECT_EQ(At(source, 13), "A.ZK:19");
    EXPECT_EQ(At(source, 18), "MAIN.ZK:22");
}

TEST_F(Preprocess, EachFileEntersTheTextOnce) {
    Dir.Write("A.ZK", "AA");
    const TSource source = Preprocessed("#INCLUDE \"A.ZK\" X #include \"a.zk\" Y");
    EXPECT_EQ(source.Data(), "AA X  Y");
    EXPECT_EQ(source.Files().size(), 2u);
}

TEST_F(Preprocess, FilesThatIncludeEachOtherEnterOnceEach) {
    Dir.Write("A.ZK", "A #INCLUDE \"B.ZK\"");
    Dir.Write("B.ZK", "B #INCLUDE \"A.ZK\" #INCLUDE \"main.zk\"");
    const TSource source = Preprocessed("#INCLUDE \"A.ZK\" M");
    EXPECT_EQ(source.Data(), "A B   M");
    EXPECT_EQ(source.Files(), (std::vector<std::string>{"MAIN.ZK", "A.ZK", "B.ZK"}));
}

TEST_F(Preprocess, IncludedCommentsGoAndDirectivesInCommentsAreIgnored) {
    Dir.Write("A.ZK", "{c}P //q\nQ {#INCLUDE \"NONE.ZK\"}");
    const TSource source = Preprocessed("X //#INCLUDE \"NONE.ZK\"\n#INCLUDE \"A.ZK\"");
    EXPECT_EQ(source.Data(), "X \n P \nQ  ");
    EXPECT_EQ(At(source, 4), "A.ZK:3");
    EXPECT_EQ(At(source, 7), "A.ZK:9");
}

TEST_F(Preprocess, UpperCasesTheWholeText) {
    EXPECT_EQ(Preprocessed(W("(defun ёлка) {x}")).Data(), W("(DEFUN ЁЛКА)  "));
}

TEST_F(Preprocess, AMissingFileIsError35AtItsHash) {
    Dir.Write("A.ZK", "A");
    const TError error = PreprocessError("{xx}#INCLUDE \"A.ZK\"Z #INCLUDE \"NONE.ZK\"");
    EXPECT_EQ(error.Number, 35);
    EXPECT_EQ(error.Offset, 4); // " AZ " comes before it
    EXPECT_EQ(error.FileName, "");
}

TEST_F(Preprocess, TheErrorPositionResolvesIntoTheIncludingFile) {
    Dir.Write("A.ZK", "AB\n#INCLUDE \"NONE.ZK\"");
    TSource source = Read("M #INCLUDE \"A.ZK\"");
    TError error;
    source.Preprocess(error);
    EXPECT_EQ(error.Number, 35);
    EXPECT_EQ(error.Offset, 5);
    EXPECT_EQ(At(source, error.Offset), "A.ZK:3");
}

TEST_F(Preprocess, AUtf8FileIsReadAsWindows1251AndItsOffsetsCountCharacters) {
    Dir.Write("A.ZK", "\xEF\xBB\xBFёж ≠");
    const TSource source = Preprocessed(W("Я #INCLUDE \"A.ZK\""));
    EXPECT_EQ(source.Data(), "\xDF \xA8\xC6 \x98"); // "Я ЁЖ " and the stand-in for ≠
    EXPECT_EQ(At(source, 5), "A.ZK:3");
}

TEST_F(Preprocess, MalformedDirectivesStayInTheText) {
    Dir.Write("B.ZK", "B");
    EXPECT_EQ(Preprocessed("#include a.zk #INCLUDE \"B.ZK\"").Data(),
              "#INCLUDE A.ZK #INCLUDE \"B.ZK\"");
    EXPECT_EQ(Preprocessed("#include \"a.zk").Data(), "#INCLUDE \"A.ZK");
    EXPECT_EQ(Preprocessed("#include \"\" #INCLUDE \"B.ZK\"").Data(),
              "#INCLUDE \"\" #INCLUDE \"B.ZK\"");
    EXPECT_EQ(Preprocessed("# INCLUDE \"B.ZK\"").Data(), "# INCLUDE \"B.ZK\"");
}

TEST_F(Preprocess, ADirectiveFormedAcrossACutIsExpanded) {
    Dir.Write("E", "");
    Dir.Write("B", "(B)");
    EXPECT_EQ(Preprocessed("#INC#INCLUDE \"E\"LUDE \"B\"").Data(), "(B)");
    // The farthest a new directive can start: its '#' seven bytes before the cut.
    EXPECT_EQ(Preprocessed("XXXXXXXXXX#INCLUD#INCLUDE \"E\"E \"B\" Y").Data(), "XXXXXXXXXX(B) Y");
    EXPECT_EQ(Preprocessed("XXXXXXXXXX#INCLUD#INCLUDE \"E\"#INCLUDE \"E\"E \"B\"").Data(),
              "XXXXXXXXXX(B)");
}

TEST_F(Preprocess, ManyRepeatedDirectivesExpandOnce) {
    Dir.Write("A.ZK", "(A)");
    std::string text(100000, 'X');
    for (int i = 0; i < 20000; ++i)
        text += "#INCLUDE \"A.ZK\"\n";
    const TSource source = Preprocessed(text);
    EXPECT_EQ(source.Size(), 100000 + 3 + 20000);
    EXPECT_EQ(source.Data().substr(99998, 7), "XX(A)\n\n");
    EXPECT_EQ(At(source, source.Size() - 1),
              "MAIN.ZK:419984"); // the boundary after the last but one
    EXPECT_EQ(At(source, source.Size()), "MAIN.ZK:420000");
}

TEST_F(Preprocess, PositionsKnowThePathTheirFileWasReadFrom) {
    test::TTempDir second;
    second.Write("lib.zk", "L");
    IncludePaths = {Dir.Entry(), second.Entry()};
    TSource source = Read("M #INCLUDE \"LIB.ZK\" #INCLUDE \"NONE.ZK\"");
    TError error;
    source.Preprocess(error);
    EXPECT_EQ(error.Number, 35);
    EXPECT_EQ(source.FilePaths(),
              (std::vector<std::string>{Dir.Entry() + "MAIN.ZK", second.Entry() + "lib.zk", ""}));
    EXPECT_EQ(source.ResolvePosition(0).FilePath, Dir.Entry() + "MAIN.ZK");
    EXPECT_EQ(source.ResolvePosition(3).FilePath, second.Entry() + "lib.zk");
    EXPECT_EQ(Read("").ResolvePosition(0).FilePath, Dir.Entry() + "MAIN.ZK");
    EXPECT_EQ(TSource().ResolvePosition(0).FilePath, "");
}

TEST_F(Preprocess, TheFirstIncludeDirectoryWins) {
    test::TTempDir second;
    second.Write("A.ZK", "SECOND");
    second.Write("B.ZK", "ONLY");
    Dir.Write("A.ZK", "FIRST");
    IncludePaths = {Dir.Entry(), second.Entry()};
    EXPECT_EQ(Preprocessed("#INCLUDE \"A.ZK\" #INCLUDE \"B.ZK\"").Data(), "FIRST ONLY");
}

TEST_F(Preprocess, FindsAFileWhoseNameDiffersInLetterCase) {
    Dir.Write("lib.zk", "(l)");
    const TSource source = Preprocessed("#include \"LIB.ZK\"");
    EXPECT_EQ(source.Data(), "(L)");
    EXPECT_EQ(source.Files()[1], "LIB.ZK");
    EXPECT_EQ(At(source, 1), "LIB.ZK:1");
}

// Looking up files

using FindInPathsTest = SourceTest;

TEST_F(FindInPathsTest, TriesTheEntriesInOrder) {
    test::TTempDir second;
    second.Write("A.ZK", "");
    const std::vector<std::string> paths = {Dir.Entry(), second.Entry()};
    EXPECT_EQ(FindInPaths("A.ZK", paths), second.Entry() + "A.ZK");
    Dir.Write("A.ZK", "");
    EXPECT_EQ(FindInPaths("A.ZK", paths), Dir.Entry() + "A.ZK");
    EXPECT_EQ(FindInPaths("B.ZK", paths), "");
    EXPECT_EQ(FindInPaths("A.ZK", {}), "");
}

TEST_F(FindInPathsTest, AnExactNameWinsOverOtherLetterCases) {
    if (FileNamesIgnoreCase()) GTEST_SKIP() << "the file system holds one name in one letter case";
    Dir.Write("Lib.zk", "");
    Dir.Write("lib.zk", "");
    EXPECT_EQ(FindInPaths("lib.zk", {Dir.Entry()}), Dir.Entry() + "lib.zk");
    // Otherwise the first in sorted (byte) order.
    EXPECT_EQ(FindInPaths("LIB.ZK", {Dir.Entry()}), Dir.Entry() + "Lib.zk");
}

TEST_F(FindInPathsTest, FoldsCyrillicLettersToo) {
    Dir.Write("модуль.zk", "");
    EXPECT_EQ(FindInPaths(W("МОДУЛЬ.ZK"), {Dir.Entry()}), Dir.Entry() + "модуль.zk");
}

// A compilation holds a cache, so that many lookups list a directory once.
TEST_F(FindInPathsTest, ACacheListsEachDirectoryOnceForItsLifetime) {
    if (FileNamesIgnoreCase()) GTEST_SKIP() << "the file system finds a name unlisted in any case";
    Dir.Write("a.zk", "");
    {
        const TListingCache listings;
        EXPECT_EQ(FindInPaths("A.ZK", {Dir.Entry()}), Dir.Entry() + "a.zk");
        Dir.Write("b.zk", "");
        EXPECT_EQ(FindInPaths("B.ZK", {Dir.Entry()}), ""); // listed before b.zk came
        EXPECT_EQ(FindInPaths("b.zk", {Dir.Entry()}), Dir.Entry() + "b.zk");
    }
    EXPECT_EQ(FindInPaths("B.ZK", {Dir.Entry()}), Dir.Entry() + "b.zk");
}

TEST_F(FindInPathsTest, MatchesSubdirectoriesComponentByComponent) {
    Dir.Write("Sub/Deep/lib.zk", "");
    EXPECT_EQ(FindInPaths("SUB/DEEP/LIB.ZK", {Dir.Entry()}), Dir.Entry() + "Sub/Deep/lib.zk");
    EXPECT_EQ(FindInPaths("SUB/LIB.ZK", {Dir.Entry()}), "");
}

TEST_F(FindInPathsTest, OnlyRegularFilesCount) {
    std::filesystem::create_directory(Dir.Path() / "a.zk");
    test::TTempDir second;
    second.Write("A.ZK", "");
    EXPECT_EQ(FindInPaths("A.ZK", {Dir.Entry()}), "");
    EXPECT_EQ(FindInPaths("A.ZK", {Dir.Entry(), second.Entry()}), second.Entry() + "A.ZK");
    EXPECT_EQ(FindInPaths("A.ZK/", {second.Entry()}), "");
}

TEST_F(FindInPathsTest, ANameWithAZeroByteIsNeverFound) {
    Dir.Write("A", "");
    EXPECT_EQ(FindInPaths(std::string("A\0B", 3), {Dir.Entry()}), "");
}

} // namespace
} // namespace zk
