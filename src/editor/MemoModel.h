// The editing model under the editor widget: the line store with its
// highlighting, the caret (which may stand beyond the end of a line and below
// the last line), the selection, typing, Enter, Delete, Backspace, tabs, word
// moves, bookmarks, the undo list and the two scroll records. A view turns
// events into calls on it and paints what it says; every public call ends by
// sending the view's notices (repaint rows, scroll, caret) and the events.
#pragma once

#include "editor/BracketMatch.h"
#include "editor/HighlightCascade.h"
#include "editor/MemoScroll.h"
#include "editor/MemoStrings.h"
#include "editor/SyntaxData.h"
#include "editor/TextArea.h"
#include "editor/UndoList.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zk::editor {

enum TMemoOption : uint32_t {
    moDblClickLine = 1,     // double-click selects the whole line
    moBeyondEof = 2,        // the caret may go below the last line
    moAutoIndent = 4,       // Enter indents like the line above
    moPersistentBlocks = 8, // moves and edits leave the selection alone
    moSmartTab = 16,
    moBackUnindent = 32,
};
using TMemoOptions = uint32_t;
inline constexpr TMemoOptions kDefaultMemoOptions =
    moBeyondEof | moAutoIndent | moSmartTab | moBackUnindent;

inline constexpr int32_t kTabWidth = 8;
// The caret goes no further right than this column or the end of its line:
// typing far out pads the line, and the padding must stay of sensible size.
inline constexpr int32_t kMaxCaretCol = 65535;
// A repaint that reaches the end of the text.
inline constexpr int32_t kToEnd = INT32_MAX;
inline constexpr int kBookmarkCount = 10;

struct TBookmark {
    bool Set = false;
    TTextPoint Pos;
    TTextPoint Scroll; // first visible column and row when it was set
};

// The columns of a row a selection covers: From up to, not including, To.
// To is kToEnd when the selection goes on past the end of the row.
struct TColumnSpan {
    int32_t From = 0;
    int32_t To = 0;
    friend bool operator==(const TColumnSpan&, const TColumnSpan&) = default;
};

// The system clipboard as plain Windows-1251 text; the view supplies it.
class TClipboard {
public:
    virtual ~TClipboard() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

class TMemoModel : private TMemoStringsObserver, private TUndoTarget {
public:
    explicit TMemoModel(std::unique_ptr<TDCCustomSyntaxData> syntax);
    TMemoModel(); // with the ZK highlighter
    ~TMemoModel() override;
    TMemoModel(const TMemoModel&) = delete;
    TMemoModel& operator=(const TMemoModel&) = delete;

    // Text. Setting it (or loading, or clearing) replaces every line, clears
    // the undo list, the selection and the bookmarks, puts the caret and the
    // view at the start, makes the text unmodified and fires no OnChange.
    std::string Text() const { return Lines_.Text(); }
    void SetText(std::string_view text);
    void Clear() { SetText({}); }
    void LoadFromFile(std::string_view path);
    void SaveToFile(std::string_view path) const { Lines_.SaveToFile(path); }
    // Changes made straight to the lines are edits that cannot be undone:
    // they clear the undo list and mark the text modified.
    TDCMemoStrings& Lines() { return Lines_; }
    const TDCMemoStrings& Lines() const { return Lines_; }
    // Offsets into Text(), for the accessibility interface and for error
    // positions: a point counts the CR LF ending every row above it; a point
    // past its line's end or below the text stands at the nearest character.
    // Both walk the rows above, so they are for occasional questions only.
    int64_t OffsetOf(TTextPoint point) const;
    TTextPoint PointAt(int64_t offset) const;
    TDCCustomSyntaxData& Syntax() { return *Syntax_; }
    const TDCCustomSyntaxData& Syntax() const { return *Syntax_; }

    // The caret. Negative values become 0; the row stops at MaxRow().
    int32_t Col() const { return Caret_.Col; }
    int32_t Row() const { return Caret_.Row; }
    TTextPoint Caret() const { return Caret_; }
    void SetCol(int32_t col) { SetCaret({col, Caret_.Row}); }
    void SetRow(int32_t row) { SetCaret({Caret_.Col, row}); }
    // Moves the caret, clears the selection unless it is persistent, and
    // scrolls the caret into view.
    void SetCaret(TTextPoint caret);
    int32_t MaxRow() const;

    // The selection.
    const TDCTextArea& Selection() const { return Selection_; }
    void SetSelection(TTextPoint anchor, TTextPoint caret, TBlockType type = btStream);
    void SelectAll();
    void ClearSelection();
    std::string SelectedText() const; // rows joined by CR LF
    std::optional<TColumnSpan> SelectedColumns(int32_t row) const;
    void DeleteSelection();

    // Modes and options.
    bool InsertMode() const { return InsertMode_; }
    void SetInsertMode(bool insert);
    bool ReadOnly() const { return ReadOnly_; }
    void SetReadOnly(bool readOnly) { ReadOnly_ = readOnly; }
    TMemoOptions Options() const { return Options_; }
    void SetOptions(TMemoOptions options);
    bool Modified() const { return Undo_.Modified(); }
    void SetModified(bool modified) { Undo_.SetModified(modified); }
    TUndoActionList& UndoList() { return Undo_; }

    // Typing: each character of code 32 and above is typed as if its key was
    // pressed; an input method's commit string comes here whole.
    void TypeText(std::string_view text);
    void Enter();
    void DeleteChar(); // the Delete key
    void Backspace();
    void Tab();
    void BackTab();
    void ToggleInsertMode() { SetInsertMode(!InsertMode_); }
    bool CanUndo() const { return !ReadOnly_ && Undo_.CanUndo(); }
    bool CanRedo() const { return !ReadOnly_ && Undo_.CanRedo(); }
    void Undo();
    void Redo();

    // Caret movement; with `extend` the selection follows the caret.
    void MoveLeft(bool extend);
    void MoveRight(bool extend);
    void MoveUp(bool extend);
    void MoveDown(bool extend);
    void WordLeft(bool extend);
    void WordRight(bool extend);
    void LineStart(bool extend);
    void LineEnd(bool extend);
    void TextStart(bool extend);
    void TextEnd(bool extend);
    void PageUp(bool extend);
    void PageDown(bool extend);
    void PageTop(bool extend);    // to the top visible row
    void PageBottom(bool extend); // to the bottom visible row
    void ScrollLineUp();          // the view moves, the caret stays
    void ScrollLineDown();

    // The clipboard: the view passes the platform's clipboard in.
    void SetClipboard(TClipboard* clipboard) { Clipboard_ = clipboard; }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // Inserts `text` at the caret in place of the selection, as one edit.
    void PasteText(std::string_view text);

    // Bookmarks 0 to 9.
    void ToggleBookmark(int n);
    void GotoBookmark(int n);
    const TBookmark& Bookmark(int n) const { return Bookmarks_[static_cast<std::size_t>(n)]; }
    // Bit n set for each bookmark n on `row`.
    uint32_t BookmarksOnRow(int32_t row) const;

    // The mouse. Cells are counted from the top-left visible cell of the
    // text area: column (x - gutter) / character width, row y / line height,
    // rounded down; they may lie outside the visible area while dragging.
    void MouseDown(TTextPoint cell, bool shift);
    // While selecting with the mouse; a cell outside the visible area
    // scrolls one step towards it, so the view repeats the call on a timer
    // while the pointer stays outside.
    void MouseMove(TTextPoint cell);
    void MouseUp(TTextPoint cell);
    void EndMouseSelection(); // Escape
    bool MouseSelecting() const { return Mouse_ != TMouseMode::None; }
    void DoubleClick(TTextPoint cell);
    void GutterClick(TTextPoint downCell, TTextPoint upCell);
    // One wheel event: 120 per notch. Control scrolls by pages, Shift moves
    // the caret; otherwise rowsPerNotch rows scroll.
    void Wheel(int32_t delta, bool control, bool shift, int32_t rowsPerNotch);

    // The view's size in whole character cells; resizing calls this.
    void SetVisibleSize(int32_t cols, int32_t rows);
    int32_t VisibleCols() const { return VisibleCols_; }
    int32_t VisibleRows() const { return VisibleRows_; }
    int32_t LeftCol() const { return HScroll_.Position(); }
    int32_t TopRow() const { return VScroll_.Position(); }
    const TDCMemoScroll& HScroll() const { return HScroll_; }
    const TDCMemoScroll& VScroll() const { return VScroll_; }
    void Scroll(TScrollKind kind, TScrollRequest request, int32_t thumbPos = 0);

    // Painting.
    const TDCSyntaxMemoColor& ColorOf(const LexemEntry& lexem) const {
        return Syntax_->ColorOf(lexem);
    }
    const std::optional<TBracketPair>& Brackets() const { return Brackets_; }

    // The cascade left beyond the visible rows: the view calls
    // ContinueHighlight from an idle timer while HighlightPending holds.
    bool HighlightPending() const { return Cascade_.Pending(); }
    bool ContinueHighlight(std::chrono::microseconds budget);

    // Events.
    std::function<void()> OnChange; // after each edit; never for set or loaded text
    std::function<void(int32_t col, int32_t row)> OnColRowChanged;
    std::function<void(bool insert)> OnSetInsertMode;
    std::function<void(bool modified)> OnModifiedChanged;
    std::function<void(TTextPoint down, TTextPoint up)> OnGutterClick; // text points

    // The view's notices. OnScrolled comes first (the view moves its pixels
    // by whole cells), then OnRepaint with the text rows to paint again,
    // OnScrollBarsChanged when a scroll record changed, and
    // OnHighlightPending when idle work is waiting.
    std::function<void(int32_t cols, int32_t rows)> OnScrolled;
    std::function<void(TRowSpan rows)> OnRepaint;
    std::function<void()> OnScrollBarsChanged;
    std::function<void()> OnHighlightPending;

private:
    enum class TMouseMode : uint8_t { None, Selecting, Dragging };
    // Where InsertBlock puts its text on the caret's row: at the caret, a
    // short line padded with spaces up to it; at the caret or the line's end,
    // whichever comes first; at the line's end.
    enum class TInsertPoint : uint8_t { Caret, CaretInLine, LineEnd };
    class TCommandScope;

    // TMemoStringsObserver
    void EndChange() override;
    void LinesChanged(int32_t first, int32_t last) override;
    void LinesInserted(int32_t first, int32_t last) override;
    void LinesDeleted(int32_t first, int32_t last) override;
    void LinesCleared() override;

    // TUndoTarget
    void InsertText(TTextPoint at, std::string_view text) override;
    void DeleteText(TTextPoint from, TTextPoint to) override;
    void InsertColumns(TTextPoint at, std::string_view text) override;
    void DeleteColumns(const TDCTextArea& block) override;
    void AppendLines(int32_t count) override;
    void RemoveLastLines(int32_t count) override;
    void RestoreState(const TEditState& state) override;

    // Editing helpers.
    TEditState State() const;
    void Record(std::unique_ptr<TCustomUndoAction> action);
    int32_t ReachRow(int32_t row); // appends empty lines; how many
    void TypeChar(char c);
    // Inserts `text` as one TBlockUndo, appending lines to reach the caret's
    // row; the caret goes to the end of the insertion.
    void InsertBlock(std::string text, TInsertPoint where);
    void ReplaceSelection(std::string_view text);
    void JoinWithNext(); // Delete at or past the end of the caret's line
    void MoveSelectionTo(TTextPoint point);
    bool InSelection(TTextPoint point) const;
    bool Editable() const { return !ReadOnly_; }
    bool SelectionReplaced() const;

    // Text queries.
    int32_t LineLength(int32_t row) const;
    TTextPoint ClampToText(TTextPoint point) const;
    std::string TextBetween(TTextPoint from, TTextPoint to) const;
    std::string ColumnText(const TDCTextArea& block) const;
    bool IsSeparator(char c) const;
    int32_t Indentation(int32_t row) const; // leading spaces
    TTextPoint WordLeftOf(TTextPoint point) const;
    TTextPoint WordRightOf(TTextPoint point) const;
    int32_t SmartTabColumn() const; // -1: none
    int32_t UnindentColumn() const;

    // Caret, selection and view.
    TTextPoint ClampCaret(TTextPoint point) const;
    void MoveTo(TTextPoint point, bool extend);
    TTextPoint SelectionAnchor() const;
    void SetSelectionArea(const TDCTextArea& area);
    void ScrollTo(TTextPoint topLeft); // column, row
    void ScrollBy(int32_t cols, int32_t rows) { ScrollTo({LeftCol() + cols, TopRow() + rows}); }
    void MakeCaretVisible();
    bool IsVisible(TTextPoint point) const;
    TTextPoint CellToText(TTextPoint cell, bool clampToView) const;
    int32_t Rows() const { return std::max(VisibleRows_, 1); }
    int32_t Cols() const { return std::max(VisibleCols_, 1); }
    void UpdateScrollRanges();
    void Repaint(int32_t first, int32_t last);
    void RepaintArea(const TDCTextArea& area);
    void ResetForNewText();
    void Flush();

    TDCMemoStrings Lines_;
    std::unique_ptr<TDCCustomSyntaxData> Syntax_;
    THighlightCascade Cascade_;
    TUndoActionList Undo_;
    TDCMemoScroll HScroll_{TScrollKind::Horizontal};
    TDCMemoScroll VScroll_{TScrollKind::Vertical};
    TTextPoint Caret_;
    TDCTextArea Selection_;
    bool InsertMode_ = true;
    bool ReadOnly_ = false;
    TMemoOptions Options_ = kDefaultMemoOptions;
    int32_t VisibleCols_ = 0;
    int32_t VisibleRows_ = 0;
    std::array<TBookmark, kBookmarkCount> Bookmarks_;
    TClipboard* Clipboard_ = nullptr;
    TMouseMode Mouse_ = TMouseMode::None;
    TTextPoint MouseAnchor_;
    bool DragMoved_ = false;
    int32_t WheelRemainder_ = 0;
    std::optional<TBracketPair> Brackets_;

    // What the next flush reports.
    int CommandDepth_ = 0;
    bool Replacing_ = false;      // the lines are being replaced, not edited
    bool ExternalEdit_ = false;   // the lines were edited past the model
    bool JoinNextRecord_ = false; // the next action continues the last one
    bool Changed_ = false;
    bool TextTouched_ = false;
    bool ScrollBarsChanged_ = false;
    int32_t ScrolledCols_ = 0;
    int32_t ScrolledRows_ = 0;
    int32_t RepaintFirst_ = -1;
    int32_t RepaintLast_ = -1;
    TTextPoint ReportedCaret_;
};

} // namespace zk::editor
