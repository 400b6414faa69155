#pragma once
// The arithmetic helpers of the image engine that need no window system: byte order, row lengths,
// pointer offsets, grayscale weights and the alpha analysis every pixel writer runs.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

// What the pixels of an image are and where they came from (its ImageType).
enum : int32_t {
    kImageNone = -1,
    kImageBlank = 0,
    kImageOpaque = 1,
    kImageStraightAlpha = 6,
    kImagePremultiplied = 7,
    kImageDecoded = 10,
    kImageCheckerBoard = 64,
};

constexpr uint8_t Premultiply(uint8_t c, uint8_t a) {
    return static_cast<uint8_t>(c * a / 255);
}

namespace ModAPI {

// The four bytes in reverse order, for big-endian fields.
constexpr int32_t SwapLongBytes(int32_t v) {
    return static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(v)));
}

// Length of a DWORD-aligned row of width pixels of the given depth. A length that leaves 32-bit
// signed arithmetic raises the overflow error rather than wrapping.
int32_t ScanlineBytes(uint8_t bits, int32_t width);

// address + offset; 0 when the sum would leave the address range.
uintptr_t OffsetPointer(uintptr_t address, intptr_t offset);

struct GrayWeights {
    float red;
    float green;
    float blue;
};
// Weights of a grayscale formula; -1 is the identity the GDI+ matrix uses, unknown formulas are 0.
GrayWeights GrayScaleWeights(int32_t formula);

// Decides whether a buffer of 4-byte pixels (blue, green, red, alpha) carries transparency, and how:
// kind in -1 counts the buffer as opaque. Out: hasAlpha, and kind 1 (none), 7 (already
// premultiplied) or 6 (straight alpha). With premultiply, an opaque outcome sets every alpha to 255
// and straight alpha is converted to premultiplied in place.
void AnalyzeAlpha(std::span<uint8_t> pixels, bool premultiply, bool& hasAlpha, int32_t& kind);

} // namespace ModAPI
} // namespace imaging
