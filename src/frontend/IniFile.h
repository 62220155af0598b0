// A settings file in the INI layout with the semantics of the Windows profile
// functions: names compared ignoring Windows-1251 letter case, a value is the raw
// text after `=`, anything missing gives the caller's default, and writing a key
// changes only that key's line and keeps every other line of the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

// The whole file is held as its lines. A line whose first non-blank byte is '['
// starts a section named by the text up to ']' (blanks around the name do not
// count); a line "key=value" inside a section holds a key, the name being the
// text before the first '=' without surrounding blanks and the value everything
// after it, blanks included. Lines starting with ';', lines without '=' and
// lines before the first section are kept but hold no key. When a section or a
// key occurs twice, the first occurrence is the one read and written.
class TIniFile {
public:
    TIniFile() = default;
    // Line ends may be CR LF, LF or CR.
    static TIniFile Parse(std::string_view text);
    // A missing file reads as an empty one; a file that exists but cannot be read
    // is a TFileError.
    static TIniFile Load(std::string_view path);

    bool HasKey(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // A value that is not a decimal integer of 32 bits (blanks around it allowed)
    // gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;

    // Replaces the value of an existing key in place; a new key goes after the
    // last key of its section, a new section to the end of the file. A line
    // break cannot be stored in a value: the value ends before the first one.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

    // The file as written: every line ended by CR LF.
    std::string Text() const;
    void Save(std::string_view path) const; // TFileError on failure

private:
    struct TSection {
        std::vector<std::string> Lines; // the header first, except in the preamble
        std::unordered_map<std::string, std::size_t> Keys; // upper-cased name -> line
        std::size_t LastKeyLine = 0; // after which a new key goes; the header when none
    };

    const std::string* FindLine(std::string_view section, std::string_view key) const;
    void AddLine(std::string line);

    // Sections_[0] holds the lines before the first header.
    std::vector<TSection> Sections_{1};
    std::unordered_map<std::string, std::size_t> SectionIndex_; // upper-cased name -> section
};

} // namespace zk
