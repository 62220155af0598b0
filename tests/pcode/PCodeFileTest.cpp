// The three p-code file layouts byte for byte, their round trips, and the
// reader's refusal of damaged files.
#include "pcode/PCodeFile.h"

#include "frontend/FileIO.h"
#include "pcode/PCode.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace zk {
namespace {

using namespace std::string_literals;

// MAIN (X) calls G by name; G, exported and bound to "+", pushes atom A.
TPCode SampleImage() {
    TPCode code;
    code.Atoms.Add("A");
    code.Uses = {"LIB"};
    TFunction& main = code.AddFunction();
    main.Name = "MAIN";
    main.Args = {"X"};
    code.AddInstr(opLoadArgs, 1, 0, "", 4);
    code.AddInstr(opSavePos, 0, 0, "", 5);
    code.AddInstr(opGoto, kCallByName, 0, "G", 5);
    code.AddInstr(opFreeArgs, 1, 0, "", 9);
    code.AddInstr(opRet, 0, 0, "", 9);
    code.AddFunction() = TFunction{true, 5, "G", "+", {}};
    code.AddInstr(opPushConst, 3, 0, "", 12);
    code.AddInstr(opRet, 0, 0, "", 14);
    return code;
}

const std::string kAtomBytes = "\x04\x00\x00\x00"
                               "\x00\x00"
                               "\x04\x00TRUE"
                               "\x05\x00"
                               "FALSE"
                               "\x01\x00"
                               "A"s;
const std::string kMainRecord = "\x04\x00MAIN\x00\x00\x00\x00\x00\x00\x01\x01\x00X"s;
const std::string kGRecord = "\x01\x00G\x01\x00+\x05\x00\x00\x00\x00"s;

std::string CodeBytes(bool withNames) {
    return "\x07\x00\x00\x00"              // instruction count
           "\x0E\x01\x00\x00\x00"          // LoadArgs 1
           "\x14"                          // SavePos
           "\x0B\x00\x00\x00\x00\x00\x00"s // Goto 0, 0
           + (withNames ? "\x01\x00G"s : ""s) +
           "\x0F\x01\x00\x00\x00" // FreeArgs 1
           "\x13"                 // Ret
           "\x01\x03\x00\x00\x00" // PushConst 3
           "\x13"s;               // Ret
}

const std::string kProgramFile = "\x03\x00ZKP"s + kAtomBytes + kMainRecord + CodeBytes(false);
const std::string kUnitFile = "\x03\x00ZKU\x01\x00\x00\x00\x03\x00LIB"s + kAtomBytes +
                              "\x01\x00\x00\x00"s + kGRecord + CodeBytes(true);
const std::string kImageFile = "\x05\x00ZKExt\x01\x00\x00\x00\x03\x00LIB"s + kAtomBytes +
                               "\x02\x00\x00\x00"s + kMainRecord + "\x00"s + kGRecord + "\x01"s +
                               CodeBytes(true);

// Where the instruction count of the program file and the function count of
// the unit file stand.
const std::size_t kProgramHead = kProgramFile.size() - CodeBytes(false).size();
const std::size_t kUnitHead = kUnitFile.size() - CodeBytes(true).size() - kGRecord.size() - 4;

TPCode Decoded(std::string_view bytes) {
    TPCode code = TPCode::Empty();
    DecodePCodeFile(code, bytes, "T.ZKP");
    return code;
}

void ExpectSameCode(const TPCode& loaded, const TPCode& original) {
    ASSERT_EQ(loaded.InstrCount(), original.InstrCount());
    for (int32_t i = 0; i < loaded.InstrCount(); ++i) {
        EXPECT_EQ(loaded.Code[i].OpCode, original.Code[i].OpCode) << i;
        EXPECT_EQ(loaded.Code[i].Arg1, original.Code[i].Arg1) << i;
        EXPECT_EQ(loaded.Code[i].Arg2, original.Code[i].Arg2) << i;
        EXPECT_EQ(loaded.Code[i].Position, 0) << i;
    }
}

void ExpectEmpty(const TPCode& code) {
    EXPECT_EQ(code.Atoms.Count(), 0);
    EXPECT_EQ(code.InstrCount(), 0);
    EXPECT_EQ(code.FunctionCount(), 0);
    EXPECT_TRUE(code.Uses.empty());
    EXPECT_TRUE(code.ExtList.empty());
}

TEST(PCodeFile, ProgramLayoutByteForByte) {
    EXPECT_EQ(EncodePCodeFile(SampleImage(), pfProgram, "P.ZKP"), kProgramFile);
}

TEST(PCodeFile, UnitLayoutByteForByte) {
    EXPECT_EQ(EncodePCodeFile(SampleImage(), pfUnit, "U.zku"), kUnitFile);
}

TEST(PCodeFile, FullImageLayoutByteForByte) {
    EXPECT_EQ(EncodePCodeFile(SampleImage(), pfImage, "I.zke"), kImageFile);
}

TEST(PCodeFile, SaveWritesTheSameBytesToTheFile) {
    test::TTempDir dir;
    const std::string path = dir.Entry() + "P.ZKP";
    SampleImage().SaveToFile(path, pfProgram);
    EXPECT_EQ(dir.Read("P.ZKP"), kProgramFile);
}

TEST(PCodeFile, ProgramFileReadsBackFunctionZeroOnlyNotExported) {
    const TPCode loaded = Decoded(kProgramFile);
    EXPECT_EQ(loaded.Atoms.Texts(), (std::vector<std::string>{"", "TRUE", "FALSE", "A"}));
    EXPECT_TRUE(loaded.Uses.empty());
    ASSERT_EQ(loaded.FunctionCount(), 1);
    EXPECT_EQ(loaded.Functions[0].Name, "MAIN");
    EXPECT_EQ(loaded.Functions[0].Args, (std::vector<std::string>{"X"}));
    EXPECT_FALSE(loaded.Functions[0].Exported);
    ExpectSameCode(loaded, SampleImage());
    EXPECT_EQ(loaded.Code[2].Name, ""); // a program file keeps no callee names
}

TEST(PCodeFile, UnitFileReadsBackItsExportedFunctionsAndCalleeNames) {
    const TPCode loaded = Decoded(kUnitFile);
    EXPECT_EQ(loaded.Uses, (std::vector<std::string>{"LIB"}));
    ASSERT_EQ(loaded.FunctionCount(), 1);
    EXPECT_EQ(loaded.Functions[0].Name, "G");
    EXPECT_EQ(loaded.Functions[0].DefOp, "+");
    EXPECT_EQ(loaded.Functions[0].Entry, 5);
    EXPECT_TRUE(loaded.Functions[0].Exported);
    ExpectSameCode(loaded, SampleImage());
    EXPECT_EQ(loaded.Code[2].Name, "G");
}

TEST(PCodeFile, FullImageReproducesEveryFieldButPosition) {
    const TPCode original = SampleImage();
    const TPCode loaded = Decoded(kImageFile);
    EXPECT_EQ(loaded.Uses, original.Uses);
    EXPECT_EQ(loaded.Atoms.Texts(), original.Atoms.Texts());
    ASSERT_EQ(loaded.FunctionCount(), 2);
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded.Functions[i].Exported, original.Functions[i].Exported);
        EXPECT_EQ(loaded.Functions[i].Entry, original.Functions[i].Entry);
        EXPECT_EQ(loaded.Functions[i].Name, original.Functions[i].Name);
        EXPECT_EQ(loaded.Functions[i].DefOp, original.Functions[i].DefOp);
        EXPECT_EQ(loaded.Functions[i].Args, original.Functions[i].Args);
    }
    ExpectSameCode(loaded, original);
    EXPECT_EQ(loaded.Code[2].Name, "G");
    EXPECT_EQ(loaded.Atoms.Find("a"), 3); // the loaded table has its index
}

TEST(PCodeFile, UnitWithTwoOfFiveExportedKeepsAllCode) {
    TPCode unit;
    for (const char* name : {"F0", "F1", "F2", "F3", "F4"}) {
        TFunction& function = unit.AddFunction();
        function.Name = name;
        function.Exported = name[1] == '1' || name[1] == '3';
        unit.AddInstr(opRet);
    }
    const std::string bytes = EncodePCodeFile(unit, pfUnit, "U.zku");
    const std::string head = "\x03\x00ZKU\x00\x00\x00\x00"s +
                             "\x03\x00\x00\x00\x00\x00\x04\x00TRUE\x05\x00"
                             "FALSE"s +
                             "\x02\x00\x00\x00"s;
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    const TPCode loaded = Decoded(bytes);
    ASSERT_EQ(loaded.FunctionCount(), 2);
    EXPECT_EQ(loaded.Functions[0].Name, "F1");
    EXPECT_EQ(loaded.Functions[1].Name, "F3");
    EXPECT_EQ(loaded.Functions[1].Entry, 3);
    EXPECT_TRUE(loaded.Functions[0].Exported && loaded.Functions[1].Exported);
    EXPECT_EQ(loaded.InstrCount(), 5);
}

TEST(PCodeFile, ProgramWithTwoArgumentsReadsBackBothNames) {
    TPCode code;
    TFunction& main = code.AddFunction();
    main.Name = "MAIN";
    main.Args = {"A", "B"};
    main.Exported = true;
    code.AddFunction().Name = "OTHER";
    const TPCode loaded = Decoded(EncodePCodeFile(code, pfProgram, "P.ZKP"));
    ASSERT_EQ(loaded.FunctionCount(), 1);
    EXPECT_EQ(loaded.Functions[0].Args, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(loaded.Functions[0].Exported);
}

TEST(PCodeFile, ExtListIsWrittenOnlyWhenItHoldsTexts) {
    TPCode code = SampleImage();
    EXPECT_EQ(EncodePCodeFile(code, pfProgram, "P.ZKP").size(), kProgramFile.size());
    code.ExtList = {"A"};
    for (TPCodeFileKind kind : {pfProgram, pfUnit, pfImage}) {
        const std::string bytes = EncodePCodeFile(code, kind, "P.ZKP");
        ASSERT_GE(bytes.size(), 7u);
        EXPECT_EQ(bytes.substr(bytes.size() - 7), "\x01\x00\x00\x00\x01\x00\x41"s) << kind;
        EXPECT_EQ(Decoded(bytes).ExtList, (std::vector<std::string>{"A"})) << kind;
    }
    EXPECT_TRUE(Decoded(kProgramFile).ExtList.empty());
}

TEST(PCodeFile, ASingleTrailingByteIsIgnored) {
    const TPCode loaded = Decoded(kProgramFile + "\x07"s);
    EXPECT_TRUE(loaded.ExtList.empty());
    EXPECT_EQ(loaded.InstrCount(), 7);
}

TEST(PCodeFile, Arg2IsStoredAsItsLow16Bits) {
    TPCode code;
    code.AddFunction();
    code.AddInstr(opGoto, 9, 0x12345);
    code.AddInstr(opAtomEqual, -7, -1);
    const std::string bytes = EncodePCodeFile(code, pfProgram, "P.ZKP");
    const std::string tail = "\x02\x00\x00\x00"
                             "\x0B\x09\x00\x00\x00\x45\x23"
                             "\x1F\xF9\xFF\xFF\xFF\xFF\xFF"s;
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    const TPCode loaded = Decoded(bytes);
    EXPECT_EQ(loaded.Code[0].Arg2, 0x2345);
    EXPECT_EQ(loaded.Code[1].Arg1, -7);
    EXPECT_EQ(loaded.Code[1].Arg2, 0xFFFF); // zero-extended
}

TEST(PCodeFile, InstructionRecordSizesFollowTheOperation) {
    TPCode code;
    code.AddFunction();
    code.AddInstr(opNop, 5);          // a NOP keeps no operand
    code.AddInstr(opAtomEqual, 3, 1); // code, constant, kind
    code.AddInstr(opPushNum, -5);
    code.AddInstr(opParamCopy, 2);
    code.AddInstr(40, 8, 8, "X"); // an unknown code keeps nothing
    const std::string tail = "\x05\x00\x00\x00"
                             "\x00"
                             "\x1F\x03\x00\x00\x00\x01\x00"
                             "\x1B\xFB\xFF\xFF\xFF"
                             "\x0D\x02\x00\x00\x00"
                             "\x28"s;
    const std::string bytes = EncodePCodeFile(code, pfUnit, "U.zku");
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    const TPCode loaded = Decoded(bytes);
    EXPECT_EQ(loaded.Code[0].Arg1, 0);
    EXPECT_EQ(loaded.Code[1].Arg2, 1);
    EXPECT_EQ(loaded.Code[2].Arg1, -5);
    EXPECT_EQ(loaded.Code[4].OpCode, 40);
    EXPECT_EQ(loaded.Code[4].Arg1, 0);
}

TEST(PCodeFile, AnUnknownSignatureReadsAsAFullImage) {
    const std::string bytes = "\x03\x00zkp"s + kImageFile.substr(7);
    const TPCode loaded = Decoded(bytes);
    EXPECT_EQ(loaded.FunctionCount(), 2);
    EXPECT_EQ(loaded.Uses, (std::vector<std::string>{"LIB"}));
}

TEST(PCodeFile, DuplicateAtomsInAFileKeepTheirNumbers) {
    const std::string bytes = "\x03\x00ZKP\x03\x00\x00\x00\x01\x00X\x01\x00x\x01\x00Y"s +
                              "\x01\x00M\x00\x00\x00\x00\x00\x00\x00"s +
                              "\x01\x00\x00\x00\x01\x02\x00\x00\x00"s;
    const TPCode loaded = Decoded(bytes);
    EXPECT_EQ(loaded.Atoms.Texts(), (std::vector<std::string>{"X", "x", "Y"}));
    EXPECT_EQ(loaded.Atoms.Find("x"), 0);
    EXPECT_EQ(loaded.Atoms.Find("Y"), 2);
    EXPECT_EQ(loaded.Code[0].Arg1, 2);
}

TEST(PCodeFile, LoadFromFileReplacesTheImage) {
    test::TTempDir dir;
    const std::string path = dir.Write("U.zku", kUnitFile);
    TPCode code = SampleImage();
    code.Atoms.Add("EXTRA");
    code.LoadFromFile(path);
    EXPECT_EQ(code.Atoms.Count(), 4);
    EXPECT_EQ(code.FunctionCount(), 1);
    EXPECT_EQ(TPCode::FromFile(path).InstrCount(), 7);
}

TEST(PCodeFile, AMissingFileFailsAndLeavesTheImageAlone) {
    test::TTempDir dir;
    TPCode code;
    EXPECT_THROW(code.LoadFromFile(dir.Entry() + "NONE.ZKP"), TFileError);
    EXPECT_EQ(code.Atoms.Count(), 3);
}

// Every failure names the file and says what is wrong.
void ExpectDamaged(std::string_view bytes, std::string_view detail = "") {
    TPCode code;
    code.AddInstr(opRet);
    try {
        DecodePCodeFile(code, bytes, "BAD.ZKP");
        ADD_FAILURE() << "loaded " << bytes.size() << " bytes";
    } catch (const TFileError& error) {
        const std::string what = error.what();
        EXPECT_EQ(error.Path(), "BAD.ZKP");
        EXPECT_EQ(what.rfind("BAD.ZKP: damaged p-code file: ", 0), 0u) << what;
        EXPECT_NE(what.find(detail), std::string::npos) << what;
    }
    ExpectEmpty(code);
}

TEST(PCodeFile, AnEmptyFileIsDamaged) {
    ExpectDamaged("", "ends early");
}

TEST(PCodeFile, EveryTruncationOfAValidFileIsDamaged) {
    for (const std::string* file : {&kProgramFile, &kUnitFile, &kImageFile})
        for (std::size_t size = 0; size < file->size(); ++size) {
            SCOPED_TRACE(size);
            ExpectDamaged(std::string_view(*file).substr(0, size));
        }
}

TEST(PCodeFile, ATruncatedExtListIsDamaged) {
    TPCode code = SampleImage();
    code.ExtList = {"AB"};
    const std::string bytes = EncodePCodeFile(code, pfUnit, "U.zku");
    const std::size_t body = kUnitFile.size();
    for (std::size_t size = body + 2; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        ExpectDamaged(std::string_view(bytes).substr(0, size));
    }
}

TEST(PCodeFile, NegativeCountsAreDamaged) {
    ExpectDamaged("\x03\x00ZKU\xFF\xFF\xFF\xFF"s, "impossible count -1 of uses at byte 5");
    ExpectDamaged("\x03\x00ZKP\x00\x00\x00\x80"s, "impossible count -2147483648 of atoms");
    ExpectDamaged(kProgramFile.substr(0, kProgramHead) + "\xF9\xFF\xFF\xFF"s,
                  "count -7 of instructions at byte " + std::to_string(kProgramHead));
    ExpectDamaged(kUnitFile.substr(0, kUnitHead) + "\xFE\xFF\xFF\xFF"s + kGRecord,
                  "impossible count -2 of functions");
}

TEST(PCodeFile, CountsBeyondTheFileAreDamaged) {
    ExpectDamaged("\x03\x00ZKP\xFF\xFF\xFF\x7F"s + std::string(12, '\0'),
                  "impossible count 2147483647 of atoms");
    ExpectDamaged("\x03\x00ZKP\x07\x00\x00\x00"s + std::string(12, '\0'), "count 7 of atoms");
    ExpectDamaged(kProgramFile.substr(0, kProgramHead) + "\x20\x00\x00\x00"s +
                      std::string(30, '\x13'),
                  "count 32 of instructions");
    ExpectDamaged(kUnitFile.substr(0, kUnitHead) + "\x02\x00\x00\x00"s + kGRecord +
                      "\x00\x00\x00\x00"s,
                  "count 2 of functions");
}

TEST(PCodeFile, ATextPastTheEndIsDamaged) {
    ExpectDamaged("\x03\x00ZKP\x01\x00\x00\x00\x10\x00"
                  "AB"s,
                  "a text of 16 bytes at byte 9 runs past the end");
    ExpectDamaged("\xFF\xFF"
                  "ZKP"s,
                  "a text of 65535 bytes at byte 0");
}

TEST(PCodeFile, AnArityTheRestCannotHoldIsDamaged) {
    const std::string bytes =
        "\x03\x00ZKP\x00\x00\x00\x00\x01\x00M\x00\x00\x00\x00\x00\x00\xFF"s + std::string(40, '\0');
    ExpectDamaged(bytes, "arity 255 at byte 18");
}

TEST(PCodeFile, GarbageIsDamaged) {
    ExpectDamaged("this is not a p-code file at all");
    ExpectDamaged("\x03\x00ZKP"s + std::string(64, '\xFF'));
}

// Whatever the bytes, a load either succeeds or throws TFileError and leaves
// the image empty (the sanitizer build checks that nothing is touched beyond
// the buffer).
TEST(PCodeFile, RandomBytesNeverBreakTheReader) {
    std::mt19937 random(1251);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = kImageFile;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        bytes.resize(random() % (bytes.size() + 1));
        TPCode code;
        try {
            DecodePCodeFile(code, bytes, "R.ZKP");
        } catch (const TFileError&) {
            ExpectEmpty(code);
        }
    }
}

TEST(PCodeFile, AnOverLongTextRefusesToSaveAndWritesNoFile) {
    test::TTempDir dir;
    const std::string path = dir.Entry() + "LONG.ZKP";
    TPCode code = SampleImage();
    code.Atoms.Add(std::string(65536, 'A'));
    try {
        code.SaveToFile(path, pfProgram);
        ADD_FAILURE() << "saved";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Path(), path);
        EXPECT_NE(std::string(error.what()).find("a text of 65536 bytes"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "LONG.ZKP"));
}

TEST(PCodeFile, AnOverLongNameOrArgumentRefusesToSave) {
    TPCode code = SampleImage();
    code.Functions[1].Args = {std::string(70000, 'Q')};
    EXPECT_THROW(EncodePCodeFile(code, pfUnit, "U.zku"), TFileError);
    EXPECT_NO_THROW(EncodePCodeFile(code, pfProgram, "P.ZKP")); // G is not in a program file
    code = SampleImage();
    code.Code[2].Name = std::string(65536, 'N');
    EXPECT_THROW(EncodePCodeFile(code, pfImage, "I.zke"), TFileError);
    EXPECT_NO_THROW(EncodePCodeFile(code, pfProgram, "P.ZKP")); // names are not stored
}

// Read back as a Word, 65537 arguments would become a call of one.
TEST(PCodeFile, ACallOfMoreArgumentsThanAWordHoldsRefusesToSave) {
    TPCode code = SampleImage();
    code.Code[2].Arg2 = 65535;
    EXPECT_EQ(Decoded(EncodePCodeFile(code, pfUnit, "U.zku")).Code[2].Arg2, 65535);
    code.Code[2].Arg2 = 65537;
    EXPECT_THROW(EncodePCodeFile(code, pfUnit, "U.zku"), TFileError);
}

TEST(PCodeFile, ATextOf65535BytesRoundTrips) {
    TPCode code = SampleImage();
    code.Atoms.Add(std::string(65535, 'A'));
    const TPCode loaded = Decoded(EncodePCodeFile(code, pfProgram, "P.ZKP"));
    EXPECT_EQ(loaded.Atoms[4].size(), 65535u);
}

TEST(PCodeFile, AProgramWithoutFunctionsRefusesToSave) {
    test::TTempDir dir;
    const std::string path = dir.Write("OLD.ZKP", "old");
    TPCode code;
    code.AddInstr(opRet);
    try {
        code.SaveToFile(path, pfProgram);
        ADD_FAILURE() << "saved";
    } catch (const TFileError& error) {
        EXPECT_NE(std::string(error.what()).find("function 0"), std::string::npos) << error.what();
    }
    EXPECT_EQ(dir.Read("OLD.ZKP"), "old");
    EXPECT_NO_THROW(EncodePCodeFile(code, pfUnit, "U.zku"));
}

TEST(PCodeFile, AnArityAbove255RefusesToSave) {
    TPCode code;
    TFunction& main = code.AddFunction();
    main.Name = "MAIN";
    main.Args.resize(256, "X");
    try {
        EncodePCodeFile(code, pfProgram, "P.ZKP");
        ADD_FAILURE() << "encoded";
    } catch (const TFileError& error) {
        EXPECT_NE(std::string(error.what()).find("MAIN has 256 arguments"), std::string::npos)
            << error.what();
    }
    main.Args.resize(255);
    EXPECT_EQ(Decoded(EncodePCodeFile(code, pfProgram, "P.ZKP")).Functions[0].Args.size(), 255u);
}

} // namespace
} // namespace zk
