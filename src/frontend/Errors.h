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

// The numbers a run ends with.
constexpr int32_t kErrorNotList = 38; // CONT
constexpr int32_t kErrorNoMemory = 39;
constexpr int32_t kErrorBFEmpty = 40;
constexpr int32_t kErrorBLEmpty = 41;
constexpr int32_t kErrorSymbolEmpty = 42;   // SYMBOL, NUMBER
constexpr int32_t kErrorSymbolNotTerm = 43; // SYMBOL, NUMBER
constexpr int32_t kErrorAborted = 44;       // ABORT
constexpr int32_t kErrorIfNotBoolean = 45;
constexpr int32_t kErrorGreaterNotNumber = 46;
constexpr int32_t kErrorAddNotNumber = 47;
constexpr int32_t kErrorMulNotNumber = 48;
constexpr int32_t kErrorSubtrNotNumber = 49;
constexpr int32_t kErrorDivNotNumber = 50;
constexpr int32_t kErrorModNotNumber = 51;
constexpr int32_t kErrorDivisionByZero = 52;
constexpr int32_t kErrorOverflow = 53;
constexpr int32_t kErrorStopped = 54;
constexpr int32_t kErrorRandomRange = 55; // has no text of its own
constexpr int32_t kErrorRunComplete = 70;
constexpr int32_t kErrorFirstEmpty = 104;
constexpr int32_t kErrorLastEmpty = 105;
constexpr int32_t kErrorBadParam = 200;
constexpr int32_t kErrorTooFewParams = 201;
constexpr int32_t kErrorParamsCancelled = 202;
// The numbers of a picture that cannot be drawn.
constexpr int32_t kErrorNumberExpected = 72;  // argument missing, not a number, negative
constexpr int32_t kErrorCommandExpected = 73; // no command name where one must stand
constexpr int32_t kErrorBadPictureSize = 74;  // width and height missing or out of range
constexpr int32_t kErrorTextExpected = 75;    // TEXTOUT without a renderable list node
// An instruction that cannot be carried out: an unknown operation, a stack
// with fewer values than the operation takes, an argument beyond the argument
// stack, a jump out of the code. Only a damaged image gets there; the number
// lies outside the table, so it reads "Неизвестная ошибка".
constexpr int32_t kErrorBadInstruction = 300;

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
