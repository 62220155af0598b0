// One analysis at a time on the pool's single thread; its answer is posted
// back to this object, so it arrives in the window's thread.
#include "ide/AnalysisWorker.h"

#include "ide/CodeIntel.h"

#include <QMetaObject>

#include <utility>

namespace zk::ide {

TAnalysisWorker::TAnalysisWorker(QObject* parent) : QObject(parent) {
    Pool_.setMaxThreadCount(1);
}

TAnalysisWorker::~TAnalysisWorker() {
    Pool_.waitForDone();
    const std::lock_guard lock(Handover_);
    Running_.reset();
    Answer_.reset(); // an answer whose call never came
}

void TAnalysisWorker::Request(TAnalysisKey key, analysis::TAnalysisInput input) {
    TRequest request{key, std::move(input)};
    if (Busy_)
        Waiting_ = std::move(request);
    else
        Start(std::move(request));
}

void TAnalysisWorker::Start(TRequest request) {
    Busy_ = true;
    {
        const std::lock_guard lock(Handover_);
        Running_ = std::move(request);
    }
    Pool_.start([this] { Analyse(); });
}

// On the pool's thread, which Start gave the request to.
void TAnalysisWorker::Analyse() {
    std::optional<TRequest> request;
    {
        const std::lock_guard lock(Handover_);
        request.swap(Running_);
    }
    auto analysis = std::make_shared<const analysis::TAnalysis>(AnalyseDocument(request->Input));
    {
        const std::lock_guard lock(Handover_);
        Answer_ = TAnswer{request->Key, std::move(analysis)};
    }
    QMetaObject::invokeMethod(
        this, [this] { Finish(); }, Qt::QueuedConnection);
}

void TAnalysisWorker::Finish() {
    std::optional<TAnswer> answer;
    {
        const std::lock_guard lock(Handover_);
        answer.swap(Answer_);
    }
    if (!answer) return;
    Busy_ = false;
    if (Waiting_) {
        TRequest next = std::move(*Waiting_);
        Waiting_.reset();
        Start(std::move(next));
    }
    if (Ready) Ready(answer->Key, std::move(answer->Analysis));
}

} // namespace zk::ide
