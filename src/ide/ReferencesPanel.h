// The list of a function's calls (Shift+F12), docked below the editor: one row
// per call with its file, line and the line's text; choosing a row goes there.
#pragma once

#include <QDockWidget>
#include <QStringList>

#include <functional>

class QLabel;
class QListWidget;

namespace zk::ide {

class TReferencesPanel final : public QDockWidget {
public:
    explicit TReferencesPanel(QWidget* parent = nullptr);

    // Shows the rows under a heading such as "Вызовы F: 3", and itself.
    void ShowRows(const QString& heading, const QStringList& rows);

    // A row was chosen (activated, or clicked), by its index.
    std::function<void(int row)> RowChosen;

    QLabel* LblHeading;
    QListWidget* LstReferences;
};

} // namespace zk::ide
