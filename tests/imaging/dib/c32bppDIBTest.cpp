#include "imaging/dib/c32bppDIB.h"
#include "tests/imaging/dib/DibTestImages.h"

#include "imaging/dib/GdiPlusFlat.h"
#include "runtime/Handles.h"
#include "tests/support/ScratchFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using imaging::ByteArray;
using imaging::c32bppDIB;
using imaging_test::Memory;

// Straight colours of a 5 x 4 test picture: opaque, half-transparent and transparent pixels.
uint8_t Channel(int x, int y, int c) {
    return static_cast<uint8_t>(40 * x + 50 * y + 30 * c);
}
uint8_t AlphaOf(int x, int y) {
    return y == 0 ? 255 : y == 1 ? 0 : static_cast<uint8_t>(60 + 40 * x);
}

// Top-down red, green, blue, alpha rows of the picture.
ByteArray StraightRgba() {
    ByteArray a;
    a.Redim(5 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = &a.bytes[(y * 5 + x) * 4];
            p[0] = Channel(x, y, 0);
            p[1] = Channel(x, y, 1);
            p[2] = Channel(x, y, 2);
            p[3] = AlphaOf(x, y);
        }
    return a;
}

TEST(c32bppDIB, NewObjectHasNoImageAndProbedCapabilities) {
    c32bppDIB d;
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_EQ(d.BitsPointer(), nullptr);
    EXPECT_EQ(d.ImageType(), 0);
    EXPECT_FALSE(d.Alpha());
    // An NT system of version 5 or later: AlphaBlend is there and used; GDI+ starts here.
    EXPECT_TRUE(d.isAlphaBlendFriendly());
    EXPECT_TRUE(d.isGDIplusEnabled());
    EXPECT_TRUE(d.HighQualityInterpolation());
    d.isAlphaBlendFriendly(1);
    EXPECT_FALSE(d.isAlphaBlendFriendly()) << "only True (-1) sets it";
    d.isAlphaBlendFriendly(-1);
    EXPECT_TRUE(d.isAlphaBlendFriendly());
    d.isGDIplusEnabled(false);
    EXPECT_FALSE(d.isGDIplusEnabled());
}

TEST(c32bppDIB, InitializeDIBTakesTheHeightsSizeAndRefusesBadSizes) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(10, -5));
    EXPECT_EQ(d.Width(), 10);
    EXPECT_EQ(d.Height(), 5);
    EXPECT_EQ(d.scanWidth(), 40);
    EXPECT_TRUE(d.Alpha());
    EXPECT_EQ(d.ImageType(), 0);
    BITMAP bm{};
    ASSERT_EQ(::GetObjectW(d.Handle(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, d.BitsPointer());
    const std::vector<uint8_t> mem = Memory(d).bytes;
    EXPECT_EQ(mem, std::vector<uint8_t>(200, 0)) << "a new image is fully transparent";

    const auto noImage = [&](int32_t w, int32_t h) {
        EXPECT_FALSE(d.InitializeDIB(w, h)) << w << " x " << h;
        EXPECT_EQ(d.Handle(), nullptr);
        EXPECT_EQ(d.Width(), 0);
        EXPECT_EQ(d.ImageType(), -1);
    };
    noImage(-1, 5);
    noImage(5, 0);
    noImage(40000, 20000); // 3.2 GB of pixels
    noImage(1, INT32_MIN);
}

TEST(c32bppDIB, DestroyAndEraseDIB) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(4, 4));
    const HBITMAP section = d.Handle();
    std::memset(d.BitsPointer(), 0x40, 64);
    d.EraseDIB();
    EXPECT_EQ(Memory(d).bytes, std::vector<uint8_t>(64, 0));
    d.DestroyDIB();
    EXPECT_EQ(d.ImageType(), -1);
    EXPECT_FALSE(d.Alpha());
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_EQ(::GetObjectType(section), 0u) << "the section is deleted";
    ByteArray out;
    std::vector<uint8_t> bmp;
    EXPECT_FALSE(d.GetDIBbits(out, false, true, true, true, true, 0, 0, 0, 0, true));
    EXPECT_FALSE(d.SaveToStream(bmp));
}

TEST(c32bppDIB, LoadDIBinDCSelectsAndUnselectsTheSection) {
    c32bppDIB d;
    EXPECT_EQ(d.LoadDIBinDC(rt::kTrue), nullptr) << "no image";
    ASSERT_TRUE(d.InitializeDIB(8, 8));
    const HDC dc = d.LoadDIBinDC(rt::kTrue);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), d.Handle());
    EXPECT_EQ(d.LoadDIBinDC(rt::kTrue), dc) << "already selected";
    // Drawing through the DC lands in the pixel memory: the top-left pixel is the last memory row's first.
    const rt::UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
    RECT px{0, 0, 1, 1};
    ::FillRect(dc, &px, red.get());
    int32_t a = 0;
    EXPECT_EQ(d.GetPixel(0, 0, a, true), 0x0000FF);
    EXPECT_EQ(d.BitsPointer()[7 * 32 + 2], 255);

    EXPECT_EQ(d.LoadDIBinDC(1), nullptr);
    EXPECT_EQ(::GetObjectType(dc), 0u) << "without ManageOwnDC the DC goes";

    d.ManageOwnDC(true);
    const HDC kept = d.LoadDIBinDC(rt::kTrue);
    d.LoadDIBinDC(rt::kFalse);
    EXPECT_EQ(::GetObjectType(kept), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_NE(::GetCurrentObject(kept, OBJ_BITMAP), d.Handle());
    EXPECT_EQ(d.LoadDIBinDC(rt::kTrue), kept);
    d.ManageOwnDC(false);
    EXPECT_EQ(::GetObjectType(kept), 0u);
    EXPECT_EQ(::GetObjectType(d.Handle()), static_cast<DWORD>(OBJ_BITMAP)) << "the section outlives its DC";
}

// The layouts themselves are tested on the platform-free rules; here the object's own memory.
TEST(c32bppDIB, SetDIBbitsPremultipliesIntoThePixelMemory) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(5, 4));
    ASSERT_TRUE(d.SetDIBbits(StraightRgba(), false, true, true, false, 0, 0, 0, 0));
    EXPECT_TRUE(d.Alpha());
    int32_t a = 0;
    // Row 2, column 1: alpha 100, straight red 40 + 100 = 140 stored as 140 x 100 \ 255 = 54.
    EXPECT_EQ(d.GetPixel(1, 2, a, true) & 0xFF, 54);
    EXPECT_EQ(a, 100);
    EXPECT_EQ(d.BitsPointer()[(1 * 5 + 1) * 4 + 2], 54) << "row 2 from the top is memory row 1";

    ByteArray whole;
    ASSERT_TRUE(d.GetDIBbits(whole, false, true, true, true, true, 0, 0, 0, 0, true));
    EXPECT_EQ(whole.bytes, Memory(d).bytes);
    whole.bytes.pop_back();
    std::memset(d.BitsPointer(), 0, 80);
    EXPECT_FALSE(d.SetDIBbits(whole, true, true, true, true, 0, 0, 0, 0));
    EXPECT_EQ(Memory(d).bytes, std::vector<uint8_t>(80, 0));
}

// A BMP from SaveToStream, read by the system's own loader.
std::vector<uint32_t> LoadedBmpPixels(const std::vector<uint8_t>& bmp, int w, int h, int* depth) {
    const testsupport::ScratchFolder scratch(L"pelmor-save");
    const std::wstring path = scratch.File(L"saved.bmp");
    testsupport::WriteFileBytes(path, bmp);
    const rt::UniqueBitmap loaded(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ::DeleteFileW(path.c_str());
    if (!loaded) return {};
    DIBSECTION ds{};
    ::GetObjectW(loaded.get(), sizeof ds, &ds);
    *depth = ds.dsBm.bmBitsPixel;
    if (ds.dsBm.bmWidth != w || ds.dsBm.bmHeight != h) return {};
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> px(static_cast<std::size_t>(w) * h);
    const rt::WindowDC screen(nullptr);
    ::GetDIBits(screen.get(), loaded.get(), 0, h, px.data(), &bi, DIB_RGB_COLORS);
    return px;
}

TEST(c32bppDIB, SavedBmpLoadsWithTheSamePixels) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(5, 4));
    ASSERT_TRUE(d.SetDIBbits(StraightRgba(), false, true, true, false, 0, 0, 0, 0));
    ASSERT_TRUE(d.Alpha());
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(d.SaveToStream(bmp));
    EXPECT_EQ(bmp.size(), 54u + 80);
    int depth = 0;
    std::vector<uint32_t> px = LoadedBmpPixels(bmp, 5, 4, &depth);
    ASSERT_EQ(px.size(), 20u);
    EXPECT_EQ(depth, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint32_t want = 0;
            std::memcpy(&want, d.BitsPointer() + ((3 - y) * 5 + x) * 4, 4);
            EXPECT_EQ(px[y * 5 + x], want) << x << "," << y << ": premultiplied, alpha included";
        }

    // Without alpha: 24-bit rows, padded (5 x 3 = 15 bytes to 16).
    ByteArray opaque;
    opaque.Redim(5 * 4 * 4);
    for (int i = 0; i < 20; ++i) {
        opaque.bytes[i * 4] = static_cast<uint8_t>(i * 12);
        opaque.bytes[i * 4 + 1] = static_cast<uint8_t>(255 - i);
        opaque.bytes[i * 4 + 3] = 255;
    }
    ASSERT_TRUE(d.SetDIBbits(opaque, true, true, true, false, 0, 0, 0, 0));
    ASSERT_FALSE(d.Alpha());
    ASSERT_TRUE(d.SaveToStream(bmp));
    EXPECT_EQ(bmp.size(), 54u + 16 * 4);
    px = LoadedBmpPixels(bmp, 5, 4, &depth);
    ASSERT_EQ(px.size(), 20u);
    EXPECT_EQ(depth, 24);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(px[i] & 0xFFFFFF, static_cast<uint32_t>((255 - i) << 8 | i * 12)) << i;
}

TEST(c32bppDIB, ThousandCyclesLeaveNoHandlesOrSessions) {
    const long gdi = rt::LiveHandles::Gdi();
    const long sessions = imaging::gdip::LiveSessions();
    std::vector<uint8_t> bmp;
    for (int i = 0; i < 1000; ++i) {
        c32bppDIB d;
        d.ManageOwnDC(i % 2 == 0);
        ASSERT_TRUE(d.InitializeDIB(16 + i % 7, 9));
        const HDC dc = d.LoadDIBinDC(rt::kTrue);
        ASSERT_NE(dc, nullptr);
        ::PatBlt(dc, 0, 0, 4, 4, WHITENESS);
        if (i % 3 == 0) d.LoadDIBinDC(rt::kFalse);
        ASSERT_TRUE(d.SaveToStream(bmp));
        if (i % 5 == 0) d.DestroyDIB();
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(imaging::gdip::LiveSessions(), sessions);
}

} // namespace
