// The verifier accepts everything the compiler makes, generated programs and
// units included, and refuses the damage that would otherwise run into an
// instruction that cannot be carried out or into a wrong result.
#include "pcode/CodeVerifier.h"
#include "TestFiles.h"
#include "compiler/CompileDriver.h"
#include "compiler/CompileLog.h"
#include "frontend/Tokens.h"
#include "interp/ImageCheck.h"
#include "interp/Interpreter.h"
#include "pcode/PCodeFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zk::test {
namespace {

struct TCallee {
    std::string Name;
    int32_t Arity;
    bool ByOperator = false;
};

// Random ZK functions of every form, with calls of matching arity, self
// calls in tail position and comparisons with constants, the shapes that the
// optimizer rewrites.
class TProgramGenerator {
public:
    explicit TProgramGenerator(uint32_t seed) : Random_(seed) {}

    // Functions PREFIX0.. of 0 to 3 arguments, all exported, the last one
    // also bound to the operator OPPREFIX; `external` can be called too.
    std::string Module(const std::string& prefix, std::vector<TCallee> external = {}) {
        Own_.clear();
        const int count = Draw(1, 4);
        for (int f = 0; f < count; ++f)
            Own_.push_back({prefix + std::to_string(f), Draw(0, 3)});
        std::string text = "(DEFOP OP" + prefix + " " + Own_.back().Name + ")\n";
        for (const TCallee& function : Own_)
            text += "(EXPORT " + function.Name + ")\n";
        Own_.push_back({"OP" + prefix, Own_.back().Arity, true});
        Callees_ = std::move(external);
        Callees_.insert(Callees_.end(), Own_.begin(), Own_.end());
        for (std::size_t f = 0; f + 1 < Own_.size(); ++f) {
            Self_ = Own_[f];
            text += "(" + Self_.Name + " (" + ArgList(Self_.Arity) + ") " + Term(4, true) + ")\n";
        }
        return text;
    }

    const std::vector<TCallee>& Exports() const { return Own_; }

private:
    int Draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random_); }

    static std::string ArgList(int32_t arity) {
        std::string list;
        for (int32_t a = 0; a < arity; ++a)
            list += std::string(a ? " " : "") + static_cast<char>('A' + a);
        return list;
    }

    std::string Leaf() {
        if (Self_.Arity > 0 && Draw(0, 1))
            return std::string(1, static_cast<char>('A' + Draw(0, Self_.Arity - 1)));
        switch (Draw(0, 3)) {
        case 0: return std::to_string(Draw(-3, 9));
        case 1: return "(QUOTE X)";
        case 2: return "(QUOTE)";
        default: return "(QUOTE A (B 1) ())";
        }
    }

    std::string Call(const TCallee& callee, int depth) {
        std::string text = callee.ByOperator ? "(" : "(CALL ";
        text += callee.Name;
        for (int32_t a = 0; a < callee.Arity; ++a) {
            text += ' ';
            text += Term(depth - 1, false);
        }
        text += ')';
        return text;
    }

    std::string Term(int depth, bool tail) {
        if (depth <= 0) return Leaf();
        static const char* const kUnary[] = {"FIRST", "BF",     "LAST",   "BL",    "BR",
                                             "CONT",  "SYMBOL", "NUMBER", "RANDOM"};
        static const char* const kBinary[] = {"EQUAL", "-", "/", "%", ">", "+", "*", "EXPR"};
        switch (Draw(0, 9)) {
        case 0: return Leaf();
        case 1: return std::string("(") + kUnary[Draw(0, 8)] + " " + Term(depth - 1, false) + ")";
        case 2:
            return std::string("(") + kBinary[Draw(0, 7)] + " " + Term(depth - 1, false) + " " +
                   Term(depth - 1, false) + ")";
        case 3: return "(EQUAL " + Term(depth - 1, false) + " " + Leaf() + ")";
        case 4:
            // An else part that ends with the constant of the comparison.
            return "(EQUAL " + Term(depth - 1, false) + " (IF " + Term(depth - 1, false) + " " +
                   Term(depth - 1, false) + " (QUOTE Y)))";
        case 5:
        case 6:
            return "(IF " + Term(depth - 1, false) + " " + Term(depth - 1, tail) + " " +
                   Term(depth - 1, tail) + ")";
        case 7: return tail ? Call(Self_, depth) : Leaf();
        case 8:
            return Call(
                Callees_[static_cast<std::size_t>(Draw(0, static_cast<int>(Callees_.size()) - 1))],
                depth);
        default:
            return Draw(0, 4) ? "(EXPR " + Term(depth - 1, false) + " 7 (QUOTE Z))" : "(ABORT)";
        }
    }

    std::mt19937 Random_;
    std::vector<TCallee> Own_;
    std::vector<TCallee> Callees_;
    TCallee Self_;
};

class CodeVerifierTest : public ::testing::Test {
protected:
    void SetUp() override { ClassicLanguage = false; }
    void TearDown() override { CompileLog.clear(); }

    TPCode Compiled(const std::string& name, bool unitMode) {
        TSource source = TSource::CreateFromFile(Dir.Entry() + name);
        TError error;
        TPCode code;
        Compile(source, code, unitMode, error, {Dir.Entry()});
        EXPECT_EQ(error.Number, 0) << Dir.Read(name);
        return code;
    }

    TTempDir Dir;
};

TEST_F(CodeVerifierTest, EveryCompiledProgramAndUnitVerifies) {
    for (uint32_t seed = 0; seed < 200; ++seed) {
        TProgramGenerator generate(seed);
        const std::string unit = generate.Module("U");
        Dir.Write("U.ZK", unit);
        const TPCode compiledUnit = Compiled("U.ZK", true);
        ASSERT_EQ(CodeFault(compiledUnit, TCodeKind::Unit), "") << unit;
        Dir.Write("MAIN.ZK", "(USES U)\n" + generate.Module("M", generate.Exports()));
        const std::string main = Dir.Read("MAIN.ZK");
        ASSERT_EQ(CodeFault(Compiled("MAIN.ZK", false), TCodeKind::Program), "") << main << unit;
        // The same program linked with the unit's file instead of its source.
        compiledUnit.SaveToFile(Dir.Entry() + "U.ZKU", pfUnit);
        std::filesystem::remove(Dir.Path() / "U.ZK");
        ASSERT_EQ(CodeFault(Compiled("MAIN.ZK", false), TCodeKind::Program), "") << main << unit;
        std::filesystem::remove(Dir.Path() / "U.ZKU");
    }
}

// 0 LoadArgs 1, Param 0, PushConst 0, SavePos, Goto 7, FreeArgs 1, Ret;
// 7 LoadArgs 2, Param 0, NOP, AtomEqual 0, If 14, Param 1, Goto 22,
// 14 Param 0, BF, ParamCopy 0, First, ParamCopy 1, Expr, FreeArgs 2, Goto 7,
// 22 FreeArgs 2, Ret.
constexpr std::string_view kReverse = "(REVERSE (L) (CALL REVINTO L (QUOTE)))\n"
                                      "(REVINTO (L ACC) (IF (EQUAL L (QUOTE)) ACC\n"
                                      "  (CALL REVINTO (BF L) (EXPR (FIRST L) ACC))))";

class CodeDamageTest : public CodeVerifierTest {
protected:
    void SetUp() override {
        CodeVerifierTest::SetUp();
        Dir.Write("MAIN.ZK", kReverse);
        Good = Compiled("MAIN.ZK", false);
        ASSERT_EQ(Good.InstrCount(), 24);
        ASSERT_EQ(CodeFault(Good, TCodeKind::Program), "");
    }

    template <typename TDamage> std::string FaultAfter(TDamage damage) const {
        TPCode code = Good;
        damage(code);
        return CodeFault(code, TCodeKind::Program);
    }

    static TPInstr Op(int32_t opCode, int32_t arg1 = 0) { return {0, opCode, arg1, 0, {}}; }

    TPCode Good;
};

TEST_F(CodeDamageTest, RefusesAtomTablesWithoutTrueAndFalse) {
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Atoms = TPCode::Empty().Atoms; }),
              "atoms 0, 1 and 2 are not \"\", TRUE and FALSE");
    EXPECT_EQ(FaultAfter([](TPCode& c) {
                  TAtomTable atoms;
                  for (const char* text : {"", "TRUX", "FALSE"})
                      atoms.AppendLoaded(text);
                  c.Atoms = atoms;
              }),
              "atoms 0, 1 and 2 are not \"\", TRUE and FALSE");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Atoms.AppendLoaded("true"); }),
              "atom 3 is listed twice");
}

TEST_F(CodeDamageTest, RefusesFunctionsOfTheWrongShape) {
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[0] = Op(opNop); }),
              "instruction 5: FreeArgs of 1 in a function of 0 arguments");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code.back() = Op(opNop); }),
              "the code does not end with Ret");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[5] = Op(opNop); }),
              "instruction 6: a function of arguments ends without FreeArgs");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[5].Arg1 = 2; }),
              "instruction 5: FreeArgs of 2 in a function of 1 arguments");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[8] = Op(opLoadArgs, 1); }),
              "instruction 8: LoadArgs inside a function");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[1] = Op(opParam, 1); }),
              "instruction 1: argument 1 of 1");
    // The record and the code disagree on the main function's arguments.
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Functions[0].Args.push_back("M"); }),
              "function REVERSE has 2 arguments, its code takes 1");
    EXPECT_EQ(FaultAfter([](TPCode& c) {
                  c.Code[0].Arg1 = 2;
                  c.Code[5].Arg1 = 2;
              }),
              "function REVERSE has 1 arguments, its code takes 2");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Functions[0].Entry = 1; }),
              "the main function does not start at 0");
}

// The call at 4 is followed before the function at 7 is checked itself; a
// negative arity there once overflowed the depth of the caller's stack.
TEST_F(CodeDamageTest, RefusesACallOfAFunctionOfImpossibleArity) {
    for (const int32_t arity : {-2147483646, -1, 256}) {
        const auto damage = [arity](TPCode& c) { c.Code[7].Arg1 = arity; };
        EXPECT_EQ(FaultAfter(damage),
                  "instruction 7: LoadArgs of " + std::to_string(arity) + " arguments");
        TPCode unit = Good;
        damage(unit);
        EXPECT_EQ(CodeFault(unit, TCodeKind::Unit), FaultAfter(damage));
    }
}

TEST_F(CodeDamageTest, RefusesCallsAndJumpsThatLeaveTheirPlace) {
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[4].Arg1 = 8; }),
              "instruction 4: call that does not land on a function");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[11].Arg1 = 2; }),
              "instruction 11: jump outside its function");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[3] = Op(opNop); }),
              "instruction 4: jump outside its function");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[2] = Op(opGoto, 4); }),
              "instruction 2: jump into a call");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[4] = Op(opNop); }),
              "instruction 3: SavePos without its Goto");
}

// Damage that leaves every jump in place: the paths that meet disagree, or an
// operation finds too few values.
TEST_F(CodeDamageTest, FollowsTheStacksAlongEveryPath) {
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[19] = Op(opNop); }),
              "instruction 7: reached with 2 values and 0 arguments and with 3 values and 0 "
              "arguments");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[12] = Op(opNop); }),
              "instruction 23: Ret finds 0 values and 0 arguments instead of the result alone");
    EXPECT_EQ(FaultAfter([](TPCode& c) {
                  c.Code[16] = Op(opNop);
                  c.Code[18] = Op(opNop);
              }),
              "instruction 19: Expr takes 2 values and finds 1");
    EXPECT_EQ(FaultAfter([](TPCode& c) { c.Code[20] = Op(opNop); }),
              "instruction 7: reached with 2 values and 0 arguments and with 2 values and 2 "
              "arguments");
}

TEST_F(CodeVerifierTest, AUnitMayCallWhatItsUsesProvide) {
    Dir.Write("LIB.ZK", "(USES OTHER)(EXPORT F)(F (X) (CALL G X X))");
    const TPCode unit = Compiled("LIB.ZK", true);
    EXPECT_EQ(CodeFault(unit, TCodeKind::Unit), "");
    EXPECT_EQ(CodeFault(unit, TCodeKind::Program), "instruction 4: unresolved call of G");
    TPCode badMode = unit;
    badMode.Code[4].Arg1 = 7;
    EXPECT_EQ(CodeFault(badMode, TCodeKind::Unit), "instruction 4: call of G in unknown mode");
}

// Every single-byte change of a program file either fails to load, is
// refused, or runs without ever meeting an instruction it cannot carry out.
TEST_F(CodeVerifierTest, NoDamagedProgramFileRunsIntoAnUnknownInstruction) {
    Dir.Write("MAIN.ZK", kReverse);
    const std::string bytes = EncodePCodeFile(Compiled("MAIN.ZK", false), pfProgram, "M.ZKP");
    int runs = 0;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (const int value : {0, 1, 2, 0x0B, 0x13, 0xFF}) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(value);
            TPCode code = TPCode::Empty();
            try {
                DecodePCodeFile(code, damaged, "M.ZKP");
            } catch (const std::exception&) {
                continue;
            }
            if (!RunnableImageFault(code).empty()) continue;
            const std::size_t arguments = code.Functions[0].Args.size();
            TInterpreter run(kCellsPerMegabyte, std::move(code));
            for (std::size_t p = 0; p < arguments; ++p)
                run.AddParam("A B C");
            for (int step = 0; step < 20000 && run.ErrorNumber() == 0; ++step)
                run.ExecStep();
            EXPECT_NE(run.ErrorNumber(), kErrorBadInstruction) << "byte " << at << " = " << value;
            ++runs;
        }
    }
    EXPECT_GT(runs, 0);
}

} // namespace
} // namespace zk::test
