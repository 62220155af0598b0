// The editors of the open documents: one TDCSyntaxMemo per document slot in a
// stack that shows the current one, behind the single editor the document
// table talks to. A tab change thus keeps each document's undo history,
// bookmarks and scroll place; the table still stores every text, so that the
// file commands and the builds read the documents from it as before.
#pragma once

#include "editor/SyntaxMemo.h"
#include "ide/DocumentTable.h"
#include "ide/TextSearch.h"

#include <QFont>
#include <QKeySequence>
#include <QList>
#include <QStackedWidget>

#include <array>
#include <functional>
#include <optional>

class QMenu;

namespace zk::ide {

class TTabEditors final : public QStackedWidget, public TSearchEditor {
public:
    explicit TTabEditors(QWidget* parent = nullptr);

    // The table whose current document decides which editor answers. Set
    // once, right after the table has been constructed over this.
    void Attach(const TDocumentTable& table);
    // The editor context menu of every memo.
    void SetPopupMenu(QMenu* menu) { PopupMenu_ = menu; }
    // The font (with the size Control+0 returns to) and the line numbers of
    // every editor.
    void SetLook(const QFont& font, bool lineNumbers);
    // Every editor's font size, as zooming in one of them left it.
    void SetZoomedSize(int points);
    // Called after the user zoomed the current editor, with its new size.
    std::function<void(int points)> Zoomed;
    // Called after a click on a line's gutter in the editor of `slot`.
    std::function<void(int slot, int row)> GutterLineClicked;
    // Every editor refuses edits while a debug run shows its stops in them.
    void SetAllReadOnly(bool readOnly);

    // Called when the current editor's undo or redo became available or not.
    std::function<void()> UndoStateChanged;
    // The current editor's hover, Control+click and Control+Space; the
    // window answers through Memo().
    std::function<void(editor::TTextPoint point, QPoint globalPos)> Hovered;
    std::function<void(editor::TTextPoint point)> CtrlClicked;
    std::function<void(editor::TTextPoint caret)> CompletionRequested;
    // Called after a paste replaced characters the code page lacks.
    std::function<void(int count)> PasteReplaced;

    // Keys that belong to the window even where the editor has a meaning for
    // them (Control+PgDn switches tabs rather than going to the page's end).
    void ReserveKeys(QList<QKeySequence> keys) { Reserved_ = std::move(keys); }

    // Called after the user edited the current document.
    std::function<void()> Changed;
    // Called after the caret of the current document moved, and when another
    // document became current.
    std::function<void(int col, int row)> CaretMoved;
    // Called when the table has shown a document (a tab change, New, Open,
    // Close), once the shown editor is current.
    std::function<void()> Shown;

    // The editor of the current document.
    editor::TDCSyntaxMemo& Memo();
    // The editor of a slot's document; null while the slot has none.
    editor::TDCSyntaxMemo* MemoOf(int slot) const;

    // TDocumentEditor, on the current document's editor. Setting a text that
    // the editor already holds keeps its undo history: that is a tab change.
    std::string Text() const override;
    void SetText(std::string_view text) override;
    int32_t Col() const override;
    int32_t Row() const override;
    void SetCaret(int32_t col, int32_t row) override;
    int32_t LineCount() const override;
    std::string Line(int32_t row) const override;
    bool Modified() const override;
    void SetModified(bool modified) override;
    // TSearchEditor, on the current document's editor.
    std::optional<TTextRange> Selection() const override;
    void Select(const TTextRange& range) override;
    void Replace(const TTextRange& range, std::string_view text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int CurrentSlot() const;
    editor::TDCSyntaxMemo& CreateMemo(int slot);
    void ForwardQueries(editor::TDCSyntaxMemo& memo);
    // Drops the editors of documents that were closed, so that a document
    // later given the same slot starts afresh.
    void ReleaseClosed();

    const TDocumentTable* Table_ = nullptr;
    std::array<editor::TDCSyntaxMemo*, kMaxDocuments> Memos_{}; // slot n at index n - 1
    QMenu* PopupMenu_ = nullptr;
    QList<QKeySequence> Reserved_;
    std::optional<QFont> Font_; // nothing: each editor's own default
    bool LineNumbers_ = true;
    std::optional<int> ZoomedSize_;
    bool ReadOnly_ = false;
};

} // namespace zk::ide
