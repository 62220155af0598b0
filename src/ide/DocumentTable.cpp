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

void TDocumentTable::StartWithFile(std::string path, std::string text,
                                   std::optional<TFileStamp> stamp, TDocumentFormat format) {
    TOpenFile& first = SlotRef(1);
    first.Format = std::move(format);
    first.Text = std::move(text);
    first.FilePath = std::move(path);
    first.Saved = true;
    first.Stamp = stamp;
    ShowInEditor(first);
}

int TDocumentTable::TabSlot(int tab) const {
    return tab >= 0 && tab < kMaxDocuments ? TabSlots_[tab] : 0;
}

int TDocumentTable::TabOfSlot(int slot) const {
    for (int tab = 0; tab < OpenCount_; ++tab)
        if (TabSlots_[tab] == slot) return tab;
    return -1;
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

std::string TDocumentTable::TabCaption(int tab) const {
    return TabTitle(tab) + (WouldBeLost(tab) ? "*" : "");
}

bool TDocumentTable::WouldBeLost(int tab) const {
    const int slot = TabSlot(tab);
    if (slot == 0) return false;
    const TOpenFile& file = Slot(slot);
    if (!file.FilePath.empty()) return !file.Saved || !RegularFileStamp(file.FilePath);
    if (!file.Edited) return false;
    if (tab != CurTab_) return !file.Text.empty();
    return Editor_.LineCount() > 1 || !Editor_.Line(0).empty();
}

int TDocumentTable::TabOfFile(std::string_view path) const {
    const std::optional<TFileStamp> wanted = RegularFileStamp(path);
    for (int tab = 0; tab < OpenCount_; ++tab) {
        const TOpenFile& file = Slot(TabSlot(tab));
        if (file.FilePath.empty()) continue;
        if (file.FilePath == path) return tab;
        const std::optional<TFileStamp> open = RegularFileStamp(file.FilePath);
        if (wanted && open && wanted->SameFile(*open)) return tab;
    }
    return -1;
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
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    file.Edited = Editor_.Modified();
    file.Saved = !file.FilePath.empty() && !file.Edited && !file.DiskDiffers;
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

TTableResult TDocumentTable::Open(std::string path, std::string text,
                                  std::optional<TFileStamp> stamp, TDocumentFormat format) {
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
    file.Stamp = stamp;
    file.Format = std::move(format);
    ShowInEditor(file);
    Pristine_ = false;
    return {Text1251("Открыт файл ") + FileNameText(file.FilePath), {}};
}

bool TDocumentTable::Restore(std::string path, std::string text, TDocumentFormat format) {
    const TOpenFile& start = Slot(TabSlots_[0]);
    if (Pristine_ && OpenCount_ == 1 && start.FilePath.empty() && !WouldBeLost(0)) {
        Open(std::move(path), std::move(text), std::nullopt, std::move(format));
    } else {
        if (!CanAdd()) return false;
        New();
        TOpenFile& file = SlotRef(TabSlot(CurTab_));
        file.Text = std::move(text);
        file.FilePath = std::move(path);
        file.Format = std::move(format);
        ShowInEditor(file);
    }
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    // The file, if it is still there, is not the text: the copy was newer.
    file.Stamp = RegularFileStamp(file.FilePath);
    file.Saved = false;
    file.DiskDiffers = true;
    file.Edited = true;
    Editor_.SetModified(true);
    Pristine_ = false;
    return true;
}

TTableResult TDocumentTable::MarkSaved(std::string path, std::optional<TFileStamp> stamp,
                                       std::optional<TDocumentFormat> format) {
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    if (format) file.Format = std::move(*format);
    file.Saved = true;
    file.Edited = false;
    file.DiskDiffers = false;
    file.FilePath = std::move(path);
    file.Stamp = stamp;
    Editor_.SetModified(false);
    Pristine_ = false;
    return {Text1251("Сохранён файл ") + FileNameText(file.FilePath), {}};
}

std::vector<TDiskChange> TDocumentTable::DiskChanges() const {
    std::vector<TDiskChange> changes;
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        const TOpenFile& file = Slot(slot);
        if (file.IsFree || file.FilePath.empty() || !file.Stamp) continue;
        const std::optional<TFileStamp> now = RegularFileStamp(file.FilePath);
        if (!now)
            changes.push_back({TDiskChange::Vanished, slot, std::nullopt});
        else if (*now != *file.Stamp)
            changes.push_back({TDiskChange::Changed, slot, now});
    }
    return changes;
}

void TDocumentTable::Reload(std::string text, const TFileStamp& stamp, TDocumentFormat format) {
    TOpenFile& file = SlotRef(TabSlot(CurTab_));
    file.Format = std::move(format);
    file.Text = std::move(text);
    file.Col = Editor_.Col(); // the caret stays where it was
    file.Row = Editor_.Row();
    ShowInEditor(file);
    file.Stamp = stamp;
    file.Saved = true;
    file.Edited = false;
    file.DiskDiffers = false;
    Editor_.SetModified(false);
}

void TDocumentTable::KeepText(const TDiskChange& change) {
    TOpenFile& file = SlotRef(change.Slot);
    file.Stamp = change.Now;
    file.DiskDiffers = true;
    file.Saved = false;
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
    for (int tab = 0; tab < OpenCount_; ++tab)
        if (WouldBeLost(tab)) tabs.push_back(tab);
    return tabs;
}

std::vector<TDocumentCopy> TDocumentTable::DocumentCopies() {
    SaveCurText();
    std::vector<TDocumentCopy> copies;
    for (int slot = 1; slot <= kMaxDocuments; ++slot)
        if (const TOpenFile& file = Slot(slot); !file.IsFree)
            copies.push_back({slot, file.FilePath, file.Text, file.Format});
    return copies;
}

} // namespace zk::ide
