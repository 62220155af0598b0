// The test check on Qt Widgets. The check runs on a thread of its own and
// reports each test through a queued call, so the window stays alive and
// "Прервать" ends the check at the test that runs.
#include "ide/TestCheckDialog.h"

#include "ide/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zk::ide {

namespace {

QString StatusText(cli::TTestStatus status) {
    switch (status) {
    case cli::TTestStatus::Pass: return "пройден";
    case cli::TTestStatus::Fail: return "не пройден";
    case cli::TTestStatus::Error: return "ошибка";
    }
    return {};
}

} // namespace

TTestCheckFrm::TTestCheckFrm(QWidget* parent)
    : QDialog(parent), LblSummary(new QLabel(this)), PbrTests(new QProgressBar(this)),
      TblTests(new QTableWidget(0, 5, this)),
      CmdRun(new QPushButton("Выполнить с его параметрами", this)),
      CmdDebug(new QPushButton("Отладить с его параметрами", this)),
      CmdClose(new QPushButton("Прервать", this)) {
    setWindowTitle("Проверка тестами");
    resize(720, 420);
    TblTests->setHorizontalHeaderLabels({"Тест", "Результат", "Баллы", "Ожидалось", "Получено"});
    TblTests->horizontalHeader()->setStretchLastSection(true);
    TblTests->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblTests->setSelectionBehavior(QAbstractItemView::SelectRows);
    TblTests->setSelectionMode(QAbstractItemView::SingleSelection);
    LblSummary->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdRun);
    buttons->addWidget(CmdDebug);
    buttons->addStretch();
    buttons->addWidget(CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblSummary);
    layout->addWidget(PbrTests);
    layout->addWidget(TblTests, 1);
    layout->addLayout(buttons);

    const auto choose = [this] {
        const int test = TestOfRow(TblTests->currentRow());
        const bool failed =
            test >= 0 && static_cast<std::size_t>(test) < Outcomes_.size() &&
            Outcomes_[static_cast<std::size_t>(test)].Status != cli::TTestStatus::Pass;
        CmdRun->setEnabled(Done_ && failed);
        CmdDebug->setEnabled(Done_ && failed);
    };
    connect(TblTests, &QTableWidget::itemSelectionChanged, this, choose);
    connect(TblTests, &QTableWidget::cellDoubleClicked, this, [this](int, int) {
        if (CmdRun->isEnabled()) TakeParams(false);
    });
    connect(CmdRun, &QPushButton::clicked, this, [this] { TakeParams(false); });
    connect(CmdDebug, &QPushButton::clicked, this, [this] { TakeParams(true); });
    connect(CmdClose, &QPushButton::clicked, this, [this] { reject(); });
}

TTestCheckFrm::~TTestCheckFrm() {
    Worker_.request_stop();
}

std::optional<TTestCheckFrm::TChosenTest> TTestCheckFrm::Check(const cli::TTestFile& tests,
                                                               const cli::TSubmission& submission,
                                                               const cli::TCheckOptions& options,
                                                               const QString& testFileName) {
    Tests_ = &tests;
    Chosen_.reset();
    Outcomes_.assign(tests.Tests.size(), {});
    RowTests_.clear();
    Done_ = false;
    TblTests->setRowCount(0);
    for (std::size_t test = 0; test < tests.Tests.size(); ++test) {
        if (tests.Tests[test].Settings.Hidden) continue; // a student sees only their count
        const int row = TblTests->rowCount();
        TblTests->insertRow(row);
        TblTests->setItem(row, 0, new QTableWidgetItem(FromText1251(tests.Tests[test].Name)));
        TblTests->setItem(row, 3,
                          new QTableWidgetItem(FromText1251(cli::ExpectedText(tests.Tests[test]))));
        RowTests_.push_back(static_cast<int>(test));
    }
    PbrTests->setRange(0, static_cast<int>(tests.Tests.size()));
    PbrTests->setValue(0);
    CmdRun->setEnabled(false);
    CmdDebug->setEnabled(false);
    CmdClose->setText("Прервать");
    LblSummary->setText("Тесты: " + testFileName);
    Worker_ = std::jthread([this, &tests, submission, options](std::stop_token stop) {
        cli::RunSubmissionTests(
            tests, submission, options,
            [this](std::size_t index, const cli::TTestOutcome& outcome) {
                QMetaObject::invokeMethod(
                    this, [this, index, outcome] { OnTest(index, outcome); }, Qt::QueuedConnection);
            },
            stop);
        QMetaObject::invokeMethod(
            this, [this] { OnFinished(); }, Qt::QueuedConnection);
    });
    exec();
    Worker_.request_stop();
    if (Worker_.joinable()) Worker_.join();
    Tests_ = nullptr;
    return Chosen_;
}

int TTestCheckFrm::TestOfRow(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < RowTests_.size()
               ? RowTests_[static_cast<std::size_t>(row)]
               : -1;
}

void TTestCheckFrm::OnTest(std::size_t index, const cli::TTestOutcome& outcome) {
    if (!Tests_ || index >= Outcomes_.size()) return;
    Outcomes_[index] = outcome;
    PbrTests->setValue(static_cast<int>(index) + 1);
    const auto row = std::find(RowTests_.begin(), RowTests_.end(), static_cast<int>(index));
    if (row == RowTests_.end()) return;
    const int at = static_cast<int>(row - RowTests_.begin());
    const int32_t points = Tests_->Tests[index].Settings.Points;
    TblTests->setItem(at, 1, new QTableWidgetItem(StatusText(outcome.Status)));
    TblTests->setItem(
        at, 2,
        new QTableWidgetItem(QString("%1 из %2")
                                 .arg(outcome.Status == cli::TTestStatus::Pass ? points : 0)
                                 .arg(points)));
    TblTests->setItem(at, 4, new QTableWidgetItem(FromText1251(outcome.Got)));
}

void TTestCheckFrm::OnFinished() {
    if (!Tests_) return;
    Done_ = true;
    CmdClose->setText("Закрыть");
    ShowSummary();
}

void TTestCheckFrm::ShowSummary() {
    int passed = 0;
    int hidden = 0;
    int hiddenPassed = 0;
    for (std::size_t test = 0; test < Outcomes_.size(); ++test) {
        const bool pass = Outcomes_[test].Status == cli::TTestStatus::Pass;
        passed += pass;
        if (!Tests_->Tests[test].Settings.Hidden) continue;
        ++hidden;
        hiddenPassed += pass;
    }
    QString text = QString("Пройдено тестов: %1 из %2, баллы: %3 из %4")
                       .arg(passed)
                       .arg(Outcomes_.size())
                       .arg(cli::Score(*Tests_, Outcomes_))
                       .arg(cli::MaxScore(*Tests_));
    if (hidden > 0)
        text += QString("; скрытых тестов: %1, пройдено %2").arg(hidden).arg(hiddenPassed);
    LblSummary->setText(text);
}

void TTestCheckFrm::TakeParams(bool debug) {
    const int test = TestOfRow(TblTests->currentRow());
    if (test < 0 || !Tests_) return;
    Chosen_ = TChosenTest{Tests_->Tests[static_cast<std::size_t>(test)].Params, debug};
    accept();
}

// Closing while the check runs stops it at the test that runs.
void TTestCheckFrm::reject() {
    Worker_.request_stop();
    QDialog::reject();
}

} // namespace zk::ide
