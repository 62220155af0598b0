// The machine, the user and the program on Windows: GlobalMemoryStatusEx,
// GetModuleFileNameW, the environment and LoadLibraryW.
#include "platform/System.h"

#include "platform/FileSystem.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <windows.h>

namespace zk {

namespace {

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? Utf8OfWide(std::wstring_view(text, length)) : "";
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "cannot be loaded (error " + std::to_string(error) + ")" : message;
}

} // namespace

uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

std::size_t ProcessorCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string ExecutableDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return ".";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string executable = Utf8OfWide(path);
    std::replace(executable.begin(), executable.end(), '\\', '/');
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

std::string UserName() {
    const wchar_t* value = _wgetenv(L"USERNAME");
    if (value == nullptr || *value == L'\0') return "user";
    std::string name = Utf8OfWide(value);
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    return name;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

int64_t ProcessId() {
    return static_cast<int64_t>(GetCurrentProcessId());
}

std::string PathFromCommandLine(std::string_view typed) {
    std::string path(typed);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool FileNamesIgnoreCase() {
    return true;
}

bool MakePrivateDirectory(const std::string& dir) {
    // The user's own temporary directory is closed to others already.
    const std::wstring name = WideOfUtf8(dir);
    if (CreateDirectoryW(name.c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string_view ModuleSuffix() {
    return ".dll";
}

void* LoadModuleSymbol(const std::string& path, const char* symbol) {
    const HMODULE module = LoadLibraryW(WideOfUtf8(path).c_str());
    if (module == nullptr) throw TFileError(path, SystemMessage(GetLastError()));
    const FARPROC address = GetProcAddress(module, symbol);
    if (address == nullptr) throw TFileError(path, SystemMessage(GetLastError()));
    return reinterpret_cast<void*>(address);
}

} // namespace zk
