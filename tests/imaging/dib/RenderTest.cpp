// Render through each engine into a DC and into a host image, pixels read back.
#include "imaging/dib/c32bppDIB.h"
#include "tests/imaging/dib/DibTestImages.h"
#include "tests/support/SwallowedErrors.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

namespace {

using imaging::c32bppDIB;
using imaging_test::At;
using imaging_test::Memory;
using imaging_test::Near;
using imaging_test::Opaque;
using imaging_test::OwnPipelineOnly;
using imaging_test::TestImage;
using testsupport::Rgb;
using testsupport::TestCanvas;

// Blue grows with the column, green with the row: every pixel of the 40 x 20 source tells where it came from.
uint32_t Gradient(int32_t x, int32_t y) {
    return 0x640000u | static_cast<uint32_t>(10 * y) << 8 | static_cast<uint32_t>(6 * x);
}
uint32_t Quadrants(int32_t x, int32_t y) {
    if (y < 10) return x < 20 ? 0xFF0000u : 0x00FF00u;
    return x < 20 ? 0x0000FFu : 0xFFFF00u;
}
constexpr uint32_t kWhite = 0xFFFFFFFFu;

class RenderInto : public ::testing::Test {
  protected:
    RenderInto() {
        imaging_test::Load(img, Opaque(40, 20, Gradient));
        OwnPipelineOnly(img);
        img.HighQualityInterpolation(false);
        imaging_test::Load(host, Opaque(60, 40, [](int32_t, int32_t) { return 0xFFFFFFu; }));
    }
    bool Draw(int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
              int32_t opacity = 100, int32_t gray = -1, float light = 0, float angle = 0,
              bool centre = false) {
        return img.Render(nullptr, dx, dy, dw, dh, sx, sy, sw, sh, opacity, true, true, &host, gray, light,
                          angle, centre);
    }
    uint32_t HostAt(int32_t x, int32_t y) {
        TestImage m = Memory(host);
        return At(m, x, y);
    }
    c32bppDIB img;
    c32bppDIB host;
};

TEST_F(RenderInto, PlainCopyLandsAtTheDestinationAndNothingElseChanges) {
    ASSERT_TRUE(Draw(5, 7, 0, 0, 0, 0, 0, 0));
    TestImage m = Memory(host);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            const bool inside = x >= 5 && x < 45 && y >= 7 && y < 27;
            ASSERT_EQ(At(m, x, y), inside ? 0xFF000000u | Gradient(x - 5, y - 7) : kWhite) << x << "," << y;
        }
}

TEST_F(RenderInto, NegativeSourceWidthMirrorsAndStretches) {
    // The 20-pixel-wide source drawn mirrored at 40: column i shows source column 19 - i \ 2.
    ASSERT_TRUE(Draw(0, 0, 40, 20, 0, 0, -20, 20));
    for (int32_t x : {0, 1, 2, 17, 38, 39})
        EXPECT_EQ(Rgb(HostAt(x, 3)), Gradient(19 - x / 2, 3)) << x;
}

TEST_F(RenderInto, NearestAndBilinearStretch) {
    ASSERT_TRUE(Draw(0, 0, 20, 10, 0, 0, 40, 20));
    EXPECT_EQ(Rgb(HostAt(7, 4)), Gradient(14, 8)) << "nearest takes every second pixel";
    img.HighQualityInterpolation(true);
    ASSERT_TRUE(Draw(0, 20, 80, 20, 0, 0, 40, 20));
    // Column 3 samples at 1.5: halfway between blue 6 and 12.
    EXPECT_EQ(Rgb(HostAt(3, 25)), Gradient(1, 5) + 3);
}

TEST_F(RenderInto, OpacityFollowsThePercentRule) {
    // Opaque source at L = 127 over white: (255 x 128 + s x 127) \ 255.
    const auto half = [](uint32_t s) {
        uint32_t out = 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8)
            out |= static_cast<uint32_t>((255 * 128 + ((s >> sh) & 0xFF) * 127) / 255) << sh;
        return out;
    };
    EXPECT_TRUE(Draw(0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(HostAt(0, 0), kWhite) << "opacity 0 draws nothing";
    ASSERT_TRUE(Draw(0, 0, 0, 0, 0, 0, 0, 0, 50));
    EXPECT_EQ(HostAt(9, 4), half(Gradient(9, 4)));
    ASSERT_TRUE(Draw(0, 20, 0, 0, 0, 0, 0, 0, 150));
    EXPECT_EQ(HostAt(9, 24), half(Gradient(9, 4))) << "150 is 50";
    ASSERT_TRUE(Draw(0, 20, 0, 0, 0, 0, 0, 0, 200));
    EXPECT_EQ(HostAt(9, 24), 0xFF000000u | Gradient(9, 4)) << "200 is 100";
}

TEST_F(RenderInto, GrayscaleAndLightness) {
    ASSERT_TRUE(Draw(0, 0, 0, 0, 0, 0, 0, 0, 100, 0));
    // Blue 30, green 50, red 100: 3.42 + 29.35 + 29.9 = 62.67 -> 63.
    EXPECT_EQ(HostAt(5, 5), 0xFF3F3F3Fu);
    ASSERT_TRUE(Draw(0, 0, 0, 0, 0, 0, 0, 0, 100, -1, 50));
    EXPECT_EQ(HostAt(5, 5), 0xFFE3B19Du) << "each colour + 127";
    ASSERT_TRUE(Draw(0, 0, 0, 0, 0, 0, 0, 0, 100, -1, -50));
    EXPECT_EQ(HostAt(5, 5), 0xFF000000u) << "each colour - 127, held at 0";
    ASSERT_TRUE(Draw(0, 20, 0, 0, 0, 0, 0, 0, 100, -1, 150));
    EXPECT_EQ(HostAt(5, 25), 0xFF000000u | Gradient(5, 5)) << "150 % counts as no change";
}

TEST_F(RenderInto, BlendStopsAtTheFirstPixelOutsideTheHost) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    // 40 wide at x = 30 in a 60-wide host: the top row is drawn up to the edge, then the blend stops.
    EXPECT_FALSE(Draw(30, 5, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(Rgb(HostAt(59, 5)), Gradient(29, 0));
    EXPECT_EQ(HostAt(30, 6), kWhite);
    // Past the bottom only: every row inside the host is drawn.
    EXPECT_FALSE(Draw(0, 30, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(Rgb(HostAt(3, 39)), Gradient(3, 9));
    // Left of the host the picture is clipped, not moved, also after stretching.
    ASSERT_TRUE(Draw(-10, 0, 80, 20, 0, 0, 40, 20));
    EXPECT_EQ(Rgb(HostAt(0, 0)), Gradient(5, 0));
    // So far out that an edge, or a turned canvas's corner, leaves 32 bits: nothing is drawn. Far right
    // or down, a turned canvas goes to AlphaBlend, whose answer is its own.
    const std::vector<uint8_t> before = Memory(host).bytes;
    for (const float angle : {0.0f, 90.0f}) {
        EXPECT_FALSE(Draw(INT32_MIN + 1, 0, 0, 0, 0, 0, 0, 0, 100, -1, 0, angle)) << angle;
        const bool right = Draw(INT32_MAX - 5, 0, 0, 0, 0, 0, 0, 0, 100, -1, 0, angle);
        const bool down = Draw(0, INT32_MAX - 5, 0, 0, 0, 0, 0, 0, 100, -1, 0, angle);
        EXPECT_FALSE(angle == 0 && (right || down));
    }
    EXPECT_EQ(Memory(host).bytes, before);
}

TEST_F(RenderInto, WholeTurnsDrawUnturnedAndHalfADegreeTurns) {
    ASSERT_TRUE(Draw(5, 7, 0, 0, 0, 0, 0, 0));
    const TestImage plain = Memory(host);
    for (const float angle : {360.0f, -720.0f}) {
        ASSERT_TRUE(Draw(5, 7, 0, 0, 0, 0, 0, 0, 100, -1, 0, angle));
        EXPECT_EQ(Memory(host).bytes, plain.bytes) << angle;
    }
    // Half a degree takes the rotation path: a square canvas of side 45 about the destination's centre
    // (25, 17). The canvas counts rows from the bottom, so of its 25 spare rows the odd one lies above
    // the picture, and the centre shows source row 9.
    imaging_test::Load(host, Opaque(60, 40, [](int32_t, int32_t) { return 0xFFFFFFu; }));
    ASSERT_TRUE(Draw(5, 7, 0, 0, 0, 0, 0, 0, 100, -1, 0, 0.5f));
    EXPECT_NE(Memory(host).bytes, plain.bytes);
    EXPECT_EQ(Rgb(HostAt(25, 17)), Gradient(20, 9));
}

TEST_F(RenderInto, CentredOnTheDestinationPoint) {
    ASSERT_TRUE(Draw(30, 20, 20, 10, 0, 0, 0, 0, 100, -1, 0, 0, true));
    EXPECT_EQ(HostAt(19, 20), kWhite);
    EXPECT_NE(HostAt(20, 15), kWhite);
    EXPECT_NE(HostAt(39, 24), kWhite);
    EXPECT_EQ(HostAt(40, 24), kWhite);
}

// Rotation by the own pipeline and by GDI+ puts the quadrants in the same places.
class Rotated : public ::testing::TestWithParam<bool> {};

TEST_P(Rotated, QuarterAndThirtyDegreeTurns) {
    c32bppDIB img;
    imaging_test::Load(img, Opaque(40, 20, Quadrants));
    const bool gdiPlus = GetParam();
    if (!gdiPlus) OwnPipelineOnly(img);
    img.HighQualityInterpolation(false);
    TestCanvas canvas(80, 60);
    // A quarter turn clockwise about (40, 30): top-left (red) goes to the top right.
    ASSERT_TRUE(img.Render(canvas.dc(), 20, 20, 40, 20, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0, 90));
    EXPECT_EQ(Rgb(canvas.At(45, 12)), 0xFF0000u);
    EXPECT_EQ(Rgb(canvas.At(45, 48)), 0x00FF00u);
    EXPECT_EQ(Rgb(canvas.At(35, 48)), 0xFFFF00u);
    EXPECT_EQ(Rgb(canvas.At(35, 12)), 0x0000FFu);
    EXPECT_EQ(canvas.At(25, 25), kWhite);

    TestCanvas thirty(80, 60);
    ASSERT_TRUE(img.Render(thirty.dc(), 20, 20, 40, 20, 0, 0, 0, 0, 100, true, true, nullptr, -1, 0, 30));
    // Turned 30 degrees clockwise about (40, 30), the quadrants' centres (30, 25) and (50, 35) move to
    // (33.8, 20.7) and (46.2, 39.3); the unturned rectangle's corners fall outside the turned one.
    EXPECT_EQ(Rgb(thirty.At(34, 21)), 0xFF0000u);
    EXPECT_EQ(Rgb(thirty.At(46, 39)), 0xFFFF00u);
    EXPECT_EQ(thirty.At(20, 20), kWhite);
    EXPECT_EQ(thirty.At(59, 39), kWhite);
}

INSTANTIATE_TEST_SUITE_P(Engines, Rotated, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "GdiPlus" : "Own"; });

TEST(RenderEngines, EachEngineDrawsAHalfTransparentImageIntoADc) {
    // Premultiplied red at alpha 128 over white: 255 x 127 \ 255 + 128 = 255 red, 127 green and blue.
    TestImage px = Opaque(8, 8, [](int32_t, int32_t) { return 0; });
    for (std::size_t i = 0; i < px.bytes.size(); i += 4) {
        px.bytes[i + 2] = 128;
        px.bytes[i + 3] = 128;
    }
    struct Engine {
        const char* name;
        bool gdiPlus, alphaBlend;
    };
    for (const Engine e :
         {Engine{"own", false, false}, Engine{"AlphaBlend", false, true}, Engine{"GDI+", true, false}}) {
        c32bppDIB img;
        imaging_test::Load(img, px);
        img.isGDIplusEnabled(e.gdiPlus);
        img.isAlphaBlendFriendly(e.alphaBlend ? -1 : 0);
        TestCanvas canvas(20, 20);
        ASSERT_TRUE(img.Render(canvas.dc(), -2, 3)) << e.name;
        EXPECT_TRUE(Near(canvas.At(0, 3), 0xFFFF7F7Fu, e.gdiPlus || e.alphaBlend ? 1 : 0))
            << e.name << " " << std::hex << canvas.At(0, 3);
        EXPECT_EQ(canvas.At(6, 3), kWhite) << e.name << ": clipped at the left, not moved";
        EXPECT_EQ(canvas.At(0, 2), kWhite) << e.name;
    }
}

TEST(RenderEngines, RefusesWithoutImageOrTarget) {
    c32bppDIB none;
    TestCanvas canvas(4, 4);
    EXPECT_FALSE(none.Render(canvas.dc()));
    c32bppDIB img;
    ASSERT_TRUE(img.InitializeDIB(4, 4));
    EXPECT_FALSE(img.Render(nullptr));
    EXPECT_TRUE(img.Render(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, -5)) << "no opacity: nothing to draw";
    EXPECT_FALSE(img.Render(canvas.dc(), 0, 0, 0, 0, 9, 0)) << "source left of the image's right edge";
}

TEST(CopyImageTo, SameSizeResizedAndMirrored) {
    c32bppDIB img;
    imaging_test::Load(img, Opaque(40, 20, Gradient));
    OwnPipelineOnly(img);
    img.HighQualityInterpolation(false);
    std::unique_ptr<c32bppDIB> copy;
    img.CopyImageTo(copy);
    ASSERT_TRUE(copy);
    EXPECT_EQ(Memory(*copy).bytes, Memory(img).bytes);
    EXPECT_EQ(copy->ImageType(), img.ImageType());

    img.CopyImageTo(copy, 20, 10);
    ASSERT_EQ(copy->Width(), 20);
    TestImage small = Memory(*copy);
    EXPECT_EQ(Rgb(At(small, 7, 4)), Gradient(14, 8));

    // Mirrored at another size: mirrored first, then stretched.
    img.CopyImageTo(copy, -20, 10);
    ASSERT_EQ(copy->Width(), 20);
    TestImage mirrored = Memory(*copy);
    EXPECT_EQ(Rgb(At(mirrored, 0, 0)), Gradient(39, 0));
    EXPECT_EQ(Rgb(At(mirrored, 19, 9)), Gradient(1, 18));
}

} // namespace
