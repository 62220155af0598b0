// Analyses documents on a thread of its own, so that typing never waits: a
// request made while one is being analysed waits for it and is replaced by a
// later request; each answer comes back in the window's thread with the key
// it was asked with, which tells the window whether it is still current.
#pragma once

#include "analysis/Analysis.h"

#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace zk::ide {

struct TAnalysisKey {
    int Slot = 0;
    int64_t Generation = 0; // the document's edit count when it was asked
    friend bool operator==(const TAnalysisKey&, const TAnalysisKey&) = default;
};

class TAnalysisWorker final : public QObject {
public:
    explicit TAnalysisWorker(QObject* parent = nullptr);
    // Waits for the analysis under way.
    ~TAnalysisWorker() override;

    void Request(TAnalysisKey key, analysis::TAnalysisInput input);
    // Called in the window's thread with each finished analysis.
    std::function<void(TAnalysisKey key, std::shared_ptr<const analysis::TAnalysis> analysis)>
        Ready;
    // Nothing under way and nothing waiting.
    bool Idle() const { return !Busy_; }

private:
    struct TRequest {
        TAnalysisKey Key;
        analysis::TAnalysisInput Input;
    };
    struct TAnswer {
        TAnalysisKey Key;
        std::shared_ptr<const analysis::TAnalysis> Analysis;
    };
    void Start(TRequest request);
    void Analyse();
    void Finish();

    QThreadPool Pool_;
    bool Busy_ = false;
    std::optional<TRequest> Waiting_;
    // The request and the answer cross between the threads under this lock
    // alone, not inside the pool's task or the posted call: Qt hands those
    // over under locks of its own that a thread checker cannot see.
    std::mutex Handover_;
    std::optional<TRequest> Running_;
    std::optional<TAnswer> Answer_;
};

} // namespace zk::ide
