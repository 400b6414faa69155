// The container rules on hand-built files: checksums (a stored 0 is none; tRNS failing its checksum is
// skipped), header and palette rules, where palette and transparency take effect, image data over
// several chunks, and malformed files of every kind ending cleanly, with or without zlib.
#include "tests/imaging/png/PngTestSupport.h"

#include <gtest/gtest.h>

namespace pngtest {
namespace {

using imaging::png::PngStatus;

std::vector<uint8_t> Png(std::initializer_list<std::vector<uint8_t>> chunks) {
    std::vector<uint8_t> png = Signature();
    for (const auto& c : chunks)
        Append(png, c);
    return png;
}

std::vector<uint8_t> Ihdr(uint32_t w, uint32_t h, uint8_t depth = 8, uint8_t colour = 2,
                          uint8_t interlace = 0) {
    return Chunk("IHDR", HeaderBody(w, h, depth, colour, interlace));
}

// Rows of 2 x 2 RGB pixels with filter type 0: red, green / blue, white.
const std::vector<uint8_t> kRgbRows = {0, 255, 0, 0, 0, 255, 0, 1, 0, 0, 255, 255, 255, 255};

std::vector<uint8_t> Idat(const std::vector<uint8_t>& rows = kRgbRows) {
    return Chunk("IDAT", Zlib(rows));
}
const std::vector<uint8_t> kIend = Chunk("IEND", {});

std::vector<uint8_t> WithCrc(std::vector<uint8_t> chunk, uint32_t crc) {
    for (int i = 0; i < 4; ++i)
        chunk[chunk.size() - 4 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return chunk;
}
std::vector<uint8_t> BadCrc(std::vector<uint8_t> chunk) {
    chunk.back() ^= 0x5A;
    return chunk;
}

struct Case {
    const char* name;
    std::vector<uint8_t> png;
    PngStatus withZlib;
    PngStatus withoutZlib;
};

std::vector<Case> Cases() {
    std::vector<uint8_t> shortHeader = HeaderBody(2, 2, 8, 2, 0);
    shortHeader.pop_back();
    std::vector<uint8_t> longHeader = HeaderBody(2, 2, 8, 2, 0);
    longHeader.push_back(99);
    std::vector<uint8_t> badCompression = HeaderBody(2, 2, 8, 2, 0);
    badCompression[10] = 1;
    std::vector<uint8_t> badFilterMethod = HeaderBody(2, 2, 8, 2, 0);
    badFilterMethod[11] = 1;
    // A length field only, with nothing after it.
    auto lengthOnly = [](uint32_t length) {
        return std::vector<uint8_t>{uint8_t(length >> 24),
                                    uint8_t(length >> 16),
                                    uint8_t(length >> 8),
                                    uint8_t(length),
                                    'I',
                                    'D',
                                    'A',
                                    'T',
                                    1,
                                    2,
                                    3,
                                    4};
    };
    const std::vector<uint8_t> idat = Idat();
    const std::vector<uint8_t> z = Zlib(kRgbRows);
    const std::vector<uint8_t> idatFirstHalf = Chunk("IDAT", {z.begin(), z.begin() + 6});
    const std::vector<uint8_t> idatSecondHalf = Chunk("IDAT", {z.begin() + 6, z.end()});

    using S = PngStatus;
    return {
        {"valid", Png({Ihdr(2, 2), idat, kIend}), S::Ok, S::Ok},
        {"bad_signature",
         [] {
             auto p = Png({Ihdr(2, 2), Idat(), kIend});
             p[1] = 'p';
             return p;
         }(),
         S::NotPng, S::NotPng},
        {"shorter_than_signature", {137, 80, 78}, S::NotPng, S::NotPng},
        {"header_crc", Png({BadCrc(Ihdr(2, 2)), idat, kIend}), S::HeaderCrc, S::Ok},
        {"stored_crc_zero", Png({WithCrc(Ihdr(2, 2), 0), WithCrc(idat, 0), kIend}), S::Ok, S::Ok},
        {"data_crc", Png({Ihdr(2, 2), BadCrc(idat), kIend}), S::ImageDataCrc, S::Ok},
        {"unknown_chunk_bad_crc_skipped", Png({Ihdr(2, 2), BadCrc(Chunk("zzZz", {1, 2})), idat, kIend}),
         S::Ok, S::Ok},
        {"unknown_critical_chunk_skipped", Png({Ihdr(2, 2), Chunk("CRIT", {1}), idat, kIend}), S::Ok, S::Ok},
        {"empty_idat_first", Png({Ihdr(2, 2), Chunk("IDAT", {}), idat, kIend}), S::Ok, S::Ok},
        {"idat_split_text_between",
         Png({Ihdr(2, 2), idatFirstHalf, Chunk("tEXt", {'a', 0, 'b'}), idatSecondHalf, kIend}), S::Ok, S::Ok},
        {"header_after_data", Png({idat, Ihdr(2, 2), kIend}), S::Ok, S::Ok},
        {"later_header_replaces", Png({Ihdr(5, 9, 16, 6, 1), Ihdr(2, 2), idat, kIend}), S::Ok, S::Ok},
        {"empty_header_skipped", Png({Chunk("IHDR", {}), idat, kIend}), S::NoHeader, S::NoHeader},
        {"header_too_short", Png({Chunk("IHDR", shortHeader), idat, kIend}), S::HeaderTooShort,
         S::HeaderTooShort},
        {"header_longer_than_13", Png({Chunk("IHDR", longHeader), idat, kIend}), S::Ok, S::Ok},
        {"width_zero", Png({Ihdr(0, 2), idat, kIend}), S::BadDimensions, S::BadDimensions},
        {"height_negative", Png({Ihdr(2, 0x80000000u), idat, kIend}), S::BadDimensions, S::BadDimensions},
        {"pixels_over_limit", Png({Ihdr(8192, 8192), idat, kIend}), S::TooManyPixels, S::TooManyPixels},
        {"huge_dimensions", Png({Ihdr(0x7FFFFFFF, 0x7FFFFFFF), idat, kIend}), S::TooManyPixels,
         S::TooManyPixels},
        {"compression_method", Png({Chunk("IHDR", badCompression), idat, kIend}), S::BadCompressionMethod,
         S::BadCompressionMethod},
        {"filter_method", Png({Chunk("IHDR", badFilterMethod), idat, kIend}), S::BadFilterMethod,
         S::BadFilterMethod},
        {"bit_depth_3", Png({Ihdr(2, 2, 3), idat, kIend}), S::BadBitDepth, S::BadBitDepth},
        {"colour_type_5", Png({Ihdr(2, 2, 8, 5), idat, kIend}), S::BadColourType, S::BadColourType},
        {"interlace_2", Png({Ihdr(2, 2, 8, 2, 2), idat, kIend}), S::BadInterlace, S::BadInterlace},
        {"rgb_depth_4", Png({Ihdr(2, 2, 4, 2), idat, kIend}), S::UnsupportedDepth, S::UnsupportedDepth},
        {"indexed_depth_16", Png({Ihdr(2, 2, 16, 3), idat, kIend}), S::UnsupportedDepth, S::UnsupportedDepth},
        {"palette_length", Png({Ihdr(2, 2, 8, 3), Chunk("PLTE", {1, 2, 3, 4}), idat, kIend}),
         S::PaletteLength, S::PaletteLength},
        {"palette_crc",
         Png({Ihdr(2, 2, 8, 3), BadCrc(Chunk("PLTE", std::vector<uint8_t>(768, 9))), Idat({0, 1, 2, 0, 3, 4}),
              kIend}),
         S::PaletteCrc, S::Ok},
        {"gray_ignores_bad_palette",
         Png({Ihdr(2, 2, 8, 0), Chunk("PLTE", {1, 2, 3, 4}), Idat({0, 1, 2, 0, 3, 4}), kIend}), S::Ok, S::Ok},
        {"palette_index_past_end",
         Png({Ihdr(2, 2, 8, 3), Chunk("PLTE", {1, 2, 3, 4, 5, 6}), Idat({0, 0, 1, 0, 1, 2}), kIend}),
         S::PaletteIndex, S::PaletteIndex},
        {"no_image_data", Png({Ihdr(2, 2), kIend}), S::NoImageData, S::NoImageData},
        {"no_header", Png({idat, kIend}), S::NoHeader, S::NoHeader},
        {"missing_iend", Png({Ihdr(2, 2), idat}), S::Truncated, S::Truncated},
        {"length_past_end", Png({Ihdr(2, 2), lengthOnly(100)}), S::Truncated, S::Truncated},
        {"length_2p31_minus_1", Png({Ihdr(2, 2), lengthOnly(0x7FFFFFFF)}), S::LengthOverflow,
         S::LengthOverflow},
        // The chunk after IHDR starts at 33: its end is 45 + length, at most 2^31 - 1.
        {"end_at_2p31_minus_1", Png({Ihdr(2, 2), lengthOnly(0x7FFFFFFF - 45)}), S::Truncated, S::Truncated},
        {"end_at_2p31", Png({Ihdr(2, 2), lengthOnly(0x7FFFFFFF - 44)}), S::LengthOverflow, S::LengthOverflow},
        {"length_2p31", Png({Ihdr(2, 2), lengthOnly(0x80000000u)}), S::LengthOverflow, S::LengthOverflow},
        {"length_2p32_minus_1", Png({Ihdr(2, 2), lengthOnly(0xFFFFFFFFu)}), S::LengthOverflow,
         S::LengthOverflow},
        {"corrupt_zlib", Png({Ihdr(2, 2), Chunk("IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}), kIend}),
         S::InflateFailed, S::InflateFailed},
        {"bad_interlaced_filter", Png({Ihdr(1, 1, 8, 0, 1), Idat({7, 200}), kIend}), S::InterlacedFilterType,
         S::InterlacedFilterType},
    };
}

class ContainerCase : public testing::TestWithParam<Case> {};

TEST_P(ContainerCase, EndsAsTheRulesSay) {
    const Case& c = GetParam();
    for (const Route& route : {kRoutes[0], kRoutes[1]}) {
        SCOPED_TRACE(RouteName(route));
        const Decoded d = Decode(c.png, route);
        const PngStatus expected = route.zlib ? c.withZlib : c.withoutZlib;
        EXPECT_EQ(d.status, expected) << imaging::png::PngStatusText(d.status);
        // The host holds an image exactly when the decode succeeded.
        EXPECT_EQ(!d.image.bits.empty(), expected == PngStatus::Ok);
        EXPECT_EQ(d.image.imageType, expected == PngStatus::Ok ? 10 : expected == PngStatus::NotPng ? 0 : -1);
    }
}

INSTANTIATE_TEST_SUITE_P(HandBuilt, ContainerCase, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST(Container, EveryTruncationFailsCleanly) {
    PngLayout layout;
    layout.width = 9;
    layout.height = 7;
    layout.interlace = true;
    layout.idatSplit = 40;
    layout.ancillary = true;
    const std::vector<uint8_t> png = WritePng(layout, MakeSamples(layout, 7));
    for (size_t n = 0; n < png.size(); ++n) {
        const std::vector<uint8_t> cut(png.begin(), png.begin() + n);
        for (const Route& route : {kRoutes[0], kRoutes[1]}) {
            const Decoded d = Decode(cut, route);
            ASSERT_EQ(d.status, n < 8 ? PngStatus::NotPng : PngStatus::Truncated) << n;
            ASSERT_TRUE(d.image.bits.empty());
        }
    }
    EXPECT_EQ(Decode(png).status, PngStatus::Ok);
}

TEST(Container, TransparencyFailingItsChecksumIsSkipped) {
    // Red is the key: with a good tRNS the first pixel is transparent.
    const std::vector<uint8_t> trns = Chunk("tRNS", {0, 255, 0, 0, 0, 0});
    const Decoded keyed = Decode(Png({Ihdr(2, 2), trns, Idat(), kIend}));
    ASSERT_EQ(keyed.status, PngStatus::Ok);
    EXPECT_TRUE(keyed.image.alpha);
    EXPECT_EQ(HostPixelAt(keyed.image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));

    const Decoded skipped = Decode(Png({Ihdr(2, 2), BadCrc(trns), Idat(), kIend}));
    ASSERT_EQ(skipped.status, PngStatus::Ok);
    EXPECT_FALSE(skipped.image.alpha);
    EXPECT_EQ(HostPixelAt(skipped.image, 0, 0), (std::vector<uint8_t>{0, 0, 255, 255}));

    // Without zlib nothing is checked, so the same chunk applies.
    const Decoded unchecked = Decode(Png({Ihdr(2, 2), BadCrc(trns), Idat(), kIend}), kRoutes[1]);
    EXPECT_TRUE(unchecked.image.alpha);
    EXPECT_EQ(HostPixelAt(unchecked.image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Container, TransparencyTooShortOrBeforeTheHeaderHasNoEffect) {
    for (const auto& png :
         {Png({Ihdr(2, 2), Chunk("tRNS", {0, 255, 0, 0, 0}), Idat(), kIend}),
          Png({Chunk("tRNS", {0, 255, 0, 0, 0, 0}), Ihdr(2, 2), Idat(), kIend}),
          Png({Ihdr(2, 2, 8, 6), Chunk("tRNS", {0, 255, 0, 0, 0, 0}), Ihdr(2, 2), Idat(), kIend})}) {
        const Decoded d = Decode(png);
        ASSERT_EQ(d.status, PngStatus::Ok);
        EXPECT_FALSE(d.image.alpha);
        EXPECT_EQ(HostPixelAt(d.image, 0, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
    }
}

TEST(Container, PaletteBeforeTheHeaderIsIgnored) {
    // Depth 1 without PLTE: black and white.
    const Decoded d =
        Decode(Png({Chunk("PLTE", {9, 9, 9, 8, 8, 8}), Ihdr(2, 1, 1, 3), Idat({0, 0x40}), kIend}));
    ASSERT_EQ(d.status, PngStatus::Ok);
    EXPECT_EQ(HostPixelAt(d.image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_EQ(HostPixelAt(d.image, 1, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(Container, PixelLimitIsCheckedBeforeAnythingIsAllocated) {
    // 8191 x 8193 is one pixel below the limit of the header rules; a lower limit refuses it first.
    const auto png = Png({Ihdr(8191, 8193, 16, 6), Idat(), kIend});
    auto setup = DecoderSetup(kRoutes[0]);
    setup.maxPixels = 1 << 20;
    imaging::png::PngMemoryImage image;
    EXPECT_EQ(imaging::png::DecodePng(png, setup, image), PngStatus::TooManyPixels);
}

} // namespace
} // namespace pngtest
