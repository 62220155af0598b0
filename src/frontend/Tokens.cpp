// Token kinds, the atom character sets of the two language variants and the
// one-pass splitter. Only space, carriage return and line feed separate atoms;
// brackets need no blanks around them.
#include "frontend/Tokens.h"

#include <charconv>

namespace zk {

bool ClassicLanguage = false;

namespace {

constexpr unsigned char kCapitalYo = 168;
constexpr unsigned char kCapitalA = 192;
constexpr unsigned char kCapitalYa = 223;
constexpr std::string_view kSigns = "!%*+-/<=>";

bool IsSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

bool IsModifiedOnlyChar(unsigned char b) {
    return b == kCapitalYo || (b >= kCapitalA && b <= kCapitalYa) || (b >= '0' && b <= '9') ||
           kSigns.find(static_cast<char>(b)) != std::string_view::npos;
}

} // namespace

TTokenKind TokenKind(std::string_view text) {
    if (text == "(") return tkOpen;
    if (text == ")") return tkClose;
    // from_chars takes exactly an optional '-' and at least one digit, and
    // refuses what does not fit.
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && stop == end ? tkNumber : tkAtom;
}

bool IsAtomChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || b == '_') return true;
    return !ClassicLanguage && IsModifiedOnlyChar(b);
}

int32_t Tokenize(const TSource& source, TTokArr& tokens) {
    tokens.Clear();
    const std::string_view text = source.Data();
    int32_t atomStart = -1; // -1: no atom pending
    const auto flushAtom = [&](int32_t end) {
        if (atomStart < 0) return;
        tokens.Add(std::string(text.substr(static_cast<std::size_t>(atomStart),
                                           static_cast<std::size_t>(end - atomStart))),
                   atomStart);
        atomStart = -1;
    };
    for (int32_t pos = 0; pos < source.Size(); ++pos) {
        const char c = text[static_cast<std::size_t>(pos)];
        if (c == '(' || c == ')') {
            flushAtom(pos);
            tokens.Add(std::string(1, c), pos);
        } else if (IsSeparator(c)) {
            flushAtom(pos);
        } else if (IsAtomChar(c)) {
            if (atomStart < 0) atomStart = pos;
        } else {
            flushAtom(pos);
            return pos;
        }
    }
    flushAtom(source.Size());
    return -1;
}

bool TTokArr::ExpectClose(TError& error) const {
    if (AtEnd_) {
        error = TError{kErrorUnexpectedEnd, CurrentPos(), {}};
        return false;
    }
    if (Current()->Kind == tkClose) {
        error = TError{};
        return true;
    }
    error = TError{kErrorCloseExpected, CurrentPos(), {}};
    return false;
}

} // namespace zk
