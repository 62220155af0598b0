// The form map a compile makes: each instruction's form through the link and
// the optimizer, the forms' places in their own files, and the lines where a
// stop can stand.
#include "debug/FormMap.h"
#include "TestFiles.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "interp/RandomPrograms.h"
#include "pcode/Listing.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zk::test {
namespace {

struct TMapped {
    TPCode Code;
    TFormMap Map;
    TError Error;
};

TMapped Compiled(const TTempDir& dir, std::string_view main, bool unit = false) {
    TMapped out;
    TSource source = TSource::CreateFromFile(dir.Write("MAIN.ZK", main));
    Compile(source, out.Code, unit, out.Error, {dir.Entry()}, nullptr, &out.Map);
    CompileLog.clear();
    return out;
}

// The keyword of the built-in form each operation comes from.
const std::map<int32_t, std::string_view> kKeywordOf = {
    {opFirst, "FIRST"},     {opBF, "BF"},         {opLast, "LAST"},     {opBL, "BL"},
    {opCont, "CONT"},       {opSymbol, "SYMBOL"}, {opNumber, "NUMBER"}, {opEqual, "EQUAL"},
    {opAtomEqual, "EQUAL"}, {opAdd, "+"},         {opSubtr, "-"},       {opMul, "*"},
    {opDiv, "/"},           {opMod, "%"},         {opGreater, ">"},     {opRandom, "RANDOM"},
    {opAbort, "ABORT"},
};

// Why `form` cannot have emitted instruction `i`; empty when it can.
std::string Mismatch(const TPCode& code, const TFormMap& map, int32_t i) {
    const TPInstr& instr = code.Code[static_cast<std::size_t>(i)];
    const int32_t f = map.FormOfInstr[static_cast<std::size_t>(i)];
    const bool edge = instr.OpCode == opLoadArgs || instr.OpCode == opRet;
    if (f < 0) return edge || instr.OpCode == opFreeArgs ? "" : "no form";
    if (edge) return "a function's edge in a form";
    const TFormInfo& form = map.Forms[static_cast<std::size_t>(f)];
    const TFunction& function = code.Functions[static_cast<std::size_t>(form.Function)];
    if (i < function.Entry) return "before its function";
    const bool call = form.Kind == TFormKind::Call || form.Kind == TFormKind::OperatorCall;
    switch (instr.OpCode) {
    case opParam:
    case opParamCopy:
        return form.Kind == TFormKind::Argument &&
                       form.Head == function.Args[static_cast<std::size_t>(instr.Arg1)]
                   ? ""
                   : "argument";
    case opPushNum:
        if (form.Kind == TFormKind::Quote) return "";
        return form.Kind == TFormKind::Number && form.Head == std::to_string(instr.Arg1) ? ""
                                                                                         : "number";
    case opNop: return form.Kind == TFormKind::Number || form.Kind == TFormKind::Quote ? "" : "nop";
    case opPushConst: return form.Kind == TFormKind::Quote ? "" : "constant";
    case opBr: return form.Kind == TFormKind::Quote || form.Head == "BR" ? "" : "br";
    case opExpr: return form.Kind == TFormKind::Quote || form.Kind == TFormKind::Expr ? "" : "expr";
    case opIf: return form.Kind == TFormKind::If ? "" : "if";
    case opGoto: return form.Kind == TFormKind::If || call ? "" : "goto";
    case opSavePos:
    case opFreeArgs: return call ? "" : "call";
    default: {
        const auto keyword = kKeywordOf.find(instr.OpCode);
        return keyword != kKeywordOf.end() && form.Head == keyword->second ? "" : "operation";
    }
    }
}

// Every instruction has a form that could have emitted it, in its own
// function; a form's parent comes before it in the same function; the
// instructions of a form and of everything inside it lie side by side.
void ExpectConsistent(const TPCode& code, const TFormMap& map) {
    ASSERT_EQ(map.FormOfInstr.size(), code.Code.size());
    std::vector<int32_t> first(map.Forms.size(), INT32_MAX), last(map.Forms.size(), -1),
        count(map.Forms.size(), 0);
    for (int32_t i = 0; i < code.InstrCount(); ++i) {
        EXPECT_EQ(Mismatch(code, map, i), "") << "instruction " << i;
        for (int32_t f = map.FormOfInstr[static_cast<std::size_t>(i)]; f >= 0;
             f = map.Forms[static_cast<std::size_t>(f)].Parent) {
            const auto at = static_cast<std::size_t>(f);
            first[at] = std::min(first[at], i);
            last[at] = std::max(last[at], i);
            ++count[at];
        }
    }
    for (std::size_t f = 0; f < map.Forms.size(); ++f) {
        const TFormInfo& form = map.Forms[f];
        EXPECT_EQ(count[f], last[f] - first[f] + 1) << "form " << f;
        EXPECT_LE(form.First, form.Last);
        if (form.Parent < 0) continue;
        EXPECT_LT(form.Parent, static_cast<int32_t>(f));
        EXPECT_EQ(map.Forms[static_cast<std::size_t>(form.Parent)].Function, form.Function);
    }
}

TEST(FormMapTest, RandomProgramsMapEveryInstructionToAFormThatEmitsIt) {
    TProgramWriter writer(20261210);
    for (int i = 0; i < 300; ++i) {
        const std::string text = writer.Program();
        SCOPED_TRACE(text);
        TTempDir dir;
        const TMapped mapped = Compiled(dir, text);
        ASSERT_EQ(mapped.Error.Number, 0);
        ExpectConsistent(mapped.Code, mapped.Map);
    }
}

std::string PlaceText(const TFormMap& map, int32_t form) {
    const TTextPlace place = map.PlaceOf(form);
    const TFormInfo& info = map.Forms[static_cast<std::size_t>(form)];
    const std::string& path = map.Files[static_cast<std::size_t>(info.File)];
    return path.substr(path.rfind('/') + 1) + ":" + std::to_string(place.Line) + ":" +
           std::to_string(place.Column) + " " + info.Head;
}

// The forms of an included file are placed in that file, also when the
// inclusion stands in the middle of a line and its comments were removed.
TEST(FormMapTest, FormsArePlacedInTheirOwnFiles) {
    TTempDir dir;
    dir.Write("LIB.ZK", "{ the helper }\n(TWICE (X)\n   (EXPR X X))");
    const TMapped mapped =
        Compiled(dir, "(MAIN (A) { a comment }\n  (CALL TWICE (FIRST A))) #include \"lib.zk\"\n");
    ASSERT_EQ(mapped.Error.Number, 0);
    std::vector<std::string> places;
    for (int32_t f = 0; f < static_cast<int32_t>(mapped.Map.Forms.size()); ++f)
        places.push_back(PlaceText(mapped.Map, f));
    EXPECT_EQ(places,
              (std::vector<std::string>{"MAIN.ZK:2:3 TWICE", "MAIN.ZK:2:15 FIRST", "MAIN.ZK:2:22 A",
                                        "LIB.ZK:3:4 EXPR", "LIB.ZK:3:10 X", "LIB.ZK:3:12 X"}));
    const TFormInfo& call = mapped.Map.Forms[0];
    EXPECT_EQ(call.Kind, TFormKind::Call);
    EXPECT_EQ(call.Last - call.First + 1, std::string("(CALL TWICE (FIRST A))").size());
    EXPECT_EQ(mapped.Map.Forms[3].Function, 1);
    EXPECT_TRUE(mapped.Map.LineHasForm(0, 2));
    EXPECT_FALSE(mapped.Map.LineHasForm(0, 1)); // the definition's head and arguments only
    EXPECT_FALSE(mapped.Map.LineHasForm(1, 1)); // a comment
    EXPECT_EQ(mapped.Map.FormsStartingOnLine(1, 3), (std::vector<int32_t>{3, 4, 5}));
}

// The unreachable function goes with its forms; the tail self call keeps
// its form in the slot the optimizer rewrote; a unit compiled from its
// source is mapped in its file, one loaded from its unit file is not.
TEST(FormMapTest, TheMapFollowsTheOptimizerAndTheUnits) {
    TTempDir dir;
    TMapped unit = Compiled(dir, "(EXPORT HALF)\n(HALF (N) (/ N 2))", true);
    ASSERT_EQ(unit.Error.Number, 0);
    unit.Code.SaveToFile((dir.Path() / "FILED.ZKU").string(), pfUnit);
    dir.Write("SOURCED.ZK", "(EXPORT DOWN)\n(DOWN (N) (IF (> N 0) (CALL DOWN (- N 1)) N))");
    const TMapped mapped =
        Compiled(dir, "(USES FILED)\n(USES SOURCED)\n"
                      "(MAIN (N) (CALL DOWN (CALL HALF N)))\n(DEAD () (QUOTE D))");
    ASSERT_EQ(mapped.Error.Number, 0);
    ASSERT_EQ(mapped.Map.FormOfInstr.size(), mapped.Code.Code.size());
    for (const TFormInfo& form : mapped.Map.Forms)
        EXPECT_NE(form.Kind, TFormKind::Quote) << "a form of the removed function";
    const TFunction& half = mapped.Code.Functions[2];
    ASSERT_EQ(half.Name, "HALF");
    for (int32_t i = half.Entry; mapped.Code.Code[static_cast<std::size_t>(i)].OpCode != opRet; ++i)
        EXPECT_EQ(mapped.Map.FormOfInstr[static_cast<std::size_t>(i)], -1);
    const TFunction& down = mapped.Code.Functions[1];
    ASSERT_EQ(down.Name, "DOWN");
    std::size_t tailJump = 0;
    for (auto i = static_cast<std::size_t>(down.Entry); i + 1 < mapped.Code.Code.size(); ++i)
        if (mapped.Code.Code[i].OpCode == opFreeArgs && mapped.Code.Code[i + 1].OpCode == opGoto &&
            mapped.Code.Code[i + 1].Arg1 == down.Entry)
            tailJump = i;
    ASSERT_NE(tailJump, 0U);
    const int32_t callForm = mapped.Map.FormOfInstr[tailJump];
    EXPECT_EQ(mapped.Map.Forms[static_cast<std::size_t>(callForm)].Kind, TFormKind::Call);
    EXPECT_EQ(PlaceText(mapped.Map, callForm), "SOURCED.ZK:2:23 DOWN");
}

TEST(FormMapTest, AMapChangesNothingInTheImageAndAFailedCompileLeavesNone) {
    TTempDir dir;
    const std::string text = "(F (X) (IF (EQUAL X 0) (QUOTE Z) (CALL F (BF X))))";
    const TMapped mapped = Compiled(dir, text);
    TSource source = TSource::CreateFromFile(dir.Write("MAIN.ZK", text));
    TPCode plain;
    TError error;
    Compile(source, plain, false, error, {dir.Entry()});
    EXPECT_EQ(ListingText(mapped.Code), ListingText(plain));

    const TMapped failed = Compiled(dir, "(F (X) (FIRST X Y))");
    EXPECT_NE(failed.Error.Number, 0);
    EXPECT_TRUE(failed.Map.Empty());
    EXPECT_TRUE(failed.Map.FormOfInstr.empty());
}

} // namespace
} // namespace zk::test
