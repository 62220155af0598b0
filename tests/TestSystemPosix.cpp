// The tests' helpers on Linux: tmpfs mounts, the resident memory.
#include "TestFiles.h"

#include <cstdlib>
#include <fstream>

#include <sys/mount.h>
#include <unistd.h>

namespace zk::test {

TMountedDir::TMountedDir(TKind kind, std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    Mounted_ = mount("tmpfs", Dir_.Path().c_str(), "tmpfs", kind == ReadOnly ? MS_RDONLY : 0,
                     options.c_str()) == 0;
}

TMountedDir::~TMountedDir() {
    if (Mounted_) umount2(Dir_.Path().c_str(), MNT_DETACH);
}

std::string TMountedDir::Place(std::string_view name, std::string_view bytes) {
    const char* dir = Dir_.Path().c_str();
    mount(nullptr, dir, nullptr, MS_REMOUNT, nullptr);
    const std::string path = Dir_.Write(name, bytes);
    mount(nullptr, dir, nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    return path;
}

void SetVariable(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

void UnsetVariable(const char* name) {
    unsetenv(name);
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace zk::test
