// The one error record of the language system and its message table. Every
// failure of reading, compiling, linking, reading input or running travels as
// a TError; the texts are Windows-1251.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

struct TError {
    int32_t Number = 0; // 0: no error
    int32_t Offset = 0; // byte offset; in the compiler, in the preprocessed text
    std::string FileName;
};

// The table text of `number`, or "Неизвестная ошибка" outside the table.
const std::string& MessageText(int32_t number);
// Table text, " - #", number.
std::string ErrorText(const TError& error);
std::string ErrorText(int32_t number);
// The compile-log line of an error.
std::string FormatError(const TError& error);

} // namespace zk
