// A settings file: the INI layer read, written and read again, the option
// bytes decoded from any text, and the whole record loaded from the file and
// saved back. Writing a key never changes what another key reads.
#include "FuzzSupport.h"

#include "frontend/FileIO.h"
#include "frontend/IniFile.h"
#include "frontend/Options.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zk;

namespace {

void CheckIniLayer(std::string_view text) {
    TIniFile ini = TIniFile::Parse(text);
    const std::string before = ini.ReadString("Include", "Count", "-");
    ini.ReadInteger("ZK", "MaxMem", 7);
    ini.WriteString("Fuzz", "Key", text.substr(0, 40));
    ini.WriteInteger("ZK", "Fuzz", 1);
    fuzz::Require(ini.ReadString("Include", "Count", "-") == before,
                  "writing a key changed another key");
    const TIniFile again = TIniFile::Parse(ini.Text());
    fuzz::Require(again.ReadString("Include", "Count", "-") == before,
                  "a key read differently after the file was written");
}

void CheckOptions(std::string_view text) {
    TOptions options;
    HexToBasicOptions(text, options);
    fuzz::Require(BasicOptionsToHex(options).size() == 28, "the option bytes are 28 digits");
    const std::string path = fuzz::WriteScratch("ZK.INI", text);
    try {
        LoadOptions(path, options);
        SaveOptions(path, options);
        const TOptions again = LoadOptions(path);
        fuzz::Require(BasicOptionsToHex(again) == BasicOptionsToHex(options),
                      "saved options read back differently");
    } catch (const TFileError&) {}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckIniLayer(text);
    CheckOptions(text);
    return 0;
}
