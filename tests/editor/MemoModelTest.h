// A model in a view of 40 columns by 10 rows, with a clipboard of its own
// and a record of the events it sent.
#pragma once

#include "editor/MemoModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk::editor::test {

class TTestClipboard : public TClipboard {
public:
    TPastedText Text() const override { return {Contents, Replaced}; }
    void SetText(const std::string& text) override { Contents = text; }
    std::string Contents;
    int32_t Replaced = 0;
};

class MemoModelTest : public ::testing::Test {
protected:
    MemoModelTest() {
        Model.SetVisibleSize(40, 10);
        Model.SetClipboard(&Clipboard);
        Model.OnChange = [this] { ++Changes; };
        Model.OnModifiedChanged = [this](bool modified) { Events += modified ? "M" : "m"; };
        Model.OnSetInsertMode = [this](bool insert) { Events += insert ? "I" : "O"; };
    }

    // The lines joined by "|".
    std::string Shown() const {
        std::string out;
        for (int32_t i = 0; i < Model.Lines().Count(); ++i) {
            if (i > 0) out += '|';
            out += Model.Lines()[i];
        }
        return out;
    }
    void Load(std::string_view text) {
        Model.SetText(text);
        Changes = 0;
    }
    void At(int32_t col, int32_t row) { Model.SetCaret({col, row}); }
    TTextPoint Caret() const { return Model.Caret(); }

    TMemoModel Model;
    TTestClipboard Clipboard;
    int Changes = 0;
    std::string Events;
};

} // namespace zk::editor::test
