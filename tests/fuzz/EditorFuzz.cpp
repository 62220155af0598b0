// The editor's model driven by a sequence of edits, moves and selections
// read from the input, after a start text (the bytes up to the first NUL).
// Undoing every action gives back the start text, and highlighting every
// line cuts it into lexems that cover it exactly.
#include "FuzzSupport.h"

#include "editor/MemoModel.h"
#include "editor/ZKSyntaxData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;
using namespace zk::editor;

namespace {

class TInput {
public:
    explicit TInput(std::string_view bytes) : Bytes_(bytes) {}
    bool AtEnd() const { return Pos_ >= Bytes_.size(); }
    uint8_t Byte() { return AtEnd() ? 0 : static_cast<uint8_t>(Bytes_[Pos_++]); }
    std::string_view Text(std::size_t most) {
        const std::string_view text = Bytes_.substr(Pos_, most);
        Pos_ += text.size();
        return text;
    }

private:
    std::string_view Bytes_;
    std::size_t Pos_ = 0;
};

TTextPoint PointFrom(TInput& input, const TMemoModel& model) {
    const int32_t col = input.Byte() % 90;
    return {col, static_cast<int32_t>(input.Byte() % (model.Lines().Count() + 2))};
}

void Apply(uint8_t op, TInput& input, TMemoModel& model) {
    const bool extend = (op & 0x80) != 0;
    switch (op % 20) {
    case 0: model.TypeText(input.Text(1 + input.Byte() % 4)); break;
    case 1: model.Enter(); break;
    case 2: model.DeleteChar(); break;
    case 3: model.Backspace(); break;
    case 4: model.Tab(); break;
    case 5: model.BackTab(); break;
    case 6: model.MoveLeft(extend); break;
    case 7: model.MoveRight(extend); break;
    case 8: model.MoveUp(extend); break;
    case 9: model.MoveDown(extend); break;
    case 10: extend ? model.WordRight(true) : model.WordLeft(false); break;
    case 11: extend ? model.LineEnd(true) : model.LineStart(false); break;
    case 12: extend ? model.TextEnd(true) : model.TextStart(false); break;
    case 13: {
        const TTextPoint anchor = PointFrom(input, model);
        model.SetSelection(anchor, PointFrom(input, model), extend ? btColumn : btStream);
        break;
    }
    case 14: model.DeleteSelection(); break;
    case 15: model.ToggleInsertMode(); break;
    case 16: model.Undo(); break;
    case 17: model.Redo(); break;
    case 18: model.PasteText(input.Text(1 + input.Byte() % 16)); break;
    default: model.SetCaret(PointFrom(input, model)); break;
    }
}

void CheckHighlighting(const TMemoModel& model) {
    TDCZKSyntaxData syntax;
    TLineSyntax line;
    TLineState state;
    for (int32_t row = 0; row < model.Lines().Count(); ++row) {
        const std::string& text = model.Lines()[row];
        syntax.HighlightLine(text, state, line);
        std::size_t covered = 0;
        for (int32_t i = 0; i < line.Lexems.Count(); ++i)
            covered += line.Lexems[i].Length;
        fuzz::Require(covered == text.size(), "the lexems of a line do not cover it");
        state = line.End;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(bytes.find('\0'), bytes.size());
    TMemoModel model;
    model.SetVisibleSize(40, 10);
    model.SetText(bytes.substr(0, split));
    const std::string start = model.Text();
    TInput input(bytes.substr(std::min(split + 1, bytes.size())));
    for (int steps = 0; !input.AtEnd() && steps < 200; ++steps)
        Apply(input.Byte(), input, model);
    CheckHighlighting(model);
    while (model.CanUndo())
        model.Undo();
    fuzz::Require(model.Text() == start, "undoing every edit does not give back the start text");
    return 0;
}
