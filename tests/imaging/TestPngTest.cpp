#include "TestPng.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using imaging_test::MakePng;
using imaging_test::Rgba;

Rgba Pattern(int x, int y) {
    return {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x ^ y),
            static_cast<uint8_t>(x + y)};
}

// The test PNGs are what Windows tests feed to decoders: libpng must read them as the pixels meant.
TEST(TestPng, LibpngReadsThePixelsBack) {
    // 200 x 100 RGBA rows need two stored deflate blocks.
    for (bool alpha : {true, false}) {
        const std::vector<uint8_t> file = MakePng(200, 100, alpha, Pattern);
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size())) << image.message;
        EXPECT_EQ(image.width, 200u);
        EXPECT_EQ(image.height, 100u);
        EXPECT_EQ((image.format & PNG_FORMAT_FLAG_ALPHA) != 0, alpha);
        image.format = PNG_FORMAT_RGBA;
        std::vector<png_byte> px(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) << image.message;
        EXPECT_EQ(image.warning_or_error, 0) << image.message;
        int bad = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                const png_byte* p = &px[(y * 200 + x) * 4];
                const Rgba c = Pattern(x, y);
                bad += p[0] != c.r || p[1] != c.g || p[2] != c.b || p[3] != (alpha ? c.a : 255);
            }
        EXPECT_EQ(bad, 0) << "alpha " << alpha;
    }
}

} // namespace
