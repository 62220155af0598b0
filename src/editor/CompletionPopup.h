// The completion list's popup: the matching items, each a label and its
// detail, under the word being completed, the chosen one current. It never
// takes the focus: the editor keeps the keys and tells the model, and the
// popup shows what the model's list holds. A click inserts the item.
#pragma once

#include <QTreeView>

#include <cstdint>

namespace zk::editor {

class TCompletionList;

class TCompletionPopup : public QTreeView {
    Q_OBJECT

public:
    explicit TCompletionPopup(QWidget* parent);

    // The list's matches with the chosen one current.
    void ShowList(const TCompletionList& list);
    // Below `anchor` (the word's cell, in the parent's coordinates), or
    // above it where the parent has no room below; inside `bounds`.
    void Place(QRect anchor, QRect bounds);

signals:
    void Clicked(int match);

private:
    class TRows;
    // The columns fit every item, so that narrowing keeps the popup's width.
    void FitColumns();

    TRows* Rows_;
};

} // namespace zk::editor
