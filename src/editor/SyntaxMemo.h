// TDCSyntaxMemo, the source editor's widget: a thin view on QAbstractScrollArea
// over the editing model (TMemoModel). It turns keys, the mouse, the wheel,
// the input method and the scroll bars into calls on the model, and paints
// what the model holds: rows lexem by lexem in the highlighter's colours, the
// selection, bracket boxes, the shaded form of a stopped run, the window's
// diagnostics, the gutter with the debugger's glyphs, the bookmarks and the
// line numbers, the caret, and the completion popup. It asks the window for
// hovers, definitions and completions by signals and shows its answers; it
// never analyses the text, so typing waits for nothing. The texts of the
// document (lines, completion labels and details) crossing this interface
// are Windows-1251 bytes; messages and tooltips, which the window composes
// for the screen, are Qt's strings. Rows and columns count from 0.
#pragma once

#include "editor/CompletionPopup.h"
#include "editor/MemoModel.h"
#include "editor/MemoPainter.h"

#include <QAbstractScrollArea>
#include <QHelpEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zk::editor {

// An error or a warning as the window gives it: its range (From == To for a
// point, such as a line's end) and the message its tooltip shows.
struct TEditorDiagnostic {
    TTextPoint From;
    TTextPoint To;
    QString Message;
    TDiagnosticSeverity Severity = TDiagnosticSeverity::Error;
};

class TDCSyntaxMemo : public QAbstractScrollArea {
    Q_OBJECT

public:
    // An editor with the ZK highlighter, or with the one given.
    explicit TDCSyntaxMemo(QWidget* parent = nullptr);
    TDCSyntaxMemo(std::unique_ptr<TDCCustomSyntaxData> syntax, QWidget* parent = nullptr);
    ~TDCSyntaxMemo() override;

    // --- What the main window uses --------------------------------------

    // The whole text: every line followed by CR LF. Setting it replaces all
    // lines, clears the undo list, the selection and the bookmarks, puts the
    // caret at the start, makes the text unmodified and fires no OnChange.
    std::string Text() const { return Model_.Text(); }
    void SetText(std::string_view text) { Model_.SetText(text); }
    void Clear() { Model_.Clear(); }
    // Loading is setting the text (the file's lines split at CR LF, LF or
    // CR); saving writes every line ended by CR LF into a new file that then
    // replaces the old one in one step. The path is Qt's, as a file dialog
    // gives it. Failures throw zk::TFileError naming the file and the reason.
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;

    int32_t LineCount() const { return Model_.Lines().Count(); }
    // Line `row`, or the empty text for a row outside the text.
    std::string Line(int32_t row) const;

    // The caret. Negative values become 0; the caret may stand beyond the
    // end of its line and below the last line. Setting it clears the
    // selection and scrolls the caret into view.
    int32_t Col() const { return Model_.Col(); }
    int32_t Row() const { return Model_.Row(); }
    void SetCol(int32_t col) { Model_.SetCol(col); }
    void SetRow(int32_t row) { Model_.SetRow(row); }
    void SetCaret(int32_t col, int32_t row) { Model_.SetCaret({col, row}); }
    // Selects from `anchor` to `caret` (the caret ends at `caret`).
    void SetSelection(TTextPoint anchor, TTextPoint caret) { Model_.SetSelection(anchor, caret); }

    // The whole character columns and rows the window shows.
    int32_t VisibleCols() const { return Model_.VisibleCols(); }
    int32_t VisibleRows() const { return Model_.VisibleRows(); }

    // The system clipboard, as plain text. A pasted character the code page
    // lacks becomes its ASCII form or '?', and OnPasteReplaced tells how many.
    void CopyToClipboard() { Model_.CopyToClipboard(); }
    void CutToClipboard() { Model_.CutToClipboard(); }
    void PasteFromClipboard() { Model_.PasteFromClipboard(); }
    bool HasSelection() const { return !Model_.Selection().Empty; }
    void SelectAll() { Model_.SelectAll(); }

    // OnUndoAvailableChanged and OnRedoAvailableChanged follow CanUndo and
    // CanRedo, for the menu items and buttons.
    void Undo() { Model_.Undo(); }
    void Redo() { Model_.Redo(); }
    bool CanUndo() const { return Model_.CanUndo(); }
    bool CanRedo() const { return Model_.CanRedo(); }

    // Line numbers in the gutter, on by default; the gutter widens when the
    // line count gains a digit.
    bool LineNumbers() const { return LineNumbers_; }
    void SetLineNumbers(bool shown);

    // The font, and the size that Control+0 returns to. Zooming (also
    // Control+Plus, Control+Minus, Control+wheel) steps the size by a point
    // within kMinFontPoints to kMaxFontPoints; OnFontPointSizeChanged tells
    // each new size, which the window may keep and give other editors.
    void SetEditorFont(const QFont& font);
    void ZoomIn() { Model_.Zoom().Step(1); }
    void ZoomOut() { Model_.Zoom().Step(-1); }
    void ResetZoom() { Model_.Zoom().Reset(); }
    int FontPointSize() const { return Model_.Zoom().Points(); }
    void SetFontPointSize(int points) { Model_.Zoom().SetPoints(points); }

    // Takes the keyboard focus.
    void TakeFocus() { setFocus(Qt::OtherFocusReason); }

    bool Modified() const { return Model_.Modified(); }
    void SetModified(bool modified) { Model_.SetModified(modified); }
    bool ReadOnly() const { return Model_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    bool InsertMode() const { return Model_.InsertMode(); }
    void SetInsertMode(bool insert) { Model_.SetInsertMode(insert); }

    // Read-only refuses every edit by the user (typing, the input method,
    // paste, cut, Delete, Backspace, Enter, indenting, undo and redo,
    // dragging the selection); the caret, the selection, copying and the
    // gutter still work, and the program may still set the text.

    // Breakpoints, one per line, which move with the edits (see TMemoModel).
    // A click on a line's gutter fires OnGutterLineClicked with its row; the
    // window decides what to set there.
    const std::vector<TBreakpoint>& Breakpoints() const { return Model_.Breakpoints(); }
    void SetBreakpoint(int32_t row, TBreakpointState state = TBreakpointState::Set) {
        Model_.SetBreakpoint(row, state);
    }
    void ClearBreakpoint(int32_t row) { Model_.ClearBreakpoint(row); }
    void ToggleBreakpoint(int32_t row) { Model_.ToggleBreakpoint(row); }
    void ClearBreakpoints() { Model_.ClearBreakpoints(); }
    // The marks of a stopped run: the arrow (or the stop glyph at a
    // breakpoint) at the current form's row, -1 for none, and ellipses at the
    // rows of the calls waiting on the stack. Any edit clears them.
    void SetRunMarks(int32_t arrowRow, bool stopAtBreakpoint,
                     std::vector<int32_t> ellipseRows = {}) {
        Model_.SetRunMarks(arrowRow, stopAtBreakpoint, std::move(ellipseRows));
    }
    void ClearRunMarks() { Model_.ClearRunMarks(); }
    // The current form (or, with TShade::Failed, the form that failed) shaded
    // under its text, `to` not included; any edit clears it.
    void SetShadedRange(TTextPoint from, TTextPoint to, TShade shade = TShade::Current) {
        Model_.SetShadedRange(from, to, shade);
    }
    void ClearShadedRange() { Model_.ClearShadedRange(); }
    // Scrolls only when the range is out of view (see TMemoModel).
    void EnsureRangeVisible(TTextPoint from, TTextPoint to) { Model_.EnsureRangeVisible(from, to); }
    // The tooltip over a line's gutter; OnGutterToolTip(row) comes first, and
    // a handler may set the text for that row. An empty text shows none.
    QString GutterToolTip() const { return GutterToolTip_; }
    void SetGutterToolTip(const QString& text) { GutterToolTip_ = text; }

    // What the window's analysis found: a wavy underline under each range
    // (red for an error, olive for a warning; a point gets a short one after
    // its character), a mark at the right of its line's gutter, and its
    // message, plain text, as the tooltip over either. Each call replaces
    // all the diagnostics. They move with the edits before them and an edit
    // that touches one drops it, until the window sets them anew (see
    // TMemoModel); setting the text clears them.
    void SetDiagnostic(TTextPoint from, TTextPoint to, const QString& message,
                       TDiagnosticSeverity severity = TDiagnosticSeverity::Error);
    void SetDiagnostics(const std::vector<TEditorDiagnostic>& diagnostics);
    void ClearDiagnostic();

    // The answer to OnHover, shown as a tooltip at `globalPos`, which must be
    // the point OnHover gave: an answer that comes after the mouse moved on,
    // a key or a click is dropped. Plain or simple rich text; empty shows none.
    void ShowHoverText(const QString& text, QPoint globalPos);

    // The answer to OnCompletionRequested: the popup lists the items at the
    // word before the caret (see TMemoModel); no items show nothing, and
    // nothing shows once the editor has lost the focus. Up, Down, Page Up
    // and Page Down choose, Enter, Tab or a click inserts, Escape closes.
    void ShowCompletions(std::vector<TCompletionItem> items);
    void CloseCompletions() { Model_.CloseCompletions(); }
    bool CompletionsShown() const { return Popup_->isVisible(); }

    // The context menu shown on a right click; the editor does not own it.
    QMenu* PopupMenu() const { return PopupMenu_; }
    void SetPopupMenu(QMenu* menu) { PopupMenu_ = menu; }

    // Everything else: options, bookmarks, the undo list, the highlighter.
    TMemoModel& Model() { return Model_; }
    const TMemoModel& Model() const { return Model_; }

    // --- Geometry, for the accessibility interface and tests ------------

    const TMemoMetrics& Metrics() const { return Painter_->Metrics(); }
    // The viewport rectangle of the caret (with any preedit text).
    QRect CaretRect() const;

    // The input method's questions: the caret's rectangle, the caret's line
    // as the surrounding text, the selection.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // After each edit made in the editor; never when the text is set or loaded.
    void OnChange();
    void OnColRowChanged(int col, int row);
    void OnSetInsertMode(bool insert);
    void OnModifiedChanged(bool modified);
    // A click in the gutter: the text points (x column, y row) of the press
    // and the release.
    void OnGutterClick(QPoint down, QPoint up);
    // A press and release on one line's gutter: the row of the line.
    void OnGutterLineClicked(int row);
    // The gutter's tooltip is about to show over the line at `row`.
    void OnGutterToolTip(int row);
    void OnFontPointSizeChanged(int points);
    // A paste replaced `count` characters the code page lacks.
    void OnPasteReplaced(int count);
    void OnUndoAvailableChanged(bool available);
    void OnRedoAvailableChanged(bool available);
    // The mouse rests over the character at `point` (not over a diagnostic,
    // whose message shows instead); the window may answer with ShowHoverText.
    void OnHover(zk::editor::TTextPoint point, QPoint globalPos);
    // Control+click on a word, to go to its definition.
    void OnCtrlClick(zk::editor::TTextPoint point);
    // Control+Space; the window may answer with ShowCompletions.
    void OnCompletionRequested(zk::editor::TTextPoint caret);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ConnectModel();
    void ConnectScrollBars();
    void ShowZoomedFont();
    void ApplyFont();
    void FitGutter();
    void UpdateVisibleSize();

    // The model's notices.
    void Scrolled(int32_t cols, int32_t rows);
    void RepaintRows(TRowSpan rows);
    void SyncScrollBars();
    void CaretMoved();
    void ScheduleHighlight();
    void HighlightSlice();

    bool TakesKey(const QKeyEvent& event) const;
    void DeleteAroundCaret(int start, int length);
    void RestartBlink();
    void Blink();
    void UpdateCaret();
    bool InGutter(QPointF point) const { return point.x() < Metrics().GutterWidth; }
    QRect TextArea() const;
    TTextPoint CellAt(QPointF point) const { return Metrics().CellAt(point); }
    void AutoScroll();
    void ShowGutterToolTip(const QHelpEvent& event);
    void ShowTextToolTip(const QHelpEvent& event);
    QString DiagnosticMessages(const std::vector<const TDiagnosticMark*>& marks) const;
    void ForgetHover() { HoverPos_.reset(); }
    // Control over a word shows it as a link.
    void FollowLink(QPointF point, Qt::KeyboardModifiers modifiers);
    void ShowCompletionPopup();
    void PlaceCompletionPopup();
    void NotifyAccessibility();

    class TQtClipboard;

    TMemoModel Model_;
    std::unique_ptr<TQtClipboard> Clipboard_;
    std::unique_ptr<TMemoPainter> Painter_;
    QPointer<QMenu> PopupMenu_;
    QFont BaseFont_; // as SetEditorFont gave it; the zoom sets its size
    bool LineNumbers_ = true;
    QString GutterToolTip_;
    std::vector<QString> DiagnosticMessages_; // by the marks' Id
    TCompletionPopup* Popup_ = nullptr;       // a child
    std::optional<QPoint> HoverPos_;          // of the hover awaiting its answer
    QRect HoverRect_;                         // its word, where its tooltip stays
    QPointF MouseAt_{-1, -1};                 // over the viewport, while it is

    TCaretLook Caret_;
    TTextPoint PaintedCaret_; // where the caret was last drawn
    QTimer BlinkTimer_;
    QTimer HighlightTimer_;  // idle slices of the re-highlight cascade
    QTimer AutoScrollTimer_; // while a mouse selection leaves the text area

    enum class TPress : uint8_t { None, Text, Gutter };
    TPress Press_ = TPress::None;
    TTextPoint GutterDown_;
    QPointF LastMouse_;
};

} // namespace zk::editor
