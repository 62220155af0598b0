// The tests' helpers on Windows. It has no file system a test could mount at
// a directory, so the tests that need a full disk or a read-only folder skip,
// and those of the resident memory skip too.
#include "TestFiles.h"

#include <cstdlib>

namespace zk::test {

TMountedDir::TMountedDir(TKind, std::size_t) {}

TMountedDir::~TMountedDir() = default;

std::string TMountedDir::Place(std::string_view name, std::string_view bytes) {
    return Dir_.Write(name, bytes);
}

void SetVariable(const char* name, const std::string& value) {
    _putenv_s(name, value.c_str());
}

void UnsetVariable(const char* name) {
    _putenv_s(name, "");
}

long ResidentBytes() {
    return -1;
}

} // namespace zk::test
