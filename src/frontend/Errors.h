// The one error record of the language system and its message table. Every
// failure of reading, compiling, linking, reading input or running travels as
// a TError; the texts are Windows-1251.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

// The numbers the compiler and the front end set.
constexpr int32_t kErrorUnexpectedEnd = 1;
constexpr int32_t kErrorBadDefinition = 2;
constexpr int32_t kErrorBadArgs = 3;
constexpr int32_t kErrorDuplicateFunction = 4;
constexpr int32_t kErrorUnknownAtom = 5;
constexpr int32_t kErrorTermExpected = 6;
constexpr int32_t kErrorCloseExpected = 8;
constexpr int32_t kErrorIf = 22;
constexpr int32_t kErrorExprArgs = 23;
constexpr int32_t kErrorCalleeNotAtom = 24;
constexpr int32_t kErrorUnknownCall = 25;
constexpr int32_t kErrorBadExport = 27;
constexpr int32_t kErrorExportNotFound = 28;
constexpr int32_t kErrorBadDefOp = 29;
constexpr int32_t kErrorDefOpNotFound = 30;
constexpr int32_t kErrorDuplicateDefOp = 31;
constexpr int32_t kErrorBadUses = 32;
constexpr int32_t kErrorModuleNotFound = 33;
constexpr int32_t kErrorIncludeNotFound = 35;
constexpr int32_t kErrorMul = 36;
constexpr int32_t kErrorAdd = 37;
constexpr int32_t kErrorRandom = 100;
constexpr int32_t kErrorLateDeclaration = 101;
constexpr int32_t kErrorNoFunction = 102;
constexpr int32_t kErrorBadByte = 103;

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
