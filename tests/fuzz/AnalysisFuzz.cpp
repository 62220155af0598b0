// The analysis of a source with the files it includes and the units it uses,
// in the input format of the source harness (a main file, then "@@NAME"
// lines that start more files). In both languages and as a unit its first
// error must be the one Compile reports, and every query at every offset
// must answer without a crash.
#include "FuzzSupport.h"

#include "analysis/Analysis.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "frontend/Tokens.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

void AskEverywhere(const analysis::TAnalysis& analysis) {
    for (std::size_t file = 0; file < analysis.Files.size(); ++file) {
        const auto size = static_cast<int32_t>(analysis.Files[file].Text.size());
        for (int32_t offset = 0; offset <= size; offset += 1 + size / 64) {
            const auto id = static_cast<analysis::TFileId>(file);
            analysis.DefinitionAt(id, offset);
            analysis.ReferencesAt(id, offset, true);
            analysis.HoverAt(id, offset);
            analysis.CompletionsAt(id, offset);
        }
    }
    for (const analysis::TDiagnostic& diagnostic : analysis.Diagnostics)
        analysis.InDocument(diagnostic.Place);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view main =
        fuzz::WriteFiles(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string path = fuzz::WriteScratch("MAIN.ZK", main);
    const std::vector<std::string> paths{fuzz::ScratchEntry()};
    const std::string text = DecodeText(main).Text;
    for (const bool classic : {false, true}) {
        for (const bool unit : {false, true}) {
            ClassicLanguage = classic;
            TPCode code;
            TError compiled;
            bool thrown = false;
            try {
                CompileMainFile(path, code, unit, compiled, paths);
            } catch (const TFileError&) {
                thrown = true;
            }
            CompileLog.clear();
            const analysis::TAnalysis analysis =
                analysis::Analyse({path, text, paths, classic, unit});
            const analysis::TDiagnostic* error = analysis.FirstError();
            if (!thrown) {
                const TError reported = error ? error->Reported : TError{};
                fuzz::Require(reported.Number == compiled.Number &&
                                  reported.Offset == compiled.Offset &&
                                  reported.FileName == compiled.FileName,
                              "the analysis's first error is not the compiler's");
            }
            if (!classic && !unit) AskEverywhere(analysis);
        }
    }
    ClassicLanguage = false;
    return 0;
}
