// The words of a zk command line: the command, its file, its parameters and
// its options. Parsing checks only the shape; the commands check the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk::cli {

struct TCommandLine {
    std::string Command;
    std::string File;                // as written: the system's bytes
    std::vector<std::string> Params; // run only
    std::vector<std::string> IncludeDirs;
    std::optional<bool> Classic; // --classic or --modified, the last of them
    std::optional<std::string> LogFile;
    std::optional<std::string> ListingFile;
    std::optional<std::string> OutFile; // -o
    bool AsUnit = false;                // listing --unit
    // run
    std::optional<std::string> InputFile;
    std::optional<std::string> OutputFile;
    std::optional<std::string> PictureFile;
    std::optional<int32_t> MemoryMB;
    std::optional<bool> SymbolError;
    std::optional<int32_t> GraphicsMode;
    std::optional<uint32_t> Seed;
    bool Stats = false;
    // --trace: the functions traced, as written; empty for all of them.
    std::optional<std::vector<std::string>> Trace;
    int64_t TraceLimit = 1000;
};

// The largest --mem: the cells of both arrays must stay countable in 32 bits.
constexpr int32_t kMaxMemoryMB = 131071;

struct TParseResult {
    std::optional<TCommandLine> Line;
    std::string Error; // the usage error when Line is empty
};

// `args` without the program name; args[0] is the command.
TParseResult ParseCommandLine(const std::vector<std::string>& args);

} // namespace zk::cli
