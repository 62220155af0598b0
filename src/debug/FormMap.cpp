// The queries of the form map. Breakpoints and places are asked for now and
// then, so the forms are scanned rather than indexed.
#include "debug/FormMap.h"

#include <algorithm>

namespace zk {

void TFormMap::Clear() {
    Files.clear();
    LineStarts.clear();
    Forms.clear();
    FormOfInstr.clear();
}

int32_t TFormMap::FileIndex(std::string_view path) const {
    const auto found = std::find(Files.begin(), Files.end(), path);
    return found == Files.end() ? -1 : static_cast<int32_t>(found - Files.begin());
}

TTextPlace TFormMap::PlaceOf(int32_t file, int32_t offset) const {
    if (file < 0 || static_cast<std::size_t>(file) >= LineStarts.size()) return {};
    const std::vector<int32_t>& starts = LineStarts[static_cast<std::size_t>(file)];
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    if (after == starts.begin()) return {1, offset + 1};
    const auto line = static_cast<int32_t>(after - starts.begin());
    return {line, offset - *(after - 1) + 1};
}

TTextPlace TFormMap::PlaceOf(int32_t form) const {
    if (form < 0 || static_cast<std::size_t>(form) >= Forms.size()) return {};
    const TFormInfo& info = Forms[static_cast<std::size_t>(form)];
    return PlaceOf(info.File, info.First);
}

std::vector<int32_t> TFormMap::FormsStartingOnLine(int32_t file, int32_t line) const {
    std::vector<int32_t> found;
    for (std::size_t f = 0; f < Forms.size(); ++f) {
        const TFormInfo& info = Forms[f];
        if (info.File == file && PlaceOf(file, info.First).Line == line)
            found.push_back(static_cast<int32_t>(f));
    }
    return found;
}

bool TFormMap::LineHasForm(int32_t file, int32_t line) const {
    for (const int32_t form : FormsStartingOnLine(file, line))
        if (IsBracketed(Forms[static_cast<std::size_t>(form)].Kind)) return true;
    return false;
}

std::vector<int32_t> LineStartsOf(std::string_view text) {
    std::vector<int32_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') starts.push_back(static_cast<int32_t>(i + 1));
    return starts;
}

} // namespace zk
