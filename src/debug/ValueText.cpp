// Both texts come from one walk that renders one element at a time with a
// stack of the sequences still open, so that a cut text costs what it shows
// and a whole text can stop between any two elements. A list node nested
// deeper than the cut allows is not entered.
#include "debug/ValueText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

namespace zk {

namespace {

constexpr char kEllipsis = '\x85'; // "…" in Windows-1251
constexpr int32_t kNoCell = -1;

struct TOpenSequence {
    int32_t Next; // the element to render next, kNoCell when the sequence is done
    int32_t Last;
    bool Rendered = false; // an element of it is in the text
};

class TPlainWalker {
public:
    TPlainWalker(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms, int32_t maxDepth)
        : Memory_(memory), Atoms_(atoms), MaxDepth_(maxDepth), Budget_(memory.CellsTaken()) {
        if (!value.IsEmpty()) Open_.push_back({value.First, value.Last});
    }

    bool Done() const { return Open_.empty(); }
    bool DepthCut() const { return DepthCut_; }

    // Renders the next element, or closes the list whose elements are all
    // rendered. The top level's elements end with a blank, as every
    // element does; a list's last blank becomes its bracket.
    void Step(std::string& text) {
        TOpenSequence& top = Open_.back();
        const TCell* cell = top.Next == kNoCell ? nullptr : Visit(top.Next);
        if (cell == nullptr) {
            Close(text);
            return;
        }
        top.Next = top.Next == top.Last ? kNoCell : cell->Next;
        top.Rendered = true;
        if (cell->Kind == kCellNumber) {
            char digits[24];
            text.append(digits, std::to_chars(digits, digits + sizeof digits, cell->Value).ptr);
        } else if (cell->Value != 0) {
            if (cell->Value > 0 && cell->Value < Atoms_.Count())
                text += Atoms_[static_cast<int32_t>(cell->Value)];
        } else if (cell->FirstChild == -1) {
            text += "()";
        } else if (static_cast<int32_t>(Open_.size()) > MaxDepth_) {
            text += "(\x85)";
            DepthCut_ = true;
        } else {
            text += '(';
            Open_.push_back({cell->FirstChild, cell->LastChild});
            return;
        }
        text += ' ';
    }

private:
    const TCell* Visit(int32_t index) {
        if (index < 0 || index >= Memory_.CellsTaken() || Budget_ == 0) return nullptr;
        --Budget_;
        return &Memory_.Cell(index);
    }

    void Close(std::string& text) {
        const bool rendered = Open_.back().Rendered;
        Open_.pop_back();
        if (Open_.empty()) return;
        if (rendered)
            text.back() = ')';
        else
            text += ')';
        text += ' ';
    }

    const TZKMemory& Memory_;
    const TAtomTable& Atoms_;
    int32_t MaxDepth_;
    int64_t Budget_;
    std::vector<TOpenSequence> Open_;
    bool DepthCut_ = false;
};

} // namespace

class TValueSlicer::TWalker : public TPlainWalker {
public:
    TWalker(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms)
        : TPlainWalker(memory, value, atoms, std::numeric_limits<int32_t>::max()) {}
};

TCutText CutText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                 const TValueCut& cut) {
    TCutText result;
    std::string& text = result.Text;
    const auto length = static_cast<std::size_t>(std::max(cut.Length, 0));
    TPlainWalker walker(memory, value, atoms, cut.Depth);
    // One character more than is kept, for the final blank.
    while (!walker.Done() && text.size() <= length + 1)
        walker.Step(text);
    if (walker.Done() && !text.empty() && text.back() == ' ') text.pop_back();
    result.Cut = walker.DepthCut();
    if (!walker.Done() || text.size() > length) {
        text.resize(std::min(text.size(), length));
        text += kEllipsis;
        result.Cut = true;
    }
    return result;
}

std::string ShownArgument(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                          const TValueCut& cut) {
    const std::string text = CutText(memory, value, atoms, cut).Text;
    const bool oneElement = !value.IsEmpty() && value.First == value.Last;
    return oneElement ? text : "\xAB" + text + "\xBB";
}

std::string CallText(const std::string& name, const std::vector<std::string>& args) {
    std::string text = "(" + name;
    for (const std::string& arg : args)
        text += " " + arg;
    return text + ")";
}

TValueSlicer::TValueSlicer(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms)
    : TValueSlicer(memory, value, atoms, nullptr, 0) {}

TValueSlicer::TValueSlicer(std::string whole) : Text_(std::move(whole)), Done_(true) {}

TValueSlicer::TValueSlicer(TValueSlicer&&) noexcept = default;
TValueSlicer& TValueSlicer::operator=(TValueSlicer&&) noexcept = default;
TValueSlicer::~TValueSlicer() = default;

TValueSlicer::TValueSlicer(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                           const std::atomic<uint64_t>* generation, uint64_t expected)
    : Walker_(std::make_unique<TWalker>(memory, value, atoms)), Generation_(generation),
      Expected_(expected) {
    Done_ = Walker_->Done();
}

bool TValueSlicer::Next(std::size_t characters) {
    if (Done_ || Stale_) return false;
    if (Generation_ && Generation_->load() != Expected_) {
        Stale_ = true;
        return false;
    }
    const std::size_t goal = Text_.size() + std::max<std::size_t>(characters, 1);
    while (!Walker_->Done() && Text_.size() < goal)
        Walker_->Step(Text_);
    Done_ = Walker_->Done();
    return !Done_;
}

} // namespace zk
