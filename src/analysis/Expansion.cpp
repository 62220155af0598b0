// The analysis's preprocessor and lexer. The steps are TSource::Preprocess's
// and Tokenize's, on a text held in memory: a document need not be saved to
// be analysed. The text under expansion and its segments change together as
// directives are deleted and files inserted, exactly as in TSource, so that
// every position resolves as the compiler resolves it.
#include "analysis/Expansion.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Source.h"

#include <algorithm>

namespace zk::analysis {

namespace {

using TSegment = TExpansion::TSegment;

constexpr std::string_view kInclude = "INCLUDE";
// After an edit at p a directive can begin no earlier than this before p.
constexpr int32_t kDirectiveReach = 7;

// A file's text with its comments removed, and the segments of what is left.
struct TStripped {
    std::string Text;
    std::vector<TSegment> Segments;
};

class TStripper {
public:
    TStripper(int32_t file, std::size_t size) : File_(file) { Out.Text.reserve(size); }

    void Copy(char c) {
        Out.Text += c;
        ++RunLength_;
    }
    void StartRun(char c, int32_t offset) {
        RunStart_ = offset;
        Copy(c);
    }
    void CloseRun() {
        if (RunLength_ != 0) Out.Segments.push_back({File_, RunStart_, RunLength_});
        RunLength_ = 0;
    }

    TStripped Out;

private:
    int32_t File_;
    int32_t RunStart_ = 0;
    int32_t RunLength_ = 0;
};

enum class TStripState { Text, Slash, Brace, Line };

bool EndsLine(char c) {
    return c == '\r' || c == '\n';
}

// StripComments's four states; every comment's range is kept.
TStripped Strip(std::string_view text, int32_t file, std::vector<TTextRange>& comments) {
    TStripper out(file, text.size());
    TStripState state = TStripState::Text;
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < size; ++i) {
        const char c = text[static_cast<std::size_t>(i)];
        switch (state) {
        case TStripState::Text:
            if (c == '/') {
                state = TStripState::Slash;
            } else if (c == '{') {
                out.CloseRun();
                comments.push_back({i, size});
                state = TStripState::Brace;
            } else {
                out.Copy(c);
            }
            break;
        case TStripState::Slash:
            if (c == '/') {
                out.CloseRun();
                comments.push_back({i - 1, size});
                state = TStripState::Line;
                break;
            }
            out.Copy('/');
            if (c == '{') {
                out.CloseRun();
                comments.push_back({i, size});
                state = TStripState::Brace;
                break;
            }
            out.Copy(c);
            state = TStripState::Text;
            break;
        case TStripState::Brace:
            if (c == '}') {
                comments.back().End = i + 1;
                out.StartRun(' ', i);
                state = TStripState::Text;
            }
            break;
        case TStripState::Line:
            if (EndsLine(c)) {
                comments.back().End = i;
                out.StartRun(c, i);
                state = TStripState::Text;
            }
            break;
        }
    }
    if (state == TStripState::Slash) out.Copy('/');
    out.CloseRun();
    return std::move(out.Out);
}

struct TDirective {
    int32_t HashPos = 0;
    int32_t QuotePos = 0;
    std::string Name;
};

// The text being expanded and its map, edited as TSource edits its own.
class TExpander {
public:
    TExpander(TExpansion& result, const std::vector<std::string>& paths,
              const std::vector<TOpenText>& openTexts)
        : Result_(result), Paths_(paths), OpenTexts_(openTexts) {}

    void Run(std::string text, std::string name, std::string path);

private:
    std::optional<TDirective> FindInclude(int32_t from) const;
    std::optional<TDirective> ReadIncludeName(int32_t hash, int32_t from) const;
    std::size_t SplitAt(int32_t pos);
    void Delete(int32_t pos, int32_t count);
    void Insert(TStripped piece, int32_t pos);
    bool KnowsFile(std::string_view name) const;
    TFileOffset Resolve(int32_t pos) const;
    TFileOffset Locate(int32_t pos) const;
    void Include(const TDirective& directive, const std::string& name);
    void Fault(int32_t number, std::string message, const TDirective& directive);

    TExpansion& Result_;
    const std::vector<std::string>& Paths_;
    const std::vector<TOpenText>& OpenTexts_;
    std::string Text_;
    std::vector<TSegment> Segments_;
    TDirective Current_; // the directive being expanded, as it stood before its deletion
    TFileOffset DirectiveAt_;
    int32_t DirectiveEnd_ = 0;
};

std::optional<TDirective> TExpander::ReadIncludeName(int32_t hash, int32_t from) const {
    const auto size = static_cast<int32_t>(Text_.size());
    int32_t pos = std::max(from, 0);
    while (pos < size && Text_[static_cast<std::size_t>(pos)] == ' ')
        ++pos;
    if (pos >= size - 2 || Text_[static_cast<std::size_t>(pos)] != '"') return std::nullopt;
    const std::size_t close = Text_.find('"', static_cast<std::size_t>(pos) + 1);
    if (close == std::string::npos) return std::nullopt;
    const auto begin = static_cast<std::size_t>(pos) + 1;
    return TDirective{hash, static_cast<int32_t>(close), Text_.substr(begin, close - begin)};
}

std::optional<TDirective> TExpander::FindInclude(int32_t from) const {
    const std::string_view text = Text_;
    for (std::size_t hash = text.find('#', static_cast<std::size_t>(std::max(from, 0)));
         hash != std::string_view::npos && hash + 1 + kInclude.size() <= text.size();
         hash = text.find('#', hash + 1)) {
        if (!SameText1251(text.substr(hash + 1, kInclude.size()), kInclude)) continue;
        return ReadIncludeName(static_cast<int32_t>(hash),
                               static_cast<int32_t>(hash + 1 + kInclude.size()));
    }
    return std::nullopt;
}

// The index of the first segment at or after pos, splitting the one that holds it.
std::size_t TExpander::SplitAt(int32_t pos) {
    int64_t start = 0;
    for (std::size_t i = 0; i < Segments_.size(); ++i) {
        if (start == pos) return i;
        const TSegment whole = Segments_[i];
        if (pos < start + whole.Length) {
            const auto first = static_cast<int32_t>(pos - start);
            Segments_[i].Length = first;
            Segments_.insert(Segments_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                             TSegment{whole.File, whole.Start + first, whole.Length - first});
            return i + 1;
        }
        start += whole.Length;
    }
    return Segments_.size();
}

void TExpander::Delete(int32_t pos, int32_t count) {
    const std::size_t first = SplitAt(pos);
    const std::size_t last = SplitAt(pos + count);
    Segments_.erase(Segments_.begin() + static_cast<std::ptrdiff_t>(first),
                    Segments_.begin() + static_cast<std::ptrdiff_t>(last));
    Text_.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
}

void TExpander::Insert(TStripped piece, int32_t pos) {
    const std::size_t at = SplitAt(pos);
    Segments_.insert(Segments_.begin() + static_cast<std::ptrdiff_t>(at), piece.Segments.begin(),
                     piece.Segments.end());
    Text_.insert(static_cast<std::size_t>(pos), piece.Text);
}

bool TExpander::KnowsFile(std::string_view name) const {
    return std::any_of(Result_.Files.begin(), Result_.Files.end(),
                       [&](const TExpandedFile& file) { return SameText1251(file.Name, name); });
}

// ResolvePosition's walk: the first segment after which the sum reaches pos.
TFileOffset TExpander::Resolve(int32_t pos) const {
    if (Segments_.empty()) return {};
    int64_t before = 0;
    std::size_t i = 0;
    for (; i + 1 < Segments_.size(); ++i) {
        if (before + Segments_[i].Length >= pos) break;
        before += Segments_[i].Length;
    }
    return {Segments_[i].File, static_cast<int32_t>(Segments_[i].Start + (pos - before))};
}

TFileOffset TExpander::Locate(int32_t pos) const {
    int64_t before = 0;
    for (const TSegment& segment : Segments_) {
        if (pos < before + segment.Length)
            return {segment.File, static_cast<int32_t>(segment.Start + (pos - before))};
        before += segment.Length;
    }
    return {};
}

void TExpander::Fault(int32_t number, std::string message, const TDirective& directive) {
    Result_.Faults.push_back({number,
                              std::move(message),
                              Resolve(directive.HashPos),
                              DirectiveAt_.File,
                              {DirectiveAt_.Offset, DirectiveEnd_}});
}

void TExpander::Include(const TDirective& directive, const std::string& name) {
    const auto file = static_cast<int32_t>(Result_.Files.size());
    const TOpenText* open = FindOpenText(name, OpenTexts_);
    Result_.Files.push_back({name,
                             open ? open->Path : FindInPaths(name, Paths_),
                             {},
                             {},
                             DirectiveAt_.File,
                             {DirectiveAt_.Offset, DirectiveEnd_}});
    TExpandedFile& included = Result_.Files.back();
    if (open) {
        included.Text = open->Text;
    } else {
        if (included.Path.empty()) return Fault(kErrorIncludeNotFound, MessageText(35), directive);
        try {
            included.Text = TSource::CreateFromFile(included.Path).Data();
        } catch (const TFileError& e) {
            return Fault(0, PathText(e.what()), directive);
        }
    }
    Insert(Strip(included.Text, file, included.Comments), directive.HashPos);
}

void TExpander::Run(std::string text, std::string name, std::string path) {
    Result_.Files.push_back({std::move(name), std::move(path), std::move(text), {}, kNone, {}});
    TStripped main = Strip(Result_.Files[0].Text, 0, Result_.Files[0].Comments);
    Text_ = std::move(main.Text);
    Segments_ = std::move(main.Segments);
    int32_t from = 0;
    while (auto directive = FindInclude(from)) {
        if (directive->Name.empty()) break;
        const std::string fileName = UpperCase1251(directive->Name);
        const int32_t pos = directive->HashPos;
        // The directive's own place, before it leaves the text.
        DirectiveAt_ = Locate(pos);
        const TFileOffset quote = Locate(directive->QuotePos);
        DirectiveEnd_ =
            quote.File == DirectiveAt_.File ? quote.Offset + 1 : DirectiveAt_.Offset + 1;
        Delete(pos, directive->QuotePos - pos + 1);
        from = std::max(0, pos - kDirectiveReach);
        if (!KnowsFile(fileName)) Include(*directive, fileName);
    }
    Result_.Text = std::make_unique<const std::string>(UpperCase1251(Text_));
    Result_.Segments = std::move(Segments_);
    int64_t end = 0;
    for (const TSegment& segment : Result_.Segments)
        Result_.Ends.push_back(end += segment.Length);
}

void Lex(TExpansion& expansion, bool classic) {
    const std::string_view text = *expansion.Text;
    int32_t atomStart = -1;
    const auto add = [&](int32_t pos, int32_t length) {
        const std::string_view word =
            text.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(length));
        expansion.Tokens.push_back({pos, length, TokenKind(word), word});
    };
    const auto flushAtom = [&](int32_t end) {
        if (atomStart >= 0) add(atomStart, end - atomStart);
        atomStart = -1;
    };
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t pos = 0; pos < size; ++pos) {
        const char c = text[static_cast<std::size_t>(pos)];
        if (c == '(' || c == ')') {
            flushAtom(pos);
            add(pos, 1);
        } else if (IsAtomByte(c, classic)) {
            if (atomStart < 0) atomStart = pos;
        } else {
            // A refused byte separates atoms, so that the tokens after it are read too.
            flushAtom(pos);
            if (c != ' ' && c != '\r' && c != '\n' && expansion.BadByte < 0)
                expansion.BadByte = pos;
        }
    }
    flushAtom(size);
}

} // namespace

bool IsAtomByte(char c, bool classic) {
    static constexpr std::string_view kSigns = "!%*+-/<=>";
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || b == '_') return true;
    if (classic) return false;
    // Ё, А-Я, the digits and the signs.
    return b == 168 || (b >= 192 && b <= 223) || (b >= '0' && b <= '9') ||
           kSigns.find(c) != std::string_view::npos;
}

TFileOffset TExpansion::Resolve(int32_t pos) const {
    if (Segments.empty()) return {};
    const auto found = std::lower_bound(Ends.begin(), Ends.end(), static_cast<int64_t>(pos));
    const std::size_t i =
        found == Ends.end() ? Segments.size() - 1 : static_cast<std::size_t>(found - Ends.begin());
    const int64_t before = Ends[i] - Segments[i].Length;
    return {Segments[i].File, static_cast<int32_t>(Segments[i].Start + (pos - before))};
}

TFileOffset TExpansion::Locate(int32_t pos) const {
    if (Segments.empty()) return {};
    const auto found = std::upper_bound(Ends.begin(), Ends.end(), static_cast<int64_t>(pos));
    if (found == Ends.end())
        return {Segments.back().File, Segments.back().Start + Segments.back().Length};
    const auto i = static_cast<std::size_t>(found - Ends.begin());
    const int64_t before = Ends[i] - Segments[i].Length;
    return {Segments[i].File, static_cast<int32_t>(Segments[i].Start + (pos - before))};
}

int32_t TExpansion::RunLength(int32_t pos) const {
    const auto found = std::upper_bound(Ends.begin(), Ends.end(), static_cast<int64_t>(pos));
    return found == Ends.end() ? 0 : static_cast<int32_t>(*found - pos);
}

const TOpenText* FindOpenText(std::string_view fileName, const std::vector<TOpenText>& openTexts) {
    for (const TOpenText& open : openTexts)
        if (SameText1251(PathText(open.Name), fileName)) return &open;
    return nullptr;
}

TExpansion Expand(std::string text, std::string name, std::string path,
                  const std::vector<std::string>& includePaths, bool classic,
                  const std::vector<TOpenText>& openTexts) {
    TExpansion expansion;
    TExpander(expansion, includePaths, openTexts)
        .Run(std::move(text), std::move(name), std::move(path));
    Lex(expansion, classic);
    return expansion;
}

} // namespace zk::analysis
