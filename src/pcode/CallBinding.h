// Binding of calls between modules: an unresolved Goto names its callee (by
// function name or by DEFOP operator) and its argument count until LinkCalls
// finds the function in a provider image and puts its entry in place.
#pragma once

#include "frontend/Errors.h"
#include "pcode/PCode.h"

namespace zk {

// Binds every unresolved call of `image` that `provider` can serve: the first
// function in table order whose Name (by name) or DefOp (by operator) equals
// the callee exactly, whose arity equals the argument count and, with
// `exportedOnly`, that is exported. Calls that find nothing stay unresolved.
// `provider` may be `image` itself.
void LinkCalls(TPCode& image, const TPCode& provider, bool exportedOnly);

// Sets error 5 (an operator no DEFOP binds) or 25 (an unknown function) with
// Offset = Position for the first unresolved call; leaves `error` alone when
// there is none.
void CheckUnresolved(const TPCode& image, TError& error);

// Makes function 0 the only exported function, the optimizer's only root.
void MarkMainRoot(TPCode& image);

} // namespace zk
