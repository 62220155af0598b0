// A source text held whole in memory with a position map back to the files its
// bytes came from, and the preprocessor that turns a main file into the single
// text the lexer reads: comments removed, #INCLUDE directives expanded (each
// file once), everything upper-cased.
#pragma once

#include "frontend/Errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

// One stretch of the text whose bytes stand at consecutive offsets of one file.
struct TSegment {
    uint32_t FileIndex = 0; // into TSource::Files()
    int32_t Start = 0;      // offset, in that file, of the first byte
    int32_t Length = 0;     // never 0
};

// A directive found by FindInclude: `#` at HashPos, closing quote at QuotePos.
struct TIncludeDirective {
    int32_t HashPos = 0;
    int32_t QuotePos = 0;
    std::string Name; // as written; empty for `""`
};

// The name between the quotes of a directive and the position of its closing quote.
struct TIncludeName {
    std::string Name;
    int32_t QuotePos = 0;
};

// Where a position of the text came from.
struct TSourcePosition {
    int32_t Offset = 0;
    std::string FileName; // as held in Files()
    std::string FilePath; // where that file was read from
};

// The directories searched for included files and used modules, in order; each
// entry ends with '/'. Set by the build command before each compilation.
extern std::vector<std::string> IncludePaths;

// entry + name for the first entry that holds `name` as a regular file; empty
// when none does. An exact name wins; otherwise each component of `name` is
// matched ignoring Windows-1251 letter case against the directory's entries in
// sorted order.
// `name` is a Windows-1251 text (an included file or a module's file name);
// the entries and the result are paths, the system's bytes.
std::string FindInPaths(std::string_view name, const std::vector<std::string>& paths);

// While one lives, FindInPaths lists each directory at most once for its
// lookups ignoring letter case, so that a thousand inclusions do not list
// and sort their directory a thousand times. A compilation holds one: files
// that appear during it are not seen by those lookups. The innermost of
// nested caches serves.
class TListingCache {
public:
    TListingCache();
    ~TListingCache();
    TListingCache(const TListingCache&) = delete;
    TListingCache& operator=(const TListingCache&) = delete;

    // Upper-cased Windows-1251 name -> the entries on disk so called, sorted.
    using TListing = std::unordered_map<std::string, std::vector<std::string>>;
    std::unordered_map<std::string, TListing> Listings; // by directory

private:
    TListingCache* Outer_;
};

class TSource {
public:
    TSource() = default;
    // Reads the whole file; Files() becomes its name without directory. A file
    // that cannot be read, or is larger than INT32_MAX bytes, is a TFileError.
    static TSource CreateFromFile(std::string_view path);
    void LoadFromFile(std::string_view path);
    void Reset();

    char CharAt(int32_t pos) const { return Data_[static_cast<std::size_t>(pos)]; }
    const std::string& Data() const { return Data_; }
    int32_t Size() const { return static_cast<int32_t>(Data_.size()); }
    const std::vector<std::string>& Files() const { return Files_; }
    // The path each entry of Files() was read from; empty for a file not found.
    const std::vector<std::string>& FilePaths() const { return FilePaths_; }
    const std::vector<TSegment>& Segments() const { return Segments_; }
    bool Tracking() const { return Tracking_; }

    // The map becomes one segment {fileIndex, 0, Size} (none for an empty text).
    void StartTracking(uint32_t fileIndex);
    // Inserts other's text at pos (clamped) and its map with it. When either
    // source keeps no map, the result keeps none.
    void Insert(const TSource& other, int32_t pos);
    // Removes up to count bytes at pos (both clamped); returns how many went.
    int32_t Delete(int32_t pos, int32_t count);

    void StripComments();
    void UpperCaseAll();
    // The first directive at or after `from`; none when the first `#INCLUDE`
    // found there is not followed by a quoted name.
    std::optional<TIncludeDirective> FindInclude(int32_t from = 0) const;
    std::optional<TIncludeName> ReadIncludeName(int32_t from) const;
    // On a source freshly read from its file. Error 35 at the `#` of a
    // directive whose file is in no entry of IncludePaths.
    void Preprocess(TError& error);

    // An empty map resolves every position to offset 0 of the main file.
    TSourcePosition ResolvePosition(int32_t pos) const;

private:
    // Cuts the map at pos and returns the index of the first segment at or after it.
    std::size_t SplitAt(int32_t pos);
    // Splits segment i after its first `firstLength` bytes; the index of the second part.
    std::size_t SplitSegment(std::size_t i, int32_t firstLength);
    bool KnowsFile(std::string_view name) const;
    void IncludeFile(const std::string& path, int32_t pos);

    // A segment boundary: segment Index starts at text position Pos (Index may
    // be Segments_.size(), the end). {0, 0} always holds.
    struct TCut {
        std::size_t Index = 0;
        int64_t Pos = 0;
    };

    std::vector<TSegment> Segments_;
    TCut LastCut_; // kept valid by every change of the map
    bool Tracking_ = false;
    std::string Data_;
    std::vector<std::string> Files_;
    std::vector<std::string> FilePaths_; // parallel to Files_
};

} // namespace zk
