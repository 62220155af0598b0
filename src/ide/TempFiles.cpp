// The temporary directory and the list of the files the environment wrote
// into it. The list has a line per file: its device, inode, size and
// modification time in nanoseconds, then its name with '%', control bytes
// and line ends written as %XX, so that any name fits on one line.
#include "ide/TempFiles.h"

#include "frontend/FileIO.h"
#include "ide/LineEscape.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace zk::ide {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(NativePath(path), ec));
}

// A name from the list that stays inside the directory; a hand-edited list
// must not send a deletion anywhere else.
bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name != kTempListName &&
           name.find('/') == std::string_view::npos;
}

template <typename TNumber> bool TakeNumber(std::string_view& line, TNumber& number) {
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
    if (error != std::errc() || end == line.data() + line.size() || *end != ' ') return false;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()) + 1);
    return true;
}

// "DEVICE INODE SIZE MTIME NAME"; nothing for a line of any other form.
std::optional<TTempFiles::TRecord> ParseRecord(std::string_view line) {
    TTempFiles::TRecord record;
    if (!TakeNumber(line, record.Stamp.Device) || !TakeNumber(line, record.Stamp.Inode) ||
        !TakeNumber(line, record.Stamp.Size) || !TakeNumber(line, record.Stamp.ModifiedNs))
        return std::nullopt;
    std::optional<std::string> name = UnescapeLine(line);
    if (!name || !PlainName(*name)) return std::nullopt;
    record.Name = std::move(*name);
    return record;
}

// An earlier version listed names alone and wrote each file right after the
// list: a file listed so is taken as ours while it is no newer than the list,
// give or take the moments of one build. A user's file that later took the
// name is newer and stays alone.
constexpr int64_t kEarlierListSlackNs = 2'000'000'000;

} // namespace

std::string FileNameOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

TTempFiles::TTempFiles(std::string dir, uint32_t seed) : Entry_(std::move(dir)), Random_(seed) {
    if (!Entry_.empty() && Entry_.back() != '/') Entry_ += '/';
}

std::vector<TTempFiles::TRecord> TTempFiles::Recorded() const {
    const std::string list = PathOf(kTempListName);
    TFileStamp listStamp;
    if (!Exists(list)) return {};
    const std::string text = ReadRegularFile(list, ReadableFileSize(2), &listStamp);
    std::vector<TRecord> records;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::string_view line = NextLine(text, pos);
        if (std::optional<TRecord> record = ParseRecord(line)) {
            records.push_back(std::move(*record));
        } else if (PlainName(line)) {
            const std::optional<TFileStamp> now = EntryStamp(PathOf(line));
            if (now && now->ModifiedNs <= listStamp.ModifiedNs + kEarlierListSlackNs)
                records.push_back({std::string(line), *now});
        }
    }
    return records;
}

void TTempFiles::Record(const std::vector<TRecord>& records) const {
    std::string text;
    for (const TRecord& record : records) {
        const TFileStamp& stamp = record.Stamp;
        text += std::to_string(stamp.Device) + ' ' + std::to_string(stamp.Inode) + ' ' +
                std::to_string(stamp.Size) + ' ' + std::to_string(stamp.ModifiedNs) + ' ' +
                EscapeLine(record.Name) + '\n';
    }
    WriteWholeFile(PathOf(kTempListName), text, TWriteRule::ScratchFile);
}

bool TTempFiles::ClearTemp() {
    std::error_code ec;
    if (Entry_.empty() || !fs::is_directory(NativePath(Entry_), ec)) return false;
    std::vector<TRecord> left;
    for (TRecord& record : Recorded()) {
        const std::string path = PathOf(record.Name);
        if (EntryStamp(path) != record.Stamp) continue; // gone, or no longer ours
        try {
            RemoveEntry(path);
        } catch (const TFileError&) {
            left.push_back(std::move(record)); // still ours, still there
        }
    }
    Record(left);
    return true;
}

std::string TTempFiles::GetUniqueName() {
    std::uniform_int_distribution<uint32_t> draw(0, 99'999'999);
    for (;;) {
        std::string name = std::to_string(draw(Random_)) + ".zk";
        if (!Exists(PathOf(name))) return name;
    }
}

std::optional<std::string> TTempFiles::FlushMemo(std::string_view name, std::string_view text,
                                                 const TDocumentFormat& format) {
    const std::string path = PathOf(name);
    std::vector<TRecord> records = Recorded();
    const auto own = std::find_if(records.begin(), records.end(),
                                  [&](const TRecord& record) { return record.Name == name; });
    if (Exists(path) && (own == records.end() || EntryStamp(path) != own->Stamp)) return path;

    TFileReplacement file(path, TWriteRule::ScratchFile);
    file.Write(DocumentBytes(text, format));
    // Listed before it takes its name, so that a file of ours is never left
    // unlisted; a rename keeps the stamp.
    const std::vector<TRecord> before = records;
    const TRecord written{std::string(name), file.Stamp().value_or(TFileStamp{})};
    if (own != records.end())
        *own = written;
    else
        records.push_back(written);
    Record(records);
    try {
        file.Commit();
    } catch (const TFileError&) {
        Record(before); // the old copy stays, and stays ours
        throw;
    }
    return std::nullopt;
}

std::optional<std::string> TTempFiles::FlushTemp(const std::vector<TDocumentCopy>& documents) {
    for (const TDocumentCopy& document : documents) {
        if (document.FilePath.empty()) continue;
        if (auto refused = FlushMemo(FileNameOf(document.FilePath), document.Text, document.Format))
            return refused;
    }
    return std::nullopt;
}

} // namespace zk::ide
