// The accessibility interface over the editor's model.
#include "editor/MemoAccessible.h"

#include "editor/QtText1251.h"
#include "editor/SyntaxMemo.h"

namespace zk::editor {

namespace {

QAccessibleInterface* MemoFactory(const QString&, QObject* object) {
    if (auto* memo = qobject_cast<TDCSyntaxMemo*>(object)) return new MemoAccessible(memo);
    return nullptr;
}

} // namespace

void InstallMemoAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(&MemoFactory);
        return true;
    }();
    (void)installed;
}

MemoAccessible::MemoAccessible(TDCSyntaxMemo* memo)
    : QAccessibleWidget(memo, QAccessible::EditableText) {}

TDCSyntaxMemo& MemoAccessible::Memo() const {
    return *static_cast<TDCSyntaxMemo*>(widget());
}

void* MemoAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString MemoAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value) return FromText1251(Memo().Text());
    return QAccessibleWidget::text(type);
}

QAccessible::State MemoAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = !Memo().ReadOnly();
    state.readOnly = Memo().ReadOnly();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void MemoAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const TDCTextArea& area = Memo().Model().Selection();
    if (selectionIndex != 0 || area.Empty) return;
    *startOffset = static_cast<int>(Memo().Model().OffsetOf(area.Start));
    *endOffset = static_cast<int>(Memo().Model().OffsetOf(area.End));
}

int MemoAccessible::selectionCount() const {
    return Memo().HasSelection() ? 1 : 0;
}

void MemoAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void MemoAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) Memo().Model().ClearSelection();
}

void MemoAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0) return;
    TMemoModel& model = Memo().Model();
    model.SetSelection(model.PointAt(startOffset), model.PointAt(endOffset));
}

int MemoAccessible::cursorPosition() const {
    return static_cast<int>(Memo().Model().OffsetOf(Memo().Model().Caret()));
}

void MemoAccessible::setCursorPosition(int position) {
    Memo().Model().SetCaret(Memo().Model().PointAt(position));
}

QString MemoAccessible::text(int startOffset, int endOffset) const {
    const std::string all = Memo().Text();
    const auto size = static_cast<int64_t>(all.size());
    const int64_t from = std::clamp<int64_t>(startOffset, 0, size);
    const int64_t to = std::clamp<int64_t>(endOffset, from, size);
    return FromText1251(std::string_view(all).substr(static_cast<std::size_t>(from),
                                                     static_cast<std::size_t>(to - from)));
}

int MemoAccessible::characterCount() const {
    return static_cast<int>(Memo().Model().OffsetOf({0, Memo().LineCount()}));
}

QRect MemoAccessible::characterRect(int offset) const {
    const TMemoModel& model = Memo().Model();
    const TTextPoint point = model.PointAt(offset);
    const TMemoMetrics& metrics = Memo().Metrics();
    const QRectF cell(metrics.ColumnX(model.CellOf(point) - model.LeftCol()),
                      metrics.RowY(point.Row - model.TopRow()), metrics.CharWidth,
                      metrics.LineHeight);
    const QRect local = cell.toAlignedRect();
    return QRect(Memo().viewport()->mapToGlobal(local.topLeft()), local.size());
}

int MemoAccessible::offsetAtPoint(const QPoint& point) const {
    const TMemoModel& model = Memo().Model();
    const TTextPoint cell = Memo().Metrics().CellAt(Memo().viewport()->mapFromGlobal(point));
    if (cell.Col < 0 || cell.Row < 0) return -1;
    const int32_t row = model.TopRow() + cell.Row;
    return static_cast<int>(model.OffsetOf({model.ColumnAt(row, model.LeftCol() + cell.Col), row}));
}

void MemoAccessible::scrollToSubstring(int startIndex, int) {
    TMemoModel& model = Memo().Model();
    const TTextPoint point = model.PointAt(startIndex);
    if (point.Row < model.TopRow() || point.Row >= model.TopRow() + model.VisibleRows())
        model.Scroll(TScrollKind::Vertical, TScrollRequest::ThumbPosition, point.Row);
}

QString MemoAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = offset;
    *endOffset = offset;
    return {};
}

} // namespace zk::editor
