// The INI layer: the file's lines grouped by section, with an index of section
// and key names so that lookups stay cheap in a large file.
#include "frontend/IniFile.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

namespace zk {

namespace {

std::string_view Trim(std::string_view s) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Names are looked up by their upper-cased form without surrounding blanks.
std::string IndexName(std::string_view name) {
    return UpperCase1251(Trim(name));
}

std::optional<std::string_view> HeaderName(std::string_view line) {
    const std::string_view body = Trim(line);
    if (body.empty() || body.front() != '[') return std::nullopt;
    return Trim(body.substr(1, body.find(']') - 1));
}

// Call only for lines that are not headers.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view name = Trim(line.substr(0, eq));
    if (name.empty() || name.front() == ';') return std::nullopt;
    return name;
}

} // namespace

TIniFile TIniFile::Parse(std::string_view text) {
    TIniFile ini;
    for (std::size_t pos = 0; pos < text.size();)
        ini.AddLine(std::string(NextLine(text, pos)));
    return ini;
}

TIniFile TIniFile::Load(std::string_view path) {
    std::error_code ec;
    if (std::filesystem::status(NativePath(path), ec).type() ==
        std::filesystem::file_type::not_found)
        return TIniFile();
    return Parse(ReadWholeFile(path));
}

void TIniFile::AddLine(std::string line) {
    if (const auto name = HeaderName(line)) {
        SectionIndex_.try_emplace(IndexName(*name), Sections_.size());
        Sections_.push_back(TSection{{std::move(line)}, {}, 0});
        return;
    }
    TSection& section = Sections_.back();
    if (const auto name = KeyName(line)) {
        section.Keys.try_emplace(IndexName(*name), section.Lines.size());
        section.LastKeyLine = section.Lines.size();
    }
    section.Lines.push_back(std::move(line));
}

const std::string* TIniFile::FindLine(std::string_view section, std::string_view key) const {
    const auto s = SectionIndex_.find(IndexName(section));
    if (s == SectionIndex_.end()) return nullptr;
    const TSection& found = Sections_[s->second];
    const auto k = found.Keys.find(IndexName(key));
    return k == found.Keys.end() ? nullptr : &found.Lines[k->second];
}

bool TIniFile::HasKey(std::string_view section, std::string_view key) const {
    return FindLine(section, key) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const std::string* line = FindLine(section, key);
    if (!line) return std::string(defaultValue);
    return line->substr(line->find('=') + 1);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const std::string text = ReadString(section, key, "");
    const std::string_view digits = Trim(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || digits.empty() || end != digits.data() + digits.size())
        return defaultValue;
    return value;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const auto s = SectionIndex_.find(IndexName(section));
    if (s == SectionIndex_.end()) {
        // Sections are set apart by a blank line, as the profile functions do.
        const std::vector<std::string>& last = Sections_.back().Lines;
        if (!last.empty() && !Trim(last.back()).empty()) AddLine("");
        std::string header = "[";
        header.append(section).append("]");
        AddLine(std::move(header));
        AddLine(std::string(key) + "=" + std::string(value));
        return;
    }
    TSection& found = Sections_[s->second];
    const std::string name = IndexName(key);
    if (const auto k = found.Keys.find(name); k != found.Keys.end()) {
        std::string& line = found.Lines[k->second];
        line.replace(line.find('=') + 1, std::string::npos, value);
        return;
    }
    // Only lines without keys follow the last key, so no index moves.
    const std::size_t at = found.LastKeyLine + 1;
    found.Lines.insert(found.Lines.begin() + static_cast<std::ptrdiff_t>(at),
                       std::string(key) + "=" + std::string(value));
    found.Keys.emplace(name, at);
    found.LastKeyLine = at;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

std::string TIniFile::Text() const {
    std::string out;
    for (const TSection& section : Sections_)
        for (const std::string& line : section.Lines) {
            out += line;
            out += "\r\n";
        }
    return out;
}

void TIniFile::Save(std::string_view path) const {
    // Only the environment writes settings: a settings file that a failed
    // write cut short would lose the keys after the cut.
    WriteWholeFile(path, Text(), TWriteRule::UserFile);
}

} // namespace zk
