// The popup as a two-column tree without a header over a table of its own:
// the label in the editor's font (a keyword in bold, as the highlighter shows
// it), the detail subdued, or the kind of the item where it has no detail.
// The table keeps a copy of the items and of the matches it shows, so that
// what the view asks always agrees with the rows it was told of; narrowing
// resets the rows and costs what the visible ones cost to paint.
#include "editor/CompletionPopup.h"

#include "editor/Completion.h"
#include "editor/QtText1251.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace zk::editor {

namespace {

// Room left and right of a column's text.
constexpr int kColumnPadding = 12;

QString KindText(TCompletionKind kind) {
    switch (kind) {
    case TCompletionKind::Keyword: return QStringLiteral("ключевое слово");
    case TCompletionKind::Declaration: return QStringLiteral("объявление");
    case TCompletionKind::Function: return QStringLiteral("функция");
    case TCompletionKind::Operator: return QStringLiteral("оператор");
    case TCompletionKind::Argument: return QStringLiteral("аргумент");
    }
    return {};
}

QString DetailText(const TCompletionItem& item) {
    return item.Detail.empty() ? KindText(item.Kind) : FromText1251(item.Detail);
}

} // namespace

class TCompletionPopup::TRows final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // True when the items are new.
    bool Show(const TCompletionList& list) {
        const bool fresh = list.Serial() != Serial_;
        if (!fresh && list.Matches() == Matches_) return false;
        beginResetModel();
        if (fresh) Items_ = list.Items();
        Serial_ = list.Serial();
        Matches_ = list.Matches();
        endResetModel();
        return fresh;
    }
    const std::vector<TCompletionItem>& Items() const { return Items_; }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(Matches_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount({})) return {};
        const TCompletionItem& item =
            Items_[static_cast<std::size_t>(Matches_[static_cast<std::size_t>(index.row())])];
        const bool label = index.column() == 0;
        switch (role) {
        case Qt::DisplayRole: return label ? FromText1251(item.Label) : DetailText(item);
        case Qt::FontRole:
            if (label && item.Kind == TCompletionKind::Keyword) return Bold;
            return {};
        case Qt::ForegroundRole: return label ? QVariant() : QVariant(Subdued);
        default: return {};
        }
    }

    QFont Bold;
    QColor Subdued;

private:
    std::vector<TCompletionItem> Items_;
    std::vector<int32_t> Matches_;
    uint32_t Serial_ = 0;
};

TCompletionPopup::TCompletionPopup(QWidget* parent) : QTreeView(parent), Rows_(new TRows(this)) {
    setModel(Rows_);
    setFocusPolicy(Qt::NoFocus);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hide();
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit Clicked(index.row()); });
}

void TCompletionPopup::ShowList(const TCompletionList& list) {
    Rows_->Bold = font();
    Rows_->Bold.setBold(true);
    Rows_->Subdued = palette().color(QPalette::PlaceholderText);
    if (Rows_->Show(list)) FitColumns();
    const QModelIndex current = Rows_->index(list.Current(), 0);
    setCurrentIndex(current);
    scrollTo(current);
    show();
    raise();
}

void TCompletionPopup::FitColumns() {
    const QFontMetrics plain(font());
    const QFontMetrics bold(Rows_->Bold);
    int labelWidth = 0;
    int detailWidth = 0;
    for (const TCompletionItem& item : Rows_->Items()) {
        const QFontMetrics& metrics = item.Kind == TCompletionKind::Keyword ? bold : plain;
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(FromText1251(item.Label)));
        detailWidth = std::max(detailWidth, plain.horizontalAdvance(DetailText(item)));
    }
    setColumnWidth(0, labelWidth + kColumnPadding);
    setColumnWidth(1, detailWidth + kColumnPadding);
}

void TCompletionPopup::Place(QRect anchor, QRect bounds) {
    const int count = Rows_->rowCount({});
    const int rows = std::min(count, static_cast<int>(kCompletionRows));
    const int rowHeight = std::max(sizeHintForRow(0), fontMetrics().height() + 2);
    const int frame = 2 * frameWidth();
    const int scrollBar = count > rows ? verticalScrollBar()->sizeHint().width() : 0;
    const int width = std::min(columnWidth(0) + columnWidth(1) + frame + scrollBar, bounds.width());
    const int height = std::min(rows * rowHeight + frame, bounds.height());
    int y = anchor.bottom() + 1;
    if (y + height > bounds.bottom() && anchor.top() - height >= bounds.top())
        y = anchor.top() - height;
    const int x =
        std::clamp(anchor.left(), bounds.left(), std::max(bounds.left(), bounds.right() - width));
    setGeometry(x, y, width, height);
}

} // namespace zk::editor
