// A source text compiled as a program in both languages and as a unit, with
// the files it includes and the units it uses in a scratch directory. The
// input is the main file, optionally followed by more files, each introduced
// by a line "@@NAME" (NAME of letters, digits, '.', '_' and '-'); a name
// ending in ".ZKU" holds a unit file's bytes. A program that compiles must
// pass the check of loaded images, survive a round trip through its program
// file, and run within the fuzz budget.
#include "FuzzSupport.h"

#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"
#include "frontend/Source.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "pcode/CodeVerifier.h"
#include "pcode/PCodeFile.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

constexpr std::string_view kFileMark = "\n@@";
constexpr std::size_t kMaxFiles = 6;

bool IsFileName(std::string_view name) {
    const auto allowed = [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '_' || c == '-';
    };
    return !name.empty() && name.size() <= 16 && std::all_of(name.begin(), name.end(), allowed) &&
           std::any_of(name.begin(), name.end(), [](unsigned char c) { return std::isalpha(c); });
}

// Writes the files of the input; the path of the main file.
std::string WriteFiles(std::string_view input) {
    fuzz::ClearScratch();
    std::size_t end = std::min(input.find(kFileMark), input.size());
    const std::string mainPath = fuzz::WriteScratch("MAIN.ZK", input.substr(0, end));
    for (std::size_t files = 1; end < input.size() && files < kMaxFiles; ++files) {
        const std::size_t nameStart = end + kFileMark.size();
        const std::size_t nameEnd = std::min(input.find('\n', nameStart), input.size());
        end = std::min(input.find(kFileMark, nameEnd), input.size());
        const std::string_view name = input.substr(nameStart, nameEnd - nameStart);
        const std::size_t bodyStart = std::min(nameEnd + 1, end);
        if (IsFileName(name) && name != "MAIN.ZK")
            fuzz::WriteScratch(name, input.substr(bodyStart, end - bodyStart));
    }
    return mainPath;
}

// Compiles the main file; the image when it compiled.
bool CompileMain(const std::string& path, bool unitMode, TPCode& code) {
    TError error;
    try {
        CompileMainFile(path, code, unitMode, error, {fuzz::ScratchEntry()});
    } catch (const TFileError&) {
        error.Number = -1; // a used unit file that is damaged
    }
    CompileLog.clear();
    return error.Number == 0;
}

void CheckProgram(TPCode code) {
    fuzz::Require(RunnableImageFault(code).empty(), "a linked program fails the image check");
    TPCode reloaded = TPCode::Empty();
    try {
        DecodePCodeFile(reloaded, EncodePCodeFile(code, pfProgram, "MAIN.ZKP"), "MAIN.ZKP");
    } catch (const TFileError&) {
        return; // more than the file layout can hold
    }
    fuzz::Require(RunnableImageFault(reloaded).empty(), "a saved program fails the image check");
    fuzz::RunBounded(std::move(code), false);
}

void CheckUnit(const TPCode& code) {
    fuzz::Require(CodeFault(code, TCodeKind::Unit).empty(), "a compiled unit fails the check");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string mainPath =
        WriteFiles(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const bool classic : {false, true}) {
        ClassicLanguage = classic;
        TPCode program;
        if (CompileMain(mainPath, false, program)) CheckProgram(std::move(program));
    }
    ClassicLanguage = false;
    TPCode unit;
    if (CompileMain(mainPath, true, unit)) CheckUnit(unit);
    return 0;
}
