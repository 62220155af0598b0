// The compile log.
#include "compiler/CompileLog.h"

#include "frontend/Cp1251.h"

namespace zk {

std::vector<std::string> CompileLog;

void AddLogLine(std::string_view utf8Prefix, std::string_view tail) {
    std::string line = Utf8ToCp1251(utf8Prefix);
    line += tail;
    CompileLog.push_back(std::move(line));
}

} // namespace zk
