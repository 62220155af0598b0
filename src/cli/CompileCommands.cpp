// zk check, build, unit and listing.
#include "cli/CompileCommands.h"

#include "cli/Cli.h"
#include "cli/Compilation.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "pcode/Listing.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace zk::cli {

namespace {

bool RefusePCodeFile(const TCommandLine& line, std::ostream& err) {
    if (!IsPCodeFile(line.File)) return false;
    err << "zk: " << line.File << " is a p-code file; " << line.Command << " takes a ZK source\n";
    return true;
}

// The listing for a terminal: UTF-8 with lines ended by LF alone. A piece
// holds whole lines, so no CR LF is split between two pieces.
void WriteListingTo(std::ostream& out, const TPCode& code) {
    StreamListing(code, [&out](std::string_view piece) {
        const std::string text = Cp1251ToUtf8(piece);
        std::string lines;
        lines.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
        errno = 0;
        out << lines;
        // The rest would be lost too, and later the reason with it.
        if (!out)
            throw TFileError("standard output", errno != 0 ? std::strerror(errno) : "write error");
    });
}

} // namespace

int RunCheck(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    if (RefusePCodeFile(line, err)) return kExitUsage;
    if (!CompileFile(line, false, err)) return kExitCompileError;
    out << "Ошибок в исходном коде не обнаружено\n";
    return kExitOk;
}

int RunBuild(const TCommandLine& line, std::ostream&, std::ostream& err) {
    if (RefusePCodeFile(line, err)) return kExitUsage;
    const bool unitMode = line.Command == "unit";
    const auto code = CompileFile(line, unitMode, err);
    if (!code) return kExitCompileError;
    code->SaveToFile(*line.OutFile, unitMode ? pfUnit : pfProgram);
    if (line.ListingFile) WriteListing(*code, *line.ListingFile);
    return kExitOk;
}

int RunListing(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    std::optional<TPCode> code;
    if (IsPCodeFile(line.File)) {
        code = TPCode::FromFile(line.File);
    } else {
        code = CompileFile(line, line.AsUnit, err);
        if (!code) return kExitCompileError;
    }
    if (line.OutFile) {
        WriteListing(*code, *line.OutFile);
    } else {
        WriteListingTo(out, *code);
    }
    return kExitOk;
}

} // namespace zk::cli
