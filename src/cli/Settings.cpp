#include "cli/Settings.h"

#include "frontend/FileIO.h"
#include "frontend/Options.h"

namespace zk::cli {

void ApplySettingsFile(TCommandLine& line, std::string_view path) {
    if (!FileExists(path)) return;
    const TOptions options = LoadOptions(path);
    if (!line.Classic) line.Classic = !options.UseNew;
    if (!line.SymbolError) line.SymbolError = options.SymbolErr;
    // A hand-edited file may hold values no run can use; those are ignored.
    if (!line.MemoryMB && options.MaxMem >= 1 && options.MaxMem <= kMaxMemoryMB)
        line.MemoryMB = options.MaxMem;
    if (!line.GraphicsMode && options.GraphicsMode <= 2) line.GraphicsMode = options.GraphicsMode;
    for (const std::string& dir : options.Include)
        if (!dir.empty()) line.IncludeDirs.push_back(dir);
}

} // namespace zk::cli
