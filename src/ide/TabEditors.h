// The editors of the open documents: one TDCSyntaxMemo per document slot in a
// stack that shows the current one, behind the single editor the document
// table talks to. A tab change thus keeps each document's undo history,
// bookmarks and scroll place; the table still stores every text, so that the
// file commands and the builds read the documents from it as before.
#pragma once

#include "editor/SyntaxMemo.h"
#include "ide/DocumentTable.h"

#include <QStackedWidget>

#include <array>
#include <functional>

class QMenu;

namespace zk::ide {

class TTabEditors final : public QStackedWidget, public TDocumentEditor {
public:
    explicit TTabEditors(QWidget* parent = nullptr);

    // The table whose current document decides which editor answers. Set
    // once, right after the table has been constructed over this.
    void Attach(const TDocumentTable& table);
    // The editor context menu of every memo.
    void SetPopupMenu(QMenu* menu) { PopupMenu_ = menu; }

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

private:
    int CurrentSlot() const;
    editor::TDCSyntaxMemo& CreateMemo(int slot);
    // Drops the editors of documents that were closed, so that a document
    // later given the same slot starts afresh.
    void ReleaseClosed();

    const TDocumentTable* Table_ = nullptr;
    std::array<editor::TDCSyntaxMemo*, kMaxDocuments> Memos_{}; // slot n at index n - 1
    QMenu* PopupMenu_ = nullptr;
};

} // namespace zk::ide
