// A run as zk watches it: the worker executes the program while the calling
// thread waits, passes Ctrl+C on as Stop, and on a terminal keeps a status
// line with the counters once a second.
#pragma once

#include "interp/Interpreter.h"
#include "platform/Console.h"

#include <chrono>
#include <functional>
#include <iosfwd>

namespace zk::cli {

// Routes Ctrl+C to Stop of `run` while it exists: during the run and
// while its picture is drawn.
class TInterruptGuard {
public:
    explicit TInterruptGuard(TInterpreter& run);
    ~TInterruptGuard();
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

private:
    TInterruptHandler Handler_;
};

// Runs `run` to its end (by `body` when given, as TInterpreter::Start does);
// returns how long it took. The status line appears on `status` only when
// `showStatus` is set and the run lasts over a second, and is erased before
// the return.
std::chrono::steady_clock::duration RunWithProgress(TInterpreter& run, bool showStatus,
                                                    std::ostream& status,
                                                    std::function<void(TInterpreter&)> body = {});

} // namespace zk::cli
