// An editor of plain lines in place of the editor control, for the document
// table and the commands that drive it.
#pragma once

#include "ide/DocumentTable.h"

#include "frontend/FileIO.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zk::ide::test {

class TFakeEditor final : public TDocumentEditor {
public:
    std::vector<std::string> Lines{""};
    int32_t CaretCol = 0;
    int32_t CaretRow = 0;
    int SetTextCalls = 0;
    bool Dirty = false; // what an editor's undo list would say

    std::string Text() const override {
        std::string text;
        for (std::size_t i = 0; i < Lines.size(); ++i)
            text += (i ? "\r\n" : "") + Lines[i];
        return text;
    }
    void SetText(std::string_view text) override {
        ++SetTextCalls;
        Dirty = false;
        Lines.clear();
        for (std::size_t pos = 0; pos < text.size();)
            Lines.emplace_back(NextLine(text, pos));
        if (Lines.empty() || text.ends_with('\n')) Lines.emplace_back();
    }
    int32_t Col() const override { return CaretCol; }
    int32_t Row() const override { return CaretRow; }
    void SetCaret(int32_t col, int32_t row) override {
        CaretCol = std::max(col, 0);
        CaretRow = std::max(row, 0);
    }
    int32_t LineCount() const override { return static_cast<int32_t>(Lines.size()); }
    std::string Line(int32_t row) const override {
        return row >= 0 && row < LineCount() ? Lines[row] : std::string();
    }
    bool Modified() const override { return Dirty; }
    void SetModified(bool modified) override { Dirty = modified; }

    // Typing replaces the text; the table hears of it as the window would tell it.
    void Type(TDocumentTable& table, std::string text) {
        SetText(text);
        Dirty = true;
        table.OnMmoChange();
    }
};

} // namespace zk::ide::test
