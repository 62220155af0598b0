// The texts a stepper shows, made from a debug run's form map and the files
// its forms stand in: where a form is, as rows and columns of its file, its
// source text, a call's body with the finished sub-forms replaced by their
// values, a frame of the call stack, the last step. Qt-free; the texts are
// Windows-1251, as everywhere inside the system.
#pragma once

#include "debug/DebugRun.h"
#include "debug/FormMap.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zk::ide {

// A form's place in its file: rows and columns from 0, the end just after its
// last character, as the editor counts them.
struct TFormRange {
    int32_t File = -1;
    int32_t FromRow = 0;
    int32_t FromCol = 0;
    int32_t ToRow = 0;
    int32_t ToCol = 0;
    friend bool operator==(const TFormRange&, const TFormRange&) = default;
};

// A piece of a shown body: source text, or the value a sub-form has now.
struct TBodyPiece {
    std::string Text;
    bool IsValue = false;
    friend bool operator==(const TBodyPiece&, const TBodyPiece&) = default;
};

class TDebugTexts {
public:
    // `texts` holds the decoded text of each file of the map, in its order.
    TDebugTexts(const TFormMap& forms, std::vector<std::string> texts);
    // Reads each file of the map as the compile read it (a file that cannot
    // be read shows as empty).
    static TDebugTexts Read(const TFormMap& forms);

    const TFormMap& Forms() const { return Forms_; }
    // An empty range (File -1) for no form.
    TFormRange RangeOf(int32_t form) const;
    // The form's source text as written, its lines joined with blanks.
    std::string SourceOf(int32_t form) const;
    // The body of the function whose call the stop is in, with each finished
    // sub-form replaced by its value.
    std::vector<TBodyPiece> BodyWithValues(const TStopView& view) const;
    // The two sides of "(FIRST (QUOTE A B)) → A": the form as written and its
    // value; both empty before the first step of a call. ("→" is no
    // character of Windows-1251, so the window joins them.)
    std::pair<std::string, std::string> LastStep(const TStopView& view) const;
    // "(FN A=value B=value)", the arguments by name.
    std::string FrameText(const TFrameView& frame, const TPCode& code) const;

private:
    // The body form of a function: its first form with no parent.
    int32_t BodyOf(int32_t function) const;
    std::string Slice(int32_t file, int32_t first, int32_t last) const;

    const TFormMap& Forms_;
    std::vector<std::string> Texts_;
};

} // namespace zk::ide
