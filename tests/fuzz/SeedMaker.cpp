// Writes the seed corpora of the harnesses that read p-code files: each
// source given is compiled as a program and as a unit (its own directory
// searched for what it includes and uses) and saved in every layout into
// OUT/pcode, and a settings file that SaveOptions writes goes to OUT/settings.
//   fuzz-seeds OUT SOURCE...
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"
#include "frontend/Options.h"
#include "pcode/PCodeFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace zk;

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The layouts of the image compiled from `source`, as files named after it.
void WriteImages(const std::filesystem::path& source, const std::filesystem::path& out) {
    const std::string paths = source.parent_path().string() + "/";
    const std::string stem = source.stem().string();
    for (const bool unitMode : {false, true}) {
        TPCode code;
        TError error;
        CompileMainFile(source.string(), code, unitMode, error, {paths});
        CompileLog.clear();
        if (error.Number != 0) continue;
        const auto write = [&](TPCodeFileKind kind, const char* extension) {
            try {
                WriteFile(out / (stem + extension), EncodePCodeFile(code, kind, stem));
            } catch (const TFileError&) {}
        };
        if (unitMode) {
            write(pfUnit, ".zku");
        } else {
            write(pfProgram, ".zkp");
            write(pfImage, ".zkext");
        }
    }
}

void WriteSettings(const std::filesystem::path& out) {
    TOptions options = LoadOptions((out / "none.ini").string());
    options.Include = {"/usr/share/zk/", "units/"};
    options.MaxMem = 64;
    options.LogMode = 2;
    SaveOptions((out / "saved.ini").string(), options);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz-seeds OUT SOURCE...\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out / "pcode");
    std::filesystem::create_directories(out / "settings");
    for (int i = 2; i < argc; ++i) {
        try {
            WriteImages(argv[i], out / "pcode");
        } catch (const TFileError& error) {
            std::fprintf(stderr, "fuzz-seeds: %s\n", error.what());
        }
    }
    WriteSettings(out / "settings");
    return 0;
}
