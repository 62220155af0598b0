// The settings record of the environment and its file "Zk.ini". The build and
// run commands read the record where they need an option; the desktop program
// edits it in its options dialog and `zk` only loads it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

// A record that has never been loaded holds zeros and empty strings. Its
// directories are paths, the system's bytes; the settings file holds them as
// Windows-1251 texts, and loading and saving convert.
struct TOptions {
    // Include and unit search directories, each ending in '/' once the dialog or
    // a build has seen it; searched after the temporary directory.
    std::vector<std::string> Include;
    std::string TempDir;      // copies of the documents and the main module of a build
    std::string DefaultDir;   // initial directory of the file dialogs
    std::string ExtOutputDir; // where "Log.txt" and "PCode.txt" are written
    std::string DefExtension; // at most 3 characters; stored, consulted by nothing

    // The fields below are the 14 bytes of "BasicOptions", in their order.
    bool PCDOut = false;      // write the p-code listing after each compile
    bool UseNew = false;      // the modified language ZKM
    bool SymbolErr = false;   // SYMBOL of an expression is a run-time error
    bool StartIntrp = false;  // the run dialog starts at once
    bool AutoSave = false;    // Run saves all documents after a successful compile
    uint8_t Reserved5 = 0;    // kept as read, so that a later version's byte survives
    uint16_t MaxMem = 0;      // interpreter memory in megabytes
    uint8_t GraphicsMode = 0; // 0 16 colours, 1 monochrome, 2 true colour
    uint8_t LogMode = 0;      // 0 no log, 1 rewrite "Log.txt", 2 append to it
    bool LimitSize = false;   // limit the size of an appended log
    uint8_t Reserved11 = 0;   // as Reserved5
    uint16_t LogSize = 0;     // that limit in kilobytes

    // The editor's look, in a section of its own that older versions ignore.
    std::string FontFamily; // Windows-1251
    int FontSize = 0;       // in points
    bool LineNumbers = false;
    bool LiveErrors = false; // the current document checked while it is typed
    // The instructions a step command of the stepper may execute before it
    // asks whether to go on; in a section of its own too.
    int32_t DebugStepLimit = 0;
};

constexpr int32_t kDefaultDebugStepLimit = 10'000'000;
constexpr int32_t kMinDebugStepLimit = 1000;

// More "Incl" entries than this are not read, whatever "Count" says.
constexpr int kMaxIncludeCount = 1024;

// The editor's font: "Courier New", which fontconfig serves with its metric
// twin "Liberation Mono" where it is missing. A size read from the file outside
// the bounds is the default size.
inline constexpr std::string_view kDefaultFontFamily = "Courier New";
constexpr int kDefaultFontSize = 10;
constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 72;

// The environment's own directory under the system's temporary directory,
// "<temp>/varnok-<user>". Only the name: the defaults create nothing, so that
// loading settings (zk does) never touches the file system.
std::string DefaultTempDir();

// Readies `dir` for a build. The default temporary directory is created with
// mode 0700 when missing; since a build deletes files there, an existing one
// serves only when it is a directory of the user's own that no one else may
// write to. The mode of an existing directory is never changed. Any other
// directory is the user's choice and passes as it is. False when the default
// directory cannot serve.
bool PrepareTempDir(const std::string& dir);

// Every field its default except LimitSize and LogSize (and the reserved
// bytes), which keep their values; the include list becomes empty.
void SetDefaultOptions(TOptions& options);

// The 14 option bytes as 28 upper-case hexadecimal digits, high digit first,
// 16-bit values low byte first.
std::string BasicOptionsToHex(const TOptions& options);
// The inverse for the first 28 characters of `hex`. A character that is not one
// of "0123456789ABCDEF" is the digit 0, and so is every digit missing from a
// shorter text. A nonzero byte is true for a boolean field.
void HexToBasicOptions(std::string_view hex, TOptions& options);

// Reads the settings file at `path` into `options`; the include list is emptied
// first and then filled from index 0. A missing key takes its default, so a
// file of an older version, without the "Editor" section, gives the editor's
// defaults. A file
// without "BasicOptions" (a missing file included) was not written by
// SaveOptions: the record then starts from SetDefaultOptions and takes only the
// keys the file has. A file that exists but cannot be read is a TFileError.
void LoadOptions(std::string_view path, TOptions& options);
// The same into a never-loaded record.
TOptions LoadOptions(std::string_view path);

// Writes every key of the record into the file at `path`, keeping its other
// sections, keys and comments. "Incl" keys of an earlier, longer list stay in
// the file; "Count" says how many are read. TFileError on failure.
void SaveOptions(std::string_view path, const TOptions& options);

} // namespace zk
