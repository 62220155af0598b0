// Whole-file reading and writing for the language system. Paths are system
// texts (Windows-1251) and become UTF-8 only at the operating-system call.
// Failures are TFileError exceptions naming the file; the command that started
// the work reports them.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zk {

class TFileError : public std::runtime_error {
public:
    // `reason` is UTF-8 (it comes from the operating system or from us).
    TFileError(std::string path, const std::string& reason);
    const std::string& Path() const { return Path_; } // Windows-1251

private:
    std::string Path_;
};

std::filesystem::path NativePath(std::string_view path);
std::string SystemPath(const std::filesystem::path& path);

bool FileExists(std::string_view path);
std::string ReadWholeFile(std::string_view path);
void WriteWholeFile(std::string_view path, std::string_view data);

} // namespace zk
