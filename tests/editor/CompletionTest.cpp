// The completion list in the model: Control+Space asks, the answer opens at
// the word before the caret, typing narrows it by prefix with the code page's
// case folding, Backspace widens it, leaving the word closes it, and the
// label goes in as one undo step of its own.
#include "editor/MemoKeys.h"

#include "MemoModelTest.h"

namespace zk::editor::test {
namespace {

using enum TCompletionKind;

class CompletionTest : public MemoModelTest {
protected:
    CompletionTest() {
        Model.OnCompletionRequested = [this](TTextPoint caret) { Asked.push_back(caret); };
    }
    // The labels the list shows, the chosen one in brackets.
    std::string Shown() const {
        const TCompletionList& list = Model.Completions();
        if (!list.Shown()) return "(closed)";
        std::string out;
        for (std::size_t i = 0; i < list.Matches().size(); ++i) {
            const std::string& label =
                list.Items()[static_cast<std::size_t>(list.Matches()[i])].Label;
            if (!out.empty()) out += ' ';
            out += static_cast<int32_t>(i) == list.Current() ? "[" + label + "]" : label;
        }
        return out;
    }
    void Offer() {
        // ФУНКЦИЯ, Windows-1251
        Model.ShowCompletions({{"FIRST", "(FIRST L)", Keyword},
                               {"FOLD", "(FOLD F L)", Function},
                               {"BF", "", Keyword},
                               {"\xD4\xD3\xCD\xCA\xD6\xC8\xDF", "", Function}});
    }
    bool Press(TKey key, uint8_t shift = ssNone) { return HandleKey(Model, key, shift); }

    std::vector<TTextPoint> Asked;
};

TEST_F(CompletionTest, TypingNarrowsIgnoringCaseBackspaceWidensLeavingTheWordCloses) {
    Load("(IF (f");
    At(6, 0);
    EXPECT_TRUE(Press(TKey::Space, ssCtrl));
    EXPECT_EQ(Asked, (std::vector<TTextPoint>{{6, 0}}));
    Offer();
    EXPECT_EQ(Model.Completions().WordStart(), (TTextPoint{5, 0}));
    EXPECT_EQ(Shown(), "[FIRST] FOLD");
    Press(TKey::Down);
    Model.TypeText("O");
    EXPECT_EQ(Shown(), "[FOLD]") << "the chosen item stays chosen";
    Model.TypeText("x");
    EXPECT_EQ(Shown(), "(closed)") << "nothing matches";
    EXPECT_TRUE(Model.Completions().Open());
    Model.Backspace();
    Model.Backspace();
    EXPECT_EQ(Shown(), "FIRST [FOLD]");
    Model.Backspace();
    EXPECT_EQ(Shown(), "FIRST [FOLD] BF \xD4\xD3\xCD\xCA\xD6\xC8\xDF");
    Model.TypeText("\xF4"); // ф
    EXPECT_EQ(Shown(), "[\xD4\xD3\xCD\xCA\xD6\xC8\xDF]");
    Model.Backspace();
    Model.Backspace(); // before the word
    EXPECT_FALSE(Model.Completions().Open());

    Offer();
    Model.TypeText(" ");
    EXPECT_FALSE(Model.Completions().Open()) << "a blank ends the word";
    Offer();
    Model.MoveDown(false);
    EXPECT_FALSE(Model.Completions().Open());
}

TEST_F(CompletionTest, TheLabelReplacesTheTypedPartAsOneStepOfItsOwn) {
    Load("(CALL ");
    At(6, 0);
    Model.Enter(); // a block step just before
    Model.TypeText("fo");
    Offer();
    EXPECT_TRUE(Press(TKey::Enter));
    EXPECT_EQ(Model.Lines()[1], "FOLD");
    EXPECT_EQ(Caret(), (TTextPoint{4, 1}));
    EXPECT_FALSE(Model.Completions().Open());
    Model.Undo();
    EXPECT_EQ(Model.Lines()[1], "fo");
    Model.Undo();
    EXPECT_EQ(Model.Lines()[1], "");
    for (int i = 0; i < 3; ++i) // the two letters one by one, then the label
        Model.Redo();
    EXPECT_EQ(Model.Lines()[1], "FOLD");

    // An empty word after the line's end: the label is padded out to the caret.
    Model.Enter();
    Model.Enter();
    At(3, 3);
    Offer();
    Press(TKey::PageDown);
    EXPECT_TRUE(Press(TKey::Tab));
    EXPECT_EQ(Model.Lines()[3], "   \xD4\xD3\xCD\xCA\xD6\xC8\xDF");
    Model.Undo();
    EXPECT_EQ(Model.Lines()[3], "");
}

TEST_F(CompletionTest, TheListsKeysAreItsOwnOnlyWhileItShows) {
    Load("(A\r\n(B");
    At(2, 1);
    EXPECT_TRUE(HandlesKey(Model, TKey::Up, ssNone));
    EXPECT_FALSE(HandlesKey(Model, TKey::Escape, ssNone));
    Offer();
    Press(TKey::Escape);
    EXPECT_FALSE(Model.Completions().Open());
    EXPECT_EQ(Caret(), (TTextPoint{2, 1}));
    Press(TKey::Up);
    EXPECT_EQ(Caret(), (TTextPoint{2, 0})) << "closed, the arrow moves the caret";
    Press(TKey::Enter);
    EXPECT_EQ(Shown(), "(closed)");
    EXPECT_EQ(Model.Lines().Count(), 3) << "and Enter breaks the line";

    Model.ShowCompletions({});
    EXPECT_FALSE(Model.Completions().Open()) << "no items, no list";
    Model.SetReadOnly(true);
    EXPECT_FALSE(HandlesKey(Model, TKey::Space, ssCtrl));
    Offer();
    EXPECT_FALSE(Model.Completions().Open());
    EXPECT_EQ(Asked.size(), 0u);
}

} // namespace
} // namespace zk::editor::test
