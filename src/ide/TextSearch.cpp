// Find from the caret and the line-jump number.
#include "ide/TextSearch.h"

#include "frontend/Cp1251.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace zk::ide {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<TTextPos> FindDown(const TDocumentEditor& editor, std::string_view text,
                                 bool matchCase) {
    if (text.empty()) return std::nullopt;
    const std::string wanted = matchCase ? std::string(text) : UpperCase1251(text);
    const int32_t lines = editor.LineCount();
    for (int32_t row = std::max(editor.Row(), 0); row < lines; ++row) {
        const std::string line = editor.Line(row);
        std::size_t from = 0;
        if (row == editor.Row()) from = static_cast<std::size_t>(std::max(editor.Col(), 0)) + 1;
        if (from >= line.size()) continue;
        const std::string part = matchCase ? line.substr(from) : UpperCase1251(line.substr(from));
        const std::size_t found = part.find(wanted);
        if (found != std::string::npos) return TTextPos{static_cast<int32_t>(from + found), row};
    }
    return std::nullopt;
}

std::optional<int32_t> ParseLineNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    int32_t value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return std::max(value, 0);
}

} // namespace zk::ide
