#include "FuzzSupport.h"

#include "TestFiles.h"
#include "frontend/Errors.h"
#include "frontend/FileIO.h"
#include "interp/ImageCheck.h"
#include "pcode/PCodeFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace zk::fuzz {
namespace {

test::TTempDir& Scratch() {
    // Never destroyed before exit handlers run: a static object's destructor
    // removes the directory at the end of the process.
    static test::TTempDir dir;
    return dir;
}

constexpr std::string_view kFileMark = "\n@@";
constexpr std::size_t kMaxFiles = 6;

bool IsFileName(std::string_view name) {
    const auto allowed = [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '_' || c == '-';
    };
    return !name.empty() && name.size() <= 16 && std::all_of(name.begin(), name.end(), allowed) &&
           std::any_of(name.begin(), name.end(), [](unsigned char c) { return std::isalpha(c); });
}

} // namespace

const std::string& ScratchEntry() {
    static const std::string entry = Scratch().Entry();
    return entry;
}

void ClearScratch() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Scratch().Path(), ec))
        std::filesystem::remove_all(entry.path(), ec);
}

std::string WriteScratch(std::string_view name, std::string_view bytes) {
    return Scratch().Write(name, bytes);
}

std::string_view WriteFiles(std::string_view input) {
    ClearScratch();
    std::size_t end = std::min(input.find(kFileMark), input.size());
    const std::string_view main = input.substr(0, end);
    for (std::size_t files = 1; end < input.size() && files < kMaxFiles; ++files) {
        const std::size_t nameStart = end + kFileMark.size();
        const std::size_t nameEnd = std::min(input.find('\n', nameStart), input.size());
        end = std::min(input.find(kFileMark, nameEnd), input.size());
        const std::string_view name = input.substr(nameStart, nameEnd - nameStart);
        const std::size_t bodyStart = std::min(nameEnd + 1, end);
        if (IsFileName(name) && name != "MAIN.ZK")
            WriteScratch(name, input.substr(bodyStart, end - bodyStart));
    }
    return main;
}

void Require(bool holds, std::string_view what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz: broken property: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    std::abort();
}

void RunBounded(TPCode code, bool drawResult) {
    static constexpr std::array<std::string_view, 3> kParams = {"3", "A B (C D) 2", "(1 (2)) X"};
    TRunOptions options;
    options.StepLimit = kStepBudget;
    options.StackLimit = kStackBudget;
    const std::size_t arity = code.Functions.empty() ? 0 : code.Functions[0].Args.size();
    TInterpreter run(kCellBudget, std::move(code), options);
    for (std::size_t i = 0; i < arity && run.ErrorNumber() == 0; ++i)
        run.AddParam(kParams[i % kParams.size()]);
    if (run.ErrorNumber() != 0) return;
    run.Run();
    Require(run.ErrorNumber() != kErrorBadInstruction,
            "a checked image ran into an instruction that cannot be carried out");
    if (run.ErrorNumber() != kErrorRunComplete) return;
    if (!drawResult) {
        run.ResultText();
        return;
    }
    std::unique_ptr<TNullCanvas> canvas;
    run.ResultPicture(kGraphicsTrueColour, [&canvas](int32_t width, int32_t height) -> TCanvas& {
        canvas = std::make_unique<TNullCanvas>(width, height);
        return *canvas;
    });
}

bool DecodeFuzzedFile(const uint8_t* data, std::size_t size, TPCode& code) {
    try {
        DecodePCodeFile(code, std::string_view(reinterpret_cast<const char*>(data), size),
                        "FUZZ.ZKP");
    } catch (const TFileError&) {
        return false;
    }
    return true;
}

} // namespace zk::fuzz
