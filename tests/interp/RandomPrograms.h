// Random programs for the tests that compare runs: a few functions that call
// the functions after them and themselves, with operands of any kind, so that
// many runs fail, and every program ends.
#pragma once

#include "interp/Interpreter.h"

#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zk::test {

// "(A B C)" from the words A, B and C.
inline std::string Form(std::initializer_list<std::string_view> words) {
    std::string text = "(";
    for (const std::string_view word : words) {
        if (text.size() > 1) text += ' ';
        text += word;
    }
    return text += ')';
}

// Writes programs of a few functions. Function i calls only the functions
// after it and itself; a function that calls itself takes a count as its
// first argument, passes it on one smaller and stops at 0, so every program
// ends. The rest is random: operands of any kind, so that many runs fail.
// Numeric programs compute mostly with numbers, pass the results on as
// arguments and now and then keep one in a list, and run in memories so
// small that the memory collects and runs out in the middle of the
// arithmetic.
class TProgramWriter {
public:
    explicit TProgramWriter(uint32_t seed, bool numeric = false)
        : Random_(seed), Numeric_(numeric) {}

    std::string Program() {
        Functions_.clear();
        const int count = Between(2, 4);
        for (int i = 0; i < count; ++i) {
            TFunctionShape f;
            f.Name = "F";
            f.Name += std::to_string(i);
            f.Arity = i == 0 ? Between(0, 2) : Between(1, 3);
            f.Recursive = i == 1 || (i > 1 && Chance(60));
            Functions_.push_back(f);
        }
        std::string text;
        for (Current_ = count - 1; Current_ >= 0; --Current_)
            text = Function() + text;
        return text;
    }

    // One parameter for each argument of the main function.
    std::vector<std::string> Params() {
        static const char* const kTexts[] = {"3",   "0",       "7", "-2",   "A",
                                             "A B", "(A 1) B", "",  "TRUE", "(1 2 3)"};
        // Numbers at the edges of 32 bits and beyond, and one that is no number.
        static const char* const kNumbers[] = {"3",          "9",           "-7", "0",      "46341",
                                               "2147483647", "-2147483648", "-1", "100000", "A"};
        std::vector<std::string> params;
        for (int i = 0; i < Functions_[0].Arity; ++i)
            params.push_back(Numeric_ ? kNumbers[Between(0, std::size(kNumbers) - 1)]
                                      : kTexts[Between(0, std::size(kTexts) - 1)]);
        return params;
    }

    int32_t Cells() {
        static const int32_t kSizes[] = {20, 40, 100, 300, 4 * kCellsPerMegabyte};
        if (Numeric_) return Between(8, 64);
        return kSizes[Between(0, std::size(kSizes) - 1)];
    }

    TRunOptions Options() {
        return {.SymbolIsError = Chance(50),
                .RandomState = static_cast<uint32_t>(Random_()),
                .StackLimit = 0};
    }

private:
    struct TFunctionShape {
        std::string Name;
        int Arity = 0;
        bool Recursive = false;
    };

    int Between(std::size_t low, std::size_t high) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(low, high)(Random_));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

    const TFunctionShape& Self() const { return Functions_[static_cast<std::size_t>(Current_)]; }

    std::string Function() {
        const TFunctionShape& f = Self();
        std::string args;
        for (int a = 0; a < f.Arity; ++a) {
            if (a > 0) args += ' ';
            args += ArgName(a);
        }
        std::string body;
        if (f.Recursive) {
            // The self call in tail position becomes a jump; one in the
            // middle of an expression stays a call.
            const std::string self = SelfCall();
            std::string step = Chance(50) ? self : Form({"+", "1", self});
            if (Chance(40)) {
                const std::string condition = Condition(1);
                step = Form({"IF", condition, step, Expression(1)});
            }
            const std::string other = Expression(2);
            body = Chance(50) ? Form({"IF", "(> X0 0)", step, other})
                              : Form({"IF", "(EQUAL X0 0)", other, step});
        } else {
            // The main function mostly starts the work at once.
            body = Current_ == 0 && Chance(70) ? Call(3) : Expression(3);
        }
        return Form({f.Name, Form({args}), body}) + "\n";
    }

    static std::string ArgName(int a) {
        std::string name = "X";
        return name += std::to_string(a);
    }

    std::string SelfCall() {
        std::string text = "(CALL " + Self().Name + " (- X0 1)";
        for (int a = 1; a < Self().Arity; ++a)
            text += ' ' + Expression(2);
        return text + ")";
    }

    std::string Argument() {
        // The count of a function that calls itself must be a number.
        const int a = Between(0, Self().Arity - 1);
        if (a == 0 && Self().Recursive && Chance(70)) return "X0";
        return ArgName(a);
    }

    std::string Leaf() {
        if (Numeric_ && Chance(85)) {
            if (Self().Arity > 0 && Chance(60)) return Argument();
            return std::to_string(Between(0, 12) - 2);
        }
        switch (Between(0, 7)) {
        case 0:
        case 1:
        case 2:
            if (Self().Arity > 0) return Argument();
            [[fallthrough]];
        case 3: return std::to_string(Between(0, 9));
        case 4: return "(QUOTE)";
        case 5: return Chance(50) ? "(QUOTE A)" : "(QUOTE TRUE)";
        case 6: return "(QUOTE A (B 1) 2)";
        default: return Chance(50) ? "(QUOTE FALSE)" : "(QUOTE ())";
        }
    }

    std::string Condition(int depth) {
        static const char* const kTests[] = {"EQUAL", ">"};
        if (Chance(15)) return Form({Chance(50) ? "SYMBOL" : "NUMBER", Expression(depth)});
        if (Chance(5)) return Expression(depth); // mostly fails with 45
        const char* test = kTests[Between(0, 1)];
        const std::string left = Expression(depth);
        return Form({test, left, Expression(depth)});
    }

    std::string Call(int depth) {
        const int callee = Between(static_cast<std::size_t>(Current_) + 1, Functions_.size() - 1);
        const TFunctionShape& f = Functions_[static_cast<std::size_t>(callee)];
        std::string text = "(CALL " + f.Name;
        for (int a = 0; a < f.Arity; ++a) {
            text += ' ';
            text += a == 0 && f.Recursive ? std::to_string(Between(0, Numeric_ ? 40 : 9))
                                          : Expression(depth);
        }
        return text + ")";
    }

    // Mostly a number, so that arithmetic gets somewhere before it fails.
    std::string Arithmetic(int depth) {
        if (Chance(40)) return Expression(depth);
        if (Self().Recursive && Chance(50)) return "X0";
        return std::to_string(Between(0, 9));
    }

    std::string Expression(int depth) {
        if (depth <= 0 || Chance(20)) return Leaf();
        if (Numeric_) return NumericExpression(depth);
        static const char* const kUnary[] = {"FIRST", "BF", "LAST", "BL", "BR", "CONT"};
        static const char* const kBinary[] = {"EXPR", "+", "-", "*", "/", "%"};
        const bool canCall = static_cast<std::size_t>(Current_) + 1 < Functions_.size();
        switch (Between(0, 11)) {
        case 0:
        case 1: {
            const char* op = kUnary[Between(0, 5)];
            return Form({op, Expression(depth - 1)});
        }
        case 2:
        case 3: {
            const int op = Between(0, 5);
            if (op == 0) {
                const std::string left = Expression(depth - 1);
                return Form({kBinary[op], left, Expression(depth - 1)});
            }
            const std::string left = Arithmetic(depth - 1);
            return Form({kBinary[op], left, Arithmetic(depth - 1)});
        }
        case 4: {
            const std::string condition = Condition(depth - 1);
            const std::string then = Expression(depth - 1);
            return Form({"IF", condition, then, Expression(depth - 1)});
        }
        case 5: return Condition(depth - 1);
        case 6: {
            if (Chance(10)) return Form({"RANDOM", Expression(depth - 1)});
            const std::string left = Expression(depth - 1);
            return Form({"EXPR", left, Leaf()});
        }
        default: return canCall ? Call(depth - 1) : Leaf();
        }
    }

    // Arithmetic, comparisons and calls; a number sometimes kept in a list
    // (EXPR, BR), taken apart again or tested as a list.
    std::string NumericExpression(int depth) {
        static const char* const kOperations[] = {"+", "-", "*", "/", "%", "*", "+", "-"};
        static const char* const kKeeping[] = {"BR", "FIRST", "BF", "CONT", "NUMBER", "SYMBOL"};
        const bool canCall = static_cast<std::size_t>(Current_) + 1 < Functions_.size();
        switch (Between(0, 9)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const std::string left = Arithmetic(depth - 1);
            return Form({kOperations[Between(0, 7)], left, Arithmetic(depth - 1)});
        }
        case 4: {
            const std::string condition = Condition(depth - 1);
            const std::string then = Expression(depth - 1);
            return Form({"IF", condition, then, Expression(depth - 1)});
        }
        case 5: return Form({kKeeping[Between(0, 5)], Expression(depth - 1)});
        case 6: {
            const std::string left = Expression(depth - 1);
            return Form({"EXPR", left, Expression(depth - 1)});
        }
        default: return canCall ? Call(depth - 1) : Arithmetic(depth - 1);
        }
    }

    std::mt19937 Random_;
    bool Numeric_;
    std::vector<TFunctionShape> Functions_;
    int Current_ = 0;
};

} // namespace zk::test
