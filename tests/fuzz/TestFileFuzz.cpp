// A teacher's test file and its expected pictures, as zk test reads them:
// any bytes are a file it parses or refuses with a line, and any bytes are a
// bitmap it decodes into pixels of the size it says, or refuses.
#include "cli/TestFile.h"

#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    cli::TTestFile file;
    cli::TTestFileError error;
    if (!cli::ParseTestText(bytes, file, error))
        fuzz::Require(error.Line >= 0 && !error.Message.empty(), "a refusal without its reason");

    cli::TBitmap bitmap;
    std::string fault;
    if (cli::DecodeBitmap(bytes, bitmap, fault))
        fuzz::Require(bitmap.Width > 0 && bitmap.Height > 0 &&
                          bitmap.Pixels.size() == static_cast<std::size_t>(bitmap.Width) *
                                                      static_cast<std::size_t>(bitmap.Height),
                      "a bitmap whose pixels do not fill its size");
    return 0;
}
