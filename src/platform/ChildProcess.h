// Child processes that do a part of this program's work and report to it
// through a pipe, each isolated so that a crash or a hang ends that child
// alone. On POSIX a child is a fork of this process that runs a function; on
// Windows, which cannot fork, it is this program started again with some
// arguments, told what to do on its standard input, reporting on its
// standard output. A task describes the child both ways.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

using TSendToParent = std::function<void(std::string_view data)>;

struct TChildTask {
    // Forked: what the child runs; it ends with status 0, with 2 when the
    // body throws, with 1 when the parent no longer listens.
    std::function<void(const TSendToParent& send)> Body;
    // Started again: the program's arguments and its standard input.
    std::vector<std::string> Arguments;
    std::string Input;
};

// How a child ended: by a signal (POSIX), or with an exit status.
struct TChildEnd {
    int Signal = 0;
    int Status = 0;
};

class TChildProcess {
public:
    // Nothing, with `error` set to the system's reason, when it cannot start.
    static std::unique_ptr<TChildProcess> Start(const TChildTask& task, std::string& error);
    virtual ~TChildProcess() = default; // ends a child still running and waits for it

    // Appends what the child has sent to `data` without waiting; false once
    // its pipe has ended.
    virtual bool Read(std::string& data) = 0;
    virtual void Kill() = 0;
    // Waits for the child to end, after its pipe has ended or it was killed.
    virtual TChildEnd Wait() = 0;
};

// Waits until one of `children` has something to read (or its pipe ended),
// at most `timeout`.
void WaitForChildren(const std::vector<TChildProcess*>& children,
                     std::chrono::milliseconds timeout);

// In a child started again: sends `data` to the parent, ending this process
// when nobody listens any more.
void SendToParentFromProgram(std::string_view data);

} // namespace zk
