// Writing and reading the p-code file layouts. Numbers are little-endian; a
// text is a 16-bit length and its bytes. The reader trusts nothing in the
// file: every read is bounds-checked and every count is weighed against the
// bytes left before anything is allocated for it.
#include "pcode/PCodeFile.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <stdexcept>

namespace zk {

namespace {

constexpr std::size_t kMaxText = 0xFFFF;
constexpr int32_t kMaxWord = 0xFFFF;
constexpr std::string_view kProgramSignature = "ZKP";
constexpr std::string_view kUnitSignature = "ZKU";
constexpr std::string_view kImageSignature = "ZKExt";

// The smallest function record: two empty texts, the entry and the arity.
constexpr std::size_t kMinFunctionBytes = 2 + 2 + 4 + 1;
constexpr std::size_t kTextBytes = 2;
constexpr std::size_t kInstrBytes = 1;

std::string_view Signature(TPCodeFileKind kind) {
    switch (kind) {
    case pfProgram: return kProgramSignature;
    case pfUnit: return kUnitSignature;
    case pfImage: return kImageSignature;
    }
    throw std::invalid_argument("unknown p-code file kind");
}

class TByteWriter {
public:
    explicit TByteWriter(std::string_view path) : Path_(path) {}

    void Byte(uint8_t value) { Bytes += static_cast<char>(value); }
    void Word(uint16_t value) {
        Byte(static_cast<uint8_t>(value));
        Byte(static_cast<uint8_t>(value >> 8));
    }
    void Int(int32_t value) {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            Byte(static_cast<uint8_t>(bits >> shift));
    }
    void Text(std::string_view text) {
        if (text.size() > kMaxText)
            throw TFileError(Path_, "cannot save: a text of " + std::to_string(text.size()) +
                                        " bytes is longer than the 65535 a p-code file holds");
        Word(static_cast<uint16_t>(text.size()));
        Bytes += text;
    }
    void TextList(const std::vector<std::string>& texts) {
        Int(static_cast<int32_t>(texts.size()));
        for (const std::string& text : texts)
            Text(text);
    }
    void Function(const TFunction& function) {
        if (function.Args.size() > static_cast<std::size_t>(kMaxArity))
            throw TFileError(Path_, "cannot save: function " + Cp1251ToUtf8(function.Name) +
                                        " has " + std::to_string(function.Args.size()) +
                                        " arguments, a p-code file holds at most 255");
        Text(function.Name);
        Text(function.DefOp);
        Int(function.Entry);
        Byte(static_cast<uint8_t>(function.Args.size()));
        for (const std::string& arg : function.Args)
            Text(arg);
    }
    void Instr(const TPInstr& instr, bool withNames) {
        Byte(static_cast<uint8_t>(instr.OpCode));
        if (HasArg1(instr.OpCode)) Int(instr.Arg1);
        if (HasArg2(instr.OpCode)) Word(Arg2Word(instr, withNames));
        if (withNames && instr.OpCode == opGoto) Text(instr.Name.Text());
    }

    std::string Bytes;

private:
    // Only the low 16 bits are stored. A call left unresolved keeps its
    // argument count there, and one that does not fit would be read back as a
    // call of fewer arguments.
    uint16_t Arg2Word(const TPInstr& instr, bool withNames) const {
        const bool unresolvedCall = withNames && instr.OpCode == opGoto && !instr.Name.empty();
        if (unresolvedCall && (instr.Arg2 < 0 || instr.Arg2 > kMaxWord))
            throw TFileError(Path_, "cannot save: a call of " + Cp1251ToUtf8(instr.Name.Text()) +
                                        " with " + std::to_string(instr.Arg2) +
                                        " arguments, a p-code file holds at most 65535");
        return static_cast<uint16_t>(instr.Arg2);
    }

    std::string Path_;
};

class TByteReader {
public:
    TByteReader(std::string_view bytes, std::string_view path) : Bytes_(bytes), Path_(path) {}

    std::size_t Left() const { return Bytes_.size() - Pos_; }

    uint8_t Byte() {
        Need(1);
        return static_cast<uint8_t>(Bytes_[Pos_++]);
    }
    uint16_t Word() {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | (Byte() << 8));
    }
    int32_t Int() {
        Need(4);
        uint32_t bits = 0;
        for (int shift = 0; shift < 32; shift += 8)
            bits |= uint32_t{Byte()} << shift;
        return static_cast<int32_t>(bits);
    }
    std::string Text() {
        const std::size_t at = Pos_;
        const std::size_t size = Word();
        if (size > Left())
            Damaged("a text of " + std::to_string(size) + " bytes at byte " + std::to_string(at) +
                    " runs past the end");
        std::string text(Bytes_.substr(Pos_, size));
        Pos_ += size;
        return text;
    }
    // A record count; each record takes at least `minBytes` of what is left.
    std::size_t Count(std::size_t minBytes, const char* what) {
        const std::size_t at = Pos_;
        const int32_t count = Int();
        if (count < 0 || static_cast<std::size_t>(count) > Left() / minBytes)
            Damaged("impossible count " + std::to_string(count) + " of " + what + " at byte " +
                    std::to_string(at));
        return static_cast<std::size_t>(count);
    }
    std::vector<std::string> TextList(const char* what) {
        std::vector<std::string> texts(Count(kTextBytes, what));
        for (std::string& text : texts)
            text = Text();
        return texts;
    }
    std::size_t Arity() {
        const std::size_t at = Pos_;
        const std::size_t arity = Byte();
        if (arity > Left() / kTextBytes)
            Damaged("arity " + std::to_string(arity) + " at byte " + std::to_string(at) +
                    " needs more bytes than are left");
        return arity;
    }

    [[noreturn]] void Damaged(const std::string& what) const {
        throw TFileError(Path_, "damaged p-code file: " + what, TFileFault::Damaged);
    }

private:
    void Need(std::size_t size) const {
        if (size > Left()) Damaged("it ends early, at byte " + std::to_string(Bytes_.size()));
    }

    std::string_view Bytes_;
    std::string Path_;
    std::size_t Pos_ = 0;
};

TFunction ReadFunction(TByteReader& in) {
    TFunction function;
    function.Name = in.Text();
    function.DefOp = in.Text();
    function.Entry = in.Int();
    function.Args.resize(in.Arity());
    for (std::string& arg : function.Args)
        arg = in.Text();
    return function;
}

TPInstr ReadInstr(TByteReader& in, bool withNames) {
    TPInstr instr;
    instr.OpCode = in.Byte();
    if (HasArg1(instr.OpCode)) instr.Arg1 = in.Int();
    if (HasArg2(instr.OpCode)) instr.Arg2 = in.Word();
    if (withNames && instr.OpCode == opGoto) instr.Name = in.Text();
    return instr;
}

// Fills a cleared image; any signature but "ZKP" and "ZKU" reads as a full image.
void ReadImage(TByteReader& in, TPCode& code) {
    const std::string signature = in.Text();
    const bool program = signature == kProgramSignature;
    const bool unit = signature == kUnitSignature;
    if (!program) code.Uses = in.TextList("uses");
    const std::size_t atoms = in.Count(kTextBytes, "atoms");
    code.Atoms.Reserve(atoms);
    for (std::size_t i = 0; i < atoms; ++i)
        code.Atoms.AppendLoaded(in.Text());

    const bool image = !program && !unit;
    const std::size_t functionBytes = image ? kMinFunctionBytes + 1 : kMinFunctionBytes;
    const std::size_t functions = program ? 1 : in.Count(functionBytes, "functions");
    code.Functions.reserve(functions);
    for (std::size_t i = 0; i < functions; ++i) {
        TFunction& function = code.Functions.emplace_back(ReadFunction(in));
        function.Exported = image ? in.Byte() != 0 : unit;
    }

    const std::size_t instrs = in.Count(kInstrBytes, "instructions");
    code.Code.reserve(instrs);
    for (std::size_t i = 0; i < instrs; ++i)
        code.Code.push_back(ReadInstr(in, !program));

    if (in.Left() >= 2) code.ExtList = in.TextList("extension texts");
}

} // namespace

std::string EncodePCodeFile(const TPCode& code, TPCodeFileKind kind, std::string_view path) {
    TByteWriter out(path);
    out.Text(Signature(kind));
    if (kind != pfProgram) out.TextList(code.Uses);
    out.TextList(code.Atoms.Texts());
    switch (kind) {
    case pfProgram:
        if (code.Functions.empty())
            throw TFileError(std::string(path),
                             "cannot save: a program file needs function 0, the image has none");
        out.Function(code.Functions[0]);
        break;
    case pfUnit: {
        int32_t exported = 0;
        for (const TFunction& function : code.Functions)
            exported += function.Exported;
        out.Int(exported);
        for (const TFunction& function : code.Functions)
            if (function.Exported) out.Function(function);
        break;
    }
    case pfImage:
        out.Int(code.FunctionCount());
        for (const TFunction& function : code.Functions) {
            out.Function(function);
            out.Byte(function.Exported);
        }
        break;
    }
    out.Int(code.InstrCount());
    for (const TPInstr& instr : code.Code)
        out.Instr(instr, kind != pfProgram);
    if (!code.ExtList.empty()) out.TextList(code.ExtList);
    return std::move(out.Bytes);
}

void DecodePCodeFile(TPCode& code, std::string_view bytes, std::string_view path) {
    code.Clear();
    try {
        TByteReader in(bytes, path);
        ReadImage(in, code);
    } catch (...) {
        code.Clear();
        throw;
    }
}

void TPCode::SaveToFile(std::string_view path, TPCodeFileKind kind, TWriteRule rule) const {
    WriteWholeFile(path, EncodePCodeFile(*this, kind, path), rule);
}

// The most memory a loaded image and its run take for a byte of its file: an
// instruction of one byte (a NOP) becomes a record and the interpreter's copy.
constexpr uint64_t kMemoryPerFileByte = sizeof(TPInstr) + 16;

void TPCode::LoadFromFile(std::string_view path) {
    const std::string bytes = ReadWholeFile(path, ReadableFileSize(kMemoryPerFileByte));
    DecodePCodeFile(*this, bytes, path);
}

} // namespace zk
