// The self-pipe: a handler may do almost nothing, but it may write a byte.
#include "platform/EndSignals.h"

#include <cerrno>
#include <csignal>
#include <initializer_list>

#include <fcntl.h>
#include <unistd.h>

namespace zk {

namespace {

int WriteEnd = -1;

void OnEndSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = write(WriteEnd, &byte, 1); // a full pipe has enough
    errno = saved;
}

} // namespace

int WatchEndSignals() {
    static const int readEnd = [] {
        int ends[2];
        if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
        WriteEnd = ends[1];
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGHUP, SIGINT})
            sigaction(signal, &action, nullptr);
        return ends[0];
    }();
    return readEnd;
}

int TakeEndSignal(int fd) {
    char byte = 0;
    return read(fd, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : 0;
}

} // namespace zk
