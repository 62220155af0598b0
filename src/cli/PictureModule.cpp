#include "cli/PictureModule.h"

#include "frontend/FileIO.h"

#include <string>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

namespace zk::cli {

namespace {

constexpr const char* kModuleName = "varnok-picture.so";

std::string ExecutableDirectory() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return ".";
    const std::string executable(path.data(), static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

// dlerror() starts with the path itself, which the file error names anyway.
std::string LoadFailure(const std::string& path) {
    const char* message = dlerror();
    std::string reason = message != nullptr ? message : "cannot be loaded";
    const std::string prefix = path + ": ";
    if (reason.starts_with(prefix)) reason.erase(0, prefix.size());
    return reason;
}

TPictureSession* StartFrom(const std::string& path) {
    // The module stays loaded to the end of the process: Qt does not unload.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) throw TFileError(path, LoadFailure(path));
    const auto start =
        reinterpret_cast<decltype(&ZkStartPictureSession)>(dlsym(module, "ZkStartPictureSession"));
    if (start == nullptr) throw TFileError(path, LoadFailure(path));
    return start();
}

} // namespace

std::unique_ptr<TPictureSession> StartPictureModule() {
    const std::string directory = ExecutableDirectory();
    const std::string candidates[] = {directory + "/" + kModuleName,
                                      directory + "/" ZK_PICTURE_MODULE_DIR "/" + kModuleName};
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) == 0)
            return std::unique_ptr<TPictureSession>(StartFrom(path));
    }
    throw TFileError(candidates[1], "No such file or directory");
}

} // namespace zk::cli
