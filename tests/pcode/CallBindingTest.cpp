// Binding of unresolved calls to functions of a provider image, the report
// of the first call left unbound, and the marking of the main function.
#include "pcode/CallBinding.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

// "F" and 12 give "F12".
std::string Numbered(std::string_view prefix, int32_t number) {
    std::string name(prefix);
    name += std::to_string(number);
    return name;
}

void AddFunctionAt(TPCode& code, int32_t entry, std::string name, int arity, bool exported = false,
                   std::string defOp = "") {
    TFunction& function = code.AddFunction();
    function.Entry = entry;
    function.Name = std::move(name);
    function.DefOp = std::move(defOp);
    function.Exported = exported;
    for (int i = 0; i < arity; ++i)
        function.Args.push_back(Numbered("A", i));
}

// Index 1 is the call; returns the image with only that call in it.
TPCode CallImage(int32_t mode, int32_t argCount, std::string callee) {
    TPCode code;
    code.AddInstr(opSavePos);
    code.AddInstr(opGoto, mode, argCount, std::move(callee), 17);
    return code;
}

void ExpectBoundTo(const TPInstr& call, int32_t entry) {
    EXPECT_EQ(call.OpCode, opGoto);
    EXPECT_EQ(call.Arg1, entry);
    EXPECT_EQ(call.Arg2, 0);
    EXPECT_EQ(call.Name, "");
}

void ExpectUnbound(const TPInstr& call, int32_t mode, int32_t argCount, std::string_view callee) {
    EXPECT_EQ(call.Arg1, mode);
    EXPECT_EQ(call.Arg2, argCount);
    EXPECT_EQ(call.Name, callee);
}

TEST(PCodeLinking, ACallByNameBindsToTheFunctionEntry) {
    TPCode provider;
    AddFunctionAt(provider, 40, "F", 1);
    AddFunctionAt(provider, 70, "G", 1);
    TPCode code = CallImage(kCallByName, 1, "G");
    LinkCalls(code, provider, false);
    ExpectBoundTo(code.Code[1], 70);
    EXPECT_EQ(code.Code[1].Position, 17);
}

TEST(PCodeLinking, ACallByOperatorMatchesDefOpNotName) {
    TPCode provider;
    AddFunctionAt(provider, 10, "PLUS", 2, false, "ADD");
    AddFunctionAt(provider, 20, "ADD", 2);
    TPCode byOperator = CallImage(kCallByOperator, 2, "ADD");
    LinkCalls(byOperator, provider, false);
    ExpectBoundTo(byOperator.Code[1], 10);
    TPCode byName = CallImage(kCallByName, 2, "ADD");
    LinkCalls(byName, provider, false);
    ExpectBoundTo(byName.Code[1], 20);
    TPCode operatorAsName = CallImage(kCallByOperator, 2, "PLUS");
    LinkCalls(operatorAsName, provider, false);
    ExpectUnbound(operatorAsName.Code[1], kCallByOperator, 2, "PLUS");
}

TEST(PCodeLinking, TheArityPicksAmongFunctionsOfOneName) {
    TPCode provider;
    AddFunctionAt(provider, 0, "F", 1, false, "OP");
    AddFunctionAt(provider, 5, "F", 2, false, "OP");
    TPCode code = CallImage(kCallByName, 2, "F");
    code.AddInstr(opGoto, kCallByOperator, 1, "OP");
    code.AddInstr(opGoto, kCallByName, 3, "F");
    LinkCalls(code, provider, false);
    ExpectBoundTo(code.Code[1], 5);
    ExpectBoundTo(code.Code[2], 0);
    ExpectUnbound(code.Code[3], kCallByName, 3, "F");
}

TEST(PCodeLinking, NamesAreComparedExactly) {
    TPCode provider;
    AddFunctionAt(provider, 9, "G", 0);
    TPCode code = CallImage(kCallByName, 0, "g");
    LinkCalls(code, provider, false);
    ExpectUnbound(code.Code[1], kCallByName, 0, "g");
}

TEST(PCodeLinking, ExportedOnlySkipsFunctionsThatAreNotExported) {
    TPCode provider;
    AddFunctionAt(provider, 3, "G", 0);
    AddFunctionAt(provider, 8, "H", 0);
    AddFunctionAt(provider, 12, "H", 0, true);
    TPCode code = CallImage(kCallByName, 0, "G");
    code.AddInstr(opGoto, kCallByName, 0, "H");
    LinkCalls(code, provider, true);
    ExpectUnbound(code.Code[1], kCallByName, 0, "G");
    ExpectBoundTo(code.Code[2], 12);
    LinkCalls(code, provider, false);
    ExpectBoundTo(code.Code[1], 3);
}

TEST(PCodeLinking, TheFirstMatchInTableOrderWins) {
    TPCode provider;
    AddFunctionAt(provider, 30, "G", 1, true, "+");
    AddFunctionAt(provider, 50, "G", 1, true, "+");
    TPCode code = CallImage(kCallByName, 1, "G");
    code.AddInstr(opGoto, kCallByOperator, 1, "+");
    LinkCalls(code, provider, true);
    ExpectBoundTo(code.Code[1], 30);
    ExpectBoundTo(code.Code[2], 30);
}

TEST(PCodeLinking, AnImageCanBeItsOwnProvider) {
    TPCode code;
    AddFunctionAt(code, 0, "MAIN", 0);
    code.AddInstr(opSavePos);
    code.AddInstr(opGoto, kCallByName, 1, "LATER");
    code.AddInstr(opGoto, kCallByName, 1, "ELSEWHERE");
    code.AddInstr(opRet);
    AddFunctionAt(code, 4, "LATER", 1);
    LinkCalls(code, code, false);
    ExpectBoundTo(code.Code[1], 4);
    ExpectUnbound(code.Code[2], kCallByName, 1, "ELSEWHERE");
}

TEST(PCodeLinking, AnUnboundCallCanBeBoundByALaterProvider) {
    TPCode first;
    AddFunctionAt(first, 1, "A", 0, true);
    TPCode second;
    AddFunctionAt(second, 2, "B", 0, true);
    TPCode code = CallImage(kCallByName, 0, "B");
    LinkCalls(code, first, true);
    ExpectUnbound(code.Code[1], kCallByName, 0, "B");
    LinkCalls(code, second, true);
    ExpectBoundTo(code.Code[1], 2);
}

TEST(PCodeLinking, ResolvedJumpsAndOtherInstructionsAreLeftAlone) {
    TPCode provider;
    AddFunctionAt(provider, 0, "", 0);
    TPCode code;
    code.AddInstr(opGoto, 7);
    code.AddInstr(opIf, 2);
    code.AddInstr(opPushConst, 0, 0, "X");
    LinkCalls(code, provider, false);
    EXPECT_EQ(code.Code[0].Arg1, 7);
    EXPECT_EQ(code.Code[1].Arg1, 2);
    EXPECT_EQ(code.Code[2].Name, "X");
}

TEST(PCodeLinking, ManyCallsLinkInLinearTime) {
    TPCode code;
    constexpr int32_t kFunctions = 20000;
    for (int32_t f = 0; f < kFunctions; ++f) {
        AddFunctionAt(code, 3 * f, Numbered("F", f), f % 3, true);
        const int32_t next = (f + 1) % kFunctions;
        code.AddInstr(opSavePos);
        code.AddInstr(opGoto, kCallByName, next % 3, Numbered("F", next));
        code.AddInstr(opRet);
    }
    for (int32_t c = 0; c < 180000; ++c) {
        const int32_t callee = (c * 7) % kFunctions;
        code.AddInstr(opGoto, kCallByName, callee % 3, Numbered("F", callee));
    }
    LinkCalls(code, code, true);
    TError error;
    CheckUnresolved(code, error);
    EXPECT_EQ(error.Number, 0);
    EXPECT_EQ(code.Code[1].Arg1, 3);
    EXPECT_EQ(code.Code[3 * kFunctions + 1].Arg1, 21);
}

TEST(PCodeLinking, CheckUnresolvedReportsTheFirstUnboundCall) {
    TPCode code;
    code.AddInstr(opGoto, 4, 0, "", 1);
    code.AddInstr(opGoto, kCallByOperator, 2, "ADD", 52);
    code.AddInstr(opGoto, kCallByName, 2, "SUM", 40);
    TError error{0, 0, "LIB.ZK"};
    CheckUnresolved(code, error);
    EXPECT_EQ(error.Number, 5);
    EXPECT_EQ(error.Offset, 52);
    EXPECT_EQ(error.FileName, "LIB.ZK");

    code.Code.erase(code.Code.begin() + 1);
    error = TError{};
    CheckUnresolved(code, error);
    EXPECT_EQ(error.Number, 25);
    EXPECT_EQ(error.Offset, 40);
}

TEST(PCodeLinking, CheckUnresolvedLeavesTheErrorAloneWhenAllIsBound) {
    TPCode code;
    code.AddInstr(opGoto, 0);
    code.AddInstr(opPushConst, 0, 0, "NOT A CALL", 3);
    TError error{0, 9, "F"};
    CheckUnresolved(code, error);
    EXPECT_EQ(error.Number, 0);
    EXPECT_EQ(error.Offset, 9);
}

TEST(PCodeLinking, MarkMainRootExportsFunctionZeroOnly) {
    TPCode code;
    AddFunctionAt(code, 0, "MAIN", 0, false);
    AddFunctionAt(code, 1, "A", 0, true);
    AddFunctionAt(code, 2, "B", 0, true);
    MarkMainRoot(code);
    EXPECT_TRUE(code.Functions[0].Exported);
    EXPECT_FALSE(code.Functions[1].Exported);
    EXPECT_FALSE(code.Functions[2].Exported);
    TPCode empty;
    MarkMainRoot(empty);
    EXPECT_EQ(empty.FunctionCount(), 0);
}

} // namespace
} // namespace zk
