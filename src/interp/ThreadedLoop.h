// The interpreter's fast loop: the groups of instructions it executes with
// one dispatch, and the handlers that jump from one instruction to the next.
#pragma once

#include "interp/Executors.h"

#include <vector>

namespace zk {

// Gives the first instruction of each common group the code of the group.
// `program` ends with two instructions that join nothing.
void JoinInstructions(std::vector<TOperands>& program);

} // namespace zk
