#include "drawing/TransBlt.h"

#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

namespace {

using drawing::TransBlt;
using testsupport::Rgb;
using testsupport::TestCanvas;

using testsupport::kMagenta;

// Every destination pixel distinct, so "left as it was" cannot pass by accident.
uint32_t DstPattern(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 9 + 1) << 16 | static_cast<uint32_t>(y * 13 + 2) << 8 |
           0x40;
}

// Magenta, near-magenta neighbours in each channel and ordinary colours, in a repeating layout.
uint32_t SrcPattern(int x, int y) {
    static const uint32_t kCells[] = {kMagenta, 0xFF01FF, 0xFE00FF, 0xFF00FE, 0x000000, 0xFFFFFF, 0x123456};
    return kCells[(x + 2 * y) % 7];
}

void ExpectKeyedCopy(const TestCanvas& dst, int xDst, int yDst, int w, int h, const TestCanvas& src, int xSrc,
                     int ySrc, uint32_t keyRgb) {
    for (int y = 0; y < dst.height(); ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            const bool inside = x >= xDst && x < xDst + w && y >= yDst && y < yDst + h;
            uint32_t want = Rgb(DstPattern(x, y));
            if (inside) {
                const uint32_t s = Rgb(src.At(x - xDst + xSrc, y - yDst + ySrc));
                if (s != keyRgb) want = s;
            }
            ASSERT_EQ(Rgb(dst.At(x, y)), want) << "at " << x << "," << y;
        }
    }
}

struct KeyedCase {
    const char* name;
    int xDst, yDst, w, h, xSrc, ySrc;
    bool ownPalette;
};

class TransBltKeyed : public ::testing::TestWithParam<KeyedCase> {};

TEST_P(TransBltKeyed, KeyPixelsKeepDestinationOthersAreCopied) {
    const KeyedCase& c = GetParam();
    TestCanvas src(16, 8);
    src.Fill(SrcPattern);
    TestCanvas dst(24, 12);
    dst.Fill(DstPattern);
    rt::UniquePalette palette;
    if (c.ownPalette) {
        rt::WindowDC screen(nullptr);
        palette.reset(::CreateHalftonePalette(screen.get()));
        ASSERT_TRUE(palette);
    }
    const long live = rt::LiveHandles::Gdi();

    EXPECT_TRUE(
        TransBlt(dst.dc(), c.xDst, c.yDst, c.w, c.h, src.dc(), c.xSrc, c.ySrc, kMagenta, palette.get()));

    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
    ExpectKeyedCopy(dst, c.xDst, c.yDst, c.w, c.h, src, c.xSrc, c.ySrc, kMagenta);
}

INSTANTIATE_TEST_SUITE_P(Cases, TransBltKeyed,
                         ::testing::Values(KeyedCase{"WholeSource", 3, 2, 16, 8, 0, 0, false},
                                           KeyedCase{"SourceOffset", 0, 5, 9, 4, 5, 3, false},
                                           KeyedCase{"SinglePixel", 23, 11, 1, 1, 0, 0, false},
                                           KeyedCase{"CallersPalette", 3, 2, 16, 8, 0, 0, true}),
                         [](const ::testing::TestParamInfo<KeyedCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(TransBlt, KeyIsAnOleColourSystemColoursIncluded) {
    const uint32_t highlight = static_cast<uint32_t>(::GetSysColor(COLOR_HIGHLIGHT));
    // GetSysColor gives 0x00BBGGRR; the DIB wants 0x00RRGGBB.
    const uint32_t keyPx = (highlight & 0xFF) << 16 | (highlight & 0xFF00) | (highlight >> 16 & 0xFF);
    ASSERT_NE(keyPx, kMagenta);
    TestCanvas src(4, 1);
    src.Fill([&](int x, int) { return x % 2 ? keyPx : kMagenta; });
    TestCanvas dst(4, 1);
    dst.Fill(DstPattern);

    EXPECT_TRUE(TransBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, 0x80000000u | COLOR_HIGHLIGHT, nullptr));

    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Rgb(dst.At(x, 0)), x % 2 ? Rgb(DstPattern(x, 0)) : kMagenta) << "at " << x;
}

struct FailCase {
    const char* name;
    int w, h;
    bool nullSrc;
    uint32_t key;
};

class TransBltFails : public ::testing::TestWithParam<FailCase> {};

TEST_P(TransBltFails, LeavesDestinationAndHandlesAlone) {
    const FailCase& c = GetParam();
    TestCanvas src(8, 8);
    src.Fill(SrcPattern);
    TestCanvas dst(8, 8);
    dst.Fill(DstPattern);
    const long live = rt::LiveHandles::Gdi();

    EXPECT_FALSE(TransBlt(dst.dc(), 0, 0, c.w, c.h, c.nullSrc ? nullptr : src.dc(), 0, 0, c.key, nullptr));

    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(DstPattern(x, y))) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Cases, TransBltFails,
                         ::testing::Values(FailCase{"ZeroWidth", 0, 8, false, kMagenta},
                                           FailCase{"NegativeHeight", 8, -3, false, kMagenta},
                                           FailCase{"NullSource", 8, 8, true, kMagenta},
                                           FailCase{"BadSystemColour", 8, 8, false, 0x8000FFFFu}),
                         [](const ::testing::TestParamInfo<FailCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(TransBlt, NullDestinationFailsQuietly) {
    TestCanvas src(4, 4);
    const long live = rt::LiveHandles::Gdi();
    EXPECT_FALSE(TransBlt(nullptr, 0, 0, 4, 4, src.dc(), 0, 0, kMagenta, nullptr));
    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
}

} // namespace
