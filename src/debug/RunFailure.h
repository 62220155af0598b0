// Where a run failed, told after the run from the state it left: the failing
// form's place and the calls that led there, each with its arguments and the
// place of its call form. A plain run keeps no record for this; the return
// stack, the argument stack and the failing instruction say it all.
#pragma once

#include "debug/FormMap.h"
#include "debug/ValueText.h"
#include "interp/Interpreter.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk {

// A form and where it starts; Form -1 when the code has no form there (a unit
// loaded from its file, a function's entry or exit).
struct TFormPlace {
    int32_t Form = -1;
    int32_t File = -1;
    TTextPlace Place;
};

struct TCallPlace {
    int32_t Function = -1;
    std::string Name; // Windows-1251
    // Each argument as ShownArgument shows it; empty when they cannot be read.
    std::vector<std::string> Args;
    TFormPlace Call; // the form that made the call
};

struct TRunFailure {
    int32_t ErrorNumber = 0;
    TFormPlace Form;
    std::vector<TCallPlace> Calls; // innermost first; the main function makes none
};

// For a run that ended with a failure: any code but 70, and but 54, for a
// Stop fails no form. Nothing when the run goes on or `forms` is not the map
// of its image. At most `maxCalls` calls are told.
std::optional<TRunFailure> DescribeFailure(const TInterpreter& run, const TFormMap& forms,
                                           const TValueCut& cut = {},
                                           std::size_t maxCalls = SIZE_MAX);

} // namespace zk
