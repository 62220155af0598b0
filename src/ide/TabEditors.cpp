// One editor per open document; the table's current document picks the one
// in front.
#include "ide/TabEditors.h"

namespace zk::ide {

using editor::TDCSyntaxMemo;

TTabEditors::TTabEditors(QWidget* parent) : QStackedWidget(parent) {}

void TTabEditors::Attach(const TDocumentTable& table) {
    Table_ = &table;
    setCurrentWidget(&Memo());
}

int TTabEditors::CurrentSlot() const {
    return Table_ ? Table_->TabSlot(Table_->CurTab()) : 1;
}

TDCSyntaxMemo* TTabEditors::MemoOf(int slot) const {
    return slot >= 1 && slot <= kMaxDocuments ? Memos_[slot - 1] : nullptr;
}

TDCSyntaxMemo& TTabEditors::Memo() {
    const int slot = CurrentSlot();
    if (TDCSyntaxMemo* memo = MemoOf(slot)) return *memo;
    return CreateMemo(slot);
}

TDCSyntaxMemo& TTabEditors::CreateMemo(int slot) {
    auto* memo = new TDCSyntaxMemo(this);
    memo->SetPopupMenu(PopupMenu_);
    addWidget(memo);
    Memos_[slot - 1] = memo;
    // Only the editor in front can be edited, so its notices are the current
    // document's.
    connect(memo, &TDCSyntaxMemo::OnChange, this, [this] {
        if (Changed) Changed();
    });
    connect(memo, &TDCSyntaxMemo::OnColRowChanged, this, [this, memo](int col, int row) {
        if (memo == currentWidget() && CaretMoved) CaretMoved(col, row);
    });
    return *memo;
}

void TTabEditors::ReleaseClosed() {
    if (!Table_) return;
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        TDCSyntaxMemo*& memo = Memos_[slot - 1];
        if (!memo || !Table_->Slot(slot).IsFree) continue;
        removeWidget(memo);
        memo->deleteLater();
        memo = nullptr;
    }
}

// The memo ends every line with CR LF; the table joins lines with it.
std::string TTabEditors::Text() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    std::string text = memo ? memo->Text() : std::string();
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
}

void TTabEditors::SetText(std::string_view text) {
    TDCSyntaxMemo& memo = Memo();
    if (Text() != text) memo.SetText(text);
    QWidget* shown = currentWidget();
    const bool hadFocus = shown && shown->hasFocus();
    setCurrentWidget(&memo);
    if (hadFocus) memo.TakeFocus();
    ReleaseClosed();
    if (CaretMoved) CaretMoved(memo.Col(), memo.Row());
    if (Shown) Shown();
}

int32_t TTabEditors::Col() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    return memo ? memo->Col() : 0;
}

int32_t TTabEditors::Row() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    return memo ? memo->Row() : 0;
}

void TTabEditors::SetCaret(int32_t col, int32_t row) {
    Memo().SetCaret(col, row);
}

int32_t TTabEditors::LineCount() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    return memo ? memo->LineCount() : 1;
}

std::string TTabEditors::Line(int32_t row) const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    return memo ? memo->Line(row) : std::string();
}

} // namespace zk::ide
