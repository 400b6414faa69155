// Arbitrary pixels, layouts, regions and input arrays for the image object's pixel access: nothing may
// read or write outside the pixel memory or the arrays, and after SetBits every colour byte is at most
// its pixel's alpha.
#include "imaging/dib/DibCore.h"
#include "imaging/pixels/PixelMath.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    using namespace imaging;
    const int32_t w = 1 + data[0] % 40;
    const int32_t h = 1 + data[1] % 40;
    const BitsLayout layout{.bgr = (data[2] & 1) != 0,
                            .is32bpp = (data[2] & 2) != 0,
                            .wordAligned = (data[2] & 4) != 0,
                            .bottomUp = (data[2] & 8) != 0};
    const bool premultiplied = (data[2] & 16) != 0;
    const bool as2d = (data[2] & 32) != 0;
    const BitsRegion region{static_cast<int8_t>(data[3]), static_cast<int8_t>(data[4]),
                            static_cast<int8_t>(data[5]), static_cast<int8_t>(data[6])};
    data += 12;
    size -= 12;

    std::vector<uint8_t> mem(static_cast<std::size_t>(w) * h * 4);
    std::memcpy(mem.data(), data, std::min(size, mem.size()));
    const PixelView img{mem.data(), w, h};

    ByteArray out;
    if (GetBits(img, out, as2d, layout, region, premultiplied)) {
        if (out.bytes.empty()) Fail("GetBits answered True with nothing");
        if (as2d && static_cast<std::size_t>(out.rowLength) * static_cast<std::size_t>(out.Rows()) !=
                        out.bytes.size())
            Fail("two-dimensional array of another size");
    }
    int32_t alpha = 0;
    (void)GetPixel(img, region.left, region.top, alpha, premultiplied);

    ByteArray in;
    in.bytes.assign(data, data + size);
    bool hasAlpha = false;
    if (SetBits(img, in, layout, region, hasAlpha)) {
        for (std::size_t i = 0; i < mem.size(); i += 4)
            if (mem[i] > mem[i + 3] || mem[i + 1] > mem[i + 3] || mem[i + 2] > mem[i + 3])
                Fail("colour above alpha after SetBits");
    }
    std::vector<uint8_t> bmp;
    if (WriteBmp(img, hasAlpha, bmp) && bmp.size() < 54) Fail("short BMP");
    return 0;
}
