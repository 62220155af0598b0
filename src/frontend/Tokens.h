// The lexer: splits a preprocessed source into brackets, atoms and numbers,
// and the token array with the one forward cursor that every compiler shares.
// The atom character set depends on the language variant (ClassicLanguage).
#pragma once

#include "frontend/Errors.h"
#include "frontend/Source.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zk {

enum TTokenKind : uint8_t { tkOpen = 0, tkClose = 1, tkAtom = 2, tkNumber = 3 };

// A token's text lives in its array, which keeps it while the array lives.
struct TToken {
    int32_t Pos = 0; // of the first byte, in the preprocessed text
    TTokenKind Kind = tkAtom;
    std::string_view Text;
};

// True for the classic language (Latin capitals and `_` only); false, the
// default, for the modified language.
extern bool ClassicLanguage;

// "(" and ")" are brackets; digits with an optional leading `-` that fit a
// signed 32-bit integer are a number; anything else is an atom.
TTokenKind TokenKind(std::string_view text);
bool IsAtomChar(char c);

class TTokArr;
// Fills `tokens` (cleared first) from the text of `source`; -1 on success,
// else the position of the first byte not allowed in a program, with the
// tokens before it left in the array.
int32_t Tokenize(const TSource& source, TTokArr& tokens);

class TTokArr {
public:
    TTokArr() = default;
    // A moved-from array is empty, and adding to it starts a block of its own.
    TTokArr(TTokArr&& other) noexcept { *this = std::move(other); }
    TTokArr& operator=(TTokArr&& other) noexcept {
        Tokens_ = std::exchange(other.Tokens_, {});
        Blocks_ = std::exchange(other.Blocks_, {});
        Free_ = std::exchange(other.Free_, nullptr);
        BlockLeft_ = std::exchange(other.BlockLeft_, 0);
        Index_ = std::exchange(other.Index_, 0);
        AtEnd_ = std::exchange(other.AtEnd_, true);
        return *this;
    }

    // The kind always comes from the text. The cursor moves to the new token.
    void Add(std::string_view text, int32_t pos);
    void Add(const TToken& token) { Add(token.Text, token.Pos); }
    void Clear();

    int32_t Count() const { return static_cast<int32_t>(Tokens_.size()); }
    const TToken& operator[](int32_t i) const { return Tokens_[static_cast<std::size_t>(i)]; }

    void Reset() {
        Index_ = 0;
        if (!Tokens_.empty()) AtEnd_ = false;
    }
    // Past the last token the cursor stays on it and AtEnd becomes true.
    void Next() {
        if (Index_ < Count() - 1) {
            ++Index_;
            AtEnd_ = false;
        } else {
            AtEnd_ = true;
        }
    }
    // Still the last token while AtEnd; nullptr when there is none.
    const TToken* Current() const {
        return Index_ >= 0 && Index_ < Count() ? &Tokens_[static_cast<std::size_t>(Index_)]
                                               : nullptr;
    }
    // Where errors are reported: the current token, or just after the last one.
    int32_t CurrentPos() const {
        const TToken* token = Current();
        if (token == nullptr) return -1;
        return AtEnd_ ? token->Pos + static_cast<int32_t>(token->Text.size()) : token->Pos;
    }
    // Error 1 at the end, error 8 on a token other than ")", a cleared record
    // on ")". The cursor does not move.
    bool ExpectClose(TError& error) const;

    bool AtEnd() const { return AtEnd_; }
    int32_t Index() const { return Index_; }

private:
    std::string_view Keep(std::string_view text);

    std::vector<TToken> Tokens_;
    // The texts of the tokens, one after another in blocks that never move.
    std::vector<std::unique_ptr<char[]>> Blocks_;
    char* Free_ = nullptr;
    std::size_t BlockLeft_ = 0;
    int32_t Index_ = 0;
    bool AtEnd_ = true;
};

} // namespace zk
