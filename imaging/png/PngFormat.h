#pragma once
// What the PNG decoder shares between its layers: the reasons a load fails, the header fields, the
// one bounds-check idiom and big-endian reads. Platform-free.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::png {

enum class PngStatus : uint8_t {
    Ok,
    NotPng,
    // Container.
    Truncated,
    LengthOverflow,
    HeaderTooShort,
    HeaderCrc,
    BadDimensions,
    TooManyPixels,
    BadCompressionMethod,
    BadFilterMethod,
    BadBitDepth,
    BadColourType,
    BadInterlace,
    DataSizeOverflow,
    PaletteCrc,
    PaletteLength,
    ImageDataCrc,
    NoHeader,
    NoImageData,
    // Pixels.
    UnsupportedDepth,
    InflateFailed,
    InterlacedFilterType,
    PaletteIndex,
    OutOfMemory,
    HostFailed,
};

// One line of English naming the reason, for tools and test messages.
const char* PngStatusText(PngStatus status) noexcept;

enum : uint8_t {
    kColourGray = 0,
    kColourRGB = 2,
    kColourIndexed = 3,
    kColourGrayAlpha = 4,
    kColourRGBA = 6,
};

struct PngHeader {
    int32_t Width = 0;
    int32_t Height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
    uint8_t interlace = 0;
};

// At most this many pixels: Width x 32 x Height must stay within signed 32 bits.
constexpr int64_t kMaxPixels = 67'108'863;

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// The one bounds check of every read: n bytes from pos lie within size bytes.
constexpr bool Fits(size_t pos, size_t n, size_t size) noexcept {
    return pos <= size && n <= size - pos;
}

inline uint32_t Be32(const uint8_t* p) noexcept {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool HasPngSignature(std::span<const uint8_t> data) noexcept;

} // namespace imaging::png
