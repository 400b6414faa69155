#pragma once
// The pixel rules of the 32-bpp image object apart from the window system: where a pixel lives in
// the bottom-up premultiplied memory, reading and writing rectangles of it in the layouts callers
// ask for, the BMP file it saves as, and the capability flags a system version gives.
#include "imaging/dib/ByteArray.h"
#include "imaging/pixels/PixelView.h"

#include <cstdint>
#include <vector>

namespace imaging {

// Capability flags of an image object.
enum : int32_t {
    kCapAlphaBlendFriendly = 0x01,
    kCapGdiPlusEnabled = 0x02,
    kCapAlphaBlendSupported = 0x08,
    kCapLegacySystem = 0x10,
    kCapNoGdiPlus = 0x20,
};

struct SystemVersion {
    uint32_t platformId = 0;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint16_t servicePackMajor = 0;
};
int32_t InitialCapabilityFlags(const SystemVersion& v);

// -1 (and alphaValue 0) outside the image; otherwise 0x00BBGGRR, un-premultiplied unless asked not to.
int32_t GetPixel(const PixelView& img, int32_t x, int32_t y, int32_t& alphaValue, bool asPreMultiplied);

struct BitsLayout {
    bool bgr = true;         // blue, green, red order; else red, green, blue
    bool is32bpp = true;     // 4 bytes per pixel with alpha; else 3
    bool wordAligned = true; // 3-byte rows padded to a multiple of 4 bytes
    bool bottomUp = true;    // the first row of the array is the region's bottom row
};

// A rectangle counted from the image's top-left; width or height 0 stands for the image's own.
struct BitsRegion {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Bytes of one row of width pixels in the layout; -1 when it leaves 32-bit arithmetic.
int32_t RowLength(const BitsLayout& layout, int32_t width);

// Copies the region out in the layout. False without an image, with a negative origin, an empty region
// after clipping to the image, or a size that leaves 32-bit arithmetic.
bool GetBits(const PixelView& img, ByteArray& out, bool as2dArray, const BitsLayout& layout,
             BitsRegion region, bool asPreMultiplied);

// Copies bytes in the layout into the region, then runs the alpha analysis over the whole image with
// premultiplication, which gives hasAlpha. Fails, leaving the image as it was, when the input holds
// fewer bytes than the region needs.
bool SetBits(const PixelView& img, const ByteArray& in, const BitsLayout& layout, BitsRegion region,
             bool& hasAlpha);

// The image as a BMP file: 32-bit rows of the premultiplied memory as it is with alpha, 24-bit
// DWORD-aligned rows without.
bool WriteBmp(const PixelView& img, bool hasAlpha, std::vector<uint8_t>& out);

} // namespace imaging
