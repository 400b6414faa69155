#include "imaging/dib/cGDIPlus.h"

#include "imaging/dib/c32bppDIB.h"
#include "tests/imaging/dib/DibTestImages.h"
#include "tests/imaging/dib/SavedPngPattern.h"
#include "tests/imaging/dib/TestPng.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using imaging::ByteArray;
using imaging::c32bppDIB;
using imaging::cGDIPlus;
using imaging::gdip::Token;
using imaging_test::Memory;
using imaging_test::Near;
using imaging_test::Rgba;
using testsupport::Rgb;
using testsupport::TestCanvas;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kYellow = 0xFFFFFF00;

// An image object holding the straight colours of px (0xAARRGGBB), premultiplied.
void Fill(c32bppDIB& d, int w, int h, const std::function<uint32_t(int, int)>& px) {
    ASSERT_TRUE(d.InitializeDIB(w, h));
    ByteArray a;
    a.Redim(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = px(x, y);
            std::memcpy(&a.bytes[(y * w + x) * 4], &v, 4);
        }
    ASSERT_TRUE(d.SetDIBbits(a, true, true, true, false, 0, 0, 0, 0));
}

uint32_t Quadrants(int x, int y, int w, int h) {
    if (y < h / 2) return x < w / 2 ? kRed : kGreen;
    return x < w / 2 ? kBlue : kYellow;
}

// Premultiplied 0xAARRGGBB of a pixel counted from the top.
uint32_t Stored(const c32bppDIB& d, int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, d.BitsPointer() + ((d.Height() - 1 - y) * d.Width() + x) * 4, 4);
    return v;
}

const testsupport::ScratchFolder scratch(L"pelmor-gdiplus");

const cGDIPlus gdi;

TEST(cGDIPlus, SessionsOpenAndCloseAsAsked) {
    const long live = imaging::gdip::LiveSessions();
    Token token = 77;
    EXPECT_TRUE(gdi.isGDIplusOk(token, false));
    EXPECT_EQ(token, 0u);
    EXPECT_EQ(imaging::gdip::LiveSessions(), live);
    ASSERT_TRUE(gdi.isGDIplusOk(token, true));
    EXPECT_NE(token, 0u);
    EXPECT_EQ(imaging::gdip::LiveSessions(), live + 1);
    EXPECT_TRUE(gdi.InitializeGDIplus(token, true));
    EXPECT_EQ(token, 0u);
    EXPECT_EQ(imaging::gdip::LiveSessions(), live);
}

class WithoutGdiPlus : public ::testing::Test {
  protected:
    WithoutGdiPlus() { imaging::gdip::SetLibraryName(L"pelmor-absent-gdiplus.dll"); }
    ~WithoutGdiPlus() override { imaging::gdip::SetLibraryName(saved_); }
    const std::wstring saved_ = imaging::gdip::LibraryName();
};

TEST_F(WithoutGdiPlus, EveryOperationAnswersFalse) {
    Token token = 5;
    EXPECT_FALSE(gdi.isGDIplusOk(token, true));
    EXPECT_EQ(token, 0u);
    c32bppDIB d;
    EXPECT_FALSE(d.isGDIplusEnabled());
    EXPECT_FALSE(d.HighQualityInterpolation());
    Fill(d, 4, 4, [](int, int) { return kRed; });
    TestCanvas canvas(8, 8);
    EXPECT_FALSE(gdi.RenderImageGDIplus(d, canvas.dc(), 0, 100, 0, 0, 4, 4, 0, 0, 4, 4, false, -1, 0, 0));
    EXPECT_EQ(canvas.At(1, 1), kWhite);
    std::vector<uint8_t> png;
    EXPECT_FALSE(gdi.SaveToPNG(L"", png, d, 0));
    EXPECT_TRUE(png.empty());
    CLSID clsid{};
    EXPECT_EQ(gdi.EncoderClsid(L"image/png", clsid, 0), -1);
    EXPECT_FALSE(
        gdi.LoadImageGDIplus(L"", imaging_test::MakePng(4, 4, true, [](int, int) { return Rgba{}; }), d, 0));
    EXPECT_EQ(d.ImageType(), -1);
}

// Straight colours of the decoding tests' PNG: opaque, half and fully transparent pixels.
Rgba Decoded(int x, int y) {
    return {static_cast<uint8_t>(x * 36), static_cast<uint8_t>(200 - y * 30), static_cast<uint8_t>(x * y * 8),
            static_cast<uint8_t>(y == 0   ? 255
                                 : y == 1 ? 0
                                          : 255 - x * 30)};
}

TEST(cGDIPlus, DecodesAnRgbaPngToPremultipliedPixels) {
    const std::vector<uint8_t> png = imaging_test::MakePng(7, 5, true, Decoded);
    c32bppDIB fromBytes;
    ASSERT_TRUE(gdi.LoadImageGDIplus(L"", png, fromBytes, 0));
    EXPECT_EQ(fromBytes.Width(), 7);
    EXPECT_EQ(fromBytes.Height(), 5);
    EXPECT_TRUE(fromBytes.Alpha());
    EXPECT_EQ(fromBytes.ImageType(), 10);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const Rgba c = Decoded(x, y);
            const uint32_t want = static_cast<uint32_t>(c.a) << 24 | imaging::Premultiply(c.r, c.a) << 16 |
                                  imaging::Premultiply(c.g, c.a) << 8 | imaging::Premultiply(c.b, c.a);
            EXPECT_TRUE(Near(Stored(fromBytes, x, y), want, 1))
                << x << "," << y << ": " << std::hex << Stored(fromBytes, x, y) << " want " << want;
        }

    const std::wstring path = scratch.File(L"行情-decode.png");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, png));
    c32bppDIB fromFile;
    EXPECT_TRUE(gdi.LoadImageGDIplus(path, {}, fromFile, 0));
    ::DeleteFileW(path.c_str());
    EXPECT_EQ(Memory(fromFile).bytes, Memory(fromBytes).bytes);
}

TEST(cGDIPlus, AnRgbPngHasNoAlpha) {
    c32bppDIB d;
    ASSERT_TRUE(gdi.LoadImageGDIplus(L"", imaging_test::MakePng(6, 3, false, Decoded), d, 0));
    EXPECT_FALSE(d.Alpha());
    EXPECT_EQ(d.ImageType(), 10);
    EXPECT_EQ(Rgb(Stored(d, 5, 2)), static_cast<uint32_t>(180 << 16 | 140 << 8 | 80));
}

TEST(cGDIPlus, DecodesAJpegMadeByGdiPlusWithoutAlpha) {
    // The JPEG is encoded here from an image object, through the encoder EncoderClsid finds.
    c32bppDIB source;
    Fill(source, 32, 16, [](int x, int) { return x < 16 ? 0xFFC02010 : 0xFF2080E0; });
    const imaging::gdip::Api* api = imaging::gdip::Load();
    ASSERT_NE(api, nullptr);
    Token token = 0;
    ASSERT_TRUE(gdi.isGDIplusOk(token, true));
    CLSID jpeg{};
    ASSERT_GE(gdi.EncoderClsid(L"image/jpeg", jpeg, token), 1);
    std::vector<uint8_t> bytes;
    {
        imaging::gdip::Image bitmap(*api);
        ASSERT_EQ(bitmap.Make([&](imaging::gdip::GpImage** p) {
            return api->GdipCreateBitmapFromScan0(
                32, 16, source.scanWidth(), imaging::gdip::kPixelFormat32bppPARGB, source.BitsPointer(), p);
        }),
                  0);
        const auto stream = cGDIPlus::StreamFromArray({}, 0);
        ASSERT_EQ(api->GdipSaveImageToStream(bitmap.get(), stream.Get(), &jpeg, nullptr), 0);
        ASSERT_TRUE(cGDIPlus::ArrayFromStream(stream.Get(), bytes));
    }
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);

    c32bppDIB d;
    ASSERT_TRUE(gdi.LoadImageGDIplus(L"", bytes, d, token));
    gdi.InitializeGDIplus(token, true);
    EXPECT_FALSE(d.Alpha());
    EXPECT_EQ(d.ImageType(), 10);
    EXPECT_EQ(d.Width(), 32);
    EXPECT_EQ(d.Height(), 16);
    // Lossy, but flat areas away from the edge between them keep their colour.
    EXPECT_TRUE(Near(Rgb(Stored(d, 4, 8)), 0xC02010, 12)) << std::hex << Stored(d, 4, 8);
    EXPECT_TRUE(Near(Rgb(Stored(d, 27, 8)), 0x2080E0, 12)) << std::hex << Stored(d, 27, 8);
}

TEST(cGDIPlus, UndecodableBytesLeaveNoImage) {
    c32bppDIB d;
    ASSERT_TRUE(d.InitializeDIB(3, 3));
    std::vector<uint8_t> junk(100);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 37 + 11);
    EXPECT_FALSE(gdi.LoadImageGDIplus(L"", junk, d, 0));
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_EQ(d.ImageType(), -1);
    EXPECT_FALSE(gdi.LoadImageGDIplus(scratch.File(L"no-such-file.png"), {}, d, 0));
}

class Render : public ::testing::Test {
  protected:
    Render() {
        Fill(img, 40, 20, [](int x, int y) { return Quadrants(x, y, 40, 20); });
    }
    bool Draw(float angle, int opacity, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
              int gray = -1, float light = 0) {
        return gdi.RenderImageGDIplus(img, canvas.dc(), angle, opacity, dx, dy, dw, dh, sx, sy, sw, sh, false,
                                      gray, 0, light);
    }
    c32bppDIB img;
    TestCanvas canvas{80, 50};
};

TEST_F(Render, PlainDrawingCopiesTheImageUpright) {
    const std::vector<uint8_t> before = Memory(img).bytes;
    ASSERT_TRUE(Draw(0, 100, 5, 5, 40, 20, 0, 0, 40, 20));
    int bad = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            bad += Rgb(canvas.At(5 + x, 5 + y)) != Rgb(Quadrants(x, y, 40, 20));
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(canvas.At(4, 4), kWhite);
    EXPECT_EQ(canvas.At(45, 25), kWhite);
    EXPECT_EQ(Memory(img).bytes, before) << "the flip happens in GDI+'s copy, not in the image";
}

TEST_F(Render, NegativeHeightMirrorsAndSourceCountsFromTheBottom) {
    ASSERT_TRUE(Draw(0, 100, 0, 0, 40, -20, 0, 0, 40, 20));
    EXPECT_EQ(Rgb(canvas.At(2, 2)), Rgb(kBlue));
    EXPECT_EQ(Rgb(canvas.At(37, 17)), Rgb(kGreen));
    // The source rectangle is taken in the flipped bitmap: its top half is the image's bottom half.
    ASSERT_TRUE(Draw(0, 100, 40, 30, 20, -10, 20, 0, 20, 10));
    EXPECT_EQ(Rgb(canvas.At(45, 35)), Rgb(kYellow));
}

TEST_F(Render, MirroredIntoAFiftyPixelRectangle) {
    c32bppDIB strip;
    Fill(strip, 10, 2, [](int x, int) { return x < 5 ? kRed : kBlue; });
    ASSERT_TRUE(
        gdi.RenderImageGDIplus(strip, canvas.dc(), 0, 100, 0, 0, -50, 2, 0, 0, 10, 2, false, -1, 0, 0));
    // Wine's nearest-neighbour stretch samples two columns short of the right edge; the halves are
    // checked away from the edge and the middle.
    for (int x : {0, 5, 20})
        EXPECT_EQ(Rgb(canvas.At(x, 1)), Rgb(kBlue)) << x;
    for (int x : {27, 35, 45})
        EXPECT_EQ(Rgb(canvas.At(x, 1)), Rgb(kRed)) << x;
    EXPECT_EQ(canvas.At(50, 0), kWhite);
    EXPECT_EQ(canvas.At(0, 2), kWhite);
}

TEST_F(Render, OpacityScalesTheImage) {
    EXPECT_TRUE(Draw(0, 0, 0, 0, 40, 20, 0, 0, 40, 20));
    EXPECT_EQ(canvas.At(2, 2), kWhite) << "opacity 0 draws nothing";
    ASSERT_TRUE(Draw(0, 50, 0, 0, 40, 20, 0, 0, 40, 20));
    // Red at half strength over white.
    EXPECT_TRUE(Near(Rgb(canvas.At(2, 2)), 0xFF8080, 2)) << std::hex << canvas.At(2, 2);
    EXPECT_TRUE(Near(Rgb(canvas.At(22, 12)), 0xFFFF80, 2)) << std::hex << canvas.At(22, 12);
}

TEST_F(Render, AngleTurnsClockwiseAboutTheDestinationCentre) {
    // Destination (20, 10)-(60, 30), centre (40, 20); turned a quarter, it stands 20 wide and 40 tall.
    ASSERT_TRUE(Draw(90, 100, 20, 10, 40, 20, 0, 0, 40, 20));
    EXPECT_EQ(Rgb(canvas.At(45, 10)), Rgb(kRed)) << "top-left went to the top right";
    EXPECT_EQ(Rgb(canvas.At(45, 30)), Rgb(kGreen));
    EXPECT_EQ(Rgb(canvas.At(35, 30)), Rgb(kYellow));
    EXPECT_EQ(Rgb(canvas.At(35, 10)), Rgb(kBlue));
    EXPECT_EQ(canvas.At(25, 15), kWhite) << "inside the unturned rectangle, outside the turned one";
    EXPECT_EQ(Rgb(canvas.At(32, 2)), Rgb(kBlue));
}

TEST_F(Render, GrayScaleAndLightness) {
    ASSERT_TRUE(Draw(0, 100, 0, 0, 40, 20, 0, 0, 40, 20, 0));
    // Red through formula 0: 0.299 x 255.
    EXPECT_TRUE(Near(Rgb(canvas.At(2, 2)), 0x4C4C4C, 2)) << std::hex << canvas.At(2, 2);
    // Formula 9 is formula 0.
    ASSERT_TRUE(Draw(0, 100, 40, 0, 40, 20, 0, 0, 40, 20, 9));
    EXPECT_EQ(canvas.At(42, 2), canvas.At(2, 2));
    c32bppDIB black;
    Fill(black, 4, 4, [](int, int) { return 0xFF000000; });
    ASSERT_TRUE(
        gdi.RenderImageGDIplus(black, canvas.dc(), 0, 100, 0, 30, 4, 4, 0, 0, 4, 4, false, -1, 0, 50));
    EXPECT_TRUE(Near(Rgb(canvas.At(1, 31)), 0x7F7F7F, 2)) << std::hex << canvas.At(1, 31);
}

TEST(cGDIPlus, SaveToPngStreamIsAnUprightPng) {
    c32bppDIB d;
    Fill(d, 24, 16, [](int x, int y) {
        const imaging_test::SavedPixel p = imaging_test::SavedPngPixel(x, y);
        return static_cast<uint32_t>(p.a) << 24 | p.r << 16 | p.g << 8 | p.b;
    });
    const std::vector<uint8_t> before = Memory(d).bytes;
    std::vector<uint8_t> png = {1, 2, 3};
    ASSERT_TRUE(gdi.SaveToPNG(L"", png, d, 0));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_EQ(Memory(d).bytes, before);

    c32bppDIB back;
    ASSERT_TRUE(gdi.LoadImageGDIplus(L"", png, back, 0));
    EXPECT_TRUE(back.Alpha());
    int bad = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            bad += !Near(Stored(back, x, y), Stored(d, x, y), 1);
    EXPECT_EQ(bad, 0);
}

// Saved where the native libpng check that follows this program reads it (PELMOR_SAVED_PNG).
TEST(cGDIPlus, SaveToPngFileReadsBackThroughGdiPlus) {
    wchar_t configured[MAX_PATH * 2] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"PELMOR_SAVED_PNG", configured, MAX_PATH * 2);
    const std::wstring path =
        n > 0 && n < MAX_PATH * 2 ? std::wstring(configured) : scratch.File(L"saved.png");
    ::DeleteFileW(path.c_str());

    c32bppDIB d;
    Fill(d, imaging_test::kSavedPngWidth, imaging_test::kSavedPngHeight, [](int x, int y) {
        const imaging_test::SavedPixel p = imaging_test::SavedPngPixel(x, y);
        return static_cast<uint32_t>(p.a) << 24 | p.r << 16 | p.g << 8 | p.b;
    });
    std::vector<uint8_t> unused;
    ASSERT_TRUE(gdi.SaveToPNG(path, unused, d, 0));
    EXPECT_TRUE(unused.empty());
    c32bppDIB back;
    ASSERT_TRUE(gdi.LoadImageGDIplus(path, {}, back, 0));
    int bad = 0;
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x)
            bad += !Near(Stored(back, x, y), Stored(d, x, y), 1);
    EXPECT_EQ(bad, 0);
    if (n == 0) ::DeleteFileW(path.c_str());
}

TEST(cGDIPlus, EncoderClsidMatchesMimeTypesInAnyCase) {
    CLSID png{}, upper{};
    const int32_t i = gdi.EncoderClsid(L"image/png", png, 0);
    EXPECT_GE(i, 1);
    EXPECT_EQ(gdi.EncoderClsid(L"IMAGE/PNG", upper, 0), i);
    EXPECT_TRUE(IsEqualCLSID(png, upper));
    CLSID none{};
    EXPECT_EQ(gdi.EncoderClsid(L"image/x-pelmor", none, 0), -1);
}

TEST(cGDIPlus, StreamsCarryTheArrayFromItsStart) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::vector<uint8_t> out;
    ASSERT_TRUE(cGDIPlus::ArrayFromStream(cGDIPlus::StreamFromArray(bytes, 3).Get(), out));
    EXPECT_EQ(out, (std::vector<uint8_t>{4, 5, 6, 7, 8, 9, 10}));
    const auto empty = cGDIPlus::StreamFromArray({}, 0);
    ASSERT_TRUE(empty);
    EXPECT_FALSE(cGDIPlus::ArrayFromStream(empty.Get(), out));
    EXPECT_FALSE(cGDIPlus::ArrayFromStream(cGDIPlus::StreamFromArray(bytes, 10).Get(), out));
}

TEST(cGDIPlus, ThousandCyclesLeaveNoHandlesSessionsOrObjects) {
    TestCanvas canvas(40, 40);
    const long gdiHandles = rt::LiveHandles::Gdi();
    const long sessions = imaging::gdip::LiveSessions();
    const long objects = imaging::gdip::LiveObjects();
    Token lent = 0;
    ASSERT_TRUE(gdi.isGDIplusOk(lent, true));
    std::vector<uint8_t> png;
    for (int i = 0; i < 1000; ++i) {
        c32bppDIB d;
        d.gdiToken(i % 2 ? lent : 0);
        Fill(d, 12 + i % 5, 8, [i](int x, int) { return x % 2 ? 0xFF000000u | i : 0x80404040u; });
        ASSERT_TRUE(gdi.RenderImageGDIplus(d, canvas.dc(), static_cast<float>(i % 90), 50 + i % 51, 4, 4, 20,
                                           20, 0, 0, d.Width(), d.Height(), i % 3 == 0, i % 4 - 1,
                                           d.gdiToken(), 0));
        if (i % 10 == 0) {
            ASSERT_TRUE(gdi.SaveToPNG(L"", png, d, d.gdiToken()));
        }
        if (i % 50 == 0) {
            ASSERT_TRUE(gdi.LoadImageGDIplus(L"", png, d, d.gdiToken()));
        }
    }
    gdi.InitializeGDIplus(lent, true);
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdiHandles);
    EXPECT_EQ(imaging::gdip::LiveSessions(), sessions);
    EXPECT_EQ(imaging::gdip::LiveObjects(), objects);
}

} // namespace
