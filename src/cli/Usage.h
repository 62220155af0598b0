// The texts of `zk --help` and `zk --version`.
#pragma once

#include <string>

namespace zk::cli {

std::string UsageText();
std::string VersionText();

} // namespace zk::cli
