// Helpers of the compiler tests: a program text turned into tokens the way a
// build does it (written to a file, read, preprocessed, tokenized), compiled
// code printed compactly for literal comparison, and a fixture that puts the
// language flag and the compile log back after each test.
#pragma once

#include "TestFiles.h"
#include "compiler/CompileLog.h"
#include "compiler/TermCompiler.h"
#include "frontend/Source.h"
#include "frontend/Tokens.h"
#include "pcode/PCode.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace zk::test {

// The tokens of `text` as the compiler receives them: comments removed and
// everything upper-cased. A text the lexer refuses fails the test.
inline TTokArr Tokenized(std::string_view text) {
    TTempDir dir;
    TSource source = TSource::CreateFromFile(dir.Write("MAIN.ZK", text));
    TError error;
    source.Preprocess(error);
    EXPECT_EQ(error.Number, 0) << "preprocessing failed";
    TTokArr tokens;
    EXPECT_EQ(Tokenize(source, tokens), -1) << "the lexer refused the text";
    return tokens;
}

// "Op [Arg1] [Arg2] [Name] @Position; ...": Arg1 for the operations that have
// one, Arg2 for Goto and AtomEqual, Name when it is not empty.
inline std::string CodeText(const TPCode& code, int32_t from = 0) {
    std::string out;
    for (int32_t i = from; i < code.InstrCount(); ++i) {
        const TPInstr& instr = code.GetInstr(i);
        if (!out.empty()) out += "; ";
        const auto field = [&out](std::string_view text) {
            out += ' ';
            out += text;
        };
        out += OpCodeName(instr.OpCode);
        if (HasArg1(instr.OpCode)) field(std::to_string(instr.Arg1));
        if (HasArg2(instr.OpCode)) field(std::to_string(instr.Arg2));
        if (!instr.Name.empty()) field(instr.Name.Text());
        out += " @";
        out += std::to_string(instr.Position);
    }
    return out;
}

// "number@offset", or "0" for no error.
inline std::string ErrorAt(const TError& error) {
    if (error.Number == 0) return "0";
    return std::to_string(error.Number) + "@" + std::to_string(error.Offset);
}

// A body compiled alone, as the body of a function with the given arguments.
struct TCompiledBody {
    std::string Code;  // as CodeText prints it
    std::string Error; // as ErrorAt prints it
    int32_t Index;     // the cursor afterwards
    bool AtEnd;
};

inline TCompiledBody CompiledBody(std::string_view text,
                                  std::vector<std::string> args = {"A", "B", "C"}) {
    TTokArr tokens = Tokenized(text);
    TPCode code;
    code.AddFunction().Args = std::move(args);
    tokens.Reset();
    TError error;
    CompileBody(tokens, code, error);
    return {CodeText(code), ErrorAt(error), tokens.Index(), tokens.AtEnd()};
}

// Every test starts in the modified language with an empty log and leaves
// both that way.
class TCompilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClassicLanguage = false;
        CompileLog.clear();
    }
    void TearDown() override {
        ClassicLanguage = false;
        CompileLog.clear();
    }
};

} // namespace zk::test
