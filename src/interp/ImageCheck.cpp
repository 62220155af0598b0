#include "interp/ImageCheck.h"

#include "frontend/FileIO.h"

namespace zk {

namespace {

bool HasMeaning(int32_t opCode) {
    return opCode >= 0 && opCode < kOpCodeCount && opCode != opRes1 && opCode != opRes2;
}

std::string At(int32_t index, const std::string& what) {
    return "instruction " + std::to_string(index) + ": " + what;
}

} // namespace

std::string RunnableImageFault(const TPCode& code) {
    if (code.Functions.empty()) return "no main function";
    if (code.Code.empty()) return "no instructions";
    // TRUE and FALSE are the atoms that predicates produce.
    if (code.Atoms.Count() < 3) return "atom table without TRUE and FALSE";
    for (const TFunction& function : code.Functions)
        if (function.Entry < 0 || function.Entry >= code.InstrCount())
            return "entry of " + function.Name + " outside the code";
    for (int32_t i = 0; i < code.InstrCount(); ++i)
        if (std::string fault = InstructionFault(code, i); !fault.empty()) return fault;
    return {};
}

std::string InstructionFault(const TPCode& code, int32_t index) {
    const TPInstr& instr = code.Code[index];
    const int32_t size = code.InstrCount();
    const int32_t atoms = code.Atoms.Count();
    if (!HasMeaning(instr.OpCode))
        return At(index, "unknown operation " + std::to_string(instr.OpCode));
    switch (instr.OpCode) {
    case opGoto:
        if (!instr.Name.empty()) return At(index, "unresolved call of " + instr.Name);
        [[fallthrough]];
    case opIf:
        if (instr.Arg1 < 0 || instr.Arg1 >= size) return At(index, "jump outside the code");
        break;
    case opPushConst:
        if (instr.Arg1 < 0 || instr.Arg1 >= atoms)
            return At(index, "atom number outside the table");
        break;
    case opAtomEqual:
        if (instr.Arg2 != 0 && instr.Arg2 != 1) // 0 an atom, 1 a number
            return At(index, "constant of unknown kind");
        if (instr.Arg2 == 0 && (instr.Arg1 < 0 || instr.Arg1 >= atoms))
            return At(index, "atom number outside the table");
        break;
    default: break;
    }
    return {};
}

void RefuseUnrunnable(const TPCode& code, std::string_view path) {
    if (const std::string fault = RunnableImageFault(code); !fault.empty())
        throw TFileError(std::string(path), "damaged p-code file: " + fault);
}

TPCode LoadRunnableProgram(std::string_view path) {
    TPCode code = TPCode::FromFile(path);
    RefuseUnrunnable(code, path);
    return code;
}

} // namespace zk
