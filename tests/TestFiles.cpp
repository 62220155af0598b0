// Scratch directories for tests.
#include "TestFiles.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace zk::test {

TTempDir::TTempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("varnok-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            Path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path_, ec);
}

std::string TTempDir::Write(std::string_view name, std::string_view bytes) const {
    const auto path = Path_ / NativePath(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return SystemPath(path);
}

std::string TTempDir::Entry() const {
    return SystemPath(Path_) + "/";
}

std::string TTempDir::Read(std::string_view name) const {
    return ReadFile(Path_ / NativePath(name));
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string W(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

} // namespace zk::test
