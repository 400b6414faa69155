// The memory drawing surface's own algorithms read back as pixels: gradients, the embossed copy, pictures
// of each type, the surface as an icon or a bitmap, and font objects.
#include "drawing/cMemDC.h"

#include "drawing/SurfacePixels.h"
#include "drawing/SystemPalette.h"
#include "tests/support/TestCanvas.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using drawing::cMemDC;
using drawing::ColorRefOf;
using drawing::PictureDesc;
using drawing::PixelOf;
using testsupport::MakeDib;
using testsupport::TestCanvas;

using testsupport::kBlue;
using testsupport::kMagenta;
using testsupport::kRed;
// What Surface::Expect takes for the backdrop left as it was, and for any pixel.
constexpr uint32_t kBackdrop = drawing::kNoColor;
constexpr uint32_t kAny = 0xFE000000;

// Every pixel distinct, so "left as it was" cannot pass by accident.
uint32_t Backdrop(int x, int y) {
    return 0x200000u | static_cast<uint32_t>(x * 5) << 8 | static_cast<uint32_t>(y * 7 + 1);
}

class Surface : public ::testing::Test {
  protected:
    void Make(int w, int h) {
        ASSERT_TRUE(m.Init(w, h, parent.dc()));
        TestCanvas pattern(w, h);
        pattern.Fill(Backdrop);
        m.LoadBlt(pattern.dc(), 0, 0, 0, 0, 0, 0);
    }
    std::vector<uint32_t> Pixels() const { return testsupport::GrabRgbs(m.hdc(), m.Width(), m.Height()); }
    // Each pixel is want(x, y) as 0x00RRGGBB, kBackdrop or kAny.
    void Expect(const std::function<uint32_t(int, int)>& want) const {
        const std::vector<uint32_t> px = Pixels();
        for (int y = 0; y < m.Height(); ++y)
            for (int x = 0; x < m.Width(); ++x) {
                const uint32_t w = want(x, y);
                if (w == kAny) continue;
                ASSERT_EQ(px[static_cast<size_t>(y * m.Width() + x)], w == kBackdrop ? Backdrop(x, y) : w)
                    << "at " << x << "," << y;
            }
    }
    TestCanvas parent{1, 1};
    cMemDC m;
};

struct GradientCase {
    const char* name;
    bool vertical;
    COLORREF first, second;
};

class Gradient : public Surface, public ::testing::WithParamInterface<GradientCase> {};

TEST_P(Gradient, RunsFromTheFirstColourToTheSecondAlongTheChosenAxisOnly) {
    const GradientCase& c = GetParam();
    c.vertical ? Make(8, 256) : Make(256, 8);
    m.FillGradient(0, 0, m.Width(), m.Height(), c.first, c.second, c.vertical);
    const std::vector<uint32_t> px = Pixels();
    auto at = [&](int along, int across) {
        return ColorRefOf(px[static_cast<size_t>(c.vertical ? along * 8 + across : across * 256 + along)]);
    };
    auto within = [](COLORREF got, COLORREF want, int tolerance) {
        return std::abs(GetRValue(got) - GetRValue(want)) <= tolerance &&
               std::abs(GetGValue(got) - GetGValue(want)) <= tolerance &&
               std::abs(GetBValue(got) - GetBValue(want)) <= tolerance;
    };
    const COLORREF middle =
        RGB((GetRValue(c.first) + GetRValue(c.second)) / 2, (GetGValue(c.first) + GetGValue(c.second)) / 2,
            (GetBValue(c.first) + GetBValue(c.second)) / 2);
    EXPECT_EQ(at(0, 3), c.first);
    EXPECT_TRUE(within(at(255, 3), c.second, 1)) << std::hex << at(255, 3);
    EXPECT_TRUE(within(at(128, 3), middle, 2)) << std::hex << at(128, 3);
    for (int across = 0; across < 8; ++across)
        ASSERT_EQ(at(100, across), at(100, 0)) << across;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Gradient,
    ::testing::Values(GradientCase{"Horizontal", false, kRed, kBlue},
                      GradientCase{"HorizontalReversed", false, kBlue, kRed},
                      GradientCase{"Vertical", true, RGB(0, 40, 200), RGB(240, 200, 0)},
                      GradientCase{"VerticalReversed", true, RGB(240, 200, 0), RGB(0, 40, 200)}),
    [](const ::testing::TestParamInfo<GradientCase>& info) { return std::string(info.param.name); });

// An 8 x 8 black L and a dark-grey dot on white.
uint32_t Glyph(int x, int y) {
    if ((x == 2 && y >= 1 && y <= 5) || (y == 5 && x >= 2 && x <= 5)) return 0x000000;
    if (x == 6 && y == 2) return 0x404040;
    return 0xFFFFFF;
}

TEST_F(Surface, PaintDisabledPictureDrawsShadowOverHighlightOneDownRightAndLeavesLightPixels) {
    Make(20, 12);
    const COLORREF highlight = RGB(250, 250, 210), shadow = RGB(100, 100, 100);
    const long live = rt::LiveHandles::Gdi();
    m.PaintDisabledPicture(rt::PictureObject::FromBitmap(MakeDib(8, 8, Glyph)), 5, 2, 0, 0, 0, 0,
                           RGB(255, 255, 255), highlight, shadow);
    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
    auto dark = [](int gx, int gy) {
        return gx >= 0 && gy >= 0 && gx < 8 && gy < 8 && Glyph(gx, gy) != 0xFFFFFF;
    };
    Expect([&](int x, int y) {
        if (dark(x - 5, y - 2)) return PixelOf(shadow);
        if (x < 13 && y < 10 && dark(x - 6, y - 3)) return PixelOf(highlight);
        return kBackdrop;
    });
}

TEST_F(Surface, ExtractIconMakesExactlyTheMaskColourTransparent) {
    Make(16, 16);
    m.Cls(kMagenta);
    m.FillRect(4, 4, 8, 8, kRed);
    m.SetPixel(15, 0, RGB(255, 1, 255));
    const rt::Picture icon = m.ExtractIcon(kMagenta);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Type(), rt::PictureType::Icon);
    Make(16, 16);
    m.PaintPicture(icon);
    Expect([](int x, int y) {
        if (x >= 4 && x < 8 && y >= 4 && y < 8) return PixelOf(kRed);
        return x == 15 && y == 0 ? PixelOf(RGB(255, 1, 255)) : kBackdrop;
    });

    m.Cls(kMagenta);
    const rt::Picture clear = m.ExtractIcon(kMagenta);
    Make(16, 16);
    m.PaintPicture(clear);
    Expect([](int, int) { return kBackdrop; });
}

TEST_F(Surface, PaintPictureOfABitmapCopiesKeysOrInvertsItAndOfAnIconUsesItsMask) {
    Make(30, 20);
    auto source = [](int x, int y) { return (x + y) % 3 == 0 ? PixelOf(kMagenta) : 0x101010u * (x + 1) + y; };
    const rt::Picture bitmap = rt::PictureObject::FromBitmap(MakeDib(6, 5, source));
    m.PaintPicture(bitmap, 1, 2);
    m.PaintPicture(bitmap, 10, 2, 4, 3, 2, 1, SRCCOPY, kMagenta);
    m.PaintPicture(bitmap, 20, 2, 0, 0, 0, 0, NOTSRCCOPY);
    cMemDC iconSource;
    iconSource.PaintPicture(bitmap);
    EXPECT_EQ(iconSource.Width(), 6) << "a surface that was not created takes the picture's size";
    m.PaintPicture(iconSource.ExtractIcon(kMagenta), 1, 12);
    const rt::Picture image = m.Image();
    m.Cls(kRed);
    m.PaintPicture(image);

    const auto keyed = [&](int sx, int sy) {
        return source(sx, sy) == PixelOf(kMagenta) ? kBackdrop : source(sx, sy);
    };
    Expect([&](int x, int y) -> uint32_t {
        if (x >= 1 && x < 7 && y >= 2 && y < 7) return source(x - 1, y - 2);
        if (x >= 10 && x < 14 && y >= 2 && y < 5) return keyed(x - 8, y - 1);
        if (x >= 20 && x < 26 && y >= 2 && y < 7) return ~source(x - 20, y - 2) & 0xFFFFFF;
        if (x >= 1 && x < 7 && y >= 12 && y < 17) return keyed(x - 1, y - 12);
        return kBackdrop;
    });
}

// Red on the left, blue on the right, drawn at 20 x 10 logical units.
void DrawHalves(HDC dc) {
    rt::UniqueBrush red(::CreateSolidBrush(kRed));
    rt::UniqueBrush blue(::CreateSolidBrush(kBlue));
    const RECT left{0, 0, 10, 10}, right{10, 0, 20, 10};
    ::FillRect(dc, &left, red.get());
    ::FillRect(dc, &right, blue.get());
}

class Metafiles : public Surface, public ::testing::WithParamInterface<bool> {};

TEST_P(Metafiles, AreScaledIntoTheRectangle) {
    Make(48, 24);
    const RECT frame{0, 0, 529, 265};
    HDC recorder =
        GetParam() ? ::CreateEnhMetaFileW(parent.dc(), nullptr, &frame, nullptr) : ::CreateMetaFileW(nullptr);
    ASSERT_TRUE(recorder);
    DrawHalves(recorder);
    const long live = rt::LiveHandles::Gdi();
    if (GetParam()) {
        const HENHMETAFILE emf = ::CloseEnhMetaFile(recorder);
        EXPECT_EQ(PictureDesc::Of(emf).Width, 529);
        m.PaintPicture(PictureDesc::Of(emf), 4, 2, 40, 20);
        ::DeleteEnhMetaFile(emf);
    } else {
        const HMETAFILE wmf = ::CloseMetaFile(recorder);
        m.PaintPicture(PictureDesc::Of(wmf, 529, 265), 4, 2, 40, 20);
        ::DeleteMetaFile(wmf);
    }
    EXPECT_EQ(rt::LiveHandles::Gdi(), live);
    // Inside the rectangle only away from its edges and the middle, where scaling may round either way.
    Expect([](int x, int y) -> uint32_t {
        if (x < 4 || x >= 44 || y < 2 || y >= 22) return kBackdrop;
        if (y < 4 || y >= 20) return kAny;
        if (x >= 6 && x < 22) return PixelOf(kRed);
        if (x >= 26 && x < 42) return PixelOf(kBlue);
        return kAny;
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, Metafiles, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Enhanced" : "Windows");
                         });

struct FontCase {
    const char* name;
    std::function<drawing::StdFont()> font;
};

class FontRoundTrip : public Surface, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontRoundTrip, ReadsBackWhatWasSet) {
    Make(8, 8);
    const drawing::StdFont f = GetParam().font();
    ASSERT_GT(f.Size, 0);
    m.Font(f);
    const drawing::StdFont got = m.Font();
    EXPECT_EQ(got.Name, f.Name);
    EXPECT_DOUBLE_EQ(got.Size, f.Size);
    EXPECT_EQ(got.Bold(), f.Bold());
    EXPECT_EQ(got.Italic, f.Italic);
    EXPECT_EQ(got.Underline, f.Underline);
    EXPECT_EQ(got.Strikethrough, f.Strikethrough);
}

drawing::StdFont SongTi(double size, bool bold, bool styled) {
    drawing::StdFont f;
    f.Name = L"宋体";
    f.Size = size;
    f.Bold(bold);
    f.Italic = f.Underline = f.Strikethrough = styled;
    return f;
}

INSTANTIATE_TEST_SUITE_P(Cases, FontRoundTrip,
                         ::testing::Values(FontCase{"SongTi9", [] { return SongTi(9, false, false); }},
                                           FontCase{"SongTi9Bold", [] { return SongTi(9, true, false); }},
                                           FontCase{"SongTi12Styled", [] { return SongTi(12, false, true); }},
                                           FontCase{"SystemMenuFont", &cMemDC::SystemMenuFont},
                                           FontCase{"SystemIconFont", &cMemDC::SystemIconFont}),
                         [](const ::testing::TestParamInfo<FontCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Surface, ChineseTextIsMeasuredAndDrawnThroughTheWideFunctions) {
    Make(80, 24);
    m.Font(drawing::StdFont{});
    m.Cls(RGB(255, 255, 255));
    int32_t l = 2, t = 2, r = 2, b = 2;
    EXPECT_EQ(m.DrawText(L"中文菜单", l, t, r, b, DT_CALCRECT | DT_SINGLELINE), m.TextHeight(L"中文菜单"));
    EXPECT_EQ(r - l, m.TextWidth(L"中文菜单"));
    EXPECT_GT(r - l, 4 * 8) << "four wide glyphs, not boxes of a narrow fallback";
    m.DrawText(L"中文菜单", l, t, r, b, DT_SINGLELINE);
    int ink = 0;
    for (uint32_t px : Pixels())
        ink += px != 0xFFFFFF;
    EXPECT_GT(ink, 20);
    m.BackColor(kBlue);
    m.ExtTextOut(L"", 40, 4, 60, 20, 40, 4, ETO_OPAQUE);
    EXPECT_EQ(ColorRefOf(Pixels()[10 * 80 + 50]), kBlue)
        << "the opaque rectangle takes the background colour";
}

TEST(SystemPaletteRecord, IsALogicalPaletteTheSystemAccepts) {
    std::array<drawing::PaletteEntry, 256> entries{};
    for (int i = 0; i < 256; ++i)
        entries[i] = {uint8_t(i), uint8_t(i * 7), uint8_t(255 - i), 0};
    const std::vector<uint8_t> record = drawing::LogPaletteBytes(entries);
    rt::UniquePalette palette(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(record.data())));
    std::array<PALETTEENTRY, 256> back{};
    ASSERT_EQ(::GetPaletteEntries(palette.get(), 0, 256, back.data()), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(RGB(back[i].peRed, back[i].peGreen, back[i].peBlue), RGB(i, uint8_t(i * 7), 255 - i)) << i;
}

} // namespace
