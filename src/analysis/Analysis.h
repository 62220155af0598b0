// Code intelligence for ZK sources: one pass over a document's text, the files
// it includes and the units it uses, found as a compile finds them, gives the
// first error exactly as Compile reports it, the functions with their places
// and comments, every call bound to its function, every argument name bound
// to its parameter, and the queries an editor asks (definition, references,
// hover, completion). Works on text that does not compile. Qt-free; texts are
// Windows-1251, offsets count bytes of a file's decoded text.
#pragma once

#include "frontend/Errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::analysis {

// Files are numbered in the order the analysis met them; 0 is the document.
using TFileId = int32_t;
constexpr TFileId kDocumentFile = 0;
constexpr int32_t kNone = -1;

// [Begin, End) in one file's decoded Windows-1251 text.
struct TTextRange {
    int32_t Begin = 0;
    int32_t End = 0;
};

struct TPlace {
    TFileId File = kNone;
    TTextRange Range;
    bool Valid() const { return File != kNone; }
};

enum class TFileRole : uint8_t { Document, Included, UnitSource, UnitFile };

struct TSourceFile {
    TFileRole Role = TFileRole::Document;
    std::string Path; // the system's bytes, as found in the include paths
    std::string Name; // as the compiler names the file in an error (Windows-1251)
    std::string Text; // decoded Windows-1251; empty for a unit file
    std::vector<TTextRange> Comments;
    int32_t Module = 0;
    // The #INCLUDE directive that brought it in, or the name in USES that
    // brought its module; none for the document.
    TPlace Origin;
};

// A module: the document's, or a unit it uses, from its source or unit file.
struct TModule {
    std::string Name; // the document's file name, or the name written in USES
    TFileId File = kNone;
    bool FromUnitFile = false;
};

enum class TSeverity : uint8_t { Error, Warning };

struct TDiagnostic {
    TSeverity Severity = TSeverity::Error;
    int32_t Number = 0;  // the compiler's error number; 0 for a warning or an unreadable file
    std::string Message; // Windows-1251; ErrorText for a compile error
    TPlace Place;        // the token, or the form, that holds it
    // A compile error exactly as Compile reports it: number, offset in the
    // file, the file's name. Number 0 for a warning.
    TError Reported;
};

struct TParameter {
    std::string Name;
    TPlace Place;
};

struct TFunctionSymbol {
    std::string Name;
    std::vector<TParameter> Params;
    std::string Operator; // bound by DEFOP, empty when none
    bool Exported = false;
    bool Main = false; // the first function of the document, in a program
    int32_t Module = 0;
    TPlace Definition; // the whole definition, brackets included
    TPlace NamePlace;
    std::string Comment; // the { } or // comment right before the definition
};

enum class TCallKind : uint8_t { ByName, ByOperator };

// (CALL F a ...) or (OP a ...), bound by name or operator and number of arguments.
struct TCall {
    TCallKind Kind = TCallKind::ByName;
    std::string Name;
    int32_t ArgCount = 0;
    int32_t Caller = kNone; // function index
    int32_t Callee = kNone; // function index; kNone while unbound
    TPlace NamePlace;       // F, or OP
    TPlace Form;
};

// An argument name in a body, bound to the parameter it names.
struct TArgumentUse {
    int32_t Function = kNone;
    int32_t Param = kNone;
    TPlace Place;
};

enum class TDeclarationKind : uint8_t { Export, Uses, DefOp };

struct TDeclaration {
    TDeclarationKind Kind = TDeclarationKind::Export;
    int32_t Module = 0;
    std::string Name;     // EXPORT's function, USES's module, DEFOP's operator
    std::string Function; // DEFOP's function
    TPlace Form;
    TPlace NamePlace;
    TPlace FunctionPlace; // DEFOP's function
};

// What a token of the sources is, for navigation and for an editor's colours.
enum class TOccurrenceKind : uint8_t {
    Keyword,      // Index: the form in BuiltinForms()
    FunctionName, // Function: the function defined
    CallName,     // Index: the call; Function: its callee or kNone
    Parameter,    // Function, Index: the parameter declared
    ArgumentUse,  // Function, Index: the parameter named
    DeclaredName, // Index: the declaration; Function: the first function it names
    IncludedFile, // Index: the file id of the included file
    UsedModule,   // Index: the module
};

struct TOccurrence {
    TPlace Place;
    TOccurrenceKind Kind = TOccurrenceKind::Keyword;
    int32_t Function = kNone;
    int32_t Index = kNone;
};

// What a hover shows: a line of ZK, a text, and an example, any of them empty.
struct THover {
    TPlace Place; // the token hovered
    std::string Signature;
    std::string Text;
    std::string Example;
};

enum class TCompletionKind : uint8_t { Keyword, Declaration, Function, Operator, Argument };

struct TCompletion {
    TCompletionKind Kind = TCompletionKind::Keyword;
    std::string Label;  // what is inserted
    std::string Detail; // a signature
    std::string Documentation;
};

// A document open in an editor. A build writes the open documents where its
// include paths are searched first, so a file of that name is this text.
struct TOpenText {
    std::string Name; // the file's name without its directory, the system's bytes
    std::string Path; // the file it was read from, the system's bytes
    std::string Text; // decoded Windows-1251
};

struct TAnalysisInput {
    std::string Path; // the document's file, the system's bytes; may be empty
    std::string Text; // its text, decoded Windows-1251
    // Searched for included files and used modules, each entry ending in '/',
    // as Compile takes them.
    std::vector<std::string> IncludePaths;
    bool Classic = false;  // the classic language
    bool UnitMode = false; // compiled alone as a unit: no linking
    // Found before the include paths, by name ignoring letter case.
    std::vector<TOpenText> OpenTexts;
};

class TAnalysis {
public:
    std::vector<TSourceFile> Files;
    std::vector<TModule> Modules;
    // The first compile error (when there is one) first, then the warnings.
    std::vector<TDiagnostic> Diagnostics;
    std::vector<TFunctionSymbol> Functions;
    std::vector<TCall> Calls;
    std::vector<TArgumentUse> ArgumentUses;
    std::vector<TDeclaration> Declarations;
    // Sorted by file, then by place.
    std::vector<TOccurrence> Occurrences;
    bool Classic = false;

    // The first compile error, or none.
    const TDiagnostic* FirstError() const;
    // The file read from `path`, or kNone.
    TFileId FindFile(std::string_view path) const;
    // The place in the document that leads to `place`: itself when it lies
    // there, else the #INCLUDE directive or the USES name that brings its file.
    TPlace InDocument(TPlace place) const;

    // The token at an offset (a token ending at the offset counts too).
    const TOccurrence* OccurrenceAt(TFileId file, int32_t offset) const;
    // Where the thing named at the offset is defined: a function, a
    // parameter, an included file or a unit.
    std::optional<TPlace> DefinitionAt(TFileId file, int32_t offset) const;
    // The calls of a function and the declarations that name it.
    std::vector<TPlace> ReferencesOf(int32_t function) const;
    // The references of the function or parameter named at the offset, its
    // own name first when `withDeclaration`.
    std::vector<TPlace> ReferencesAt(TFileId file, int32_t offset, bool withDeclaration) const;
    // A function's signature and comment, a keyword's description.
    std::optional<THover> HoverAt(TFileId file, int32_t offset) const;
    // What may be written at the offset: keywords, functions and operators,
    // the arguments of the function around it.
    std::vector<TCompletion> CompletionsAt(TFileId file, int32_t offset) const;
    // The enclosing function at an offset, or kNone.
    int32_t FunctionAt(TFileId file, int32_t offset) const;
};

TAnalysis Analyse(const TAnalysisInput& input);

// "(NAME (A B))": how a function is called, for hovers and completion.
std::string Signature(const TFunctionSymbol& function);

} // namespace zk::analysis
