// TDCSyntaxMemo, the source editor's widget: a thin view on QAbstractScrollArea
// over the editing model (TMemoModel). It turns keys, the mouse, the wheel,
// the input method and the scroll bars into calls on the model, and paints
// what the model holds: rows lexem by lexem in the highlighter's colours, the
// selection, bracket boxes, the 42-pixel gutter with its bookmarks, the caret.
// All texts crossing this interface are Windows-1251 bytes; rows and columns
// count from 0.
#pragma once

#include "editor/MemoModel.h"
#include "editor/MemoPainter.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>
#include <string_view>

namespace zk::editor {

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

    // The system clipboard, as plain text.
    void CopyToClipboard() { Model_.CopyToClipboard(); }
    void CutToClipboard() { Model_.CutToClipboard(); }
    void PasteFromClipboard() { Model_.PasteFromClipboard(); }
    bool HasSelection() const { return !Model_.Selection().Empty; }

    void Undo() { Model_.Undo(); }
    void Redo() { Model_.Redo(); }
    bool CanUndo() const { return Model_.CanUndo(); }
    bool CanRedo() const { return Model_.CanRedo(); }

    // Takes the keyboard focus.
    void TakeFocus() { setFocus(Qt::OtherFocusReason); }

    bool Modified() const { return Model_.Modified(); }
    void SetModified(bool modified) { Model_.SetModified(modified); }
    bool ReadOnly() const { return Model_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    bool InsertMode() const { return Model_.InsertMode(); }
    void SetInsertMode(bool insert) { Model_.SetInsertMode(insert); }

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

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
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
    void ApplyFont();
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
    bool InGutter(QPointF point) const { return point.x() < kGutterWidth; }
    TTextPoint CellAt(QPointF point) const { return Metrics().CellAt(point); }
    void AutoScroll();
    void NotifyAccessibility();

    class TQtClipboard;

    TMemoModel Model_;
    std::unique_ptr<TQtClipboard> Clipboard_;
    std::unique_ptr<TMemoPainter> Painter_;
    QPointer<QMenu> PopupMenu_;

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
