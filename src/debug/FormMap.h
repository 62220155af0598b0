// The form map of a compiled program: for every instruction of the image the
// form it was compiled from, and for every form its kind, where it stands in
// its own file and which form and function it belongs to. The compile driver
// makes it when asked; it lives beside the image and never in program or unit
// files, like a position table beside byte code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

// A term of a function body. Argument names and numbers are terms too; every
// other kind is a bracketed form.
enum class TFormKind : uint8_t {
    Call,         // (CALL F ...): Head is the callee F
    OperatorCall, // (OP ...) through DEFOP: Head is the operator
    BuiltIn,      // FIRST, EQUAL, +, RANDOM, ABORT and the others: Head is the keyword
    If,
    Expr,
    Quote,
    Argument, // Head is the argument's name
    Number,   // Head is the number as written
};

constexpr bool IsBracketed(TFormKind kind) {
    return kind != TFormKind::Argument && kind != TFormKind::Number;
}

struct TFormInfo {
    TFormKind Kind = TFormKind::BuiltIn;
    std::string Head; // Windows-1251, upper-cased as the compiler read it
    int32_t File = -1;
    // The offsets of the form's first and last byte in its file, in the
    // decoded text as TError::Offset counts them: the brackets of a bracketed
    // form, the whole token of a term.
    int32_t First = 0;
    int32_t Last = 0;
    int32_t Parent = -1;   // the form this one is an argument of; -1 for a function's body
    int32_t Function = -1; // into the image's Functions
};

// A place in a file's text, both from 1; columns count characters.
struct TTextPlace {
    int32_t Line = 0;
    int32_t Column = 0;
    friend bool operator==(const TTextPlace&, const TTextPlace&) = default;
};

struct TFormMap {
    // The files the forms stand in, by the paths the compile read them from
    // (the main file as it was named, included files and unit sources as
    // found in the include directories).
    std::vector<std::string> Files;
    // For each file, the offset of the first byte of each of its lines; a
    // line ends with a line feed, so a carriage return belongs to its line.
    std::vector<std::vector<int32_t>> LineStarts;
    // A parent comes before its arguments, and forms stand in the order they
    // were written: the main module's first, then the units' in the order of
    // the linked code.
    std::vector<TFormInfo> Forms;
    // One entry per instruction of the image: the innermost form that was
    // being compiled when it was emitted, -1 for a function's entry and exit
    // (LoadArgs, FreeArgs, Ret) and for units loaded from their unit files.
    std::vector<int32_t> FormOfInstr;

    bool Empty() const { return Forms.empty(); }
    void Clear();

    // The index of the file read from `path`; -1 when no form stands in it.
    int32_t FileIndex(std::string_view path) const;
    // Where `offset` of `file` stands; {0, 0} for an unknown file.
    TTextPlace PlaceOf(int32_t file, int32_t offset) const;
    // Where a form starts.
    TTextPlace PlaceOf(int32_t form) const;
    // The forms whose first byte stands on `line` (from 1) of `file`, in the
    // order of Forms.
    std::vector<int32_t> FormsStartingOnLine(int32_t file, int32_t line) const;
    // Whether a bracketed form starts on the line: only there can a run stop
    // before a form is evaluated, so only there a breakpoint holds.
    bool LineHasForm(int32_t file, int32_t line) const;
};

// The offset of each line's first byte in `text`, as LineStarts holds them.
std::vector<int32_t> LineStartsOf(std::string_view text);

} // namespace zk
