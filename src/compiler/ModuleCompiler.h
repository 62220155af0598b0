// The module compiler: reads the top-level forms of one module (function
// definitions and, in the modified language, the EXPORT, USES and DEFOP
// declarations before them), compiles each body with CompileBody, then checks
// duplicates, numbers the atoms, applies the declarations and binds the calls
// made inside the module. Progress lines go to CompileLog.
#pragma once

#include "frontend/Errors.h"
#include "frontend/Tokens.h"
#include "pcode/PCode.h"

#include <string>
#include <vector>

namespace zk {

struct TFormRecord;

// Compiles the whole token array into `code`, an image created for compiling.
// On failure `error` holds a position in the preprocessed text (0 for errors
// 28, 30 and 31) and `code` a partial module. With `forms`, the forms of the
// bodies are recorded there.
void CompileModule(TTokArr& tokens, TPCode& code, TError& error, TFormRecord* forms = nullptr);

// The declarations of a module, in the order they were written.
struct TDeclarations {
    std::vector<std::string> ExportNames;
    std::vector<std::string> DefOpNames; // pairwise with DefOpFuncs
    std::vector<std::string> DefOpFuncs;
};

// The passes that follow the forms. CheckDuplicates reports error 4 at the
// first instruction of the first function that repeats an earlier one (by
// name, and in the modified language by number of arguments too).
void CheckDuplicates(const TPCode& code, TError& error);
// Gives every PushConst the number of its atom, adding the atoms it lacks.
void NumberAtoms(TPCode& code);
// Binds the DEFOP operators (errors 30, 31) and marks the exported functions
// (error 28), all with offset 0.
void ResolveDeclarations(TPCode& code, const TDeclarations& declarations, TError& error);

} // namespace zk
