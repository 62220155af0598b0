// The editor's accessibility interface: an editable text whose text and caret
// screen readers can read (offsets count the CR LF after every line, as in
// the editor's Text).
#pragma once

#include <QAccessibleWidget>

namespace zk::editor {

class TDCSyntaxMemo;

class MemoAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit MemoAccessible(TDCSyntaxMemo* memo);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TDCSyntaxMemo& Memo() const;
};

// Makes Qt's accessibility use MemoAccessible for every editor; once is enough.
void InstallMemoAccessible();

} // namespace zk::editor
