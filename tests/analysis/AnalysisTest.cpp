// The analysis at its boundaries: error ranges in the main and an included
// file, bindings by name, operator and number of arguments in both
// languages, symbols of text that does not compile, units, and the queries.
#include "analysis/Analysis.h"
#include "TestFiles.h"
#include "analysis/BuiltinForms.h"
#include "analysis/LineIndex.h"

#include <gtest/gtest.h>

#include <string>

namespace zk::test {
namespace {

using namespace analysis;

TAnalysis Analysed(std::string_view text, bool classic = false,
                   std::vector<std::string> paths = {}) {
    return Analyse({"/nowhere/main.zk", W(text), std::move(paths), classic, false, {}});
}

// The text a place covers in its file.
std::string At(const TAnalysis& analysis, TPlace place) {
    const std::string& text = analysis.Files.at(static_cast<std::size_t>(place.File)).Text;
    return text.substr(static_cast<std::size_t>(place.Range.Begin),
                       static_cast<std::size_t>(place.Range.End - place.Range.Begin));
}

const TFunctionSymbol& Named(const TAnalysis& analysis, std::string_view name, std::size_t arity) {
    for (const TFunctionSymbol& function : analysis.Functions)
        if (function.Name == name && function.Params.size() == arity) return function;
    throw std::runtime_error("no such function");
}

int32_t IndexOf(const TAnalysis& analysis, const TFunctionSymbol& function) {
    return static_cast<int32_t>(&function - analysis.Functions.data());
}

TEST(Analysis, AnErrorCoversItsTokenAndReportsWhatCompileDoes) {
    const TAnalysis analysis = Analysed("(F (X)\n  (FIRST))");
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number, 9);
    EXPECT_EQ(error->Message, W("Ошибка в терме FIRST - #9"));
    EXPECT_EQ(error->Reported.Offset, 15);
    EXPECT_EQ(error->Reported.FileName, "main.zk");
    EXPECT_EQ(error->Place.File, kDocumentFile);
    EXPECT_EQ(error->Place.Range.Begin, 15);
    EXPECT_EQ(At(analysis, error->Place), ")");
}

TEST(Analysis, AnErrorInAnIncludedFileLiesThereAndLeadsBackToTheDirective) {
    TTempDir dir;
    dir.Write("lib.zk", "{ helpers }\n(G (Y) (BF))\n");
    const TAnalysis analysis =
        Analysed("(F (X) (CALL G X))\n#include \"lib.zk\"\n", false, {dir.Entry()});
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number, 10);
    EXPECT_EQ(error->Reported.FileName, "LIB.ZK");
    EXPECT_EQ(error->Reported.Offset, 22);
    EXPECT_EQ(analysis.Files.at(1).Role, TFileRole::Included);
    EXPECT_EQ(error->Place.File, 1);
    EXPECT_EQ(At(analysis, error->Place), ")");
    const TPlace directive = analysis.InDocument(error->Place);
    EXPECT_EQ(directive.File, kDocumentFile);
    EXPECT_EQ(At(analysis, directive), "#include \"lib.zk\"");
    // The functions of both files, each in its own.
    EXPECT_EQ(Named(analysis, "G", 1).NamePlace.File, 1);
    EXPECT_EQ(Named(analysis, "G", 1).Comment, "helpers");
}

TEST(Analysis, AMissingIncludedFileIsErrorThirtyFiveAtItsDirective) {
    const TAnalysis analysis = Analysed("(F (X) X)\n#INCLUDE \"NONE.ZK\"");
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number, 35);
    EXPECT_EQ(error->Reported.Offset, 10);
    EXPECT_EQ(At(analysis, error->Place), "#INCLUDE \"NONE.ZK\"");
    EXPECT_EQ(analysis.Functions.size(), 1u); // symbols are found all the same
}

TEST(Analysis, CallsBindByNameOperatorAndNumberOfArguments) {
    const TAnalysis analysis = Analysed("(DEFOP ++ JOIN)\n"
                                        "(MAIN (X Y) (++ (CALL TAG X) (CALL TAG X Y) (++ X Y)))\n"
                                        "(TAG (X) X)\n(TAG (X Y) (EXPR Y X))\n"
                                        "(JOIN (A B) (EXPR A B))\n(JOIN (A B C) (EXPR A B C))\n");
    ASSERT_EQ(analysis.FirstError(), nullptr);
    ASSERT_EQ(analysis.Calls.size(), 4u);
    // In the order the compiler appends them: the arguments' calls first.
    const auto callee = [&](std::size_t call) {
        const TFunctionSymbol& function =
            analysis.Functions.at(static_cast<std::size_t>(analysis.Calls[call].Callee));
        return function.Name + "/" + std::to_string(function.Params.size());
    };
    EXPECT_EQ(callee(0), "TAG/1");
    EXPECT_EQ(callee(1), "TAG/2");
    EXPECT_EQ(callee(2), "JOIN/2");
    EXPECT_EQ(callee(3), "JOIN/3");
    EXPECT_EQ(Named(analysis, "JOIN", 2).Operator, "++");
    // Every argument name is bound to its own function's parameter.
    for (const TArgumentUse& use : analysis.ArgumentUses) {
        const TFunctionSymbol& function =
            analysis.Functions.at(static_cast<std::size_t>(use.Function));
        EXPECT_EQ(At(analysis, use.Place),
                  function.Params.at(static_cast<std::size_t>(use.Param)).Name);
    }
    EXPECT_EQ(analysis.ArgumentUses.size(), 13u);
}

TEST(Analysis, TheClassicLanguageHasNoOperatorsAndNoDeclarations) {
    const TAnalysis analysis =
        Analysed("(MAIN (X) (CALL EXPORT (NUMBER X)))\n(EXPORT (X) X)\n", true);
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    // NUMBER is no keyword there: an operator call that no DEFOP binds.
    EXPECT_EQ(error->Number, 5);
    EXPECT_EQ(At(analysis, error->Place), "NUMBER");
    EXPECT_EQ(analysis.Calls.at(1).Callee, IndexOf(analysis, Named(analysis, "EXPORT", 1)));
    EXPECT_TRUE(analysis.Declarations.empty());
}

TEST(Analysis, ACallWithTheWrongNumberOfArgumentsStaysUnbound) {
    const TAnalysis analysis = Analysed("(MAIN (X) (CALL G X X))\n(G (X) X)\n");
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number, 25);
    EXPECT_EQ(At(analysis, error->Place), "CALL G");
    EXPECT_EQ(analysis.Calls.at(0).Callee, kNone);
}

TEST(Analysis, TextThatDoesNotCompileStillHasItsSymbols) {
    const TAnalysis analysis = Analysed("// first\n(A (X) (CALL B X))\n"
                                        "(B (Y) (FIRST Y Y))\n"
                                        "(C () (CALL A (QUOTE 1))\n"
                                        "(D (Z) (CALL C))\n");
    const TDiagnostic* error = analysis.FirstError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Number, 8);
    ASSERT_EQ(analysis.Functions.size(), 4u);
    EXPECT_EQ(analysis.Functions[0].Comment, "first");
    // C is never closed; D, on a line of its own, is read as a function all the same.
    EXPECT_EQ(analysis.Functions[3].Name, "D");
    EXPECT_EQ(analysis.Calls.back().Callee, 2);
    EXPECT_EQ(At(analysis, analysis.Functions[1].Definition), "(B (Y) (FIRST Y Y))");
}

TEST(Analysis, AFunctionNothingCallsIsAWarning) {
    const TAnalysis analysis = Analysed("(MAIN (X) (CALL USED X))\n(USED (X) X)\n(LONELY () 1)\n");
    ASSERT_EQ(analysis.Diagnostics.size(), 1u);
    EXPECT_EQ(analysis.Diagnostics[0].Severity, TSeverity::Warning);
    EXPECT_EQ(At(analysis, analysis.Diagnostics[0].Place), "LONELY");
}

TEST(Analysis, AUnitIsReadFromItsSourceAndItsErrorsLieThere) {
    TTempDir dir;
    dir.Write("lists.zk", "(EXPORT LENGTH)\n(LENGTH (L) (+ 1))\n(HIDDEN (L) L)\n");
    const TAnalysis good =
        Analysed("(USES LISTS)\n(MAIN (L) (CALL LENGTH L))\n", false, {dir.Entry()});
    ASSERT_EQ(good.FirstError(), nullptr);
    EXPECT_EQ(good.Files.at(1).Role, TFileRole::UnitSource);
    EXPECT_EQ(good.Functions.at(static_cast<std::size_t>(good.Calls.at(0).Callee)).Module, 1);
    // Only what the unit exports is reached.
    const TAnalysis hidden =
        Analysed("(USES LISTS)\n(MAIN (L) (CALL HIDDEN L))\n", false, {dir.Entry()});
    ASSERT_NE(hidden.FirstError(), nullptr);
    EXPECT_EQ(hidden.FirstError()->Number, 25);
    const TAnalysis missing = Analysed("(USES SETS)\n(MAIN (L) L)\n", false, {dir.Entry()});
    ASSERT_NE(missing.FirstError(), nullptr);
    EXPECT_EQ(missing.FirstError()->Reported.FileName, "SETS");
    EXPECT_EQ(At(missing, missing.FirstError()->Place), "SETS");
}

TEST(Analysis, QueriesFindDefinitionsReferencesHoversAndCompletions) {
    const std::string text = "{ Doubles the list. }\n(TWICE (L) (EXPR L (CALL SAME L)))\n"
                             "(SAME (L) L)\n";
    const TAnalysis analysis = Analysed(text);
    const auto offset = [&](std::string_view what) {
        return static_cast<int32_t>(text.find(what));
    };
    const auto definition = analysis.DefinitionAt(kDocumentFile, offset("SAME L)))") + 1);
    ASSERT_TRUE(definition);
    EXPECT_EQ(definition->Range.Begin, offset("SAME (L)"));
    const auto argument = analysis.DefinitionAt(kDocumentFile, offset("L)))"));
    ASSERT_TRUE(argument);
    EXPECT_EQ(argument->Range.Begin, offset("L) (EXPR"));
    EXPECT_EQ(analysis.ReferencesOf(1).size(), 1u);
    EXPECT_EQ(analysis.ReferencesAt(kDocumentFile, offset("L) (EXPR"), true).size(), 3u);

    const auto function = analysis.HoverAt(kDocumentFile, offset("TWICE"));
    ASSERT_TRUE(function);
    EXPECT_EQ(function->Signature, "(TWICE (L))");
    EXPECT_EQ(function->Text, "Doubles the list.");
    const auto keyword = analysis.HoverAt(kDocumentFile, offset("EXPR"));
    ASSERT_TRUE(keyword);
    EXPECT_EQ(keyword->Signature, "(EXPR a ...)");

    const auto labels = [&](int32_t at) {
        std::string all;
        for (const TCompletion& item : analysis.CompletionsAt(kDocumentFile, at))
            all += item.Label + " ";
        return all;
    };
    EXPECT_EQ(labels(offset("SAME L)))")), "TWICE SAME ");
    EXPECT_EQ(labels(offset("L (CALL")), "L ");
    EXPECT_EQ(labels(offset("EXPR") + 2), "EXPR ");
}

TEST(Analysis, EveryFormOfTheCompilerIsInTheTable) {
    for (const char* keyword : {"FIRST", "BF", "LAST", "BL", "BR", "CONT", "SYMBOL", "QUOTE",
                                "EQUAL", "IF", "EXPR", "CALL", "ABORT"})
        EXPECT_GE(FindBuiltinForm(keyword, true), 0) << keyword;
    for (const char* keyword : {"NUMBER", "-", "/", "%", ">", "+", "*", "RANDOM", "DEFOP"})
        EXPECT_EQ(FindBuiltinForm(keyword, true), -1) << keyword;
    const std::string page = FormsGuideHtml();
    EXPECT_NE(page.find("<a name=\"random\"></a>"), std::string::npos);
    EXPECT_NE(page.find("55 «Неизвестная ошибка»"), std::string::npos);
}

TEST(LineIndex, CountsLinesEndedByLfCrLfOrCrFromZero) {
    const TLineIndex lines("ab\r\ncd\ref\ngh");
    EXPECT_EQ(lines.LineCount(), 4);
    EXPECT_EQ(lines.ToLineColumn(5).Line, 1);
    EXPECT_EQ(lines.ToLineColumn(5).Column, 1);
    EXPECT_EQ(lines.ToOffset({2, 1}), 8);
    EXPECT_EQ(lines.ToOffset({0, 99}), 2); // a column past the end stops before the break
    EXPECT_EQ(lines.ToOffset({9, 0}), 12);
}

} // namespace
} // namespace zk::test
