// Decodes the PNG a Windows test saved through GDI+ with libpng and compares it with the pattern the
// test drew. Exit status 0 when every pixel matches.
#include "tests/imaging/dib/SavedPngPattern.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: png_readback FILE.png\n");
        return 2;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, argv[1])) {
        std::fprintf(stderr, "png_readback: %s: %s\n", argv[1], image.message);
        return 1;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "png_readback: %s: %s\n", argv[1], image.message);
        return 1;
    }
    using namespace imaging_test;
    if (image.width != kSavedPngWidth || image.height != kSavedPngHeight) {
        std::fprintf(stderr, "png_readback: size %ux%u, want %dx%d\n", image.width, image.height,
                     kSavedPngWidth, kSavedPngHeight);
        return 1;
    }
    int bad = 0;
    for (int y = 0; y < kSavedPngHeight; ++y)
        for (int x = 0; x < kSavedPngWidth; ++x) {
            const png_byte* p = &pixels[(static_cast<std::size_t>(y) * kSavedPngWidth + x) * 4];
            const SavedPixel got{p[0], p[1], p[2], p[3]};
            const SavedPixel want = SavedPngPixel(x, y);
            if (SavedPixelMatches(want, got)) continue;
            if (++bad <= 10)
                std::fprintf(stderr, "png_readback: (%d, %d) is %u,%u,%u,%u, want %u,%u,%u,%u\n", x, y, got.r,
                             got.g, got.b, got.a, want.r, want.g, want.b, want.a);
        }
    if (bad) {
        std::fprintf(stderr, "png_readback: %d pixels differ\n", bad);
        return 1;
    }
    std::printf("png_readback: %s: %dx%d pixels as drawn\n", argv[1], kSavedPngWidth, kSavedPngHeight);
    return 0;
}
