#include "ide/ReferencesPanel.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace zk::ide {

TReferencesPanel::TReferencesPanel(QWidget* parent) : QDockWidget("Вызовы", parent) {
    setObjectName("PnlReferences");
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);
    LblHeading = new QLabel(body);
    LblHeading->setObjectName("LblReferences");
    LstReferences = new QListWidget(body);
    LstReferences->setObjectName("LstReferences");
    column->addWidget(LblHeading);
    column->addWidget(LstReferences, 1);
    setWidget(body);
    const auto choose = [this](QListWidgetItem* item) {
        if (RowChosen) RowChosen(LstReferences->row(item));
    };
    connect(LstReferences, &QListWidget::itemActivated, this, choose);
    connect(LstReferences, &QListWidget::itemClicked, this, choose);
}

void TReferencesPanel::ShowRows(const QString& heading, const QStringList& rows) {
    LblHeading->setText(heading);
    LstReferences->clear();
    LstReferences->addItems(rows);
    show();
    raise();
}

} // namespace zk::ide
