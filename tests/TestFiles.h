// A scratch directory per test, removed when the test ends, and small helpers
// for writing and reading files in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zk::test {

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return Path_; }
    // The directory as a search-list entry: with a trailing separator.
    std::string Entry() const { return Path_.string() + "/"; }
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string Read(std::string_view name) const;

private:
    std::filesystem::path Path_;
};

// Windows-1251 bytes of a UTF-8 literal, for readable expectations.
std::string W(std::string_view utf8);

} // namespace zk::test
