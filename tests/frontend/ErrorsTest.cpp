// The message table and both formats of an error.
#include "frontend/Errors.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using test::W;

TEST(ErrorText, ShowsTableTextDashAndNumber) {
    EXPECT_EQ(ErrorText(TError{}), W("Нет ошибок - #0"));
    EXPECT_EQ(ErrorText(35), W("Включаемый файл не найден - #35"));
    EXPECT_EQ(ErrorText(18), W("Ошибка в терме \"-\" - #18"));
    EXPECT_EQ(ErrorText(201), W("Количество входных парметров меньше ожидаемого - #201"));
}

TEST(ErrorText, NumbersBetweenTheBlocksAreUnknown) {
    for (int32_t n : {-1, 55, 60, 69, 79, 99, 106, 199, 203, 100000})
        EXPECT_EQ(ErrorText(n), W("Неизвестная ошибка - #") + std::to_string(n)) << n;
}

TEST(ErrorText, EveryDefinedNumberHasItsOwnText) {
    int defined = 0;
    const std::string unknown = W("Неизвестная ошибка");
    for (int32_t n = 0; n <= 300; ++n)
        if (MessageText(n) != unknown) ++defined;
    EXPECT_EQ(defined, 73);
    for (int32_t n : {0, 54, 70, 78, 100, 105, 200, 202})
        EXPECT_NE(MessageText(n), unknown) << n;
}

TEST(ErrorText, TextsAreWindows1251) {
    // "Нехватка памяти" starts with the byte of Н (0xCD).
    EXPECT_EQ(static_cast<unsigned char>(MessageText(39)[0]), 0xCD);
    EXPECT_EQ(MessageText(39).size(), 15u);
}

TEST(FormatError, HoldsTextFileAndOffsetInDecimalAndHex) {
    const TError error{35, 255, "A.ZK"};
    EXPECT_EQ(FormatError(error),
              W("Ошибка! Тип ошибки: Включаемый файл не найден - #35, файл A.ZK смещение: "
                "255(000000FFh)"));
}

TEST(FormatError, NegativeOffsetShowsTwosComplement) {
    const std::string line = FormatError(TError{5, -1, "X"});
    EXPECT_NE(line.find(W("смещение: -1(FFFFFFFFh)")), std::string::npos) << line;
}

TEST(FormatError, EmptyFileNameStillGivesTheWholeLine) {
    EXPECT_EQ(FormatError(TError{102, 0, ""}),
              W("Ошибка! Тип ошибки: В файле не описано ни одной функции - #102, файл  "
                "смещение: 0(00000000h)"));
}

} // namespace
} // namespace zk
