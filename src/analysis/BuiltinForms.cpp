// The table of the built-in forms and the guide's page made from it. The
// order of the forms is the compiler's registry order; the texts follow the
// guide's language page.
#include "analysis/BuiltinForms.h"

#include "frontend/Cp1251.h"
#include "frontend/Errors.h"

namespace zk::analysis {

namespace {

using S = TFormShape;

std::vector<TBuiltinForm> MakeForms() {
    return {
        {"FIRST",
         S::Unary,
         false,
         9,
         "first",
         "(FIRST a)",
         "первый элемент",
         "Первый элемент значения a. Если первый элемент — список, результат — этот список "
         "целиком.",
         "(MAIN (L) (FIRST L))",
         "Параметр: (a b) c → результат: (A B)",
         {9, 8},
         {104}},
        {"BF",
         S::Unary,
         false,
         10,
         "bf",
         "(BF a)",
         "всё, кроме первого",
         "Значение a без первого элемента («but first»). От значения из одного элемента "
         "остаётся пустое значение.",
         "(MAIN (L) (BF L))",
         "Параметр: a b c → результат: B C",
         {10, 8},
         {40}},
        {"LAST",
         S::Unary,
         false,
         11,
         "last",
         "(LAST a)",
         "последний элемент",
         "Последний элемент значения a.",
         "(MAIN (L) (LAST L))",
         "Параметр: a b (c) → результат: (C)",
         {11, 8},
         {105}},
        {"BL",
         S::Unary,
         false,
         12,
         "bl",
         "(BL a)",
         "всё, кроме последнего",
         "Значение a без последнего элемента («but last»). От значения из одного элемента "
         "остаётся пустое значение.",
         "(MAIN (L) (BL L))",
         "Параметр: a b c → результат: A B",
         {12, 8},
         {41}},
        {"BR",
         S::Unary,
         false,
         13,
         "br",
         "(BR a)",
         "взять в скобки",
         "Заключает всю последовательность a в скобки: получается один элемент — список. "
         "(BR (QUOTE)) — пустой список ().",
         "(MAIN (L) (BR L))",
         "Параметр: a b → результат: (A B)",
         {13, 8},
         {39}},
        {"CONT",
         S::Unary,
         false,
         14,
         "cont",
         "(CONT a)",
         "вынуть из скобок",
         "Содержимое списка: a должно быть ровно одним элементом-списком. Для атома, числа, "
         "пустого значения или нескольких элементов — ошибка 38.",
         "(MAIN (L) (CONT (FIRST L)))",
         "Параметр: (a b) c → результат: A B",
         {14, 8},
         {38}},
        {"SYMBOL",
         S::Unary,
         false,
         15,
         "symbol",
         "(SYMBOL a)",
         "TRUE, если a — атом",
         "TRUE, если a — один элемент-атом; для числа и списка — FALSE. Пустое значение — "
         "ошибка 42; значение из нескольких элементов — ошибка 43 или FALSE, как велит "
         "настройка «Symbol от выражения вызывает ошибку».",
         "(MAIN (L) (SYMBOL (FIRST L)))",
         "Параметр: a b → результат: TRUE",
         {15, 8},
         {42, 43}},
        {"NUMBER",
         S::Unary,
         true,
         16,
         "number",
         "(NUMBER a)",
         "TRUE, если a — число",
         "TRUE, если a — одно число. Пустое значение и значение из нескольких элементов — как "
         "у SYMBOL.",
         "(MAIN (L) (NUMBER (FIRST L)))",
         "Параметр: 12 x → результат: TRUE",
         {16, 8},
         {42, 43}},
        {"QUOTE",
         S::Quote,
         false,
         0,
         "quote",
         "(QUOTE x ...)",
         "сами элементы как данные",
         "Последовательность из элементов x ..., записанных как данные: атомов, чисел и "
         "списков любой вложенности. Внутри QUOTE ничего не вычисляется. (QUOTE) — пустое "
         "значение, (QUOTE ()) — пустой список.",
         "(MAIN () (QUOTE IF (CALL X) 7 ()))",
         "Без параметров → результат: IF (CALL X) 7 ()",
         {1},
         {}},
        {"EQUAL",
         S::Binary,
         false,
         17,
         "equal",
         "(EQUAL a b)",
         "равенство: TRUE или FALSE",
         "TRUE, если значения a и b совпадают целиком, иначе FALSE. Пустое значение равно "
         "только пустому значению; пустой список () ему не равен.",
         "(MAIN (X Y) (EQUAL X Y))",
         "Параметры: a (b c), a (b c) → результат: TRUE",
         {17, 8},
         {}},
        {"-",
         S::Binary,
         true,
         18,
         "minus",
         "(- a b)",
         "разность",
         "Разность чисел a и b, 64-битными целыми.",
         "(MAIN () (- 2 5))",
         "Без параметров → результат: -3",
         {18, 8},
         {49, 53}},
        {"/",
         S::Binary,
         true,
         19,
         "div",
         "(/ a b)",
         "частное",
         "Частное чисел a и b с отбрасыванием дробной части (к нулю). Деление на ноль — "
         "ошибка 52.",
         "(MAIN () (/ -7 2))",
         "Без параметров → результат: -3",
         {19, 8},
         {50, 52, 53}},
        {"%",
         S::Binary,
         true,
         20,
         "mod",
         "(% a b)",
         "остаток",
         "Остаток от деления a на b со знаком делимого: a = (a / b) × b + (a % b).",
         "(MAIN () (% -7 2))",
         "Без параметров → результат: -1",
         {20, 8},
         {51, 52}},
        {">",
         S::Binary,
         true,
         21,
         "greater",
         "(> a b)",
         "TRUE, если a больше b",
         "TRUE, если число a больше числа b, иначе FALSE. «a < b» записывается как (> b a).",
         "(BIGGER (A B) (IF (> A B) A B))",
         "Параметры: 3, 17 → результат: 17",
         {21, 8},
         {46}},
        {"IF",
         S::If,
         false,
         22,
         "if",
         "(IF c t e)",
         "выбор: t при TRUE, e при FALSE",
         "Вычисляет условие c: при атоме TRUE значение формы — t, при FALSE — e; вычисляется "
         "только выбранная ветвь. Аргументов ровно три.",
         "(MAIN (X) (IF (EQUAL X (QUOTE)) (QUOTE EMPTY) X))",
         "Параметр: пустой → результат: EMPTY",
         {22, 8},
         {45}},
        {"EXPR",
         S::Fold,
         false,
         23,
         "expr",
         "(EXPR a ...)",
         "соединение последовательностей",
         "Соединяет последовательности a ... в одну (хотя бы одна). Пустые значения при этом "
         "пропадают; список добавляется одним элементом через BR.",
         "(MAIN (X Y) (EXPR X (BR Y)))",
         "Параметры: a b, c d → результат: A B (C D)",
         {23},
         {}},
        {"CALL",
         S::Call,
         false,
         24,
         "call",
         "(CALL F a ...)",
         "вызов функции F",
         "Вычисляет аргументы и вызывает функцию F с таким же числом аргументов: функцию этого "
         "модуля или функцию, экспортированную модулем из USES. Функция может быть определена "
         "и после вызова.",
         "(MAIN (L) (CALL PAIR (FIRST L) (LAST L)))\n(PAIR (A B) (BR (EXPR A B)))",
         "Параметр: x y z → результат: (X Z)",
         {24, 25},
         {}},
        {"ABORT",
         S::Abort,
         false,
         0,
         "abort",
         "(ABORT)",
         "аварийная остановка",
         "Немедленно останавливает программу с сообщением 44.",
         "(SAFEFIRST (L) (IF (EQUAL L (QUOTE)) (ABORT) (FIRST L)))",
         "Параметр: пустой → ошибка 44",
         {8},
         {44}},
        {"+",
         S::Fold,
         true,
         37,
         "plus",
         "(+ a ...)",
         "сумма",
         "Сумма одного или более чисел; с одним аргументом — сам аргумент.",
         "(MAIN () (+ 1 2 3))",
         "Без параметров → результат: 6",
         {37},
         {47, 53}},
        {"*",
         S::Fold,
         true,
         36,
         "times",
         "(* a ...)",
         "произведение",
         "Произведение одного или более чисел; с одним аргументом — сам аргумент.",
         "(MAIN () (* 2 3 4))",
         "Без параметров → результат: 24",
         {36},
         {48, 53}},
        {"RANDOM",
         S::Unary,
         true,
         100,
         "random",
         "(RANDOM n)",
         "случайное число от 0 до n-1",
         "Случайное целое число от 0 до n-1 (для n = 0 — число 0). n должно быть "
         "неотрицательным числом, иначе программа остановится с кодом 55.",
         "(DICE () (+ 1 (RANDOM 6)))",
         "Без параметров → результат: число от 1 до 6",
         {100, 8},
         {55}},
        {"EXPORT",
         S::Declaration,
         true,
         0,
         "export",
         "(EXPORT ИМЯ)",
         "функции ИМЯ видны другим модулям",
         "Функции с этим именем (с любым числом аргументов) видны модулям, которые используют "
         "этот. Объявления стоят в начале модуля, до первой функции.",
         "(EXPORT LENGTH)\n(EXPORT APPEND)\n"
         "(LENGTH (L) (IF (EQUAL L (QUOTE)) 0 (+ 1 (CALL LENGTH (BF L)))))\n"
         "(APPEND (A B) (EXPR A B))",
         "Компилируется как модуль без ошибок.",
         {27, 28, 101},
         {}},
        {"USES",
         S::Declaration,
         true,
         0,
         "uses",
         "(USES ИМЯ)",
         "использование модуля",
         "Модуль использует модуль ИМЯ: его исходный текст ИМЯ.ZK или файл модуля ИМЯ.ZKU "
         "ищется в каталогах включаемых файлов; доступны его экспортированные функции.",
         "(USES LISTS)\n(TWICE (L) (CALL LENGTH (CALL APPEND L L)))",
         "Параметр: a b c → результат: 6",
         {32, 33, 101},
         {}},
        {"DEFOP",
         S::Declaration,
         true,
         0,
         "defop",
         "(DEFOP ОП ФУНКЦИЯ)",
         "свой оператор",
         "Атом ОП становится оператором: форма (ОП a1 ... an) вызывает функцию ФУНКЦИЯ с n "
         "аргументами. Оператор получают все функции с этим именем.",
         "(DEFOP ++ JOIN)\n(MAIN (X Y) (++ X Y))\n(JOIN (A B) (EXPR A B))",
         "Параметры: a, b → результат: A B",
         {29, 30, 31, 101},
         {}},
    };
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string ErrorList(const std::vector<int32_t>& numbers) {
    std::string out;
    for (const int32_t number : numbers) {
        out += out.empty() ? "" : ", ";
        out += std::to_string(number) + " «" + Escaped(Cp1251ToUtf8(MessageText(number))) + "»";
    }
    return out;
}

void AppendTable(std::string& html, const std::vector<TBuiltinForm>& forms) {
    html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"
            "<tr><th>Форма</th><th>Значение</th><th>Язык</th></tr>\n";
    for (const TBuiltinForm& form : forms)
        html += "<tr><td><a href=\"#" + std::string(form.Anchor) + "\">" + Escaped(form.Syntax) +
                "</a></td><td>" + Escaped(form.Summary) + "</td><td>" +
                (form.ModifiedOnly ? "ZKM" : "оба") + "</td></tr>\n";
    html += "</table>\n";
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

std::string Kbd(std::string_view param) { return "<kbd>" + Escaped(param) + "</kbd>"; }

// "Параметр: a b", "Параметры: a, b c", "Параметр: пустой", "Без параметров".
std::string GivenMarkup(std::string_view given) {
    constexpr std::string_view kOne = "Параметр: ";
    constexpr std::string_view kSeveral = "Параметры: ";
    if (StartsWith(given, kSeveral)) {
        std::string out(kSeveral);
        std::string_view rest = given.substr(kSeveral.size());
        for (std::size_t comma; (comma = rest.find(", ")) != std::string_view::npos;) {
            out += Kbd(rest.substr(0, comma)) + ", ";
            rest.remove_prefix(comma + 2);
        }
        return out + Kbd(rest);
    }
    if (!StartsWith(given, kOne)) return Escaped(given);
    const std::string_view param = given.substr(kOne.size());
    return std::string(kOne) + (param == "пустой" ? "пустой " + Kbd("") : Kbd(param));
}

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The outcome under an example, marked up as the guide's pages mark theirs,
// so that the guide's test runs it: the parameters in <kbd>, the result as
// zk prints it (every element followed by a blank) or the error's message in
// <samp>. A result told in words (a random number) is only checked to compile.
std::string RunParagraph(std::string_view run) {
    constexpr std::string_view kArrow = " → ";
    constexpr std::string_view kResult = "результат: ";
    constexpr std::string_view kError = "ошибка ";
    const std::size_t arrow = run.find(kArrow);
    if (arrow == std::string_view::npos) return "<p class=\"unit\">" + Escaped(run) + "</p>\n";
    const std::string given = GivenMarkup(run.substr(0, arrow));
    const std::string_view outcome = run.substr(arrow + kArrow.size());
    if (StartsWith(outcome, kError)) {
        const int32_t number = std::stoi(std::string(outcome.substr(kError.size())));
        return "<p class=\"fail\">" + given + " → ошибка: <samp>" +
               Escaped(Cp1251ToUtf8(ErrorText(number))) + "</samp></p>\n";
    }
    const std::string_view result =
        StartsWith(outcome, kResult) ? outcome.substr(kResult.size()) : outcome;
    if (!IsAscii(result)) return "<p class=\"check\">" + given + " → " + Escaped(outcome) + "</p>\n";
    return "<p class=\"run\">" + given + " → результат: <samp>" + Escaped(result) +
           (result.empty() ? "" : " ") + "</samp></p>\n";
}

void AppendSection(std::string& html, const TBuiltinForm& form) {
    html += "\n<h3><a name=\"" + std::string(form.Anchor) + "\"></a>" + Escaped(form.Syntax) +
            " — " + Escaped(form.Summary) + "</h3>\n\n<p>" + Escaped(form.Text);
    if (form.ModifiedOnly) html += " Только в ZKM.";
    // The unit of EXPORT's example is the module LISTS that USES's example uses.
    const char* file = form.Keyword == "EXPORT" ? " title=\"lists.zk\"" : "";
    html += "</p>\n\n<pre class=\"zk\"" + std::string(file) + ">" + Escaped(form.Example) +
            "</pre>\n" + RunParagraph(form.Run);
    if (!form.CompileErrors.empty())
        html += "<p>Ошибки компиляции: " + ErrorList(form.CompileErrors) + ".</p>\n";
    if (!form.RunErrors.empty())
        html += "<p>Ошибки выполнения: " + ErrorList(form.RunErrors) + ".</p>\n";
}

} // namespace

const std::vector<TBuiltinForm>& BuiltinForms() {
    static const std::vector<TBuiltinForm> forms = MakeForms();
    return forms;
}

int32_t FindBuiltinForm(std::string_view keyword, bool classic) {
    const std::vector<TBuiltinForm>& forms = BuiltinForms();
    for (std::size_t i = 0; i < forms.size(); ++i) {
        if (forms[i].Keyword != keyword) continue;
        if (classic && forms[i].ModifiedOnly) return -1;
        return static_cast<int32_t>(i);
    }
    return -1;
}

std::string FormsGuideHtml() {
    const std::vector<TBuiltinForm>& forms = BuiltinForms();
    std::string html = "<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Встроенные формы</title>\n"
                       "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\">\n"
                       "</head>\n<body>\n"
                       "<p class=\"nav\"><a href=\"index.html\">Содержание</a> · "
                       "<a href=\"language.html\">Язык ZK</a></p>\n\n"
                       "<h1>Встроенные формы</h1>\n\n"
                       "<p>Ключевые слова форм пишутся в любом регистре. «ZKM» отмечает формы, "
                       "которых нет в классическом языке.</p>\n\n";
    AppendTable(html, forms);
    for (const TBuiltinForm& form : forms)
        AppendSection(html, form);
    html += "\n</body>\n</html>\n";
    return html;
}

} // namespace zk::analysis
