// The settings file that zk reads from the current directory: it supplies what
// the command line leaves open, and the command line wins.
#pragma once

#include "cli/CommandLine.h"

#include <string_view>

namespace zk::cli {

inline constexpr std::string_view kSettingsFile = "Zk.ini";

// Fills the language (UseNew), the SYMBOL option, the memory and the graphics mode
// that `line` does not set from the file at `path`, and appends its include
// directories after the -I ones. Nothing changes when there is no such file.
void ApplySettingsFile(TCommandLine& line, std::string_view path);

} // namespace zk::cli
