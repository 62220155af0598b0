// The build and run commands without the window. The compilation, the log,
// the listing, the p-code files and the run messages are the core's, the same
// that zk uses; here are the temporary directory, the log modes and the
// texts the window shows.
#include "ide/BuildCommands.h"

#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "interp/RandomGenerator.h"
#include "interp/RunResult.h"
#include "pcode/Listing.h"

#include <algorithm>
#include <filesystem>
#include <new>

namespace zk::ide {

namespace {

std::string T(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

TNotice ErrorBox(std::string_view caption, std::string_view text) {
    return {T(caption), T(text), TNoticeKind::Error};
}

bool IsDirectory(const std::string& dir) {
    std::error_code ec;
    return !dir.empty() && std::filesystem::is_directory(NativePath(dir), ec);
}

std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

// The settings installed with the program leave the directories empty, since
// they belong to each user: an empty TempDir is the environment's own
// directory under the system's, an empty ExtOutputDir the current directory.
std::string TempDirOf(const TOptions& options) {
    return options.TempDir.empty() ? DefaultTempDir() : options.TempDir;
}

std::string OutputDirOf(const TOptions& options) {
    if (!options.ExtOutputDir.empty()) return options.ExtOutputDir;
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string() : SystemPath(current);
}

// Reporting a failed build: the message box, the caret, the status panel.
void ReportFailure(TCommandOutcome& out, const TError& error, std::string_view statusPrefix,
                   const TBuildInput& input) {
    out.Notices.push_back(
        {T("Ошибка!"), T("Ошибка: ") + ErrorText(error) + T(" Файл: ") + error.FileName});
    out.Caret = LocateError(error, input);
    out.BuildStatus = T(statusPrefix) + ErrorText(error);
}

constexpr std::string_view kProgramFailure = "Ошибка компиляции программы: ";
constexpr std::string_view kUnitFailure = "Ошибка компиляции модуля: ";
constexpr std::string_view kRunFailure = "Ошибка: ";

// The editor's lines: a line end ends a line, and the text after the last
// one, empty too, is a line of its own, as the editor shows it.
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

std::string MainModuleName() {
    return T("главный модуль");
}

TNotice FileErrorNotice(const std::exception& failure) {
    return {T("Ошибка"), T("Ошибка ввода-вывода: ") + T(failure.what()), TNoticeKind::Error};
}

bool TBuildCommands::ClearTemp(std::vector<TNotice>& notices) {
    const std::string dir = TempDirOf(Options_);
    if (PrepareTempDir(dir) && TTempFiles(dir).ClearTemp()) return true;
    notices.push_back(
        ErrorBox("Ошибка!", "Неверная директория временных файлов! Выполнение невозможно!"));
    return false;
}

std::vector<std::string> TBuildCommands::IncludePathsFor(const TTempFiles& temp) {
    std::vector<std::string> paths{temp.Entry()};
    // An empty entry would become the root directory; it is left out.
    for (std::string& dir : Options_.Include) {
        if (dir.empty()) continue;
        dir = WithSlash(dir);
        paths.push_back(dir);
    }
    return paths;
}

std::optional<TCompileResult> TBuildCommands::CompileMain(bool unitMode, const TBuildInput& input,
                                                          std::vector<TNotice>& notices) {
    TTempFiles temp(TempDirOf(Options_));
    std::optional<std::string> refused = temp.FlushTemp(input.Documents);
    const std::string name = temp.GetUniqueName();
    if (!refused) refused = temp.FlushMemo(name, input.EditorText);
    if (refused) {
        notices.push_back(
            {T("Ошибка!"), T("Файл ") + *refused +
                               T(" во временной директории записан не средой и не будет "
                                 "перезаписан. Выполнение невозможно!")});
        return std::nullopt;
    }

    ClassicLanguage = !Options_.UseNew;
    TCompileResult result;
    CompileMainFile(temp.PathOf(name), result.Code, unitMode, result.Error, IncludePathsFor(temp));
    if (result.Error.Number != 0 && SameText1251(result.Error.FileName, name))
        result.Error.FileName = MainModuleName();
    WriteLog(notices);
    return result;
}

void TBuildCommands::WriteLog(std::vector<TNotice>& notices) {
    if (Options_.LogMode != 1 && Options_.LogMode != 2) return;
    const std::string dir = OutputDirOf(Options_);
    if (!IsDirectory(dir)) {
        notices.push_back(
            ErrorBox("Ошибка", "Каталог для доп. выходных не существует! Log небыть записан!"));
        return;
    }
    const std::string path = WithSlash(dir) + "Log.txt";
    // A log that cannot be written is told; the compilation stands.
    try {
        if (Options_.LogMode == 1) {
            WriteCompileLog(path);
        } else {
            std::optional<int64_t> limit;
            if (Options_.LimitSize) limit = int64_t{Options_.LogSize} * 1024;
            AppendCompileLog(path, limit);
        }
    } catch (const TFileError& failure) {
        notices.push_back(FileErrorNotice(failure));
    }
}

void TBuildCommands::WritePCodeListing(const TPCode& code, std::vector<TNotice>& notices) {
    if (!Options_.PCDOut) return;
    const std::string dir = OutputDirOf(Options_);
    if (!IsDirectory(dir)) {
        notices.push_back(
            ErrorBox("Ошибка", "Неверная директория доп. файлов! P-код не сохранён!"));
        return;
    }
    try {
        WriteListing(code, WithSlash(dir) + "PCode.txt");
    } catch (const TFileError& failure) {
        notices.push_back(FileErrorNotice(failure));
    }
}

std::optional<TPCode> TBuildCommands::Build(TCommandOutcome& out, const TBuildInput& input,
                                            bool unitMode, std::string_view failurePrefix,
                                            const TAskPath* askPath, std::string* chosen) {
    if (!ClearTemp(out.Notices)) return std::nullopt;
    if (askPath) {
        const std::optional<std::string> path = (*askPath)();
        if (!path) return std::nullopt;
        *chosen = *path;
    }
    std::optional<TCompileResult> built = CompileMain(unitMode, input, out.Notices);
    if (!built) return std::nullopt;
    if (built->Error.Number != 0) {
        ReportFailure(out, built->Error, failurePrefix, input);
        return std::nullopt;
    }
    return std::move(built->Code);
}

TCommandOutcome TBuildCommands::SyntaxCheck(const TBuildInput& input) {
    TCommandOutcome out;
    try {
        if (!Build(out, input, false, kProgramFailure, nullptr, nullptr)) return out;
        out.BuildStatus = T("Нет ошибок");
        out.Notices.push_back({T("Проверка пройдена успешно"),
                               T("Ошибок в исходном коде не обнаружено"),
                               TNoticeKind::Information});
    } catch (const TFileError& failure) {
        out.Notices.push_back(FileErrorNotice(failure));
    }
    return out;
}

TCommandOutcome TBuildCommands::CompileProgram(const TBuildInput& input, const TAskPath& askPath) {
    TCommandOutcome out;
    try {
        std::string path;
        const std::optional<TPCode> code =
            Build(out, input, false, kProgramFailure, &askPath, &path);
        if (!code) return out;
        WritePCodeListing(*code, out.Notices);
        code->SaveToFile(path, pfProgram);
        out.BuildStatus = "";
        out.MainStatus = T("Скомпилирована программа: ") + PathText(FileNameOf(path));
    } catch (const TFileError& failure) {
        out.Notices.push_back(FileErrorNotice(failure));
    }
    return out;
}

TCommandOutcome TBuildCommands::CompileUnit(const TBuildInput& input, const TAskPath& askPath) {
    TCommandOutcome out;
    try {
        std::string path;
        const std::optional<TPCode> code = Build(out, input, true, kUnitFailure, &askPath, &path);
        if (!code) return out;
        code->SaveToFile(path, pfUnit);
        WritePCodeListing(*code, out.Notices);
        out.BuildStatus = "";
        out.MainStatus = T("Скомпилирован модуль: ") + PathText(FileNameOf(path));
    } catch (const TFileError& failure) {
        out.Notices.push_back(FileErrorNotice(failure));
    }
    return out;
}

TCommandOutcome TBuildCommands::PrepareRun(const TBuildInput& input) {
    TCommandOutcome out;
    try {
        std::optional<TPCode> code = Build(out, input, false, kRunFailure, nullptr, nullptr);
        if (!code) return out;
        out.BuildStatus = "";
        WritePCodeListing(*code, out.Notices);
        out.SaveAll = Options_.AutoSave;
        out.Code = std::move(code);
    } catch (const TFileError& failure) {
        out.Notices.push_back(FileErrorNotice(failure));
    }
    return out;
}

TCommandOutcome TBuildCommands::LoadRunFile(std::string_view path) {
    TCommandOutcome out;
    try {
        out.Code = LoadRunnableProgram(path);
    } catch (const TFileError& failure) {
        out.Notices.push_back(FileErrorNotice(failure));
    }
    return out;
}

std::optional<TCaretPlace> LocateError(const TError& error, const TBuildInput& input) {
    if (error.FileName == MainModuleName())
        return CaretAtOffset(input.EditorText, error.Offset, input.VisibleColumns);
    const TDocumentCopy* target = nullptr;
    for (const TDocumentCopy& document : input.Documents) {
        if (document.FilePath.empty() ||
            !SameText1251(PathText(FileNameOf(document.FilePath)), error.FileName))
            continue;
        if (!target || document.Slot < target->Slot) target = &document;
    }
    if (!target) return std::nullopt;
    TCaretPlace place = CaretAtOffset(target->Text, error.Offset, input.VisibleColumns);
    place.Slot = target->Slot;
    return place;
}

TCaretPlace CaretAtOffset(std::string_view text, int32_t offset, int32_t visibleColumns) {
    const std::vector<std::string_view> lines = LinesOf(text);
    const int64_t target = std::max(offset, 0);
    int64_t sum = 0;
    std::size_t row = 0;
    while (row < lines.size() && sum + static_cast<int64_t>(lines[row].size()) + 2 <= target)
        sum += static_cast<int64_t>(lines[row++].size()) + 2;
    int64_t col = target - sum;
    if (row == lines.size()) { // past the text: the end of its last line
        --row;
        col = static_cast<int64_t>(lines[row].size());
    }
    if (col >= visibleColumns) col = std::max(visibleColumns - 1, 0);
    return {0, static_cast<int32_t>(row), static_cast<int32_t>(col)};
}

TParamSource ParamSourceOf(const TPCode& code, bool inputFromFile) {
    if (code.Functions.empty() || code.Functions[0].Args.empty()) return TParamSource::None;
    return inputFromFile ? TParamSource::File : TParamSource::Dialog;
}

std::unique_ptr<TInterpreter> CreateRun(TPCode code, const TOptions& options,
                                        std::vector<TNotice>& notices) {
    TRunOptions run;
    run.SymbolIsError = options.SymbolErr;
    run.RandomState = TRandomGenerator::TimeOfDaySeed();
    // A record that was never loaded says 0 megabytes; no run can use that.
    const int32_t megabytes = std::max<int32_t>(options.MaxMem, 1);
    try {
        return std::make_unique<TInterpreter>(megabytes * kCellsPerMegabyte, std::move(code), run);
    } catch (const std::bad_alloc&) {
        notices.push_back({T("Ошибка"), RunErrorMessage(kErrorNoMemory)});
        return nullptr;
    }
}

bool ReadParamsFile(TInterpreter& run, std::string_view path, std::vector<TNotice>& notices) {
    try {
        run.ReadParams(path);
        return true;
    } catch (const TFileError& failure) {
        notices.push_back(FileErrorNotice(failure));
        return false;
    }
}

std::optional<TNotice> ParamsRefused(const TInterpreter& run) {
    if (run.ErrorNumber() == 0) return std::nullopt;
    return TNotice{T("Ошибка"), InputErrorMessage(run.ErrorNumber())};
}

} // namespace zk::ide
