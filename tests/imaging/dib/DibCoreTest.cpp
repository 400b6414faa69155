#include "imaging/dib/DibCore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace imaging;

struct VersionCase {
    SystemVersion v;
    int32_t flags;
};

TEST(InitialCapabilityFlags, FollowTheSystemVersion) {
    const VersionCase cases[] = {
        {{1, 4, 10, 0}, kCapAlphaBlendSupported | kCapLegacySystem}, // 98
        {{1, 4, 0, 0}, kCapNoGdiPlus},                               // 95
        {{2, 5, 0, 0}, kCapAlphaBlendSupported | kCapAlphaBlendFriendly},
        {{2, 10, 0, 0}, kCapAlphaBlendSupported | kCapAlphaBlendFriendly},
        {{2, 4, 0, 5}, kCapNoGdiPlus},
        {{2, 4, 0, 6}, 0},
        {{2, 3, 51, 6}, 0},
    };
    for (const VersionCase& c : cases)
        EXPECT_EQ(InitialCapabilityFlags(c.v), c.flags)
            << c.v.platformId << " " << c.v.major << "." << c.v.minor << " sp" << c.v.servicePackMajor;
}

// 3 x 2: top row (y = 0) then bottom row (y = 1), blue, green, red, alpha as stored (premultiplied).
constexpr uint8_t kTop[3][4] = {{10, 20, 30, 255}, {0, 0, 0, 0}, {64, 32, 16, 128}};
constexpr uint8_t kBottom[3][4] = {{1, 2, 3, 255}, {40, 50, 60, 255}, {100, 110, 120, 200}};

class DibCore : public ::testing::Test {
  protected:
    DibCore() {
        // Memory row 0 is the bottom row.
        std::memcpy(mem.data(), kBottom, 12);
        std::memcpy(mem.data() + 12, kTop, 12);
    }
    std::vector<uint8_t> mem = std::vector<uint8_t>(24);
    PixelView img{mem.data(), 3, 2};
};

TEST_F(DibCore, GetPixelUnpremultipliesUnlessAskedNotTo) {
    int32_t a = -5;
    // Stored blue 64 under alpha 128 is 127 straight.
    EXPECT_EQ(GetPixel(img, 2, 0, a, false), 31 | 63 << 8 | 127 << 16);
    EXPECT_EQ(a, 128);
    EXPECT_EQ(GetPixel(img, 2, 0, a, true), 16 | 32 << 8 | 64 << 16);
    EXPECT_EQ(GetPixel(img, 0, 1, a, false), 3 | 2 << 8 | 1 << 16);
    EXPECT_EQ(a, 255);
    EXPECT_EQ(GetPixel(img, 1, 0, a, false), 0);
    EXPECT_EQ(a, 0);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}}) {
        a = 7;
        EXPECT_EQ(GetPixel(img, x, y, a, false), -1);
        EXPECT_EQ(a, 0);
    }
}

struct GetCase {
    const char* name;
    BitsLayout layout;
    BitsRegion region;
    bool premultiplied;
    std::vector<uint8_t> want;
};

class GetBitsTable : public DibCore, public ::testing::WithParamInterface<GetCase> {};

TEST_P(GetBitsTable, WritesTheRegionInTheLayout) {
    const GetCase& c = GetParam();
    ByteArray out;
    ASSERT_TRUE(GetBits(img, out, false, c.layout, c.region, c.premultiplied));
    EXPECT_EQ(out.bytes, c.want);
    EXPECT_EQ(out.rowLength, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetBitsTable,
    ::testing::Values(
        GetCase{"WholeImageAsStoredIsThePixelMemory", {}, {}, true, {1,   2,   3,   255, 40, 50, 60, 255,
                                                                     100, 110, 120, 200, 10, 20, 30, 255,
                                                                     0,   0,   0,   0,   64, 32, 16, 128}},
        GetCase{"RgbPaddedRowsTopDown",
                {.bgr = false, .is32bpp = false, .bottomUp = false},
                {},
                true,
                {30, 20, 10, 0, 0, 0, 16, 32, 64, 0, 0, 0, 3, 2, 1, 60, 50, 40, 120, 110, 100, 0, 0, 0}},
        GetCase{"StraightColoursTopDown", {.bottomUp = false}, {}, false, {10, 20,  30,  255, 0,   0,
                                                                           0,  0,   127, 63,  31,  128,
                                                                           1,  2,   3,   255, 40,  50,
                                                                           60, 255, 127, 140, 153, 200}},
        GetCase{"RegionUnpaddedBottomUp",
                {.is32bpp = false, .wordAligned = false},
                {1, 0, 2, 1},
                true,
                {0, 0, 0, 64, 32, 16}},
        GetCase{"RegionClippedToTheImage", {}, {2, 1, 5, 9}, true, {100, 110, 120, 200}},
        GetCase{"SizeZeroReachesTheEdges",
                {.bgr = false, .bottomUp = false},
                {1, 1, 0, 0},
                true,
                {60, 50, 40, 255, 120, 110, 100, 200}}),
    [](const ::testing::TestParamInfo<GetCase>& info) { return std::string(info.param.name); });

TEST_F(DibCore, GetBitsRefusesBadRegions) {
    ByteArray out;
    const BitsLayout all;
    EXPECT_FALSE(GetBits(img, out, false, all, {-1, 0, 0, 0}, true));
    EXPECT_FALSE(GetBits(img, out, false, all, {0, -1, 0, 0}, true));
    EXPECT_FALSE(GetBits(img, out, false, all, {3, 0, 0, 0}, true));
    EXPECT_FALSE(GetBits(img, out, false, all, {0, 0, -2, 1}, true));
    EXPECT_FALSE(GetBits(PixelView{}, out, false, all, {}, true));
    EXPECT_FALSE(out.IsDimensioned());
}

class SetBitsTest : public ::testing::Test {
  protected:
    std::vector<uint8_t> mem = std::vector<uint8_t>(4 * 3 * 2);
    PixelView img{mem.data(), 3, 2};
    bool hasAlpha = false;
};

TEST_F(SetBitsTest, EveryLayoutRoundTripsThroughGetBits) {
    std::vector<uint8_t> source(24);
    std::memcpy(source.data(), kBottom, 12);
    std::memcpy(source.data() + 12, kTop, 12);
    const PixelView from{source.data(), 3, 2};
    for (int bits = 0; bits < 16; ++bits) {
        const BitsLayout layout{.bgr = (bits & 1) != 0,
                                .is32bpp = (bits & 2) != 0,
                                .wordAligned = (bits & 4) != 0,
                                .bottomUp = (bits & 8) != 0};
        ByteArray out;
        ASSERT_TRUE(GetBits(from, out, (bits & 1) != 0, layout, {}, true));
        EXPECT_EQ(out.rowLength, (bits & 1) ? RowLength(layout, 3) : 0);
        // 3-byte layouts leave the target's alpha as it was.
        for (int i = 0; i < 6; ++i)
            mem[i * 4 + 3] = source[i * 4 + 3];
        ASSERT_TRUE(SetBits(img, out, layout, {}, hasAlpha)) << bits;
        EXPECT_EQ(mem, source) << "layout " << bits;
        EXPECT_TRUE(hasAlpha);
    }
}

TEST_F(SetBitsTest, OneByteShortFailsAndLeavesTheImage) {
    std::fill(mem.begin(), mem.end(), uint8_t{7});
    const std::vector<uint8_t> before = mem;
    ByteArray in;
    // Two padded rows of three 3-byte pixels need 2 x 12 bytes.
    in.Redim(2 * 12 - 1);
    EXPECT_FALSE(SetBits(img, in, {false, false, true, false}, {}, hasAlpha));
    EXPECT_EQ(mem, before);
    in.Redim(2 * 12);
    EXPECT_TRUE(SetBits(img, in, {false, false, true, false}, {}, hasAlpha));
    EXPECT_FALSE(SetBits(img, in, {false, false, true, false}, {-1, 0, 0, 0}, hasAlpha));
    EXPECT_FALSE(SetBits(img, ByteArray{}, {}, {}, hasAlpha));
}

TEST_F(SetBitsTest, WritesIntoTheRegionCountedFromTheTop) {
    ByteArray in;
    // One red, then one blue pixel, red-green-blue order, 3 bytes, unpadded, bottom-up: one row.
    in.bytes = {255, 0, 0, 0, 0, 255};
    ASSERT_TRUE(SetBits(img, in, {false, false, false, true}, {1, 1, 2, 1}, hasAlpha));
    int32_t a = 0;
    EXPECT_EQ(GetPixel(img, 1, 1, a, true), 0x0000FF);
    EXPECT_EQ(GetPixel(img, 2, 1, a, true), 0xFF0000);
    // The rest had zero alpha and no colour, the new pixels colour under zero alpha: all made opaque.
    EXPECT_FALSE(hasAlpha);
    EXPECT_EQ(a, 255);
    EXPECT_EQ(GetPixel(img, 0, 0, a, true), 0);
    EXPECT_EQ(a, 255);
}

uint32_t Le32(const std::vector<uint8_t>& v, std::size_t at) {
    return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
}

TEST_F(DibCore, BmpWithoutAlphaHasPaddedTwentyFourBitRows) {
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(WriteBmp(img, false, bmp));
    ASSERT_EQ(bmp.size(), 54u + 12 * 2);
    // Signature, file size, pixel offset, header size, 3 x 2, one plane, 24 bits, no compression.
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin(), bmp.begin() + 34),
              (std::vector<uint8_t>{'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0,  0, 0, 40, 0, 0,
                                    0,   3,   0,  0, 0, 2, 0, 0, 0, 1, 0,  24, 0, 0, 0,  0, 0}));
    EXPECT_EQ(Le32(bmp, 34), 24u);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 38, bmp.begin() + 54), std::vector<uint8_t>(16, 0));
    const std::vector<uint8_t> rows(bmp.begin() + 54, bmp.end());
    EXPECT_EQ(rows, (std::vector<uint8_t>{1,  2,  3,  40, 50, 60, 100, 110, 120, 0, 0, 0, //
                                          10, 20, 30, 0,  0,  0,  64,  32,  16,  0, 0, 0}));
}

TEST_F(DibCore, BmpWithAlphaIsThePremultipliedMemory) {
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(WriteBmp(img, true, bmp));
    ASSERT_EQ(bmp.size(), 54u + 24);
    EXPECT_EQ(bmp[28], 32);
    EXPECT_EQ(Le32(bmp, 34), 24u);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.end()), mem);
    EXPECT_FALSE(WriteBmp(PixelView{}, true, bmp));
}

} // namespace
