// A p-code file of any layout (ZKP, ZKU, ZKExt) loaded as a run or a link
// would load it: decoded, checked as a program and as a unit, and, when it
// passes the check of runnable images, run within the fuzz budget and its
// result drawn as a picture. A file the check passes never runs into an
// instruction that cannot be carried out.
#include "FuzzSupport.h"

#include "frontend/FileIO.h"
#include "interp/ImageCheck.h"
#include "pcode/CodeVerifier.h"
#include "pcode/PCodeFile.h"

#include <cstddef>
#include <cstdint>

using namespace zk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TPCode code = TPCode::Empty();
    if (!fuzz::DecodeFuzzedFile(data, size, code)) return 0;
    CodeFault(code, TCodeKind::Unit);
    for (int32_t i = 0; i < code.InstrCount(); ++i)
        InstructionFault(code, i);
    try {
        RefuseUnrunnable(code, "FUZZ.ZKP");
    } catch (const TFileError&) {
        return 0;
    }
    fuzz::RunBounded(std::move(code), true);
    return 0;
}
