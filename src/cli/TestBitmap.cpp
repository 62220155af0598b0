#include "cli/TestBitmap.h"

#include "interp/Picture.h"

namespace zk::cli {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40; // BITMAPINFOHEADER; later versions extend it
constexpr uint32_t kUncompressed = 0;

uint32_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

bool Refuse(std::string& fault, std::string reason) {
    fault = std::move(reason);
    return false;
}

} // namespace

bool DecodeBitmap(std::string_view bytes, TBitmap& bitmap, std::string& fault) {
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes.substr(0, 2) != "BM")
        return Refuse(fault, "not a Windows bitmap");
    const uint32_t offset = Little(bytes, 10, 4);
    if (Little(bytes, 14, 4) < kInfoHeaderSize) return Refuse(fault, "an old kind of bitmap");
    const auto width = static_cast<int32_t>(Little(bytes, 18, 4));
    const auto rawHeight = static_cast<int32_t>(Little(bytes, 22, 4));
    const uint32_t bits = Little(bytes, 28, 2);
    if ((bits != 24 && bits != 32) || Little(bytes, 30, 4) != kUncompressed)
        return Refuse(fault, "only uncompressed bitmaps of 24 or 32 bits per pixel are compared");
    // A negative height stores the rows from the top.
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -int64_t{rawHeight} : rawHeight;
    if (width < 1 || height < 1 || width > kMaxPictureWidth || height > kMaxPictureHeight)
        return Refuse(fault, "a bitmap of " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels, no picture's size");
    const std::size_t pixelBytes = bits / 8;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * pixelBytes + 3) / 4 * 4;
    if (offset > bytes.size() || (bytes.size() - offset) / rowBytes < static_cast<uint64_t>(height))
        return Refuse(fault, "the bitmap ends before its last row");

    bitmap.Width = width;
    bitmap.Height = static_cast<int32_t>(height);
    bitmap.Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int32_t y = 0; y < bitmap.Height; ++y) {
        const int32_t stored = topDown ? y : bitmap.Height - 1 - y;
        const std::size_t row = offset + static_cast<std::size_t>(stored) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * pixelBytes;
            const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(bytes[at + i]); };
            bitmap.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)] = TRgb{byte(2), byte(1), byte(0)};
        }
    }
    return true;
}

} // namespace zk::cli
