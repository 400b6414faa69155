#pragma once
// Pixel arithmetic of the memory drawing surface on 32-bpp rows read back from GDI: the disabled (embossed)
// image of a picture and the two planes of an icon. Pixels are 0xAARRGGBB, rows top-down, w × h.
#include <cstdint>
#include <span>
#include <vector>

namespace drawing {

// A COLORREF (0x00BBGGRR) as a pixel (0x00RRGGBB), and back.
constexpr uint32_t PixelOf(uint32_t colorref) {
    return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}
constexpr uint32_t ColorRefOf(uint32_t pixel) {
    return (pixel & 0xFF) << 16 | (pixel & 0xFF00) | (pixel >> 16 & 0xFF);
}

// Nearer to black than to white: the reduction of a colour to one bit.
constexpr bool IsDark(uint32_t pixel) {
    return (pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF) < 383;
}

// Paints the disabled image of src over dst: the dark pixels of src that are not the mask colour form a
// shape, drawn first in highlight one pixel right and down (clipped to w × h), then in shadow in place;
// every other dst pixel is left as it was. Colours are pixels; alpha bytes are ignored when comparing.
// False, with dst untouched, when a buffer is smaller than w × h.
bool EmbossDisabled(std::span<const uint32_t> src, std::span<uint32_t> dst, int32_t w, int32_t h,
                    uint32_t mask, uint32_t highlight, uint32_t shadow);

struct IconPlanes {
    // One bit per pixel, most significant bit first, rows padded to 16 bits: 1 where the icon is transparent.
    std::vector<uint8_t> mask;
    // The colour image with the transparent pixels black and the alpha bytes 0, so the mask decides.
    std::vector<uint32_t> colour;
};

// Splits a surface into the planes of an icon in which the pixels whose COLORREF equals key are transparent.
// The key is compared as given: a system colour index matches no pixel. Empty planes for a bad size.
IconPlanes SplitIconPlanes(std::span<const uint32_t> pixels, int32_t w, int32_t h, uint32_t key);

} // namespace drawing
