// The message table, written here in UTF-8 for reading and converted once to
// Windows-1251, the system's own encoding.
#include "frontend/Errors.h"

#include "frontend/Cp1251.h"

#include <cstdio>
#include <unordered_map>

namespace zk {

namespace {

struct TMessage {
    int32_t Number;
    const char* Text;
};

constexpr TMessage kMessages[] = {
    {0, "Нет ошибок"},
    {1, "Непредвиденный конец файла"},
    {2, "Ошибка в описании функции"},
    {3, "Ошибка в списке аргументов"},
    {4, "Дублирование описания функции"},
    {5, "Неизвестный атом"},
    {6, "Ожидается значимый терм"},
    {7, "Ожидается открывающая скобка"},
    {8, "Ожидается закрывающая скобка"},
    {9, "Ошибка в терме FIRST"},
    {10, "Ошибка в терме BF"},
    {11, "Ошибка в терме Last"},
    {12, "Ошибка в терме BL"},
    {13, "Ошибка в терме BR"},
    {14, "Ошибка в терме CONT"},
    {15, "Ошибка в терме SYMBOL"},
    {16, "Ошибка в терме NUMBER"},
    {17, "Ошибка в терме EQUAL"},
    {18, "Ошибка в терме \"-\""},
    {19, "Ошибка в терме \"/\""},
    {20, "Ошибка в терме \"%\""},
    {21, "Ошибка в терме \">\""},
    {22, "Ошибка в терме IF"},
    {23, "Кол-во параметров EXPR должно быть не меньше 1"},
    {24, "Имя вызываемой функции - не атом"},
    {25, "Вызов неизвестной функции"},
    {26, "Ошибка в вызове функции"},
    {27, "Неверное описание экспорта"},
    {28, "Экспортируемая функция не найдена"},
    {29, "Неверное описание DefOp"},
    {30, "DefOp-функция не найдена"},
    {31, "Дублирования описания DefOp"},
    {32, "Неверное описание Uses"},
    {33, "Модуль не найден"},
    {34, "Неверное описание Include"},
    {35, "Включаемый файл не найден"},
    {36, "Ошибка в терме \"*\""},
    {37, "Ошибка в терме \"+\""},
    {38, "CONT применён не к выражению в скобках"},
    {39, "Нехватка памяти"},
    {40, "BF применён к пустому выражению"},
    {41, "BL применён к пустому выражению"},
    {42, "SYMBOL или NUMBER применён к пустому выражению"},
    {43, "SYMBOL или NUMBER применён не к терму"},
    {44, "НЕОПРЕДЕЛЕНО (прервано по команде ABORT)"},
    {45, "IF применён не к TRUE или FALSE"},
    {46, "\">\" применён не к числу"},
    {47, "\"+\" применён не к числу"},
    {48, "\"*\" применён не к числу"},
    {49, "\"-\" применён не к числу"},
    {50, "\"/\" применён не к числу"},
    {51, "\"%\" применён не к числу"},
    {52, "Деление на ноль"},
    {53, "Переполнение"},
    {54, "Выполнение прервано"},
    {70, "Выполнение завершено"},
    {71, "В выражении встречена скобка"},
    {72, "Ожидается неотрицательное число"},
    {73, "Ожидается графическая команда"},
    {74, "Неверное описание параметров изображения"},
    {75, "Ожидается выражение для текстового интерпретатора"},
    {76, "Ожидается идентификатор объекта"},
    {77, "Неожиданный конец выражения"},
    {78, "Ожидается название сообщения"},
    {100, "Ошибка в терме RANDOM"},
    {101, "Раздел описаний не в начале"},
    {102, "В файле не описано ни одной функции"},
    {103, "Недопустимый символ в исходном коде"},
    {104, "First применён к пустому выражению"},
    {105, "Last применён к пустому выражению"},
    {200, "Ошибка во входном параметре"},
    {201, "Количество входных парметров меньше ожидаемого"},
    {202, "Отменён ввод параметров"},
};

constexpr const char* kUnknownText = "Неизвестная ошибка";

struct TMessageTable {
    std::unordered_map<int32_t, std::string> Texts;
    std::string Unknown = Utf8ToCp1251(kUnknownText);

    TMessageTable() {
        for (const TMessage& m : kMessages)
            Texts.emplace(m.Number, Utf8ToCp1251(m.Text));
    }
};

const TMessageTable& Table() {
    static const TMessageTable table;
    return table;
}

} // namespace

const std::string& MessageText(int32_t number) {
    const TMessageTable& table = Table();
    const auto it = table.Texts.find(number);
    return it == table.Texts.end() ? table.Unknown : it->second;
}

std::string ErrorText(int32_t number) {
    return MessageText(number) + " - #" + std::to_string(number);
}

std::string ErrorText(const TError& error) {
    return ErrorText(error.Number);
}

std::string FormatError(const TError& error) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<uint32_t>(error.Offset));
    return Utf8ToCp1251("Ошибка! Тип ошибки: ") + ErrorText(error) + Utf8ToCp1251(", файл ") +
           error.FileName + Utf8ToCp1251(" смещение: ") + std::to_string(error.Offset) + "(" + hex +
           "h)";
}

} // namespace zk
