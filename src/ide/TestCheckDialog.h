// "Проверка тестами": the current document's program checked against a
// teacher's test file, on a thread of its own, with a progress bar, then a
// table of the tests that a student may see (test, result, points, expected,
// got) and, for the hidden ones, only how many passed. A failed test's
// parameters can be taken into a run or a debug run of the document.
#pragma once

#include "cli/TestRunner.h"

#include <QDialog>

#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace zk::ide {

class TTestCheckFrm final : public QDialog {
public:
    explicit TTestCheckFrm(QWidget* parent = nullptr);
    ~TTestCheckFrm() override;

    // A failed test chosen for a run (or, Debug, a debug run) with its parameters.
    struct TChosenTest {
        std::vector<std::string> Params;
        bool Debug = false;
    };

    // Checks the submission against the tests and shows the outcome; returns
    // when the dialog is closed, with the test chosen to be run, if any.
    std::optional<TChosenTest> Check(const cli::TTestFile& tests,
                                     const cli::TSubmission& submission,
                                     const cli::TCheckOptions& options,
                                     const QString& testFileName);

    // The outcomes of the last check, test by test.
    const std::vector<cli::TTestOutcome>& Outcomes() const { return Outcomes_; }

    QLabel* LblSummary;
    QProgressBar* PbrTests;
    QTableWidget* TblTests;
    QPushButton* CmdRun;
    QPushButton* CmdDebug;
    QPushButton* CmdClose;

protected:
    void reject() override;

private:
    void OnTest(std::size_t index, const cli::TTestOutcome& outcome);
    void OnFinished();
    void ShowSummary();
    // The test a row shows; -1 for none.
    int TestOfRow(int row) const;
    void TakeParams(bool debug);

    const cli::TTestFile* Tests_ = nullptr;
    std::vector<cli::TTestOutcome> Outcomes_;
    std::vector<int> RowTests_; // the test of each row: hidden tests have none
    std::optional<TChosenTest> Chosen_;
    std::jthread Worker_;
    bool Done_ = false;
};

} // namespace zk::ide
