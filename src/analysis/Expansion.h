// The preprocessing of one module for the analysis, on a text held in memory:
// comments removed, #INCLUDE directives expanded (each file once), everything
// upper-cased, by the same rules and in the same steps as TSource::Preprocess,
// with a position map of the same segments, so that a position resolves to
// the same file and offset as in the compiler. It keeps what the compiler
// drops: every file's own text, its comments, the directives, and it goes on
// past a missing file. Then the tokens of the expanded text.
#pragma once

#include "analysis/Analysis.h"
#include "frontend/Tokens.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zk::analysis {

// A file of one module's expansion; indexes are local to the expansion.
struct TExpandedFile {
    std::string Name; // as TSource::Files holds it
    std::string Path;
    std::string Text; // decoded, as read
    std::vector<TTextRange> Comments;
    int32_t OriginFile = kNone; // the file holding the directive
    TTextRange Origin;
};

// Offset in a file of the expansion.
struct TFileOffset {
    int32_t File = 0;
    int32_t Offset = 0;
};

// A failure of preprocessing: error 35, or a file that could not be read
// (Number 0, Message its reason), where the compiler stops.
struct TExpansionFault {
    int32_t Number = 0;
    std::string Message;  // Windows-1251
    TFileOffset Reported; // where the compiler reports it
    int32_t File = 0;     // the file that holds the directive
    TTextRange Directive;
};

struct TLexToken {
    int32_t Pos = 0; // in the expanded text
    int32_t Length = 0;
    TTokenKind Kind = tkAtom;
    std::string_view Text; // upper-cased, inside TExpansion::Text
};

class TExpansion {
public:
    // The preprocessed text. It stays where it is when the expansion moves:
    // the tokens' texts point into it.
    std::unique_ptr<const std::string> Text;
    std::vector<TExpandedFile> Files;
    std::vector<TExpansionFault> Faults; // in the order met; the first is the compiler's
    std::vector<TLexToken> Tokens;
    int32_t BadByte = -1; // the first byte the lexer refuses, -1 when none

    // Where a position of the text came from, by the compiler's rule: a
    // position on the boundary of two segments belongs to the first.
    TFileOffset Resolve(int32_t pos) const;
    // The byte at a position (or the end of the text's last byte at its end).
    TFileOffset Locate(int32_t pos) const;
    // How many bytes from `pos` on stand at consecutive offsets of one file.
    int32_t RunLength(int32_t pos) const;

    struct TSegment {
        int32_t File = 0;
        int32_t Start = 0;
        int32_t Length = 0;
    };
    std::vector<TSegment> Segments;
    std::vector<int64_t> Ends; // where each segment ends in the text
};

// Expands `text`, the main file of a module named `name` (read from `path`),
// and splits it into tokens of the given language; the lexer goes on past a
// refused byte.
TExpansion Expand(std::string text, std::string name, std::string path,
                  const std::vector<std::string>& includePaths, bool classic,
                  const std::vector<TOpenText>& openTexts = {});

// The open document whose file has the name `fileName` (letter case
// ignored), or null.
const TOpenText* FindOpenText(std::string_view fileName, const std::vector<TOpenText>& openTexts);

// The byte is an atom byte of the language.
bool IsAtomByte(char c, bool classic);

} // namespace zk::analysis
