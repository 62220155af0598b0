// The built-in forms and declarations of ZK, described once: syntax, what the
// form does, an example with its run, the errors it can give, and the shape
// by which the analysis checks it as the compiler does. Hovers, completion
// and the help guide's page of forms all read this table. Its texts are
// UTF-8 (the guide's encoding); the analysis converts them to Windows-1251.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::analysis {

// How the compiler reads a form's arguments.
enum class TFormShape : uint8_t {
    Unary,       // exactly one argument
    Binary,      // exactly two
    Fold,        // one or more (+, *, EXPR)
    If,          // exactly three
    Quote,       // data, not terms
    Call,        // a function name, then any number of arguments
    Abort,       // none
    Declaration, // EXPORT, USES, DEFOP at the top of a module
};

struct TBuiltinForm {
    std::string_view Keyword; // as the compiler knows it, upper case
    TFormShape Shape;
    bool ModifiedOnly;        // not in the classic language
    int32_t FormError;        // the error of a form missing arguments; 0 when none
    std::string_view Anchor;  // the section of the guide's page
    std::string_view Syntax;  // "(FIRST a)"
    std::string_view Summary; // a few words, for completion lists and the page's table
    std::string_view Text;    // what it does
    std::string_view Example; // a program, one or more lines
    std::string_view Run;     // what the example gives
    std::vector<int32_t> CompileErrors;
    std::vector<int32_t> RunErrors;
};

// The 21 forms in the compiler's registry order, then EXPORT, USES and DEFOP.
const std::vector<TBuiltinForm>& BuiltinForms();

// The index of the form or declaration the language has under this keyword
// (upper case, as the compiler sees it); -1 when there is none.
int32_t FindBuiltinForm(std::string_view keyword, bool classic);

// The guide's page of the forms as HTML (UTF-8), in the style of the other
// pages: a table of the forms, then a section per form with its example and
// its errors, their texts taken from the message table.
std::string FormsGuideHtml();

} // namespace zk::analysis
