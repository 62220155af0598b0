// The compile driver: preprocessing, lexical analysis and module compilation
// of a source, and for a program the link procedure that brings in every used
// unit (compiled from its source or loaded from its unit file), binds and
// checks the calls between modules and optimizes the result. Each stage adds
// its line to CompileLog. Errors leave with their offset resolved to a file.
#pragma once

#include "debug/FormMap.h"
#include "frontend/Errors.h"
#include "frontend/Source.h"
#include "pcode/PCode.h"

#include <string>
#include <string_view>
#include <vector>

namespace zk {

// Compiles one freshly read source into `code` (an image created for compiling).
bool CompileSource(TSource& source, TPCode& code, TError& error);
// Reads the source file `path` and compiles it.
bool CompileUnitFile(const std::string& path, TPCode& code, TError& error);

// Where the file that holds an error lies, for the caller's report: the path it
// was read from (empty when no file applies, as for a module not found).
struct TErrorPlace {
    std::string Path;
};

// The entry for the build commands. A unit is compiled alone and optimized; a
// program is linked with its units. `code` receives the image only when
// error.Number is 0. IncludePaths is set to `paths` for the compilation.
// `forms`, when given, receives the form map of the image (cleared on an
// error); a compile without one records nothing.
void Compile(TSource& source, TPCode& code, bool unitMode, TError& error,
             const std::vector<std::string>& paths, TErrorPlace* place = nullptr,
             TFormMap* forms = nullptr);

// A build command's compilation of its main file, the same in zk and in the
// environment: CompileLog emptied and begun with "Начата компиляция главного
// модуля", the file read into a source, then Compile. A main file that cannot
// be read is a TFileError, with the log holding its first line.
void CompileMainFile(std::string_view path, TPCode& code, bool unitMode, TError& error,
                     const std::vector<std::string>& paths, TErrorPlace* place = nullptr,
                     TFormMap* forms = nullptr);

} // namespace zk
