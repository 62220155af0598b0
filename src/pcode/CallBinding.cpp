// Call binding through a hash index over the provider's functions, built once
// per LinkCalls, so a program with many calls links in linear time.
#include "pcode/CallBinding.h"

#include <unordered_map>

namespace zk {

namespace {

bool IsUnresolvedCall(const TPInstr& instr) {
    return instr.OpCode == opGoto && !instr.Name.empty();
}

// Mode and arity in a fixed-width prefix, then the name: no two different
// triples share a key.
std::string CallKey(bool byOperator, int64_t arity, std::string_view name) {
    std::string key;
    key.reserve(9 + name.size());
    key += byOperator ? 'O' : 'N';
    for (int shift = 0; shift < 64; shift += 8)
        key += static_cast<char>(arity >> shift);
    key += name;
    return key;
}

// Key -> entry of the first function in table order that answers it. Entries
// are copied, so the image being linked may be the provider itself.
std::unordered_map<std::string, int32_t> IndexFunctions(const TPCode& provider, bool exportedOnly) {
    std::unordered_map<std::string, int32_t> index;
    index.reserve(provider.Functions.size() * 2);
    for (const TFunction& function : provider.Functions) {
        if (exportedOnly && !function.Exported) continue;
        const auto arity = static_cast<int64_t>(function.Args.size());
        index.try_emplace(CallKey(false, arity, function.Name), function.Entry);
        if (!function.DefOp.empty())
            index.try_emplace(CallKey(true, arity, function.DefOp), function.Entry);
    }
    return index;
}

} // namespace

void LinkCalls(TPCode& image, const TPCode& provider, bool exportedOnly) {
    const auto index = IndexFunctions(provider, exportedOnly);
    for (TPInstr& instr : image.Code) {
        if (!IsUnresolvedCall(instr)) continue;
        const auto found =
            index.find(CallKey(instr.Arg1 == kCallByOperator, instr.Arg2, instr.Name.Text()));
        if (found == index.end()) continue;
        instr.Name.clear();
        instr.Arg2 = 0;
        instr.Arg1 = found->second;
    }
}

void CheckUnresolved(const TPCode& image, TError& error) {
    for (const TPInstr& instr : image.Code) {
        if (!IsUnresolvedCall(instr)) continue;
        error.Number = instr.Arg1 == kCallByOperator ? kErrorUnknownAtom : kErrorUnknownCall;
        error.Offset = instr.Position;
        return;
    }
}

void MarkMainRoot(TPCode& image) {
    for (std::size_t i = 0; i < image.Functions.size(); ++i)
        image.Functions[i].Exported = i == 0;
}

} // namespace zk
