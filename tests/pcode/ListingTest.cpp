// The p-code listing, byte for byte.
#include "pcode/Listing.h"

#include "frontend/FileIO.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using test::W;

TEST(PCodeListing, ALinkedProgramWithOneFunction) {
    TPCode code;
    code.AddFunction() = TFunction{true, 0, "F", "", {"X"}};
    code.AddInstr(opLoadArgs, 1, 0, "", 9);
    code.AddInstr(opParam, 0, 0, "", 9);
    code.AddInstr(opFreeArgs, 1, 0, "", 9);
    code.AddInstr(opRet, 0, 0, "", 11);
    EXPECT_EQ(ListingText(code), "Uses:\r\n"
                                 "Atoms:\r\n"
                                 "  \r\n"
                                 "  TRUE\r\n"
                                 "  FALSE\r\n"
                                 "Functions:\r\n"
                                 "  F\r\n"
                                 "  Exported\r\n"
                                 "  Position: 0\r\n"
                                 "  Arguments:\r\n"
                                 "    X\r\n"
                                 "Code:\r\n"
                                 "0: LoadArgs(1, 0, \"\") - 9\r\n"
                                 "1: Param(0, 0, \"\") - 9\r\n"
                                 "2: FreeArgs(1, 0, \"\") - 9\r\n"
                                 "3: Ret(0, 0, \"\") - 11\r\n");
}

TEST(PCodeListing, AnEmptyImageStillHasEveryHeading) {
    EXPECT_EQ(ListingText(TPCode::Empty()), "Uses:\r\nAtoms:\r\nFunctions:\r\nCode:\r\n");
}

TEST(PCodeListing, UsesDefOpAndUnresolvedCalls) {
    TPCode code;
    code.Uses = {"LIB", "MATH"};
    code.Atoms.Add(W("ДА"));
    TFunction& sum = code.AddFunction();
    sum.Name = "SUM";
    sum.DefOp = "ADD";
    sum.Entry = 12;
    code.AddFunction() = TFunction{false, 20, "G", "", {}};
    code.AddInstr(opGoto, kCallByName, 2, "SUM", 40);
    code.AddInstr(opGoto, kCallByOperator, 2, "ADD", 52);
    const std::string expected = "Uses:\r\n"
                                 "  LIB\r\n"
                                 "  MATH\r\n"
                                 "Atoms:\r\n"
                                 "  \r\n"
                                 "  TRUE\r\n"
                                 "  FALSE\r\n"
                                 "  \xC4\xC0\r\n" // ДА
                                 "Functions:\r\n"
                                 "  SUM\r\n"
                                 "  Defop: ADD\r\n"
                                 "  Position: 12\r\n"
                                 "  G\r\n"
                                 "  Position: 20\r\n"
                                 "Code:\r\n"
                                 "0: Goto(0, 2, \"SUM\") - 40\r\n"
                                 "1: Goto(1, 2, \"ADD\") - 52\r\n";
    EXPECT_EQ(ListingText(code), expected);
}

TEST(PCodeListing, UnknownCodesAndNegativeNumbers) {
    TPCode code = TPCode::Empty();
    code.AddInstr(opPushNum, -5, 0, "", 3);
    code.AddInstr(40, 7, 65535, "", 0);
    code.AddInstr(opAtomEqual, -2147483647 - 1, 1, "", -1);
    EXPECT_EQ(ListingText(code), "Uses:\r\nAtoms:\r\nFunctions:\r\nCode:\r\n"
                                 "0: PushNum(-5, 0, \"\") - 3\r\n"
                                 "1: UNK(7, 65535, \"\") - 0\r\n"
                                 "2: AtomEqual(-2147483648, 1, \"\") - -1\r\n");
}

TEST(PCodeListing, WriteListingWritesTheTextToTheFile) {
    test::TTempDir dir;
    TPCode code;
    code.AddFunction() = TFunction{false, 0, "F", "", {}};
    code.AddInstr(opRet);
    WriteListing(code, dir.Entry() + "PCode.txt");
    EXPECT_EQ(dir.Read("PCode.txt"), ListingText(code));
    EXPECT_THROW(WriteListing(code, dir.Entry() + "missing/PCode.txt"), TFileError);
}

// A large image is handed on in pieces of whole lines, never as one text.
TEST(PCodeListing, ALargeImageIsStreamedInPiecesOfWholeLines) {
    TPCode code = TPCode::Empty();
    for (int i = 0; i < 20000; ++i)
        code.AddInstr(opNop);
    std::vector<std::string> pieces;
    StreamListing(code, [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
    ASSERT_GT(pieces.size(), 2u);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_LE(piece.size(), 70000u);
        EXPECT_EQ(piece.substr(piece.size() - 2), "\r\n");
        joined += piece;
    }
    EXPECT_EQ(joined.find("Uses:\r\nAtoms:\r\nFunctions:\r\nCode:\r\n0: NOP(0, 0, \"\") - 0\r\n"),
              0u);
    const std::string last = "\r\n19999: NOP(0, 0, \"\") - 0\r\n";
    EXPECT_EQ(joined.substr(joined.size() - last.size()), last);
}

} // namespace
} // namespace zk
