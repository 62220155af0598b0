// The listing of a loaded p-code file of any layout, and the file written
// back in each layout: whatever the writer accepts, the reader must read
// back into an image with the same listing.
#include "FuzzSupport.h"

#include "frontend/FileIO.h"
#include "pcode/Listing.h"
#include "pcode/PCodeFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

// Writes `code` in `kind` and reads it back; false when the layout cannot
// hold the image.
bool RoundTrip(const TPCode& code, TPCodeFileKind kind, TPCode& back) {
    std::string bytes;
    try {
        bytes = EncodePCodeFile(code, kind, "FUZZ.OUT");
    } catch (const TFileError&) {
        return false;
    }
    try {
        DecodePCodeFile(back, bytes, "FUZZ.OUT");
    } catch (const TFileError&) {
        fuzz::Require(false, "a written p-code file cannot be read back");
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TPCode code = TPCode::Empty();
    if (!fuzz::DecodeFuzzedFile(data, size, code)) return 0;
    const std::string listing = ListingText(code);
    // The full image keeps everything that the listing of a loaded file shows.
    TPCode back = TPCode::Empty();
    if (RoundTrip(code, pfImage, back))
        fuzz::Require(ListingText(back) == listing,
                      "a full image written and read back lists differently");
    for (const TPCodeFileKind kind : {pfProgram, pfUnit}) {
        TPCode other = TPCode::Empty();
        RoundTrip(code, kind, other);
    }
    return 0;
}
