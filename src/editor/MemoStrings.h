// The editor's line store: one TLineDataItem per line, holding the text
// without its line break and the highlighting computed for it. Every change
// is told to one observer, the editor, unless the notify switch is off.
#pragma once

#include "editor/SyntaxData.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zk::editor {

struct TLineDataItem {
    std::string Text;
    TLineSyntax Syntax;
};

// The notices of the line store. A begin-change and an end-change enclose
// each operation; while an update is open they enclose the whole update
// instead (sent only when the update changes something). Between them come
// the notices of what changed, rows inclusive.
class TMemoStringsObserver {
public:
    virtual ~TMemoStringsObserver() = default;
    virtual void BeginChange() {}
    virtual void EndChange() {}
    virtual void LinesChanged(int32_t /*first*/, int32_t /*last*/) {}
    virtual void LinesInserted(int32_t /*first*/, int32_t /*last*/) {}
    virtual void LinesDeleted(int32_t /*first*/, int32_t /*last*/) {}
    virtual void LinesCleared() {}
};

// An index outside the list: "List index out of bounds (%d)". The list is
// left as it was.
class TListIndexError : public std::out_of_range {
public:
    explicit TListIndexError(int32_t index);
    int32_t Index() const { return Index_; }

private:
    int32_t Index_;
};

// The pieces of `text` between its line breaks (CR LF, CR or LF): n breaks
// give n + 1 pieces.
std::vector<std::string_view> SplitAtBreaks(std::string_view text);

class TDCMemoStrings {
public:
    int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
    int32_t Capacity() const { return Capacity_; }
    const std::string& Get(int32_t index) const { return Item(index).Text; }
    const std::string& operator[](int32_t index) const { return Get(index); }
    const TLineDataItem& Item(int32_t index) const;
    // The highlighting of a line, written by the highlighter without notices.
    TLineSyntax& SyntaxOf(int32_t index) { return At(index).Syntax; }

    // Texts given to Put, Insert and Add are split at their line breaks; a
    // final break ends the last line without starting another.
    void Put(int32_t index, std::string_view text);
    void Insert(int32_t index, std::string_view text); // index == Count() appends
    int32_t Add(std::string_view text);                // the index of the first added line
    void InsertLines(int32_t index, std::vector<std::string> lines);
    void Delete(int32_t index);
    void DeleteLines(int32_t first, int32_t count);
    void Clear();

    // All lines, each followed by CR LF.
    std::string Text() const;
    // Replaces every line: a cleared notice, then the inserted lines. The
    // empty text leaves no line.
    void SetText(std::string_view text);
    // File failures are TFileError exceptions naming the file. Saving writes a
    // new file beside the old one and puts it in its place in one step.
    void LoadFromFile(std::string_view path);
    void SaveToFile(std::string_view path) const;

    void BeginUpdate();
    void EndUpdate();
    int32_t UpdateCount() const { return UpdateCount_; }
    bool Notify() const { return Notify_; }
    void SetNotify(bool notify) { Notify_ = notify; }
    void SetObserver(TMemoStringsObserver* observer) { Observer_ = observer; }

private:
    // Sends the begin-change and, when it goes, the end-change of one operation.
    struct TOperationScope {
        explicit TOperationScope(TDCMemoStrings& lines) : Lines(lines) { Lines.BeginOperation(); }
        ~TOperationScope() { Lines.EndOperation(); }
        TDCMemoStrings& Lines;
    };

    TLineDataItem& At(int32_t index);
    void CheckIndex(int32_t index, int32_t limit) const;
    // Grows the capacity by the rule until `count` lines fit: by 4 below 9
    // lines, by 16 up to 64, then by a quarter.
    void Reserve(std::size_t count);
    void InsertPieces(int32_t index, const std::vector<std::string_view>& pieces);
    void BeginOperation();
    void EndOperation();
    bool Notifying() const { return Notify_ && Observer_ != nullptr; }

    std::vector<TLineDataItem> Items_;
    int32_t Capacity_ = 0;
    int32_t UpdateCount_ = 0;
    bool UpdateBegun_ = false; // the begin-change of the open update was sent
    bool Notify_ = true;
    TMemoStringsObserver* Observer_ = nullptr;
};

} // namespace zk::editor
