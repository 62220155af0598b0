// The compiled image of a ZK module or of a linked program: instructions,
// the function table, the atom table and the names of used modules. The
// compiler fills it, the linker relocates and merges images, the optimizer
// rewrites it in place and the interpreter executes it.
#pragma once

#include "pcode/InstrName.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

// The operation codes. An instruction keeps its code as a plain int32_t so
// that a damaged file's unknown codes (16, 17 and above 31) survive loading.
enum TOpCode : int32_t {
    opNop = 0,
    opPushConst = 1,
    opFirst = 2,
    opBF = 3,
    opLast = 4,
    opBL = 5,
    opBr = 6,
    opCont = 7,
    opExpr = 8,
    opIf = 9,
    opSymbol = 10,
    opGoto = 11,
    opParam = 12,
    opParamCopy = 13,
    opLoadArgs = 14,
    opFreeArgs = 15,
    opRes1 = 16,
    opRes2 = 17,
    opEqual = 18,
    opRet = 19,
    opSavePos = 20,
    opAbort = 21,
    opAdd = 22,
    opSubtr = 23,
    opMul = 24,
    opDiv = 25,
    opMod = 26,
    opPushNum = 27,
    opNumber = 28,
    opGreater = 29,
    opRandom = 30,
    opAtomEqual = 31,
};

constexpr int32_t kOpCodeCount = 32;

// A function takes at most this many arguments: files store an arity in one
// byte, and the interpreter reads only the low byte of an argument operand.
constexpr int32_t kMaxArity = 255;

// The listing name of a code ("PushConst"); "UNK" for anything outside 0..31.
const char* OpCodeName(int32_t opCode);

// The operations that use Arg1 (PushConst, If, Goto, Param, ParamCopy,
// LoadArgs, FreeArgs, PushNum, AtomEqual) and Arg2 (Goto, AtomEqual); files
// store exactly these operands.
constexpr bool HasArg1(int32_t opCode) {
    switch (opCode) {
    case opPushConst:
    case opIf:
    case opGoto:
    case opParam:
    case opParamCopy:
    case opLoadArgs:
    case opFreeArgs:
    case opPushNum:
    case opAtomEqual: return true;
    default: return false;
    }
}

constexpr bool HasArg2(int32_t opCode) {
    return opCode == opGoto || opCode == opAtomEqual;
}

// Call modes of an unresolved Goto (its Arg1 while Name holds the callee).
constexpr int32_t kCallByName = 0;
constexpr int32_t kCallByOperator = 1;

// The kinds of p-code file that SaveToFile writes.
enum TPCodeFileKind : int32_t {
    pfProgram = 0, // "ZKP": atoms, function 0, code without callee names
    pfUnit = 1,    // "ZKU": uses, atoms, exported functions, code with names
    pfImage = 2,   // "ZKExt": everything but instruction positions
};

struct TPInstr {
    int32_t Position = 0; // offset in the preprocessed source; 0 when loaded
    int32_t OpCode = opNop;
    int32_t Arg1 = 0;
    int32_t Arg2 = 0; // argument count of an unresolved call; AtomEqual's kind
    TInstrName Name;  // callee of an unresolved call; PushConst text before numbering
};

struct TFunction {
    bool Exported = false;
    int32_t Entry = 0; // index in Code of the first instruction
    std::string Name;
    std::string DefOp; // operator bound by DEFOP, empty if none
    std::vector<std::string> Args;
};

// Atom texts numbered from 0. Texts are compared ignoring letter case
// (Windows-1251 folding); Add never stores a text twice. A hash index keyed by
// the upper-cased text keeps Find and Add constant-time: the compiler numbers
// an atom for every PushConst and Append translates every atom reference.
// A loaded file may list one text twice (AppendLoaded keeps the file's
// numbering); Find then returns the first index.
class TAtomTable {
public:
    int32_t Find(std::string_view text) const; // -1 when absent
    int32_t Add(std::string_view text);        // index of the text, appended if absent
    int32_t AppendLoaded(std::string_view text);
    const std::string& operator[](int32_t index) const { return Texts_.at(index); }
    int32_t Count() const { return static_cast<int32_t>(Texts_.size()); }
    void Clear();
    void Reserve(std::size_t count) { Texts_.reserve(count); }

    const std::vector<std::string>& Texts() const { return Texts_; }
    auto begin() const { return Texts_.begin(); }
    auto end() const { return Texts_.end(); }

private:
    std::vector<std::string> Texts_;
    std::unordered_map<std::string, int32_t> Index_; // upper-cased text -> first index
};

// The image owns its instructions and functions by value. References and
// pointers into Code or Functions stay valid only until that list changes
// size (AddInstr, AddFunction, DeleteInstrs, Append, Clear, LoadFromFile).
// An index outside a list throws std::out_of_range in GetInstr, GetFunction,
// LastFunction and DeleteInstrs; the interpreter reads Code directly.
class TPCode {
public:
    TPCode();              // for compiling: atoms "", "TRUE", "FALSE"
    static TPCode Empty(); // no atoms at all, for loading
    static TPCode FromFile(std::string_view path);

    int32_t AddInstr(int32_t opCode, int32_t arg1 = 0, int32_t arg2 = 0, std::string name = {},
                     int32_t position = 0);
    // A function whose Entry is the current InstrCount, to be filled by the caller.
    TFunction& AddFunction();
    TFunction& LastFunction();
    const TFunction& LastFunction() const;
    TPInstr& GetInstr(int32_t index) { return Code.at(index); }
    const TPInstr& GetInstr(int32_t index) const { return Code.at(index); }
    TFunction& GetFunction(int32_t index) { return Functions.at(index); }
    const TFunction& GetFunction(int32_t index) const { return Functions.at(index); }
    int32_t InstrCount() const { return static_cast<int32_t>(Code.size()); }
    int32_t FunctionCount() const { return static_cast<int32_t>(Functions.size()); }

    // Empties all five lists; the atom table loses its preset atoms too.
    void Clear();
    // Moves every entry, If target and resolved Goto target by `delta`.
    void Relocate(int32_t delta);
    // Removes `count` instructions from `start`, drops the functions that began
    // in the removed run and moves later entries and jump targets down.
    void DeleteInstrs(int32_t start, int32_t count);
    // Copies `other`'s functions, code (atom numbers translated into this
    // table) and uses after this image's own; empties ExtList.
    void Append(const TPCode& other);

    // Defined in PCodeFile.cpp. Both throw TFileError. A damaged file leaves
    // the image empty, one that cannot be read leaves it as it was; a failed
    // save writes nothing.
    void SaveToFile(std::string_view path, TPCodeFileKind kind,
                    TWriteRule rule = TWriteRule::AnyFile) const;
    void LoadFromFile(std::string_view path);

    std::vector<TPInstr> Code;
    std::vector<TFunction> Functions;
    TAtomTable Atoms;
    std::vector<std::string> Uses;
    std::vector<std::string> ExtList; // carried by files only; Append empties it
};

// True for the instructions whose Arg1 is a code address: every If and every
// Goto without a callee name.
bool IsJump(const TPInstr& instr);

} // namespace zk
