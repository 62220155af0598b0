// The find dialog's controls; the search itself is the main window's.
#include "ide/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zk::ide {

TFindDlg::TFindDlg(QWidget* parent)
    : QDialog(parent), EdtText(new QLineEdit(this)),
      ChkMatchCase(new QCheckBox("С учётом регистра", this)),
      CmdFind(new QPushButton("Найти далее", this)), CmdCancel(new QPushButton("Отмена", this)) {
    setWindowTitle("Найти");
    setModal(false);
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel("Образец:", this);
    label->setBuddy(EdtText);
    grid->addWidget(label, 0, 0);
    grid->addWidget(EdtText, 0, 1);
    grid->addWidget(CmdFind, 0, 2);
    grid->addWidget(ChkMatchCase, 1, 0, 1, 2);
    grid->addWidget(CmdCancel, 1, 2);
    CmdFind->setDefault(true);
    connect(CmdFind, &QPushButton::clicked, this, [this] {
        if (Find) Find();
    });
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::hide);
}

QString TFindDlg::SearchText() const {
    return EdtText->text();
}

bool TFindDlg::MatchCase() const {
    return ChkMatchCase->isChecked();
}

} // namespace zk::ide
