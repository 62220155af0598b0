// The editing model under the editor widget: the line store with its
// highlighting, the caret (which may stand beyond the end of a line and below
// the last line), the selection, typing, Enter, Delete, Backspace, tabs and
// block indentation, word moves, bookmarks, the debugger's marks
// (breakpoints, the marks of a stopped run, a shaded form), the window's
// diagnostics and completion list, the undo list, the two scroll records
// and the font's zoom. A view turns events into calls on it and
// paints what it says; every public call ends by sending the view's notices
// (repaint rows, scroll, caret) and the events. Columns count characters;
// the view's grid counts cells, which differ only after a tab (LineCells).
#pragma once

#include "editor/BracketMatch.h"
#include "editor/Breakpoints.h"
#include "editor/Completion.h"
#include "editor/Diagnostics.h"
#include "editor/FontZoom.h"
#include "editor/HighlightCascade.h"
#include "editor/LineCells.h"
#include "editor/MemoScroll.h"
#include "editor/MemoStrings.h"
#include "editor/SyntaxData.h"
#include "editor/Text1251.h"
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
#include <vector>

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

// The columns of a row a diagnostic covers; From == To for a point, shown
// after the character before it.
struct TDiagnosticSpan {
    TColumnSpan Columns;
    TDiagnosticSeverity Severity = TDiagnosticSeverity::Error;
    friend bool operator==(const TDiagnosticSpan&, const TDiagnosticSpan&) = default;
};

// The word shown as a link while Control is held over it.
struct TWordLink {
    int32_t Row = 0;
    TColumnSpan Columns;
    friend bool operator==(const TWordLink&, const TWordLink&) = default;
};

// The debugger's glyphs in a row's gutter, as bits of GutterGlyphsOn.
enum TGutterGlyph : uint8_t {
    gsBreakSet = 1,     // a breakpoint
    gsBreakInvalid = 2, // a breakpoint on a line where no form starts
    gsBreakStop = 4,    // the run stopped at a breakpoint on this line
    gsArrow = 8,        // the line of the current form
    gsEllipse = 16,     // the call place of a call waiting on the stack
};

// The marks of a stopped run, which the window sets; -1: no arrow.
struct TRunMarks {
    int32_t ArrowRow = -1;
    bool StopAtBreakpoint = false;
    std::vector<int32_t> EllipseRows; // sorted, each once
};

// A form shaded under its text: the current form of a stopped run, or the
// form that failed.
enum class TShade : uint8_t { Current, Failed };
struct TShadedRange {
    TTextPoint From;
    TTextPoint To; // not included
    TShade Shade = TShade::Current;
};

// The system clipboard as plain Windows-1251 text; the view supplies it.
// Reading it says how many characters the code page could not hold.
class TClipboard {
public:
    virtual ~TClipboard() = default;
    virtual TPastedText Text() const = 0;
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
    // The cell where `point` stands on the grid, and the column of `row`
    // nearest to a cell (LineCells); rows outside the text have no tabs.
    int32_t CellOf(TTextPoint point) const;
    int32_t ColumnAt(int32_t row, int32_t cell) const;

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
    void SetReadOnly(bool readOnly);
    TMemoOptions Options() const { return Options_; }
    void SetOptions(TMemoOptions options);
    bool Modified() const { return Undo_.Modified(); }
    void SetModified(bool modified) { Undo_.SetModified(modified); }
    TUndoActionList& UndoList() { return Undo_; }

    // Typing: each character of code 32 and above is typed as if its key was
    // pressed, and a tab as the spaces up to the next tab stop; an input
    // method's commit string comes here whole.
    void TypeText(std::string_view text);
    void Enter();
    void DeleteChar(); // the Delete key
    void Backspace();
    // With a selection across a line break, Tab indents every line of it by
    // a tab width and BackTab takes each back to the tab stop before its
    // indentation, as one undo step, and the lines stay selected. Otherwise
    // they are the smart tab and the back tab.
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
    // The clipboard's tabs become spaces up to the tab stops where they land.
    void PasteFromClipboard();
    // Inserts `text` as it is at the caret in place of the selection, as one
    // edit: a replacement keeps the text's own tabs.
    void PasteText(std::string_view text);

    // Bookmarks 0 to 9.
    void ToggleBookmark(int n);
    void GotoBookmark(int n);
    const TBookmark& Bookmark(int n) const { return Bookmarks_[static_cast<std::size_t>(n)]; }
    // Bit n set for each bookmark n on `row`.
    uint32_t BookmarksOnRow(int32_t row) const;

    // Breakpoints, at most one per row of the text; a row outside it takes
    // none. A breakpoint stays with the text its line starts with: lines
    // inserted above, or a line break typed into the line's indentation,
    // move it down with that text. When lines join, the joined line keeps
    // the breakpoint of the line whose text it starts with (the upper one,
    // unless only blanks of it stay before the join) and the others on the
    // joined or deleted lines go. Setting the text clears them all. An undo
    // moves them by the same rule; it does not bring back one that went.
    const std::vector<TBreakpoint>& Breakpoints() const { return Breakpoints_.All(); }
    std::optional<TBreakpointState> BreakpointOn(int32_t row) const { return Breakpoints_.At(row); }
    void SetBreakpoint(int32_t row, TBreakpointState state = TBreakpointState::Set);
    void ClearBreakpoint(int32_t row);
    // Sets a breakpoint where there is none, else clears it.
    void ToggleBreakpoint(int32_t row);
    void ClearBreakpoints();

    // The marks of a stopped run: the arrow at the current form's line (at a
    // breakpoint the stop glyph instead) and ellipses at the lines of the
    // calls waiting on the stack; rows from 0, -1 for no arrow. They tell of
    // the text that was run, so any edit of the text clears them, and so
    // does setting the text.
    void SetRunMarks(int32_t arrowRow, bool stopAtBreakpoint, std::vector<int32_t> ellipseRows);
    void ClearRunMarks();
    const TRunMarks& RunMarks() const { return RunMarks_; }
    // The TGutterGlyph bits of a row.
    uint8_t GutterGlyphsOn(int32_t row) const;

    // The shaded form, painted under the text from `from` up to `to`; an
    // edit of the text clears it, as it clears the run marks.
    void SetShadedRange(TTextPoint from, TTextPoint to, TShade shade = TShade::Current);
    void ClearShadedRange();
    const std::optional<TShadedRange>& ShadedRange() const { return Shaded_; }
    // The columns of `row` under the shading: up to the end of the line's
    // text on every row but the last.
    std::optional<TColumnSpan> ShadedColumns(int32_t row) const;
    // Scrolls the range into view when it is not wholly in view, or, for a
    // range taller than the view, when its start is not: a range partly in
    // view comes in by the fewest rows, one out of view to the middle. A
    // range in view never moves, so stepping through a text keeps it still.
    void EnsureRangeVisible(TTextPoint from, TTextPoint to);

    // The errors and warnings the window found, each a range underlined or a
    // point (From == To, such as the end of a line) marked after it; points
    // are clamped to the text and put in order. They move with the edits
    // before them, on their rows and above, and an edit that touches one
    // drops it (TDiagnosticList); undoing the edit does not bring it back.
    // Setting the text clears them.
    void SetDiagnostics(std::vector<TDiagnosticMark> marks);
    void ClearDiagnostics();
    const std::vector<TDiagnosticMark>& Diagnostics() const { return Diagnostics_.All(); }
    // What the marks cover of `row`: a range's first row up to the line's
    // end when it goes on (a point there when the line ends where it starts),
    // its other rows where they hold text.
    std::vector<TDiagnosticSpan> DiagnosticSpans(int32_t row) const;
    // The marks reaching into `row`, and the gravest severity among them.
    std::vector<const TDiagnosticMark*> DiagnosticsOn(int32_t row) const {
        return Diagnostics_.On(row);
    }
    std::optional<TDiagnosticSeverity> DiagnosticSeverityOn(int32_t row) const;
    // The marks covering `point`; a point mark covers its own point only.
    std::vector<const TDiagnosticMark*> DiagnosticsAt(TTextPoint point) const;

    // The text point whose cell holds a visible cell (not the column nearest
    // to it, as a click takes); it may lie past its line's end or below the
    // text. The character there, if the point holds one.
    TTextPoint PointUnder(TTextPoint cell) const;
    std::optional<TTextPoint> CharacterUnder(TTextPoint cell) const;
    // The word holding `point`: its run of identifier characters, or of
    // symbol characters (an operator); none at a blank or a bracket.
    std::optional<TColumnSpan> WordAt(TTextPoint point) const;
    // Control over the text shows the word under the mouse as a link; none
    // clears it, and so does an edit.
    void SetLinkAt(std::optional<TTextPoint> point);
    const std::optional<TWordLink>& Link() const { return Link_; }
    // A Control+click on a word fires OnCtrlClick with the point clicked and
    // moves nothing; false elsewhere, where it is a plain click.
    bool ControlClick(TTextPoint cell);

    // Completion. RequestCompletion (Control+Space) asks the window through
    // OnCompletionRequested; its answer, ShowCompletions, opens the list for
    // the word before the caret. Typing narrows the list and Backspace widens
    // it; it closes when the caret leaves the word, on CloseCompletions
    // (Escape), on a new text and when an item is accepted: the word's part
    // before the caret becomes the chosen label, one undo step of its own.
    // Read-only, nothing is asked or shown.
    void RequestCompletion();
    void ShowCompletions(std::vector<TCompletionItem> items);
    void CloseCompletions();
    const TCompletionList& Completions() const { return Completions_; }
    void MoveCompletion(int32_t delta);
    void ChooseCompletion(int32_t match);
    void AcceptCompletion();

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
    // A press and a release on one row of the text is a click on that line:
    // it fires OnGutterLineClicked (for a breakpoint) and leaves the caret
    // and the selection alone. Across rows the lines between are selected.
    // OnGutterClick fires in both cases.
    void GutterClick(TTextPoint downCell, TTextPoint upCell);
    // One wheel event: 120 per notch. Control zooms a point per notch, Shift
    // moves the caret; otherwise rowsPerNotch rows scroll.
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
    // The font's size, which the view applies when it changes.
    TFontZoom& Zoom() { return Zoom_; }
    const TFontZoom& Zoom() const { return Zoom_; }

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
    std::function<void(int32_t row)> OnGutterLineClicked;
    // After a paste from the clipboard that replaced characters the code page lacks.
    std::function<void(int32_t count)> OnPasteReplaced;
    std::function<void(TTextPoint point)> OnCtrlClick;
    std::function<void(TTextPoint caret)> OnCompletionRequested;
    // When the completion list opens, closes, narrows or its choice moves.
    std::function<void()> OnCompletionChanged;
    // When CanUndo or CanRedo changes.
    std::function<void(bool available)> OnUndoAvailableChanged;
    std::function<void(bool available)> OnRedoAvailableChanged;

    // The view's notices. OnScrolled comes first (the view moves its pixels
    // by whole cells), then OnLineCountChanged, OnRepaint with the text rows
    // to paint again, OnScrollBarsChanged when a scroll record changed, and
    // OnHighlightPending when idle work is waiting.
    std::function<void(int32_t cols, int32_t rows)> OnScrolled;
    std::function<void(int32_t count)> OnLineCountChanged;
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
    // Inserts `text` as one TBlockUndo (or as `action`, which holds what was
    // removed before), appending lines to reach the caret's row; the caret
    // goes to the end of the insertion.
    void InsertBlock(std::string text, TInsertPoint where);
    void InsertBlock(std::string text, TInsertPoint where, std::unique_ptr<TBlockUndo> action);
    void TypeTab();
    bool BlockSelected() const; // a selection across a line break, to indent
    void ShiftBlock(bool left);
    int32_t UnindentWidth(int32_t row) const;
    void JoinWithNext();                           // Delete at or past the end of the caret's line
    void SelectLines(int32_t first, int32_t last); // either order
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
    int32_t SmartTabCell() const; // -1: none
    int32_t UnindentColumn() const;

    // Caret, selection and view.
    TTextPoint ClampCaret(TTextPoint point) const;
    int32_t CaretCell() const { return CellOf(Caret_); }
    // The caret's place on `row` in the caret's cell, for moves up and down.
    TTextPoint SameCellOn(int32_t row) const;
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
    void TextEdited(); // drops the marks that told of the text before
    void RepaintRunMarks();
    void RepaintShade();
    void RepaintDiagnostics();
    // The edit replaced the text from `from` to `to` by one ending at `end`.
    void MoveDiagnostics(TTextPoint from, TTextPoint to, TTextPoint end);
    void DropDiagnostics(int32_t first, int32_t last);
    bool EditedPastModel() const { return CommandDepth_ == 0 && !Replacing_; }
    // The start of the word that ends at `point`.
    TTextPoint WordStartBefore(TTextPoint point) const;
    // The identifier characters from `start` to the caret on its row, or
    // none when the caret is not in that word.
    std::optional<std::string_view> TypedWordFrom(TTextPoint start) const;
    void FollowCaretWithCompletion();
    // The top row that brings rows `first` to `last` into view (TopRow() when
    // they are): by the fewest rows when they reach into it, else centred.
    int32_t TopRowShowing(int32_t first, int32_t last) const;
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
    TBreakpointList Breakpoints_;
    TRunMarks RunMarks_;
    std::optional<TShadedRange> Shaded_;
    TDiagnosticList Diagnostics_;
    std::optional<TWordLink> Link_;
    TCompletionList Completions_;
    TClipboard* Clipboard_ = nullptr;
    TMouseMode Mouse_ = TMouseMode::None;
    TTextPoint MouseAnchor_;
    bool DragMoved_ = false;
    int32_t WheelRemainder_ = 0;
    std::optional<TBracketPair> Brackets_;
    TFontZoom Zoom_;

    // What the next flush reports.
    int CommandDepth_ = 0;
    bool Replacing_ = false;      // the lines are being replaced, not edited
    bool ExternalEdit_ = false;   // the lines were edited past the model
    bool JoinNextRecord_ = false; // the next action continues the last one
    bool Changed_ = false;
    bool TextTouched_ = false;
    bool CompletionChanged_ = false;
    bool ScrollBarsChanged_ = false;
    int32_t ScrolledCols_ = 0;
    int32_t ScrolledRows_ = 0;
    int32_t RepaintFirst_ = -1;
    int32_t RepaintLast_ = -1;
    TTextPoint ReportedCaret_;
    int32_t ReportedLineCount_ = 0;
    bool ReportedCanUndo_ = false;
    bool ReportedCanRedo_ = false;
};

} // namespace zk::editor
