#include "interp/RunResult.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

namespace zk {

std::string InputErrorMessage(int32_t code) {
    return Utf8ToCp1251("Ошибка во входных данных: ") + ErrorText(code);
}

std::string RunErrorMessage(int32_t code) {
    return Utf8ToCp1251("Ошибка: ") + ErrorText(code);
}

std::string PictureErrorMessage(int32_t code) {
    return Utf8ToCp1251("Ошибка графики: ") + ErrorText(code);
}

void WriteResultFile(TInterpreter& run, std::string_view path, TWriteRule rule) {
    WriteWholeFile(path, run.ResultText() + "\r\n", rule);
}

} // namespace zk
