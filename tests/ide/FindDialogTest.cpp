// The find and replace dialog offscreen over a real editor control, reached as
// the main window's editors reach it: each button's outcome in the dialog and
// for the status bar, and "Заменить все" taken back by one undo.
#include "ide/FindDialog.h"

#include "TestFiles.h"
#include "Typing.h"
#include "editor/SyntaxMemo.h"
#include "ide/QtText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace zk::ide {
namespace {

using zk::test::W;

editor::TTextPoint Point(TTextPos pos) {
    return {pos.Col, pos.Row};
}

// The editor control behind the search interface.
class TMemoSearch final : public TSearchEditor {
public:
    explicit TMemoSearch(editor::TDCSyntaxMemo& memo) : Memo_(memo) {}

    std::string Text() const override {
        std::string text = Memo_.Text();
        if (text.ends_with("\r\n")) text.resize(text.size() - 2);
        return text;
    }
    void SetText(std::string_view text) override { Memo_.SetText(text); }
    int32_t Col() const override { return Memo_.Col(); }
    int32_t Row() const override { return Memo_.Row(); }
    void SetCaret(int32_t col, int32_t row) override { Memo_.SetCaret(col, row); }
    int32_t LineCount() const override { return Memo_.LineCount(); }
    std::string Line(int32_t row) const override { return Memo_.Line(row); }
    bool Modified() const override { return Memo_.Modified(); }
    void SetModified(bool modified) override { Memo_.SetModified(modified); }

    std::optional<TTextRange> Selection() const override {
        const editor::TDCTextArea& area = Memo_.Model().Selection();
        if (area.Empty || area.BlockType != editor::btStream) return std::nullopt;
        return TTextRange{{area.Start.Col, area.Start.Row}, {area.End.Col, area.End.Row}};
    }
    void Select(const TTextRange& range) override {
        Memo_.SetSelection(Point(range.From), Point(range.To));
    }
    // The deletion and the insertion are two actions of one class in a row,
    // which the editor's group undo takes back together.
    void Replace(const TTextRange& range, std::string_view text) override {
        editor::TMemoModel& model = Memo_.Model();
        model.SetSelection(Point(range.From), Point(range.To));
        model.DeleteSelection();
        model.PasteText(text);
    }

private:
    editor::TDCSyntaxMemo& Memo_;
};

class FindDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dialog.Editor = [this] { return &Search; };
        Dialog.Status = [this](const QString& text) { Statuses.push_back(text); };
    }

    editor::TDCSyntaxMemo Memo;
    TMemoSearch Search{Memo};
    TFindDlg Dialog;
    std::vector<QString> Statuses;
};

TEST_F(FindDialogTest, FindSelectsTheMatchWrapsAndSaysWhenThereIsNone) {
    Memo.SetText(W("(F (X) (EXPR Жук X))\r\n"));
    Memo.SetSelection({3, 0}, {6, 0}); // "(X)"
    Dialog.ShowFind();
    EXPECT_FALSE(Dialog.EdtReplace->isVisible());
    EXPECT_EQ(Dialog.EdtText->text(), "(X)");
    Dialog.EdtText->clear();
    test::TypeText(Dialog.EdtText, "x");
    QTest::keyClick(Dialog.EdtText, Qt::Key_Return);
    EXPECT_EQ(FromText1251(Memo.Model().SelectedText()), "X"); // of "EXPR"
    EXPECT_EQ(Memo.Col(), 10);
    Dialog.CmdFind->click();
    EXPECT_EQ(Memo.Col(), 18);
    Dialog.CmdFind->click();
    EXPECT_EQ(Memo.Col(), 5);
    EXPECT_EQ(Dialog.LblStatus->text(), "Поиск продолжен с начала");
    Dialog.FindNext(TSearchDirection::Backward);
    EXPECT_EQ(Memo.Col(), 18);
    EXPECT_EQ(Dialog.LblStatus->text(), "Поиск продолжен с конца");

    Dialog.ChkWholeWords->setChecked(true);
    Dialog.EdtText->setText("EXP");
    Dialog.CmdFind->click();
    EXPECT_EQ(Statuses, (std::vector<QString>{"", "", "Поиск продолжен с начала",
                                              "Поиск продолжен с конца", "Не найдено"}));
}

TEST_F(FindDialogTest, ReplaceAllOfCyrillicTextIsOneUndoStep) {
    const std::string text = W("(F (X) (EXPR жук X))\r\n(G () (QUOTE ЖУК))\r\n");
    Memo.SetText(text);
    Dialog.ShowReplace();
    EXPECT_TRUE(Dialog.EdtReplace->isVisible());
    EXPECT_EQ(Dialog.windowTitle(), "Заменить");
    test::TypeText(Dialog.EdtText, "Жук");
    test::TypeText(Dialog.EdtReplace, "Ёж");
    Dialog.CmdReplaceAll->click();
    EXPECT_EQ(Memo.Text(), W("(F (X) (EXPR Ёж X))\r\n(G () (QUOTE Ёж))\r\n"));
    EXPECT_EQ(Dialog.LblStatus->text(), "Заменено: 2");
    Memo.Undo();
    EXPECT_EQ(Memo.Text(), text);

    // One replacement at a time, each its own undo step.
    Dialog.CmdReplace->click(); // the selection is no match: the next one is selected
    EXPECT_EQ(Memo.Model().SelectedText(), W("жук"));
    Dialog.CmdReplace->click();
    EXPECT_EQ(Memo.Model().SelectedText(), W("ЖУК"));
    Dialog.CmdReplace->click();
    EXPECT_EQ(Statuses.back(), "Не найдено");
    Memo.Undo();
    EXPECT_EQ(Memo.Text(), W("(F (X) (EXPR Ёж X))\r\n(G () (QUOTE ЖУК))\r\n"));
}

} // namespace
} // namespace zk::ide
