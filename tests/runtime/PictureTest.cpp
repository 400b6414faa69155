#include "runtime/Picture.h"

#include "resources/resource_names.h"

#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace {

using testsupport::Rgb;
using testsupport::TestCanvas;

// 0x00RRGGBB of a pixel of a 24-bpp DIB section, as stored in the resource.
uint32_t SourcePixel(HBITMAP bmp, int x, int y) {
    DIBSECTION ds{};
    if (::GetObjectW(bmp, sizeof ds, &ds) != sizeof ds || ds.dsBm.bmBitsPixel != 24) return 0xFFFFFFFF;
    const int stride = ((ds.dsBm.bmWidth * 3) + 3) & ~3;
    const int row = ds.dsBmih.biHeight > 0 ? ds.dsBm.bmHeight - 1 - y : y;
    const auto* p = static_cast<const uint8_t*>(ds.dsBm.bmBits) + row * stride + x * 3;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

constexpr uint32_t kSentinel = 0x123456;

TEST(LoadResPicture, LoadsTheSkinBitmapByName) {
    rt::Picture skin = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->Type(), rt::PictureType::Bitmap);
    EXPECT_EQ(skin->Width(), PELMOR_SKIN_W);
    EXPECT_EQ(skin->Height(), PELMOR_SKIN_H);
    EXPECT_EQ(skin->WidthHiMetric(), 2037);
    EXPECT_EQ(skin->HeightHiMetric(), 1720);
    EXPECT_EQ(skin->Name(), L"SKIN");
    EXPECT_EQ(skin->Handle(), reinterpret_cast<uintptr_t>(skin->Bitmap()));
    EXPECT_EQ(skin->Icon(), nullptr);
    DIBSECTION ds{};
    EXPECT_EQ(::GetObjectW(skin->Bitmap(), sizeof ds, &ds), static_cast<int>(sizeof ds))
        << "not a DIB section";
}

TEST(LoadResPicture, MissingNameOrNoTypeGivesNull) {
    EXPECT_FALSE(rt::LoadResPicture(L"NO_SUCH_PICTURE", rt::PictureType::Bitmap));
    EXPECT_FALSE(rt::LoadResPicture(L"NO_SUCH_PICTURE", rt::PictureType::Icon));
    EXPECT_FALSE(rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::None));
    EXPECT_FALSE(rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Icon));
}

TEST(LoadResPicture, LoadsTheProgramIconByIdAtTheSystemIconSize) {
    rt::Picture icon = rt::LoadResPicture(MAKEINTRESOURCEW(PELMOR_IDI_APP), rt::PictureType::Icon);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Type(), rt::PictureType::Icon);
    EXPECT_EQ(icon->Handle(), reinterpret_cast<uintptr_t>(icon->Icon()));
    EXPECT_EQ(icon->Bitmap(), nullptr);
    EXPECT_EQ(icon->Width(), ::GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(icon->Height(), ::GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(icon->Name(), L"#1");
    // The "#n" name loads the same resource again.
    EXPECT_TRUE(rt::LoadResPicture(icon->Name().c_str(), rt::PictureType::Icon));
}

TEST(SamePicture, ComparesByHandle) {
    rt::Picture a = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
    rt::Picture b = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
    ASSERT_TRUE(a && b);
    rt::Picture alias = a;
    EXPECT_TRUE(rt::SamePicture(a, alias));
    EXPECT_FALSE(rt::SamePicture(a, b)) << "two loads are two bitmaps";
    EXPECT_FALSE(rt::SamePicture(a, nullptr));
    EXPECT_TRUE(rt::SamePicture(nullptr, nullptr));

    const uintptr_t handle = a->Handle();
    auto moved = std::make_shared<rt::PictureObject>(std::move(*a));
    EXPECT_EQ(moved->Handle(), handle);
    EXPECT_EQ(a->Type(), rt::PictureType::None);
    EXPECT_FALSE(rt::SamePicture(alias, moved)) << "the moved-from object no longer holds the bitmap";
    EXPECT_TRUE(rt::SamePicture(a, nullptr)) << "an emptied picture compares as no picture";
}

TEST(PictureRef, RoundTripsThroughTheResourceName) {
    rt::Picture p = rt::PictureFromRef(rt::PictureRef{L"SKIN"});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Type(), rt::PictureType::Bitmap);
    EXPECT_EQ(p->Width(), PELMOR_SKIN_W);
    EXPECT_EQ(rt::RefOf(p), rt::PictureRef{L"SKIN"});
    EXPECT_FALSE(rt::PictureFromRef(rt::PictureRef{}));
    EXPECT_EQ(rt::RefOf(nullptr), rt::PictureRef{});
    EXPECT_FALSE(rt::PictureFromRef(rt::PictureRef{L"NO_SUCH_PICTURE"}));
}

TEST(PictureObject, FactoriesRejectEmptyHandles) {
    EXPECT_FALSE(rt::PictureObject::FromBitmap(rt::UniqueBitmap()));
    EXPECT_FALSE(rt::PictureObject::FromIcon(rt::UniqueIcon()));
}

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skin = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
        ASSERT_TRUE(skin);
        std::set<uint32_t> colours;
        for (int y = 0; y < skin->Height(); ++y)
            for (int x = 0; x < skin->Width(); ++x)
                colours.insert(SourcePixel(skin->Bitmap(), x, y));
        ASSERT_GT(colours.size(), 2u) << "a flat picture would not show misplaced pixels";
        ASSERT_EQ(colours.count(0xFFFFFFFF), 0u);
    }
    rt::Picture skin;
};

TEST_F(RenderTest, CopiesPixelForPixelAtItsOwnSize) {
    TestCanvas canvas(PELMOR_SKIN_W + 20, PELMOR_SKIN_H + 10, kSentinel);
    skin->Render(canvas.dc(), 10, 5, PELMOR_SKIN_W, PELMOR_SKIN_H);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const bool inside = x >= 10 && x < 10 + PELMOR_SKIN_W && y >= 5 && y < 5 + PELMOR_SKIN_H;
            const uint32_t want = inside ? SourcePixel(skin->Bitmap(), x - 10, y - 5) : kSentinel;
            ASSERT_EQ(Rgb(canvas.At(x, y)), want) << "at " << x << "," << y;
        }
    }
}

TEST_F(RenderTest, StretchesWithoutBlendingColours) {
    TestCanvas canvas(PELMOR_SKIN_W * 2, PELMOR_SKIN_H * 2, kSentinel);
    skin->Render(canvas.dc(), 0, 0, PELMOR_SKIN_W * 2, PELMOR_SKIN_H * 2);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            ASSERT_EQ(Rgb(canvas.At(x, y)), SourcePixel(skin->Bitmap(), x / 2, y / 2))
                << "at " << x << "," << y;
    EXPECT_EQ(::GetStretchBltMode(canvas.dc()), BLACKONWHITE) << "the caller's mode is put back";
}

TEST_F(RenderTest, ShrinksByDroppingPixelsNotByMixingThem) {
    std::set<uint32_t> colours;
    for (int y = 0; y < skin->Height(); ++y)
        for (int x = 0; x < skin->Width(); ++x)
            colours.insert(SourcePixel(skin->Bitmap(), x, y));
    TestCanvas canvas(PELMOR_SKIN_W / 2, PELMOR_SKIN_H / 2, kSentinel);
    ::SetStretchBltMode(canvas.dc(), BLACKONWHITE);
    skin->Render(canvas.dc(), 0, 0, canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            ASSERT_EQ(colours.count(Rgb(canvas.At(x, y))), 1u)
                << "a colour the skin does not have at " << x << "," << y;
}

TEST_F(RenderTest, DrawsAnIconThroughItsMask) {
    rt::Picture icon = rt::LoadResPicture(MAKEINTRESOURCEW(PELMOR_IDI_APP), rt::PictureType::Icon);
    ASSERT_TRUE(icon);
    TestCanvas canvas(48, 48, kSentinel);
    icon->Render(canvas.dc(), 8, 8, 32, 32);
    int changed = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const bool inside = x >= 8 && x < 40 && y >= 8 && y < 40;
            if (inside) {
                changed += Rgb(canvas.At(x, y)) != kSentinel;
            } else {
                ASSERT_EQ(Rgb(canvas.At(x, y)), kSentinel) << "at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 0);
}

TEST(HandCursor, IsAMonochromeCursorWithItsHotSpotAtTheFingertip) {
    rt::UniqueCursor cursor = rt::CreateHandCursor();
    ASSERT_TRUE(cursor);
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(cursor.get(), &ii));
    rt::UniqueBitmap mask(ii.hbmMask);
    rt::UniqueBitmap color(ii.hbmColor);
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 12u);
    EXPECT_EQ(ii.yHotspot, 4u);
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectW(mask.get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 32);
}

TEST(HandCursor, AsAPictureMeasuresOneMaskNotTheStackedPair) {
    rt::Picture hand = rt::PictureObject::FromIcon(rt::UniqueIcon(rt::CreateHandCursor().release()));
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->Type(), rt::PictureType::Icon);
    EXPECT_EQ(hand->Width(), 32);
    EXPECT_EQ(hand->Height(), 32);
}

TEST(HandCursor, DrawsBlackAtTheHotSpotWhiteInsideAndNothingElsewhere) {
    rt::UniqueCursor cursor = rt::CreateHandCursor();
    ASSERT_TRUE(cursor);
    constexpr uint32_t grey = 0x808080;
    TestCanvas canvas(32, 32, grey);
    ASSERT_TRUE(::DrawIconEx(canvas.dc(), 0, 0, cursor.get(), 32, 32, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(Rgb(canvas.At(12, 4)), 0x000000u) << "fingertip outline";
    EXPECT_EQ(Rgb(canvas.At(12, 3)), grey) << "just above the fingertip";
    EXPECT_EQ(Rgb(canvas.At(12, 6)), 0xFFFFFFu) << "inside the finger";
    EXPECT_EQ(Rgb(canvas.At(16, 20)), 0xFFFFFFu) << "palm";
    EXPECT_EQ(Rgb(canvas.At(0, 0)), grey);
    EXPECT_EQ(Rgb(canvas.At(31, 31)), grey);
}

TEST(PictureLeaks, TwoHundredLoadsAndReleasesLeaveNoHandles) {
    const long gdi = rt::LiveHandles::Gdi();
    const long user = rt::LiveHandles::User();
    for (int i = 0; i < 200; ++i) {
        rt::Picture bmp = rt::LoadResPicture(PELMOR_RES_SKIN, rt::PictureType::Bitmap);
        rt::Picture icon = rt::LoadResPicture(MAKEINTRESOURCEW(PELMOR_IDI_APP), rt::PictureType::Icon);
        rt::UniqueCursor hand = rt::CreateHandCursor();
        ASSERT_TRUE(bmp && icon && hand) << "cycle " << i;
        EXPECT_EQ(rt::LiveHandles::Gdi(), gdi + 1);
        EXPECT_EQ(rt::LiveHandles::User(), user + 2);
        TestCanvas canvas(8, 8, 0);
        bmp->Render(canvas.dc(), 0, 0, 8, 8);
        icon->Render(canvas.dc(), 0, 0, 8, 8);
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
}

} // namespace
