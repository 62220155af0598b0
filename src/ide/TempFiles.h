// The temporary directory of the builds: the main module under a fresh name
// and copies of the open documents, so that an inclusion or a used module
// that names an open document finds its text as edited. The directory may be
// one the user also keeps files in, so the environment records every file it
// writes there in a list file of its own, by name and by stamp: a name alone
// would later cover a file of the user's that took it. The environment
// deletes or overwrites only a file whose stamp is still the one it recorded.
#pragma once

#include "ide/DocumentFile.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

// An open document as a build sees it: its text Windows-1251, its path the
// system's bytes.
struct TDocumentCopy {
    int32_t Slot = 0;       // its slot, 1 to 15
    std::string FilePath;   // empty for an untitled document
    std::string Text;       // lines joined with CR LF
    TDocumentFormat Format; // written as its file is, so a build reads what zk would
};

// The name of the list file in the temporary directory.
inline constexpr std::string_view kTempListName = ".varnok-files";

class TTempFiles {
public:
    // `dir` is the TempDir option as it stands, with or without a trailing '/'.
    explicit TTempFiles(std::string dir, uint32_t seed = std::random_device{}());

    // False when the directory does not exist. Otherwise deletes every file
    // that is still as the list records it, and forgets the others.
    bool ClearTemp();
    // A name n + ".zk", 0 <= n < 100,000,000, of no file in the directory.
    std::string GetUniqueName();
    // Writes the lines of `text`, each ended as `format` says, as the file
    // `name` of the directory. The result is the path of a file the
    // environment did not write (or that was changed since), which is left
    // alone; nothing when written. Throws TFileError.
    std::optional<std::string> FlushMemo(std::string_view name, std::string_view text,
                                         const TDocumentFormat& format = {});
    // FlushMemo for every document with a file name, under that name without
    // its directory; stops at the first file it refuses.
    std::optional<std::string> FlushTemp(const std::vector<TDocumentCopy>& documents);

    // The directory as a search-list entry, ending in '/'.
    const std::string& Entry() const { return Entry_; }
    std::string PathOf(std::string_view name) const { return Entry_ + std::string(name); }

    // A file the environment wrote: its name and its stamp when written.
    struct TRecord {
        std::string Name;
        TFileStamp Stamp;
    };

private:
    std::vector<TRecord> Recorded() const;
    void Record(const std::vector<TRecord>& records) const;

    std::string Entry_;
    std::mt19937 Random_;
};

// The last component of a path.
std::string FileNameOf(std::string_view path);

} // namespace zk::ide
