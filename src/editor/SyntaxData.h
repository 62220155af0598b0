// The line-based syntax highlighter: lexem types and entries, the colour
// records with their three collections, and the generic engine that a language
// subclass configures with character classes, comment delimiters and keyword
// groups. Text is Windows-1251 bytes; nothing here knows about windows or fonts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zk::editor {

enum TLexemType : uint8_t {
    lxWhitespace = 0,
    lxIdentifier = 1,
    lxString = 2,
    lxNumber = 3,
    lxComment = 4,
    lxSymbol = 5,
    lxKeyWord = 6,
    lxHighlight = 7,
};

// One lexem of a line. Index: the keyword group of an lxKeyWord, the highlight
// item of an lxHighlight, 1 for a parenthesis lexem of lxIdentifier, else 0.
struct LexemEntry {
    TLexemType Type = lxWhitespace;
    uint8_t Index = 0;
    uint16_t Length = 0;
    friend bool operator==(const LexemEntry&, const LexemEntry&) = default;
};
static_assert(sizeof(LexemEntry) == 4);

// The lexems of one line. The capacity grows by 4 entries while it is below 9,
// by 8 while it is 9 to 16, and by 16 beyond, or by a quarter when that is
// more: a line of a hundred thousand lexems must not cost quadratic copying.
// Clearing keeps the capacity, since a line is re-highlighted after each edit.
class TLexemArray {
public:
    int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
    int32_t Capacity() const { return Capacity_; }
    const LexemEntry& operator[](int32_t i) const { return Items_[static_cast<std::size_t>(i)]; }
    LexemEntry& Back() { return Items_.back(); }
    auto begin() const { return Items_.begin(); }
    auto end() const { return Items_.end(); }

    void Clear() { Items_.clear(); }
    void Append(LexemEntry entry);

    // Equal entries; the capacities do not matter.
    friend bool operator==(const TLexemArray& a, const TLexemArray& b) {
        return a.Items_ == b.Items_;
    }

private:
    std::vector<LexemEntry> Items_;
    int32_t Capacity_ = 0;
};

// The state a line hands on to the next: the block-comment pair it is inside
// (0 none, 1 or 2) and the open highlight stretch (0 none).
struct TLineState {
    uint8_t Comment = 0;
    uint8_t Highlight = 0;
    friend bool operator==(const TLineState&, const TLineState&) = default;
};

// What highlighting computes for one line. The lexem lengths always add up to
// the length of the line's text.
struct TLineSyntax {
    TLineState Start;
    TLineState End;
    TLexemArray Lexems;
    friend bool operator==(const TLineSyntax&, const TLineSyntax&) = default;
};

// A colour: plain RGB, or the platform's colour of a role, which the view
// looks up when it paints.
enum class TSystemColor : uint8_t { None, Window };

struct TColor {
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;
    TSystemColor System = TSystemColor::None;

    static constexpr TColor Rgb(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }
    friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor clBlack = TColor::Rgb(0, 0, 0);
inline constexpr TColor clWindow = {0, 0, 0, TSystemColor::Window};

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t; // a set of TFontStyle bits

// Foreground, background and font style of one kind of text. Every change
// calls the owner's notice, which repaints.
class TDCSyntaxMemoColor {
public:
    explicit TDCSyntaxMemoColor(std::function<void()> onChange = {})
        : OnChange_(std::move(onChange)) {}
    TDCSyntaxMemoColor(const TDCSyntaxMemoColor&) = delete;
    TDCSyntaxMemoColor& operator=(const TDCSyntaxMemoColor&) = delete;

    TColor Background() const { return Background_; }
    TColor Foreground() const { return Foreground_; }
    TFontStyles FontStyle() const { return FontStyle_; }
    void SetBackground(TColor color);
    void SetForeground(TColor color);
    void SetFontStyle(TFontStyles style);
    // Copies the three values; one notice when anything changed.
    void Assign(const TDCSyntaxMemoColor& other);

private:
    void Changed() const;

    TColor Background_ = clWindow;
    TFontStyles FontStyle_ = 0;
    TColor Foreground_ = clBlack;
    std::function<void()> OnChange_;
};

struct TLexemColorItem {
    TLexemColorItem(std::function<void()> onChange, TLexemType type)
        : LexemType(type), Color(std::move(onChange)) {}
    TLexemType LexemType;
    TDCSyntaxMemoColor Color;
};

// A keyword group. Its words are held upper-cased in one string, each word
// preceded by a space and the string ended by one, grouped by first character
// in order of character code; the index gives, for each character, the
// stretch of the string that holds the words beginning with it.
class TSyntaxKeyWordItem {
public:
    TSyntaxKeyWordItem(std::function<void()> onChange, std::string_view words);
    TDCSyntaxMemoColor Color;

    const std::string& Words() const { return Words_; }
    // `word` compared in upper case (Windows-1251); empty is never a keyword.
    bool Contains(std::string_view word) const;

private:
    struct TStretch {
        uint32_t Offset = 0; // of the space before the first word
        uint32_t Length = 0; // up to the space before the next group
    };
    std::string Words_;
    std::array<TStretch, 256> Index_{};
};

enum THighlighOption : uint8_t { hoIncludeBounds = 1, hoUnbreakable = 2 };
using THighlighOptions = uint8_t;

// A highlighted stretch of text; ZK defines none, but the colour lookup
// serves lxHighlight lexems from these items.
struct TDataHighlightItem {
    explicit TDataHighlightItem(std::function<void()> onChange) : Color(std::move(onChange)) {}
    TDCSyntaxMemoColor Color;
    THighlighOptions Options = 0;
};

// An owning list of items whose addresses stay put.
template <typename TItem> class TColorCollection {
public:
    int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
    TItem& operator[](int32_t i) { return *Items_[static_cast<std::size_t>(i)]; }
    const TItem& operator[](int32_t i) const { return *Items_[static_cast<std::size_t>(i)]; }
    template <typename... TArgs> TItem& Add(TArgs&&... args) {
        Items_.push_back(std::make_unique<TItem>(std::forward<TArgs>(args)...));
        return *Items_.back();
    }

private:
    std::vector<std::unique_ptr<TItem>> Items_;
};

using TSyntaxLexemColors = TColorCollection<TLexemColorItem>;
using TSyntaxKeyWords = TColorCollection<TSyntaxKeyWordItem>;
using TDataHighlight = TColorCollection<TDataHighlightItem>;

// Up to four delimiter characters in one value, low byte first; 0 is none.
constexpr uint32_t PackDelimiter(std::string_view text) {
    uint32_t packed = 0;
    for (std::size_t i = 0; i < text.size() && i < 4; ++i)
        packed |= uint32_t(static_cast<unsigned char>(text[i])) << (8 * i);
    return packed;
}

// The generic engine. A language subclass fills in the delimiters and the
// character strings in InitLanguage, the colours in InitColors, and calls
// Initialize from its constructor (virtual calls do not reach a subclass from
// the base constructor).
class TDCCustomSyntaxData {
public:
    virtual ~TDCCustomSyntaxData() = default;
    TDCCustomSyntaxData(const TDCCustomSyntaxData&) = delete;
    TDCCustomSyntaxData& operator=(const TDCCustomSyntaxData&) = delete;

    TSyntaxLexemColors& LexemColors() { return LexemColors_; }
    TSyntaxKeyWords& KeyWords() { return KeyWords_; }
    TDataHighlight& Highlights() { return Highlights_; }
    const TSyntaxKeyWords& KeyWords() const { return KeyWords_; }

    // One group from space-separated words.
    TSyntaxKeyWordItem& AddKeyWords(std::string_view words);

    virtual bool IsIdentChar(char c) const;
    bool IsSymbolChar(char c) const { return SymbolTable_[static_cast<unsigned char>(c)]; }

    // Cuts `text` into lexems, the line starting in `start`, and records the
    // state the line ends in.
    void HighlightLine(std::string_view text, TLineState start, TLineSyntax& line);

    // The colour record that paints `lexem`.
    const TDCSyntaxMemoColor& ColorOf(const LexemEntry& lexem) const;

    // Called whenever a colour record changes.
    std::function<void()> OnColorsChanged;

protected:
    // A lexem found by NextLexem; its length may exceed an entry's 16 bits.
    struct TLexem {
        TLexemType Type = lxWhitespace;
        uint8_t Index = 0;
        int32_t Length = 0;
    };

    TDCCustomSyntaxData();
    void Initialize();

    // Length of the number at `pos` (at least 1).
    virtual int32_t ScanNumber(int32_t pos);
    // Length of the string lexem at `pos`, or 0 to decline.
    virtual int32_t ScanString(int32_t pos);
    virtual void InitColors() {}
    virtual void InitLanguage() {}
    virtual void InitCharTables();

    // The lexem at `pos` of the line in progress (pos below its length).
    TLexem NextLexem(int32_t pos);
    std::string_view Line() const { return Line_; }
    bool DelimiterAt(uint32_t delimiter, int32_t pos) const;

    std::string SymbolChars;
    std::string StringChars;
    std::string NumberChars; // besides the digits
    uint32_t CommentStart1 = 0;
    uint32_t CommentEnd1 = 0;
    uint32_t CommentStart2 = 0;
    uint32_t CommentEnd2 = 0;
    uint32_t LineComment1 = 0;
    uint32_t LineComment2 = 0;

private:
    int32_t BlockComment(int32_t pos);
    int32_t CommentRest(int32_t from, uint32_t endDelimiter);
    bool CommentStartsAt(int32_t pos) const;
    TLexem Word(int32_t pos) const;
    int32_t Size() const { return static_cast<int32_t>(Line_.size()); }
    void ColorChanged() const;

    TSyntaxLexemColors LexemColors_;
    TSyntaxKeyWords KeyWords_;
    TDataHighlight Highlights_;
    std::array<bool, 256> IdentTable_{};
    std::array<bool, 256> NumberTable_{};
    std::array<bool, 256> SymbolTable_{};
    // The line in progress.
    std::string_view Line_;
    uint8_t CommentState_ = 0;
};

} // namespace zk::editor
