// The p-code optimizer: removes the functions that no root reaches, turns
// tail self calls into jumps and fuses a constant push with the equality test
// after it. The compile driver runs it on every unit and every linked program.
#pragma once

#include "pcode/PCode.h"

namespace zk {

// Rewrites `code` in place in three passes, in this order: unreachable
// functions (the roots are the exported ones), tail self calls, comparisons
// with a constant. Optimizing an image a second time changes nothing.
void Optimize(TPCode& code);

} // namespace zk
