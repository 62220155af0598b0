// The undo actions and the list with its group rule and counter.
#include "editor/UndoList.h"

#include <typeinfo>

namespace zk::editor {

namespace {

TTextPoint Next(TTextPoint point) {
    return {point.Col + 1, point.Row};
}

// Sets the busy flag for the length of an undo or redo.
class TBusyScope {
public:
    explicit TBusyScope(bool& busy) : Busy_(busy) { Busy_ = true; }
    ~TBusyScope() { Busy_ = false; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    bool& Busy_;
};

} // namespace

void TCharUndo::Undo(TUndoTarget& target) const {
    target.DeleteText(Pos, Next(Pos));
    if (Overwritten) target.InsertText(Pos, std::string_view(&*Overwritten, 1));
    if (Padding > 0) target.DeleteText({Pos.Col - Padding, Pos.Row}, Pos);
    target.RemoveLastLines(LinesAppended);
    TCustomUndoAction::Undo(target);
}

// Inserting at Pos pads the line up to it again.
void TCharUndo::Redo(TUndoTarget& target) const {
    target.AppendLines(LinesAppended);
    if (Overwritten) target.DeleteText(Pos, Next(Pos));
    target.InsertText(Pos, std::string_view(&Char, 1));
    TCustomUndoAction::Redo(target);
}

void TBlockUndo::Undo(TUndoTarget& target) const {
    if (!Inserted.empty()) target.DeleteText(Start, TextEnd(Start, Inserted));
    if (BlockType == btColumn)
        target.InsertColumns(Start, Removed);
    else if (!Removed.empty())
        target.InsertText(Start, Removed);
    target.RemoveLastLines(LinesAppended);
    TCustomUndoAction::Undo(target);
}

void TBlockUndo::Redo(TUndoTarget& target) const {
    target.AppendLines(LinesAppended);
    if (BlockType == btColumn)
        target.DeleteColumns(TDCTextArea::Between(Start, End, btColumn));
    else if (!Removed.empty())
        target.DeleteText(Start, TextEnd(Start, Removed));
    if (!Inserted.empty()) target.InsertText(Start, Inserted);
    TCustomUndoAction::Redo(target);
}

void TDeleteUndo::Undo(TUndoTarget& target) const {
    target.InsertText(Pos, Deleted);
    if (Count > 0) target.DeleteText({Pos.Col - Count, Pos.Row}, Pos);
    TCustomUndoAction::Undo(target);
}

void TDeleteUndo::Redo(TUndoTarget& target) const {
    if (Count > 0) target.InsertText({Pos.Col - Count, Pos.Row}, std::string(Count, ' '));
    target.DeleteText(Pos, TextEnd(Pos, Deleted));
    TCustomUndoAction::Redo(target);
}

void TIndentUndo::ShiftRows(TUndoTarget& target, int32_t direction) const {
    for (std::size_t i = 0; i < Shifts.size(); ++i) {
        const int32_t shift = Shifts[i] * direction;
        const int32_t row = First + static_cast<int32_t>(i);
        if (shift > 0)
            target.InsertText({0, row}, std::string(static_cast<std::size_t>(shift), ' '));
        else if (shift < 0)
            target.DeleteText({0, row}, {-shift, row});
    }
}

void TIndentUndo::Undo(TUndoTarget& target) const {
    ShiftRows(target, -1);
    TCustomUndoAction::Undo(target);
}

void TIndentUndo::Redo(TUndoTarget& target) const {
    ShiftRows(target, 1);
    TCustomUndoAction::Redo(target);
}

void TUndoActionList::Record(std::unique_ptr<TCustomUndoAction> action) {
    if (Busy_) return;
    Actions_.erase(Actions_.begin() + (Current_ + 1), Actions_.end());
    Actions_.push_back(std::move(action));
    Current_ = Count() - 1;
    AddToCounter(1);
}

void TUndoActionList::Clear() {
    Actions_.clear();
    Current_ = -1;
}

const TCustomUndoAction* TUndoActionList::Current() const {
    return Current_ >= 0 ? Actions_[static_cast<std::size_t>(Current_)].get() : nullptr;
}

bool TUndoActionList::Undoable(int32_t index) const {
    if (index < 0) return false;
    return index > 0 || typeid(*Actions_[0]) != typeid(TCaretUndo);
}

bool TUndoActionList::IsCaretMove(int32_t index) const {
    return typeid(*Actions_[static_cast<std::size_t>(index)]) == typeid(TCaretUndo);
}

bool TUndoActionList::CanUndo() const {
    return Undoable(Current_);
}

void TUndoActionList::UndoCurrent(TUndoTarget& target) {
    Actions_[static_cast<std::size_t>(Current_)]->Undo(target);
    --Current_;
    AddToCounter(-1);
}

void TUndoActionList::RedoNext(TUndoTarget& target) {
    ++Current_;
    Actions_[static_cast<std::size_t>(Current_)]->Redo(target);
    AddToCounter(1);
}

void TUndoActionList::Undo(TUndoTarget& target) {
    if (!Undoable(Current_)) return;
    const TBusyScope busy(Busy_);
    const TCustomUndoAction& last = *Actions_[static_cast<std::size_t>(Current_)];
    const bool run = GroupUndo && last.JoinsRuns();
    const std::type_info& group = typeid(last);
    do {
        UndoCurrent(target);
    } while (run && Undoable(Current_) && ModifyCount_ != 0 &&
             typeid(*Actions_[static_cast<std::size_t>(Current_)]) == group);
    while (Undoable(Current_) && IsCaretMove(Current_))
        UndoCurrent(target);
}

void TUndoActionList::Redo(TUndoTarget& target) {
    if (!CanRedo()) return;
    const TBusyScope busy(Busy_);
    do {
        RedoNext(target);
    } while (IsCaretMove(Current_) && CanRedo());
}

void TUndoActionList::SetModified(bool modified) {
    if (modified == Modified()) return;
    AddToCounter(modified ? 1 : -ModifyCount_);
}

void TUndoActionList::AddToCounter(int32_t delta) {
    const bool was = Modified();
    ModifyCount_ += delta;
    if (was != Modified() && OnModifiedChanged) OnModifiedChanged(Modified());
}

} // namespace zk::editor
