// Reading and writing settings files the way the Windows profile functions do.
#include "frontend/IniFile.h"

#include "TestFiles.h"
#include "frontend/FileIO.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using test::W;

TEST(IniFileRead, NamesIgnoreLetterCaseCyrillicIncluded) {
    const TIniFile ini = TIniFile::Parse(W("[Пути]\r\nКаталог=/дом/\r\n[zk]\r\nmaxmem=8\r\n"));
    EXPECT_EQ(ini.ReadString(W("ПУТИ"), W("каталог"), "-"), W("/дом/"));
    EXPECT_EQ(ini.ReadString("ZK", "MaxMem", "-"), "8");
    EXPECT_EQ(ini.ReadString("zK", "MAXMEM", "-"), "8");
}

TEST(IniFileRead, ValueIsTheRawTextAfterTheFirstEqualsSign) {
    const TIniFile ini = TIniFile::Parse("[S]\n  Key  = a=b \"c\" \\d \nEmpty=\n");
    EXPECT_EQ(ini.ReadString("S", "Key", "-"), " a=b \"c\" \\d ");
    EXPECT_EQ(ini.ReadString("S", "Empty", "-"), "");
    EXPECT_TRUE(ini.HasKey("S", "Empty"));
}

TEST(IniFileRead, MissingSectionKeyOrFileGivesTheDefault) {
    const TIniFile ini = TIniFile::Parse("[S]\nA=1\n");
    EXPECT_EQ(ini.ReadString("T", "A", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("S", "B", "dflt"), "dflt");
    EXPECT_FALSE(ini.HasKey("S", "B"));

    test::TTempDir dir;
    const TIniFile missing = TIniFile::Load(dir.Entry() + "none.ini");
    EXPECT_EQ(missing.ReadString("S", "A", "dflt"), "dflt");
    EXPECT_EQ(missing.Text(), "");
}

TEST(IniFileRead, AcceptsEveryLineEnd) {
    for (const char* text :
         {"[S]\r\nA=1\r\nB=2\r\n", "[S]\nA=1\nB=2", "[S]\rA=1\rB=2\r", "[S]\r\nA=1\nB=2\r"}) {
        const TIniFile ini = TIniFile::Parse(text);
        EXPECT_EQ(ini.ReadString("S", "A", "-"), "1") << text;
        EXPECT_EQ(ini.ReadString("S", "B", "-"), "2") << text;
    }
}

TEST(IniFileRead, LinesThatHoldNoKey) {
    const TIniFile ini = TIniFile::Parse("Top=0\n"
                                         "  [ Sec ]  trailing\n"
                                         ";A=comment\n"
                                         "  ; B=comment\n"
                                         "no equals sign\n"
                                         "=nameless\n"
                                         "C=3\n");
    EXPECT_FALSE(ini.HasKey("", "Top")); // before the first section
    EXPECT_FALSE(ini.HasKey("Sec", ";A"));
    EXPECT_FALSE(ini.HasKey("Sec", "A"));
    EXPECT_FALSE(ini.HasKey("Sec", "no equals sign"));
    EXPECT_EQ(ini.ReadString("Sec", "C", "-"), "3");
}

TEST(IniFileRead, FirstOccurrenceWins) {
    const TIniFile ini = TIniFile::Parse("[S]\nA=1\nA=2\n[T]\nB=x\n[s]\nA=3\nC=4\n");
    EXPECT_EQ(ini.ReadString("S", "A", "-"), "1");
    EXPECT_FALSE(ini.HasKey("S", "C")); // in the second section of that name
}

TEST(IniFileRead, IntegersAreDecimalWithOptionalBlanks) {
    const TIniFile ini = TIniFile::Parse("[S]\nA= 12 \nB=-3\nC=12x\nD=\nE=99999999999\nF=0x10\n");
    EXPECT_EQ(ini.ReadInteger("S", "A", 7), 12);
    EXPECT_EQ(ini.ReadInteger("S", "B", 7), -3);
    EXPECT_EQ(ini.ReadInteger("S", "C", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "D", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "E", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "F", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "Missing", 7), 7);
}

TEST(IniFileWrite, NewFileGetsSectionsApartAndCrLf) {
    TIniFile ini;
    ini.WriteString("ZK", "A", "1");
    ini.WriteString("Include", "Count", "0");
    ini.WriteInteger("ZK", "B", -2);
    EXPECT_EQ(ini.Text(), "[ZK]\r\nA=1\r\nB=-2\r\n\r\n[Include]\r\nCount=0\r\n");
}

TEST(IniFileWrite, ChangesOnlyTheKeysLine) {
    TIniFile ini = TIniFile::Parse("; made by hand\n"
                                   "[Other]\n"
                                   "x = 1\n"
                                   "\n"
                                   "[ZK]\n"
                                   "  maxMEM = 8\n"
                                   "Path=/a\n");
    ini.WriteString("zk", "MaxMem", "16");
    ini.WriteInteger("ZK", "Path", 5);
    EXPECT_EQ(ini.Text(), "; made by hand\r\n"
                          "[Other]\r\n"
                          "x = 1\r\n"
                          "\r\n"
                          "[ZK]\r\n"
                          "  maxMEM =16\r\n"
                          "Path=5\r\n");
    EXPECT_EQ(ini.ReadString("ZK", "MAXMEM", "-"), "16");
}

TEST(IniFileWrite, NewKeyFollowsTheLastKeyOfItsSection) {
    TIniFile ini = TIniFile::Parse("[A]\nk1=1\n; note\n\n[B]\nj=2\n[C]\n");
    ini.WriteString("a", "k2", "2");
    ini.WriteString("a", "k3", "3");
    ini.WriteString("C", "m", "4");
    ini.WriteString("A", "k2", "22");
    EXPECT_EQ(ini.Text(),
              "[A]\r\nk1=1\r\nk2=22\r\nk3=3\r\n; note\r\n\r\n[B]\r\nj=2\r\n[C]\r\nm=4\r\n");
    EXPECT_EQ(ini.ReadString("A", "K3", "-"), "3");
}

TEST(IniFileWrite, WritesTheFirstOfDuplicates) {
    TIniFile ini = TIniFile::Parse("[S]\nA=1\n[S]\nA=2\n");
    ini.WriteString("S", "A", "9");
    ini.WriteString("S", "B", "8");
    EXPECT_EQ(ini.Text(), "[S]\r\nA=9\r\nB=8\r\n[S]\r\nA=2\r\n");
}

TEST(IniFileWrite, NewSectionAfterABlankLineOnlyWhenNeeded) {
    TIniFile spaced = TIniFile::Parse("[A]\nk=1\n\n");
    spaced.WriteString("B", "j", "2");
    EXPECT_EQ(spaced.Text(), "[A]\r\nk=1\r\n\r\n[B]\r\nj=2\r\n");

    TIniFile commentsOnly = TIniFile::Parse("; only a comment");
    commentsOnly.WriteString("B", "j", "2");
    EXPECT_EQ(commentsOnly.Text(), "; only a comment\r\n\r\n[B]\r\nj=2\r\n");
}

TEST(IniFileWrite, ValueStopsAtALineBreak) {
    TIniFile ini;
    ini.WriteString("S", "A", "first\n[Evil]\nB=1");
    ini.WriteString("S", "C", "x\ry");
    EXPECT_EQ(ini.Text(), "[S]\r\nA=first\r\nC=x\r\n");
    EXPECT_FALSE(ini.HasKey("Evil", "B"));
}

TEST(IniFileFiles, SaveAndLoadKeepTheBytes) {
    test::TTempDir dir;
    const std::string path = dir.Write("a.ini", W("[Раздел]\nКлюч=Значение\n"));
    TIniFile ini = TIniFile::Load(path);
    ini.WriteString(W("раздел"), "New", "\xFF\x98");
    ini.Save(path);
    EXPECT_EQ(dir.Read("a.ini"), W("[Раздел]\r\nКлюч=Значение\r\nNew=") + "\xFF\x98\r\n");
    EXPECT_EQ(TIniFile::Load(path).ReadString(W("РАЗДЕЛ"), "new", "-"), "\xFF\x98");
}

TEST(IniFileFiles, FailuresAreFileErrors) {
    test::TTempDir dir;
    EXPECT_THROW(TIniFile::Load(dir.Path().string()), TFileError); // a directory
    EXPECT_THROW(TIniFile().Save(dir.Entry() + "no/such/dir/a.ini"), TFileError);
}

} // namespace
} // namespace zk
