// Token kinds, the atom character sets of the two language variants and the
// one-pass splitter. Only space, carriage return and line feed separate atoms;
// brackets need no blanks around them.
#include "frontend/Tokens.h"

#include <algorithm>
#include <charconv>

namespace zk {

namespace {

constexpr std::size_t kTextBlockSize = 1 << 16;

} // namespace

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
        tokens.Add(text.substr(static_cast<std::size_t>(atomStart),
                               static_cast<std::size_t>(end - atomStart)),
                   atomStart);
        atomStart = -1;
    };
    for (int32_t pos = 0; pos < source.Size(); ++pos) {
        const char c = text[static_cast<std::size_t>(pos)];
        if (c == '(' || c == ')') {
            flushAtom(pos);
            tokens.Add(text.substr(static_cast<std::size_t>(pos), 1), pos);
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

void TTokArr::Add(std::string_view text, int32_t pos) {
    Tokens_.push_back({pos, TokenKind(text), Keep(text)});
    Index_ = Count() - 1;
    AtEnd_ = false;
}

void TTokArr::Clear() {
    Tokens_.clear();
    Blocks_.clear();
    Free_ = nullptr;
    BlockLeft_ = 0;
    Index_ = 0;
    AtEnd_ = true;
}

// A bracket's text is a constant; an atom's is copied to the end of the last
// block, or into a block of its own when it is longer than a block.
std::string_view TTokArr::Keep(std::string_view text) {
    if (text == "(") return "(";
    if (text == ")") return ")";
    if (text.size() > BlockLeft_) {
        const std::size_t size = std::max(text.size(), kTextBlockSize);
        Blocks_.push_back(std::make_unique<char[]>(size));
        Free_ = Blocks_.back().get();
        BlockLeft_ = size;
    }
    char* const kept = Free_;
    std::copy(text.begin(), text.end(), kept);
    Free_ += text.size();
    BlockLeft_ -= text.size();
    return {kept, text.size()};
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
