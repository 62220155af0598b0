// The find and replace dialog's controls; the search itself is TextSearch's.
#include "ide/FindDialog.h"

#include "ide/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace zk::ide {

QString SearchStatus(TSearchOutcome outcome, TSearchDirection direction) {
    switch (outcome) {
    case TSearchOutcome::Found: break;
    case TSearchOutcome::Wrapped:
        return direction == TSearchDirection::Forward ? "Поиск продолжен с начала"
                                                      : "Поиск продолжен с конца";
    case TSearchOutcome::NotFound: return "Не найдено";
    }
    return {};
}

TFindDlg::TFindDlg(QWidget* parent)
    : QDialog(parent), EdtText(new QLineEdit(this)), EdtReplace(new QLineEdit(this)),
      ChkMatchCase(new QCheckBox("С учётом регистра", this)),
      ChkWholeWords(new QCheckBox("Только слова целиком", this)),
      CmdFind(new QPushButton("Найти далее", this)), CmdReplace(new QPushButton("Заменить", this)),
      CmdReplaceAll(new QPushButton("Заменить все", this)),
      CmdClose(new QPushButton("Закрыть", this)), LblStatus(new QLabel(this)),
      LblReplace_(new QLabel("Заменить на:", this)) {
    setModal(false);
    auto* label = new QLabel("Образец:", this);
    label->setBuddy(EdtText);
    LblReplace_->setBuddy(EdtReplace);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {CmdFind, CmdReplace, CmdReplaceAll, CmdClose})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(EdtText, 0, 1);
    grid->addWidget(LblReplace_, 1, 0);
    grid->addWidget(EdtReplace, 1, 1);
    grid->addWidget(ChkMatchCase, 2, 0, 1, 2);
    grid->addWidget(ChkWholeWords, 3, 0, 1, 2);
    grid->addWidget(LblStatus, 4, 0, 1, 2);
    grid->addLayout(buttons, 0, 2, 5, 1);
    grid->setColumnStretch(1, 1);
    EdtText->setMinimumWidth(220);
    CmdFind->setDefault(true);

    connect(CmdFind, &QPushButton::clicked, this, [this] {
        if (Find)
            Find();
        else
            FindNext(TSearchDirection::Forward);
    });
    connect(CmdReplace, &QPushButton::clicked, this, &TFindDlg::ReplaceNext);
    connect(CmdReplaceAll, &QPushButton::clicked, this, &TFindDlg::ReplaceAll);
    connect(CmdClose, &QPushButton::clicked, this, &QDialog::hide);
    // The main window's F3 does not reach a dialog in front of it.
    connect(new QShortcut(Qt::Key_F3, this), &QShortcut::activated, this,
            [this] { FindNext(TSearchDirection::Forward); });
    connect(new QShortcut(Qt::SHIFT | Qt::Key_F3, this), &QShortcut::activated, this,
            [this] { FindNext(TSearchDirection::Backward); });
    SetReplacing(false);
}

void TFindDlg::SetReplacing(bool replacing) {
    setWindowTitle(replacing ? "Заменить" : "Найти");
    for (QWidget* part :
         std::initializer_list<QWidget*>{LblReplace_, EdtReplace, CmdReplace, CmdReplaceAll})
        part->setVisible(replacing);
    adjustSize();
}

void TFindDlg::ShowFind() {
    SetReplacing(false);
    ShowInFront();
}

void TFindDlg::ShowReplace() {
    SetReplacing(true);
    ShowInFront();
}

void TFindDlg::ShowInFront() {
    const TSearchEditor* editor = Editor ? Editor() : nullptr;
    const std::optional<TTextRange> selected = editor ? editor->Selection() : std::nullopt;
    if (selected && selected->From.Row == selected->To.Row) {
        const std::string line = editor->Line(selected->From.Row);
        const auto from = static_cast<std::size_t>(selected->From.Col);
        const auto length = static_cast<std::size_t>(selected->To.Col - selected->From.Col);
        if (from < line.size()) EdtText->setText(FromText1251(line.substr(from, length)));
    }
    LblStatus->clear();
    show();
    raise();
    activateWindow();
    EdtText->setFocus();
    EdtText->selectAll();
}

QString TFindDlg::SearchText() const {
    return EdtText->text();
}

bool TFindDlg::MatchCase() const {
    return ChkMatchCase->isChecked();
}

TSearchQuery TFindDlg::Query() const {
    return {ToText1251(EdtText->text()), ChkMatchCase->isChecked(), ChkWholeWords->isChecked()};
}

void TFindDlg::Tell(const QString& status) {
    LblStatus->setText(status);
    if (Status) Status(status);
}

TSearchEditor* TFindDlg::Target() const {
    if (EdtText->text().isEmpty() || !Editor) return nullptr;
    return Editor();
}

void TFindDlg::FindNext(TSearchDirection direction) {
    TSearchEditor* editor = Target();
    if (!editor) return;
    Tell(SearchStatus(zk::ide::FindNext(*editor, Query(), direction), direction));
}

void TFindDlg::ReplaceNext() {
    TSearchEditor* editor = Target();
    if (!editor) return;
    const TReplaceOutcome outcome =
        zk::ide::ReplaceNext(*editor, Query(), ToText1251(EdtReplace->text()));
    Tell(SearchStatus(outcome.Next, TSearchDirection::Forward));
}

void TFindDlg::ReplaceAll() {
    TSearchEditor* editor = Target();
    if (!editor) return;
    const int count = zk::ide::ReplaceAll(*editor, Query(), ToText1251(EdtReplace->text()));
    Tell(count == 0 ? SearchStatus(TSearchOutcome::NotFound, TSearchDirection::Forward)
                    : "Заменено: " + QString::number(count));
}

} // namespace zk::ide
