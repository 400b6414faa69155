// The pixel rules libpng does not check for us: truncating premultiplication, keys compared on high
// bytes at depth 16, default palettes, bad filter bytes, short and long image data; then the fast
// filter and conversion code against the plain one on random rows.
#include "imaging/png/PngConvert.h"
#include "imaging/png/PngFilters.h"
#include "tests/imaging/png/PngTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace pngtest {
namespace {

using imaging::png::PngStatus;
using Px = std::vector<uint8_t>;

std::vector<uint8_t> Png(const std::vector<uint8_t>& header, const std::vector<uint8_t>& rows,
                         std::initializer_list<std::vector<uint8_t>> extra = {}) {
    std::vector<uint8_t> png = Signature();
    Append(png, Chunk("IHDR", header));
    for (const auto& c : extra)
        Append(png, c);
    Append(png, Chunk("IDAT", Zlib(rows)));
    Append(png, Chunk("IEND", {}));
    return png;
}

Decoded DecodeOk(const std::vector<uint8_t>& png) {
    Decoded d = Decode(png);
    EXPECT_EQ(d.status, PngStatus::Ok) << imaging::png::PngStatusText(d.status);
    // Every route agrees on every file here.
    for (const Route& r : kRoutes)
        EXPECT_EQ(Decode(png, r).image.bits, d.image.bits) << RouteName(r);
    return d;
}

TEST(Pixels, HalfTransparentPixelIsPremultipliedTruncating) {
    const Decoded d = DecodeOk(Png(HeaderBody(1, 1, 8, 6, 0), {0, 200, 100, 50, 128}));
    EXPECT_EQ(d.image.bits, (Px{25, 50, 100, 128}));
    EXPECT_TRUE(d.image.alpha);
}

TEST(Pixels, SixteenBitKeysCompareHighBytesOnly) {
    // Key (0x1234, 0x5678, 0x9ABC); the pixel differs from it in its low bytes only.
    const Decoded rgb = DecodeOk(Png(HeaderBody(2, 1, 16, 2, 0),
                                     {0, 0x12, 0, 0x56, 0, 0x9A, 0, 0x13, 0x34, 0x56, 0x78, 0x9A, 0xBC},
                                     {Chunk("tRNS", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC})}));
    EXPECT_EQ(rgb.image.bits, (Px{0, 0, 0, 0, 0x9A, 0x56, 0x13, 255}));
    const Decoded gray =
        DecodeOk(Png(HeaderBody(2, 1, 16, 0, 0), {0, 0x12, 0xFF, 0x13, 0x34}, {Chunk("tRNS", {0x12, 0x34})}));
    EXPECT_EQ(gray.image.bits, (Px{0, 0, 0, 0, 0x13, 0x13, 0x13, 255}));
    EXPECT_TRUE(gray.image.alpha);
}

TEST(Pixels, IndexedWithoutPaletteIsBlackWithWhiteAtDepthOne) {
    EXPECT_EQ(DecodeOk(Png(HeaderBody(2, 1, 1, 3, 0), {0, 0x40})).image.bits,
              (Px{0, 0, 0, 255, 255, 255, 255, 255}));
    EXPECT_EQ(DecodeOk(Png(HeaderBody(2, 1, 8, 3, 0), {0, 1, 255})).image.bits,
              (Px{0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(Pixels, UnknownFilterByteLeavesTheRowAsStored) {
    // Row 2 names filter 7: taken unfiltered, and the row below (Up) adds to it as stored.
    const Decoded d = DecodeOk(Png(HeaderBody(2, 3, 8, 0, 0), {0, 5, 6, 7, 9, 8, 2, 1, 1}));
    EXPECT_EQ(d.image.bits,
              (Px{10, 10, 10, 255, 9, 9, 9, 255, 9, 9, 9, 255, 8, 8, 8, 255, 5, 5, 5, 255, 6, 6, 6, 255}));
}

TEST(Pixels, ShortImageDataLeavesTheMissingRowsZero) {
    // One row of three: the missing rows read as filter none and zero samples, not as the rows a decode
    // before left in the buffer this one reuses.
    DecodeOk(Png(HeaderBody(1, 3, 8, 2, 0), {0, 9, 9, 9, 0, 9, 9, 9, 0, 9, 9, 9}));
    const Decoded rgb = DecodeOk(Png(HeaderBody(1, 3, 8, 2, 0), {0, 1, 2, 3}));
    EXPECT_EQ(rgb.image.bits, (Px{0, 0, 0, 255, 0, 0, 0, 255, 3, 2, 1, 255}));
    const Decoded rgba = DecodeOk(Png(HeaderBody(1, 2, 8, 6, 0), {0, 1, 2, 3, 4}));
    EXPECT_EQ(rgba.image.bits, (Px{0, 0, 0, 0, 0, 0, 0, 4}));
}

TEST(Pixels, LongImageDataDoesNotWritePastTheBuffer) {
    // Ten rows' worth of data for a one-row image: zlib refuses it and the built-in inflater stops at
    // the capacity one way or the other; either way the host is sound.
    std::vector<uint8_t> rows(10 * 4);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = i % 4 == 0 ? 0 : static_cast<uint8_t>(i);
    for (const Route& r : kRoutes) {
        const Decoded d = Decode(Png(HeaderBody(1, 1, 8, 2, 0), rows), r);
        EXPECT_EQ(d.image.bits.size(), d.status == PngStatus::Ok ? 4u : 0u);
    }
}

// ---- fast against plain code

TEST(FastPaths, FiltersMatchTheReferenceOnRandomRows) {
    std::mt19937 rng(42);
    for (int distance : {1, 2, 3, 4, 6, 8}) {
        for (uint8_t type = 0; type <= 5; ++type) {
            for (size_t length : {size_t{0}, size_t{1}, size_t{5}, size_t{24}, size_t{49}, size_t{400}}) {
                std::vector<uint8_t> prev(length), row(length);
                for (auto& v : prev)
                    v = static_cast<uint8_t>(rng());
                for (auto& v : row)
                    v = static_cast<uint8_t>(rng());
                for (const bool first : {false, true}) {
                    auto fast = row, plain = row;
                    const uint8_t* above = first ? nullptr : prev.data();
                    const bool a = imaging::png::UnfilterRow(type, fast.data(), above, length, distance);
                    const bool b =
                        imaging::png::UnfilterRowReference(type, plain.data(), above, length, distance);
                    ASSERT_EQ(a, b);
                    ASSERT_EQ(fast, plain) << "distance " << distance << " type " << int(type) << " length "
                                           << length << (first ? " first row" : "");
                }
            }
        }
    }
}

TEST(FastPaths, ConversionMatchesTheReferenceOnRandomRows) {
    std::mt19937 rng(7);
    const std::pair<uint8_t, std::vector<uint8_t>> allowed[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto& [colour, depths] : allowed) {
        for (uint8_t depth : depths) {
            for (int trial = 0; trial < 40; ++trial) {
                imaging::png::PngContainer c;
                c.header = {37, 1, depth, colour, 0};
                c.haveHeader = true;
                // Palettes of every size, sometimes short enough for indexes past their end.
                if (colour == 3 && trial % 4 != 0)
                    c.palette = MakePalette(1 + static_cast<int>(rng() % 256), trial);
                if (trial % 2 == 1 && colour != 4 && colour != 6) {
                    c.transparency.resize(colour == 3 ? 256 : 6);
                    for (auto& v : c.transparency)
                        v = static_cast<uint8_t>(rng() % 4 == 0 ? 255 : rng());
                    c.transKey = colour == 0   ? c.transparency[1]
                                 : colour == 2 ? (c.transparency[1] << 16) | (c.transparency[3] << 8) |
                                                     c.transparency[5]
                                               : 0;
                }
                imaging::png::PngConversion conv;
                ASSERT_EQ(conv.Prepare(c), PngStatus::Ok);
                const int32_t width = 37;
                const size_t bytes = (static_cast<size_t>(width) * Channels(colour) * depth + 7) / 8;
                std::vector<uint8_t> row(bytes);
                for (auto& v : row)
                    v = static_cast<uint8_t>(rng());
                // Some samples equal to the key, so the transparent branch is taken.
                if (c.transKey != -1 && colour != 3 && depth >= 8)
                    for (size_t px = 0; px < static_cast<size_t>(width); px += 3)
                        for (int ch = 0; ch < Channels(colour); ++ch)
                            row[(px * Channels(colour) + ch) * (depth / 8)] =
                                colour == 0 && depth == 8 ? c.transparency[1] : c.transparency[2 * ch];

                std::vector<uint32_t> fast(width);
                std::vector<uint8_t> plain(static_cast<size_t>(width) * 4, 0);
                const bool a = conv.ConvertRow(row.data(), width, fast.data());
                bool b = true;
                for (int32_t k = 0; k < width && b; ++k)
                    b = conv.ConvertPixelReference(row.data(), k, &plain[k * 4]);
                ASSERT_EQ(a, b) << "colour " << int(colour) << " depth " << int(depth);
                if (!a) continue;
                ASSERT_EQ(0, std::memcmp(fast.data(), plain.data(), plain.size()))
                    << "colour " << int(colour) << " depth " << int(depth) << " trial " << trial;
            }
        }
    }
}

TEST(FastPaths, PremultiplicationIsExactForEveryColourAndAlpha) {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c)
            ASSERT_EQ(imaging::png::PremultiplyFast(c, a), c * a / 255) << c << " " << a;
}

} // namespace
} // namespace pngtest
