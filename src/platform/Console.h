// The program's console: its arguments, whether a standard stream is a
// terminal, and Control+C. zk prints UTF-8 bytes and reads its arguments as
// UTF-8 on every platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zk {

enum class TStandardStream { Input, Output, Error };

// The program's arguments after its name, as UTF-8, from main's.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Makes the standard streams carry UTF-8 bytes unchanged: no translation of
// line ends, and a terminal that shows UTF-8 and the erasing of a line.
void PrepareConsole();
bool IsTerminal(TStandardStream stream);

// Calls `handler` on each Control+C while the object lives, instead of the
// program ending; the handling before it comes back at its end. `handler`
// may run in a signal handler or on another thread: it may only make
// lock-free atomic stores.
class TInterruptHandler {
public:
    explicit TInterruptHandler(void (*handler)());
    ~TInterruptHandler();
    TInterruptHandler(const TInterruptHandler&) = delete;
    TInterruptHandler& operator=(const TInterruptHandler&) = delete;

private:
    struct TSaved;
    std::unique_ptr<TSaved> Saved_;
};

} // namespace zk
