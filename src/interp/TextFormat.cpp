// Plain and formatted renderings of values. Cell links and atom numbers come
// from a run and are checked before use: a link outside the cells in use ends
// the sequence it belongs to, and no walk visits more cells than are in use,
// which is all that a tree can hold and stops a damaged, cyclic chain.
#include "interp/TextFormat.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

namespace zk {

namespace {

constexpr std::array<std::string_view, 20> kFormatWords = {
    "_SPACE",    "_NOSPACE",   "_DOT",     "_COMMA",   "_COLON", "_SEMICOLON",  "_EXCLAMATION",
    "_QUESTION", "_AMPERSAND", "_LPAR",    "_RPAR",    "_LBR",   "_RBR",        "_PERCENT",
    "_EXACT",    "_UPCASE",    "_LOWCASE", "_CAPITAL", "_QUOTE", "_APOSTROPHE",
};

enum EFormatWord {
    kSpace = 0,
    kNoSpace = 1,
    kFirstMark = 2, // DOT .. PERCENT: a mark followed by the separator
    kLastMark = 13,
    kExact = 14,
    kUpCase = 15,
    kLowCase = 16,
    kCapital = 17,
    kQuote = 18,
    kApostrophe = 19,
};

// The marks of DOT .. PERCENT, in the order of the table.
constexpr std::string_view kMarks = ".,:;!?&()[]%";

const std::string& AtomText(const TAtomTable& atoms, int64_t number) {
    static const std::string kNoText;
    if (number < 0 || number >= atoms.Count()) return kNoText;
    return atoms.Texts()[static_cast<std::size_t>(number)];
}

void AppendNumber(std::string& text, int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

bool IsListNode(const TCell& cell) {
    return cell.Kind != kCellNumber && cell.Value == 0;
}

// Reads the cells of one value within the cells in use, granting at most as
// many visits as there are cells in use.
class TCellReader {
public:
    explicit TCellReader(const TZKMemory& memory) : Memory_(memory), Budget_(memory.CellsTaken()) {}

    // The cell at `index` if it is in use and the budget allows one more visit.
    const TCell* Visit(int32_t index) {
        if (index < 0 || index >= Memory_.CellsTaken() || Budget_ == 0) return nullptr;
        --Budget_;
        return &Memory_.Cell(index);
    }

private:
    const TZKMemory& Memory_;
    int32_t Budget_;
};

// Marks the point on the plain rendering's stack where a list closes.
constexpr int32_t kCloseList = -2;

// Pushes the sequence first..last so that `first` ends on top; false when not
// one cell could be read.
bool PushSequence(std::vector<int32_t>& pending, TCellReader& reader, int32_t first, int32_t last) {
    const std::size_t start = pending.size();
    for (int32_t index = first;;) {
        const TCell* cell = reader.Visit(index);
        if (cell == nullptr) break;
        pending.push_back(index);
        if (index == last) break;
        index = cell->Next;
    }
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(start), pending.end());
    return pending.size() > start;
}

void AppendCased(std::string& out, std::string_view word, TCaseState& state) {
    if (state.Capital) {
        state.Capital = false;
        state.UpCase = false;
        if (word.empty()) return;
        out += UpperChar1251(word.front());
        for (const char c : word.substr(1))
            out += LowerChar1251(c);
    } else if (state.UpCase) {
        for (const char c : word)
            out += UpperChar1251(c);
    } else {
        for (const char c : word)
            out += LowerChar1251(c);
    }
}

} // namespace

std::string ToText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms) {
    std::string text;
    if (value.IsEmpty()) return text;
    TCellReader reader(memory);
    // Cells still to render, the next one on top; each open list has its
    // marker below its remaining children.
    std::vector<int32_t> pending;
    PushSequence(pending, reader, value.First, value.Last);
    while (!pending.empty()) {
        const int32_t index = pending.back();
        pending.pop_back();
        if (index == kCloseList) {
            // The blank after the list's last child becomes its bracket.
            text.back() = ')';
            text += ' ';
            continue;
        }
        const TCell& cell = memory.Cell(index);
        if (cell.Kind == kCellNumber) {
            AppendNumber(text, cell.Value);
        } else if (cell.Value != 0) {
            text += AtomText(atoms, cell.Value);
        } else {
            pending.push_back(kCloseList);
            if (cell.FirstChild != -1 &&
                PushSequence(pending, reader, cell.FirstChild, cell.LastChild)) {
                text += '(';
                continue;
            }
            pending.pop_back();
            text += "()";
        }
        text += ' ';
    }
    return text;
}

TFormattedText FormatText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms) {
    TFormattedText result;
    if (value.IsEmpty()) {
        result.Complete = true;
        return result;
    }
    std::string& text = result.Text;
    std::string_view separator = " ";
    bool exactMode = false;
    bool exactPending = false;
    TCaseState letterCase;
    TCellReader reader(memory);
    for (int32_t index = value.First;;) {
        const TCell* cell = reader.Visit(index);
        if (cell == nullptr) break;
        const bool last = index == value.Last;
        if (IsListNode(*cell) && cell->FirstChild != -1) {
            result.Complete = last;
            break;
        }
        if (cell->Kind == kCellNumber) {
            AppendNumber(text, cell->Value);
            text += separator;
        } else {
            // The empty list node reads as atom 0, the empty text.
            const std::string& word = AtomText(atoms, cell->Value);
            const int formatWord = exactMode ? -1 : FormatWordIndex(word);
            if (formatWord == -1) {
                AppendCased(text, word, letterCase);
                text += separator;
            } else if (formatWord >= kFirstMark && formatWord <= kLastMark) {
                text += kMarks[static_cast<std::size_t>(formatWord - kFirstMark)];
                text += separator;
            } else {
                switch (formatWord) {
                case kSpace: separator = " "; break;
                case kNoSpace: separator = {}; break;
                case kExact: exactPending = true; break;
                case kUpCase: letterCase.UpCase = true; break;
                case kLowCase: letterCase.UpCase = false; break;
                case kCapital: letterCase.Capital = true; break;
                case kQuote: text += '"'; break;
                case kApostrophe: text += '\''; break;
                default: break;
                }
            }
        }
        if (exactPending) {
            exactPending = false;
            exactMode = true;
        }
        if (last) {
            result.Complete = true;
            break;
        }
        index = cell->Next;
    }
    return result;
}

int FormatWordIndex(std::string_view text) {
    if (text.empty() || text.front() != '_') return -1;
    for (std::size_t i = 0; i < kFormatWords.size(); ++i)
        if (kFormatWords[i] == text) return static_cast<int>(i);
    return -1;
}

std::string ApplyCase(std::string_view word, TCaseState& state) {
    std::string out;
    out.reserve(word.size());
    AppendCased(out, word, state);
    return out;
}

} // namespace zk
