// The editor's undo list: actions that know how to take back and re-apply one
// change through a small interface of the editor, the current index, group
// undo (a run of actions of one class goes back at once) and the
// modification counter behind Modified.
#pragma once

#include "editor/TextArea.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::editor {

// What an action puts back besides the text.
struct TEditState {
    TTextPoint Caret;
    TDCTextArea Selection;
    TTextPoint Scroll; // first visible column and row
    friend bool operator==(const TEditState&, const TEditState&) = default;
};

// The editor's primitive changes, which record nothing. Rows named must exist.
class TUndoTarget {
public:
    virtual ~TUndoTarget() = default;
    // Pads the line with spaces up to at.Col, then inserts `text`, whose line
    // breaks split the line.
    virtual void InsertText(TTextPoint at, std::string_view text) = 0;
    // Removes the stream between the points (columns beyond a line's end
    // stand at its end).
    virtual void DeleteText(TTextPoint from, TTextPoint to) = 0;
    // Inserts the lines of `text` at column at.Col of successive rows; an
    // empty piece pads nothing.
    virtual void InsertColumns(TTextPoint at, std::string_view text) = 0;
    virtual void DeleteColumns(const TDCTextArea& block) = 0;
    virtual void AppendLines(int32_t count) = 0;
    virtual void RemoveLastLines(int32_t count) = 0;
    virtual void RestoreState(const TEditState& state) = 0;
};

class TCustomUndoAction {
public:
    virtual ~TCustomUndoAction() = default;
    virtual void Undo(TUndoTarget& target) const { target.RestoreState(Before); }
    virtual void Redo(TUndoTarget& target) const { target.RestoreState(After); }
    // Whether group undo takes a run of actions of this class back at once;
    // otherwise each is a step of its own.
    virtual bool JoinsRuns() const { return true; }

    TEditState Before;
    TEditState After;
};

// A move of the caret or the selection between two edits; it separates runs
// of edits that group undo would otherwise take back together. It is never a
// step of its own: it goes back and forth with the edit that follows it.
class TCaretUndo final : public TCustomUndoAction {};

// One typed character at Pos, after LinesAppended empty lines were appended
// to reach its row and Padding spaces filled its line up to Pos. In
// overwrite mode Overwritten is the character replaced.
class TCharUndo final : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;

    TTextPoint Pos;
    char Char = ' ';
    std::optional<char> Overwritten;
    int32_t LinesAppended = 0;
    int32_t Padding = 0;
};

// Removed text taken away at Start, then Inserted put in its place. A removed
// column block spans Start (its top-left corner) to End.
class TBlockUndo : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;

    TTextPoint Start;
    TTextPoint End;
    std::string Inserted;
    std::string Removed;
    TBlockType BlockType = btStream;
    int32_t LinesAppended = 0;
};

// A word completed from a list: the part typed (Removed) replaced by the
// label chosen (Inserted). It is an undo step of its own, whatever comes
// before or after it.
class TCompletionUndo final : public TBlockUndo {
public:
    bool JoinsRuns() const override { return false; }
};

// Deleted text at Pos, after Count spaces had padded the line up to Pos.
class TDeleteUndo final : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;

    TTextPoint Pos;
    std::string Deleted;
    int32_t Count = 0;
};

// A block of rows indented or unindented: row First + i got Shifts[i] spaces
// at its start, or lost -Shifts[i] of them. Each is an undo step of its own.
class TIndentUndo final : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;
    bool JoinsRuns() const override { return false; }
    // Applies the shifts (direction 1) or takes them back (direction -1).
    void ShiftRows(TUndoTarget& target, int32_t direction) const;

    int32_t First = 0;
    std::vector<int32_t> Shifts;
};

class TUndoActionList {
public:
    // Discards the actions after the current one, appends `action` and makes
    // it current; adds 1 to the modification counter. Ignored while busy.
    void Record(std::unique_ptr<TCustomUndoAction> action);
    // Removes every action; the counter stays.
    void Clear();

    bool CanUndo() const;
    bool CanRedo() const { return Current_ + 1 < Count(); }
    // Takes back the current action, and with group undo the ones before it
    // of the same class, stopping where the text was saved (the counter at
    // 0); then the caret moves that led to them. A TCaretUndo first in the
    // list is never taken back.
    void Undo(TUndoTarget& target);
    // Re-applies the next action, a caret move together with the edit after it.
    void Redo(TUndoTarget& target);

    int32_t Count() const { return static_cast<int32_t>(Actions_.size()); }
    int32_t CurrentIndex() const { return Current_; }
    const TCustomUndoAction* Current() const;
    bool Busy() const { return Busy_; }
    bool GroupUndo = true;

    // Modified holds exactly while the counter is not 0.
    int32_t ModifyCount() const { return ModifyCount_; }
    bool Modified() const { return ModifyCount_ != 0; }
    // False resets the counter to 0; true makes an unmodified counter 1.
    void SetModified(bool modified);
    std::function<void(bool)> OnModifiedChanged;

private:
    bool Undoable(int32_t index) const;
    bool IsCaretMove(int32_t index) const;
    void UndoCurrent(TUndoTarget& target);
    void RedoNext(TUndoTarget& target);
    void AddToCounter(int32_t delta);

    std::vector<std::unique_ptr<TCustomUndoAction>> Actions_;
    int32_t Current_ = -1;
    bool Busy_ = false;
    int32_t ModifyCount_ = 0;
};

} // namespace zk::editor
