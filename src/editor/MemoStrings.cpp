// The line store with its growth rule, its notices and its file layer.
#include "editor/MemoStrings.h"

#include "frontend/FileIO.h"

#include <algorithm>

namespace zk::editor {

namespace {

// The lines a text adds to the list: a final line break ends the last line
// without starting another, and the empty text is one empty line.
std::vector<std::string_view> ListPieces(std::string_view text) {
    std::vector<std::string_view> pieces = SplitAtBreaks(text);
    if (pieces.size() > 1 && pieces.back().empty()) pieces.pop_back();
    return pieces;
}

} // namespace

TListIndexError::TListIndexError(int32_t index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")"), Index_(index) {
}

std::vector<std::string_view> SplitAtBreaks(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        pieces.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

const TLineDataItem& TDCMemoStrings::Item(int32_t index) const {
    CheckIndex(index, Count() - 1);
    return Items_[static_cast<std::size_t>(index)];
}

TLineDataItem& TDCMemoStrings::At(int32_t index) {
    CheckIndex(index, Count() - 1);
    return Items_[static_cast<std::size_t>(index)];
}

void TDCMemoStrings::CheckIndex(int32_t index, int32_t limit) const {
    if (index < 0 || index > limit) throw TListIndexError(index);
}

void TDCMemoStrings::Reserve(std::size_t count) {
    if (count <= static_cast<std::size_t>(Capacity_)) return;
    while (static_cast<std::size_t>(Capacity_) < count)
        Capacity_ += Capacity_ < 9 ? 4 : Capacity_ <= 64 ? 16 : Capacity_ / 4;
    Items_.reserve(static_cast<std::size_t>(Capacity_));
}

void TDCMemoStrings::BeginOperation() {
    if (!Notifying()) return;
    if (UpdateCount_ == 0) {
        Observer_->BeginChange();
    } else if (!UpdateBegun_) {
        UpdateBegun_ = true;
        Observer_->BeginChange();
    }
}

void TDCMemoStrings::EndOperation() {
    if (Notifying() && UpdateCount_ == 0) Observer_->EndChange();
}

void TDCMemoStrings::BeginUpdate() {
    ++UpdateCount_;
}

void TDCMemoStrings::EndUpdate() {
    if (UpdateCount_ == 0 || --UpdateCount_ > 0) return;
    if (UpdateBegun_) {
        UpdateBegun_ = false;
        if (Observer_ != nullptr) Observer_->EndChange();
    }
}

void TDCMemoStrings::InsertPieces(int32_t index, const std::vector<std::string_view>& pieces) {
    Reserve(Items_.size() + pieces.size());
    std::vector<TLineDataItem> added(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i)
        added[i].Text = pieces[i];
    Items_.insert(Items_.begin() + index, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    if (Notifying())
        Observer_->LinesInserted(index, index + static_cast<int32_t>(pieces.size()) - 1);
}

void TDCMemoStrings::Put(int32_t index, std::string_view text) {
    CheckIndex(index, Count() - 1);
    const std::vector<std::string_view> pieces = ListPieces(text);
    const TOperationScope operation(*this);
    Items_[static_cast<std::size_t>(index)].Text = pieces[0];
    if (Notifying()) Observer_->LinesChanged(index, index);
    if (pieces.size() > 1) InsertPieces(index + 1, {pieces.begin() + 1, pieces.end()});
}

void TDCMemoStrings::Insert(int32_t index, std::string_view text) {
    CheckIndex(index, Count());
    const TOperationScope operation(*this);
    InsertPieces(index, ListPieces(text));
}

int32_t TDCMemoStrings::Add(std::string_view text) {
    const int32_t index = Count();
    Insert(index, text);
    return index;
}

void TDCMemoStrings::InsertLines(int32_t index, std::vector<std::string> lines) {
    CheckIndex(index, Count());
    if (lines.empty()) return;
    const TOperationScope operation(*this);
    Reserve(Items_.size() + lines.size());
    std::vector<TLineDataItem> added(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        added[i].Text = std::move(lines[i]);
    Items_.insert(Items_.begin() + index, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    if (Notifying())
        Observer_->LinesInserted(index, index + static_cast<int32_t>(added.size()) - 1);
}

void TDCMemoStrings::Delete(int32_t index) {
    DeleteLines(index, 1);
}

void TDCMemoStrings::DeleteLines(int32_t first, int32_t count) {
    CheckIndex(first, Count() - 1);
    if (count <= 0) return;
    CheckIndex(first + count - 1, Count() - 1);
    const TOperationScope operation(*this);
    Items_.erase(Items_.begin() + first, Items_.begin() + first + count);
    if (Notifying()) Observer_->LinesDeleted(first, first + count - 1);
}

void TDCMemoStrings::Clear() {
    const TOperationScope operation(*this);
    Items_.clear();
    if (Notifying()) Observer_->LinesCleared();
}

std::string TDCMemoStrings::Text() const {
    std::size_t size = 0;
    for (const TLineDataItem& item : Items_)
        size += item.Text.size() + 2;
    std::string text;
    text.reserve(size);
    for (const TLineDataItem& item : Items_) {
        text += item.Text;
        text += "\r\n";
    }
    return text;
}

void TDCMemoStrings::SetText(std::string_view text) {
    const TOperationScope operation(*this);
    Items_.clear();
    if (Notifying()) Observer_->LinesCleared();
    if (!text.empty()) InsertPieces(0, ListPieces(text));
}

void TDCMemoStrings::LoadFromFile(std::string_view path) {
    SetText(ReadWholeFile(path));
}

void TDCMemoStrings::SaveToFile(std::string_view path) const {
    WriteWholeFile(path, Text(), TWriteRule::UserFile);
}

} // namespace zk::editor
