// The protocol shell: framing, JSON-RPC's requests, answers and errors, the
// open documents, and the rendering of the analysis's answers as the
// protocol's records. What a text means is the analysis's business.
#include "cli/LspServer.h"

#include "analysis/Analysis.h"
#include "analysis/LineIndex.h"
#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/LspText.h"
#include "cli/Settings.h"
#include "frontend/TextEncoding.h"

#include <nlohmann/json.hpp>

#include <istream>
#include <map>
#include <optional>
#include <ostream>

namespace zk::cli {

namespace {

using json = nlohmann::json;
using namespace analysis;

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// A message larger than this is skipped unread; a header line is cut.
constexpr std::size_t kMaxMessage = std::size_t{256} << 20;
constexpr std::size_t kMaxHeaderLine = 4096;

std::string Dump(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Utf8(std::string_view text1251) {
    return EncodeText(text1251, TTextEncoding::Utf8, false, {});
}

json Answer(const json& id, json result) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json ErrorAnswer(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json Notification(const std::string& method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

json Capabilities() {
    return {{"capabilities",
             {{"positionEncoding", "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
              {"documentSymbolProvider", true},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", {"("}}}}}},
            {"serverInfo", {{"name", "zk"}, {"version", VARNOK_VERSION}}}};
}

struct TDocument {
    std::string Uri;
    std::string Path;
    TLspText Text;
    TAnalysis Analysis;
};

json PositionJson(TLspPosition position) {
    return {{"line", position.Line}, {"character", position.Character}};
}

int CompletionKind(TCompletionKind kind) {
    switch (kind) {
    case TCompletionKind::Keyword:
    case TCompletionKind::Declaration: return 14;
    case TCompletionKind::Function: return 3;
    case TCompletionKind::Operator: return 24;
    case TCompletionKind::Argument: return 6;
    }
    return 1;
}

std::string Markdown(const THover& hover) {
    std::string text;
    if (!hover.Signature.empty()) text += "```zk\n" + Utf8(hover.Signature) + "\n```\n";
    if (!hover.Text.empty()) text += "\n" + Utf8(hover.Text) + "\n";
    if (!hover.Example.empty()) text += "\n```zk\n" + Utf8(hover.Example) + "\n```\n";
    return text;
}

} // namespace

struct TLspServer::TState {
    TLspSettings Settings;
    bool Initialized = false;
    bool ShutDown = false;
    bool Exited = false;
    std::map<std::string, TDocument> Documents;
    std::vector<std::string> Out;

    void Send(const json& message) { Out.push_back(Dump(message)); }
    std::vector<std::string> Take() { return std::exchange(Out, {}); }

    void Dispatch(const std::string& method, const std::optional<json>& id, const json& params);
    void Initialize(const json& id, const json& params);
    void Open(const std::string& uri, const std::string& text);
    void Publish(const TDocument& document);
    json Range(const TDocument& document, TPlace place) const;
    json Location(const TDocument& document, TPlace place) const;
    json Diagnostic(const TDocument& document, const TDiagnostic& diagnostic) const;
    void Query(const std::string& method, const json& id, const json& params);
};

json TLspServer::TState::Range(const TDocument& document, TPlace place) const {
    if (place.File == kDocumentFile)
        return {{"start", PositionJson(document.Text.ToPosition(place.Range.Begin))},
                {"end", PositionJson(document.Text.ToPosition(place.Range.End))}};
    const TLineIndex lines(document.Analysis.Files[static_cast<std::size_t>(place.File)].Text);
    return {{"start", PositionJson(PlainPosition(lines, place.Range.Begin))},
            {"end", PositionJson(PlainPosition(lines, place.Range.End))}};
}

json TLspServer::TState::Location(const TDocument& document, TPlace place) const {
    if (!place.Valid()) return nullptr;
    const std::string& path = document.Analysis.Files[static_cast<std::size_t>(place.File)].Path;
    if (place.File != kDocumentFile && path.empty()) return nullptr;
    return {{"uri", place.File == kDocumentFile ? document.Uri : PathToUri(path)},
            {"range", Range(document, place)}};
}

// A diagnostic of another file stands at the place of the document that
// brings that file in, its own place named in the message.
json TLspServer::TState::Diagnostic(const TDocument& document,
                                    const TDiagnostic& diagnostic) const {
    const TAnalysis& analysis = document.Analysis;
    TPlace place = analysis.InDocument(diagnostic.Place);
    if (!place.Valid()) place = {kDocumentFile, {0, 0}};
    std::string message = Utf8(diagnostic.Message);
    json related = json::array();
    if (diagnostic.Place.Valid() && diagnostic.Place.File != kDocumentFile) {
        const TSourceFile& file = analysis.Files[static_cast<std::size_t>(diagnostic.Place.File)];
        const TLineColumn at = TLineIndex(file.Text).ToLineColumn(diagnostic.Place.Range.Begin);
        message = Utf8(file.Name) + ":" + std::to_string(at.Line + 1) + ":" +
                  std::to_string(at.Column + 1) + ": " + message;
        const json location = Location(document, diagnostic.Place);
        if (!location.is_null()) related.push_back({{"location", location}, {"message", message}});
    }
    json result = {{"range", Range(document, place)},
                   {"severity", diagnostic.Severity == TSeverity::Error ? 1 : 2},
                   {"source", "zk"},
                   {"message", message}};
    if (diagnostic.Number != 0) result["code"] = diagnostic.Number;
    if (!related.empty()) result["relatedInformation"] = related;
    return result;
}

void TLspServer::TState::Publish(const TDocument& document) {
    json diagnostics = json::array();
    for (const TDiagnostic& diagnostic : document.Analysis.Diagnostics)
        diagnostics.push_back(Diagnostic(document, diagnostic));
    Send(Notification("textDocument/publishDiagnostics",
                      {{"uri", document.Uri}, {"diagnostics", diagnostics}}));
}

void TLspServer::TState::Open(const std::string& uri, const std::string& text) {
    const std::string path = UriToPath(uri);
    TLspText decoded(text);
    const std::size_t slash = path.rfind('/');
    std::vector<std::string> paths{slash == std::string::npos ? "./" : path.substr(0, slash + 1)};
    for (const std::string& dir : Settings.IncludeDirs)
        paths.push_back(dir.ends_with('/') ? dir : dir + "/");
    TAnalysis analysis = Analyse({path, decoded.Text(), paths, Settings.Classic, false, {}});
    auto [it, added] = Documents.insert_or_assign(
        uri, TDocument{uri, path, std::move(decoded), std::move(analysis)});
    Publish(it->second);
}

void TLspServer::TState::Initialize(const json& id, const json& params) {
    if (Initialized) return Send(ErrorAnswer(id, kInvalidRequest, "already initialized"));
    const json options = params.value("initializationOptions", json::object());
    if (options.is_object()) {
        if (options.contains("classic")) Settings.Classic = options.at("classic").get<bool>();
        if (options.contains("includePaths"))
            for (const json& dir : options.at("includePaths"))
                Settings.IncludeDirs.push_back(dir.get<std::string>());
    }
    Initialized = true;
    Send(Answer(id, Capabilities()));
}

void TLspServer::TState::Query(const std::string& method, const json& id, const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = Documents.find(uri);
    if (found == Documents.end()) return Send(Answer(id, nullptr));
    const TDocument& document = found->second;
    const TAnalysis& analysis = document.Analysis;
    if (method == "textDocument/documentSymbol") {
        json symbols = json::array();
        for (const TFunctionSymbol& function : analysis.Functions) {
            if (function.NamePlace.File != kDocumentFile) continue;
            symbols.push_back({{"name", Utf8(function.Name)},
                               {"detail", Utf8(Signature(function))},
                               {"kind", 12},
                               {"range", Range(document, function.Definition)},
                               {"selectionRange", Range(document, function.NamePlace)}});
        }
        return Send(Answer(id, symbols));
    }
    const json& position = params.at("position");
    const int32_t offset = document.Text.ToOffset(
        {position.at("line").get<int32_t>(), position.at("character").get<int32_t>()});
    if (method == "textDocument/definition") {
        const auto place = analysis.DefinitionAt(kDocumentFile, offset);
        return Send(Answer(id, place ? Location(document, *place) : json(nullptr)));
    }
    if (method == "textDocument/references") {
        const bool withDeclaration =
            params.value("context", json::object()).value("includeDeclaration", false);
        json locations = json::array();
        for (const TPlace& place : analysis.ReferencesAt(kDocumentFile, offset, withDeclaration)) {
            json location = Location(document, place);
            if (!location.is_null()) locations.push_back(std::move(location));
        }
        return Send(Answer(id, locations));
    }
    if (method == "textDocument/hover") {
        const auto hover = analysis.HoverAt(kDocumentFile, offset);
        if (!hover) return Send(Answer(id, nullptr));
        return Send(Answer(id, {{"contents", {{"kind", "markdown"}, {"value", Markdown(*hover)}}},
                                {"range", Range(document, hover->Place)}}));
    }
    json items = json::array();
    for (const TCompletion& completion : analysis.CompletionsAt(kDocumentFile, offset)) {
        json item = {{"label", Utf8(completion.Label)},
                     {"kind", CompletionKind(completion.Kind)},
                     {"detail", Utf8(completion.Detail)}};
        if (!completion.Documentation.empty())
            item["documentation"] = Utf8(completion.Documentation);
        items.push_back(std::move(item));
    }
    Send(Answer(id, items));
}

void TLspServer::TState::Dispatch(const std::string& method, const std::optional<json>& id,
                                  const json& params) {
    if (method == "exit") {
        Exited = true;
        return;
    }
    if (!Initialized && method != "initialize") {
        if (id) Send(ErrorAnswer(*id, kServerNotInitialized, "not initialized"));
        return;
    }
    if (ShutDown && id) return Send(ErrorAnswer(*id, kInvalidRequest, "shut down"));
    if (method == "initialize") {
        if (id) Initialize(*id, params);
    } else if (method == "shutdown") {
        ShutDown = true;
        if (id) Send(Answer(*id, nullptr));
    } else if (method == "textDocument/didOpen") {
        const json& document = params.at("textDocument");
        Open(document.at("uri").get<std::string>(), document.at("text").get<std::string>());
    } else if (method == "textDocument/didChange") {
        // Full synchronisation: the last change holds the whole text.
        const json& changes = params.at("contentChanges");
        if (changes.empty()) return;
        Open(params.at("textDocument").at("uri").get<std::string>(),
             changes.back().at("text").get<std::string>());
    } else if (method == "textDocument/didClose") {
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        Documents.erase(uri);
        Send(Notification("textDocument/publishDiagnostics",
                          {{"uri", uri}, {"diagnostics", json::array()}}));
    } else if (method == "textDocument/documentSymbol" || method == "textDocument/definition" ||
               method == "textDocument/references" || method == "textDocument/hover" ||
               method == "textDocument/completion") {
        if (id) Query(method, *id, params);
    } else if (id) {
        Send(ErrorAnswer(*id, kMethodNotFound, "unknown method " + method));
    }
}

TLspServer::TLspServer(TLspSettings settings) : State_(std::make_unique<TState>()) {
    State_->Settings = std::move(settings);
}

TLspServer::~TLspServer() = default;

bool TLspServer::Exited() const {
    return State_->Exited;
}

int TLspServer::ExitCode() const {
    return State_->ShutDown ? 0 : 1;
}

// A request has an id (a number or a string); a notification has none. An
// answer the client sends to us is dropped: the server asks nothing.
std::vector<std::string> TLspServer::Handle(const std::string& body) {
    json message;
    try {
        message = json::parse(body);
    } catch (const json::exception&) {
        State_->Send(ErrorAnswer(nullptr, kParseError, "not a JSON text"));
        return State_->Take();
    }
    const bool object = message.is_object();
    std::optional<json> id;
    if (object && message.contains("id")) id = message["id"];
    const bool validId = !id || id->is_number_integer() || id->is_string();
    if (object && !message.contains("method") && id && validId) return {};
    if (!object || !validId || !message.contains("method") || !message["method"].is_string()) {
        State_->Send(ErrorAnswer(validId && id ? *id : nullptr, kInvalidRequest, "not a request"));
        return State_->Take();
    }
    const std::string method = message["method"].get<std::string>();
    try {
        const json params = message.value("params", json::object());
        State_->Dispatch(method, id, params);
    } catch (const json::exception&) {
        if (id) State_->Send(ErrorAnswer(*id, kInvalidParams, "invalid params"));
    } catch (const std::exception& e) {
        if (id) State_->Send(ErrorAnswer(*id, kInternalError, e.what()));
    }
    return State_->Take();
}

namespace {

enum class TRead { Message, Bad, End };

// One header line without its line end; a line longer than the limit is cut.
bool ReadHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        if (line.size() < kMaxHeaderLine) line += static_cast<char>(c);
    }
    return false;
}

std::optional<std::size_t> ContentLength(std::string_view line) {
    constexpr std::string_view kName = "content-length:";
    if (line.size() < kName.size()) return std::nullopt;
    for (std::size_t i = 0; i < kName.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != kName[i]) return std::nullopt;
    std::string_view value = line.substr(kName.size());
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    if (value.empty() || value.size() > 12) return std::nullopt;
    std::size_t length = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    return length;
}

TRead ReadMessage(std::istream& in, std::string& body) {
    std::optional<std::size_t> length;
    bool headers = false;
    std::string line;
    for (;;) {
        if (!ReadHeaderLine(in, line)) return TRead::End;
        if (line.empty()) {
            if (headers) break;
            continue; // blank lines between messages
        }
        headers = true;
        if (const auto value = ContentLength(line)) length = value;
    }
    if (!length) return TRead::Bad;
    if (*length > kMaxMessage) {
        in.ignore(static_cast<std::streamsize>(*length));
        return in ? TRead::Bad : TRead::End;
    }
    body.resize(*length);
    in.read(body.data(), static_cast<std::streamsize>(*length));
    return in.gcount() == static_cast<std::streamsize>(*length) ? TRead::Message : TRead::End;
}

void WriteMessage(std::ostream& out, const std::string& body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body << std::flush;
}

} // namespace

int ServeLsp(std::istream& in, std::ostream& out, TLspSettings settings) {
    TLspServer server(std::move(settings));
    std::string body;
    while (!server.Exited()) {
        const TRead read = ReadMessage(in, body);
        if (read == TRead::End) return 1;
        const std::vector<std::string> answers =
            read == TRead::Message
                ? server.Handle(body)
                : std::vector<std::string>{
                      Dump(ErrorAnswer(nullptr, kParseError, "no Content-Length header"))};
        for (const std::string& answer : answers)
            WriteMessage(out, answer);
    }
    return server.ExitCode();
}

int RunLspCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err) {
    // Clients such as vscode-languageclient name their transport.
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--stdio") continue;
        err << "zk: lsp takes no argument but --stdio: " << args[i] << "\nTry 'zk --help'.\n";
        return kExitUsage;
    }
    TCommandLine line;
    line.Command = "lsp";
    ApplySettingsFile(line, kSettingsFile);
    return ServeLsp(in, out, {line.IncludeDirs, line.Classic.value_or(false)});
}

} // namespace zk::cli
