// What a run command tells about a run: the messages of refused parameters,
// of a run that failed and of a picture that could not be drawn, and the
// result written to an output file. zk prints these texts and the environment
// shows them, so they are made in one place.
#pragma once

#include "interp/Interpreter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

// Windows-1251 texts: a prefix followed by ErrorText of `code`.
std::string InputErrorMessage(int32_t code);   // "Ошибка во входных данных: "
std::string RunErrorMessage(int32_t code);     // "Ошибка: "
std::string PictureErrorMessage(int32_t code); // "Ошибка графики: "

// After a run that ended with 70: creates or replaces the file with the result
// text as one line ended by CR LF. Throws TFileError.
void WriteResultFile(TInterpreter& run, std::string_view path,
                     TWriteRule rule = TWriteRule::AnyFile);

} // namespace zk
