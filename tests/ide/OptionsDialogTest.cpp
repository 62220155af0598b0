// The options dialog, the start-up questions about "Zk.ini" and what each
// answer writes, ApplyOptions and the settings menu.
#include "ide/OptionsDialog.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "frontend/IniFile.h"
#include "frontend/Tokens.h"
#include "ide/SettingsCommands.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zk::ide {
namespace {

using test::TAnsweringDialogs;
using zk::test::W;

const QString kFirstQuestion = "Varnok ранее не запускался из текущего каталога. Создать файл "
                               "настроек в текущем каталоге?";
const QString kSecondQuestion = "Воспользоваться настройками из каталога, в который установлен "
                                "Varnok (иначе будут использованы настройки ко умолчанию)?";
const QString kNotFound = "В каталоге, в который был установлен Varnok не найден файл настроек. "
                          "Будут использованы настроки по умолчанию.";
constexpr const char* kDefaultHex = "0001010100000400000000000000";

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Every field of the record in one text, so that a test compares all at once.
std::string Fields(const TOptions& o) {
    std::string text = o.TempDir + "|" + o.DefaultDir + "|" + o.ExtOutputDir + "|" +
                       o.DefExtension + "|" + BasicOptionsToHex(o);
    for (const std::string& dir : o.Include)
        text += "|" + dir;
    return text;
}

// Every field away from its default, within the ranges of the controls.
TOptions Unusual() {
    TOptions o;
    o.Include = {"/usr/zk/", "/дом/модули/"};
    o.TempDir = "/tmp/Временные";
    o.DefaultDir = "/home/a b";
    o.ExtOutputDir = "/out/";
    o.DefExtension = "ZKU";
    o.UseNew = o.SymbolErr = o.StartIntrp = false;
    o.PCDOut = o.AutoSave = o.LimitSize = true;
    o.Reserved5 = 0x5A;
    o.MaxMem = 7;
    o.GraphicsMode = 2;
    o.LogMode = 1;
    o.LogSize = 300;
    return o;
}

// The defaults must not touch the real temporary directory.
class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tmp = std::getenv("TMPDIR")) SavedTmp_ = tmp;
        setenv("TMPDIR", Temp.Path().c_str(), 1);
    }
    void TearDown() override {
        if (SavedTmp_.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", SavedTmp_.c_str(), 1);
    }

    template <typename T> T* Control(const char* name) {
        T* control = Dialog.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    TSettingsPlaces Places(bool withProgramSettings) const {
        return {Q(Current.Path()), withProgramSettings ? Q(Program.Path() / "Zk.ini") : QString()};
    }
    TIniFile Written() const { return TIniFile::Load((Current.Path() / "Zk.ini").string()); }

    zk::test::TTempDir Temp, Current, Program;
    TAnsweringDialogs Dialogs;
    TOptions Options;
    TCommonOptsFrm Dialog{Options, nullptr, int64_t{1000} << 20};

private:
    std::string SavedTmp_;
};

TEST_F(OptionsDialogTest, TheCurrentDirectorysFileIsReadWithoutAQuestion) {
    Current.Write("Zk.ini", "[ZK]\r\nBasicOptions=0000000100000900000000000000\r\n"
                            "TempDir=/t\r\n[Include]\r\nCount=1\r\nIncl0=/inc/\r\n");
    Dialog.OnInit(Dialogs, Places(false));
    EXPECT_TRUE(Dialogs.Asked.empty());
    EXPECT_EQ(Control<QSpinBox>("EdtMaxMem")->value(), 9);
    EXPECT_EQ(Control<QListWidget>("LstInclPath")->item(0)->text(), "/inc/");
}

// The start-up without "Zk.ini" in the current directory: the answers, the
// program's settings (MaxMem 6) or none, the boxes shown and what is written.
struct TStartUpCase {
    std::vector<TAnswer> Answers;
    bool ProgramSettings;
    std::vector<QString> Shown;
    int MaxMem;          // 6 from the program's settings, else 4 by default
    const char* Written; // "BasicOptions" of the current directory's file; null: no file
};

TEST_F(OptionsDialogTest, FirstStartInADirectoryAsksAndWritesAsAnswered) {
    const std::vector<TStartUpCase> cases = {
        {{TAnswer::No}, false, {kFirstQuestion, kNotFound}, 4, nullptr},
        {{TAnswer::No}, true, {kFirstQuestion}, 6, nullptr},
        {{TAnswer::Yes, TAnswer::No}, true, {kFirstQuestion, kSecondQuestion}, 4, kDefaultHex},
        {{TAnswer::Yes, TAnswer::Yes},
         true,
         {kFirstQuestion, kSecondQuestion},
         6,
         "0000000100000600000000000000"},
        {{TAnswer::Yes, TAnswer::Yes},
         false,
         {kFirstQuestion, kSecondQuestion, kNotFound},
         4,
         kDefaultHex},
    };
    Program.Write("Zk.ini", "[ZK]\r\nBasicOptions=0000000100000600000000000000\r\n");
    for (const TStartUpCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Answers.size() << " answers, program settings " << c.ProgramSettings);
        std::filesystem::remove(Current.Path() / "Zk.ini");
        TAnsweringDialogs dialogs;
        for (const TAnswer answer : c.Answers)
            dialogs.Answer(answer);
        Dialog.OnInit(dialogs, Places(c.ProgramSettings));
        EXPECT_EQ(dialogs.MessageTexts(), c.Shown);
        EXPECT_EQ(Options.MaxMem, c.MaxMem);
        if (c.Written)
            EXPECT_EQ(Written().ReadString("ZK", "BasicOptions", ""), c.Written);
        else
            EXPECT_FALSE(std::filesystem::exists(Current.Path() / "Zk.ini"));
    }
    EXPECT_EQ(Written().ReadInteger("Include", "Count", -1), 0);
}

TEST_F(OptionsDialogTest, CancelRestoresEveryFieldAndTheControlsShowThem) {
    Options = Unusual();
    const TOptions before = Options;
    Dialog.PutToControls();
    for (const char* name : {"EdtTempDir", "EdtDefaultDir", "EdtExtOutputDir", "EdtDefExtension"})
        Control<QLineEdit>(name)->setText("x");
    for (QCheckBox* box : Dialog.findChildren<QCheckBox*>())
        box->toggle();
    Control<QSpinBox>("EdtMaxMem")->setValue(100);
    Control<QSpinBox>("EdtLogSize")->setValue(4096);
    Control<QRadioButton>("OptAppendLog")->setChecked(true);
    Control<QRadioButton>("OptMonochrome")->setChecked(true);
    Control<QPushButton>("CmdClearList")->click();

    Control<QPushButton>("CmdCancel")->click();
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Fields(Options), Fields(before));
    Dialog.GetFromCtrls(); // what the controls show now
    EXPECT_EQ(Fields(Options), Fields(before));
}

TEST_F(OptionsDialogTest, DefaultClosesWithOkAndKeepsTheLogLimit) {
    Options = Unusual();
    Dialog.PutToControls();
    Control<QPushButton>("CmdDefault")->click();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(BasicOptionsToHex(Options), "00010101005A0400000001002C01");
    EXPECT_EQ(Control<QLineEdit>("EdtDefExtension")->text(), "zk ");
    EXPECT_EQ(Control<QListWidget>("LstInclPath")->count(), 0);
}

TEST_F(OptionsDialogTest, IncludeListButtons) {
    auto* box = Control<QLineEdit>("EdtInclPath");
    auto* list = Control<QListWidget>("LstInclPath");
    const auto press = [&](const char* name) { Control<QPushButton>(name)->click(); };
    for (const char* dir : {"/a", "/b/", ""}) { // an empty box adds nothing
        box->setText(dir);
        press("CmdAddPath");
    }
    press("CmdDelList"); // nothing selected
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "/a/");
    list->item(1)->setSelected(true);
    press("CmdTakePath");
    EXPECT_EQ(box->text(), "/b/");
    press("CmdDelList");
    ASSERT_EQ(list->count(), 1);
    press("CmdClearList");
    EXPECT_EQ(list->count(), 0);
}

TEST_F(OptionsDialogTest, MemoryBoundComesFromThePhysicalMemory) {
    EXPECT_EQ(MemoryBoundMB(int64_t{15} << 20), 8);  // 8.5: half to even
    EXPECT_EQ(MemoryBoundMB(int64_t{25} << 20), 18); // 17.5
    EXPECT_EQ(MemoryBoundMB(int64_t{1000} << 20), 895);
    EXPECT_EQ(MemoryBoundMB(0), 1);
    EXPECT_EQ(MemoryBoundMB(int64_t{1} << 40), 65535);
    EXPECT_EQ(Control<QSpinBox>("EdtMaxMem")->maximum(), 895);
    EXPECT_EQ(Control<QSpinBox>("EdtLogSize")->minimum(), 5);
    EXPECT_EQ(Control<QSpinBox>("EdtLogSize")->maximum(), 4096);
}

TEST_F(OptionsDialogTest, ApplyOptionsEndsTheOutputDirectoryWithASlashUnlessEmpty) {
    const bool classic = ClassicLanguage;
    Options = Unusual();
    Options.ExtOutputDir = "/out";
    TAppliedOptions applied = ApplyOptions(Options);
    EXPECT_EQ(Options.ExtOutputDir, "/out/");
    EXPECT_TRUE(applied.ClassicLanguage && ClassicLanguage);
    EXPECT_FALSE(applied.SymbolIsError);
    EXPECT_EQ(applied.DialogDirectory, "/home/a b");

    Options.ExtOutputDir.clear();
    Options.UseNew = true;
    applied = ApplyOptions(Options);
    EXPECT_EQ(Options.ExtOutputDir, "");
    EXPECT_FALSE(applied.ClassicLanguage || ClassicLanguage);
    ClassicLanguage = classic;
}

TEST_F(OptionsDialogTest, SettingsMenuSavesIntoTheCurrentDirectoryAndOpensAFile) {
    Options = Unusual();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Q(Current.Path()));
    OnSaveOpts(Options, Dialogs, nullptr);
    QDir::setCurrent(previous);
    EXPECT_EQ(Written().ReadString("ZK", "BasicOptions", ""), BasicOptionsToHex(Unusual()));

    Options = TOptions{};
    Dialogs.ChooseFile(Q(Current.Path() / "Zk.ini"));
    const std::optional<TAppliedOptions> applied = OnOpenOpts(Dialog, Dialogs, nullptr);
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(Fields(Options), Fields(Unusual()));
    EXPECT_EQ(Control<QLineEdit>("EdtDefaultDir")->text(), "/home/a b");
    ClassicLanguage = false;

    Dialogs.ChooseFile(Q(Current.Path())); // a directory cannot be read
    Dialogs.Answer(TAnswer::Ok);
    EXPECT_FALSE(OnOpenOpts(Dialog, Dialogs, nullptr).has_value());
    EXPECT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(Fields(Options), Fields(Unusual()));
}

} // namespace
} // namespace zk::ide
