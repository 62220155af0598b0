// Source texts, their position maps and the preprocessor.
// The map is a vector of segments walked linearly: every edit touches the
// text once and the map once, which keeps an edit linear in both.
#include "frontend/Source.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"
#include "platform/System.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace zk {

std::vector<std::string> IncludePaths;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kMaxSize = std::numeric_limits<int32_t>::max();
constexpr std::string_view kInclude = "INCLUDE";
// A directive is `#` and the seven letters of INCLUDE; the bytes before a cut
// at p can start a new one only from p - kDirectiveReach on.
constexpr int32_t kDirectiveReach = 7;

bool IsOfKind(const std::string& path, bool wantDirectory) {
    std::error_code ec;
    const fs::path native = NativePath(path);
    return wantDirectory ? fs::is_directory(native, ec) : fs::is_regular_file(native, ec);
}

// The entries of a directory as a lookup ignoring letter case needs them:
// grouped by their upper-cased Windows-1251 form, each group in sorted order.
// An entry whose name has no Windows-1251 form cannot be named from inside
// the system and is left out.
using TListing = TListingCache::TListing;

TListing ReadListing(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path native = dir.empty() ? fs::path(".") : NativePath(dir);
    for (fs::directory_iterator it(native, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(SystemPath(it->path().filename()));
    std::sort(names.begin(), names.end());
    TListing listing;
    for (std::string& name : names) {
        const std::string text = PathText(name);
        if (Cp1251ToUtf8(text) == name) listing[UpperCase1251(text)].push_back(std::move(name));
    }
    return listing;
}

TListingCache* ActiveListings = nullptr;

// The entries of `dir` called `component` ignoring letter case, in sorted order.
std::vector<std::string> EntriesNamed(const std::string& dir, std::string_view component) {
    const std::string key = UpperCase1251(component);
    if (ActiveListings == nullptr) {
        TListing listing = ReadListing(dir);
        const auto found = listing.find(key);
        return found == listing.end() ? std::vector<std::string>() : std::move(found->second);
    }
    auto [cached, added] = ActiveListings->Listings.try_emplace(dir);
    if (added) cached->second = ReadListing(dir);
    const TListing& listing = cached->second;
    const auto found = listing.find(key);
    return found == listing.end() ? std::vector<std::string>() : found->second;
}

// Where the file system ignores letter case, a name is found in any of its
// cases; it is the exact name only when the directory lists it so (or cannot
// be listed).
bool ListedExactly(const std::string& dir, std::string_view component, const std::string& exact) {
    if (!FileNamesIgnoreCase()) return true;
    const std::vector<std::string> entries = EntriesNamed(dir, component);
    return entries.empty() || std::find(entries.begin(), entries.end(), exact) != entries.end();
}

// The name, in `dir`, of the entry called `component` (a Windows-1251 text)
// ignoring letter case: the exact name when it exists, else the first such
// entry in sorted order. The result is the name's bytes on disk.
std::optional<std::string> MatchComponent(const std::string& dir, std::string_view component,
                                          bool wantDirectory) {
    const std::string exact = Cp1251ToUtf8(component);
    if (IsOfKind(dir + exact, wantDirectory) && ListedExactly(dir, component, exact)) return exact;
    for (const std::string& onDisk : EntriesNamed(dir, component))
        if (IsOfKind(dir + onDisk, wantDirectory)) return onDisk;
    return std::nullopt;
}

// entry + `name` matched component by component ignoring letter case; empty
// when some component has no match.
std::string FindIgnoringCase(const std::string& entry, std::string_view name) {
    std::string found = entry;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        const bool last = slash == std::string_view::npos;
        const auto component = name.substr(start, last ? std::string_view::npos : slash - start);
        const auto matched = MatchComponent(found, component, !last);
        if (!matched) return {};
        found += *matched;
        if (last) return found;
        found += '/';
        start = slash + 1;
    }
}

// Preprocessing and compiling take about this many bytes of memory for each
// byte of a source; a source too large for the machine is refused unread.
constexpr uint64_t kMemoryPerSourceByte = 64;

// A UTF-8 file is decoded here, so that every offset the compiler reports
// counts characters of the Windows-1251 text.
std::string ReadSourceText(std::string_view path) {
    return DecodeText(ReadWholeFile(path, ReadableFileSize(kMemoryPerSourceByte))).Text;
}

std::string FileEntry(const std::vector<std::string>& list, std::size_t index) {
    return index < list.size() ? list[index] : std::string();
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

enum class TStripState { Text, Slash, Brace, Line };

// The text being built by StripComments and the segments of its runs. A run is
// the current stretch of copied bytes standing at consecutive file offsets.
class TStripOutput {
public:
    TStripOutput(bool tracking, uint32_t fileIndex, std::size_t capacity)
        : Tracking_(tracking), FileIndex_(fileIndex) {
        Text.reserve(capacity);
    }

    void Copy(char c) {
        Text += c;
        ++RunLength_;
    }
    // The byte that ends a comment starts a run at its own offset.
    void StartRun(char c, int32_t offset) {
        RunStart_ = offset;
        Copy(c);
    }
    void CloseRun() {
        if (Tracking_ && RunLength_ != 0) Segments.push_back({FileIndex_, RunStart_, RunLength_});
        RunLength_ = 0;
    }

    std::string Text;
    std::vector<TSegment> Segments;

private:
    bool Tracking_;
    uint32_t FileIndex_;
    int32_t RunStart_ = 0;
    int32_t RunLength_ = 0;
};

// A line comment ends at a carriage return or at a line feed, so that files
// whose lines end with a line feed alone keep everything after the comment.
bool EndsLine(char c) {
    return c == '\r' || c == '\n';
}

TStripState StripText(char c, TStripOutput& out) {
    if (c == '/') return TStripState::Slash;
    if (c == '{') {
        out.CloseRun();
        return TStripState::Brace;
    }
    out.Copy(c);
    return TStripState::Text;
}

TStripState StripSlash(char c, TStripOutput& out) {
    if (c == '/') {
        out.CloseRun();
        return TStripState::Line;
    }
    out.Copy('/');
    if (c == '{') {
        out.CloseRun();
        return TStripState::Brace;
    }
    out.Copy(c);
    return TStripState::Text;
}

} // namespace

std::string FindInPaths(std::string_view name, const std::vector<std::string>& paths) {
    // The operating system would stop a name at its first zero byte.
    if (name.find('\0') != std::string_view::npos) return {};
    for (const std::string& entry : paths) {
        std::string exact = entry + Cp1251ToUtf8(name);
        if (FileExists(exact) && !FileNamesIgnoreCase()) return exact;
        std::string found = FindIgnoringCase(entry, name);
        if (!found.empty()) return found;
    }
    return {};
}

TListingCache::TListingCache() : Outer_(ActiveListings) {
    ActiveListings = this;
}

TListingCache::~TListingCache() {
    ActiveListings = Outer_;
}

TSource TSource::CreateFromFile(std::string_view path) {
    TSource source;
    source.Data_ = ReadSourceText(path);
    source.Files_.push_back(PathText(BaseName(path)));
    source.FilePaths_.emplace_back(path);
    return source;
}

void TSource::LoadFromFile(std::string_view path) {
    *this = CreateFromFile(path);
}

void TSource::Reset() {
    *this = TSource();
}

void TSource::StartTracking(uint32_t fileIndex) {
    Segments_.clear();
    LastCut_ = {};
    if (Size() > 0) Segments_.push_back({fileIndex, 0, Size()});
    Tracking_ = true;
}

std::size_t TSource::SplitSegment(std::size_t i, int32_t firstLength) {
    const TSegment whole = Segments_[i];
    Segments_[i].Length = firstLength;
    Segments_.insert(
        Segments_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
        TSegment{whole.FileIndex, whole.Start + firstLength, whole.Length - firstLength});
    return i + 1;
}

// The walk starts from the last cut when pos lies at or after it: directives
// are expanded one after another going towards the end of the text, and the
// segments left behind them need not be walked again.
std::size_t TSource::SplitAt(int32_t pos) {
    std::size_t i = 0;
    int64_t start = 0;
    if (LastCut_.Pos <= pos) {
        i = LastCut_.Index;
        start = LastCut_.Pos;
    }
    for (; i < Segments_.size(); ++i) {
        if (start == pos) break;
        if (pos < start + Segments_[i].Length) {
            i = SplitSegment(i, static_cast<int32_t>(pos - start));
            break;
        }
        start += Segments_[i].Length;
    }
    LastCut_ = {i, pos};
    return i;
}

void TSource::Insert(const TSource& other, int32_t pos) {
    if (other.Size() > kMaxSize - Size()) throw std::length_error("source text too large");
    pos = std::clamp(pos, 0, Size());
    if (Tracking_ && other.Tracking_) {
        const std::vector<TSegment> copies = other.Segments_; // `other` may be this source
        const std::size_t at = SplitAt(pos);
        Segments_.insert(Segments_.begin() + static_cast<std::ptrdiff_t>(at), copies.begin(),
                         copies.end());
    } else {
        Segments_.clear();
        LastCut_ = {};
        Tracking_ = false;
    }
    Data_.insert(static_cast<std::size_t>(pos), other.Data_);
}

int32_t TSource::Delete(int32_t pos, int32_t count) {
    pos = std::clamp(pos, 0, Size());
    count = std::clamp(count, 0, Size() - pos);
    if (count == 0) return 0;
    if (Tracking_) {
        const std::size_t first = SplitAt(pos);
        const std::size_t last = SplitAt(pos + count);
        Segments_.erase(Segments_.begin() + static_cast<std::ptrdiff_t>(first),
                        Segments_.begin() + static_cast<std::ptrdiff_t>(last));
        LastCut_ = {first, pos};
    }
    Data_.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
    return count;
}

TSourcePosition TSource::ResolvePosition(int32_t pos) const {
    if (Segments_.empty()) return {0, FileEntry(Files_, 0), FileEntry(FilePaths_, 0)};
    int64_t before = 0;
    std::size_t i = 0;
    for (; i + 1 < Segments_.size(); ++i) {
        if (before + Segments_[i].Length >= pos) break;
        before += Segments_[i].Length;
    }
    const TSegment& segment = Segments_[i];
    const auto offset = static_cast<int32_t>(segment.Start + (pos - before));
    return {offset, FileEntry(Files_, segment.FileIndex), FileEntry(FilePaths_, segment.FileIndex)};
}

// The new map's segments all take the file index of the old map's first
// segment: a source is stripped while it still holds one file, read from
// offset 0, so a byte's index is its offset in that file.
void TSource::StripComments() {
    const uint32_t fileIndex = Segments_.empty() ? 0 : Segments_.front().FileIndex;
    TStripOutput out(Tracking_, fileIndex, Data_.size());
    TStripState state = TStripState::Text;
    for (int32_t i = 0; i < Size(); ++i) {
        const char c = Data_[static_cast<std::size_t>(i)];
        switch (state) {
        case TStripState::Text: state = StripText(c, out); break;
        case TStripState::Slash: state = StripSlash(c, out); break;
        case TStripState::Brace:
            // The space that replaces a comment maps back to its closing brace.
            if (c == '}') {
                out.StartRun(' ', i);
                state = TStripState::Text;
            }
            break;
        case TStripState::Line:
            if (EndsLine(c)) {
                out.StartRun(c, i);
                state = TStripState::Text;
            }
            break;
        }
    }
    if (state == TStripState::Slash) out.Copy('/');
    out.CloseRun();
    Data_ = std::move(out.Text);
    if (Tracking_) {
        Segments_ = std::move(out.Segments);
        LastCut_ = {};
    }
}

void TSource::UpperCaseAll() {
    for (char& c : Data_)
        c = UpperChar1251(c);
}

std::optional<TIncludeName> TSource::ReadIncludeName(int32_t from) const {
    int32_t pos = std::max(from, 0);
    while (pos < Size() && CharAt(pos) == ' ')
        ++pos;
    if (pos >= Size() - 2 || CharAt(pos) != '"') return std::nullopt;
    const std::size_t close = Data_.find('"', static_cast<std::size_t>(pos) + 1);
    if (close == std::string::npos) return std::nullopt;
    const auto begin = static_cast<std::size_t>(pos) + 1;
    return TIncludeName{Data_.substr(begin, close - begin), static_cast<int32_t>(close)};
}

std::optional<TIncludeDirective> TSource::FindInclude(int32_t from) const {
    const std::string_view text = Data_;
    for (std::size_t hash = text.find('#', static_cast<std::size_t>(std::max(from, 0)));
         hash != std::string_view::npos && hash + 1 + kInclude.size() <= text.size();
         hash = text.find('#', hash + 1)) {
        if (!SameText1251(text.substr(hash + 1, kInclude.size()), kInclude)) continue;
        auto name = ReadIncludeName(static_cast<int32_t>(hash + 1 + kInclude.size()));
        if (!name) return std::nullopt;
        return TIncludeDirective{static_cast<int32_t>(hash), name->QuotePos, std::move(name->Name)};
    }
    return std::nullopt;
}

bool TSource::KnowsFile(std::string_view name) const {
    return std::any_of(Files_.begin(), Files_.end(),
                       [&](const std::string& file) { return SameText1251(file, name); });
}

void TSource::IncludeFile(const std::string& path, int32_t pos) {
    TSource included = CreateFromFile(path);
    included.StartTracking(static_cast<uint32_t>(Files_.size() - 1));
    included.StripComments();
    if (included.Size() > kMaxSize - Size())
        throw TFileError(path, "the text with its included files is larger than 2 GiB",
                         TFileFault::TooLarge);
    Insert(included, pos);
}

// The text before a directive held no other directive, so after an edit at
// p the scan resumes where a `#` could still join the bytes now following p.
void TSource::Preprocess(TError& error) {
    StartTracking(0);
    StripComments();
    int32_t from = 0;
    while (auto directive = FindInclude(from)) {
        if (directive->Name.empty()) break;
        const std::string name = UpperCase1251(directive->Name);
        const int32_t pos = directive->HashPos;
        Delete(pos, directive->QuotePos - pos + 1);
        from = std::max(0, pos - kDirectiveReach);
        if (KnowsFile(name)) continue;
        Files_.push_back(name);
        const std::string path = FindInPaths(name, IncludePaths);
        FilePaths_.push_back(path);
        if (path.empty()) {
            error.Number = kErrorIncludeNotFound;
            error.Offset = pos;
            return;
        }
        IncludeFile(path, pos);
    }
    UpperCaseAll();
}

} // namespace zk
