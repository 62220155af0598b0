// The settings record, its defaults, the hexadecimal form of its option bytes
// and its keys in the settings file.
#include "frontend/Options.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/IniFile.h"
#include "platform/System.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace zk {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMainSection = "ZK";
constexpr std::string_view kIncludeSection = "Include";
constexpr std::string_view kEditorSection = "Editor";
constexpr std::string_view kDebugSection = "Debug";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

using TOptionBytes = std::array<uint8_t, 14>;

TOptionBytes ToBytes(const TOptions& o) {
    return {o.PCDOut,
            o.UseNew,
            o.SymbolErr,
            o.StartIntrp,
            o.AutoSave,
            o.Reserved5,
            static_cast<uint8_t>(o.MaxMem & 0xFF),
            static_cast<uint8_t>(o.MaxMem >> 8),
            o.GraphicsMode,
            o.LogMode,
            o.LimitSize,
            o.Reserved11,
            static_cast<uint8_t>(o.LogSize & 0xFF),
            static_cast<uint8_t>(o.LogSize >> 8)};
}

void FromBytes(const TOptionBytes& b, TOptions& o) {
    o.PCDOut = b[0] != 0;
    o.UseNew = b[1] != 0;
    o.SymbolErr = b[2] != 0;
    o.StartIntrp = b[3] != 0;
    o.AutoSave = b[4] != 0;
    o.Reserved5 = b[5];
    o.MaxMem = static_cast<uint16_t>(b[6] | (b[7] << 8));
    o.GraphicsMode = b[8];
    o.LogMode = b[9];
    o.LimitSize = b[10] != 0;
    o.Reserved11 = b[11];
    o.LogSize = static_cast<uint16_t>(b[12] | (b[13] << 8));
}

uint8_t DigitAt(std::string_view hex, std::size_t pos) {
    if (pos >= hex.size()) return 0;
    const std::size_t digit = kHexDigits.find(hex[pos]);
    return digit == std::string_view::npos ? 0 : static_cast<uint8_t>(digit);
}

void SetDefaultEditor(TOptions& options) {
    options.FontFamily = kDefaultFontFamily;
    options.FontSize = kDefaultFontSize;
    options.LineNumbers = true;
    options.LiveErrors = true;
    options.DebugStepLimit = kDefaultDebugStepLimit;
}

// A hand-edited file may hold anything; what cannot serve is the default.
void LoadEditor(const TIniFile& ini, TOptions& options) {
    options.FontFamily = ini.ReadString(kEditorSection, "FontFamily", kDefaultFontFamily);
    if (options.FontFamily.find_first_not_of(' ') == std::string::npos)
        options.FontFamily = kDefaultFontFamily;
    const int size = ini.ReadInteger(kEditorSection, "FontSize", kDefaultFontSize);
    options.FontSize = size >= kMinFontSize && size <= kMaxFontSize ? size : kDefaultFontSize;
    options.LineNumbers = ini.ReadInteger(kEditorSection, "LineNumbers", 1) != 0;
    options.LiveErrors = ini.ReadInteger(kEditorSection, "LiveErrors", 1) != 0;
    const int limit = ini.ReadInteger(kDebugSection, "StepLimit", kDefaultDebugStepLimit);
    options.DebugStepLimit = limit >= kMinDebugStepLimit ? limit : kDefaultDebugStepLimit;
}

void SaveEditor(TIniFile& ini, const TOptions& options) {
    ini.WriteString(kEditorSection, "FontFamily", options.FontFamily);
    ini.WriteInteger(kEditorSection, "FontSize", options.FontSize);
    ini.WriteInteger(kEditorSection, "LineNumbers", options.LineNumbers ? 1 : 0);
    ini.WriteInteger(kEditorSection, "LiveErrors", options.LiveErrors ? 1 : 0);
    ini.WriteInteger(kDebugSection, "StepLimit", options.DebugStepLimit);
}

std::string CurrentDir() {
    std::error_code ec;
    const fs::path dir = fs::current_path(ec);
    return ec ? std::string() : SystemPath(dir);
}

} // namespace

std::string DefaultTempDir() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    return SystemPath(base / NativePath("varnok-" + UserName()));
}

bool PrepareTempDir(const std::string& dir) {
    const bool slash = !dir.empty() && dir.back() == '/';
    if ((slash ? dir.substr(0, dir.size() - 1) : dir) != DefaultTempDir()) return true;
    return MakePrivateDirectory(dir);
}

void SetDefaultOptions(TOptions& options) {
    options.Include.clear();
    options.TempDir = DefaultTempDir();
    options.DefaultDir = CurrentDir();
    options.ExtOutputDir = options.DefaultDir;
    options.DefExtension = "zk ";
    options.PCDOut = false;
    options.UseNew = true;
    options.SymbolErr = true;
    options.StartIntrp = true;
    options.AutoSave = false;
    options.MaxMem = 4;
    options.GraphicsMode = 0;
    options.LogMode = 0;
    SetDefaultEditor(options);
}

std::string BasicOptionsToHex(const TOptions& options) {
    std::string hex;
    for (const uint8_t byte : ToBytes(options)) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}

void HexToBasicOptions(std::string_view hex, TOptions& options) {
    TOptionBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(DigitAt(hex, 2 * i) << 4 | DigitAt(hex, 2 * i + 1));
    FromBytes(bytes, options);
}

void LoadOptions(std::string_view path, TOptions& options) {
    const TIniFile ini = TIniFile::Load(path);
    // Decoding the all-zero default of a missing "BasicOptions" would select the
    // classic language and no interpreter memory; such a file (or no file at
    // all) rather gets the defaults, overridden by whatever keys it does hold.
    const bool written = ini.HasKey(kMainSection, "BasicOptions");
    if (written)
        HexToBasicOptions(ini.ReadString(kMainSection, "BasicOptions", ""), options);
    else
        SetDefaultOptions(options);

    const auto text = [&](std::string_view key, std::string_view fileDefault,
                          const std::string& current) {
        return ini.ReadString(kMainSection, key, written ? fileDefault : current);
    };
    // The file holds a directory as a Windows-1251 text, the record as a path.
    const auto directory = [&](std::string_view key, const std::string& current) {
        if (!written && !ini.HasKey(kMainSection, key)) return current;
        return Cp1251ToUtf8(ini.ReadString(kMainSection, key, ""));
    };
    options.TempDir = directory("TempDir", options.TempDir);
    options.DefaultDir = directory("DefaultDir", options.DefaultDir);
    options.ExtOutputDir = directory("ExtOutputDir", options.ExtOutputDir);
    options.DefExtension = text("DefExtension", "ozk", options.DefExtension).substr(0, 3);

    options.Include.clear();
    const int count = std::clamp(ini.ReadInteger(kIncludeSection, "Count", 0), 0, kMaxIncludeCount);
    for (int i = 0; i < count; ++i)
        options.Include.push_back(
            Cp1251ToUtf8(ini.ReadString(kIncludeSection, "Incl" + std::to_string(i), "")));
    LoadEditor(ini, options);
}

TOptions LoadOptions(std::string_view path) {
    TOptions options;
    LoadOptions(path, options);
    return options;
}

void SaveOptions(std::string_view path, const TOptions& options) {
    TIniFile ini = TIniFile::Load(path);
    ini.WriteString(kMainSection, "BasicOptions", BasicOptionsToHex(options));
    ini.WriteString(kMainSection, "TempDir", PathText(options.TempDir));
    ini.WriteString(kMainSection, "DefaultDir", PathText(options.DefaultDir));
    ini.WriteString(kMainSection, "ExtOutputDir", PathText(options.ExtOutputDir));
    ini.WriteString(kMainSection, "DefExtension", options.DefExtension.substr(0, 3));
    const int count = static_cast<int>(options.Include.size());
    ini.WriteInteger(kIncludeSection, "Count", count);
    for (int i = 0; i < count; ++i)
        ini.WriteString(kIncludeSection, "Incl" + std::to_string(i), PathText(options.Include[i]));
    SaveEditor(ini, options);
    ini.Save(path);
}

} // namespace zk
