#include "cli/PictureModule.h"

#include "frontend/FileIO.h"
#include "platform/System.h"

#include <string>

namespace zk::cli {

namespace {

const std::string kModuleName = "varnok-picture" + std::string(ModuleSuffix());

TPictureSession* StartFrom(const std::string& path) {
    // The module stays loaded to the end of the process: Qt does not unload.
    const auto start = reinterpret_cast<decltype(&ZkStartPictureSession)>(
        LoadModuleSymbol(path, "ZkStartPictureSession"));
    return start();
}

bool EntryExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(NativePath(path), ec);
}

} // namespace

std::unique_ptr<TPictureSession> StartPictureModule() {
    const std::string directory = ExecutableDirectory();
    const std::string candidates[] = {directory + "/" + kModuleName,
                                      directory + "/" ZK_PICTURE_MODULE_DIR "/" + kModuleName};
    for (const std::string& path : candidates) {
        if (EntryExists(path)) return std::unique_ptr<TPictureSession>(StartFrom(path));
    }
    throw TFileError(candidates[1], "No such file or directory");
}

std::function<std::unique_ptr<TCanvas>(int32_t width, int32_t height)> PictureCanvasMaker() {
    auto session = std::make_shared<std::unique_ptr<TPictureSession>>();
    return [session](int32_t width, int32_t height) -> std::unique_ptr<TCanvas> {
        if (!*session) *session = StartPictureModule();
        return (*session)->MakeCanvas(width, height);
    };
}

} // namespace zk::cli
