// The temporary directory and the list of the files the environment wrote
// into it: one file name per line, nothing else.
#include "ide/TempFiles.h"

#include "frontend/FileIO.h"

#include <algorithm>
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

} // namespace

std::string FileNameOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

TTempFiles::TTempFiles(std::string dir, uint32_t seed) : Entry_(std::move(dir)), Random_(seed) {
    if (!Entry_.empty() && Entry_.back() != '/') Entry_ += '/';
}

std::vector<std::string> TTempFiles::Recorded() const {
    const std::string list = PathOf(kTempListName);
    if (!Exists(list)) return {};
    const std::string text = ReadWholeFile(list);
    std::vector<std::string> names;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::string_view name = NextLine(text, pos);
        if (PlainName(name)) names.emplace_back(name);
    }
    return names;
}

void TTempFiles::Record(const std::vector<std::string>& names) const {
    std::string text;
    for (const std::string& name : names)
        text += name + "\n";
    WriteWholeFile(PathOf(kTempListName), text);
}

bool TTempFiles::ClearTemp() {
    std::error_code ec;
    if (Entry_.empty() || !fs::is_directory(NativePath(Entry_), ec)) return false;
    std::vector<std::string> left;
    for (const std::string& name : Recorded()) {
        const fs::path path = NativePath(PathOf(name));
        const fs::file_type type = fs::symlink_status(path, ec).type();
        if (type != fs::file_type::regular && type != fs::file_type::symlink) continue;
        if (!fs::remove(path, ec) && ec) left.push_back(name); // still ours, still there
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

std::optional<std::string> TTempFiles::FlushMemo(std::string_view name, std::string_view text) {
    const std::string path = PathOf(name);
    std::vector<std::string> names = Recorded();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        if (Exists(path)) return path;
        // Recorded before it is written: a file of ours is never left unlisted.
        names.emplace_back(name);
        Record(names);
    }
    std::string data(text);
    data += "\r\n";
    WriteWholeFile(path, data);
    return std::nullopt;
}

std::optional<std::string> TTempFiles::FlushTemp(const std::vector<TDocumentCopy>& documents) {
    for (const TDocumentCopy& document : documents) {
        if (document.FilePath.empty()) continue;
        if (auto refused = FlushMemo(FileNameOf(document.FilePath), document.Text)) return refused;
    }
    return std::nullopt;
}

} // namespace zk::ide
