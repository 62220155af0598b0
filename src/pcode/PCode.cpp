// The image's records, the atom table and the whole-image operations that the
// linker and the optimizer rely on: relocation, deletion of a run of code and
// the merge of another image.
#include "pcode/PCode.h"

#include "frontend/Cp1251.h"

#include <array>
#include <stdexcept>

namespace zk {

namespace {

constexpr std::array<const char*, kOpCodeCount> kOpCodeNames = {
    "NOP",  "PushConst", "First",  "BF",      "Last",    "BL",        "Br",       "Cont",
    "Expr", "If",        "Symbol", "Goto",    "Param",   "ParamCopy", "LoadArgs", "FreeArgs",
    "Res1", "Res2",      "Equal",  "Ret",     "SavePos", "Abort",     "Add",      "Subtr",
    "Mul",  "Div",       "Mod",    "PushNum", "Number",  "Greater",   "Random",   "AtomEqual",
};

constexpr int32_t kUntranslated = -2;

bool CarriesAtom(const TPInstr& instr) {
    return instr.OpCode == opPushConst || (instr.OpCode == opAtomEqual && instr.Arg2 == 0);
}

} // namespace

const char* OpCodeName(int32_t opCode) {
    return opCode >= 0 && opCode < kOpCodeCount ? kOpCodeNames[opCode] : "UNK";
}

bool IsJump(const TPInstr& instr) {
    return instr.OpCode == opIf || (instr.OpCode == opGoto && instr.Name.empty());
}

int32_t TAtomTable::Find(std::string_view text) const {
    const auto found = Index_.find(UpperCase1251(text));
    return found == Index_.end() ? -1 : found->second;
}

int32_t TAtomTable::Add(std::string_view text) {
    const auto [slot, added] = Index_.try_emplace(UpperCase1251(text), Count());
    if (added) Texts_.emplace_back(text);
    return slot->second;
}

int32_t TAtomTable::AppendLoaded(std::string_view text) {
    const int32_t index = Count();
    Index_.try_emplace(UpperCase1251(text), index);
    Texts_.emplace_back(text);
    return index;
}

void TAtomTable::Clear() {
    Texts_.clear();
    Index_.clear();
}

TPCode::TPCode() {
    Atoms.Add("");
    Atoms.Add("TRUE");
    Atoms.Add("FALSE");
}

TPCode TPCode::Empty() {
    TPCode code;
    code.Clear();
    return code;
}

TPCode TPCode::FromFile(std::string_view path) {
    TPCode code = Empty();
    code.LoadFromFile(path);
    return code;
}

int32_t TPCode::AddInstr(int32_t opCode, int32_t arg1, int32_t arg2, std::string name,
                         int32_t position) {
    Code.push_back(TPInstr{position, opCode, arg1, arg2, std::move(name)});
    return InstrCount() - 1;
}

TFunction& TPCode::AddFunction() {
    TFunction& function = Functions.emplace_back();
    function.Entry = InstrCount();
    return function;
}

TFunction& TPCode::LastFunction() {
    if (Functions.empty()) throw std::out_of_range("the image has no function");
    return Functions.back();
}

const TFunction& TPCode::LastFunction() const {
    if (Functions.empty()) throw std::out_of_range("the image has no function");
    return Functions.back();
}

void TPCode::Clear() {
    Code.clear();
    Functions.clear();
    Atoms.Clear();
    Uses.clear();
    ExtList.clear();
}

// A damaged unit file may hold any address; the sum wraps around instead of
// overflowing, and an address outside the code stays outside it for the
// image check to refuse.
void TPCode::Relocate(int32_t delta) {
    const auto moved = [delta](int32_t address) {
        return static_cast<int32_t>(static_cast<uint32_t>(address) + static_cast<uint32_t>(delta));
    };
    for (TFunction& function : Functions)
        function.Entry = moved(function.Entry);
    for (TPInstr& instr : Code)
        if (IsJump(instr)) instr.Arg1 = moved(instr.Arg1);
}

// One pass over the code and one over the functions. The optimizer removes
// only whole functions that nothing reaches, so no remaining jump points into
// the removed run.
void TPCode::DeleteInstrs(int32_t start, int32_t count) {
    if (start < 0 || count < 0 || start > InstrCount() - count)
        throw std::out_of_range("DeleteInstrs outside the code");
    Code.erase(Code.begin() + start, Code.begin() + start + count);
    const int32_t lastRemoved = start + count - 1;
    std::erase_if(Functions, [&](TFunction& function) {
        if (function.Entry < start) return false;
        if (function.Entry <= lastRemoved) return true;
        function.Entry -= count;
        return false;
    });
    for (TPInstr& instr : Code)
        if (IsJump(instr) && instr.Arg1 >= start) instr.Arg1 -= count;
}

// An atom number of `other` is translated the first time an instruction uses
// it; a number outside other's table (a damaged unit file) becomes -1, which
// names no atom here either.
void TPCode::Append(const TPCode& other) {
    if (&other == this) {
        const TPCode copy = other;
        Append(copy);
        return;
    }
    ExtList.clear();
    Functions.insert(Functions.end(), other.Functions.begin(), other.Functions.end());
    std::vector<int32_t> translated(other.Atoms.Count(), kUntranslated);
    Code.reserve(Code.size() + other.Code.size());
    for (const TPInstr& source : other.Code) {
        TPInstr& instr = Code.emplace_back(source);
        if (!CarriesAtom(instr)) continue;
        if (instr.Arg1 < 0 || instr.Arg1 >= other.Atoms.Count()) {
            instr.Arg1 = -1;
            continue;
        }
        int32_t& mapped = translated[instr.Arg1];
        if (mapped == kUntranslated) mapped = Atoms.Add(other.Atoms[instr.Arg1]);
        instr.Arg1 = mapped;
    }
    Uses.insert(Uses.end(), other.Uses.begin(), other.Uses.end());
}

} // namespace zk
