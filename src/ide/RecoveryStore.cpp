// The recovery folders. A copy file holds a header of escaped lines, a blank
// line, then the document's text as it was:
//     VARNOK RECOVERY 1
//     path /home/student/lists.zk
//     title lists.zk
//     time 1796390400
//     format utf-8 lf bom
//     unmappable 2260 1f600
//
// The last two lines may be missing (copies written before formats were
// kept); a reader skips header lines it does not know.
//     (REV (L) ...)
#include "ide/RecoveryStore.h"

#include "frontend/FileIO.h"
#include "ide/DocumentFile.h"
#include "ide/LineEscape.h"
#include "platform/System.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace zk::ide {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "VARNOK RECOVERY 1";
constexpr std::string_view kLockName = "lock";
constexpr std::string_view kSessionPrefix = "run-";
constexpr std::string_view kCopySuffix = ".zkr";

// The value of a header line "NAME VALUE"; nothing when the line is another.
std::optional<std::string> HeaderValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || !line.starts_with(name) || line[name.size()] != ' ')
        return std::nullopt;
    return UnescapeLine(line.substr(name.size() + 1));
}

// "format ENCODING LINE-ENDS [bom]", each word as TDocumentFormat holds it.
std::string FormatWords(const TDocumentFormat& format) {
    std::string words = format.Encoding == TTextEncoding::Utf8 ? "utf-8" : "windows-1251";
    words += format.LfLineEnds ? " lf" : " crlf";
    if (format.Bom) words += " bom";
    return words;
}

void ReadFormatWords(std::string_view words, TDocumentFormat& format) {
    for (std::size_t pos = 0; pos < words.size();) {
        const std::size_t end = std::min(words.find(' ', pos), words.size());
        const std::string_view word = words.substr(pos, end - pos);
        if (word == "utf-8") format.Encoding = TTextEncoding::Utf8;
        if (word == "lf") format.LfLineEnds = true;
        if (word == "bom") format.Bom = true;
        pos = end + 1;
    }
}

std::string UnmappableWords(const std::vector<char32_t>& characters) {
    std::string words;
    char digits[16];
    for (const char32_t character : characters) {
        const auto end = std::to_chars(digits, digits + sizeof digits, uint32_t{character}, 16).ptr;
        if (!words.empty()) words += ' ';
        words.append(digits, end);
    }
    return words;
}

// False when a word is no code point.
bool ReadUnmappableWords(std::string_view words, std::vector<char32_t>& characters) {
    for (std::size_t pos = 0; pos < words.size();) {
        const std::size_t end = std::min(words.find(' ', pos), words.size());
        uint32_t code = 0;
        const auto [last, error] =
            std::from_chars(words.data() + pos, words.data() + end, code, 16);
        if (error != std::errc() || last != words.data() + end || code > 0x10FFFF) return false;
        characters.push_back(code);
        pos = end + 1;
    }
    return true;
}

std::vector<fs::path> Entries(const fs::path& dir) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool IsCopy(const fs::path& path) {
    return path.extension() == kCopySuffix;
}

// Removes a folder of a run when only its lock is left in it.
void RemoveIfEmpty(const fs::path& session) {
    const std::vector<fs::path> entries = Entries(session);
    if (std::any_of(entries.begin(), entries.end(),
                    [](const fs::path& entry) { return entry.filename() != kLockName; }))
        return;
    std::error_code ec;
    fs::remove(session / kLockName, ec);
    fs::remove(session, ec);
}

} // namespace

std::string DefaultStateDir() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/varnok";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/varnok";
}

std::string EncodeRecoveryCopy(const TRecoveryCopy& copy) {
    std::string bytes(kHeader);
    bytes += "\npath " + EscapeLine(copy.FilePath);
    bytes += "\ntitle " + EscapeLine(copy.Title);
    bytes += "\ntime " + std::to_string(copy.Time);
    bytes += "\nformat " + FormatWords(copy.Format);
    if (!copy.Format.Unmappable.empty())
        bytes += "\nunmappable " + UnmappableWords(copy.Format.Unmappable);
    bytes += "\n\n";
    bytes += copy.Text;
    return bytes;
}

std::optional<TRecoveryCopy> DecodeRecoveryCopy(std::string_view bytes) {
    std::string_view lines[4];
    std::size_t pos = 0;
    for (std::string_view& line : lines) {
        const std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) return std::nullopt;
        line = bytes.substr(pos, end - pos);
        pos = end + 1;
    }
    if (lines[0] != kHeader) return std::nullopt;
    TRecoveryCopy copy;
    // The further header lines, up to the blank line before the text.
    while (pos < bytes.size() && bytes[pos] != '\n') {
        const std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = bytes.substr(pos, end - pos);
        if (std::optional<std::string> words = HeaderValue(line, "format"))
            ReadFormatWords(*words, copy.Format);
        else if (std::optional<std::string> codes = HeaderValue(line, "unmappable"))
            if (!ReadUnmappableWords(*codes, copy.Format.Unmappable)) return std::nullopt;
        pos = end + 1;
    }
    if (pos >= bytes.size()) return std::nullopt;
    std::optional<std::string> path = HeaderValue(lines[1], "path");
    std::optional<std::string> title = HeaderValue(lines[2], "title");
    std::optional<std::string> time = HeaderValue(lines[3], "time");
    if (!path || !title || !time) return std::nullopt;
    const auto [end, error] = std::from_chars(time->data(), time->data() + time->size(), copy.Time);
    if (error != std::errc() || end != time->data() + time->size()) return std::nullopt;
    copy.FilePath = std::move(*path);
    copy.Title = std::move(*title);
    copy.Text = std::string(bytes.substr(pos + 1));
    return copy;
}

TRecoveryStore::TRecoveryStore(std::string stateDir) : Root_(std::move(stateDir) + "/recovery") {}

bool TRecoveryStore::Begin() {
    std::error_code ec;
    fs::create_directories(Root_, ec);
    if (ec) return false;
    std::random_device seed;
    std::string session = Root_ + "/" + std::string(kSessionPrefix) + std::to_string(ProcessId()) +
                          "-" + std::to_string(seed());
    if (!fs::create_directory(session, ec) || ec) return false;
    fs::permissions(session, fs::perms::owner_all, ec); // the texts are the student's alone
    Lock_ = TFileLock::TryLock(session + "/" + std::string(kLockName));
    if (!Lock_) {
        fs::remove_all(session, ec);
        return false;
    }
    Session_ = std::move(session);
    SweepEndedSessions();
    return true;
}

// The folders of ended runs that left no copies.
void TRecoveryStore::SweepEndedSessions() const {
    for (const fs::path& session : Entries(Root_)) {
        if (!session.filename().string().starts_with(kSessionPrefix) || session == Session_)
            continue;
        if (const std::optional<TFileLock> ended =
                TFileLock::TryLock((session / kLockName).string()))
            RemoveIfEmpty(session);
    }
}

std::string TRecoveryStore::CopyPath(int slot) const {
    return Session_ + "/slot-" + std::to_string(slot) + std::string(kCopySuffix);
}

void TRecoveryStore::Keep(int slot, const TRecoveryCopy& copy) {
    if (!Active()) return;
    ReplaceFile(CopyPath(slot), EncodeRecoveryCopy(copy), TWriteRule::UserFile);
}

void TRecoveryStore::Drop(int slot) {
    if (!Active()) return;
    std::error_code ec;
    fs::remove(CopyPath(slot), ec);
}

void TRecoveryStore::End() {
    if (!Active()) return;
    std::error_code ec;
    for (const fs::path& entry : Entries(Session_))
        if (IsCopy(entry)) fs::remove(entry, ec);
    RemoveIfEmpty(Session_);
    Lock_.reset();
    Session_.clear();
}

std::vector<TRecoveryCopy> TRecoveryStore::Orphans() const {
    std::vector<TRecoveryCopy> copies;
    for (const fs::path& session : Entries(Root_)) {
        if (!session.filename().string().starts_with(kSessionPrefix) || session == Session_)
            continue;
        // A run that still lives holds its lock.
        const std::optional<TFileLock> ended = TFileLock::TryLock((session / kLockName).string());
        if (!ended) continue;
        for (const fs::path& entry : Entries(session)) {
            if (!IsCopy(entry)) continue;
            try {
                std::optional<TRecoveryCopy> copy =
                    DecodeRecoveryCopy(ReadRegularFile(entry.string(), kMaxDocumentBytes + 65536));
                if (!copy) continue;
                copy->CopyPath = entry.string();
                copies.push_back(std::move(*copy));
            } catch (const TFileError&) {
                // A copy that cannot be read is no work to offer.
            }
        }
    }
    std::stable_sort(
        copies.begin(), copies.end(),
        [](const TRecoveryCopy& a, const TRecoveryCopy& b) { return a.Time < b.Time; });
    return copies;
}

void TRecoveryStore::Forget(const std::vector<TRecoveryCopy>& copies) const {
    std::error_code ec;
    for (const TRecoveryCopy& copy : copies) {
        fs::remove(copy.CopyPath, ec);
        RemoveIfEmpty(fs::path(copy.CopyPath).parent_path());
    }
}

} // namespace zk::ide
