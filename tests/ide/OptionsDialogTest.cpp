// The options dialog, the start-up question about "Zk.ini" and what each
// choice writes, the choice kept for later starts, ApplyOptions and the
// settings menu.
#include "ide/OptionsDialog.h"

#include "AnsweringDialogs.h"
#include "TestFiles.h"
#include "frontend/IniFile.h"
#include "frontend/Tokens.h"
#include "ide/SettingsCommands.h"

#include <QCheckBox>
#include <QDir>
#include <QFontComboBox>
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

const QString kNotFound = "В каталоге, в который был установлен Varnok, не найден файл настроек. "
                          "Будут использованы настройки по умолчанию.";
enum TPick { kInstalled, kDefaults, kNoFile };
constexpr const char* kDefaultHex = "0001010100000400000000000000";

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Every field of the record in one text, so that a test compares all at once.
std::string Fields(const TOptions& o) {
    std::string text = o.TempDir + "|" + o.DefaultDir + "|" + o.ExtOutputDir + "|" +
                       o.DefExtension + "|" + BasicOptionsToHex(o) + "|" + o.FontFamily + "|" +
                       std::to_string(o.FontSize) + "|" + std::to_string(o.LineNumbers);
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
    o.FontFamily = "Liberation Mono";
    o.FontSize = 13;
    o.LineNumbers = false;
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
    TSettingsPlaces Places(bool withProgramSettings, const QString& userConfig = {}) const {
        return {Q(Current.Path()), withProgramSettings ? Q(Program.Path() / "Zk.ini") : QString(),
                userConfig};
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

// The start-up without "Zk.ini" in the current directory: the choice, the
// program's settings (MaxMem 6) or none, the boxes shown after it and what is
// written.
struct TStartUpCase {
    TPick Pick;
    bool ProgramSettings;
    std::vector<QString> Shown;
    int MaxMem;          // 6 from the program's settings, else 4 by default
    const char* Written; // "BasicOptions" of the current directory's file; null: no file
};

TEST_F(OptionsDialogTest, FirstStartInADirectoryAsksOnceAndWritesAsChosen) {
    const std::vector<TStartUpCase> cases = {
        {kNoFile, false, {kNotFound}, 4, nullptr},
        {kNoFile, true, {}, 6, nullptr},
        {kDefaults, true, {}, 4, kDefaultHex},
        {kInstalled, true, {}, 6, "0000000100000600000000000000"},
        {kInstalled, false, {kNotFound}, 4, kDefaultHex},
    };
    Program.Write("Zk.ini", "[ZK]\r\nBasicOptions=0000000100000600000000000000\r\n");
    for (const TStartUpCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "choice " << c.Pick << ", program settings " << c.ProgramSettings);
        std::filesystem::remove(Current.Path() / "Zk.ini");
        TAnsweringDialogs dialogs;
        dialogs.Pick(c.Pick);
        Dialog.OnInit(dialogs, Places(c.ProgramSettings));
        ASSERT_EQ(dialogs.Asked.size(), c.Shown.size() + 1);
        EXPECT_EQ(dialogs.Asked[0].Kind, test::TAskedQuestion::TKind::Choice);
        EXPECT_EQ(dialogs.Asked[0].Caption, "Файл настроек");
        EXPECT_TRUE(dialogs.Asked[0].Text.startsWith(
            "Varnok ранее не запускался из текущего каталога. Создать файл настроек в текущем "
            "каталоге?"));
        EXPECT_EQ(dialogs.Asked[0].Buttons,
                  (QStringList{"Создать из установленных", "Создать по умолчанию", "Не создавать",
                               ""})); // no place to keep the choice: no box
        EXPECT_EQ(dialogs.MessageTexts(), c.Shown);
        EXPECT_EQ(Options.MaxMem, c.MaxMem);
        if (c.Written)
            EXPECT_EQ(Written().ReadString("ZK", "BasicOptions", ""), c.Written);
        else
            EXPECT_FALSE(std::filesystem::exists(Current.Path() / "Zk.ini"));
    }
    EXPECT_EQ(Written().ReadInteger("Include", "Count", -1), 0);
}

TEST_F(OptionsDialogTest, AChoiceKeptWithDontAskAgainServesLaterStartsWithoutAQuestion) {
    const QString config = Q(Temp.Path() / "config" / "varnok.conf");
    Dialogs.Pick(kDefaults, true);
    Dialog.OnInit(Dialogs, Places(true, config));
    EXPECT_EQ(Dialogs.Asked.at(0).Buttons.last(), "Больше не спрашивать");
    EXPECT_EQ(Written().ReadString("ZK", "BasicOptions", ""), kDefaultHex);
    EXPECT_NE(zk::test::ReadFile(Temp.Path() / "config" / "varnok.conf").find("defaults"),
              std::string::npos);

    std::filesystem::remove(Current.Path() / "Zk.ini");
    TAnsweringDialogs later;
    Dialog.OnInit(later, Places(true, config));
    EXPECT_TRUE(later.Asked.empty());
    EXPECT_EQ(Written().ReadString("ZK", "BasicOptions", ""), kDefaultHex);

    // The kept "do not create" still tells that the installed settings are missing.
    std::filesystem::remove(Current.Path() / "Zk.ini");
    Dialogs.Pick(kNoFile, true);
    Dialog.OnInit(Dialogs, Places(false, Q(Temp.Path() / "other.conf")));
    TAnsweringDialogs third;
    Dialog.OnInit(third, Places(false, Q(Temp.Path() / "other.conf")));
    EXPECT_EQ(third.MessageTexts(), std::vector<QString>{kNotFound});
    EXPECT_FALSE(std::filesystem::exists(Current.Path() / "Zk.ini"));
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
    Control<QFontComboBox>("CmbFontFamily")->setEditText("DejaVu Sans Mono");
    Control<QSpinBox>("EdtFontSize")->setValue(20);
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
    EXPECT_EQ(Control<QFontComboBox>("CmbFontFamily")->currentText(), "Courier New");
    EXPECT_EQ(Control<QSpinBox>("EdtFontSize")->value(), 10);
    EXPECT_TRUE(Control<QCheckBox>("ChkLineNumbers")->isChecked());
}

// OK without a change keeps a family this machine may serve under another
// name; an empty box means the default family.
TEST_F(OptionsDialogTest, TheEditorsFontAndLineNumbersGoThroughTheControls) {
    SetDefaultOptions(Options);
    Dialog.PutToControls();
    Control<QPushButton>("CmdOK")->click();
    EXPECT_EQ(Options.FontFamily, "Courier New");

    Control<QFontComboBox>("CmbFontFamily")->setEditText(" ");
    Control<QSpinBox>("EdtFontSize")->setValue(14);
    Control<QCheckBox>("ChkLineNumbers")->setChecked(false);
    Dialog.GetFromCtrls();
    EXPECT_EQ(Options.FontFamily, "Courier New");
    EXPECT_EQ(Options.FontSize, 14);
    EXPECT_FALSE(Options.LineNumbers);
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

TEST_F(OptionsDialogTest, ApplyOptionsEndsTheOutputDirectoryWithASlashAndGivesTheEditorsLook) {
    const bool classic = ClassicLanguage;
    Options = Unusual();
    Options.ExtOutputDir = "/out";
    TAppliedOptions applied = ApplyOptions(Options);
    EXPECT_EQ(Options.ExtOutputDir, "/out/");
    EXPECT_TRUE(applied.ClassicLanguage && ClassicLanguage);
    EXPECT_FALSE(applied.SymbolIsError);
    EXPECT_EQ(applied.DialogDirectory, "/home/a b");
    EXPECT_EQ(applied.EditorFont.families().first(), "Liberation Mono");
    EXPECT_EQ(applied.EditorFont.pointSize(), 13);
    EXPECT_FALSE(applied.LineNumbers);

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

// "Сохранить" on a full disk: the file written before stays whole, keys and
// include list, and the message says why in Russian.
TEST_F(OptionsDialogTest, SavingOnAFullDiskLeavesTheSettingsFileWhole) {
    zk::test::TMountedDir disk(zk::test::TMountedDir::Small, 8 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "no right to mount a file system";
    const QString path = Q(disk.Path() / "Zk.ini");
    Options = Unusual();
    ASSERT_TRUE(WriteSettingsFile(path, Options, Dialogs, nullptr));
    const std::string before = zk::test::ReadFile(disk.Path() / "Zk.ini");
    Options.Include.assign(400, std::string(40, 'd'));
    Dialogs.Answer(TAnswer::Ok);
    EXPECT_FALSE(WriteSettingsFile(path, Options, Dialogs, nullptr));
    EXPECT_EQ(zk::test::ReadFile(disk.Path() / "Zk.ini"), before);
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(Dialogs.MessageTexts()[0], "Ошибка ввода-вывода: " + path + ": Нет места на диске");
}

} // namespace
} // namespace zk::ide
