// The image: creation, the atom table, relocation, deletion of a run of code
// and the merge of another image.
#include "pcode/PCode.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zk {
namespace {

using test::W;

std::vector<int32_t> Entries(const TPCode& code) {
    std::vector<int32_t> entries;
    for (const TFunction& function : code.Functions)
        entries.push_back(function.Entry);
    return entries;
}

std::vector<std::string> AtomTexts(const TPCode& code) {
    return code.Atoms.Texts();
}

TEST(PCodeImage, CreatedForCompilingHoldsTheThreePresetAtoms) {
    const TPCode code;
    EXPECT_EQ(AtomTexts(code), (std::vector<std::string>{"", "TRUE", "FALSE"}));
    EXPECT_EQ(code.InstrCount(), 0);
    EXPECT_EQ(code.FunctionCount(), 0);
}

TEST(PCodeImage, EmptyImageHasNoAtoms) {
    EXPECT_EQ(TPCode::Empty().Atoms.Count(), 0);
    TPCode code;
    code.AddInstr(opRet);
    code.AddFunction();
    code.Uses.push_back("LIB");
    code.ExtList.push_back("X");
    code.Clear();
    EXPECT_EQ(code.Atoms.Count(), 0);
    EXPECT_EQ(code.InstrCount(), 0);
    EXPECT_EQ(code.FunctionCount(), 0);
    EXPECT_TRUE(code.Uses.empty());
    EXPECT_TRUE(code.ExtList.empty());
}

TEST(PCodeImage, OpCodeNamesAreTheListingNames) {
    EXPECT_STREQ(OpCodeName(opNop), "NOP");
    EXPECT_STREQ(OpCodeName(opPushConst), "PushConst");
    EXPECT_STREQ(OpCodeName(opGoto), "Goto");
    EXPECT_STREQ(OpCodeName(opRes2), "Res2");
    EXPECT_STREQ(OpCodeName(opSubtr), "Subtr");
    EXPECT_STREQ(OpCodeName(opAtomEqual), "AtomEqual");
    for (int32_t code : {32, 40, 255, -1, -2147483647 - 1})
        EXPECT_STREQ(OpCodeName(code), "UNK");
}

TEST(PCodeImage, AddInstrReturnsTheIndexAndKeepsEveryField) {
    TPCode code;
    EXPECT_EQ(code.AddInstr(opRet), 0);
    EXPECT_EQ(code.AddInstr(opGoto, 1, 2, "ADD", 52), 1);
    const TPInstr& call = code.GetInstr(1);
    EXPECT_EQ(call.OpCode, opGoto);
    EXPECT_EQ(call.Arg1, 1);
    EXPECT_EQ(call.Arg2, 2);
    EXPECT_EQ(call.Name, "ADD");
    EXPECT_EQ(call.Position, 52);
}

TEST(PCodeImage, AddFunctionStartsAtTheCurrentInstructionCount) {
    TPCode code;
    for (int i = 0; i < 7; ++i)
        code.AddInstr(opNop);
    TFunction& function = code.AddFunction();
    EXPECT_EQ(function.Entry, 7);
    EXPECT_FALSE(function.Exported);
    EXPECT_TRUE(function.Name.empty() && function.DefOp.empty() && function.Args.empty());
    code.LastFunction().Name = "F";
    EXPECT_EQ(code.GetFunction(0).Name, "F");
}

TEST(PCodeImage, IndexesOutsideTheListsThrow) {
    TPCode code;
    EXPECT_THROW(code.LastFunction(), std::out_of_range);
    EXPECT_THROW(code.GetInstr(0), std::out_of_range);
    EXPECT_THROW(code.GetFunction(-1), std::out_of_range);
    code.AddInstr(opRet);
    EXPECT_THROW(code.DeleteInstrs(0, 2), std::out_of_range);
    EXPECT_THROW(code.DeleteInstrs(-1, 1), std::out_of_range);
    EXPECT_THROW(code.DeleteInstrs(1, -1), std::out_of_range);
    EXPECT_EQ(code.InstrCount(), 1);
}

// Entries 0 and 4; an If to 3, a resolved Goto to 6, an unresolved call.
TPCode JumpImage() {
    TPCode code;
    code.AddFunction();
    code.AddInstr(opIf, 3);
    code.AddInstr(opGoto, 6);
    code.AddInstr(opSavePos);
    code.AddInstr(opGoto, kCallByName, 1, "G");
    code.AddFunction();
    code.AddInstr(opParam, 0);
    code.AddInstr(opPushNum, 100);
    code.AddInstr(opRet);
    return code;
}

TEST(PCodeImage, RelocateByZeroChangesNothing) {
    TPCode code = JumpImage();
    code.Relocate(0);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{0, 4}));
    EXPECT_EQ(code.Code[0].Arg1, 3);
    EXPECT_EQ(code.Code[1].Arg1, 6);
}

TEST(PCodeImage, RelocateMovesEntriesAndJumpsButNotUnresolvedCalls) {
    TPCode code = JumpImage();
    code.Relocate(5);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{5, 9}));
    EXPECT_EQ(code.Code[0].Arg1, 8);
    EXPECT_EQ(code.Code[1].Arg1, 11);
    EXPECT_EQ(code.Code[3].Arg1, kCallByName);
    EXPECT_EQ(code.Code[3].Arg2, 1);
    EXPECT_EQ(code.Code[4].Arg1, 0);   // Param
    EXPECT_EQ(code.Code[5].Arg1, 100); // PushNum
    code.Relocate(-5);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{0, 4}));
}

TEST(PCodeImage, RelocateWrapsAddressesNearTheLimit) {
    TPCode code = JumpImage();
    code.Functions[1].Entry = INT32_MAX - 1;
    code.Code[0].Arg1 = INT32_MAX;
    code.Relocate(5);
    EXPECT_EQ(code.Functions[1].Entry, INT32_MIN + 3);
    EXPECT_EQ(code.Code[0].Arg1, INT32_MIN + 4);
    code.Relocate(-5);
    EXPECT_EQ(code.Functions[1].Entry, INT32_MAX - 1);
}

TEST(PCodeImage, DeleteInstrsDropsTheFunctionOfTheRemovedRun) {
    TPCode code;
    for (const auto& [entry, name] : {std::pair{0, "F0"}, {10, "F10"}, {14, "F14"}}) {
        while (code.InstrCount() < entry)
            code.AddInstr(opNop);
        code.AddFunction().Name = name;
    }
    code.AddInstr(opGoto, 14); // 14
    code.AddInstr(opIf, 3);    // 15
    code.AddInstr(opGoto, 2, 1, "LATER");
    code.AddInstr(opRet);
    code.Code[5] = TPInstr{0, opIf, 16, 0, ""};
    code.Code[9] = TPInstr{0, opGoto, 9, 0, ""};

    code.DeleteInstrs(10, 4);

    EXPECT_EQ(code.InstrCount(), 14);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{0, 10}));
    EXPECT_EQ(code.Functions[1].Name, "F14");
    EXPECT_EQ(code.Code[10].Arg1, 10); // the jump to 14
    EXPECT_EQ(code.Code[11].Arg1, 3);  // a jump before the run
    EXPECT_EQ(code.Code[12].Arg1, 2);  // unresolved: its Arg1 is a mode
    EXPECT_EQ(code.Code[5].Arg1, 12);  // If to 16
    EXPECT_EQ(code.Code[9].Arg1, 9);   // a jump to 9, below the run
}

TEST(PCodeImage, DeleteInstrsOfNothingChangesNothing) {
    TPCode code = JumpImage();
    code.DeleteInstrs(2, 0);
    EXPECT_EQ(code.InstrCount(), 7);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{0, 4}));
    EXPECT_EQ(code.Code[1].Arg1, 6);
}

TEST(PCodeImage, DeleteInstrsAtTheEndRemovesTheLastFunction) {
    TPCode code = JumpImage();
    code.DeleteInstrs(4, 3);
    EXPECT_EQ(code.InstrCount(), 4);
    EXPECT_EQ(Entries(code), (std::vector<int32_t>{0}));
}

// A unit image whose atom X has index 3.
TPCode UnitWithAtomX() {
    TPCode unit;
    unit.Atoms.Add("X");
    unit.AddFunction() = TFunction{true, 0, "U", "+", {"P", "Q"}};
    unit.AddInstr(opPushConst, 3, 0, "", 7);
    unit.AddInstr(opAtomEqual, 3, 0);
    unit.AddInstr(opAtomEqual, 3, 1);
    unit.AddInstr(opPushConst, 1);
    unit.AddInstr(opPushConst, 2);
    unit.AddInstr(opPushConst, 0);
    unit.AddInstr(opGoto, 1, 0);
    unit.AddInstr(opRet);
    unit.Uses = {"LIB", "BASE"};
    return unit;
}

TEST(PCodeImage, AppendTranslatesAtomNumbersIntoTheTargetTable) {
    TPCode main;
    main.Atoms.Add("Y");
    main.Atoms.Add("Z");
    main.Atoms.Add("x");
    ASSERT_EQ(main.Atoms.Find("X"), 5);
    main.AddInstr(opRet);

    main.Append(UnitWithAtomX());

    EXPECT_EQ(main.Atoms.Count(), 6); // no atom added
    ASSERT_EQ(main.InstrCount(), 9);
    EXPECT_EQ(main.Code[1].Arg1, 5); // PushConst X
    EXPECT_EQ(main.Code[1].Position, 7);
    EXPECT_EQ(main.Code[2].Arg1, 5); // AtomEqual with an atom
    EXPECT_EQ(main.Code[3].Arg1, 3); // AtomEqual with the number 3
    EXPECT_EQ(main.Code[4].Arg1, 1); // TRUE
    EXPECT_EQ(main.Code[5].Arg1, 2); // FALSE
    EXPECT_EQ(main.Code[6].Arg1, 0); // the empty atom
    EXPECT_EQ(main.Code[7].Arg1, 1); // a Goto is copied as it stands
}

TEST(PCodeImage, AppendAddsAtomsTheTargetLacksInOrderOfUse) {
    TPCode unit;
    unit.Atoms.Add("UNUSED");
    unit.Atoms.Add("B");
    unit.Atoms.Add("A");
    unit.AddInstr(opPushConst, 5); // A
    unit.AddInstr(opPushConst, 4); // B
    unit.AddInstr(opPushConst, 5);
    TPCode main;
    main.Append(unit);
    EXPECT_EQ(AtomTexts(main), (std::vector<std::string>{"", "TRUE", "FALSE", "A", "B"}));
    EXPECT_EQ(main.Code[0].Arg1, 3);
    EXPECT_EQ(main.Code[1].Arg1, 4);
    EXPECT_EQ(main.Code[2].Arg1, 3);
}

TEST(PCodeImage, AppendCopiesFunctionsKeepsDuplicateUsesAndEmptiesExtList) {
    TPCode main;
    main.Uses = {"LIB"};
    main.ExtList = {"E"};
    main.AddFunction().Name = "MAIN";
    const TPCode unit = UnitWithAtomX();
    main.Append(unit);
    main.Append(unit);
    EXPECT_EQ(main.Uses, (std::vector<std::string>{"LIB", "LIB", "BASE", "LIB", "BASE"}));
    EXPECT_TRUE(main.ExtList.empty());
    ASSERT_EQ(main.FunctionCount(), 3);
    const TFunction& copy = main.Functions[1];
    EXPECT_EQ(copy.Name, "U");
    EXPECT_EQ(copy.DefOp, "+");
    EXPECT_TRUE(copy.Exported);
    EXPECT_EQ(copy.Entry, 0); // entries are copied; the linker relocated beforehand
    EXPECT_EQ(copy.Args, (std::vector<std::string>{"P", "Q"}));
    EXPECT_EQ(unit.Atoms.Count(), 4);
}

TEST(PCodeImage, AppendGivesAtomNumbersOutsideTheSourceTableNoAtom) {
    TPCode unit = TPCode::Empty();
    unit.Atoms.AppendLoaded("");
    unit.AddInstr(opPushConst, 9);
    unit.AddInstr(opAtomEqual, -3, 0);
    TPCode main;
    main.Append(unit);
    EXPECT_EQ(main.Code[0].Arg1, -1);
    EXPECT_EQ(main.Code[1].Arg1, -1);
    EXPECT_EQ(main.Atoms.Count(), 3);
}

TEST(PCodeImage, AppendOfItselfDoublesTheImage) {
    TPCode code = UnitWithAtomX();
    code.Append(code);
    EXPECT_EQ(code.InstrCount(), 16);
    EXPECT_EQ(code.FunctionCount(), 2);
    EXPECT_EQ(code.Code[8].Arg1, 3);
    EXPECT_EQ(code.Uses.size(), 4u);
}

TEST(PCodeAtoms, FindIgnoresLetterCaseCyrillicIncluded) {
    TAtomTable atoms;
    EXPECT_EQ(atoms.Add("Abc"), 0);
    EXPECT_EQ(atoms.Add(W("Ёжик")), 1);
    EXPECT_EQ(atoms.Find("ABC"), 0);
    EXPECT_EQ(atoms.Find("abc"), 0);
    EXPECT_EQ(atoms.Find(W("ЁЖИК")), 1);
    EXPECT_EQ(atoms.Find(W("ёжик")), 1);
    EXPECT_EQ(atoms.Find("AB"), -1);
    EXPECT_EQ(atoms.Find(""), -1);
}

TEST(PCodeAtoms, AddNeverStoresATextTwice) {
    TAtomTable atoms;
    EXPECT_EQ(atoms.Add("x"), 0);
    EXPECT_EQ(atoms.Add("X"), 0);
    EXPECT_EQ(atoms.Add(""), 1);
    EXPECT_EQ(atoms.Add(""), 1);
    EXPECT_EQ(atoms.Count(), 2);
    EXPECT_EQ(atoms[0], "x"); // the first spelling stays
}

TEST(PCodeAtoms, LoadedDuplicatesKeepTheirIndexesAndFindGivesTheFirst) {
    TAtomTable atoms;
    EXPECT_EQ(atoms.AppendLoaded("A"), 0);
    EXPECT_EQ(atoms.AppendLoaded("a"), 1);
    EXPECT_EQ(atoms.Count(), 2);
    EXPECT_EQ(atoms[1], "a");
    EXPECT_EQ(atoms.Find("A"), 0);
    EXPECT_EQ(atoms.Add("a"), 0);
    EXPECT_EQ(atoms.Count(), 2);
}

TEST(PCodeAtoms, ClearEmptiesTheIndexToo) {
    TAtomTable atoms;
    atoms.Add("A");
    atoms.Clear();
    EXPECT_EQ(atoms.Count(), 0);
    EXPECT_EQ(atoms.Find("A"), -1);
    EXPECT_EQ(atoms.Add("B"), 0);
    EXPECT_THROW(atoms[1], std::out_of_range);
}

TEST(PCodeAtoms, ACopiedImageKeepsAWorkingIndex) {
    TPCode code;
    code.Atoms.Add("A");
    TPCode copy = code;
    copy.Atoms.Add("B");
    EXPECT_EQ(copy.Atoms.Find("a"), 3);
    EXPECT_EQ(copy.Atoms.Find("b"), 4);
    EXPECT_EQ(code.Atoms.Find("b"), -1);
}

} // namespace
} // namespace zk
