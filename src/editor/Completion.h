// The completion list: the words a window offers for the word before the
// caret (the editor never finds them itself), narrowed to the labels that
// start with what is typed of the word, letter case folded by the code
// page's rules, and the one chosen among them. Texts are Windows-1251.
#pragma once

#include "editor/TextArea.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::editor {

// The rows the list shows at once; Page Up and Page Down move by as many.
inline constexpr int32_t kCompletionRows = 10;

enum class TCompletionKind : uint8_t { Keyword, Declaration, Function, Operator, Argument };

struct TCompletionItem {
    std::string Label;  // what is inserted
    std::string Detail; // a signature, or empty
    TCompletionKind Kind = TCompletionKind::Keyword;
    friend bool operator==(const TCompletionItem&, const TCompletionItem&) = default;
};

class TCompletionList {
public:
    // Open from when the window's items arrive until Close; Shown while
    // some item matches.
    bool Open() const { return Open_; }
    bool Shown() const { return Open_ && !Matches_.empty(); }
    // The word completed starts at `wordStart`; every item matches at first.
    void Start(std::vector<TCompletionItem> items, TTextPoint wordStart);
    void Close();
    TTextPoint WordStart() const { return WordStart_; }
    // Counts the starts, so that a view knows when the items are new.
    uint32_t Serial() const { return Serial_; }

    // Keeps the items whose label starts with `prefix`. The chosen item
    // stays chosen while it matches; otherwise the first match is. True
    // when the prefix differs from the last one.
    bool Filter(std::string_view prefix);
    const std::vector<TCompletionItem>& Items() const { return Items_; }
    // Indexes into Items, in their order.
    const std::vector<int32_t>& Matches() const { return Matches_; }
    // The chosen match, an index into Matches; -1 while none matches.
    int32_t Current() const { return Current_; }
    const TCompletionItem* Chosen() const;
    // Both stay inside the matches; true when the choice changed.
    bool Move(int32_t delta);
    bool Choose(int32_t match);

private:
    std::vector<TCompletionItem> Items_;
    std::vector<int32_t> Matches_;
    std::string Prefix_;
    TTextPoint WordStart_;
    int32_t Current_ = -1;
    uint32_t Serial_ = 0;
    bool Open_ = false;
};

} // namespace zk::editor
