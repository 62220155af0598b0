// Top-level forms, the passes after them and the module's log lines. The
// module-level state lives in one context per CompileModule call. The passes
// index functions by name once, so their cost grows with the module's size
// rather than with its square.
#include "compiler/ModuleCompiler.h"

#include "compiler/CompileLog.h"
#include "compiler/TermCompiler.h"
#include "pcode/CallBinding.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace zk {

namespace {

struct TModuleContext {
    TTokArr& Tokens;
    TPCode& Code;
    TFormRecord* Forms;
    TDeclarations Declarations;
    bool DeclarationsAllowed = true;
};

// Reading one form: the form's error record and the cursor.
class TFormReader {
public:
    TFormReader(TModuleContext& module, TError& error)
        : Module_(module), Tokens_(module.Tokens), Error_(error) {}

    void Form();

private:
    // (EXPORT NAME) and (USES NAME): the name is kept and logged before the
    // closing bracket is checked.
    void NameDeclaration(std::vector<std::string>& names, std::string_view logPrefix,
                         int32_t errorNumber);
    void DefOp();
    void Function();
    // Moves past the atom of a declaration; false, with the error set, when
    // the tokens end or no atom follows.
    bool NextAtom(int32_t errorNumber);
    bool ArgumentList(TFunction& function);
    void Fail(int32_t number) { Error_ = TError{number, Tokens_.CurrentPos(), {}}; }
    bool OnAtom() const { return !Tokens_.AtEnd() && Tokens_.Current()->Kind == tkAtom; }
    int32_t Emit(int32_t opCode, int32_t arg1 = 0) {
        return Module_.Code.AddInstr(opCode, arg1, 0, {}, Tokens_.CurrentPos());
    }

    TModuleContext& Module_;
    TTokArr& Tokens_;
    TError& Error_;
};

void TFormReader::Form() {
    if (Tokens_.Current()->Kind != tkOpen) return Fail(kErrorBadDefinition);
    Tokens_.Next();
    if (Tokens_.AtEnd()) return Fail(kErrorUnexpectedEnd);
    if (Tokens_.Current()->Kind != tkAtom) return Fail(kErrorBadDefinition);
    const std::string_view head = Tokens_.Current()->Text;
    const bool declaration =
        !ClassicLanguage && (head == "EXPORT" || head == "USES" || head == "DEFOP");
    if (!declaration) return Function();
    if (!Module_.DeclarationsAllowed) return Fail(kErrorLateDeclaration);
    if (head == "EXPORT")
        NameDeclaration(Module_.Declarations.ExportNames,
                        "Найдена экспортируемая функция: ", kErrorBadExport);
    else if (head == "USES")
        NameDeclaration(Module_.Code.Uses, "Найден используемый модуль: ", kErrorBadUses);
    else
        DefOp();
}

bool TFormReader::NextAtom(int32_t errorNumber) {
    Tokens_.Next();
    if (Tokens_.AtEnd())
        Fail(kErrorUnexpectedEnd);
    else if (Tokens_.Current()->Kind != tkAtom)
        Fail(errorNumber);
    return Error_.Number == 0;
}

void TFormReader::NameDeclaration(std::vector<std::string>& names, std::string_view logPrefix,
                                  int32_t errorNumber) {
    if (!NextAtom(errorNumber)) return;
    names.emplace_back(Tokens_.Current()->Text);
    AddLogLine(logPrefix, names.back());
    Tokens_.Next();
    if (Tokens_.ExpectClose(Error_)) Tokens_.Next();
}

void TFormReader::DefOp() {
    TDeclarations& declarations = Module_.Declarations;
    if (!NextAtom(kErrorBadDefOp)) return;
    declarations.DefOpNames.emplace_back(Tokens_.Current()->Text);
    if (!NextAtom(kErrorBadDefOp)) return;
    declarations.DefOpFuncs.emplace_back(Tokens_.Current()->Text);
    AddLogLine("Найден DefOp: ",
               declarations.DefOpNames.back() + " -> " + declarations.DefOpFuncs.back());
    Tokens_.Next();
    if (Tokens_.ExpectClose(Error_)) Tokens_.Next();
}

// After the bracket that opens the list, up to the token after its close.
bool TFormReader::ArgumentList(TFunction& function) {
    std::unordered_set<std::string_view> seen;
    Tokens_.Next();
    while (OnAtom()) {
        const std::string_view name = Tokens_.Current()->Text;
        if (!seen.insert(name).second) {
            Fail(kErrorBadArgs);
            return false;
        }
        // The argument that would not fit into a file's arity byte.
        if (function.Args.size() == static_cast<std::size_t>(kMaxArity)) {
            Fail(kErrorBadArgs);
            return false;
        }
        function.Args.emplace_back(name);
        Tokens_.Next();
    }
    if (Tokens_.AtEnd())
        Fail(kErrorUnexpectedEnd);
    else if (Tokens_.Current()->Kind != tkClose)
        Fail(kErrorBadArgs);
    else
        Tokens_.Next();
    return Error_.Number == 0;
}

// A definition: (NAME (ARG ...) BODY) compiles to LoadArgs n, body,
// FreeArgs n, Ret, the two argument instructions only for n >= 1.
void TFormReader::Function() {
    Module_.DeclarationsAllowed = false;
    TFunction& function = Module_.Code.AddFunction();
    function.Name = Tokens_.Current()->Text;
    Tokens_.Next();
    if (Tokens_.AtEnd()) return Fail(kErrorUnexpectedEnd);
    if (Tokens_.Current()->Kind != tkOpen) return Fail(kErrorBadArgs);
    if (!ArgumentList(function)) return;
    const auto arity = static_cast<int32_t>(function.Args.size());
    if (arity > 0) Emit(opLoadArgs, arity);
    CompileBody(Tokens_, Module_.Code, Error_, Module_.Forms);
    if (Error_.Number != 0) return;
    if (arity > 0) Emit(opFreeArgs, arity);
    Emit(opRet);
    const bool closed = Tokens_.ExpectClose(Error_);
    AddLogLine("Скомпилирована функция: ", Module_.Code.LastFunction().Name);
    if (closed) Tokens_.Next();
}

// One top-level form, read into a record of its own that is copied to the
// caller's at the end.
void CompileForm(TModuleContext& module, TError& error) {
    TError formError;
    TFormReader(module, formError).Form();
    error = formError;
}

// Functions of one name, in table order.
std::unordered_map<std::string_view, std::vector<int32_t>> IndexByName(const TPCode& code) {
    std::unordered_map<std::string_view, std::vector<int32_t>> index;
    for (int32_t i = 0; i < code.FunctionCount(); ++i)
        index[code.GetFunction(i).Name].push_back(i);
    return index;
}

const std::vector<int32_t>*
FunctionsNamed(const std::unordered_map<std::string_view, std::vector<int32_t>>& index,
               std::string_view name) {
    const auto found = index.find(name);
    return found == index.end() ? nullptr : &found->second;
}

// The name, and in the modified language the arity, that makes two functions
// the same; the arity is a fixed-width prefix so that no two keys collide.
std::string DuplicateKey(const TFunction& function) {
    std::string key;
    if (!ClassicLanguage) {
        const auto arity = static_cast<uint64_t>(function.Args.size());
        for (int shift = 0; shift < 64; shift += 8)
            key += static_cast<char>(arity >> shift);
    }
    key += function.Name;
    return key;
}

} // namespace

void CompileModule(TTokArr& tokens, TPCode& code, TError& error, TFormRecord* forms) {
    error.Number = 0;
    tokens.Reset();
    TModuleContext module{tokens, code, forms, {}, true};
    while (!tokens.AtEnd() && error.Number == 0)
        CompileForm(module, error);
    if (error.Number == 0) CheckDuplicates(code, error);
    if (error.Number != 0) return;
    NumberAtoms(code);
    ResolveDeclarations(code, module.Declarations, error);
    if (error.Number == 0) LinkCalls(code, code, false);
}

void CheckDuplicates(const TPCode& code, TError& error) {
    std::unordered_set<std::string> seen;
    seen.reserve(code.Functions.size());
    for (const TFunction& function : code.Functions) {
        if (seen.insert(DuplicateKey(function)).second) continue;
        error = TError{kErrorDuplicateFunction, code.GetInstr(function.Entry).Position, {}};
        return;
    }
}

void NumberAtoms(TPCode& code) {
    for (TPInstr& instr : code.Code) {
        if (instr.OpCode != opPushConst) continue;
        instr.Arg1 = instr.Name.empty() ? 0 : code.Atoms.Add(instr.Name.Text());
        instr.Name.clear();
    }
}

void ResolveDeclarations(TPCode& code, const TDeclarations& declarations, TError& error) {
    const auto index = IndexByName(code);
    const std::size_t pairs =
        std::min(declarations.DefOpNames.size(), declarations.DefOpFuncs.size());
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const auto* functions = FunctionsNamed(index, declarations.DefOpFuncs[pair]);
        if (functions == nullptr) {
            error = TError{kErrorDefOpNotFound, 0, {}};
            return;
        }
        for (const int32_t i : *functions) {
            TFunction& function = code.GetFunction(i);
            if (!function.DefOp.empty()) {
                error = TError{kErrorDuplicateDefOp, 0, {}};
                return;
            }
            function.DefOp = declarations.DefOpNames[pair];
        }
    }
    for (const std::string& name : declarations.ExportNames) {
        const auto* functions = FunctionsNamed(index, name);
        if (functions == nullptr) {
            error = TError{kErrorExportNotFound, 0, {}};
            return;
        }
        for (const int32_t i : *functions)
            code.GetFunction(i).Exported = true;
    }
}

} // namespace zk
