// Child-process runner for the command-line tests on Windows: CreateProcessW
// with pipes, each drained by a thread of its own so that neither side
// blocks. Ctrl+C is a console event sent to the child's process group.
#include "cli/ZkProcess.h"

#include "platform/WideText.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include <windows.h>

namespace zk::test {

namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

void MakePipe(HANDLE& read, HANDLE& write, bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Check(CreatePipe(&read, &write, &inherit, 0), "pipe failed");
    SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
}

void Drain(HANDLE pipe, std::string& into) {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        into.append(buffer, got);
    CloseHandle(pipe);
}

TProcessResult RunChild(const std::vector<std::string>& args, const std::string& input,
                        const std::filesystem::path& workDir, int interruptAfterMs,
                        const std::string& stdoutPath = {}) {
    HANDLE inRead, inWrite, outRead = nullptr, outWrite, errRead, errWrite;
    MakePipe(inRead, inWrite, true);
    if (stdoutPath.empty()) {
        MakePipe(outRead, outWrite, false);
    } else {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        outWrite = CreateFileW(WideOfUtf8(stdoutPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                               &inherit, OPEN_EXISTING, 0, nullptr);
        Check(outWrite != INVALID_HANDLE_VALUE, "cannot open the standard output file");
    }
    MakePipe(errRead, errWrite, false);
    std::wstring line = QuotedArgument(WideOfUtf8(ZK_EXECUTABLE));
    for (const std::string& a : args)
        line += L" " + QuotedArgument(WideOfUtf8(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const std::wstring dir = workDir.wstring();
    const DWORD flags = interruptAfterMs >= 0 ? CREATE_NEW_PROCESS_GROUP : 0;
    Check(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                         workDir.empty() ? nullptr : dir.c_str(), &startup, &process),
          "CreateProcess failed");
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(process.hThread);
    TProcessResult result;
    std::thread out([&] {
        if (outRead != nullptr) Drain(outRead, result.Out);
    });
    std::thread err([&] { Drain(errRead, result.Err); });
    DWORD written = 0;
    if (!input.empty())
        WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(inWrite);
    if (interruptAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
        GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, process.dwProcessId);
    }
    out.join();
    err.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    result.Status = static_cast<int>(code);
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
    return RunChild(args, "", workDir, -1, stdoutPath);
}

int ShellStatus(int raw) {
    return raw;
}

TProcessResult RunZkInterrupted(const std::vector<std::string>& args,
                                const std::filesystem::path& workDir, int delayMs) {
    return RunChild(args, "", workDir, delayMs);
}

} // namespace zk::test
