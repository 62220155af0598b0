// `zk lsp`: a language server over standard input and output (JSON-RPC with
// Content-Length framing, Language Server Protocol 3.17). A thin shell over
// the analysis: it keeps the open documents, turns the protocol's positions
// into offsets and back, and renders what the analysis answers. Bad input
// gets the protocol's error answer; only `exit` (or the end of the input)
// ends it.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zk::cli {

struct TLspSettings {
    std::vector<std::string> IncludeDirs; // searched after the document's own directory
    bool Classic = false;
};

class TLspServer {
public:
    explicit TLspServer(TLspSettings settings);
    ~TLspServer();

    // The messages to send for one message received (its body).
    std::vector<std::string> Handle(const std::string& body);
    bool Exited() const;
    // 0 when `exit` came after `shutdown`, 1 otherwise.
    int ExitCode() const;

private:
    struct TState;
    std::unique_ptr<TState> State_;
};

// Reads framed messages from `in` and writes the answers to `out` until
// `exit` or the end of `in`; the exit status.
int ServeLsp(std::istream& in, std::ostream& out, TLspSettings settings);

// zk lsp: the settings from Zk.ini of the current directory, then the server.
int RunLspCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err);

} // namespace zk::cli
