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

    TEditState Before;
    TEditState After;
};

// A move of the caret or the selection between two edits; it separates runs
// of edits that group undo would otherwise take back together.
class TCaretUndo final : public TCustomUndoAction {};

// One typed character at Pos, after LinesAppended empty lines were appended
// to reach its row. In overwrite mode Overwritten is the character replaced.
class TCharUndo final : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;

    TTextPoint Pos;
    char Char = ' ';
    std::optional<char> Overwritten;
    int32_t LinesAppended = 0;
};

// Removed text taken away at Start, then Inserted put in its place. A removed
// column block spans Start (its top-left corner) to End.
class TBlockUndo final : public TCustomUndoAction {
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

// Deleted text at Pos, after Count spaces had padded the line up to Pos.
class TDeleteUndo final : public TCustomUndoAction {
public:
    void Undo(TUndoTarget& target) const override;
    void Redo(TUndoTarget& target) const override;

    TTextPoint Pos;
    std::string Deleted;
    int32_t Count = 0;
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
    // of the same class. A TCaretUndo first in the list is never taken back.
    void Undo(TUndoTarget& target);
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
    void AddToCounter(int32_t delta);

    std::vector<std::unique_ptr<TCustomUndoAction>> Actions_;
    int32_t Current_ = -1;
    bool Busy_ = false;
    int32_t ModifyCount_ = 0;
};

} // namespace zk::editor
