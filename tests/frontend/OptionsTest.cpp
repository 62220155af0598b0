// The settings record: defaults, the hexadecimal option bytes and the settings file.
#include "frontend/Options.h"

#include "TestFiles.h"
#include "frontend/FileIO.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace zk {
namespace {

namespace fs = std::filesystem;
using test::W;

// Points the system's temporary directory and the user name at a scratch
// directory, so that the defaults never touch the real temporary directory.
class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Save("TMPDIR");
        Save("USER");
        setenv("TMPDIR", Temp.Path().c_str(), 1);
        setenv("USER", "tester", 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : Saved_)
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
    }

    std::string ExpectedTempDir() const { return (Temp.Path() / "varnok-tester").string(); }
    static std::string CurrentDir() { return SystemPath(fs::current_path()); }

    test::TTempDir Temp;
    test::TTempDir Dir;

private:
    void Save(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        Saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved_;
};

// Every field set away from its default and from zero.
TOptions Unusual() {
    TOptions o;
    o.Include = {"/usr/zk/", "/дом/модули/", ""};
    o.TempDir = "/tmp/Временные";
    o.DefaultDir = "/home/a b";
    o.ExtOutputDir = "/out=here/";
    o.DefExtension = "ZKU";
    o.PCDOut = true;
    o.UseNew = false;
    o.SymbolErr = false;
    o.StartIntrp = false;
    o.AutoSave = true;
    o.Reserved5 = 0x5A;
    o.MaxMem = 0x1234;
    o.GraphicsMode = 2;
    o.LogMode = 1;
    o.LimitSize = true;
    o.Reserved11 = 0xFF;
    o.LogSize = 0x1008;
    o.FontFamily = "DejaVu Sans Mono";
    o.FontSize = 14;
    o.LineNumbers = false;
    o.LiveErrors = false;
    o.DebugStepLimit = 1000;
    return o;
}
constexpr const char* kUnusualHex = "01000000015A3412020101FF0810";

void ExpectSame(const TOptions& a, const TOptions& b) {
    EXPECT_EQ(a.Include, b.Include);
    EXPECT_EQ(a.TempDir, b.TempDir);
    EXPECT_EQ(a.DefaultDir, b.DefaultDir);
    EXPECT_EQ(a.ExtOutputDir, b.ExtOutputDir);
    EXPECT_EQ(a.DefExtension, b.DefExtension);
    EXPECT_EQ(BasicOptionsToHex(a), BasicOptionsToHex(b));
    EXPECT_EQ(a.FontFamily, b.FontFamily);
    EXPECT_EQ(a.FontSize, b.FontSize);
    EXPECT_EQ(a.LineNumbers, b.LineNumbers);
}

void ExpectDefaultBasics(const TOptions& o) {
    EXPECT_FALSE(o.PCDOut);
    EXPECT_TRUE(o.UseNew);
    EXPECT_TRUE(o.SymbolErr);
    EXPECT_TRUE(o.StartIntrp);
    EXPECT_FALSE(o.AutoSave);
    EXPECT_EQ(o.MaxMem, 4);
    EXPECT_EQ(o.GraphicsMode, 0);
    EXPECT_EQ(o.LogMode, 0);
    EXPECT_EQ(o.FontFamily, "Courier New");
    EXPECT_EQ(o.FontSize, 10);
    EXPECT_TRUE(o.LineNumbers);
}

TEST_F(OptionsTest, DefaultsOfAFreshRecord) {
    TOptions o;
    EXPECT_EQ(BasicOptionsToHex(o), "0000000000000000000000000000");
    SetDefaultOptions(o);
    EXPECT_EQ(BasicOptionsToHex(o), "0001010100000400000000000000");
    ExpectDefaultBasics(o);
    EXPECT_TRUE(o.Include.empty());
    EXPECT_EQ(o.TempDir, ExpectedTempDir());
    EXPECT_EQ(o.DefaultDir, CurrentDir());
    EXPECT_EQ(o.ExtOutputDir, CurrentDir());
    EXPECT_EQ(o.DefExtension, "zk ");
}

TEST_F(OptionsTest, DefaultsKeepTheLogLimitAndTheReservedBytes) {
    TOptions o = Unusual();
    SetDefaultOptions(o);
    EXPECT_TRUE(o.Include.empty());
    ExpectDefaultBasics(o);
    EXPECT_TRUE(o.LimitSize);
    EXPECT_EQ(o.LogSize, 0x1008);
    EXPECT_EQ(BasicOptionsToHex(o), "00010101005A0400000001FF0810");
}

TEST_F(OptionsTest, TheDefaultTempDirIsCreatedPrivateOnlyForABuild) {
    const fs::path dir = Temp.Path() / "varnok-tester";
    TOptions o;
    SetDefaultOptions(o);
    LoadOptions(Dir.Write("Zk.ini", "[ZK]\n"), o);
    EXPECT_EQ(o.TempDir, dir.string());
    EXPECT_FALSE(fs::exists(dir));

    EXPECT_TRUE(PrepareTempDir(o.TempDir));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(PrepareTempDir(o.TempDir + "/")); // now it exists
}

TEST_F(OptionsTest, AnExistingTempDirKeepsItsModeAndServesOnlyWhenPrivate) {
    const fs::path dir = Temp.Path() / "varnok-tester";
    fs::create_directory(dir);
    const fs::perms readable = fs::perms::owner_all | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec;
    fs::permissions(dir, readable);
    EXPECT_TRUE(PrepareTempDir(dir.string()));
    EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, readable);
    fs::permissions(dir, fs::perms::all);
    EXPECT_FALSE(PrepareTempDir(dir.string()));
    EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::all);
    // A directory the user chose is left to the build.
    EXPECT_TRUE(PrepareTempDir((Temp.Path() / "elsewhere").string()));
}

TEST_F(OptionsTest, TheDefaultTempDirRefusesWhatIsNotADirectoryOfOurs) {
    setenv("USER", "linked", 1);
    fs::create_directory(Temp.Path() / "elsewhere");
    fs::create_directory_symlink(Temp.Path() / "elsewhere", Temp.Path() / "varnok-linked");
    EXPECT_FALSE(PrepareTempDir(DefaultTempDir()));

    setenv("USER", "file", 1);
    Temp.Write("varnok-file", "x");
    EXPECT_FALSE(PrepareTempDir(DefaultTempDir()));

    setenv("USER", "a/b", 1); // no way out of the temporary directory
    EXPECT_EQ(DefaultTempDir(), (Temp.Path() / "varnok-a_b").string());
}

TEST(OptionBytes, EncodeEveryFieldInItsPlace) {
    const TOptions o = Unusual();
    const std::string expected = kUnusualHex;
    EXPECT_EQ(BasicOptionsToHex(o), expected);

    TOptions decoded;
    HexToBasicOptions(expected, decoded);
    EXPECT_EQ(BasicOptionsToHex(decoded), expected);
    EXPECT_TRUE(decoded.PCDOut);
    EXPECT_FALSE(decoded.UseNew);
    EXPECT_EQ(decoded.Reserved5, 0x5A);
    EXPECT_EQ(decoded.MaxMem, 0x1234);
    EXPECT_EQ(decoded.GraphicsMode, 2);
    EXPECT_EQ(decoded.LogMode, 1);
    EXPECT_TRUE(decoded.LimitSize);
    EXPECT_EQ(decoded.Reserved11, 0xFF);
    EXPECT_EQ(decoded.LogSize, 0x1008);
    EXPECT_TRUE(decoded.Include.empty()); // only the bytes change
}

TEST(OptionBytes, EachBooleanHasItsOwnByte) {
    const std::pair<int, bool TOptions::*> fields[] = {
        {0, &TOptions::PCDOut},     {1, &TOptions::UseNew},   {2, &TOptions::SymbolErr},
        {3, &TOptions::StartIntrp}, {4, &TOptions::AutoSave}, {10, &TOptions::LimitSize}};
    for (const auto& [byte, field] : fields) {
        std::string hex(28, '0');
        hex[2 * byte + 1] = '1';
        TOptions o;
        HexToBasicOptions(hex, o);
        for (const auto& [other, otherField] : fields)
            EXPECT_EQ(o.*otherField, other == byte) << byte << " " << other;
        EXPECT_EQ(BasicOptionsToHex(o), hex);
    }
}

TEST(OptionBytes, ForeignCharactersAreZeroDigits) {
    TOptions o;
    HexToBasicOptions("z10203000F0g0400 3\xC0"
                      "300000000",
                      o);
    EXPECT_TRUE(o.PCDOut);     // "z1" is 01
    EXPECT_TRUE(o.UseNew);     // 02 ...
    EXPECT_TRUE(o.SymbolErr);  // ... and 03 are true
    EXPECT_TRUE(o.AutoSave);   // 0F
    EXPECT_EQ(o.Reserved5, 0); // "0g"
    EXPECT_EQ(o.MaxMem, 4);
    EXPECT_EQ(o.GraphicsMode, 3); // " 3"
    EXPECT_EQ(o.LogMode, 3);      // "\xC0" "3"
    EXPECT_EQ(BasicOptionsToHex(o), "0101010001000400030300000000");
    HexToBasicOptions("00000000000a00000000000000ff", o);
    EXPECT_EQ(o.Reserved5, 0); // lower case is not a digit
    EXPECT_EQ(o.LogSize, 0);
}

TEST(OptionBytes, ShortTextsLeaveTheMissingDigitsZero) {
    TOptions o = Unusual();
    HexToBasicOptions("000101010000040", o);
    EXPECT_EQ(BasicOptionsToHex(o), "0001010100000400000000000000");
    HexToBasicOptions("0001010100000401", o); // MaxMem low byte first
    EXPECT_EQ(o.MaxMem, 0x0104);
    HexToBasicOptions(std::string(26, '0') + "10FF", o); // LogSize's high byte, then two extra
    EXPECT_EQ(o.LogSize, 0x1000);
    HexToBasicOptions("", o);
    EXPECT_EQ(BasicOptionsToHex(o), "0000000000000000000000000000");
}

TEST_F(OptionsTest, SaveThenLoadKeepsEveryField) {
    const std::string path = Dir.Entry() + "Zk.ini";
    SaveOptions(path, Unusual());
    ExpectSame(LoadOptions(path), Unusual());

    TOptions defaults;
    SetDefaultOptions(defaults);
    SaveOptions(path, defaults);
    TOptions loaded = Unusual();
    LoadOptions(path, loaded);
    ExpectSame(loaded, defaults);
}

TEST_F(OptionsTest, FreshFileHoldsEveryKeyWithCrLf) {
    TOptions o;
    SetDefaultOptions(o);
    o.TempDir = "/t";
    o.DefaultDir = "/d";
    o.ExtOutputDir = "";
    SaveOptions(Dir.Entry() + "Zk.ini", o);
    EXPECT_EQ(Dir.Read("Zk.ini"), "[ZK]\r\n"
                                  "BasicOptions=0001010100000400000000000000\r\n"
                                  "TempDir=/t\r\n"
                                  "DefaultDir=/d\r\n"
                                  "ExtOutputDir=\r\n"
                                  "DefExtension=zk \r\n"
                                  "\r\n"
                                  "[Include]\r\n"
                                  "Count=0\r\n"
                                  "\r\n"
                                  "[Editor]\r\n"
                                  "FontFamily=Courier New\r\n"
                                  "FontSize=10\r\n"
                                  "LineNumbers=1\r\n"
                                  "LiveErrors=1\r\n"
                                  "\r\n"
                                  "[Debug]\r\n"
                                  "StepLimit=10000000\r\n");
}

// A file of an older version has no "Editor" section: every key it has is read
// as before and the editor gets its defaults; values that cannot serve too.
TEST_F(OptionsTest, AnOlderFileOrABadEditorSectionGivesTheEditorDefaults) {
    const std::string older = "[ZK]\r\nBasicOptions=" + std::string(kUnusualHex) +
                              "\r\nTempDir=/t\r\n[Include]\r\nCount=1\r\nIncl0=/i/\r\n";
    const std::string path = Dir.Write("Zk.ini", older);
    TOptions o = Unusual();
    LoadOptions(path, o);
    EXPECT_EQ(BasicOptionsToHex(o), kUnusualHex);
    EXPECT_EQ(o.TempDir, "/t");
    EXPECT_EQ(o.Include, std::vector<std::string>{"/i/"});
    EXPECT_EQ(o.FontFamily, "Courier New");
    EXPECT_EQ(o.FontSize, 10);
    EXPECT_TRUE(o.LineNumbers);
    EXPECT_TRUE(o.LiveErrors);
    EXPECT_EQ(o.DebugStepLimit, kDefaultDebugStepLimit);

    Dir.Write("Zk.ini", older + "[Editor]\r\nFontFamily=  \r\nFontSize=500\r\nLineNumbers=0\r\n"
                                "LiveErrors=0\r\n[Debug]\r\nStepLimit=999\r\n");
    o = LoadOptions(path);
    EXPECT_EQ(o.FontFamily, "Courier New");
    EXPECT_EQ(o.FontSize, 10);
    EXPECT_FALSE(o.LineNumbers);
    EXPECT_FALSE(o.LiveErrors);
    EXPECT_EQ(o.DebugStepLimit, kDefaultDebugStepLimit); // below the least it may be
}

TEST_F(OptionsTest, SaveKeepsWhatOtherProgramsWrote) {
    const std::string path = Dir.Write("Zk.ini", "; settings\n"
                                                 "[Editor]\n"
                                                 "Font=Courier\n"
                                                 "\n"
                                                 "[zk]\n"
                                                 "Colour=blue\n"
                                                 "tempdir=/old\n"
                                                 "; end of zk\n");
    TOptions o = Unusual();
    o.Include = {"/i/"};
    SaveOptions(path, o);
    const std::string zkKeys = "tempdir=" + W("/tmp/Временные") + "\r\n" +
                               "BasicOptions=" + kUnusualHex + "\r\n" +
                               "DefaultDir=/home/a b\r\n"
                               "ExtOutputDir=/out=here/\r\n"
                               "DefExtension=ZKU\r\n";
    EXPECT_EQ(Dir.Read("Zk.ini"), "; settings\r\n"
                                  "[Editor]\r\n"
                                  "Font=Courier\r\n"
                                  "FontFamily=DejaVu Sans Mono\r\n"
                                  "FontSize=14\r\n"
                                  "LineNumbers=0\r\n"
                                  "LiveErrors=0\r\n"
                                  "\r\n"
                                  "[zk]\r\n"
                                  "Colour=blue\r\n" +
                                      zkKeys +
                                      "; end of zk\r\n"
                                      "\r\n"
                                      "[Include]\r\n"
                                      "Count=1\r\n"
                                      "Incl0=/i/\r\n"
                                      "\r\n"
                                      "[Debug]\r\n"
                                      "StepLimit=1000\r\n");
}

TEST_F(OptionsTest, ShorterListLeavesStaleKeysButReadsBackShort) {
    const std::string path = Dir.Entry() + "Zk.ini";
    TOptions o = Unusual();
    o.Include = {"/a/", "/b/", "/c/"};
    SaveOptions(path, o);
    o.Include = {"/z/"};
    SaveOptions(path, o);
    const std::string text = Dir.Read("Zk.ini");
    EXPECT_NE(text.find("[Include]\r\nCount=1\r\nIncl0=/z/\r\nIncl1=/b/\r\nIncl2=/c/\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(LoadOptions(path).Include, std::vector<std::string>{"/z/"});
}

TEST_F(OptionsTest, FileWithoutBasicOptionsGivesTheDefaults) {
    TOptions o = Unusual();
    LoadOptions(Dir.Entry() + "missing.ini", o);
    EXPECT_TRUE(o.Include.empty());
    ExpectDefaultBasics(o);
    EXPECT_TRUE(o.LimitSize); // as SetDefaultOptions leaves them
    EXPECT_EQ(o.LogSize, 0x1008);
    EXPECT_EQ(o.TempDir, ExpectedTempDir());
    EXPECT_EQ(o.DefaultDir, CurrentDir());
    EXPECT_EQ(o.DefExtension, "zk ");

    // Keys the file does hold still count.
    const std::string path =
        Dir.Write("Zk.ini", "[ZK]\nDefaultDir=/mine\n[Include]\nCount=1\nIncl0=/lib/\n");
    o = LoadOptions(path);
    ExpectDefaultBasics(o);
    EXPECT_EQ(o.DefaultDir, "/mine");
    EXPECT_EQ(o.TempDir, ExpectedTempDir());
    EXPECT_EQ(o.ExtOutputDir, CurrentDir());
    EXPECT_EQ(o.Include, std::vector<std::string>{"/lib/"});
}

TEST_F(OptionsTest, MissingKeysOfAWrittenFileTakeTheirDefaults) {
    const std::string path = Dir.Write("Zk.ini", "[ZK]\r\nBasicOptions=0000000000000800\r\n");
    TOptions o = Unusual();
    LoadOptions(path, o);
    EXPECT_FALSE(o.UseNew);
    EXPECT_EQ(o.MaxMem, 8);
    EXPECT_EQ(o.LogSize, 0);
    EXPECT_EQ(o.TempDir, "");
    EXPECT_EQ(o.DefaultDir, "");
    EXPECT_EQ(o.ExtOutputDir, "");
    EXPECT_EQ(o.DefExtension, "ozk");
    EXPECT_TRUE(o.Include.empty());

    Dir.Write("Zk.ini", "[ZK]\nBasicOptions=\nDefExtension=pascal\n");
    o = LoadOptions(path);
    EXPECT_EQ(BasicOptionsToHex(o), "0000000000000000000000000000"); // written so
    EXPECT_EQ(o.DefExtension, "pas");
}

TEST_F(OptionsTest, CountDecidesTheIncludeList) {
    const std::string path = Dir.Entry() + "Zk.ini";
    const auto withCount = [&](const std::string& count) {
        Dir.Write("Zk.ini", "[ZK]\nBasicOptions=00\n[Include]\nCount=" + count +
                                "\nIncl0=/a/\nIncl2=/c/\nIncl3=/d/\n");
        return LoadOptions(path).Include;
    };
    EXPECT_EQ(withCount("3"), (std::vector<std::string>{"/a/", "", "/c/"}));
    EXPECT_TRUE(withCount("0").empty());
    EXPECT_TRUE(withCount("-5").empty());
    EXPECT_TRUE(withCount("many").empty());
    const std::vector<std::string> huge = withCount("2147483647");
    ASSERT_EQ(huge.size(), static_cast<std::size_t>(kMaxIncludeCount));
    EXPECT_EQ(huge[3], "/d/");
    EXPECT_EQ(huge.back(), "");
}

TEST_F(OptionsTest, UnreadableFilesAreFileErrors) {
    TOptions o;
    EXPECT_THROW(LoadOptions(Dir.Path().string(), o), TFileError);
    EXPECT_THROW(SaveOptions(Dir.Entry() + "no/dir/Zk.ini", o), TFileError);
}

} // namespace
} // namespace zk
