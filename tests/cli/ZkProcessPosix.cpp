// Child-process runner for the command-line tests on POSIX: fork and exec.
#include "cli/ZkProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace zk::test {

namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

[[noreturn]] void ExecChild(const std::vector<std::string>& args,
                            const std::filesystem::path& workDir, int in, int out, int err) {
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    std::string program = ZK_EXECUTABLE;
    argv.push_back(program.data());
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

// Feeds `input` and drains both output pipes at once, so that neither side blocks.
void Exchange(int in, int out, int err, const std::string& input, TProcessResult& result) {
    std::size_t written = 0;
    if (input.empty()) {
        close(in);
        in = -1;
    }
    while (out >= 0 || err >= 0) {
        pollfd fds[3] = {{in, POLLOUT, 0}, {out, POLLIN, 0}, {err, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        if (in >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = write(in, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n <= 0 || written == input.size()) {
                close(in);
                in = -1;
            }
        }
        char buffer[65536];
        for (int k = 1; k <= 2; ++k) {
            int& fd = k == 1 ? out : err;
            if (fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (k == 1 ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fd);
                fd = -1;
            }
        }
    }
    if (in >= 0) close(in);
}

// The child gets `input` on stdin; with interruptAfterMs >= 0 it is sent
// SIGINT after that many milliseconds. With `stdoutPath` its standard output
// goes to that file instead of the result.
TProcessResult RunChild(const std::vector<std::string>& args, const std::string& input,
                        const std::filesystem::path& workDir, int interruptAfterMs,
                        const char* stdoutPath = nullptr) {
    int in[2], out[2], err[2];
    Check(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0,
          "pipe failed");
    if (stdoutPath) {
        close(out[1]);
        out[1] = open(stdoutPath, O_WRONLY | O_CLOEXEC);
        Check(out[1] >= 0, "cannot open the standard output file");
    }
    const pid_t pid = fork();
    Check(pid >= 0, "fork failed");
    if (pid == 0) ExecChild(args, workDir, in[0], out[1], err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (interruptAfterMs >= 0) {
        usleep(static_cast<useconds_t>(interruptAfterMs) * 1000);
        kill(pid, SIGINT);
    }
    TProcessResult result;
    Exchange(in[1], out[0], err[0], input, result);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

TProcessResult RunZk(const std::vector<std::string>& args, const std::string& input,
                     const std::filesystem::path& workDir) {
    return RunChild(args, input, workDir, -1);
}

TProcessResult RunZkWithStdout(const std::vector<std::string>& args,
                               const std::filesystem::path& workDir,
                               const std::string& stdoutPath) {
    return RunChild(args, "", workDir, -1, stdoutPath.c_str());
}

int ShellStatus(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TProcessResult RunZkInterrupted(const std::vector<std::string>& args,
                                const std::filesystem::path& workDir, int delayMs) {
    return RunChild(args, "", workDir, delayMs);
}

} // namespace zk::test
