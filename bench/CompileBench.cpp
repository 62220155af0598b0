// Times the compiler on a generated program of many functions and calls:
// preprocessing, tokenizing, module compilation, linking and optimizing.
// Usage: compile-bench [FUNCTIONS] [CALLS_PER_FUNCTION]
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Function i calls the next `calls` functions, wrapping around, so every call
// is bound inside the module and every function is reachable from F0.
std::string GeneratedProgram(int functions, int calls) {
    std::string text;
    for (int i = 0; i < functions; ++i) {
        text += "(F" + std::to_string(i) + " (X) (EXPR";
        for (int c = 1; c <= calls; ++c)
            text += " (CALL F" + std::to_string((i + c) % functions) + " X)";
        text += "))\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int functions = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int calls = argc > 2 ? std::atoi(argv[2]) : 10;
    const auto dir = std::filesystem::temp_directory_path();
    const std::string path = (dir / "varnok-compile-bench.zk").string();
    zk::WriteWholeFile(path, GeneratedProgram(functions, calls));

    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        zk::TSource source = zk::TSource::CreateFromFile(path);
        zk::TPCode code;
        zk::TError error;
        zk::CompileLog.clear();
        zk::Compile(source, code, false, error, {dir.string() + "/"});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (error.Number != 0) {
            std::fprintf(stderr, "compile failed: error %d\n", error.Number);
            return 1;
        }
        best = std::min(best, took.count());
    }
    std::filesystem::remove(path);
    std::printf("compile %d functions, %d calls: %.3f s (best of 5)\n", functions,
                functions * calls, best);
    return 0;
}
