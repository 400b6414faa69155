#include "drawing/pcMemDC.h"

#include "resources/resource_names.h"
#include "tests/support/TestCanvas.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <array>
#include <cstdlib>

namespace {

using drawing::pcMemDC;
using testsupport::MakeDib;
using testsupport::Rgb;
using testsupport::TestCanvas;

constexpr uint32_t kWhite = 0xFFFFFFFF;

// Distinct in every pixel of a 300 x 20 picture; the alpha byte varies and must not matter.
uint32_t Pattern(int x, int y) {
    return static_cast<uint32_t>((x * 7 + y) & 0xFF) << 24 | static_cast<uint32_t>(x & 0xFF) << 16 |
           static_cast<uint32_t>(y * 12) << 8 | (static_cast<uint32_t>(x >> 8) * 90 + 5);
}

uint32_t BackdropPattern(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(255 - x) << 16 | static_cast<uint32_t>(y * 3) << 8 | 0x77;
}

rt::Picture PictureOf(int w, int h, const testsupport::PixelFn& px, bool topDown = true) {
    return rt::PictureObject::FromBitmap(MakeDib(w, h, px, topDown));
}

// Reads the whole surface back through a plain copy.
void ExpectSurface(const pcMemDC& m, int w, int h, const testsupport::PixelFn& px) {
    ASSERT_EQ(m.Width(), w);
    ASSERT_EQ(m.Height(), h);
    ASSERT_NE(m.hdc(), nullptr);
    TestCanvas back(w, h, 0);
    back.CopyFrom(m.hdc(), 0, 0, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(Rgb(back.At(x, y)), Rgb(px(x, y))) << "at " << x << "," << y;
}

void ExpectEmpty(const pcMemDC& m) {
    EXPECT_EQ(m.Width(), 0);
    EXPECT_EQ(m.Height(), 0);
    EXPECT_EQ(m.hdc(), nullptr);
}

using testsupport::RaisesOverflow;

TEST(pcMemDC, NewObjectIsEmpty) {
    pcMemDC m;
    ExpectEmpty(m);
}

TEST(pcMemDC, WidthAndHeightOnlyGrow) {
    pcMemDC m;
    m.Width(40);
    m.Height(30);
    ASSERT_EQ(m.Width(), 40);
    ASSERT_EQ(m.Height(), 30);
    ASSERT_NE(m.hdc(), nullptr);

    TestCanvas fill(40, 30);
    fill.Fill(Pattern);
    ASSERT_TRUE(::BitBlt(m.hdc(), 0, 0, 40, 30, fill.dc(), 0, 0, SRCCOPY));
    const HDC before = m.hdc();
    for (int32_t v : {40, 10, 0, -5})
        m.Width(v);
    for (int32_t v : {30, 10, 0, -5})
        m.Height(v);
    EXPECT_EQ(m.hdc(), before);
    ExpectSurface(m, 40, 30, Pattern);

    m.Width(41);
    EXPECT_EQ(m.Width(), 41);
    EXPECT_EQ(m.Height(), 30);
    m.Height(31);
    EXPECT_EQ(m.Height(), 31);
    EXPECT_EQ(m.Width(), 41);
    // Re-created: the old pixels are gone.
    TestCanvas back(41, 31, 0);
    back.CopyFrom(m.hdc(), 0, 0, 41, 31);
    int kept = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            kept += Rgb(back.At(x, y)) == Rgb(Pattern(x, y));
    EXPECT_LT(kept, 40 * 30 / 2);
}

TEST(pcMemDC, CreateFromPictureCopiesExactPixelsAndSize) {
    pcMemDC m;
    m.CreateFromPicture(PictureOf(300, 20, Pattern));
    ExpectSurface(m, 300, 20, Pattern);

    // Loading starts from empty, so a smaller picture gives a smaller surface.
    m.CreateFromPicture(PictureOf(30, 10, BackdropPattern, false));
    ExpectSurface(m, 30, 10, BackdropPattern);

    m.CreateFromPicture(rt::Picture{});
    ExpectEmpty(m);
}

TEST(pcMemDC, CreateFromPictureOfTheSkinResource) {
    rt::Picture skin = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
    ASSERT_TRUE(skin);
    pcMemDC m;
    m.CreateFromPicture(skin);
    EXPECT_EQ(m.Width(), PELMOR_SKIN_W);
    EXPECT_EQ(m.Height(), PELMOR_SKIN_H);
    // The picture stays the caller's and usable.
    EXPECT_EQ(skin.use_count(), 1);
    EXPECT_NE(skin->Bitmap(), nullptr);
}

TEST(pcMemDC, PicturesThatAreNotReadableBitmapsLeaveItEmpty) {
    pcMemDC m;
    m.Width(5);
    m.Height(5);
    m.CreateFromPicture(rt::Picture{});
    ExpectEmpty(m);

    m.CreateFromPicture(rt::PictureObject::FromIcon(rt::UniqueIcon(::CreateIcon(
        nullptr, 1, 1, 1, 1, std::array<BYTE, 2>{0xFF, 0}.data(), std::array<BYTE, 2>{0, 0}.data()))));
    ExpectEmpty(m);

    // A bitmap held by another DC cannot be selected for the copy.
    rt::UniqueBitmap held = MakeDib(8, 8, Pattern);
    TestCanvas other(1, 1);
    rt::SelectGuard selected(other.dc(), held.get());
    ASSERT_TRUE(selected.ok());
    m.CreateFromPicture(held.get());
    ExpectEmpty(m);
}

class pcMemDCDrawing : public ::testing::Test {
  protected:
    void SetUp() override { m.CreateFromPicture(PictureOf(300, 20, Pattern)); }
    pcMemDC m;
    TestCanvas dst{320, 40};
};

TEST_F(pcMemDCDrawing, DrawWithZeroSizesCopiesWholeSurface) {
    dst.Fill(BackdropPattern);
    m.Draw(dst.dc(), 0, 0, 0, 0, 5, 7, false);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 320; ++x) {
            const bool inside = x >= 5 && x < 305 && y >= 7 && y < 27;
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(inside ? Pattern(x - 5, y - 7) : BackdropPattern(x, y)))
                << "at " << x << "," << y;
        }
}

TEST_F(pcMemDCDrawing, DrawCopiesOneCell) {
    dst.Fill(BackdropPattern);
    m.Draw(dst.dc(), 22, 3, 11, 11, 100, 20, false);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 320; ++x) {
            const bool inside = x >= 100 && x < 111 && y >= 20 && y < 31;
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(inside ? Pattern(x - 78, y - 17) : BackdropPattern(x, y)))
                << "at " << x << "," << y;
        }
}

TEST(pcMemDC, DrawWithMaskKeepsDestinationUnderExactMagentaOnly) {
    const auto src = [](int x, int y) -> uint32_t {
        switch ((x + y) % 4) {
        case 0:
            return 0xFF00FF;
        case 1:
            return 0xFF01FF;
        case 2:
            return 0x00FE00;
        default:
            return 0x336699;
        }
    };
    pcMemDC m;
    m.CreateFromPicture(PictureOf(12, 6, src));
    TestCanvas dst(20, 10);
    dst.Fill(BackdropPattern);

    m.Draw(dst.dc(), 0, 0, 0, 0, 4, 2, true);

    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 16 && y >= 2 && y < 8;
            uint32_t want = Rgb(BackdropPattern(x, y));
            if (inside && Rgb(src(x - 4, y - 2)) != 0xFF00FF) want = Rgb(src(x - 4, y - 2));
            ASSERT_EQ(Rgb(dst.At(x, y)), want) << "at " << x << "," << y;
        }
}

TEST_F(pcMemDCDrawing, StretchDrawScalesAndLeavesStretchModeAlone) {
    pcMemDC quad;
    const auto px = [](int x, int y) -> uint32_t {
        return x ? (y ? 0x102030 : 0xA0B0C0) : (y ? 0x00FF00 : 0xFF0000);
    };
    quad.CreateFromPicture(PictureOf(2, 2, px));
    dst.Fill(BackdropPattern);
    ::SetStretchBltMode(dst.dc(), COLORONCOLOR);

    quad.StretchDraw(dst.dc(), 0, 0, 0, 0, 1, 1, 8, 6);

    EXPECT_EQ(::GetStretchBltMode(dst.dc()), COLORONCOLOR);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x < 9 && y >= 1 && y < 7;
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(inside ? px((x - 1) / 4, (y - 1) / 3) : BackdropPattern(x, y)))
                << "at " << x << "," << y;
        }
}

TEST_F(pcMemDCDrawing, AlphaDrawBlendsWithConstantOpacityIgnoringSurfaceAlpha) {
    const auto blendAt = [&](int32_t level) {
        dst.Fill(BackdropPattern);
        m.AlphaDraw(dst.dc(), level, 0, 0, 0, 0, 0, 0, 300, 20);
    };
    const auto expectAll = [&](auto want) {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 300; ++x) {
                const uint32_t got = Rgb(dst.At(x, y));
                for (int shift : {0, 8, 16}) {
                    const int g = static_cast<int>(got >> shift & 0xFF);
                    const int w = want(static_cast<int>(Pattern(x, y) >> shift & 0xFF),
                                       static_cast<int>(BackdropPattern(x, y) >> shift & 0xFF));
                    ASSERT_LE(std::abs(g - w), 1) << "at " << x << "," << y << " channel " << shift;
                }
            }
    };

    blendAt(0);
    expectAll([](int, int d) { return d; });
    blendAt(255);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(Pattern(x, y))) << x << "," << y;
    blendAt(128);
    expectAll([](int s, int d) { return (s * 128 + d * 127) / 255; });
    // Levels outside 0…255 are held to the range rather than leaking into the alpha-format byte.
    blendAt(300);
    expectAll([](int s, int) { return s; });
    blendAt(-5);
    expectAll([](int, int d) { return d; });
    // -32768 × 65536 is exactly the lowest 32-bit value.
    blendAt(-32768);
    expectAll([](int, int d) { return d; });
}

TEST_F(pcMemDCDrawing, AlphaDrawLevelOverflowRaisesAndDrawsNothing) {
    dst.Fill(BackdropPattern);
    EXPECT_TRUE(RaisesOverflow([&] { m.AlphaDraw(dst.dc(), 32768, 0, 0, 0, 0, 0, 0, 300, 20); }));
    EXPECT_TRUE(RaisesOverflow([&] { m.AlphaDraw(dst.dc(), -32769, 0, 0, 0, 0, 0, 0, 300, 20); }));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(BackdropPattern(x, y))) << x << "," << y;
}

TEST(pcMemDC, EmptyObjectAndNullDCsDrawNothing) {
    pcMemDC empty;
    TestCanvas dst(16, 16);
    dst.Fill(BackdropPattern);
    empty.Draw(dst.dc(), 0, 0, 8, 8, 0, 0, false);
    empty.Draw(dst.dc(), 0, 0, 8, 8, 0, 0, true);
    empty.Draw(dst.dc(), 0, 0, 0, 0, 0, 0, true);
    empty.StretchDraw(dst.dc(), 0, 0, 8, 8, 0, 0, 16, 16);
    empty.AlphaDraw(dst.dc(), 255, 0, 0, 8, 8, 0, 0, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(Rgb(dst.At(x, y)), Rgb(BackdropPattern(x, y))) << x << "," << y;

    pcMemDC m;
    m.CreateFromPicture(PictureOf(8, 8, Pattern));
    const long live = rt::LiveHandles::Gdi();
    m.Draw(nullptr, 0, 0, 0, 0, 0, 0, false);
    m.Draw(nullptr, 0, 0, 0, 0, 0, 0, true);
    m.StretchDraw(nullptr, 0, 0, 0, 0, 0, 0, 16, 16);
    m.AlphaDraw(nullptr, 128, 0, 0, 0, 0, 0, 0, 8, 8);
    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
    ExpectSurface(m, 8, 8, Pattern);
}

TEST(pcMemDC, MovingHandsTheSurfaceOver) {
    pcMemDC a;
    a.CreateFromPicture(PictureOf(6, 4, Pattern));
    pcMemDC b(std::move(a));
    ExpectEmpty(a);
    ExpectSurface(b, 6, 4, Pattern);
    pcMemDC c;
    c.Width(3);
    c.Height(3);
    c = std::move(b);
    ExpectEmpty(b);
    ExpectSurface(c, 6, 4, Pattern);
}

TEST(pcMemDC, CyclesLeakNoHandles) {
    TestCanvas dst(100, 70);
    const long live = rt::LiveHandles::Gdi();
    for (int i = 0; i < 500; ++i) {
        pcMemDC m;
        m.CreateFromPicture(rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap));
        ASSERT_EQ(m.Width(), PELMOR_SKIN_W);
        m.Draw(dst.dc(), 0, 0, 11, 11, 0, 0, false);
        m.Draw(dst.dc(), 11, 0, 11, 11, 20, 0, true);
        m.StretchDraw(dst.dc(), 0, PELMOR_SKIN_CAPTION_Y, 0, PELMOR_SKIN_CAPTION_H, 0, 20, 100, 21);
        m.AlphaDraw(dst.dc(), 128, 0, 0, 0, 0, 0, 0, 77, 65);
        m.pDrawText(dst.dc(), L"Pelmor免费行情分析系统", 2, 2, 30, 16, DT_SINGLELINE | DT_VCENTER);
        m.Width(PELMOR_SKIN_W + 1);
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
}

} // namespace
