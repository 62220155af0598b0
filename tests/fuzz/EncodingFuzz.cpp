// The decoding of text files: any bytes decode without harm, both ways; a
// text read as UTF-8 and written back gives the bytes it came from when they
// were valid UTF-8; every stand-in of the decoded text has its character.
#include "FuzzSupport.h"

#include "frontend/TextEncoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace zk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TDecodedText detected = DecodeText(bytes);
    const auto standIns = static_cast<std::size_t>(
        std::count(detected.Text.begin(), detected.Text.end(), kUnmappableByte));
    if (detected.Encoding == TTextEncoding::Utf8) {
        fuzz::Require(standIns == detected.Unmappable.size(), "a stand-in without its character");
        const std::string back =
            EncodeText(detected.Text, detected.Encoding, detected.Bom, detected.Unmappable);
        // Only a byte-order mark before malformed UTF-8 makes a text whose
        // stand-ins are U+FFFD for bytes that were not that character.
        if (std::find(detected.Unmappable.begin(), detected.Unmappable.end(), U'\uFFFD') ==
            detected.Unmappable.end())
            fuzz::Require(back == bytes, "a UTF-8 text does not come back as it was");
    } else {
        fuzz::Require(detected.Text == bytes, "a Windows-1251 text was changed by reading");
    }
    for (const TTextEncoding as : {TTextEncoding::Cp1251, TTextEncoding::Utf8}) {
        const TDecodedText forced = DecodeText(bytes, as);
        EncodeText(forced.Text, as, forced.Bom, forced.Unmappable);
    }
    return 0;
}
