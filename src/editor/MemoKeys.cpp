// The key table as one list of bindings, built once.
#include "editor/MemoKeys.h"

#include "editor/MemoModel.h"

#include <functional>
#include <vector>

namespace zk::editor {

namespace {

struct TBinding {
    TKey Key;
    uint8_t Shift;
    std::function<void(TMemoModel&)> Run;
    bool (*Applies)(const TMemoModel&) = nullptr; // none: always
};

bool ListShown(const TMemoModel& model) {
    return model.Completions().Shown();
}

// The completion list's keys come first, while it shows.
void AddCompletionBindings(std::vector<TBinding>& bindings) {
    const auto list = [&](TKey key, std::function<void(TMemoModel&)> run) {
        bindings.push_back({key, ssNone, std::move(run), ListShown});
    };
    list(TKey::Up, [](TMemoModel& m) { m.MoveCompletion(-1); });
    list(TKey::Down, [](TMemoModel& m) { m.MoveCompletion(1); });
    list(TKey::PageUp, [](TMemoModel& m) { m.MoveCompletion(-kCompletionRows); });
    list(TKey::PageDown, [](TMemoModel& m) { m.MoveCompletion(kCompletionRows); });
    list(TKey::Enter, [](TMemoModel& m) { m.AcceptCompletion(); });
    list(TKey::Tab, [](TMemoModel& m) { m.AcceptCompletion(); });
    list(TKey::Escape, [](TMemoModel& m) { m.CloseCompletions(); });
}

std::vector<TBinding> MakeBindings() {
    std::vector<TBinding> bindings;
    AddCompletionBindings(bindings);
    // A movement key without Shift clears the selection; with Shift the
    // selection follows the caret.
    const auto move = [&](TKey key, uint8_t shift, void (TMemoModel::*command)(bool)) {
        bindings.push_back({key, shift, [command](TMemoModel& m) { (m.*command)(false); }});
        bindings.push_back({key, static_cast<uint8_t>(shift | ssShift),
                            [command](TMemoModel& m) { (m.*command)(true); }});
    };
    const auto run = [&](TKey key, uint8_t shift, void (TMemoModel::*command)()) {
        bindings.push_back({key, shift, [command](TMemoModel& m) { (m.*command)(); }});
    };
    const uint8_t ctrlShift = ssCtrl | ssShift;
    move(TKey::Left, ssNone, &TMemoModel::MoveLeft);
    move(TKey::Left, ssCtrl, &TMemoModel::WordLeft);
    move(TKey::Right, ssNone, &TMemoModel::MoveRight);
    move(TKey::Right, ssCtrl, &TMemoModel::WordRight);
    move(TKey::Up, ssNone, &TMemoModel::MoveUp);
    move(TKey::Down, ssNone, &TMemoModel::MoveDown);
    run(TKey::Up, ssCtrl, &TMemoModel::ScrollLineUp);
    run(TKey::Down, ssCtrl, &TMemoModel::ScrollLineDown);
    move(TKey::Home, ssNone, &TMemoModel::LineStart);
    move(TKey::Home, ssCtrl, &TMemoModel::TextStart);
    move(TKey::End, ssNone, &TMemoModel::LineEnd);
    move(TKey::End, ssCtrl, &TMemoModel::TextEnd);
    move(TKey::PageUp, ssNone, &TMemoModel::PageUp);
    move(TKey::PageUp, ssCtrl, &TMemoModel::PageTop);
    move(TKey::PageDown, ssNone, &TMemoModel::PageDown);
    move(TKey::PageDown, ssCtrl, &TMemoModel::PageBottom);
    for (const uint8_t shift : {ssNone, ssShift}) {
        run(TKey::Enter, shift, &TMemoModel::Enter);
        run(TKey::Backspace, shift, &TMemoModel::Backspace);
    }
    run(TKey::Delete, ssNone, &TMemoModel::DeleteChar);
    run(TKey::Delete, ssShift, &TMemoModel::CutToClipboard);
    run(TKey::Tab, ssNone, &TMemoModel::Tab);
    run(TKey::Tab, ssShift, &TMemoModel::BackTab);
    run(TKey::Insert, ssNone, &TMemoModel::ToggleInsertMode);
    run(TKey::Insert, ssCtrl, &TMemoModel::CopyToClipboard);
    run(TKey::Insert, ssShift, &TMemoModel::PasteFromClipboard);
    run(TKey::A, ssCtrl, &TMemoModel::SelectAll);
    run(TKey::C, ssCtrl, &TMemoModel::CopyToClipboard);
    run(TKey::X, ssCtrl, &TMemoModel::CutToClipboard);
    run(TKey::V, ssCtrl, &TMemoModel::PasteFromClipboard);
    run(TKey::Z, ssCtrl, &TMemoModel::Undo);
    run(TKey::Z, ctrlShift, &TMemoModel::Redo);
    bindings.push_back({TKey::Escape, ssNone, [](TMemoModel& m) { m.EndMouseSelection(); },
                        [](const TMemoModel& m) { return m.MouseSelecting(); }});
    bindings.push_back({TKey::Space, ssCtrl, [](TMemoModel& m) { m.RequestCompletion(); },
                        [](const TMemoModel& m) { return !m.ReadOnly(); }});
    // Control+Plus comes with Shift where "+" is a shifted key.
    for (const uint8_t shift : {uint8_t{ssCtrl}, ctrlShift})
        bindings.push_back({TKey::Plus, shift, [](TMemoModel& m) { m.Zoom().Step(1); }});
    bindings.push_back({TKey::Minus, ssCtrl, [](TMemoModel& m) { m.Zoom().Step(-1); }});
    // Control+0 is the zoom's reset, as in every browser; bookmark 0 is still
    // set with Control+Shift+0 and reached through GotoBookmark.
    bindings.push_back({TKey::Digit0, ssCtrl, [](TMemoModel& m) { m.Zoom().Reset(); }});
    for (int n = 0; n < kBookmarkCount; ++n) {
        const auto digit = static_cast<TKey>(static_cast<int>(TKey::Digit0) + n);
        bindings.push_back({digit, ctrlShift, [n](TMemoModel& m) { m.ToggleBookmark(n); }});
        if (n > 0) bindings.push_back({digit, ssCtrl, [n](TMemoModel& m) { m.GotoBookmark(n); }});
    }
    return bindings;
}

const TBinding* Find(const TMemoModel& model, TKey key, uint8_t shift) {
    static const std::vector<TBinding> bindings = MakeBindings();
    for (const TBinding& binding : bindings)
        if (binding.Key == key && binding.Shift == shift &&
            (binding.Applies == nullptr || binding.Applies(model)))
            return &binding;
    return nullptr;
}

} // namespace

bool HandlesKey(const TMemoModel& model, TKey key, uint8_t shift) {
    return Find(model, key, shift) != nullptr;
}

bool HandleKey(TMemoModel& model, TKey key, uint8_t shift) {
    const TBinding* binding = Find(model, key, shift);
    if (binding == nullptr) return false;
    binding->Run(model);
    return true;
}

} // namespace zk::editor
