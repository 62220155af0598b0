// The document slots and their tab order. A new document takes the lowest free
// slot, so an untitled document's number is its slot, not a running count.
#include "ide/DocumentTable.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <stdexcept>

namespace zk::ide {

namespace {

// The texts are written here in UTF-8 and shown in the system's code page.
std::string Text1251(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

} // namespace

std::string FileNameText(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return Utf8ToCp1251(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

TDocumentTable::TDocumentTable(TDocumentEditor& editor) : Editor_(editor) {
    TOpenFile& first = OpenFiles_[0];
    first.IsFree = false;
    TabSlots_[0] = 1;
}

void TDocumentTable::StartWithFile(std::string path, std::string text) {
    TOpenFile& first = SlotRef(1);
    first.Text = std::move(text);
    first.FilePath = std::move(path);
    first.Saved = true;
    ShowInEditor(first);
}

int TDocumentTable::TabSlot(int tab) const {
    return tab >= 0 && tab < kMaxDocuments ? TabSlots_[tab] : 0;
}

const TOpenFile& TDocumentTable::Slot(int slot) const {
    if (slot < 1 || slot > kMaxDocuments) throw std::out_of_range("document slot");
    return OpenFiles_[slot - 1];
}

TOpenFile& TDocumentTable::SlotRef(int slot) {
    return const_cast<TOpenFile&>(Slot(slot));
}

std::string TDocumentTable::TooManyFiles() {
    return Text1251("Слишком много открытых файлов");
}

std::string TDocumentTable::TabTitle(int tab) const {
    const int slot = TabSlot(tab);
    if (slot == 0) return {};
    const TOpenFile& file = Slot(slot);
    if (file.FilePath.empty()) return Text1251("Безымянный ") + std::to_string(slot);
    return FileNameText(file.FilePath);
}

void TDocumentTable::SaveCurText() {
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    file.Text = Editor_.Text();
    file.Col = Editor_.Col();
    file.Row = Editor_.Row();
}

void TDocumentTable::ChangeTab(int tab) {
    if (tab < 0 || tab >= OpenCount_) return;
    if (!Closing_) SaveCurText();
    CurTab_ = tab;
    ShowInEditor(Current());
}

void TDocumentTable::ShowInEditor(const TOpenFile& file) {
    Editor_.SetText(file.Text);
    Editor_.SetCaret(file.Col, file.Row);
}

void TDocumentTable::OnMmoChange() {
    Pristine_ = false;
    SlotRef(TabSlot(CurTab_)).Saved = false;
}

int TDocumentTable::NewFile() {
    const auto free = std::find_if(OpenFiles_.begin(), OpenFiles_.end(),
                                   [](const TOpenFile& file) { return file.IsFree; });
    *free = TOpenFile{};
    free->IsFree = false;
    ++OpenCount_;
    return static_cast<int>(free - OpenFiles_.begin()) + 1;
}

TTableResult TDocumentTable::New() {
    if (!CanAdd()) return {{}, TooManyFiles()};
    Pristine_ = false;
    SaveCurText();
    const int slot = NewFile();
    CurTab_ = OpenCount_ - 1;
    TabSlots_[CurTab_] = static_cast<uint8_t>(slot);
    ShowInEditor(Slot(slot));
    return {Text1251("Создан новый файл"), {}};
}

TTableResult TDocumentTable::Open(std::string path, std::string text) {
    if (!CanOpen()) return {{}, TooManyFiles()};
    int slot = TabSlots_[0];
    if (!Pristine_) {
        SaveCurText();
        slot = NewFile();
        CurTab_ = OpenCount_ - 1;
        TabSlots_[CurTab_] = static_cast<uint8_t>(slot);
    }
    TOpenFile& file = SlotRef(slot);
    file.Text = std::move(text);
    file.Col = file.Row = 0;
    file.FilePath = std::move(path);
    file.Saved = true;
    ShowInEditor(file);
    Pristine_ = false;
    return {Text1251("Открыт файл ") + FileNameText(file.FilePath), {}};
}

TTableResult TDocumentTable::MarkSaved(std::string path) {
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    file.Saved = true;
    file.FilePath = std::move(path);
    Pristine_ = false;
    return {Text1251("Сохранён файл ") + FileNameText(file.FilePath), {}};
}

TTableResult TDocumentTable::CloseCurrent() {
    if (OpenCount_ <= 1) return {};
    SlotRef(TabSlot(CurTab_)) = TOpenFile{};
    std::copy(TabSlots_.begin() + CurTab_ + 1, TabSlots_.begin() + OpenCount_,
              TabSlots_.begin() + CurTab_);
    --OpenCount_;
    TabSlots_[OpenCount_] = 0;

    // The closed document's text must not be stored into the one that now
    // holds its tab.
    Closing_ = true;
    ChangeTab(std::min(CurTab_, OpenCount_ - 1));
    Closing_ = false;
    return {Text1251("Файл закрыт"), {}};
}

std::vector<int> TDocumentTable::UnsavedTabs() {
    SaveCurText();
    std::vector<int> tabs;
    for (int tab = 0; tab < OpenCount_; ++tab) {
        const TOpenFile& file = Slot(TabSlot(tab));
        if (!file.Saved && !(file.FilePath.empty() && file.Text.empty())) tabs.push_back(tab);
    }
    return tabs;
}

std::vector<TDocumentCopy> TDocumentTable::DocumentCopies() {
    SaveCurText();
    std::vector<TDocumentCopy> copies;
    for (int slot = 1; slot <= kMaxDocuments; ++slot)
        if (const TOpenFile& file = Slot(slot); !file.IsFree)
            copies.push_back({slot, file.FilePath, file.Text});
    return copies;
}

} // namespace zk::ide
