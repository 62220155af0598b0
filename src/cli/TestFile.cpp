// The test file's parser. Each line is a comment, a blank line or a key with
// its value; a key belongs to the block it stands in, the defaults before the
// first "test:" line or the test it follows. A table says where each key may
// stand and how its value is read.
#include "cli/TestFile.h"

#include "cli/CommandLine.h"
#include "frontend/Cp1251.h"
#include "frontend/Errors.h"
#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"

#include <charconv>
#include <cmath>
#include <map>

namespace zk::cli {

namespace {

constexpr int64_t kMaxPoints = 1000000;
constexpr int64_t kMaxSteps = int64_t{1} << 50;
constexpr double kMaxTimeout = 24 * 3600;

enum class TScope : uint8_t { Anywhere, Test, File };

// What a line's key acts on: the defaults or the settings of one test, and
// the test itself after its "test:" line.
struct TTarget {
    TTestFile& File;
    TTestSettings& Settings;
    TTestCase* Test;
};

// Apply returns what is wrong with the value, or the empty text.
struct TKey {
    std::string_view Name;
    TScope Scope;
    std::string (*Apply)(TTarget&, std::string_view value);
};

std::optional<int64_t> WholeNumber(std::string_view text) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<bool> YesOrNo(std::string_view text) {
    if (SameText1251(text, "yes")) return true;
    if (SameText1251(text, "no")) return false;
    return std::nullopt;
}

std::string Quoted(std::string_view value) {
    std::string text(1, '\'');
    text += Cp1251ToUtf8(value);
    return text += '\'';
}

// Reads a whole number from `low` to `high` into `field`.
template <class TField>
std::string Number(std::string_view value, int64_t low, int64_t high, TField& field) {
    const auto number = WholeNumber(value);
    if (!number || *number < low || *number > high)
        return "needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
               ", not " + Quoted(value);
    field = static_cast<TField>(*number);
    return {};
}

std::string Flag(std::string_view value, bool& field) {
    const auto flag = YesOrNo(value);
    if (!flag) return "needs yes or no, not " + Quoted(value);
    field = *flag;
    return {};
}

std::string ApplyTimeout(TTarget& t, std::string_view value) {
    double seconds = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds,
                                           std::chars_format::fixed);
    if (ec != std::errc() || end != value.data() + value.size() || !(seconds > 0) ||
        seconds > kMaxTimeout)
        return "needs seconds, more than 0 and at most a day, not " + Quoted(value);
    t.Settings.Timeout = seconds;
    return {};
}

std::string ApplyMemory(TTarget& t, std::string_view value) {
    int32_t megabytes = 0;
    std::string bad = Number(value, 1, kMaxMemoryMB, megabytes);
    if (bad.empty()) t.Settings.MemoryMB = megabytes;
    return bad;
}

std::string ApplySeed(TTarget& t, std::string_view value) {
    // As for --seed, a negative seed stands for the same 32 bits.
    int64_t seed = 0;
    std::string bad = Number(value, INT32_MIN, UINT32_MAX, seed);
    if (bad.empty()) t.Settings.Seed = static_cast<uint32_t>(seed);
    return bad;
}

std::string ApplyNoSymbolError(TTarget& t, std::string_view value) {
    bool off = false;
    std::string bad = Flag(value, off);
    if (bad.empty()) t.Settings.SymbolError = !off;
    return bad;
}

std::string ApplyLanguage(TTarget& t, std::string_view value) {
    if (SameText1251(value, "modified")) {
        t.File.Classic = false;
    } else if (SameText1251(value, "classic")) {
        t.File.Classic = true;
    } else {
        return "needs modified or classic, not " + Quoted(value);
    }
    return {};
}

std::string ApplyError(TTarget& t, std::string_view value) {
    std::string bad = Number(value, 1, INT32_MAX, t.Test->ExpectedError);
    if (bad.empty() && t.Test->ExpectedError == kErrorRunComplete)
        return "70 is a run that completed; expect: its result";
    t.Test->Kind = TExpectKind::Error;
    return bad;
}

const TKey kKeys[] = {
    {"points", TScope::Anywhere,
     [](TTarget& t, std::string_view v) { return Number(v, 0, kMaxPoints, t.Settings.Points); }},
    {"hidden", TScope::Anywhere,
     [](TTarget& t, std::string_view v) { return Flag(v, t.Settings.Hidden); }},
    {"steps", TScope::Anywhere,
     [](TTarget& t, std::string_view v) { return Number(v, 1, kMaxSteps, t.Settings.Steps); }},
    {"timeout", TScope::Anywhere, ApplyTimeout},
    {"mem", TScope::Anywhere, ApplyMemory},
    {"seed", TScope::Anywhere, ApplySeed},
    {"no-symbol-error", TScope::Anywhere, ApplyNoSymbolError},
    {"language", TScope::File, ApplyLanguage},
    {"param", TScope::Test,
     [](TTarget& t, std::string_view v) {
         t.Test->Params.emplace_back(v);
         return std::string();
     }},
    {"expect", TScope::Test,
     [](TTarget& t, std::string_view v) {
         t.Test->Kind = TExpectKind::Result;
         t.Test->Expected = v;
         return std::string();
     }},
    {"error", TScope::Test, ApplyError},
    {"picture", TScope::Test,
     [](TTarget& t, std::string_view v) {
         if (v.empty()) return std::string("needs the name of a bitmap file");
         t.Test->Kind = TExpectKind::Picture;
         // A path is the system's bytes, and file names here are UTF-8.
         t.Test->PictureFile = Cp1251ToUtf8(v);
         return std::string();
     }},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

const TKey* FindKey(std::string_view name) {
    for (const TKey& key : kKeys)
        if (SameText1251(key.Name, name)) return &key;
    return nullptr;
}

bool IsExpectation(std::string_view name) {
    return name == "expect" || name == "error" || name == "picture";
}

// Reads the lines one by one into the file; the first error stops it.
class TParser {
public:
    explicit TParser(TTestFile& file) : File_(file) {}

    bool Line(int32_t number, std::string_view line, TTestFileError& error) {
        line = Trimmed(line);
        if (line.empty() || line.front() == '#') return true;
        // A new test first completes the one before, whose line the error names.
        if (IsTestLine(line) && !TestComplete(error)) return false;
        std::string bad = KeyLine(number, line);
        if (bad.empty()) return true;
        error = {number, std::move(bad)};
        return false;
    }

    bool End(TTestFileError& error) {
        if (File_.Tests.empty()) {
            error = {0, "no test: line in the file"};
            return false;
        }
        return TestComplete(error);
    }

private:
    static bool IsTestLine(std::string_view line) {
        const std::size_t colon = line.find(':');
        return colon != std::string_view::npos &&
               SameText1251(Trimmed(line.substr(0, colon)), "test");
    }

    std::string KeyLine(int32_t number, std::string_view line) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return "expected 'key: value'";
        const std::string name = LowerCase1251(Trimmed(line.substr(0, colon)));
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (value.find(kUnmappableByte) != std::string_view::npos)
            return "holds a character that Windows-1251 lacks";
        if (name == "test") return StartTest(number, value);
        const TKey* key = FindKey(name);
        if (key == nullptr) return "unknown key " + Quoted(name);
        const std::string label = std::string(key->Name) + ":";
        const bool inTest = !File_.Tests.empty();
        if (key->Scope == TScope::Test && !inTest)
            return label + " belongs to a test; put it after a test: line";
        if (key->Scope == TScope::File && inTest)
            return label + " is for the whole file; put it before the first test: line";
        if (std::string bad = Repeated(*key, number); !bad.empty()) return bad;
        TTarget target{File_, inTest ? File_.Tests.back().Settings : Defaults_,
                       inTest ? &File_.Tests.back() : nullptr};
        if (std::string bad = key->Apply(target, value); !bad.empty()) return label + " " + bad;
        if (IsExpectation(key->Name)) File_.Tests.back().ExpectLine = number;
        return {};
    }

    // A setting stands once in a block, and a test has one expectation.
    std::string Repeated(const TKey& key, int32_t number) {
        if (key.Name == "param") return {};
        if (IsExpectation(key.Name)) {
            const TTestCase& test = File_.Tests.back();
            if (test.ExpectLine == 0) return {};
            return "a second expectation: the test has one on line " +
                   std::to_string(test.ExpectLine);
        }
        const auto [seen, first] = Seen_.emplace(key.Name, number);
        if (first) return {};
        return std::string(key.Name) + ": given twice in this block (first on line " +
               std::to_string(seen->second) + ")";
    }

    std::string StartTest(int32_t number, std::string_view name) {
        if (name.empty()) return "test: needs a name";
        for (const TTestCase& test : File_.Tests)
            if (test.Name == name)
                return "a test named " + Quoted(name) + " is already on line " +
                       std::to_string(test.Line);
        TTestCase& test = File_.Tests.emplace_back();
        test.Name = name;
        test.Line = number;
        test.Settings = Defaults_;
        Seen_.clear();
        return {};
    }

    // The test before a new one, or the last at the end, must expect something.
    bool TestComplete(TTestFileError& error) const {
        if (File_.Tests.empty() || File_.Tests.back().ExpectLine != 0) return true;
        const TTestCase& test = File_.Tests.back();
        error = {test.Line, "test " + Quoted(test.Name) + " has no expect:, error: or picture:"};
        return false;
    }

    TTestFile& File_;
    TTestSettings Defaults_;
    std::map<std::string_view, int32_t> Seen_; // the settings of the block, by their lines
};

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool LoadPicture(const std::string& directory, TTestCase& test, TTestFileError& error) {
    const std::string& name = test.PictureFile;
    const std::string path = name.front() == '/' ? name : directory + name;
    std::string fault;
    if (DecodeBitmap(ReadWholeFile(path), test.Picture, fault)) return true;
    error = {test.ExpectLine, "picture: " + name + ": " + fault};
    return false;
}

} // namespace

bool ParseTestText(std::string_view text, TTestFile& file, TTestFileError& error) {
    file = TTestFile();
    TParser parser(file);
    std::size_t pos = 0;
    for (int32_t number = 1; pos < text.size(); ++number)
        if (!parser.Line(number, NextLine(text, pos), error)) return false;
    return parser.End(error);
}

bool LoadTestFile(const std::string& path, TTestFile& file, TTestFileError& error) {
    if (!ParseTestText(DecodeText(ReadWholeFile(path)).Text, file, error)) return false;
    const std::string directory = DirectoryOf(path);
    for (TTestCase& test : file.Tests)
        if (test.Kind == TExpectKind::Picture && !LoadPicture(directory, test, error)) return false;
    return true;
}

std::string NormalizedResult(std::string_view text) {
    std::string joined;
    for (const char c : Trimmed(text)) {
        if (IsBlank(c) && !joined.empty() && joined.back() == ' ') continue;
        joined += IsBlank(c) ? ' ' : c;
    }
    return joined;
}

} // namespace zk::cli
