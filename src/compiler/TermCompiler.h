// The framework of the term compilers: the compiler classes, each of which
// knows one or a few built-in forms, the keyword registry that maps a form's
// head to its compiler, and CompileBody, which walks one function body with a
// stack of open forms and lets the innermost form take one step per argument.
#pragma once

#include "frontend/Errors.h"
#include "frontend/Tokens.h"
#include "pcode/PCode.h"
#include "pcode/RetData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zk {

struct TBodyContext;
struct TFormRecord;

// A term compiler. One stateless object serves every form of its keywords;
// whatever a form must remember between its steps lives in the frame's state
// record, which the compiler allocates at the form's first step.
//
// The stepping contract:
// 1. At the first step the cursor is on the form's head (keyword or operator
//    atom) and `state` is none.
// 2. At every later step the cursor is on the last token of the argument just
//    compiled: its atom or number, or the closing bracket of a nested form.
// 3. A step first moves the cursor on by one token and then looks at it.
// 4. A step that completes the form releases `state` and leaves the cursor on
//    the form's closing bracket.
// 5. Otherwise it keeps `state` and leaves the cursor on the first token of
//    the next argument.
// 6. An error is set at the current position.
class TAbstractCompiler {
public:
    virtual ~TAbstractCompiler() = default;
    virtual void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const = 0;
    // Releases the state of a form that an error left open.
    virtual void FreeState(std::unique_ptr<TFormState>& state) const { state.reset(); }
};

// Forms with exactly one argument: (KEYWORD a) is [a] OP.
class TUnInstrCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
    // The operation a keyword compiles to; 0 for any other text.
    virtual int32_t InstrCode(std::string_view keyword) const = 0;
    // The error number of the form that compiles to `opCode`.
    virtual int32_t ErrorCode(int32_t opCode) const = 0;
};

// Forms with exactly two arguments: (KEYWORD a b) is [a] [b] OP.
class TBinInstrCompiler : public TAbstractCompiler {
public:
    void Step(TBodyContext& body, std::unique_ptr<TFormState>& state) const override;
    virtual int32_t InstrCode(std::string_view keyword) const = 0;
    virtual int32_t ErrorCode(int32_t opCode) const = 0;
};

// What the steps of one body compile share. Every instruction is appended at
// the cursor's CurrentPos unless a form says otherwise.
struct TBodyContext {
    TTokArr& Tokens;
    TPCode& Code;
    TError& Error;
    // The Param instructions of this body that no EXPR has rewritten yet, in
    // code order. An EXPR rewrites exactly the Params of its own range, and
    // those are the tail of this list, so nested EXPRs never rescan code.
    std::vector<int32_t> PlainParams;

    int32_t Emit(int32_t opCode, int32_t arg1 = 0, int32_t arg2 = 0, std::string name = {}) {
        return Code.AddInstr(opCode, arg1, arg2, std::move(name), Tokens.CurrentPos());
    }
    void Fail(int32_t number) { Error = TError{number, Tokens.CurrentPos(), {}}; }
    // On a closing bracket, and not past the end where Current repeats the last token.
    bool OnClose() const { return !Tokens.AtEnd() && Tokens.Current()->Kind == tkClose; }
};

constexpr int32_t kRegistryCapacity = 32;

// The keyword registry. Entries that share a compiler share one object;
// DefOpCompiler compiles every form whose head is no keyword of the language.
struct TKeywordRegistry {
    std::array<std::string_view, kRegistryCapacity> Keywords{};
    std::array<const TAbstractCompiler*, kRegistryCapacity> Compilers{};
    std::array<bool, kRegistryCapacity> ModifiedOnly{};
    int32_t KeywordCount = 0;
    const TAbstractCompiler* DefOpCompiler = nullptr;
};

// Filled on first use (the initialisation is thread-safe), never changed.
const TKeywordRegistry& Registry();

// The first entry whose keyword equals `text` byte for byte and that the
// current language has; -1 when there is none.
int32_t LookupKeyword(std::string_view text);

// Compiles the term at the cursor into the body of code.LastFunction(). On
// success the cursor stands on the token after the term; on an error it
// stays where the error was found. With `forms`, every term and form of the
// body is recorded there.
void CompileBody(TTokArr& tokens, TPCode& code, TError& error, TFormRecord* forms = nullptr);

// The value of a tkNumber token's text.
int32_t NumberValue(std::string_view text);

} // namespace zk
