// The open documents of the main window: 15 slots, the tab order over them and
// the bookkeeping of New, Open, Save, Close and the tab change. Only the current
// document lives in the editor; every other one is held in its slot. The
// window performs the file and dialog steps, calls the table, and then shows
// its tabs as the table lists them. Each document remembers the stamp of its
// file as last read or written, so that a change by another program is seen.
#pragma once

#include "ide/TempFiles.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

constexpr int kMaxDocuments = 15;

// What the table needs of the editor that shows the current document. Texts
// are Windows-1251, lines joined with CR LF; rows and columns count from 0.
class TDocumentEditor {
public:
    virtual ~TDocumentEditor() = default;
    virtual std::string Text() const = 0;
    // Replaces the whole text and its undo history; fires no change notice.
    virtual void SetText(std::string_view text) = 0;
    virtual int32_t Col() const = 0;
    virtual int32_t Row() const = 0;
    virtual void SetCaret(int32_t col, int32_t row) = 0;
    virtual int32_t LineCount() const = 0;
    virtual std::string Line(int32_t row) const = 0;
    // The text differs from its last saved state; undo back to it clears this.
    virtual bool Modified() const = 0;
    virtual void SetModified(bool modified) = 0;
};

struct TOpenFile {
    std::string Text; // as last stored from the editor
    int32_t Col = 0;
    int32_t Row = 0;
    bool IsFree = true;
    bool Saved = false;   // unchanged since loaded or saved; false for a new untitled one
    std::string FilePath; // the system's bytes of the full path; empty when untitled
    bool Edited = false;  // the editor's text is not the one last loaded or saved
    // The file changed on disk or went away, and the user kept the text.
    bool DiskDiffers = false;
    std::optional<TFileStamp> Stamp; // the file as last read or written
    TDocumentFormat Format;          // how its file is written
};

// What another program did to the file of an open document.
struct TDiskChange {
    enum TKind { Changed, Vanished } Kind;
    int Slot = 0;
    std::optional<TFileStamp> Now; // the file as it is now; nothing when vanished
};

// What a command has to show: a text for status panel 0, or a refusal for a
// message box (caption "Ошибка"). Both Windows-1251; empty when there is none.
struct TTableResult {
    std::string Status;
    std::string Error;
};

class TDocumentTable {
public:
    // The start-up state: one untitled, unsaved document in slot 1 and tab 0.
    explicit TDocumentTable(TDocumentEditor& editor);

    // The start-up document is the file named on the command line instead.
    void StartWithFile(std::string path, std::string text,
                       std::optional<TFileStamp> stamp = std::nullopt, TDocumentFormat format = {});

    int OpenCount() const { return OpenCount_; }
    int CurTab() const { return CurTab_; }
    // The start-up document is untouched: the first Open replaces it.
    bool Pristine() const { return Pristine_; }
    // A file opened to show a place in it (a definition, a form of a debug
    // run) comes beside the start-up document, which is being read.
    void KeepStartDocument() { Pristine_ = false; }
    bool Closing() const { return Closing_; }
    // The slot (1..15) that a tab (0..14) shows; 0 past the last tab.
    int TabSlot(int tab) const;
    // The tab that shows a slot; -1 when the slot is free.
    int TabOfSlot(int slot) const;
    const TOpenFile& Slot(int slot) const;
    const TOpenFile& Current() const { return Slot(TabSlot(CurTab_)); }
    // "Безымянный " and the slot number, or the file name without directory.
    std::string TabTitle(int tab) const;
    // The title with a trailing "*" while the document would be lost.
    std::string TabCaption(int tab) const;
    // Leaving would lose the document: a titled one unsaved (or its file
    // gone), an untitled one edited and not empty.
    bool WouldBeLost(int tab) const;
    // The tab of the document whose file is `path` (the same path, or the same
    // file under another name); -1 when it is not open.
    int TabOfFile(std::string_view path) const;
    // Whether New (or an Open that adds a tab) has a free slot.
    bool CanAdd() const { return OpenCount_ < kMaxDocuments; }
    bool CanOpen() const { return Pristine_ || CanAdd(); }
    // The refusal of a sixteenth document.
    static std::string TooManyFiles();

    // Stores the editor's text and caret into the current document's slot.
    void SaveCurText();
    // The user picked another tab (Close and Save All call it too): stores the
    // editor into the tab that was current, unless a close is rearranging the
    // tabs, and shows the picked one.
    void ChangeTab(int tab);
    // An edit in the editor (a paste and an undo too): the document is saved
    // again when undo has brought it back to its file's text.
    void OnMmoChange();

    // A new untitled document in the lowest free slot, in a new current tab.
    TTableResult New();
    // `text` was read from the file at `path`. While Pristine, it replaces the
    // start-up document in tab 0; otherwise it goes into a new current tab.
    TTableResult Open(std::string path, std::string text,
                      std::optional<TFileStamp> stamp = std::nullopt, TDocumentFormat format = {});
    // A document brought back from a recovery copy: in a new current tab
    // (in place of the untouched start-up one), unsaved, with the text it
    // had and its file's format. False when no slot is free.
    bool Restore(std::string path, std::string text, TDocumentFormat format = {});
    // The current document was written to `path` (Save, Save As).
    TTableResult MarkSaved(std::string path, std::optional<TFileStamp> stamp = std::nullopt,
                           std::optional<TDocumentFormat> format = std::nullopt);

    // The documents whose files changed or went away since they were last
    // read or written, or since the user last kept their text.
    std::vector<TDiskChange> DiskChanges() const;
    // The current document takes its file's new text.
    void Reload(std::string text, const TFileStamp& stamp, TDocumentFormat format);
    // The document keeps its text over the change; it is unsaved now.
    void KeepText(const TDiskChange& change);
    // Removes the current document once the window has settled what happens to
    // its text; the last document stays open.
    TTableResult CloseCurrent();

    // The tabs, in order, whose documents would be lost by leaving: unsaved,
    // except untitled ones that hold no text. Stores the editor first.
    std::vector<int> UnsavedTabs();

    // The open documents in slot order as a build sees them; the editor is
    // stored into its slot first.
    std::vector<TDocumentCopy> DocumentCopies();

private:
    TOpenFile& SlotRef(int slot);
    int NewFile();
    void ShowInEditor(const TOpenFile& file);

    TDocumentEditor& Editor_;
    std::array<TOpenFile, kMaxDocuments> OpenFiles_; // slot n at index n - 1
    std::array<uint8_t, kMaxDocuments> TabSlots_{};
    int OpenCount_ = 1;
    int CurTab_ = 0;
    bool Pristine_ = true;
    bool Closing_ = false;
};

// The last component of a path (system bytes), as a Windows-1251 text; a
// character the code page lacks shows as '?'.
std::string FileNameText(std::string_view path);

} // namespace zk::ide
