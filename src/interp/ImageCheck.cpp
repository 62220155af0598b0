#include "interp/ImageCheck.h"

#include "pcode/CodeVerifier.h"

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
    return CodeFault(code, TCodeKind::Program);
}

std::string InstructionFault(const TPCode& code, int32_t index) {
    const TPInstr& instr = code.Code[index];
    const int32_t size = code.InstrCount();
    const int32_t atoms = code.Atoms.Count();
    if (!HasMeaning(instr.OpCode))
        return At(index, "unknown operation " + std::to_string(instr.OpCode));
    switch (instr.OpCode) {
    case opGoto:
        if (!instr.Name.empty()) return At(index, "unresolved call of " + instr.Name.Text());
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
    RefuseDamagedCode(code, TCodeKind::Program, path);
}

TPCode LoadRunnableProgram(std::string_view path) {
    TPCode code = TPCode::FromFile(path);
    RefuseUnrunnable(code, path);
    return code;
}

} // namespace zk
