// Reading one module's tokens as the module compiler and CompileBody read
// them, step for step, so that the first error is the compiler's, number and
// position; on the way it notes what a compile leaves implicit: the tokens of
// every definition, declaration, call and argument name. After an error it
// goes on at the next top-level form. Token indexes refer to the module's
// TExpansion::Tokens.
#pragma once

#include "analysis/Analysis.h"
#include "analysis/Expansion.h"

#include <cstdint>
#include <vector>

namespace zk::analysis {

struct TReadFunction {
    int32_t OpenToken = kNone;
    int32_t NameToken = kNone;
    int32_t LastToken = kNone; // its closing bracket, or the last token read of it
    std::vector<int32_t> ParamTokens;
    int32_t EntryPos = -1; // where its first instruction stands, in the expanded text
};

struct TReadDeclaration {
    TDeclarationKind Kind = TDeclarationKind::Export;
    int32_t OpenToken = kNone;
    int32_t KeywordToken = kNone;
    int32_t NameToken = kNone;
    int32_t FunctionToken = kNone; // DEFOP's function
    int32_t LastToken = kNone;
};

struct TReadCall {
    TCallKind Kind = TCallKind::ByName;
    int32_t Function = kNone; // the caller, an index into Functions
    int32_t OpenToken = kNone;
    int32_t NameToken = kNone;
    int32_t CloseToken = kNone;
    int32_t HeadPos = 0; // where the compiler places the call
    int32_t ArgCount = 0;
};

struct TReadUse {
    int32_t Token = kNone;
    int32_t Function = kNone;
    int32_t Param = kNone;
};

struct TReadKeyword {
    int32_t Token = kNone;
    int32_t Form = kNone; // into BuiltinForms()
};

struct TReadModule {
    std::vector<TReadFunction> Functions;
    std::vector<TReadDeclaration> Declarations;
    std::vector<TReadCall> Calls; // in the order the compiler appends them
    std::vector<TReadUse> Uses;
    std::vector<TReadKeyword> Keywords;
    // The first error of the forms; Number 0 when they all compile.
    int32_t ErrorNumber = 0;
    int32_t ErrorPos = 0;
    int32_t ErrorToken = kNone; // the token at ErrorPos; kNone past the last token
    bool FunctionBeforeError = false;
};

// `groupStarts`: the tokens, in order, where reading may go on after an
// error: the opening brackets of the top-level forms.
TReadModule ReadModule(const std::vector<TLexToken>& tokens,
                       const std::vector<int32_t>& groupStarts, bool classic);

} // namespace zk::analysis
