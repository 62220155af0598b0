// The build and run commands without the window. The compilation, the log,
// the listing, the p-code files and the run messages are the core's, the same
// that zk uses; here are the temporary directory, the log modes and the
// texts the window shows.
#include "ide/BuildCommands.h"

#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "frontend/Tokens.h"
#include "ide/DocumentFile.h"
#include "interp/ImageCheck.h"
#include "interp/RandomGenerator.h"
#include "interp/RunResult.h"
#include "pcode/Listing.h"

#include <algorithm>
#include <cstdio>
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
    out.Notices.push_back({T("Ошибка!"), FailureMessage(error, input)});
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
    return {T("Ошибка"), T("Ошибка ввода-вывода: ") + FileFailureText(failure), TNoticeKind::Error};
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

std::optional<std::string> TBuildCommands::FlushSources(TTempFiles& temp, const TBuildInput& input,
                                                        std::vector<TNotice>& notices) {
    std::optional<std::string> refused = temp.FlushTemp(input.Documents);
    std::string name = temp.GetUniqueName();
    if (!refused) refused = temp.FlushMemo(name, input.EditorText, input.EditorFormat);
    if (!refused) return name;
    notices.push_back({T("Ошибка!"), T("Файл ") + *refused +
                                         T(" во временной директории записан не средой и не будет "
                                           "перезаписан. Выполнение невозможно!")});
    return std::nullopt;
}

std::optional<TCompileResult> TBuildCommands::CompileMain(bool unitMode, const TBuildInput& input,
                                                          std::vector<TNotice>& notices,
                                                          bool withForms) {
    TTempFiles temp(TempDirOf(Options_));
    const std::optional<std::string> main = FlushSources(temp, input, notices);
    if (!main) return std::nullopt;
    const std::string& name = *main;

    ClassicLanguage = !Options_.UseNew;
    TCompileResult result;
    result.MainModule = temp.PathOf(name);
    CompileMainFile(result.MainModule, result.Code, unitMode, result.Error, IncludePathsFor(temp),
                    nullptr, withForms ? &result.Forms : nullptr);
    if (result.Error.Number != 0 && SameText1251(result.Error.FileName, name))
        result.Error.FileName = MainModuleName();
    WriteLog(notices);
    return result;
}

std::optional<TBuildCommands::TWrittenSources>
TBuildCommands::WriteSources(const TBuildInput& input, std::vector<TNotice>& notices) {
    if (!ClearTemp(notices)) return std::nullopt;
    TTempFiles temp(TempDirOf(Options_));
    const std::optional<std::string> main = FlushSources(temp, input, notices);
    if (!main) return std::nullopt;
    return TWrittenSources{temp.PathOf(*main), IncludePathsFor(temp)};
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
            WriteCompileLog(path, TWriteRule::UserFile);
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
        WriteListing(code, WithSlash(dir) + "PCode.txt", TWriteRule::UserFile);
    } catch (const TFileError& failure) {
        notices.push_back(FileErrorNotice(failure));
    }
}

std::optional<TPCode> TBuildCommands::Build(TCommandOutcome& out, const TBuildInput& input,
                                            bool unitMode, std::string_view failurePrefix,
                                            const TAskPath* askPath, std::string* chosen,
                                            bool withForms) {
    if (!ClearTemp(out.Notices)) return std::nullopt;
    if (askPath) {
        const std::optional<std::string> path = (*askPath)();
        if (!path) return std::nullopt;
        *chosen = *path;
    }
    std::optional<TCompileResult> built = CompileMain(unitMode, input, out.Notices, withForms);
    if (!built) return std::nullopt;
    if (built->Error.Number != 0) {
        ReportFailure(out, built->Error, failurePrefix, input);
        return std::nullopt;
    }
    if (withForms) {
        out.Forms = std::move(built->Forms);
        out.MainModule = std::move(built->MainModule);
        out.TempEntry = TTempFiles(TempDirOf(Options_)).Entry();
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
        code->SaveToFile(path, pfProgram, TWriteRule::UserFile);
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
        code->SaveToFile(path, pfUnit, TWriteRule::UserFile);
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
        // A run from source keeps its forms: a failure shows its place, a
        // debug run steps through them.
        std::optional<TPCode> code = Build(out, input, false, kRunFailure, nullptr, nullptr, true);
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

namespace {

// The document that holds an error: the main module, or the open document
// with the lowest slot whose file name equals the error's ignoring letter
// case; nothing when the file is not open.
std::optional<TDocumentCopy> ErrorDocument(const TError& error, const TBuildInput& input) {
    if (error.FileName == MainModuleName())
        return TDocumentCopy{0, {}, input.EditorText, input.EditorFormat};
    const TDocumentCopy* target = nullptr;
    for (const TDocumentCopy& document : input.Documents) {
        if (document.FilePath.empty() ||
            !SameText1251(PathText(FileNameOf(document.FilePath)), error.FileName))
            continue;
        if (!target || document.Slot < target->Slot) target = &document;
    }
    if (!target) return std::nullopt;
    return *target;
}

// The row and the column (both from 0, the column not cut to the window) of
// byte `offset` of the file that holds `text`.
std::pair<int64_t, int64_t> RowAndColumn(std::string_view text, int32_t offset,
                                         int32_t lineEndLength) {
    const std::vector<std::string_view> lines = LinesOf(text);
    const int64_t target = std::max(offset, 0);
    int64_t sum = 0;
    std::size_t row = 0;
    while (row < lines.size() &&
           sum + static_cast<int64_t>(lines[row].size()) + lineEndLength <= target)
        sum += static_cast<int64_t>(lines[row++].size()) + lineEndLength;
    if (row == lines.size()) // past the text: the end of its last line
        return {static_cast<int64_t>(row - 1), static_cast<int64_t>(lines[row - 1].size())};
    return {static_cast<int64_t>(row), target - sum};
}

// Where in the text (lines joined with CR LF) the byte `offset` of its file is.
std::size_t TextIndex(std::string_view text, int32_t offset, int32_t lineEndLength) {
    const auto [row, col] = RowAndColumn(text, offset, lineEndLength);
    std::size_t index = 0;
    for (int64_t line = 0; line < row; ++line)
        index = text.find("\r\n", index) + 2;
    return std::min(index + static_cast<std::size_t>(col), text.size());
}

bool EndsToken(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '\r' || c == '\n' || c == '\t';
}

// The length of the token that starts at `index`: an atom or number up to the
// next blank or bracket, or the one character there.
int32_t TokenLength(std::string_view text, std::size_t index) {
    if (index >= text.size()) return 0;
    std::size_t end = index + 1;
    if (!EndsToken(text[index]))
        while (end < text.size() && !EndsToken(text[end]))
            ++end;
    return static_cast<int32_t>(end - index);
}

// What an error is about, after its text: the unknown atom or function, the
// character the lexer refused.
std::string Subject(const TError& error, const TDocumentCopy& document, std::size_t index) {
    const std::string_view text = document.Text;
    if (index >= text.size()) return {};
    switch (error.Number) {
    case 5:
    case 25:
    case 28:
    case 30: return T(" («") + std::string(text.substr(index, TokenLength(text, index))) + T("»)");
    case 103: break;
    default: return {};
    }
    const char c = text[index];
    if (c == '\t') return T(" (символ табуляции)");
    if (c != kUnmappableByte) return T(" (символ «") + std::string(1, c) + T("»)");
    const auto before = static_cast<std::size_t>(std::count(
        text.begin(), text.begin() + static_cast<std::ptrdiff_t>(index), kUnmappableByte));
    const std::vector<char32_t>& lost = document.Format.Unmappable;
    if (before >= lost.size()) return T(" (символ, которого нет в кодировке Windows-1251)");
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(lost[before]));
    return T(" (символ ") + code + T(", которого нет в кодировке Windows-1251)");
}

} // namespace

std::string FailureMessage(const TError& error, const TBuildInput& input) {
    const bool inEditor = error.FileName == MainModuleName();
    std::string text = T("Ошибка: ") + ErrorText(error);
    std::string place;
    if (const std::optional<TDocumentCopy> document = ErrorDocument(error, input)) {
        const int32_t lineEnd = document->Format.LineEndLength();
        text += Subject(error, *document, TextIndex(document->Text, error.Offset, lineEnd));
        const auto [row, col] = RowAndColumn(document->Text, error.Offset, lineEnd);
        place =
            T(", строка ") + std::to_string(row + 1) + T(", столбец ") + std::to_string(col + 1);
    }
    return text + T(" Файл: ") + (inEditor ? input.EditorTitle : error.FileName) + place;
}

std::optional<TCaretPlace> LocateError(const TError& error, const TBuildInput& input) {
    const std::optional<TDocumentCopy> document = ErrorDocument(error, input);
    if (!document) return std::nullopt;
    const int32_t lineEnd = document->Format.LineEndLength();
    TCaretPlace place = CaretAtOffset(document->Text, error.Offset, input.VisibleColumns, lineEnd);
    place.Slot = document->Slot;
    // A caret held back at the window's edge is not at the token.
    if (place.Col == RowAndColumn(document->Text, error.Offset, lineEnd).second)
        place.Length =
            TokenLength(document->Text, TextIndex(document->Text, error.Offset, lineEnd));
    return place;
}

TCaretPlace CaretAtOffset(std::string_view text, int32_t offset, int32_t visibleColumns,
                          int32_t lineEndLength) {
    auto [row, col] = RowAndColumn(text, offset, lineEndLength);
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
