// One editor per open document; the table's current document picks the one
// in front.
#include "ide/TabEditors.h"

#include <QKeyEvent>

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
    memo->installEventFilter(this);
    if (Font_) memo->SetEditorFont(*Font_);
    memo->SetLineNumbers(LineNumbers_);
    memo->SetReadOnly(ReadOnly_);
    connect(memo, &TDCSyntaxMemo::OnGutterLineClicked, this, [this, slot](int row) {
        if (GutterLineClicked) GutterLineClicked(slot, row);
    });
    if (ZoomedSize_) memo->SetFontPointSize(*ZoomedSize_);
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
    // A zoom in the editor in front zooms them all; the others' own notices
    // of it are not the user's.
    connect(memo, &TDCSyntaxMemo::OnFontPointSizeChanged, this, [this, memo](int points) {
        if (memo != currentWidget()) return;
        SetZoomedSize(points);
        if (Zoomed) Zoomed(points);
    });
    for (const auto signal :
         {&TDCSyntaxMemo::OnUndoAvailableChanged, &TDCSyntaxMemo::OnRedoAvailableChanged})
        connect(memo, signal, this, [this, memo] {
            if (memo == currentWidget() && UndoStateChanged) UndoStateChanged();
        });
    connect(memo, &TDCSyntaxMemo::OnPasteReplaced, this, [this](int count) {
        if (PasteReplaced) PasteReplaced(count);
    });
    ForwardQueries(*memo);
    return *memo;
}

// The questions of code intelligence come from the editor in front.
void TTabEditors::ForwardQueries(TDCSyntaxMemo& memo) {
    connect(&memo, &TDCSyntaxMemo::OnHover, this,
            [this, memo = &memo](editor::TTextPoint point, QPoint globalPos) {
                if (memo == currentWidget() && Hovered) Hovered(point, globalPos);
            });
    connect(&memo, &TDCSyntaxMemo::OnCtrlClick, this,
            [this, memo = &memo](editor::TTextPoint point) {
                if (memo == currentWidget() && CtrlClicked) CtrlClicked(point);
            });
    connect(&memo, &TDCSyntaxMemo::OnCompletionRequested, this,
            [this, memo = &memo](editor::TTextPoint caret) {
                if (memo == currentWidget() && CompletionRequested) CompletionRequested(caret);
            });
}

// The font's size is the new base: a zoom of before does not outlive it.
void TTabEditors::SetLook(const QFont& font, bool lineNumbers) {
    Font_ = font;
    LineNumbers_ = lineNumbers;
    ZoomedSize_.reset();
    for (TDCSyntaxMemo* memo : Memos_) {
        if (!memo) continue;
        memo->SetEditorFont(font);
        memo->SetLineNumbers(lineNumbers);
    }
}

void TTabEditors::SetAllReadOnly(bool readOnly) {
    ReadOnly_ = readOnly;
    for (TDCSyntaxMemo* memo : Memos_)
        if (memo) memo->SetReadOnly(readOnly);
}

void TTabEditors::SetZoomedSize(int points) {
    ZoomedSize_ = points;
    for (TDCSyntaxMemo* memo : Memos_)
        if (memo && memo->FontPointSize() != points) memo->SetFontPointSize(points);
}

// A reserved key is kept from the editor's claim on it, so that the window's
// shortcut takes it.
bool TTabEditors::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (Reserved_.contains(QKeySequence(key->keyCombination()))) {
            event->ignore();
            return true;
        }
    }
    return QStackedWidget::eventFilter(watched, event);
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

bool TTabEditors::Modified() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    return memo && memo->Modified();
}

void TTabEditors::SetModified(bool modified) {
    Memo().SetModified(modified);
}

std::optional<TTextRange> TTabEditors::Selection() const {
    const TDCSyntaxMemo* memo = MemoOf(CurrentSlot());
    if (!memo) return std::nullopt;
    const editor::TDCTextArea& area = memo->Model().Selection();
    if (area.Empty || area.BlockType != editor::btStream) return std::nullopt;
    return TTextRange{{area.Start.Col, area.Start.Row}, {area.End.Col, area.End.Row}};
}

void TTabEditors::Select(const TTextRange& range) {
    Memo().SetSelection({range.From.Col, range.From.Row}, {range.To.Col, range.To.Row});
}

// The deletion and the paste make one edit of the editor's, which one undo
// takes back.
void TTabEditors::Replace(const TTextRange& range, std::string_view text) {
    editor::TMemoModel& model = Memo().Model();
    model.SetSelection({range.From.Col, range.From.Row}, {range.To.Col, range.To.Row});
    model.DeleteSelection();
    model.PasteText(text);
}

} // namespace zk::ide
