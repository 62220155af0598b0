// The build and run commands of the environment, apart from its window: the
// syntax check, compiling a program or a unit, preparing a run of the current
// document or of a p-code file, and the decisions of the run steps. Each
// command returns what the window is to show; the window applies it and asks
// nothing of these functions but the texts of its documents. Texts are
// Windows-1251, as everywhere inside the system; paths are the system's bytes.
#pragma once

#include "debug/FormMap.h"
#include "frontend/Errors.h"
#include "frontend/Options.h"
#include "ide/TempFiles.h"
#include "interp/Interpreter.h"
#include "pcode/PCode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

enum class TNoticeKind { Error, Information };

// A message box with an OK button.
struct TNotice {
    std::string Caption;
    std::string Text;
    TNoticeKind Kind = TNoticeKind::Error;

    friend bool operator==(const TNotice&, const TNotice&) = default;
};

// What a build reads from the window.
struct TBuildInput {
    // The open documents; the current one with the editor's text, so that a
    // file that includes it by name sees it as edited.
    std::vector<TDocumentCopy> Documents;
    std::string EditorText;       // the current editor text, compiled as the main module
    TDocumentFormat EditorFormat; // how the main module is written: as the document's file
    std::string EditorTitle;      // the document's tab title, for a message
    int32_t VisibleColumns = 80;  // the columns the editor window shows
};

// Where an error puts the caret.
struct TCaretPlace {
    int32_t Slot = 0; // 0: the current document; else the slot whose tab becomes current first
    int32_t Row = 0;
    int32_t Col = 0;
    int32_t Length = 0; // the error's token, selected from the caret on; 0 when none

    friend bool operator==(const TCaretPlace&, const TCaretPlace&) = default;
};

// What a command leaves for the window, applied in this order: the status
// panels, the message boxes, the caret (with its tab change).
struct TCommandOutcome {
    std::vector<TNotice> Notices;
    std::optional<TCaretPlace> Caret;
    std::optional<std::string> MainStatus;  // status panel 0
    std::optional<std::string> BuildStatus; // status panel 2
    // PrepareRun and LoadRunFile: the image to hand to the run steps.
    std::optional<TPCode> Code;
    // PrepareRun: the image's form map, the main module's path in the
    // temporary directory and that directory as a search-list entry, so that
    // a place in a form's file can be found among the open documents.
    std::optional<TFormMap> Forms;
    std::string MainModule;
    std::string TempEntry;
    // PrepareRun: AutoSave is on, so Save All comes before the run steps.
    bool SaveAll = false;
};

struct TCompileResult {
    TPCode Code;            // the image, also after an error
    TError Error;           // an error in the main module names "главный модуль"
    TFormMap Forms;         // when asked for; empty after an error
    std::string MainModule; // the main module's path in the temporary directory
};

// A save dialog: the chosen path, nothing when cancelled.
using TAskPath = std::function<std::optional<std::string>()>;

// The name an error in the editor's text carries.
std::string MainModuleName();

class TBuildCommands {
public:
    // The options stay the window's; a build appends '/' to include entries.
    // An empty TempDir means the environment's own directory (DefaultTempDir),
    // an empty ExtOutputDir the current directory.
    explicit TBuildCommands(TOptions& options) : Options_(options) {}

    TCommandOutcome SyntaxCheck(const TBuildInput& input);
    TCommandOutcome CompileProgram(const TBuildInput& input, const TAskPath& askPath);
    TCommandOutcome CompileUnit(const TBuildInput& input, const TAskPath& askPath);
    // Run up to its run steps: the compiled image in Code when it built.
    TCommandOutcome PrepareRun(const TBuildInput& input);
    // "Выполнить файл...": the program file's image, or the message that
    // refuses it. Touches neither the temporary directory nor the log.
    static TCommandOutcome LoadRunFile(std::string_view path);

    // The steps the commands are made of.
    // False, with its message, when TempDir is not an existing directory.
    bool ClearTemp(std::vector<TNotice>& notices);
    // The documents and the main module written into TempDir, the image
    // compiled, the log written (its messages added to `notices`). Nothing
    // when a file there was not written by the environment (its message
    // added). Throws TFileError.
    std::optional<TCompileResult> CompileMain(bool unitMode, const TBuildInput& input,
                                              std::vector<TNotice>& notices,
                                              bool withForms = false);
    // The sources of a check by tests: the documents and the main module
    // written into TempDir, as for a build, without compiling them. Nothing,
    // with its message, when that cannot be done. Throws TFileError.
    struct TWrittenSources {
        std::string MainModule;
        std::vector<std::string> IncludePaths; // TempDir first
    };
    std::optional<TWrittenSources> WriteSources(const TBuildInput& input,
                                                std::vector<TNotice>& notices);
    // "PCode.txt" when PCDOut is on.
    void WritePCodeListing(const TPCode& code, std::vector<TNotice>& notices);

private:
    std::vector<std::string> IncludePathsFor(const TTempFiles& temp);
    // The documents and the main module written into the temporary
    // directory: the main module's name; nothing, with its message, when a
    // file there is not the environment's.
    std::optional<std::string> FlushSources(TTempFiles& temp, const TBuildInput& input,
                                            std::vector<TNotice>& notices);
    void WriteLog(std::vector<TNotice>& notices);
    // ClearTemp, the save dialog when there is one, CompileMain; the image
    // when it built, with a failure reported into `out`.
    std::optional<TPCode> Build(TCommandOutcome& out, const TBuildInput& input, bool unitMode,
                                std::string_view failurePrefix, const TAskPath* askPath,
                                std::string* chosen, bool withForms = false);

    TOptions& Options_;
};

// The caret place of an error: the main module, or the open document with the
// lowest slot whose file name equals the error's ignoring letter case;
// nothing when the file is not open.
std::optional<TCaretPlace> LocateError(const TError& error, const TBuildInput& input);
// The row and column of byte `offset` in `text` (lines joined with CR LF),
// each line counted with `lineEndLength` bytes for its line end as its file
// has it; a column beyond the visible ones becomes the last visible one, and
// an offset past the text the end of its last line.
TCaretPlace CaretAtOffset(std::string_view text, int32_t offset, int32_t visibleColumns,
                          int32_t lineEndLength = 2);
// The text of a failed build's message box: the error, what it is about
// (the unknown atom, the character), and its file with line and column.
std::string FailureMessage(const TError& error, const TBuildInput& input);

// The message box of a file-system failure, naming the file and the reason.
TNotice FileErrorNotice(const std::exception& failure);

// The choices of the main window's menus for one run.
struct TRunChoice {
    bool InputFromFile = false; // "Ввод" > "Файл..."
    std::string InputFileName;
    bool OutputToFile = false; // "Вывод" > "Файл..."
    bool Graphics = false;     // "Вывод" > "Графический интерпретатор"
    std::string OutputFileName;
};

enum class TParamSource { None, File, Dialog };

// Where the parameters of the image's main function come from: nowhere when
// it takes none.
TParamSource ParamSourceOf(const TPCode& code, bool inputFromFile);
// The run object of an image as the options ask: MaxMem megabytes of cells,
// SymbolErr, the random generator seeded from the time of day. Nothing, with
// its message, when the machine cannot give that much memory.
std::unique_ptr<TInterpreter> CreateRun(TPCode code, const TOptions& options,
                                        std::vector<TNotice>& notices);
// ReadParams of the input file. False, with its message, when the file
// cannot be read: the run command then ends.
bool ReadParamsFile(TInterpreter& run, std::string_view path, std::vector<TNotice>& notices);
// The message of parameters the run refused (200, 201, 202); nothing when
// the run may start.
std::optional<TNotice> ParamsRefused(const TInterpreter& run);

} // namespace zk::ide
