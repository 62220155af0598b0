// The p-code optimizer: removes the functions that no root reaches, turns
// tail self calls into jumps and fuses a constant push with the equality test
// after it. The compile driver runs it on every unit and every linked program.
#pragma once

#include "pcode/PCode.h"

#include <cstdint>
#include <vector>

namespace zk {

// Rewrites `code` in place in three passes, in this order: unreachable
// functions (the roots are the exported ones), tail self calls, comparisons
// with a constant. Optimizing an image a second time changes nothing.
// `instrTags`, when given, holds one entry per instruction and loses the
// entries of the instructions removed; a rewritten instruction keeps its own.
void Optimize(TPCode& code, std::vector<int32_t>* instrTags = nullptr);

} // namespace zk
