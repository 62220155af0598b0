// The result of a run drawn as a picture on the Qt canvas, as zk saves it and
// the environment shows it.
#pragma once

#include "gfx/QtCanvas.h"
#include "interp/Interpreter.h"

#include <memory>

namespace zk {

// After a run that ended with 70: the picture that the top value describes, in
// the given graphics mode. Nothing when the value is no picture; the run's
// error number then holds the reason (72-75). Text needs a QGuiApplication.
std::unique_ptr<TQtCanvas> DrawResultPicture(TInterpreter& run, int32_t graphicsMode);

} // namespace zk
