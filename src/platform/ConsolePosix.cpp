// The console on POSIX: the arguments are the system's bytes already, and
// Control+C is SIGINT.
#include "platform/Console.h"

#include <algorithm>
#include <atomic>
#include <csignal>

#include <unistd.h>

namespace zk {

namespace {

std::atomic<void (*)()> InterruptHandler{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    if (void (*handler)() = InterruptHandler.load()) handler();
}

} // namespace

struct TInterruptHandler::TSaved {
    struct sigaction Action {};
    void (*Handler)() = nullptr;
};

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void PrepareConsole() {}

bool IsTerminal(TStandardStream stream) {
    switch (stream) {
    case TStandardStream::Input: return isatty(STDIN_FILENO) != 0;
    case TStandardStream::Output: return isatty(STDOUT_FILENO) != 0;
    case TStandardStream::Error: return isatty(STDERR_FILENO) != 0;
    }
    return false;
}

TInterruptHandler::TInterruptHandler(void (*handler)()) : Saved_(std::make_unique<TSaved>()) {
    Saved_->Handler = InterruptHandler.exchange(handler);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &Saved_->Action);
}

TInterruptHandler::~TInterruptHandler() {
    sigaction(SIGINT, &Saved_->Action, nullptr);
    InterruptHandler.store(Saved_->Handler);
}

} // namespace zk
