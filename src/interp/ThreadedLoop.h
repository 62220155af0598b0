// The interpreter's fast loop: the groups of instructions it executes with
// one dispatch, and the handlers that jump from one instruction to the next.
#pragma once

#include "interp/Executors.h"

#include <cstdint>
#include <vector>

namespace zk {

// Gives the first instruction of each common group the code of the group.
// `program` ends with two instructions that join nothing. The instructions
// `trapped` get the trap's code first and join nothing.
void JoinInstructions(std::vector<TOperands>& program, const std::vector<int32_t>& trapped = {});

// The code of a trapped instruction, whose handler parks the loop before it
// when the trap holds and executes it alone otherwise.
int32_t TrapCode();

} // namespace zk
