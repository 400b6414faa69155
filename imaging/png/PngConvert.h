#pragma once
// Turning reconstructed PNG rows into premultiplied blue, green, red, alpha pixels, for every colour
// type and bit depth; 16-bit samples keep their high byte. Two implementations obey the same table and
// are tested against each other: the fast row converters the decoder uses (lookup tables, vector
// premultiplication) and a plain per-pixel one written as the table reads. Platform-free.
#include "imaging/png/PngChunks.h"
#include "imaging/png/PngFormat.h"

#include <cstdint>

namespace imaging::png {

// floor(c x a / 255) for c, a in 0..255, exactly.
constexpr uint8_t PremultiplyFast(uint32_t c, uint32_t a) {
    return static_cast<uint8_t>(((c * a + 1) * 257) >> 16);
}

// A pixel as the host stores it, read as a little-endian 32-bit value: 0xAARRGGBB.
constexpr uint32_t HostPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    if (a == 0) return 0;
    if (a != 255) {
        r = PremultiplyFast(r, a);
        g = PremultiplyFast(g, a);
        b = PremultiplyFast(b, a);
    }
    return b | (g << 8) | (r << 16) | (a << 24);
}

// Everything the converters need of one image, made once before its rows.
class PngConversion {
  public:
    // False with UnsupportedDepth for a colour type and depth the standard does not allow.
    PngStatus Prepare(const PngContainer& c);

    // Writes count pixels of the row (its bytes after the filter byte) to dst, left to right. False when
    // an indexed pixel lies past the end of the palette.
    bool ConvertRow(const uint8_t* src, int32_t count, uint32_t* dst) const;

    // The same pixel by pixel, as the table reads: writes nothing for alpha 0, so dst must start zeroed.
    bool ConvertPixelReference(const uint8_t* src, int32_t index, uint8_t* bgra) const;

  private:
    uint8_t m_colour = 0;
    uint8_t m_depth = 0;
    int32_t m_key = -1;
    // The high bytes of a 16-bit key: gray, or red, green, blue.
    uint8_t m_keyHigh[3] = {};
    // Gray and indexed samples straight to host pixels; entries past the palette are not valid.
    uint32_t m_lut[256] = {};
    uint32_t m_entries = 0;
    // For the reference: the palette (default or from PLTE) and the transparency bytes.
    std::vector<uint8_t> m_palette;
    std::vector<uint8_t> m_alpha;
};

} // namespace imaging::png
