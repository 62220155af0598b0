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

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

// Writes the files of the input; the path of the main file.
std::string WriteSources(std::string_view input) {
    return fuzz::WriteScratch("MAIN.ZK", fuzz::WriteFiles(input));
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
        WriteSources(std::string_view(reinterpret_cast<const char*>(data), size));
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
