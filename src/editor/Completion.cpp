// Narrowing and choosing. A list holds some hundred items at most (the
// keywords, the functions and the arguments in scope), so a keystroke
// narrows it afresh from all the items.
#include "editor/Completion.h"

#include "frontend/Cp1251.h"

#include <algorithm>

namespace zk::editor {

namespace {

bool StartsWithFolded(std::string_view label, std::string_view prefix) {
    return label.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), label.begin(),
                      [](char a, char b) { return UpperChar1251(a) == UpperChar1251(b); });
}

} // namespace

void TCompletionList::Start(std::vector<TCompletionItem> items, TTextPoint wordStart) {
    Items_ = std::move(items);
    WordStart_ = wordStart;
    Prefix_.clear();
    Matches_.resize(Items_.size());
    for (std::size_t i = 0; i < Items_.size(); ++i)
        Matches_[i] = static_cast<int32_t>(i);
    Current_ = Matches_.empty() ? -1 : 0;
    ++Serial_;
    Open_ = true;
}

void TCompletionList::Close() {
    Open_ = false;
    Items_.clear();
    Matches_.clear();
    Current_ = -1;
}

bool TCompletionList::Filter(std::string_view prefix) {
    if (prefix == Prefix_) return false;
    Prefix_ = prefix;
    const int32_t chosen = Current_ >= 0 ? Matches_[static_cast<std::size_t>(Current_)] : -1;
    Matches_.clear();
    Current_ = -1;
    for (std::size_t i = 0; i < Items_.size(); ++i) {
        if (!StartsWithFolded(Items_[i].Label, prefix)) continue;
        if (static_cast<int32_t>(i) == chosen) Current_ = static_cast<int32_t>(Matches_.size());
        Matches_.push_back(static_cast<int32_t>(i));
    }
    if (Current_ < 0 && !Matches_.empty()) Current_ = 0;
    return true;
}

const TCompletionItem* TCompletionList::Chosen() const {
    if (!Open_ || Current_ < 0) return nullptr;
    return &Items_[static_cast<std::size_t>(Matches_[static_cast<std::size_t>(Current_)])];
}

bool TCompletionList::Move(int32_t delta) {
    if (Matches_.empty()) return false;
    const int64_t next = std::clamp<int64_t>(int64_t{Current_} + delta, 0,
                                             static_cast<int64_t>(Matches_.size()) - 1);
    return Choose(static_cast<int32_t>(next));
}

bool TCompletionList::Choose(int32_t match) {
    if (match < 0 || match >= static_cast<int32_t>(Matches_.size()) || match == Current_)
        return false;
    Current_ = match;
    return true;
}

} // namespace zk::editor
