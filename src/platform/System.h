// What the system tells about the machine, the user and this program, and
// the loading of a module, the same on every platform. Paths are UTF-8 with
// '/' between directories on every platform.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace zk {

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
// The processors online, at least 1.
std::size_t ProcessorCount();
// The directory of the running executable, "." when it cannot be known.
std::string ExecutableDirectory();
// The user's login name, made fit for a file name; "user" when unknown.
std::string UserName();
// The local time of `time`, safely from any thread.
std::tm LocalTime(std::time_t time);
// This process's number.
int64_t ProcessId();

// A path as a user typed it, with '/' between its directories: on Windows a
// backslash becomes '/', elsewhere the path stays as it is.
std::string PathFromCommandLine(std::string_view typed);

// Whether the file system finds a name in any of its letter cases.
bool FileNamesIgnoreCase();

// Makes `dir` as a directory that only this user may enter; true when it was
// made so, or already is the user's own and closed to others.
bool MakePrivateDirectory(const std::string& dir);

// How a loadable module's file name ends: ".so", ".dll".
std::string_view ModuleSuffix();
// The address of `symbol` in the module at `path`, which stays loaded to the
// end of the process. A TFileError naming `path` when either cannot be had.
void* LoadModuleSymbol(const std::string& path, const char* symbol);

} // namespace zk
