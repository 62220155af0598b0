// The optimizer: removal of unreachable functions (unit helpers without
// records included), tail self calls, fusion of constant comparisons, and its
// behaviour on damaged images and on large programs.
#include "pcode/Optimizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace zk {
namespace {

TPInstr I(int32_t opCode, int32_t arg1 = 0, int32_t arg2 = 0, std::string name = {}) {
    return TPInstr{0, opCode, arg1, arg2, std::move(name)};
}

struct TFn {
    std::string Name;
    int32_t Entry;
    bool Exported = false;
    int32_t Arity = 0;
};

TPCode Image(const std::vector<TFn>& functions, std::vector<TPInstr> instrs) {
    TPCode code;
    code.Code = std::move(instrs);
    for (const TFn& fn : functions) {
        TFunction& function = code.Functions.emplace_back();
        function.Name = fn.Name;
        function.Entry = fn.Entry;
        function.Exported = fn.Exported;
        function.Args.assign(static_cast<std::size_t>(fn.Arity), "X");
    }
    return code;
}

// MAIN at 0 calls F, whose instructions `f` start at 3.
TPCode MainCallingF(std::vector<TPInstr> f, int32_t arity = 1) {
    std::vector<TPInstr> instrs = {I(opSavePos), I(opGoto, 3), I(opRet)};
    instrs.insert(instrs.end(), f.begin(), f.end());
    return Image({{"MAIN", 0, true}, {"F", 3, false, arity}}, std::move(instrs));
}

std::string Line(const TPInstr& instr) {
    std::string line = OpCodeName(instr.OpCode);
    for (const int32_t arg : {instr.Arg1, instr.Arg2})
        line.append(" ").append(std::to_string(arg));
    if (!instr.Name.empty()) line.append(" ").append(instr.Name);
    return line;
}

std::vector<std::string> Listing(const TPCode& code) {
    std::vector<std::string> lines;
    for (const TPInstr& instr : code.Code)
        lines.push_back(Line(instr));
    return lines;
}

// Function records as "NAME@entry", with a trailing "*" when exported.
std::vector<std::string> Table(const TPCode& code) {
    std::vector<std::string> rows;
    for (const TFunction& f : code.Functions)
        rows.push_back(f.Name + '@' + std::to_string(f.Entry) + (f.Exported ? "*" : ""));
    return rows;
}

std::vector<int32_t> Positions(const TPCode& code) {
    std::vector<int32_t> positions;
    for (const TPInstr& instr : code.Code)
        positions.push_back(instr.Position);
    return positions;
}

// What every jump lands on, in code order: the line of its target instruction.
std::vector<std::string> Landings(const TPCode& code) {
    std::vector<std::string> landings;
    for (const TPInstr& instr : code.Code)
        if (IsJump(instr)) landings.push_back(Line(code.GetInstr(instr.Arg1)));
    return landings;
}

void ExpectSameImage(const TPCode& actual, const TPCode& expected) {
    EXPECT_EQ(Listing(actual), Listing(expected));
    EXPECT_EQ(Positions(actual), Positions(expected));
    EXPECT_EQ(Table(actual), Table(expected));
}

// Pass 1 as a sequence of DeleteInstrs, from the last function to the first,
// for the functions named in `dead` whose records are still in the table.
// Names are unique in these images, so a record is found again by its name.
TPCode DeletedOneByOne(TPCode code, const std::vector<std::string>& dead) {
    const std::vector<std::string> order = [&] {
        std::vector<std::string> names;
        for (const TFunction& function : code.Functions)
            names.push_back(function.Name);
        return names;
    }();
    for (auto name = order.rbegin(); name != order.rend(); ++name) {
        if (std::find(dead.begin(), dead.end(), *name) == dead.end()) continue;
        const auto function = std::find_if(code.Functions.begin(), code.Functions.end(),
                                           [&](const TFunction& f) { return f.Name == *name; });
        if (function == code.Functions.end()) continue;
        const int32_t entry = function->Entry;
        int32_t ret = entry;
        while (ret >= 0 && ret < code.InstrCount() && code.Code[ret].OpCode != opRet)
            ++ret;
        if (ret < 0 || ret >= code.InstrCount()) continue;
        code.DeleteInstrs(entry, ret - entry + 1);
    }
    return code;
}

TEST(OptimizerUnreachable, FunctionThatNobodyCallsDisappearsAndJumpsFollow) {
    TPCode code = Image({{"MAIN", 0, true}, {"H", 3, false, 1}, {"F", 7}, {"G", 15}},
                        {
                            I(opSavePos), I(opGoto, 7), I(opRet),                        // MAIN
                            I(opLoadArgs, 1), I(opParam, 0), I(opFreeArgs, 1), I(opRet), // H
                            I(opPushNum, 11), I(opNumber), I(opIf, 13),                  // F
                            I(opSavePos), I(opGoto, 15), I(opGoto, 14),                  //
                            I(opPushConst, 2), I(opRet),                                 //
                            I(opPushNum, 13), I(opRet),                                  // G
                        });
    const std::vector<std::string> landings = Landings(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), (std::vector<std::string>{
                                 "SavePos 0 0", "Goto 3 0", "Ret 0 0", "PushNum 11 0", "Number 0 0",
                                 "If 9 0", "SavePos 0 0", "Goto 11 0", "Goto 10 0", "PushConst 2 0",
                                 "Ret 0 0", "PushNum 13 0", "Ret 0 0"}));
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*", "F@3", "G@11"}));
    EXPECT_EQ(Landings(code), landings);
}

TEST(OptimizerUnreachable, UnitKeepsItsExportedFunctionsAndWhatTheyCall) {
    TPCode code = Image({{"A", 0, true}, {"D", 2}, {"B", 5, true}, {"C", 8}, {"E", 10}},
                        {
                            I(opPushNum, 1), I(opRet),             // A
                            I(opSavePos), I(opGoto, 10), I(opRet), // D calls E
                            I(opSavePos), I(opGoto, 8), I(opRet),  // B calls C
                            I(opPushNum, 3), I(opRet),             // C
                            I(opPushNum, 5), I(opRet),             // E
                        });
    Optimize(code);
    EXPECT_EQ(Table(code), (std::vector<std::string>{"A@0*", "B@2*", "C@5"}));
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"PushNum 1 0", "Ret 0 0", "SavePos 0 0", "Goto 5 0",
                                        "Ret 0 0", "PushNum 3 0", "Ret 0 0"}));
}

TEST(OptimizerUnreachable, CallsMadeByAHelperWithoutRecordKeepTheirCallees) {
    TPCode code = Image({{"A", 0, true}, {"C", 3}, {"B", 9}},
                        {
                            I(opSavePos), I(opGoto, 6), I(opRet),        // A calls H
                            I(opPushNum, 3), I(opPushNum, 33), I(opRet), // C
                            I(opSavePos), I(opGoto, 9), I(opRet),        // H calls B
                            I(opPushNum, 2), I(opRet),                   // B
                        });
    const std::vector<std::string> landings = Landings(code);
    Optimize(code);
    EXPECT_EQ(Table(code), (std::vector<std::string>{"A@0*", "B@6"}));
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"SavePos 0 0", "Goto 3 0", "Ret 0 0", "SavePos 0 0",
                                        "Goto 6 0", "Ret 0 0", "PushNum 2 0", "Ret 0 0"}));
    EXPECT_EQ(Landings(code), (std::vector<std::string>{"SavePos 0 0", "PushNum 2 0"}));
    EXPECT_EQ(Landings(code), landings);
}

TEST(OptimizerUnreachable, LinkedProgramFollowsHelpersThatCallEachOther) {
    // Only function 0 is a root; the helpers H1 and H2 call each other.
    TPCode code = Image({{"MAIN", 0, true}, {"U", 3}, {"W", 6}, {"V", 16}},
                        {
                            I(opSavePos), I(opGoto, 3), I(opRet),  // MAIN calls U
                            I(opSavePos), I(opGoto, 8), I(opRet),  // U calls H1
                            I(opPushNum, 6), I(opRet),             // W
                            I(opSavePos), I(opGoto, 11), I(opRet), // H1 calls H2
                            I(opSavePos), I(opGoto, 8), I(opSavePos), I(opGoto, 16),
                            I(opRet),                  // H2: H1, V
                            I(opPushNum, 7), I(opRet), // V
                        });
    const std::vector<std::string> landings = Landings(code);
    Optimize(code);
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*", "U@3", "V@14"}));
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"SavePos 0 0", "Goto 3 0", "Ret 0 0", "SavePos 0 0",
                                        "Goto 6 0", "Ret 0 0", "SavePos 0 0", "Goto 9 0", "Ret 0 0",
                                        "SavePos 0 0", "Goto 6 0", "SavePos 0 0", "Goto 14 0",
                                        "Ret 0 0", "PushNum 7 0", "Ret 0 0"}));
    EXPECT_EQ(Landings(code), landings);
}

TEST(OptimizerUnreachable, UnresolvedCallsAndJumpsAreNotFollowed) {
    TPCode code = Image({{"A", 0, true}, {"F", 5}, {"G", 7}},
                        {
                            I(opSavePos), I(opGoto, 0, 1, "F"), I(opIf, 7), I(opGoto, 5),
                            I(opRet),                  // A
                            I(opPushNum, 1), I(opRet), // F
                            I(opPushNum, 2), I(opRet), // G
                        });
    Optimize(code);
    EXPECT_EQ(Table(code), (std::vector<std::string>{"A@0*"}));
    EXPECT_EQ(Listing(code), (std::vector<std::string>{"SavePos 0 0", "Goto 0 1 F", "If 3 0",
                                                       "Goto 3 0", "Ret 0 0"}));
}

TEST(OptimizerUnreachable, CompactionEqualsDeleteInstrsFromTheLastFunctionToTheFirst) {
    // HD is a dead helper without a record whose call lands in D2; the removal
    // of D2 and then D1 moves that target twice, as DeleteInstrs does.
    const TPCode original =
        Image({{"MAIN", 0, true},
               {"D1", 5},
               {"D2", 11},
               {"L", 15},
               {"D3", 22},
               {"M", 25},
               {"D4", 28},
               {"FAR", 1000},
               {"NEG", -3}},
              {
                  I(opSavePos),      I(opGoto, 15),    I(opPushConst, 1),                // 0: MAIN
                  I(opIf, 1000),     I(opRet),                                           //
                  I(opPushNum, 31),  I(opPushNum, 32), I(opRet),                         // 5: D1
                  I(opSavePos),      I(opGoto, 11),    I(opRet),                         // 8: HD
                  I(opPushNum, 41),  I(opPushNum, 42), I(opPushNum, 43),                 // 11: D2
                  I(opRet),                                                              //
                  I(opPushConst, 1), I(opIf, 20),      I(opSavePos),      I(opGoto, 25), // 15: L
                  I(opGoto, 21),     I(opPushNum, 53), I(opRet),                         //
                  I(opSavePos),      I(opGoto, 15),    I(opRet),                         // 22: D3
                  I(opPushNum, 61),  I(opGoto, -5),    I(opRet),                         // 25: M
                  I(opPushNum, 71),  I(opRet),                                           // 28: D4
              });
    TPCode code = original;
    Optimize(code);
    const TPCode expected = DeletedOneByOne(original, {"D1", "D2", "D3", "D4", "FAR", "NEG"});
    ExpectSameImage(code, expected);
    EXPECT_EQ(code.GetInstr(6).Arg1, 4); // HD's call: 11 - 4 = 7 lies in D1, 7 - 3 = 4
    EXPECT_EQ(Table(code),
              (std::vector<std::string>{"MAIN@0*", "L@8", "M@15", "FAR@988", "NEG@-3"}));
}

TEST(OptimizerUnreachable, TableOutOfCodeOrderGivesWhatDeleteInstrsGives) {
    // Dead helpers without records call X and Y, which the table lists in
    // the reverse of their code order.
    const TPCode original =
        Image({{"MAIN", 0, true}, {"X", 10}, {"Y", 3}, {"W", 15}},
              {
                  I(opSavePos), I(opGoto, 15), I(opRet),                       // MAIN calls W
                  I(opPushNum, 1), I(opPushNum, 2), I(opPushNum, 3), I(opRet), // Y
                  I(opSavePos), I(opGoto, 10), I(opRet),                       // helper: X
                  I(opPushNum, 4), I(opRet),                                   // X
                  I(opSavePos), I(opGoto, 3), I(opRet),                        // helper: Y
                  I(opPushNum, 5), I(opRet),                                   // W
              });
    TPCode code = original;
    Optimize(code);
    ExpectSameImage(code, DeletedOneByOne(original, {"X", "Y"}));
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*", "W@9"}));
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"SavePos 0 0", "Goto 9 0", "Ret 0 0", "SavePos 0 0",
                                        "Goto 4 0", "Ret 0 0", "SavePos 0 0", "Goto -1 0",
                                        "Ret 0 0", "PushNum 5 0", "Ret 0 0"}));
}

TEST(OptimizerUnreachable, OverlappingRecordsOfADamagedFileGiveWhatDeleteInstrsGives) {
    const TPCode original =
        Image({{"MAIN", 0, true}, {"P", 3}, {"Q", 3}, {"S", 7}},
              {
                  I(opSavePos), I(opGoto, 7), I(opRet),                        // MAIN calls S
                  I(opPushNum, 1), I(opPushNum, 2), I(opPushNum, 3), I(opRet), // P and Q
                  I(opPushNum, 4), I(opRet),                                   // S
              });
    TPCode code = original;
    Optimize(code);
    ExpectSameImage(code, DeletedOneByOne(original, {"P", "Q"}));
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*", "S@3"}));
}

TEST(OptimizerUnreachable, ALiveRecordSharingADeadFunctionsEntryGoesWithIt) {
    const TPCode original = Image({{"MAIN", 0, true}, {"F", 3}, {"G", 3}},
                                  {
                                      I(opSavePos), I(opGoto, 3), I(opRet), // MAIN calls F
                                      I(opPushNum, 1), I(opRet),            // F, G
                                  });
    TPCode code = original;
    Optimize(code);
    ExpectSameImage(code, DeletedOneByOne(original, {"G"}));
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*"}));
}

TEST(OptimizerTailCall, SelfCallBeforeTheEpilogueBecomesAJump) {
    TPCode code = MainCallingF({
        I(opLoadArgs, 1), I(opParam, 0), I(opBF),     // 3
        I(opSavePos), I(opGoto, 3), I(opFreeArgs, 1), // 6
        I(opRet),                                     // 9
    });
    code.Code[8].Position = 42;
    code.Code[6].Position = 17;
    Optimize(code);
    EXPECT_EQ(Listing(code), (std::vector<std::string>{
                                 "SavePos 0 0", "Goto 3 0", "Ret 0 0", "LoadArgs 1 0", "Param 0 0",
                                 "BF 0 0", "FreeArgs 1 0", "Goto 3 0", "FreeArgs 1 0", "Ret 0 0"}));
    EXPECT_EQ(code.Code[6].Position, 42);
}

TEST(OptimizerTailCall, SelfCallEndingAThenPartBecomesAJump) {
    TPCode code = MainCallingF({
        I(opLoadArgs, 1), I(opParam, 0), I(opSymbol), I(opIf, 12), // 3
        I(opParam, 0), I(opBF), I(opSavePos), I(opGoto, 3),        // 7: then part
        I(opGoto, 13),                                             // 11
        I(opParam, 0),                                             // 12: else part
        I(opFreeArgs, 1), I(opRet),                                // 13
    });
    Optimize(code);
    EXPECT_EQ(Listing(code), (std::vector<std::string>{
                                 "SavePos 0 0", "Goto 3 0", "Ret 0 0", "LoadArgs 1 0", "Param 0 0",
                                 "Symbol 0 0", "If 12 0", "Param 0 0", "BF 0 0", "FreeArgs 1 0",
                                 "Goto 3 0", "Goto 13 0", "Param 0 0", "FreeArgs 1 0", "Ret 0 0"}));
}

TEST(OptimizerTailCall, FunctionWithoutArgumentsIsLeftAlone) {
    TPCode code = MainCallingF({I(opSavePos), I(opGoto, 3), I(opRet)}, 0);
    const std::vector<std::string> before = Listing(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), before);
}

TEST(OptimizerTailCall, OnlyTheOuterOfNestedSelfCallsBecomesAJumpAlsoTheSecondTime) {
    TPCode code = MainCallingF({
        I(opLoadArgs, 1), I(opParam, 0), // 3
        I(opSavePos), I(opGoto, 3),      // 5: inner call
        I(opSavePos), I(opGoto, 3),      // 7: outer call
        I(opFreeArgs, 1), I(opRet),      // 9
    });
    const std::vector<std::string> expected = {
        "SavePos 0 0", "Goto 3 0",     "Ret 0 0",  "LoadArgs 1 0", "Param 0 0", "SavePos 0 0",
        "Goto 3 0",    "FreeArgs 1 0", "Goto 3 0", "FreeArgs 1 0", "Ret 0 0"};
    Optimize(code);
    EXPECT_EQ(Listing(code), expected);
    Optimize(code);
    EXPECT_EQ(Listing(code), expected);
}

TEST(OptimizerTailCall, SelfCallFollowedByMoreWorkIsNotRewritten) {
    TPCode code = MainCallingF({
        I(opLoadArgs, 1), I(opParam, 0), I(opParam, 0), // 3
        I(opSavePos), I(opGoto, 3), I(opExpr),          // 6
        I(opFreeArgs, 1), I(opRet),                     // 9
    });
    const std::vector<std::string> before = Listing(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), before);
}

TEST(OptimizerTailCall, TailCallOfAnotherFunctionIsNotRewritten) {
    TPCode code = MainCallingF({
        I(opLoadArgs, 1), I(opParam, 0), I(opSavePos), I(opGoto, 9), // 3: F calls G
        I(opFreeArgs, 1), I(opRet),                                  // 7
        I(opLoadArgs, 1), I(opFreeArgs, 1), I(opRet),                // 9: G
    });
    code.Functions.push_back(TFunction{false, 9, "G", "", {"X"}});
    const std::vector<std::string> before = Listing(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), before);
}

TEST(OptimizerTailCall, UnresolvedCallInFunctionZeroIsNotASelfCall) {
    // An unresolved call by name has Arg1 0, which is also function 0's entry.
    TPCode code = Image({{"MAIN", 0, true, 1}},
                        {
                            I(opLoadArgs, 1), I(opParam, 0), I(opSymbol), I(opIf, 8), // 0
                            I(opParam, 0), I(opSavePos), I(opGoto, 0, 1, "EXT"),      // 4: then
                            I(opGoto, 11),                                            // 7
                            I(opParam, 0), I(opSavePos), I(opGoto, 0, 1, "EXT"),      // 8: else
                            I(opFreeArgs, 1), I(opRet),                               // 11
                        });
    const std::vector<std::string> before = Listing(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), before);
}

TEST(OptimizerConstants, PushFollowedByEqualBecomesAtomEqual) {
    TPCode code =
        Image({{"MAIN", 0, true}}, {
                                       I(opPushConst, 3), I(opPushConst, 5), I(opEqual), // 0
                                       I(opPushConst, 3), I(opPushNum, 7), I(opEqual),   // 3
                                       I(opRet),                                         // 6
                                   });
    code.Code[1].Position = 17;
    code.Code[2].Position = 19;
    Optimize(code);
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"PushConst 3 0", "NOP 0 0", "AtomEqual 5 0",
                                        "PushConst 3 0", "NOP 0 0", "AtomEqual 7 1", "Ret 0 0"}));
    EXPECT_EQ(code.Code[1].Position, 17);
    EXPECT_EQ(code.Code[2].Position, 19);
}

TEST(OptimizerConstants, EqualAfterAParamIsNotChanged) {
    TPCode code = Image({{"MAIN", 0, true, 1}}, {I(opLoadArgs, 1), I(opPushConst, 5), I(opParam, 0),
                                                 I(opEqual), I(opFreeArgs, 1), I(opRet)});
    const std::vector<std::string> before = Listing(code);
    Optimize(code);
    EXPECT_EQ(Listing(code), before);
}

TEST(OptimizerConstants, EqualThatAJumpReachesIsNotFused) {
    // (EQUAL X (IF C (QUOTE A) (QUOTE B))): the then part jumps onto the Equal
    // after pushing A, so B is not what Equal compares with on that path.
    TPCode code =
        Image({{"MAIN", 0, true}}, {
                                       I(opPushConst, 3), I(opPushConst, 1), I(opIf, 5), // 0
                                       I(opPushConst, 4), I(opGoto, 6), // 3: then part
                                       I(opPushConst, 5),               // 5: else part
                                       I(opEqual),                      // 6: Goto target
                                       I(opPushConst, 1), I(opIf, 10), I(opPushNum, 8), // 7
                                       I(opEqual),                  // 10: If target
                                       I(opPushNum, 9), I(opEqual), // 11: no jump here
                                       I(opRet),                    // 13
                                   });
    Optimize(code);
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{"PushConst 3 0", "PushConst 1 0", "If 5 0", "PushConst 4 0",
                                        "Goto 6 0", "PushConst 5 0", "Equal 0 0", "PushConst 1 0",
                                        "If 10 0", "PushNum 8 0", "Equal 0 0", "NOP 0 0",
                                        "AtomEqual 9 1", "Ret 0 0"}));
}

TEST(OptimizerIdempotence, OptimizingTwiceChangesNothing) {
    TPCode code = Image(
        {{"MAIN", 0, true}, {"DEAD", 3}, {"F", 5, false, 1}, {"G", 20, false, 1}},
        {
            I(opSavePos),     I(opGoto, 5),  I(opRet), // MAIN
            I(opPushNum, 1),  I(opRet),                // DEAD
            I(opLoadArgs, 1), I(opParam, 0), I(opPushConst, 3), I(opEqual),       I(opIf, 16),
            I(opParam, 0),    I(opSavePos),  I(opGoto, 20),     I(opSavePos),     I(opGoto, 5),
            I(opGoto, 18),    I(opParam, 0), I(opPushNum, 0),   I(opFreeArgs, 1), I(opRet), // F
            I(opLoadArgs, 1), I(opParam, 0), I(opSavePos),      I(opGoto, 20),    I(opFreeArgs, 1),
            I(opRet), // G
        });
    Optimize(code);
    EXPECT_EQ(Table(code), (std::vector<std::string>{"MAIN@0*", "F@3", "G@18"}));
    EXPECT_EQ(Listing(code),
              (std::vector<std::string>{
                  "SavePos 0 0",  "Goto 3 0",      "Ret 0 0",      "LoadArgs 1 0", "Param 0 0",
                  "NOP 0 0",      "AtomEqual 3 0", "If 14 0",      "Param 0 0",    "SavePos 0 0",
                  "Goto 18 0",    "FreeArgs 1 0",  "Goto 3 0",     "Goto 16 0",    "Param 0 0",
                  "PushNum 0 0",  "FreeArgs 1 0",  "Ret 0 0",      "LoadArgs 1 0", "Param 0 0",
                  "FreeArgs 1 0", "Goto 18 0",     "FreeArgs 1 0", "Ret 0 0"}));
    const TPCode once = code;
    Optimize(code);
    ExpectSameImage(code, once);
}

TEST(OptimizerDamagedImage, EntriesAndTargetsOutsideTheCodeAreLeftAlone) {
    TPCode code = Image({{"MAIN", 0, true},
                         {"FAR", 99},
                         {"NEG", -4},
                         {"GONE", 40, true},
                         {"TINY", 5, true, 1},
                         {"SHORT", 7, true, 1},
                         {"OPEN", 10, true}},
                        {
                            I(opSavePos), I(opGoto, 500), I(opSavePos), I(opGoto, -7), I(opRet),
                            I(opFreeArgs, 1), I(opRet),               // TINY
                            I(opGoto, 7), I(opFreeArgs, 1), I(opRet), // SHORT
                            I(opIf, 300), I(opEqual), I(opSavePos),   // OPEN: no Ret
                        });
    const TPCode before = code;
    Optimize(code);
    ExpectSameImage(code, before);
}

TEST(OptimizerDamagedImage, EmptyImagesAreLeftAlone) {
    TPCode empty;
    Optimize(empty);
    EXPECT_EQ(empty.InstrCount(), 0);
    TPCode noRet = Image({{"F", 0}}, {I(opEqual), I(opPushNum, 1), I(opEqual)});
    Optimize(noRet);
    EXPECT_EQ(Table(noRet), (std::vector<std::string>{"F@0"}));
    EXPECT_EQ(Listing(noRet), (std::vector<std::string>{"Equal 0 0", "NOP 0 0", "AtomEqual 1 1"}));
}

// Function i takes one argument and calls ten functions, then itself in tail
// position. Even functions call only even ones and are all reached from
// function 0; the odd half is dead.
constexpr int32_t kFunctions = 20000;
constexpr int32_t kCallsEach = 10;
constexpr int32_t kLength = 1 + 2 * (kCallsEach + 1) + 2;

std::string FunctionName(int32_t index) {
    return 'F' + std::to_string(index);
}

int32_t Callee(int32_t caller, int32_t k) {
    if (caller % 2 == 1) return (caller * 7 + k) % kFunctions;
    return 2 * ((caller / 2 * kCallsEach + k + 1) % (kFunctions / 2));
}

// Its speed is measured by the compile benchmark; here only the result counts.
TEST(OptimizerScale, LargeProgramKeepsEveryReachableCall) {
    TPCode code;
    for (int32_t i = 0; i < kFunctions; ++i) {
        TFunction& function = code.AddFunction();
        function.Name = FunctionName(i);
        function.Args = {"X"};
        function.Exported = i == 0;
        code.AddInstr(opLoadArgs, 1);
        for (int32_t k = 0; k < kCallsEach; ++k) {
            code.AddInstr(opSavePos);
            code.AddInstr(opGoto, Callee(i, k) * kLength);
        }
        code.AddInstr(opSavePos);
        code.AddInstr(opGoto, i * kLength);
        code.AddInstr(opFreeArgs, 1);
        code.AddInstr(opRet);
    }
    Optimize(code);

    ASSERT_EQ(code.FunctionCount(), kFunctions / 2);
    std::map<std::string, int32_t> entries;
    for (const TFunction& function : code.Functions)
        entries[function.Name] = function.Entry;
    for (int32_t n = 0; n < code.FunctionCount(); ++n) {
        const TFunction& function = code.GetFunction(n);
        ASSERT_EQ(function.Name, FunctionName(2 * n));
        ASSERT_EQ(function.Entry, n * kLength);
        for (int32_t k = 0; k < kCallsEach; ++k)
            ASSERT_EQ(code.GetInstr(function.Entry + 2 + 2 * k).Arg1,
                      entries.at(FunctionName(Callee(2 * n, k))));
        // The tail self call's SavePos has become a FreeArgs.
        ASSERT_EQ(code.GetInstr(function.Entry + kLength - 4).OpCode, opFreeArgs);
    }
}

} // namespace
} // namespace zk
