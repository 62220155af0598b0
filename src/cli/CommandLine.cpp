// Parsing of zk's words. Options end at "--"; a word like "-5" is a parameter;
// any other word starting with '-' must be an option of the command.
#include "cli/CommandLine.h"

#include "platform/System.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>

namespace zk::cli {

namespace {

enum class TCommandKind { Check, Build, Unit, Listing, Run };

const std::map<std::string, TCommandKind> kCommands = {
    {"check", TCommandKind::Check}, {"build", TCommandKind::Build},
    {"unit", TCommandKind::Unit},   {"listing", TCommandKind::Listing},
    {"run", TCommandKind::Run},
};

// Apply returns the usage error of a bad value, or the empty text. An option
// that may take a value attached as "--name=VALUE" takes none otherwise.
struct TOption {
    bool TakesValue;
    std::function<std::string(TCommandLine&, const std::string&)> Apply;
    bool MayAttach = false;
};

// A flag or an option whose value is stored as written.
TOption Flag(std::function<void(TCommandLine&)> set) {
    return {false, [set](TCommandLine& l, const std::string&) {
                set(l);
                return std::string();
            }};
}

TOption Text(std::optional<std::string> TCommandLine::*field) {
    return {true, [field](TCommandLine& l, const std::string& v) {
                l.*field = PathFromCommandLine(v);
                return std::string();
            }};
}

std::optional<int64_t> WholeNumber(const std::string& text) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// An option whose value is a whole number from `low` to `high`.
TOption Number(const char* name, int64_t low, int64_t high,
               std::function<void(TCommandLine&, int64_t)> set) {
    return {true, [=](TCommandLine& l, const std::string& v) {
                const auto value = WholeNumber(v);
                if (!value || *value < low || *value > high)
                    return std::string(name) + " needs a whole number from " + std::to_string(low) +
                           " to " + std::to_string(high) + ", not '" + v + "'";
                set(l, *value);
                return std::string();
            }};
}

// --trace or --trace=F,G,...: the names between the commas.
TOption Trace() {
    const auto apply = [](TCommandLine& l, const std::string& v) {
        l.Trace.emplace();
        for (std::size_t start = 0; start <= v.size();) {
            std::size_t comma = v.find(',', start);
            if (comma == std::string::npos) comma = v.size();
            if (comma > start) l.Trace->push_back(v.substr(start, comma - start));
            start = comma + 1;
        }
        return std::string();
    };
    return {false, apply, true};
}

void AddRunOptions(std::map<std::string, TOption>& options) {
    options.emplace("--input", Text(&TCommandLine::InputFile));
    options.emplace("--output", Text(&TCommandLine::OutputFile));
    options.emplace("--picture", Text(&TCommandLine::PictureFile));
    options.emplace("--mem", Number("--mem", 1, kMaxMemoryMB, [](TCommandLine& l, int64_t v) {
                        l.MemoryMB = static_cast<int32_t>(v);
                    }));
    options.emplace("--graphics-mode",
                    Number("--graphics-mode", 0, 2, [](TCommandLine& l, int64_t v) {
                        l.GraphicsMode = static_cast<int32_t>(v);
                    }));
    // A negative seed stands for the same 32 bits as its unsigned form.
    options.emplace("--seed",
                    Number("--seed", INT32_MIN, UINT32_MAX,
                           [](TCommandLine& l, int64_t v) { l.Seed = static_cast<uint32_t>(v); }));
    options.emplace("--no-symbol-error", Flag([](TCommandLine& l) { l.SymbolError = false; }));
    options.emplace("--stats", Flag([](TCommandLine& l) { l.Stats = true; }));
    options.emplace("--trace", Trace());
    options.emplace("--trace-limit", Number("--trace-limit", 0, INT64_MAX,
                                            [](TCommandLine& l, int64_t v) { l.TraceLimit = v; }));
}

std::map<std::string, TOption> OptionsOf(TCommandKind kind) {
    std::map<std::string, TOption> options = {
        {"-I",
         {true,
          [](TCommandLine& l, const std::string& v) {
              l.IncludeDirs.push_back(PathFromCommandLine(v));
              return std::string();
          }}},
        {"--classic", Flag([](TCommandLine& l) { l.Classic = true; })},
        {"--modified", Flag([](TCommandLine& l) { l.Classic = false; })},
        {"--log", Text(&TCommandLine::LogFile)},
    };
    const TOption out = Text(&TCommandLine::OutFile);
    const TOption listing = Text(&TCommandLine::ListingFile);
    switch (kind) {
    case TCommandKind::Build:
    case TCommandKind::Unit:
        options.emplace("-o", out);
        options.emplace("--listing", listing);
        break;
    case TCommandKind::Listing:
        options.emplace("-o", out);
        options.emplace("--unit", Flag([](TCommandLine& l) { l.AsUnit = true; }));
        break;
    case TCommandKind::Run: AddRunOptions(options); break;
    case TCommandKind::Check: break;
    }
    return options;
}

bool LooksLikeNumber(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && std::isdigit(static_cast<unsigned char>(word[1]));
}

// Splits "--log=FILE" and "-IDIR" into the option and its attached value.
std::pair<std::string, std::optional<std::string>> SplitAttached(const std::string& word) {
    if (word.rfind("--", 0) == 0) {
        const auto eq = word.find('=');
        if (eq != std::string::npos) return {word.substr(0, eq), word.substr(eq + 1)};
        return {word, std::nullopt};
    }
    if (word.size() > 2) return {word.substr(0, 2), word.substr(2)};
    return {word, std::nullopt};
}

TParseResult Fail(std::string message) {
    return TParseResult{std::nullopt, std::move(message)};
}

} // namespace

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
    const auto command = kCommands.find(args.empty() ? std::string() : args[0]);
    if (command == kCommands.end())
        return Fail(args.empty() ? "no command given" : "unknown command '" + args[0] + "'");
    const TCommandKind kind = command->second;
    const auto options = OptionsOf(kind);

    TCommandLine line;
    line.Command = args[0];
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.empty() || word[0] != '-' || LooksLikeNumber(word)) {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        auto found = options.find(word);
        std::optional<std::string> value;
        if (found == options.end()) {
            auto [name, attached] = SplitAttached(word);
            found = options.find(name);
            if (found == options.end() || !(found->second.TakesValue || found->second.MayAttach))
                return Fail("unknown option '" + word + "' for " + line.Command);
            value = attached;
        }
        if (found->second.TakesValue && !value) {
            if (i + 1 >= args.size()) return Fail("option '" + word + "' needs a value");
            value = args[++i];
        }
        if (std::string bad = found->second.Apply(line, value.value_or("")); !bad.empty())
            return Fail(bad);
    }

    if (positional.empty()) return Fail("no file given to " + line.Command);
    line.File = PathFromCommandLine(positional[0]);
    positional.erase(positional.begin());
    if (kind == TCommandKind::Run) {
        if (line.InputFile && !positional.empty())
            return Fail("parameters come either from --input or from the command line");
        line.Params = std::move(positional);
    } else if (!positional.empty()) {
        return Fail("unexpected word '" + positional[0] + "'");
    }
    if ((kind == TCommandKind::Build || kind == TCommandKind::Unit) && !line.OutFile)
        return Fail(line.Command + " needs -o OUT");
    return TParseResult{std::move(line), {}};
}

} // namespace zk::cli
