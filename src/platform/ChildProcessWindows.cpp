// Children on Windows: this program's executable started again with
// CreateProcessW, its task on a pipe to its standard input and its reports on
// a pipe from its standard output. Every child belongs to a job object that
// ends it when this process ends, however it ends. Anonymous pipes cannot be
// waited on, so the waiting looks at them every few milliseconds.
#include "platform/ChildProcess.h"

#include "platform/WideText.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include <io.h>
#include <windows.h>

namespace zk {

namespace {

constexpr DWORD kPipeBuffer = 1 << 20;
constexpr auto kLookEvery = std::chrono::milliseconds(5);

std::string SystemMessage(DWORD error) {
    return "system error " + std::to_string(error);
}

HANDLE ChildrenJob() {
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made != nullptr)
            SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        return made;
    }();
    return job;
}

std::wstring OwnExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

class TStartedChild : public TChildProcess {
public:
    TStartedChild(HANDLE process, HANDLE output) : Process_(process), Output_(output) {}
    ~TStartedChild() override {
        if (Output_ != nullptr) CloseHandle(Output_);
        if (Process_ != nullptr) {
            TerminateProcess(Process_, 1);
            Wait();
        }
    }

    // True when Read has something to do: bytes waiting or the pipe's end.
    bool Ready() const {
        if (Output_ == nullptr) return false;
        DWORD waiting = 0;
        return !PeekNamedPipe(Output_, nullptr, 0, nullptr, &waiting, nullptr) || waiting > 0;
    }

    bool Read(std::string& data) override {
        if (Output_ == nullptr) return false;
        DWORD waiting = 0;
        if (PeekNamedPipe(Output_, nullptr, 0, nullptr, &waiting, nullptr)) {
            if (waiting == 0) return true;
            std::string buffer(waiting, '\0');
            DWORD got = 0;
            if (ReadFile(Output_, buffer.data(), waiting, &got, nullptr)) {
                data.append(buffer.data(), got);
                return true;
            }
        }
        CloseHandle(Output_);
        Output_ = nullptr;
        return false;
    }

    void Kill() override {
        if (Process_ != nullptr) TerminateProcess(Process_, 1);
    }

    TChildEnd Wait() override {
        WaitForSingleObject(Process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(Process_, &code);
        CloseHandle(Process_);
        Process_ = nullptr;
        return {0, static_cast<int>(code)};
    }

private:
    HANDLE Process_;
    HANDLE Output_;
};

bool MakePipe(HANDLE& read, HANDLE& write, bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&read, &write, &inherit, kPipeBuffer)) return false;
    // Only the child's end is inherited.
    SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

} // namespace

std::unique_ptr<TChildProcess> TChildProcess::Start(const TChildTask& task, std::string& error) {
    HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
    if (!MakePipe(inputRead, inputWrite, true) || !MakePipe(outputRead, outputWrite, false)) {
        error = SystemMessage(GetLastError());
        for (HANDLE handle : {inputRead, inputWrite, outputRead})
            if (handle != nullptr) CloseHandle(handle);
        return nullptr;
    }
    std::wstring line = QuotedArgument(OwnExecutable());
    for (const std::string& argument : task.Arguments)
        line += L" " + QuotedArgument(WideOfUtf8(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (!started) {
        error = SystemMessage(startError);
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        return nullptr;
    }
    AssignProcessToJobObject(ChildrenJob(), process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    auto child = std::make_unique<TStartedChild>(process.hProcess, outputRead);
    DWORD written = 0;
    WriteFile(inputWrite, task.Input.data(), static_cast<DWORD>(task.Input.size()), &written,
              nullptr);
    CloseHandle(inputWrite);
    return child;
}

void WaitForChildren(const std::vector<TChildProcess*>& children,
                     std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (TChildProcess* child : children)
            if (static_cast<TStartedChild*>(child)->Ready()) return;
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(kLookEvery);
    }
}

void SendToParentFromProgram(std::string_view data) {
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0)
        std::_Exit(1);
}

} // namespace zk
