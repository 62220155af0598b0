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
    // The directory as a search-list entry: with a trailing separator. It and
    // the paths Write gives are as the system writes paths, with '/'.
    std::string Entry() const;
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string Read(std::string_view name) const;

private:
    std::filesystem::path Path_;
};

// A file system of its own at a scratch directory: a tmpfs of `bytes` bytes,
// or a read-only one, so that tests meet a full disk or a folder no one may
// write, which file permissions cannot give a test run as root. Mounting
// needs the right to mount; without it Mounted() is false and the test skips.
class TMountedDir {
public:
    enum TKind { Small, ReadOnly };
    TMountedDir(TKind kind, std::size_t bytes = 64 * 1024);
    ~TMountedDir();
    TMountedDir(const TMountedDir&) = delete;
    TMountedDir& operator=(const TMountedDir&) = delete;

    bool Mounted() const { return Mounted_; }
    const std::filesystem::path& Path() const { return Dir_.Path(); }
    // Makes the read-only one writable for a moment, to place a file there.
    std::string Place(std::string_view name, std::string_view bytes);

private:
    TTempDir Dir_;
    bool Mounted_ = false;
};

// Sets an environment variable of this process (and of its children), or
// removes it.
void SetVariable(const char* name, const std::string& value);
void UnsetVariable(const char* name);

// The bytes of this process in memory; -1 where the system does not say.
long ResidentBytes();

// The bytes of a file, empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Windows-1251 bytes of a UTF-8 literal, for readable expectations.
std::string W(std::string_view utf8);

} // namespace zk::test
