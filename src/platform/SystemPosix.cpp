// The machine, the user and the program on POSIX (Linux): sysconf, the
// environment, /proc/self/exe and dlopen.
#include "platform/System.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

// dlerror() starts with the path itself, which the file error names anyway.
std::string LoadFailure(const std::string& path) {
    const char* message = dlerror();
    std::string reason = message != nullptr ? message : "cannot be loaded";
    const std::string prefix = path + ": ";
    if (reason.starts_with(prefix)) reason.erase(0, prefix.size());
    return reason;
}

} // namespace

uint64_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

std::size_t ProcessorCount() {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    return cores > 0 ? static_cast<std::size_t>(cores) : 1;
}

std::string ExecutableDirectory() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return ".";
    const std::string executable(path.data(), static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

std::string UserName() {
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* value = std::getenv(variable); value && *value) {
            std::string name = value;
            std::replace(name.begin(), name.end(), '/', '_');
            return name;
        }
    return "user";
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

int64_t ProcessId() {
    return getpid();
}

std::string PathFromCommandLine(std::string_view typed) {
    return std::string(typed);
}

bool FileNamesIgnoreCase() {
    return false;
}

bool MakePrivateDirectory(const std::string& dir) {
    // mkdir gives the mode at once (the umask can only narrow it), so no
    // other user ever sees the directory open.
    if (mkdir(dir.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    // Someone else may have put something of that name into the shared
    // directory first: a link, a file, or a directory open to others.
    struct stat status {};
    if (lstat(dir.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    return status.st_uid == geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string_view ModuleSuffix() {
    return ".so";
}

void* LoadModuleSymbol(const std::string& path, const char* symbol) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) throw TFileError(path, LoadFailure(path));
    void* address = dlsym(module, symbol);
    if (address == nullptr) throw TFileError(path, LoadFailure(path));
    return address;
}

} // namespace zk
