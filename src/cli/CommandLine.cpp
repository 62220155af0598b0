// Parsing of zk's words. Options end at "--"; a word like "-5" is a parameter;
// any other word starting with '-' must be an option of the command.
#include "cli/CommandLine.h"

#include <cctype>
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

struct TOption {
    bool TakesValue;
    std::function<void(TCommandLine&, const std::string&)> Apply;
};

std::map<std::string, TOption> OptionsOf(TCommandKind kind) {
    std::map<std::string, TOption> options = {
        {"-I", {true, [](TCommandLine& l, const std::string& v) { l.IncludeDirs.push_back(v); }}},
        {"--classic", {false, [](TCommandLine& l, const std::string&) { l.Classic = true; }}},
        {"--log", {true, [](TCommandLine& l, const std::string& v) { l.LogFile = v; }}},
    };
    const TOption out{true, [](TCommandLine& l, const std::string& v) { l.OutFile = v; }};
    const TOption listing{true, [](TCommandLine& l, const std::string& v) { l.ListingFile = v; }};
    switch (kind) {
    case TCommandKind::Build:
    case TCommandKind::Unit:
        options.emplace("-o", out);
        options.emplace("--listing", listing);
        break;
    case TCommandKind::Listing:
        options.emplace("-o", out);
        options.emplace(
            "--unit", TOption{false, [](TCommandLine& l, const std::string&) { l.AsUnit = true; }});
        break;
    case TCommandKind::Check:
    case TCommandKind::Run: break;
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
            if (found == options.end() || !found->second.TakesValue)
                return Fail("unknown option '" + word + "' for " + line.Command);
            value = attached;
        }
        if (found->second.TakesValue && !value) {
            if (i + 1 >= args.size()) return Fail("option '" + word + "' needs a value");
            value = args[++i];
        }
        found->second.Apply(line, value.value_or(""));
    }

    if (positional.empty()) return Fail("no file given to " + line.Command);
    line.File = positional[0];
    positional.erase(positional.begin());
    if (kind == TCommandKind::Run) {
        line.Params = std::move(positional);
    } else if (!positional.empty()) {
        return Fail("unexpected word '" + positional[0] + "'");
    }
    if ((kind == TCommandKind::Build || kind == TCommandKind::Unit) && !line.OutFile)
        return Fail(line.Command + " needs -o OUT");
    return TParseResult{std::move(line), {}};
}

} // namespace zk::cli
