#include "cli/RunProgress.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>

namespace zk::cli {

namespace {

// The run that Ctrl+C stops. Stop is a lock-free atomic store, which an
// interrupt handler may make.
std::atomic<TInterpreter*> InterruptedRun{nullptr};
static_assert(std::atomic<TInterpreter*>::is_always_lock_free);

void StopOnInterrupt() {
    if (TInterpreter* run = InterruptedRun.load()) run->Stop();
}

std::string StatusText(const TInterpreter& run, long seconds) {
    return "Инструкций: " + std::to_string(run.ExecCount()) +
           "  Глубина: " + std::to_string(run.Depth()) + " (макс. " +
           std::to_string(run.MaxDepth()) + ")  Время (сек): " + std::to_string(seconds) +
           "  Выделено атомов: " + std::to_string(run.AllocCount()) +
           "  Память: " + std::to_string(run.CellsInUse()) + "/" + std::to_string(run.Capacity());
}

constexpr const char* kEraseLine = "\r\x1b[K";

} // namespace

TInterruptGuard::TInterruptGuard(TInterpreter& run) : Handler_(StopOnInterrupt) {
    InterruptedRun.store(&run);
}

TInterruptGuard::~TInterruptGuard() {
    InterruptedRun.store(nullptr);
}

std::chrono::steady_clock::duration RunWithProgress(TInterpreter& run, bool showStatus,
                                                    std::ostream& status,
                                                    std::function<void(TInterpreter&)> body) {
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    const auto start = std::chrono::steady_clock::now();
    {
        TInterruptGuard interrupts(run);
        run.Start(
            [&] {
                std::lock_guard lock(mutex);
                finished = true;
                ended.notify_one();
            },
            std::move(body));
        bool shown = false;
        long seconds = 0;
        std::unique_lock lock(mutex);
        while (!ended.wait_until(lock, start + std::chrono::seconds(seconds + 1),
                                 [&] { return finished; })) {
            ++seconds;
            if (!showStatus) continue;
            status << kEraseLine << StatusText(run, seconds) << std::flush;
            shown = true;
        }
        lock.unlock();
        run.Wait();
        if (shown) status << kEraseLine << std::flush;
    }
    return std::chrono::steady_clock::now() - start;
}

} // namespace zk::cli
