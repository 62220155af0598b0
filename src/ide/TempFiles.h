// The temporary directory of the builds: the main module under a fresh name
// and copies of the open documents, so that an inclusion or a used module
// that names an open document finds its text as edited. The directory may be
// one the user also keeps files in, so the environment records every file it
// writes there in a list file of its own; it deletes only those and never
// overwrites a file it did not write.
#pragma once

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
    int32_t Slot = 0;     // its slot, 1 to 15
    std::string FilePath; // empty for an untitled document
    std::string Text;     // lines joined with CR LF
};

// The name of the list file in the temporary directory.
inline constexpr std::string_view kTempListName = ".varnok-files";

class TTempFiles {
public:
    // `dir` is the TempDir option as it stands, with or without a trailing '/'.
    explicit TTempFiles(std::string dir, uint32_t seed = std::random_device{}());

    // False when the directory does not exist. Otherwise deletes every file
    // that the list names and forgets those that are gone.
    bool ClearTemp();
    // A name n + ".zk", 0 <= n < 100,000,000, of no file in the directory.
    std::string GetUniqueName();
    // Writes `text` and one CR LF as the file `name` of the directory. The
    // result is the path of a file the environment did not write, which is
    // left alone (nothing then: written). Throws TFileError.
    std::optional<std::string> FlushMemo(std::string_view name, std::string_view text);
    // FlushMemo for every document with a file name, under that name without
    // its directory; stops at the first file it refuses.
    std::optional<std::string> FlushTemp(const std::vector<TDocumentCopy>& documents);

    // The directory as a search-list entry, ending in '/'.
    const std::string& Entry() const { return Entry_; }
    std::string PathOf(std::string_view name) const { return Entry_ + std::string(name); }

private:
    std::vector<std::string> Recorded() const;
    void Record(const std::vector<std::string>& names) const;

    std::string Entry_;
    std::mt19937 Random_;
};

// The last component of a path.
std::string FileNameOf(std::string_view path);

} // namespace zk::ide
