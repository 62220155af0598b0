// The two text renderings of a value: the plain one of results (atoms by name,
// numbers in decimal, list nodes in brackets) and the formatted prose of the
// picture command TEXTOUT, steered by reserved atoms, the formatting words.
// Both only read the tree memory; damaged links and atom numbers never make
// them read outside the memory or the atom table.
#pragma once

#include "pcode/PCode.h"
#include "runtime/TreeRef.h"
#include "runtime/ZKMemory.h"

#include <string>
#include <string_view>

namespace zk {

// Every element followed by one blank: A, (B C), 5 gives "A (B C) 5 ". The
// walk keeps its own stack, so the depth of nesting is bounded by memory only.
// An atom number outside the table renders as the empty text.
std::string ToText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms);

struct TFormattedText {
    std::string Text;
    // The whole value was rendered: false when a list node with contents
    // stands before the last element, or a link of the value is damaged.
    bool Complete = false;
};

// Renders atoms as words in the selected letter case and numbers in decimal,
// each followed by the current separator, and obeys the formatting words.
// It stops at the first list node with contents, which is complete only as the
// last element. The empty value gives the empty text, complete.
TFormattedText FormatText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms);

// The index 0..19 of the formatting word whose text, an underscore and its
// name, equals `text` exactly (letter case included), or -1.
int FormatWordIndex(std::string_view text);

// The letter case of the formatted words. Capital acts on one word and also
// ends UpCase.
struct TCaseState {
    bool UpCase = false;
    bool Capital = false;
};

// `word` in the case that `state` selects, Windows-1251 rules (Cyrillic
// included); a capitalised word clears both flags.
std::string ApplyCase(std::string_view word, TCaseState& state);

} // namespace zk
