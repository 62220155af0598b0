// The console on Windows: the arguments come from the wide command line,
// the standard streams are switched to binary so that a line feed stays one
// byte, the console is told that the bytes are UTF-8, and Control+C arrives
// through a console control handler on a thread of its own.
#include "platform/Console.h"

#include "platform/WideText.h"

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zk {

namespace {

std::atomic<void (*)()> InterruptHandler{nullptr};

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    void (*handler)() = InterruptHandler.load();
    if (handler == nullptr) return FALSE;
    handler();
    return TRUE;
}

HANDLE HandleOf(TStandardStream stream) {
    switch (stream) {
    case TStandardStream::Input: return GetStdHandle(STD_INPUT_HANDLE);
    case TStandardStream::Output: return GetStdHandle(STD_OUTPUT_HANDLE);
    case TStandardStream::Error: return GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

// The status line is erased with an escape sequence, which a console shows
// only when asked to.
void AllowEscapes(HANDLE console) {
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode))
        SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

} // namespace

struct TInterruptHandler::TSaved {
    void (*Handler)() = nullptr;
};

std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; words != nullptr && i < count; ++i)
        args.push_back(Utf8OfWide(words[i]));
    LocalFree(words);
    return args;
}

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    AllowEscapes(GetStdHandle(STD_ERROR_HANDLE));
}

bool IsTerminal(TStandardStream stream) {
    DWORD mode = 0;
    return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

TInterruptHandler::TInterruptHandler(void (*handler)()) : Saved_(std::make_unique<TSaved>()) {
    Saved_->Handler = InterruptHandler.exchange(handler);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

TInterruptHandler::~TInterruptHandler() {
    SetConsoleCtrlHandler(OnControl, FALSE);
    InterruptHandler.store(Saved_->Handler);
}

} // namespace zk
