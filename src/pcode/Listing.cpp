// The listing writer. Every section heading is written even when its table is
// empty, so a reader always finds the four sections in the same order.
#include "pcode/Listing.h"

#include "frontend/FileIO.h"

namespace zk {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kPieceSize = 1 << 16;

void Line(std::string& out, std::string_view indent, std::string_view text) {
    out += indent;
    out += text;
    out += kLineEnd;
}

void ListFunction(std::string& out, const TFunction& function) {
    Line(out, "  ", function.Name);
    if (!function.DefOp.empty()) Line(out, "  Defop: ", function.DefOp);
    if (function.Exported) Line(out, "  Exported", "");
    Line(out, "  Position: ", std::to_string(function.Entry));
    if (function.Args.empty()) return;
    Line(out, "  Arguments:", "");
    for (const std::string& arg : function.Args)
        Line(out, "    ", arg);
}

void ListInstr(std::string& out, int32_t index, const TPInstr& instr) {
    out += std::to_string(index);
    out += ": ";
    out += OpCodeName(instr.OpCode);
    out += '(';
    out += std::to_string(instr.Arg1);
    out += ", ";
    out += std::to_string(instr.Arg2);
    out += ", \"";
    out += instr.Name;
    out += "\") - ";
    out += std::to_string(instr.Position);
    out += kLineEnd;
}

} // namespace

void StreamListing(const TPCode& image, const TListingSink& sink) {
    std::string out;
    const auto passOn = [&out, &sink](std::size_t atLeast) {
        if (out.size() < atLeast) return;
        sink(out);
        out.clear();
    };
    Line(out, "Uses:", "");
    for (const std::string& name : image.Uses)
        Line(out, "  ", name);
    Line(out, "Atoms:", "");
    for (const std::string& atom : image.Atoms) {
        Line(out, "  ", atom);
        passOn(kPieceSize);
    }
    Line(out, "Functions:", "");
    for (const TFunction& function : image.Functions) {
        ListFunction(out, function);
        passOn(kPieceSize);
    }
    Line(out, "Code:", "");
    for (int32_t i = 0; i < image.InstrCount(); ++i) {
        ListInstr(out, i, image.Code[i]);
        passOn(kPieceSize);
    }
    passOn(1);
}

std::string ListingText(const TPCode& image) {
    std::string text;
    StreamListing(image, [&text](std::string_view piece) { text += piece; });
    return text;
}

void WriteListing(const TPCode& image, std::string_view path, TWriteRule rule) {
    TFileWriter out(path, rule);
    StreamListing(image, [&out](std::string_view piece) { out.Write(piece); });
    out.Close();
}

} // namespace zk
