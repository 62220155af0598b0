// One compilation as zk runs it.
#include "cli/Compilation.h"

#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "frontend/Tokens.h"

#include <algorithm>
#include <ostream>

namespace zk::cli {

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

void WriteLog(const std::string& path) {
    WriteCompileLog(path);
}

// After a file-system failure the log is still written when it can be; the
// failure that ended the compilation is the one reported.
void WriteLogAfterFailure(const std::string& path) {
    try {
        WriteLog(path);
    } catch (const TFileError&) {}
}

void ReportCompileError(const TError& error, const TErrorPlace& place, std::ostream& err) {
    const std::string where =
        place.Path.empty() ? Cp1251ToUtf8(error.FileName) : PlaceText(place.Path, error.Offset);
    err << where << ": "
        << "Ошибка: " << Cp1251ToUtf8(ErrorText(error)) << "\n";
}

} // namespace

std::vector<std::string> IncludePathsFor(const TCommandLine& line) {
    const std::string& file = line.File;
    const auto slash = file.rfind('/');
    std::vector<std::string> paths{slash == std::string::npos ? "./" : file.substr(0, slash + 1)};
    for (const std::string& dir : line.IncludeDirs)
        paths.push_back(WithSlash(dir));
    return paths;
}

namespace {

const std::string kProgramSignature("\x03\x00ZKP", 5);
const std::string kUnitSignature("\x03\x00ZKU", 5);
const std::string kImageSignature("\x05\x00ZKExt", 7);

std::string FirstBytes(const std::string& path) {
    return ReadFileStart(path, kImageSignature.size());
}

bool StartsWith(const std::string& bytes, const std::string& signature) {
    return bytes.rfind(signature, 0) == 0;
}

} // namespace

bool IsPCodeFile(const std::string& path) {
    const std::string bytes = FirstBytes(path);
    return StartsWith(bytes, kProgramSignature) || StartsWith(bytes, kUnitSignature) ||
           StartsWith(bytes, kImageSignature);
}

bool IsProgramFile(const std::string& path) {
    return StartsWith(FirstBytes(path), kProgramSignature);
}

std::optional<TPCode> CompileFile(const TCommandLine& line, bool unitMode, std::ostream& err,
                                  TFormMap* forms) {
    ClassicLanguage = line.Classic.value_or(false);
    TPCode code;
    TError error;
    TErrorPlace place;
    try {
        CompileMainFile(line.File, code, unitMode, error, IncludePathsFor(line), &place, forms);
    } catch (const TFileError&) {
        if (line.LogFile) WriteLogAfterFailure(*line.LogFile);
        throw;
    }
    if (line.LogFile) WriteLog(*line.LogFile);
    if (error.Number != 0) {
        ReportCompileError(error, place, err);
        return std::nullopt;
    }
    return code;
}

std::string PlaceText(const std::string& path, int32_t offset) {
    const std::string text = DecodeText(ReadWholeFile(path)).Text;
    const auto end = static_cast<std::size_t>(std::clamp<int64_t>(offset, 0, text.size()));
    std::size_t line = 1, lineStart = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] != '\n') continue;
        ++line;
        lineStart = i + 1;
    }
    return path + ":" + std::to_string(line) + ":" + std::to_string(end - lineStart + 1);
}

} // namespace zk::cli
