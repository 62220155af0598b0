// One compilation as zk runs it: the search list built from the command line,
// the compile log written where asked, and the error line with file, line and
// column. Shared by the compile commands and by zk run.
#pragma once

#include "cli/CommandLine.h"
#include "debug/FormMap.h"
#include "pcode/PCode.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zk::cli {

// The main file's own directory as written ("./" when none), then each -I.
std::vector<std::string> IncludePathsFor(const TCommandLine& line);

// True when the file starts with a p-code signature (ZKP, ZKU or ZKExt).
bool IsPCodeFile(const std::string& path);
// True when it starts with the signature of a program file (ZKP).
bool IsProgramFile(const std::string& path);

// Compiles line.File as a program (or a unit); prints the error line to `err`
// and returns nothing on a compile or link error. Writes the log when asked.
// `forms`, when given, receives the image's form map.
std::optional<TPCode> CompileFile(const TCommandLine& line, bool unitMode, std::ostream& err,
                                  TFormMap* forms = nullptr);

// "PATH:LINE:COL" of `offset` in the file's text as the compiler read it (a
// UTF-8 file decoded, so a column counts characters), lines ending at LF.
std::string PlaceText(const std::string& path, int32_t offset);

} // namespace zk::cli
