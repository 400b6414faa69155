// The image object's effects and regions, and the leak check over many draw and region cycles.
#include "imaging/dib/c32bppDIB.h"
#include "runtime/Handles.h"
#include "tests/imaging/dib/DibTestImages.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

namespace {

using imaging::c32bppDIB;
using imaging_test::At;
using imaging_test::Memory;
using imaging_test::Opaque;
using imaging_test::TestImage;
using testsupport::TestCanvas;

TEST(Effects, CheckerBoardIsOpaqueWithoutAlpha) {
    c32bppDIB d;
    EXPECT_FALSE(d.CreateCheckerBoard(10, 0xFF, 0xFF0000));
    ASSERT_TRUE(d.InitializeDIB(25, 15));
    EXPECT_FALSE(d.CreateCheckerBoard(0, 0xFF, 0xFF0000));
    ASSERT_TRUE(d.CreateCheckerBoard(10, 0xFF, 0xFF0000));
    EXPECT_FALSE(d.Alpha());
    EXPECT_EQ(d.ImageType(), 64);
    TestImage m = Memory(d);
    EXPECT_EQ(At(m, 10, 0), 0xFF0000FFu);
}

TEST(Effects, MakeTransparentAndRevert) {
    c32bppDIB d;
    imaging_test::Load(d, Opaque(4, 2, [](int32_t x, int32_t) { return x == 1 ? 0xFFFFFFu : 0x102030u; }));
    // Analysed as opaque, like a decoded picture without alpha.
    ASSERT_TRUE(d.SetDIBbits(imaging::ByteArray{Memory(d).bytes, 0}, true, true, true, true, 0, 0, 0, 0));
    ASSERT_EQ(d.ImageType(), 0);
    EXPECT_FALSE(d.Alpha());
    ASSERT_TRUE(d.MakeTransparent(0x00FF00, false));
    EXPECT_FALSE(d.Alpha()) << "no pure green: nothing changes";
    ASSERT_TRUE(d.MakeTransparent(0xFFFFFF, false));
    EXPECT_TRUE(d.Alpha());
    TestImage m = Memory(d);
    EXPECT_EQ(At(m, 1, 0), 0u);
    EXPECT_EQ(At(m, 1, 1), 0u);
    EXPECT_EQ(At(m, 0, 0), 0xFF102030u);
    ASSERT_TRUE(d.MakeTransparent(0x0000FF, true));
    m = Memory(d);
    EXPECT_EQ(At(m, 1, 0), 0xFFFF0000u) << "transparent pixels became opaque red";
    EXPECT_FALSE(d.Alpha());
}

TEST(Effects, MirrorImageTurnsHalfWithBothAxes) {
    c32bppDIB d;
    const auto px = [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 16 + y); };
    imaging_test::Load(d, Opaque(5, 3, px));
    EXPECT_FALSE(d.MirrorImage(false, false));
    ASSERT_TRUE(d.MirrorImage(true, true));
    TestImage m = Memory(d);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(At(m, x, y), 0xFF000000u | px(4 - x, 2 - y));
    ASSERT_TRUE(d.MirrorImage(false, true));
    m = Memory(d);
    EXPECT_EQ(At(m, 0, 0), 0xFF000000u | px(4, 0));
}

TEST(Effects, DropShadowSizeValuesAndDrawing) {
    c32bppDIB d;
    EXPECT_EQ(d.CreateDropShadow(2, 0), nullptr);
    imaging_test::Load(d, Opaque(6, 4, [](int32_t, int32_t) { return 0xFFFFFFu; }));
    const auto same = d.CreateDropShadow(0, 0x0000FF);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->Width(), 6);
    TestImage m = Memory(*same);
    EXPECT_EQ(At(m, 3, 2), 0xFFFF0000u) << "the source's alpha in red";
    const auto wide = d.CreateDropShadow(25, 0);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->Width(), 26) << "blur 25 acts as 10";
    EXPECT_EQ(wide->Height(), 24);
    EXPECT_TRUE(wide->Alpha());
    EXPECT_EQ(wide->ImageType(), 7);
    m = Memory(*wide);
    // Column 5, row 3 sees all 6 x 4 source pixels in its 21 x 21 window: 24 x 255 \ 441 = 13.
    EXPECT_EQ(At(m, 5, 3), 0x0D000000u);
    EXPECT_EQ(At(m, 0, 0), 0u) << "255 \\ 441 = 0";

    TestCanvas canvas(40, 30);
    d.isGDIplusEnabled(false);
    ASSERT_TRUE(d.RenderDropShadow_JIT(canvas.dc(), 2, 2, 1, 0, 100));
    // A black shadow, blur 1, of the white 6 x 4 image: full strength where the 3 x 3 window is inside.
    EXPECT_EQ(canvas.At(5, 5) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(canvas.At(30, 20), 0xFFFFFFFFu);
}

// A 60 x 40 ring: opaque outside a 20 x 10 hole, with a half-transparent border row.
c32bppDIB& Ring(c32bppDIB& d) {
    TestImage px = Opaque(60, 40, [](int32_t, int32_t) { return 0x808080u; });
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            uint8_t* p = px.View().At(x, y);
            if (x >= 20 && x < 40 && y >= 15 && y < 25) std::fill(p, p + 4, 0);
            if (y == 0) p[0] = p[1] = p[2] = p[3] = 60;
        }
    imaging_test::Load(d, px);
    return d;
}

TEST(Regions, StylesMatchTheAlpha) {
    c32bppDIB d;
    EXPECT_FALSE(d.CreateRegion(2));
    Ring(d);
    EXPECT_FALSE(d.CreateRegion(3));
    const rt::UniqueRgn runs = d.CreateRegion(2);
    const rt::UniqueRgn spans = d.CreateRegion(1);
    const rt::UniqueRgn box = d.CreateRegion(0, 5, 7);
    ASSERT_TRUE(runs && spans && box);
    TestImage m = Memory(d);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            const bool solid = m.View().At(x, y)[3] != 0;
            ASSERT_EQ(::PtInRegion(runs.get(), x, y) != 0, solid) << x << "," << y;
            ASSERT_TRUE(::PtInRegion(spans.get(), x, y)) << "holes inside a row are filled";
            ASSERT_TRUE(::PtInRegion(box.get(), x + 5, y + 7));
        }
    EXPECT_FALSE(::PtInRegion(box.get(), 4, 7));
    RECT bounds{};
    ::GetRgnBox(box.get(), &bounds);
    EXPECT_EQ(bounds.right, 65);
    EXPECT_EQ(bounds.bottom, 47);
}

TEST(Regions, ManySlicesMergeIntoOneRegion) {
    // Every other pixel solid on 61 x 80: 30 runs per row, 2,400 rectangles in two slices of which the
    // first holds the bottom rows.
    TestImage px = Opaque(61, 80, [](int32_t, int32_t) { return 0; });
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 61; x += 2)
            std::fill(px.View().At(x, y), px.View().At(x, y) + 4, 0);
    c32bppDIB d;
    imaging_test::Load(d, px);
    const rt::UniqueRgn r = d.CreateRegion(2);
    ASSERT_TRUE(r);
    for (int32_t y : {0, 39, 79})
        for (int32_t x = 0; x < 61; ++x)
            ASSERT_EQ(::PtInRegion(r.get(), x, y) != 0, x % 2 == 1) << x << "," << y;
    RECT box{};
    ::GetRgnBox(r.get(), &box);
    EXPECT_EQ(box.top, 0) << "the top rows come from the second slice";
    EXPECT_EQ(box.bottom, 80);
}

TEST(Regions, WithoutAlphaTheWholeRectangle) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(9, 4));
    ASSERT_TRUE(d.CreateCheckerBoard(3, 0, 0xFFFFFF));
    const rt::UniqueRgn r = d.CreateRegion(2);
    RECT box{};
    EXPECT_EQ(::GetRgnBox(r.get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 4);
}

TEST(Leaks, ThousandDrawShadowAndRegionCycles) {
    c32bppDIB d;
    Ring(d);
    TestCanvas canvas(80, 60);
    d.isGDIplusEnabled(false);
    const long gdi = rt::LiveHandles::Gdi();
    for (int i = 0; i < 1000; ++i) {
        d.isAlphaBlendFriendly(i % 2 ? -1 : 0);
        ASSERT_TRUE(d.Render(canvas.dc(), i % 7, 3, 30, 20, 0, 0, 0, 0, 50, true, true, nullptr, i % 3 - 1));
        ASSERT_TRUE(d.RenderDropShadow_JIT(canvas.dc(), 1, 1, i % 4, 0x202020, 60));
        ASSERT_TRUE(d.CreateRegion(i % 3));
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
}

} // namespace
