// The analysis in the editors' terms: errors placed in the document (an
// included file's at its directive, naming the file and line), an open
// document standing for its file, the outline's rows at their boundaries,
// a definition in an included file, calls, completion, units.
#include "ide/CodeIntel.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace zk::ide::test {
namespace {

using zk::test::TTempDir;
using zk::test::W;

TCodeIntel IntelOf(std::string_view text, std::vector<analysis::TOpenText> open = {},
                   std::vector<std::string> paths = {}) {
    analysis::TAnalysisInput input;
    input.Path = "/nowhere/main.zk";
    input.Text = W(text);
    input.IncludePaths = std::move(paths);
    input.OpenTexts = std::move(open);
    return TCodeIntel(std::make_shared<const analysis::TAnalysis>(AnalyseDocument(input)));
}

TEST(CodeIntel, AnErrorIsPlacedOnItsTokenInRowsAndColumns) {
    const TCodeIntel intel = IntelOf("(F (X)\r\n  (FIRST))\r\n");
    const std::vector<TLiveError> errors = intel.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_FALSE(errors[0].Warning);
    EXPECT_EQ(errors[0].Range, (TIntelRange{1, 8, 1, 9}));
    EXPECT_EQ(errors[0].Message, W("Ошибка в терме FIRST - #9"));
}

// The build finds an open document before the include directories; so does
// the analysis, with the editor's text rather than the file's.
TEST(CodeIntel, AnOpenDocumentStandsForItsFileAndItsErrorShowsAtTheDirective) {
    TTempDir dir;
    dir.Write("lib.zk", "(G (Y) Y)\n");
    const TCodeIntel intel =
        IntelOf("(F (X) (CALL G X))\r\n#include \"lib.zk\"\r\n",
                {{"lib.zk", dir.Entry() + "lib.zk", W("(G (Y)\r\n  (BF))\r\n")}}, {dir.Entry()});
    const std::vector<TLiveError> errors = intel.Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].Range, (TIntelRange{1, 0, 1, 17}));
    EXPECT_EQ(errors[0].Message, W("Ошибка в терме BF - #10 Файл: LIB.ZK, строка 2, столбец 6"));

    const TCodeIntel onDisk =
        IntelOf("(F (X) (CALL G X))\r\n#include \"lib.zk\"\r\n", {}, {dir.Entry()});
    EXPECT_TRUE(onDisk.Errors().empty());
    const std::optional<TIntelPlace> definition = onDisk.DefinitionAt(0, 13);
    ASSERT_TRUE(definition.has_value());
    EXPECT_FALSE(definition->InDocument);
    EXPECT_EQ(definition->Path, dir.Entry() + "lib.zk");
    EXPECT_EQ(definition->Range, (TIntelRange{0, 1, 0, 2}));
}

TEST(CodeIntel, TheOutlineHoldsTheDocumentsFunctionsAndFollowsTheirRows) {
    const TCodeIntel intel = IntelOf("(MAIN (L)\r\n"
                                     "  (CALL TWICE L))\r\n"
                                     "\r\n"
                                     "(TWICE (L)\r\n"
                                     "  (EXPR L L))\r\n");
    ASSERT_EQ(intel.Outline().size(), 2u);
    EXPECT_EQ(intel.Outline()[1].Name, "TWICE");
    EXPECT_EQ(intel.Outline()[1].Signature, "(TWICE (L))");
    EXPECT_EQ(intel.OutlineItemAt(0), 0);
    EXPECT_EQ(intel.OutlineItemAt(1), 0);
    EXPECT_EQ(intel.OutlineItemAt(2), -1);
    EXPECT_EQ(intel.OutlineItemAt(3), 1);
    EXPECT_EQ(intel.OutlineItemAt(4), 1);
    EXPECT_EQ(intel.OutlineItemAt(5), -1);

    const std::vector<TReference> calls = intel.ReferencesAt(3, 2);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].Place.InDocument);
    EXPECT_EQ(calls[0].Place.Range.FromRow, 1);
    EXPECT_EQ(calls[0].LineText, "  (CALL TWICE L))");
}

TEST(CodeIntel, CompletionOffersFunctionsAfterCallAndTheCurrentArguments) {
    const TCodeIntel intel = IntelOf("(MAIN (LIST)\r\n  (CALL TW LI))\r\n(TWICE (L) L)\r\n");
    const auto offers = [&intel](int32_t col, std::string_view label,
                                 editor::TCompletionKind kind) {
        for (const editor::TCompletionItem& item : intel.CompletionsAt(1, col))
            if (item.Label == label && item.Kind == kind) return true;
        return false;
    };
    EXPECT_TRUE(offers(10, "TWICE", editor::TCompletionKind::Function));
    EXPECT_TRUE(offers(13, "LIST", editor::TCompletionKind::Argument));
    EXPECT_FALSE(offers(13, "L", editor::TCompletionKind::Argument));
}

// A unit is compiled alone: its calls into the units it uses are bound later.
TEST(CodeIntel, ADocumentThatExportsIsAnalysedAsAUnit) {
    const std::string unit = "(EXPORT F)\r\n(F (X) (CALL ELSEWHERE X))\r\n";
    EXPECT_TRUE(IntelOf(unit).Errors().empty());
    EXPECT_FALSE(IntelOf("(F (X) (CALL ELSEWHERE X))\r\n").Errors().empty());
}

} // namespace
} // namespace zk::ide::test
