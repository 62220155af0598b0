// The undo list's rules: discarding, group undo, redo, the modification
// counter and the busy flag. The actions' own text changes are tested
// through the editing model.
#include "editor/UndoList.h"

#include <gtest/gtest.h>

namespace zk::editor {
namespace {

// Records the caret of each restored state; tries to record while busy.
class TStateLog : public TUndoTarget {
public:
    void InsertText(TTextPoint, std::string_view) override {}
    void DeleteText(TTextPoint, TTextPoint) override {}
    void InsertColumns(TTextPoint, std::string_view) override {}
    void DeleteColumns(const TDCTextArea&) override {}
    void AppendLines(int32_t) override {}
    void RemoveLastLines(int32_t) override {}
    void RestoreState(const TEditState& state) override {
        Log += std::to_string(state.Caret.Col);
        if (List != nullptr) List->Record(std::make_unique<TCharUndo>());
    }
    std::string Log;
    TUndoActionList* List = nullptr;
};

template <typename TAction> std::unique_ptr<TCustomUndoAction> Action(int32_t before) {
    auto action = std::make_unique<TAction>();
    action->Before.Caret = {before, 0};
    action->After.Caret = {before + 1, 0};
    return action;
}

class UndoList : public ::testing::Test {
protected:
    void SetUp() override {
        List.OnModifiedChanged = [this](bool modified) { Notices += modified ? "M" : "m"; };
    }
    TUndoActionList List;
    TStateLog Target;
    std::string Notices;
};

TEST_F(UndoList, GroupUndoTakesBackARunOfOneClass) {
    List.Record(Action<TBlockUndo>(0));
    List.Record(Action<TCharUndo>(1));
    List.Record(Action<TCharUndo>(2));
    List.Record(Action<TCharUndo>(3));
    EXPECT_EQ(List.ModifyCount(), 4);
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "321");
    EXPECT_EQ(List.CurrentIndex(), 0);
    EXPECT_EQ(List.ModifyCount(), 1);
    List.Redo(Target);
    List.Redo(Target);
    EXPECT_EQ(Target.Log, "32123") << "redo goes one action at a time";
    EXPECT_EQ(List.ModifyCount(), 3);
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "3212321") << "the group stops at another class";
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "32123210");
    EXPECT_EQ(List.CurrentIndex(), -1);
    EXPECT_FALSE(List.CanUndo());
}

TEST_F(UndoList, WithoutGroupUndoOneActionGoesBack) {
    List.GroupUndo = false;
    List.Record(Action<TCharUndo>(1));
    List.Record(Action<TCharUndo>(2));
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "2");
    EXPECT_EQ(List.CurrentIndex(), 0);
}

TEST_F(UndoList, RecordingDiscardsTheUndoneActions) {
    List.Record(Action<TCharUndo>(1));
    List.Record(Action<TCharUndo>(2));
    List.Undo(Target);
    List.Record(Action<TDeleteUndo>(7));
    EXPECT_EQ(List.Count(), 1);
    EXPECT_FALSE(List.CanRedo());
    EXPECT_EQ(List.ModifyCount(), 1);
}

TEST_F(UndoList, ACaretUndoFirstInTheListStays) {
    List.Record(Action<TCaretUndo>(5));
    List.Record(Action<TCaretUndo>(6));
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "6");
    EXPECT_FALSE(List.CanUndo());
    List.Undo(Target);
    EXPECT_EQ(Target.Log, "6");
    EXPECT_EQ(List.ModifyCount(), 1);
}

TEST_F(UndoList, ModifiedFollowsTheCounter) {
    List.Record(Action<TCharUndo>(1));
    EXPECT_EQ(Notices, "M");
    List.Record(Action<TCharUndo>(2));
    List.Undo(Target);
    EXPECT_FALSE(List.Modified()) << "a change and its undo leave the text unmodified";
    List.Redo(Target);
    List.SetModified(false); // saved here
    List.Undo(Target);
    EXPECT_TRUE(List.Modified()) << "undoing past the save differs from the file";
    EXPECT_EQ(List.ModifyCount(), -1);
    List.Redo(Target);
    EXPECT_FALSE(List.Modified());
    EXPECT_EQ(Notices, "MmMmMm");
    List.SetModified(true);
    EXPECT_EQ(List.ModifyCount(), 1);
}

TEST_F(UndoList, NothingIsRecordedWhileBusy) {
    List.Record(Action<TCharUndo>(1));
    Target.List = &List;
    List.Undo(Target);
    List.Redo(Target);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_FALSE(List.Busy());
}

} // namespace
} // namespace zk::editor
