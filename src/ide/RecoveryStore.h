// Recovery copies of the documents a run of the environment has not saved,
// kept in the user's state directory so that a run that is killed, crashes
// or loses its session leaves its work behind. Each run keeps its copies in
// a folder of its own and holds a lock on it while it lives; a folder whose
// lock is free belongs to a run that ended without cleaning up, and its
// copies are offered at the next start. Every copy is written in one step,
// so a run killed mid-write leaves the previous copy.
#pragma once

#include "ide/DocumentFile.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

struct TRecoveryCopy {
    std::string FilePath; // the document's file (system bytes); empty when untitled
    std::string Title;    // its tab title, Windows-1251
    std::string Text;     // lines joined with CR LF
    int64_t Time = 0;     // when the copy was made, seconds since 1970
    // How the document's file is written, so that a restored document is
    // saved as its file was (a copy from before formats were kept: the default).
    TDocumentFormat Format;
    std::string CopyPath; // the copy itself
};

// "$XDG_STATE_HOME/varnok", else "~/.local/state/varnok".
std::string DefaultStateDir();

class TRecoveryStore {
public:
    explicit TRecoveryStore(std::string stateDir);

    // Takes this run's folder; false when none could be made (copies are then
    // not kept, and the environment works on without them).
    bool Begin();
    bool Active() const { return Lock_.has_value(); }
    // Writes the copy of the document in slot `slot`, replacing its last one.
    // Throws TFileError.
    void Keep(int slot, const TRecoveryCopy& copy);
    // Removes the copy of slot `slot`, when there is one.
    void Drop(int slot);
    // Removes this run's folder with its copies: the run ended with nothing
    // left unsaved that the user wanted.
    void End();

    // The copies that ended runs left, oldest first; unreadable ones are
    // skipped.
    std::vector<TRecoveryCopy> Orphans() const;
    // Removes those copies, and the folders they leave empty.
    void Forget(const std::vector<TRecoveryCopy>& copies) const;

private:
    std::string CopyPath(int slot) const;
    void SweepEndedSessions() const;

    std::string Root_;    // the folder of all runs' folders
    std::string Session_; // this run's folder, empty before Begin
    std::optional<TFileLock> Lock_;
};

// The copy file's contents, and back; nothing for bytes that are not one.
std::string EncodeRecoveryCopy(const TRecoveryCopy& copy);
std::optional<TRecoveryCopy> DecodeRecoveryCopy(std::string_view bytes);

} // namespace zk::ide
