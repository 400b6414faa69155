#include "imaging/dib/DibCore.h"

#include "imaging/pixels/PixelMath.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace imaging {

int32_t InitialCapabilityFlags(const SystemVersion& v) {
    constexpr uint32_t kWin9x = 1;
    if (v.platformId == kWin9x)
        return v.minor != 0 ? kCapAlphaBlendSupported | kCapLegacySystem : kCapNoGdiPlus;
    if (v.major > 4) return kCapAlphaBlendSupported | kCapAlphaBlendFriendly;
    if (v.servicePackMajor < 6) return kCapNoGdiPlus;
    return 0;
}

namespace {

constexpr int64_t kMaxLong = std::numeric_limits<int32_t>::max();

// A stored colour that breaks the premultiplied rule is held at 255 instead of wrapping.
uint8_t Straight(uint8_t c, uint8_t a) {
    return static_cast<uint8_t>(std::min(c * 255 / a, 255));
}

// Fills in 0 sizes and clips to the image; false when nothing is left or the origin is negative.
bool Normalise(const PixelView& img, BitsRegion& r) {
    if (r.left < 0 || r.top < 0) return false;
    if (r.width == 0) r.width = img.width;
    if (r.height == 0) r.height = img.height;
    if (int64_t{r.left} + r.width > img.width) r.width = img.width - r.left;
    if (int64_t{r.top} + r.height > img.height) r.height = img.height - r.top;
    return r.width >= 1 && r.height >= 1;
}

void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

int32_t GetPixel(const PixelView& img, int32_t x, int32_t y, int32_t& alphaValue, bool asPreMultiplied) {
    alphaValue = 0;
    if (img.Empty() || x < 0 || x >= img.width || y < 0 || y >= img.height) return -1;
    const uint8_t* p = img.At(x, y);
    const uint8_t a = p[3];
    alphaValue = a;
    uint8_t b = p[0], g = p[1], r = p[2];
    if (!asPreMultiplied && a % 255 != 0) {
        b = Straight(b, a);
        g = Straight(g, a);
        r = Straight(r, a);
    }
    return r | (g << 8) | (b << 16);
}

int32_t RowLength(const BitsLayout& layout, int32_t width) {
    int64_t n;
    if (layout.is32bpp)
        n = int64_t{width} * 4;
    else if (layout.wordAligned)
        n = ((int64_t{width} * 24 + 31) & ~int64_t{31}) / 8;
    else
        n = int64_t{width} * 3;
    return n > kMaxLong ? -1 : static_cast<int32_t>(n);
}

bool GetBits(const PixelView& img, ByteArray& out, bool as2dArray, const BitsLayout& layout,
             BitsRegion region, bool asPreMultiplied) {
    if (img.Empty() || !Normalise(img, region)) return false;
    const int32_t rowLen = RowLength(layout, region.width);
    if (rowLen < 0 || int64_t{rowLen} * region.height > kMaxLong) return false;
    if (as2dArray)
        out.Redim2D(rowLen, region.height);
    else
        out.Redim(static_cast<std::size_t>(rowLen) * static_cast<std::size_t>(region.height));

    const bool wholeImage =
        region.left == 0 && region.top == 0 && region.width == img.width && region.height == img.height;
    if (layout.is32bpp && layout.bgr && layout.bottomUp && asPreMultiplied && wholeImage) {
        std::memcpy(out.bytes.data(), img.bits, img.ByteCount());
        return true;
    }

    const int bpp = layout.is32bpp ? 4 : 3;
    for (int32_t r = 0; r < region.height; ++r) {
        const int32_t outRow = layout.bottomUp ? region.height - 1 - r : r;
        uint8_t* dst = out.bytes.data() + static_cast<std::size_t>(outRow) * static_cast<std::size_t>(rowLen);
        const uint8_t* src = img.At(region.left, region.top + r);
        for (int32_t x = 0; x < region.width; ++x, src += 4, dst += bpp) {
            const uint8_t a = src[3];
            uint8_t b = src[0], g = src[1], red = src[2];
            if (!asPreMultiplied && a != 255) {
                b = a == 0 ? 0 : Straight(b, a);
                g = a == 0 ? 0 : Straight(g, a);
                red = a == 0 ? 0 : Straight(red, a);
            }
            dst[0] = layout.bgr ? b : red;
            dst[1] = g;
            dst[2] = layout.bgr ? red : b;
            if (bpp == 4) dst[3] = a;
        }
    }
    return true;
}

bool SetBits(const PixelView& img, const ByteArray& in, const BitsLayout& layout, BitsRegion region,
             bool& hasAlpha) {
    if (img.Empty() || !in.IsDimensioned() || !Normalise(img, region)) return false;
    const int32_t rowLen = RowLength(layout, region.width);
    if (rowLen < 0 || int64_t{rowLen} * region.height > static_cast<int64_t>(in.bytes.size())) return false;

    const int bpp = layout.is32bpp ? 4 : 3;
    for (int32_t r = 0; r < region.height; ++r) {
        const int32_t y = layout.bottomUp ? region.top + region.height - 1 - r : region.top + r;
        const uint8_t* src = in.bytes.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(rowLen);
        uint8_t* dst = img.At(region.left, y);
        for (int32_t x = 0; x < region.width; ++x, src += bpp, dst += 4) {
            dst[0] = layout.bgr ? src[0] : src[2];
            dst[1] = src[1];
            dst[2] = layout.bgr ? src[2] : src[0];
            if (bpp == 4) dst[3] = src[3];
        }
    }
    int32_t kind = kImageBlank;
    ModAPI::AnalyzeAlpha({img.bits, img.ByteCount()}, true, hasAlpha, kind);
    return true;
}

bool WriteBmp(const PixelView& img, bool hasAlpha, std::vector<uint8_t>& out) {
    if (img.Empty()) return false;
    constexpr uint32_t kHeaderBytes = 54;
    const int32_t depth = hasAlpha ? 32 : 24;
    const int64_t rowLen = ((int64_t{depth} * img.width + 31) & ~int64_t{31}) / 8;
    const int64_t imageSize = rowLen * img.height;
    if (imageSize + kHeaderBytes > kMaxLong) return false;

    std::vector<uint8_t> file(static_cast<std::size_t>(imageSize) + kHeaderBytes, 0);
    uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    PutLE32(h + 2, static_cast<uint32_t>(imageSize) + kHeaderBytes);
    PutLE32(h + 10, kHeaderBytes);
    PutLE32(h + 14, 40);
    PutLE32(h + 18, static_cast<uint32_t>(img.width));
    PutLE32(h + 22, static_cast<uint32_t>(img.height));
    h[26] = 1;
    h[28] = static_cast<uint8_t>(depth);
    PutLE32(h + 34, static_cast<uint32_t>(imageSize));

    if (hasAlpha) {
        std::memcpy(h + kHeaderBytes, img.bits, img.ByteCount());
    } else {
        ByteArray rows;
        if (!GetBits(img, rows, true, BitsLayout{.is32bpp = false}, {}, true)) return false;
        std::memcpy(h + kHeaderBytes, rows.bytes.data(), rows.bytes.size());
    }
    out = std::move(file);
    return true;
}

} // namespace imaging
