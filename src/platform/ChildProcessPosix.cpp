// Children on POSIX: fork, a pipe whose read end the parent polls, SIGKILL.
// The parent must be single-threaded when it forks.
#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zk {

namespace {

void WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        // The parent is gone: nobody is left to tell.
        if (n <= 0) _exit(1);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

[[noreturn]] void RunChild(int fd, pid_t parent, const TChildTask& task) {
    // A killed parent leaves no child behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    // Nothing a child might print may mix with the parent's output.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    try {
        task.Body([fd](std::string_view data) { WriteAll(fd, data); });
    } catch (...) {
        _exit(2);
    }
    _exit(0);
}

class TForkedChild : public TChildProcess {
public:
    TForkedChild(pid_t pid, int fd) : Pid_(pid), Fd_(fd) {}
    ~TForkedChild() override {
        if (Fd_ >= 0) close(Fd_);
        if (Pid_ > 0) {
            kill(Pid_, SIGKILL);
            Wait();
        }
    }

    int Fd() const { return Fd_; }

    bool Read(std::string& data) override {
        if (Fd_ < 0) return false;
        char buffer[65536];
        const ssize_t n = read(Fd_, buffer, sizeof buffer);
        if (n < 0) return errno == EINTR || errno == EAGAIN;
        if (n == 0) {
            close(Fd_);
            Fd_ = -1;
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    void Kill() override {
        if (Pid_ > 0) kill(Pid_, SIGKILL);
    }

    TChildEnd Wait() override {
        int status = 0;
        while (waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {}
        Pid_ = -1;
        if (WIFSIGNALED(status)) return {WTERMSIG(status), 0};
        return {0, WEXITSTATUS(status)};
    }

private:
    pid_t Pid_;
    int Fd_;
};

} // namespace

std::unique_ptr<TChildProcess> TChildProcess::Start(const TChildTask& task, std::string& error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return nullptr;
    }
    if (pid == 0) {
        close(fds[0]);
        RunChild(fds[1], parent, task);
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return std::make_unique<TForkedChild>(pid, fds[0]);
}

void WaitForChildren(const std::vector<TChildProcess*>& children,
                     std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds;
    for (TChildProcess* child : children)
        fds.push_back({static_cast<TForkedChild*>(child)->Fd(), POLLIN, 0});
    const int wait = static_cast<int>(std::clamp<int64_t>(timeout.count(), 0, 60000));
    // Interrupted, it has seen nothing; only a lack of memory is worth telling.
    if (poll(fds.data(), fds.size(), wait) < 0 && errno == ENOMEM) throw std::bad_alloc();
}

void SendToParentFromProgram(std::string_view data) {
    WriteAll(STDOUT_FILENO, data);
}

} // namespace zk
